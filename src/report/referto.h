#pragma once
// The report layout dialog: positions and on/off switches of every block and
// item of the printed report, read from print.ini when the window loads and
// written back, every key in a fixed order, by its save button.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QString>

#include <array>
#include <vector>

#include "platform/forms.h"
#include "report/layoutkeys.h"
#include "ui_referto.h"

namespace zv {

// Tells the user that a save stopped at `failed` (the message `text` of the
// window's language section, with %1 for where) and logs it under `window`.
void sayNotSaved(const IniWrite& failed, const QString& text, const QString& window);

class referto : public Form, public Ui::referto {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"referto"};

    referto();
    void Form_Load() override;

    // The form's controls by number: Text[1] is Text1 ... Text[74] is Text74 (index 0 unused).
    std::array<QLineEdit*, 75> Text{};
    std::array<QCheckBox*, 24> Check{};
    std::array<QLabel*, 45> Label{};

    // Every key the dialog edits, in the order the save writes them.
    std::vector<IniWrite> pendingWrites() const;

private:
    void numberControls();
    void loadCaptions();

    // The save: refused, with a message naming the box, when a position is
    // not a number; nothing is written then.
    void Command1_Click();
    void Command2_Click();
    bool positionsAreNumbers();
    // A position box as the user sees it: its row and column captions and the axis.
    QString boxName(int box, const char* key) const;

    QString msg1_, msg2_;
    std::array<int, 75> boxRow_{};     // the row caption's Label number (0: none)
    std::array<int, 75> boxColumn_{};  // the column caption's Label number
};

}  // namespace zv
