#pragma once
// The manual result entry: a blood count typed in by hand (identifier, name
// and seventeen values) stored in the daily database beside the received
// ones. The window stays open after each save, ready for the next result.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>

#include "link/manualentry.h"

#include "platform/forms.h"

namespace zv {

class inserimento : public Form {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"inserimento"};

    inserimento();
    void Form_Load() override;

    // Puts the starting texts into the nineteen boxes; the focus stays where it is.
    void inizializza();

    // The values: white cells (Text1 to Text6), red cells (Text7 to Text13),
    // platelets (Text14 to Text17); then the identifier and the name.
    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr, *Text5 = nullptr,
              *Text6 = nullptr, *Text7 = nullptr, *Text8 = nullptr, *Text9 = nullptr, *Text10 = nullptr,
              *Text11 = nullptr, *Text12 = nullptr, *Text13 = nullptr, *Text14 = nullptr, *Text15 = nullptr,
              *Text16 = nullptr, *Text17 = nullptr, *Text18 = nullptr, *Text19 = nullptr;
    QLabel *Label7 = nullptr, *Label8 = nullptr;
    QPushButton* Command1 = nullptr;

private:
    void Command1_Click();

    std::array<QLineEdit*, kTypedCount> valueBoxes() const;

    QString msg1_;         // the refusal of a value that is not a number
    QChar decimal_{u','};  // the configured decimal mark, read at load
};

// Whether a typed character reaches a value box: the digits, the decimal
// mark, Backspace, Enter and character code 188; everything else is discarded.
bool valueKeyPasses(QChar typed, QChar decimal);

}  // namespace zv
