#pragma once
// The manual result entry: a blood count typed in by hand (identifier, name
// and seventeen values) stored in the daily database beside the received
// ones. The window stays open after each save, ready for the next result.
#include <QLineEdit>

#include <array>

#include "link/manualentry.h"
#include "platform/forms.h"
#include "ui_inserimento.h"

namespace zv {

class inserimento : public Form, public Ui::inserimento {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"inserimento"};

    inserimento();
    void Form_Load() override;

    // Puts the starting texts into the nineteen boxes; the focus stays where it is.
    void inizializza();

    // The form's boxes: the values are Text1 to Text17 (white cells, red
    // cells, platelets), then the identifier Text18 and the name Text19.

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
