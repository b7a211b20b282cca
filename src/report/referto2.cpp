#include "report/referto2.h"

#include <QPalette>

#include <cmath>

#include "core/captions.h"
#include "core/config.h"
#include "core/programfiles.h"
#include "core/windowlanguage.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/prompts.h"
#include "report/referto.h"

namespace zv {

namespace {

const QString kSection = QStringLiteral("referto2");

// The seven items in the order the load and the save take them.
struct ItemKeys {
    const char* section;
    const char* text;    // the text key
    const char* prefix;  // of the font keys: prefix + "_font" ...
};
const ItemKeys kItems[7] = {
    {"header", "riga1", "riga1"},  {"header", "riga2", "riga2"},        {"header", "riga3", "riga3"},
    {"header", "riga4", "riga4"},  {"titolo", "titolo_text", "titolo"}, {"firma", "firma", "firma"},
    {"firma", "firma2", "firma2"},
};

QString key(const ItemKeys& item, const char* suffix) { return QLatin1String(item.prefix) + QLatin1String(suffix); }

QString boolText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

// red + 256 * green + 65536 * blue.
int32_t colourNumber(const QColor& colour) {
    return static_cast<int32_t>(colour.red() + 256 * colour.green() + 65536 * colour.blue());
}

QString printKey(const ItemKeys& item, const QString& name, int buffer) {
    return leggiini(QLatin1String(item.section), name, file::printIni, buffer);
}

QString alarm(const char* name, int buffer) {
    return leggiini(QStringLiteral("alarm"), QLatin1String(name), file::generalIni, buffer);
}

}  // namespace

Referto2::Referto2() : Form(QStringLiteral("Referto2")) {
    // The dialogs' first state: no face, 8 points, regular, black.
    dialogFont_.setFamily(QString());
    dialogFont_.setPointSizeF(8);
    dialogFont_.setBold(false);
    dialogFont_.setItalic(false);
    buildWindow();
}

void Referto2::buildWindow() {
    setupUi(this);
    boxes_ = {Text1, Text2, Text3, Text9, Text4, Text5, Text8};
    QPushButton* const buttons[7] = {Command1, Command2, Command3, Command10, Command4, Command5, Command9};
    for (int i = 0; i < 7; ++i)
        connect(buttons[i], &QPushButton::clicked, this, [this, i] { guard([this, i] { chooseFont(i); }); });
    connect(Command6, &QPushButton::clicked, this, [this] { guard([this] { Command6_Click(); }); });
    connect(Command7, &QPushButton::clicked, this, [this] { guard([this] { Command7_Click(); }); });
    connect(Command8, &QPushButton::clicked, this, [this] { guard([this] { Command8_Click(); }); });
}

void Referto2::loadCaptions() {
    const QString lingua = windowLanguageFile();
    applyCaptions(this, lingua, kSection,
                  {{"", "titolo"},
                   {"Label2", "label2"},
                   {"Label6", "label6"},
                   {"Label7", "label7"},
                   {"Label1", "label1"},
                   {"Label4", "label4"},
                   {"Label3", "label3"},
                   {"Label5", "label5"},
                   {"Command6", "cmd6"},
                   {"Command7", "cmd7"},
                   {"Command8", "cmd8"},
                   {"Command1", "cmdx"},
                   {"Command2", "cmdx"},
                   {"Command3", "cmdx"},
                   {"Command4", "cmdx"},
                   {"Command5", "cmdx"},
                   {"Command9", "cmdx"},
                   {"Command10", "cmdx"}});
    msg1_ = caption(lingua, kSection, QStringLiteral("msg1"));
}

void Referto2::showFont(int item) {
    const ItemFont& f = fonts_[static_cast<std::size_t>(item)];
    QLineEdit* box = boxes_[static_cast<std::size_t>(item)];
    QFont face = font();
    if (!f.name.isEmpty())
        face.setFamily(f.name);
    face.setBold(f.bold);
    face.setItalic(f.italic);
    if (f.size > 0)
        face.setPointSizeF(f.size);
    box->setFont(face);
    QPalette colours = palette();
    if (f.colour >= 0)
        colours.setColor(QPalette::Text, QColor(f.colour & 0xFF, (f.colour >> 8) & 0xFF, (f.colour >> 16) & 0xFF));
    box->setPalette(colours);
}

void Referto2::loadItem(int item) {
    const ItemKeys& k = kItems[item];
    ItemFont& f = fonts_[static_cast<std::size_t>(item)];
    // Each read on its own: a key that is missing or does not convert leaves
    // that property as it was and the others still load.
    ignoring([&] { boxes_[static_cast<std::size_t>(item)]->setText(printKey(k, QLatin1String(k.text), 100)); });
    // Whole: the page prints with the name as saved, however long.
    ignoring([&] { f.name = printKey(k, key(k, "_font"), 4096); });
    ignoring([&] { f.bold = toBool(printKey(k, key(k, "_bold"), 50)); });
    ignoring([&] { f.italic = toBool(printKey(k, key(k, "_italic"), item == 4 ? 100 : 50)); });
    ignoring([&] {
        const double size = toDouble(printKey(k, key(k, "_size"), 50));
        if (!(size > 0 && size <= 2048))
            throw AppError(err::InvalidCall, QStringLiteral("Invalid property value"));
        f.size = static_cast<float>(size);
    });
    ignoring([&] { f.colour = toInt32(printKey(k, key(k, "_color"), 50)); });
    showFont(item);
}

void Referto2::Form_Load() {
    ignoring([&] { loadCaptions(); });
    for (int i = 0; i < 7; ++i)
        loadItem(i);
    ignoring([&] { Text6->setText(alarm("simboloL", 10)); });
    ignoring([&] { Text7->setText(alarm("simboloH", 10)); });
    ignoring([&] {
        const int16_t sign = toInt16(alarm("sign", 10));
        if (sign != 0 && sign != 1)
            throw AppError(err::InvalidCall, QStringLiteral("Invalid property value"));
        Check1->setChecked(sign == 1);
    });
    ignoring([&] { Text10->setText(alarm("errore", 24)); });
}

void Referto2::chooseFont(int item) {
    ItemFont& f = fonts_[static_cast<std::size_t>(item)];
    // A cancelled dialog changes nothing, neither in the box nor in where the
    // next dialog starts.
    if (const std::optional<QFont> chosen = prompts().chooseFont(dialogFont_)) {
        dialogFont_ = *chosen;
        f.name = chosen->family();
        f.bold = chosen->bold();
        if (chosen->pointSizeF() > 0)
            f.size = static_cast<float>(chosen->pointSizeF());
        f.italic = chosen->italic();
    }
    if (const std::optional<QColor> chosen = prompts().chooseColour(dialogColour_)) {
        dialogColour_ = *chosen;
        f.colour = colourNumber(*chosen);
    }
    showFont(item);
}

std::vector<IniWrite> Referto2::pendingWrites() const {
    std::vector<IniWrite> writes;
    const QChar decimal = regionalDecimal();
    for (int i = 0; i < 7; ++i) {
        const ItemKeys& k = kItems[i];
        const ItemFont& f = fonts_[static_cast<std::size_t>(i)];
        const QString section = QLatin1String(k.section);
        writes.push_back({file::printIni, section, QLatin1String(k.text), boxes_[static_cast<std::size_t>(i)]->text()});
        writes.push_back({file::printIni, section, key(k, "_font"), f.name});
        writes.push_back({file::printIni, section, key(k, "_bold"), boolText(f.bold)});
        writes.push_back({file::printIni, section, key(k, "_italic"), boolText(f.italic)});
        writes.push_back({file::printIni, section, key(k, "_size"), sizeText(f.size, decimal)});
        writes.push_back({file::printIni, section, key(k, "_color"), QString::number(f.colour)});
    }
    const QString alarmSection = QStringLiteral("alarm");
    writes.push_back({file::generalIni, alarmSection, QStringLiteral("sign"),
                      Check1->isChecked() ? QStringLiteral("1") : QStringLiteral("0")});
    writes.push_back({file::generalIni, alarmSection, QStringLiteral("simboloL"), Text6->text()});
    writes.push_back({file::generalIni, alarmSection, QStringLiteral("simboloH"), Text7->text()});
    writes.push_back({file::generalIni, alarmSection, QStringLiteral("errore"), Text10->text()});
    return writes;
}

void Referto2::Command6_Click() {
    // On a failed save the window stays open with what the user set, so the save can be tried again.
    if (const std::optional<IniWrite> failed = writeKeys(pendingWrites())) {
        sayNotSaved(*failed, msg1_, formName());
        return;
    }
    Forms::unload(formName());
}

void Referto2::Command7_Click() { Forms::show<referto>(); }

void Referto2::Command8_Click() { Forms::unload(formName()); }

}  // namespace zv
