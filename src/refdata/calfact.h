#pragma once
// The human calibration factors of general.ini [cal] in thirteen boxes; OK
// writes all thirteen back and closes the window. A factor the receiver could
// not read as a number is refused with a message and nothing is written.
#include <cstdint>

#include "platform/forms.h"
#include "refdata/factorboxes.h"
#include "ui_calfact.h"

namespace zv {

class NumberKeyFilter;

class calfact : public Form, public Ui::calfact {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"calfact"};

    calfact();
    void Form_Load() override;

    // The character code the factor boxes take as decimal separator (0: none).
    int16_t separatorCode() const { return separatorCode_; }

private:
    void Command1_Click();

    FactorBoxes factors_;
    NumberKeyFilter* filter_ = nullptr;
    int16_t separatorCode_ = 0;
    QString msg1_;
};

}  // namespace zv
