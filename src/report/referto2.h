#pragma once
// The report texts-and-fonts dialog: the four header lines, the title and the
// two signatures with their fonts and colours (print.ini), and the report's
// alarm texts (general.ini [alarm]). Each text box holds its item's text and,
// as a preview, the font and colour the report will print it in.
#include <QCheckBox>
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

#include "platform/forms.h"
#include "report/layoutkeys.h"
#include "ui_referto2.h"

namespace zv {

// The form's controls: the item texts and their font buttons (Text1 to Text5,
// Text8, Text9; Command1 to Command5, Command9, Command10), the alarm texts
// (Check1, Text6, Text7, Text10), exit, save and the layout dialog (Command8,
// Command6, Command7).
class Referto2 : public Form, public Ui::Referto2 {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"Referto2"};

    // The text colour of a box that never had one: the system's window-text colour.
    static constexpr int32_t kWindowText = static_cast<int32_t>(0x80000008u);

    // One item's font as the report prints it.
    struct ItemFont {
        QString name;  // may be empty: the box then shows the default face
        bool bold = false;
        bool italic = false;
        float size = 0;  // points; 0 until loaded or chosen
        int32_t colour = kWindowText;
    };

    Referto2();
    void Form_Load() override;

    // The font and colour an item's box holds; index as `items()`.
    const ItemFont& itemFont(int item) const { return fonts_[static_cast<std::size_t>(item)]; }
    // Every key the save writes, in its order.
    std::vector<IniWrite> pendingWrites() const;

private:
    void buildWindow();
    void loadCaptions();
    void loadItem(int item);
    // Shows the item's font and colour on its box.
    void showFont(int item);

    void chooseFont(int item);  // the seven font buttons
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();

    std::array<QLineEdit*, 7> boxes_{};
    std::array<ItemFont, 7> fonts_{};
    // The font and colour dialogs start where the last confirmed choice left them.
    QFont dialogFont_;
    QColor dialogColour_{Qt::black};
    QString msg1_;
};

}  // namespace zv
