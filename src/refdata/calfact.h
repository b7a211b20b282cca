#pragma once
// The human calibration factors of general.ini [cal] in thirteen boxes; OK
// writes all thirteen back and closes the window. A factor the receiver could
// not read as a number is refused with a message and nothing is written.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstdint>

#include "platform/forms.h"
#include "refdata/factorboxes.h"

namespace zv {

class NumberKeyFilter;

class calfact : public Form {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"calfact"};

    calfact();
    void Form_Load() override;

    // The character code the factor boxes take as decimal separator (0: none).
    int16_t separatorCode() const { return separatorCode_; }

    QLabel* Label17 = nullptr;
    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr, *Text5 = nullptr,
              *Text6 = nullptr, *Text7 = nullptr, *Text8 = nullptr, *Text9 = nullptr, *Text10 = nullptr,
              *Text11 = nullptr, *Text12 = nullptr, *Text13 = nullptr;
    QPushButton* Command1 = nullptr;

private:
    void Command1_Click();

    FactorBoxes factors_;
    NumberKeyFilter* filter_ = nullptr;
    int16_t separatorCode_ = 0;
    QString msg1_;
};

}  // namespace zv
