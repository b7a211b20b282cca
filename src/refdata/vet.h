#pragma once
// The species calibration sets, the rows of `cal` in the veterinary database,
// one at a time in the order of the species name: browse, change the row
// shown, add rows. No row is ever deleted here.
#include <cstdint>

#include "platform/binder.h"
#include "platform/database.h"
#include "platform/forms.h"
#include "refdata/factorboxes.h"
#include "refdata/keyfilter.h"
#include "ui_vet.h"

namespace zv {

class vet : public Form, public Ui::vet {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"vet"};

    vet();
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

    // Shows the current row in the fourteen boxes. A field that holds nothing
    // shows as an empty box and the others are still shown; without a current
    // row every box is emptied and the failure rises.
    void popola();

    int16_t separatorCode() const { return filter_->separatorCode(); }
    // The browse recordset: between NUOVO and SALVA its current row is the new one.
    const Recordset& browse() const { return rs_; }

private:
    void loadCaptions();

    void Command4_Click();
    void Command3_Click();

    Recordset rs_;
    FieldBinder binder_;
    FactorBoxes factors_;
    NumberKeyFilter* filter_ = nullptr;
    QString msg1_, msg2_, msg3_, msg4_, txt14_;
};

}  // namespace zv
