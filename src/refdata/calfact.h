#pragma once
// The human calibration factors of general.ini [cal] in thirteen boxes; OK
// writes all thirteen back and closes the window. A factor the receiver could
// not read as a number is refused with a message and nothing is written.
#include <cstdint>

#include "platform/forms.h"
#include "refdata/factorboxes.h"
#include "refdata/keyfilter.h"
#include "ui_calfact.h"

namespace zv {

class calfact : public Form, public Ui::calfact {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"calfact"};

    calfact();
    void Form_Load() override;

    // The character code the factor boxes take as decimal separator (0: none).
    int16_t separatorCode() const { return filter_->separatorCode(); }

private:
    void Command1_Click();

    FactorBoxes factors_;
    // The factors as general.ini holds them and as their boxes first showed them.
    FactorTexts stored_, shown_;
    NumberKeyFilter* filter_ = nullptr;
    QString msg1_;
};

}  // namespace zv
