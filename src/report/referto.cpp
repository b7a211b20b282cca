#include "report/referto.h"

#include <type_traits>

#include "core/captions.h"
#include "core/config.h"
#include "core/programfiles.h"
#include "core/windowlanguage.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/prompts.h"

namespace zv {

namespace {

const QString kSection = QStringLiteral("referto");

// One key of print.ini and the control that edits it: a text box (a position,
// or the caption of the reference-set item) or a switch.
struct LayoutKey {
    const char* section;
    const char* key;
    int text;                      // Text number, 0 for a switch
    int check;                     // Check number, 0 for a text box
    int buffer;                    // characters read = buffer - 1
    const char* readAs = nullptr;  // the name the load reads it under, when another
    bool freeText = false;         // a text box that holds no position
};

constexpr LayoutKey T(const char* s, const char* k, int text, int buffer = 10) { return {s, k, text, 0, buffer}; }
constexpr LayoutKey C(const char* s, const char* k, int check, int buffer = 10) { return {s, k, 0, check, buffer}; }

// In the order of the save.
const LayoutKey kKeys[] = {
    T("header", "riga1_x", 7),
    T("header", "riga1_y", 8),
    T("header", "riga2_x", 9),
    T("header", "riga2_y", 10),
    T("header", "riga3_x", 11),
    T("header", "riga3_y", 12),
    T("header", "riga4_x", 69),
    T("header", "riga4_y", 70),
    T("titolo", "titolo_x", 15),
    T("titolo", "titolo_y", 16),
    C("graph", "scatt_on", 1),
    C("graph", "scatt2_on", 2),
    C("graph", "mono-poly_on", 3),
    C("graph", "lym-mono_on", 4),
    C("graph", "rbcgraph_on", 5),
    C("graph", "pltgraph_on", 6),
    T("graph", "scatt_x", 18),
    T("graph", "scatt_y", 19),
    T("graph", "scatt2_x", 20),
    T("graph", "scatt2_y", 21),
    T("graph", "mono-poly_x", 22),
    T("graph", "mono-poly_y", 23),
    T("graph", "lym-mono_x", 24),
    T("graph", "lym-mono_y", 25),
    T("graph", "rbcgraph_x", 26),
    T("graph", "rbcgraph_y", 27),
    T("graph", "pltgraph_x", 28),
    T("graph", "pltgraph_y", 29),
    C("firma", "firma_on", 17),
    T("firma", "firma_x", 30),
    T("firma", "firma_y", 31),
    T("firma", "firma2_x", 67),
    T("firma", "firma2_y", 68),
    C("titolo", "titolo_on", 7),
    C("morfologia", "morf_on", 8),
    T("morfologia", "morf_x", 1),
    T("morfologia", "morf_y", 2),
    C("rbcleg", "rbcleg_on", 9),
    T("rbcleg", "rbcleg_x", 3),
    T("rbcleg", "rbcleg_y", 4),
    C("calcola", "calcola_on", 10),
    T("calcola", "calcola_x", 5),
    T("calcola", "calcola_y", 6),
    C("logo", "logo_on", 11),
    T("logo", "logo_x", 13),
    T("logo", "logo_y", 14),
    C("note", "note_on", 12),
    T("note", "note_x", 17),
    T("note", "note_y", 32),
    {"analisi", "ppar_x", 33, 0, 10, "ppar_X"},
    T("analisi", "ppar_y", 34),
    T("analisi", "par_x", 35),
    T("analisi", "unit_x", 36),
    T("analisi", "rif_x", 37),
    T("anag", "nome_x", 38),
    T("anag", "nome_y", 39),
    T("anag", "specName_x", 40),
    T("anag", "specName_y", 41),
    T("anag", "id_x", 42),
    T("anag", "id_y", 43),
    T("anag", "specId_x", 44),
    T("anag", "specId_y", 45),
    T("anag", "data_x", 46),
    T("anag", "data_y", 47),
    T("anag", "specDate_x", 48),
    T("anag", "specDate_y", 49),
    T("anag", "ddn_x", 50),
    T("anag", "ddn_y", 51),
    T("anag", "specddn_x", 52),
    T("anag", "specddn_y", 53),
    T("anag", "sex_x", 54),
    T("anag", "sex_y", 55),
    T("anag", "sesso_x", 56),
    T("anag", "sesso_y", 57),
    T("anag", "n_x", 58),
    T("anag", "n_y", 59),
    T("anag", "nrs_x", 60),
    T("anag", "nrs_y", 61),
    C("anag", "id_on", 13),
    C("anag", "data_on", 14),
    C("anag", "ddn_on", 15),
    C("anag", "sex_on", 16),
    C("anag", "n_on", 18),
    C("anag", "limit_on", 19),
    C("anag", "name_on", 20),
    T("anag", "limit_x", 62),
    T("anag", "limit_y", 63),
    T("anag", "limitval_x", 64),
    T("anag", "limitval_y", 65),
    {"anag", "limitnome", 66, 0, 255, nullptr, true},
    C("analisi", "valori_bold", 21, 16),
    C("anag", "seq_on", 22, 8),
    T("anag", "seq_x", 74),
    T("anag", "seq_y", 73),
    T("anag", "seqval_x", 72),
    T("anag", "seqval_y", 71),
    C("analisi", "pct-pdw", 23, 8),
};

// The file's number for a switch: 0 off, 1 on, 2 grayed.
QString switchText(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Checked: return QStringLiteral("1");
    case Qt::PartiallyChecked: return QStringLiteral("2");
    default: return QStringLiteral("0");
    }
}

// Anything but 0, 1 or 2 fails and leaves the box as it was (unchecked).
void showSwitch(QCheckBox* box, const QString& value) {
    const int32_t state = toInt32(value);
    if (state < 0 || state > 2)
        throw AppError(err::InvalidCall, QStringLiteral("Invalid property value"));
    // A grayed switch stays as stored until the user clicks it; a click then
    // only turns it on or off.
    box->setTristate(state == 2);
    box->setCheckState(state == 1 ? Qt::Checked : state == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

// A caption as part of a box's name: without its arrow, colon, mark or "(X,Y)".
QString bare(QString caption) {
    for (const char* noise : {"--->", "(X,Y)", "(X)", "*"})
        caption.remove(QLatin1String(noise));
    caption = caption.simplified();
    while (caption.endsWith(QLatin1Char(':')))
        caption.chop(1);
    return caption.trimmed();
}

}  // namespace

void sayNotSaved(const IniWrite& failed, const QString& text, const QString& window) {
    const QString where = failed.file + QStringLiteral(" [") + failed.section + QStringLiteral("] ") + failed.key;
    logerrore(err::PathFileAccess, QStringLiteral("Settings not saved: cannot write ") + where, window);
    const QString message = text.isEmpty() ? QStringLiteral("Impostazioni non salvate: impossibile scrivere %1") : text;
    msgBox(message.contains(QLatin1String("%1")) ? message.arg(where) : message + QLatin1Char('\n') + where,
           MsgButtons::OK, MsgIcon::Critical, appTitle());
}

referto::referto() : Form(QStringLiteral("referto")) {
    setupUi(this);
    numberControls();
    // The column captions a little smaller than the desktop's font, which a
    // form cannot say.
    QFont titleFont = font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 0.85);
    for (int i : {1, 8, 19, 22, 32, 33, 34, 35, 37, 38, 39, 40, 41, 42, 43, 44})
        Label[i]->setFont(titleFont);
    for (QCheckBox* box : Check) {
        if (!box)
            continue;
        connect(box, &QCheckBox::stateChanged, this, [box](int state) {
            if (state != Qt::PartiallyChecked)
                box->setTristate(false);
        });
    }
    connect(Command1, &QPushButton::clicked, this, [this] { guard([this] { Command1_Click(); }); });
    connect(Command2, &QPushButton::clicked, this, [this] { guard([this] { Command2_Click(); }); });
}

void referto::numberControls() {
    auto number = [this](auto& controls, const char* prefix) {
        using Control = std::remove_pointer_t<typename std::remove_reference_t<decltype(controls)>::value_type>;
        for (std::size_t i = 1; i < controls.size(); ++i)
            controls[i] = findChild<Control*>(QLatin1String(prefix) + QString::number(i));
    };
    number(Text, "Text");
    number(Check, "Check");
    number(Label, "Label");

    // Each box is named by its row caption and its column caption (0: none);
    // a column caption covers a pair of boxes.
    struct Row {
        int label;
        std::initializer_list<int> boxes;
    };
    auto nameBoxes = [this](std::initializer_list<int> columns, std::initializer_list<Row> rows) {
        for (const Row& row : rows) {
            std::size_t column = 0;
            for (int box : row.boxes) {
                boxRow_[std::size_t(box)] = row.label;
                boxColumn_[std::size_t(box)] = columns.begin()[column++ / 2];
            }
        }
    };
    nameBoxes({37}, {{6, {7, 8}}, {2, {9, 10}}, {3, {11, 12}}, {21, {69, 70}}});
    nameBoxes({34, 35}, {{25, {38, 39, 40, 41}},
                         {26, {42, 43, 44, 45}},
                         {27, {46, 47, 48, 49}},
                         {28, {50, 51, 52, 53}},
                         {29, {54, 55, 56, 57}},
                         {30, {58, 59, 60, 61}},
                         {23, {74, 73, 72, 71}},
                         {31, {62, 63, 64, 65}}});
    nameBoxes({39}, {{7, {1, 2}},
                     {15, {3, 4}},
                     {16, {5, 6}},
                     {17, {13, 14}},
                     {18, {17, 32}},
                     {4, {15, 16}},
                     {5, {30, 31}},
                     {20, {67, 68}}});
    nameBoxes({42}, {{9, {18, 19}}, {10, {20, 21}}, {11, {22, 23}}, {12, {24, 25}}, {13, {26, 27}}, {14, {28, 29}}});
    nameBoxes({19, 43, 44}, {{0, {33, 34, 35, 36, 37}}});
}

void referto::loadCaptions() {
    const QString lingua = windowLanguageFile();
    applyCaptions(this, lingua, kSection,
                  {{"", "titolo"},         {"Label6", "label6"},   {"Label2", "label2"},   {"Label3", "label3"},
                   {"Label21", "label21"}, {"Label25", "label25"}, {"Label26", "label26"}, {"Label27", "label27"},
                   {"Label28", "label28"}, {"Label29", "label29"}, {"Label30", "label30"}, {"Label23", "label23"},
                   {"Label24", "label24"}, {"Label31", "label31"}, {"Label7", "label7"},   {"Label15", "label15"},
                   {"Label16", "label16"}, {"Label17", "label17"}, {"Label18", "label18"}, {"Label4", "label4"},
                   {"Label5", "label5"},   {"Label20", "label20"}, {"Command1", "cmd1"},   {"Command2", "cmd2"}});
    msg1_ = caption(lingua, kSection, QStringLiteral("msg1"));
    msg2_ = caption(lingua, kSection, QStringLiteral("msg2"));
}

void referto::Form_Load() {
    ignoring([&] { loadCaptions(); });
    for (const LayoutKey& k : kKeys) {
        ignoring([&] {
            const QString value = leggiini(QLatin1String(k.section), QLatin1String(k.readAs ? k.readAs : k.key),
                                           file::printIni, k.buffer);
            if (k.text)
                Text[k.text]->setText(value);
            else
                showSwitch(Check[k.check], value);
        });
    }
}

std::vector<IniWrite> referto::pendingWrites() const {
    std::vector<IniWrite> writes;
    writes.reserve(std::size(kKeys));
    for (const LayoutKey& k : kKeys)
        writes.push_back({file::printIni, QLatin1String(k.section), QLatin1String(k.key),
                          k.text ? Text[k.text]->text() : switchText(Check[k.check])});
    return writes;
}

QString referto::boxName(int box, const char* key) const {
    QStringList parts;
    if (const int row = boxRow_[std::size_t(box)])
        parts << bare(Label[row]->text());
    QString column = bare(Label[boxColumn_[std::size_t(box)]]->text());
    column += QLatin1String(QByteArray(key).endsWith("_y") ? " Y" : " X");
    parts << column.trimmed();
    return parts.join(QStringLiteral(" - "));
}

bool referto::positionsAreNumbers() {
    // Every page reads these as numbers: one that is not would stop every
    // report, automatic ones included, until someone found it.
    for (const LayoutKey& k : kKeys) {
        if (!k.text || k.freeText)
            continue;
        QLineEdit* box = Text[k.text];
        if (ignoring([&] { (void)toDouble(box->text()); }))
            continue;
        const QString text = msg2_.isEmpty() ? QStringLiteral(
                                                   "%1: \"%2\" non è un numero. Scrivere una posizione "
                                                   "in cifre; nessuna impostazione è stata salvata.")
                                             : msg2_;
        msgBox(text.arg(boxName(k.text, k.key), box->text()), MsgButtons::OK, MsgIcon::Exclamation, appTitle());
        box->setFocus();
        box->selectAll();
        return false;
    }
    return true;
}

void referto::Command1_Click() {
    if (!positionsAreNumbers())
        return;
    // On a failed save the window stays open with what the user typed, so the save can be tried again.
    if (const std::optional<IniWrite> failed = writeKeys(pendingWrites())) {
        sayNotSaved(*failed, msg1_, formName());
        return;
    }
    Forms::unload(formName());
}

void referto::Command2_Click() { Forms::unload(formName()); }

}  // namespace zv
