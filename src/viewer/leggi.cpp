#include "viewer/leggi.h"

#include "viewer/searchsql.h"

#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QPainter>

#include "core/captions.h"
#include "core/config.h"
#include "core/notifier.h"
#include "core/programfiles.h"
#include "core/session.h"
#include "model/resultfields.h"
#include "model/resultselection.h"
#include "model/resultstore.h"
#include "platform/beep.h"
#include "platform/clock.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/keyfilter.h"
#include "platform/prompts.h"
#include "platform/refusal.h"
#include "viewer/resultprint.h"

namespace zv {

namespace {

const QString kSection = QStringLiteral("leggi");
constexpr int kRow = 22;

Label* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h = kRow - 2) {
    auto* label = new Label(QLatin1String(name), parent);
    label->setText(text);
    label->setGeometry(x, y, w, h);
    return label;
}

Label* valueLabel(QWidget* parent, const char* name, int x, int y, int w) {
    Label* label = makeLabel(parent, name, QString(), x, y, w);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setForeColor(Qt::black);
    return label;
}

QLineEdit* makeBox(QWidget* parent, const char* name, int x, int y, int w) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(x, y, w, kRow);
    return box;
}

// A caption drawn as a locked box, as the window was designed.
QLineEdit* captionBox(QWidget* parent, const char* name, const QString& text, int x, int y, int w) {
    QLineEdit* box = makeBox(parent, name, x, y, w);
    box->setText(text);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setFrame(false);
    QFont bold = box->font();
    bold.setBold(true);
    box->setFont(bold);
    // On the window's own background, which the search look changes.
    QPalette p = box->palette();
    p.setColor(QPalette::Base, Qt::transparent);
    box->setPalette(p);
    return box;
}

QPushButton* navButton(QWidget* parent, const char* name, const QString& tip, int x, int y, int w = 42, int h = 30) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(x, y, w, h);
    button->setToolTip(tip);
    QPalette p = button->palette();
    p.setColor(QPalette::Button, QColor(192, 192, 192));
    button->setPalette(p);
    return button;
}

void setBoxColour(QLineEdit* box, const QColor& colour) {
    QPalette p = box->palette();
    p.setColor(QPalette::Text, colour);
    box->setPalette(p);
}

QColor colourOf(RangeColour c) {
    switch (c) {
    case RangeColour::Blue: return QColor(0, 0, 255);
    case RangeColour::Red: return QColor(255, 0, 0);
    case RangeColour::Black: break;
    }
    return QColor(0, 0, 0);
}

// A flag as the alarm labels read it: its value as a 16-bit whole number;
// empty or unreadable is 0.
int16_t flagValue(const OptionalText& stored) {
    int16_t value = 0;
    if (stored && !ignoring([&] { value = toInt16(*stored, QLatin1Char('.')); }))
        value = 0;
    return value;
}

int16_t flagValue(const std::optional<int>& stored) {
    if (!stored || *stored < INT16_MIN || *stored > INT16_MAX)
        return 0;
    return int16_t(*stored);
}

// The key of an Enter press, main keyboard or keypad.
bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

}  // namespace

leggi::leggi() : Form(QString(kName)) {
    setWindowTitle(QStringLiteral("Visualizza Emocromi"));
    buildWindow();
    wire();
}

leggi::~leggi() = default;

void leggi::buildWindow() {
    setFixedSize(998, 732);

    // Patient and sample.
    Label64 = makeLabel(this, "Label64", QStringLiteral("ANAGRAFICA PAZIENTE"), 4, 0, 300);
    Text9 = captionBox(this, "Text9", QStringLiteral("ID."), 4, 22, 56);
    Text10 = makeBox(this, "Text10", 62, 22, 140);
    Text8 = captionBox(this, "Text8", QStringLiteral("SPECIE:"), 208, 22, 70);
    Text1 = makeBox(this, "Text1", 280, 22, 250);
    Text11 = captionBox(this, "Text11", QStringLiteral("SEQ."), 536, 22, 46);
    Text12 = makeBox(this, "Text12", 584, 22, 50);
    Text21 = captionBox(this, "Text21", QStringLiteral("DATA:"), 640, 22, 56);
    Text22 = makeBox(this, "Text22", 698, 22, 104);
    Text13 = captionBox(this, "Text13", QStringLiteral("DdN:"), 4, 48, 56);
    Text14 = makeBox(this, "Text14", 62, 48, 140);
    Text15 = captionBox(this, "Text15", QStringLiteral("SEX:"), 208, 48, 70);
    Text16 = makeBox(this, "Text16", 280, 48, 40);
    Text23 = captionBox(this, "Text23", QStringLiteral("LIMITE:"), 326, 48, 70);
    Text18 = makeBox(this, "Text18", 398, 48, 34);
    Text18->setMaxLength(2);
    Text19 = makeBox(this, "Text19", 436, 48, 180);
    Text19->setReadOnly(true);
    Text19->setFocusPolicy(Qt::NoFocus);
    Label69 = makeLabel(this, "Label69", QStringLiteral("Morfologia-Esame Microscopio-Annotazioni"), 4, 76, 290);
    Text17 = makeBox(this, "Text17", 296, 74, 506);

    // Charts, left to right WB2, WB1, RBC, PLT.
    MSChart3 = new HistogramChart(QStringLiteral("MSChart3"), chartColour(HistogramKind::WB2), this);
    MSChart4 = new HistogramChart(QStringLiteral("MSChart4"), chartColour(HistogramKind::WB1), this);
    MSChart2 = new HistogramChart(QStringLiteral("MSChart2"), chartColour(HistogramKind::RBC), this);
    MSChart1 = new HistogramChart(QStringLiteral("MSChart1"), chartColour(HistogramKind::PLT), this);
    const std::pair<HistogramChart*, const char*> charts[] = {{MSChart3, "Istogramma WBC (Mono-Poly)"},
                                                              {MSChart4, "Istogramma WBC (nWbc-Lym-Mono)"},
                                                              {MSChart2, "Istogramma RBC"},
                                                              {MSChart1, "Istogramma PLT"}};
    int x = 4;
    for (const auto& [chart, tip] : charts) {
        chart->setGeometry(x, 106, 194, 137);
        chart->setToolTip(QString::fromUtf8(tip));
        x += 200;
    }

    // Scattergram: dots above, template below.
    const QSize picture(twipsToPixels(2700), twipsToPixels(1695));
    Picture1 = new PictureBox(QStringLiteral("Picture1"), picture, this);
    Picture1->move(810, 16);
    Picture2 = new PictureBox(QStringLiteral("Picture2"), picture, this);
    Picture2->move(810, 144);
    Picture1->canvas().fill(Qt::white);
    Picture2->canvas().fill(Qt::white);

    // White cells and the differential.
    const int a = 4, top = 262;
    makeLabel(this, "Label1", QStringLiteral("WBC:"), a, top, 76);
    Label11 = valueLabel(this, "Label11", a + 78, top, 56);
    makeLabel(this, "Label85", QStringLiteral("K/ul"), a + 138, top, 36);
    Label79 = makeLabel(this, "Label79", QString(), a + 176, top, 100);
    struct Row {
        const char* caption;
        const char* captionText;
        Label** value;
        const char* valueName;
        Label** range;
        const char* rangeName;
    };
    const Row differential[] = {{"Label10", "Neu.Seg %", &Label27, "Label27", &Label80, "Label80"},
                                {"Label102", "Neu.Band %", &Label103, "Label103", &Label104, "Label104"},
                                {"Label18", "Lym %", &Label28, "Label28", &Label81, "Label81"},
                                {"Label19", "Mono %", &Label29, "Label29", &Label82, "Label82"},
                                {"Label21", "Eos %", &Label30, "Label30", &Label83, "Label83"},
                                {"Label20", "Baso %", &Label31, "Label31", &Label84, "Label84"}};
    int y = top + 34;
    for (const Row& r : differential) {
        makeLabel(this, r.caption, QString::fromUtf8(r.captionText), a, y, 76);
        *r.value = valueLabel(this, r.valueName, a + 78, y, 56);
        *r.range = makeLabel(this, r.rangeName, QString(), a + 176, y, 100);
        y += 24;
    }
    // The absolute counts share the place of the differential's ranges.
    struct Count {
        Label** caption;
        const char* captionName;
        const char* text;
        Label** value;
        const char* valueName;
    };
    const Count counts[] = {{&Label32, "Label32", "--->   Segm", &Label38, "Label38"},
                            {&Label105, "Label105", "--->   Band", &Label106, "Label106"},
                            {&Label34, "Label34", "--->   Lym", &Label33, "Label33"},
                            {&Label35, "Label35", "--->   Mono", &Label39, "Label39"},
                            {&Label36, "Label36", "--->   Eos", &Label40, "Label40"},
                            {&Label37, "Label37", "--->   Baso", &Label41, "Label41"}};
    y = top + 34;
    for (const Count& c : counts) {
        *c.caption = makeLabel(this, c.captionName, QString::fromUtf8(c.text), a + 176, y, 72);
        *c.value = valueLabel(this, c.valueName, a + 248, y, 40);
        (*c.caption)->hide();
        (*c.value)->hide();
        y += 24;
    }

    // Red cells.
    const int b = 292;
    const Row red[] = {{"Label2", "RBC:", &Label13, "Label13", &Label56, "Label56"},
                       {"Label3", "HGB:", &Label12, "Label12", &Label71, "Label71"},
                       {"Label17", "HCT:", &Label8, "Label8", &Label72, "Label72"},
                       {"Label4", "MCV:", &Label14, "Label14", &Label73, "Label73"},
                       {"Label22", "MCH:", &Label9, "Label9", &Label74, "Label74"},
                       {"Label23", "MCHC:", &Label25, "Label25", &Label75, "Label75"},
                       {"Label24", "RDW:", &Label26, "Label26", &Label76, "Label76"}};
    const char* redUnits[][2] = {{"Label86", "M/ul"}, {"Label87", "g/dl"}, {"Label88", "%"}, {"Label89", "fl"},
                                 {"Label44", "pg"},   {"Label57", "g/dl"}, {"Label68", "%"}};
    y = top;
    for (std::size_t i = 0; i < std::size(red); ++i) {
        makeLabel(this, red[i].caption, QString::fromUtf8(red[i].captionText), b, y, 60);
        *red[i].value = valueLabel(this, red[i].valueName, b + 62, y, 56);
        makeLabel(this, redUnits[i][0], QString::fromUtf8(redUnits[i][1]), b + 122, y, 40);
        *red[i].range = makeLabel(this, red[i].rangeName, QString(), b + 164, y, 96);
        y += 24;
    }
    makeLabel(this, "Label70", QStringLiteral("Ret %:"), b, y, 60);
    Text25 = makeBox(this, "Text25", b + 62, y, 56);
    Text25->setAlignment(Qt::AlignRight);
    makeLabel(this, "Label92", QStringLiteral("%"), b + 122, y, 40);
    Label95 = makeLabel(this, "Label95", QString(), b + 164, y, 96);
    y += 24;
    makeLabel(this, "Label7", QStringLiteral("Ret #:"), b, y, 60);
    Label94 = valueLabel(this, "Label94", b + 62, y, 56);
    makeLabel(this, "Label93", QStringLiteral("M/ul"), b + 122, y, 40);

    // Platelets.
    const int c = 558;
    const Row platelets[] = {{"Label5", "PLT:", &Label15, "Label15", &Label77, "Label77"},
                             {"Label6", "MPV:", &Label16, "Label16", &Label78, "Label78"}};
    const char* pltUnits[][2] = {{"Label90", "K/ul"}, {"Label91", "fl"}};
    y = top;
    for (std::size_t i = 0; i < std::size(platelets); ++i) {
        makeLabel(this, platelets[i].caption, QString::fromUtf8(platelets[i].captionText), c, y, 50);
        *platelets[i].value = valueLabel(this, platelets[i].valueName, c + 52, y, 56);
        makeLabel(this, pltUnits[i][0], QString::fromUtf8(pltUnits[i][1]), c + 112, y, 56);
        *platelets[i].range = makeLabel(this, platelets[i].rangeName, QString(), c + 170, y, 74);
        y += 24;
    }
    makeLabel(this, "Label42", QStringLiteral("PCT:"), c, y, 50);
    Label54 = valueLabel(this, "Label54", c + 52, y, 56);
    makeLabel(this, "Label98", QStringLiteral("%"), c + 112, y, 56);
    y += 24;
    makeLabel(this, "Label43", QStringLiteral("PDW:"), c, y, 50);
    Label55 = valueLabel(this, "Label55", c + 52, y, 56);
    makeLabel(this, "Label97", QStringLiteral("10 {GSD}"), c + 112, y, 56);

    // Alarms under the red cells.
    auto alarm = [this](const char* name, const char* text, const QColor& fore, std::optional<QColor> back, int ax,
                        int ay, int w) {
        Label* label = makeLabel(this, name, QString::fromUtf8(text), ax, ay, w);
        label->setForeColor(fore);
        if (back)
            label->setBackColor(*back);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        label->hide();
        return label;
    };
    const QColor redText(255, 0, 0), orange(255, 128, 0), white(255, 255, 255), darkRed(192, 0, 0), pink(255, 192, 192),
        lightYellow(255, 255, 192);
    y = 518;
    Label65 = alarm("Label65", "E R R O R I :", redText, std::nullopt, b, y, 100);
    Label52 = alarm("Label52", "ASPIRAZIONE !", redText, std::nullopt, b + 102, y, 122);
    Label67 = alarm("Label67", "WBC FLOW/CLOG !", redText, std::nullopt, b + 228, y, 136);
    Label66 = alarm("Label66", "RBC FLOW/CLOG !", redText, std::nullopt, b + 368, y, 136);
    y += 22;
    const int w = 510;
    Label45 = alarm("Label45", "Bande", orange, white, b, y, w);
    Label46 = alarm("Label46", "Granulociti Immaturi", orange, white, b, y += 20, w);
    Label48 = alarm("Label48", "Variazione Linfocitaria", QColor(0, 0, 255), white, b, y += 20, w);
    Label47 = alarm("Label47", "Blasti", QColor(255, 0, 255), white, b, y += 20, w);
    Label49 = alarm("Label49", "Possibile presenza di Globuli Rossi Nucleati (NRBC)", darkRed, pink, b, y += 20, w);
    Label50 = alarm("Label50", "Possibile presenza di Globuli Rossi Resistenti (RRBC)", darkRed, pink, b, y += 20, w);
    Label51 = alarm("Label51", "Interferenze in lettura Formula", palette().color(QPalette::ButtonText), white, b,
                    y += 20, w);
    Label53 = alarm("Label53", "Interferenze nella lettura delle Piastrine (LRI/URI/LURI)", QColor(0, 192, 0),
                    lightYellow, b, y += 20, w);
    Label58 = alarm("Label58", "Numero significativo di cellule escluse dalla conta WBC", QColor(0, 128, 128),
                    lightYellow, b, y += 20, w);

    // Navigation at the right.
    const int n = 810;
    Label59 = makeLabel(this, "Label59", QStringLiteral("NAVIGAZIONE"), n, 272, 180);
    Label59->setAlignment(Qt::AlignCenter);
    Command3 = navButton(this, "Command3", QStringLiteral("Torna al primo record"), n, 294);
    Command2 = navButton(this, "Command2", QStringLiteral("record precedente"), n + 46, 294);
    Command1 = navButton(this, "Command1", QStringLiteral("Record Succesivo"), n + 92, 294);
    Command4 = navButton(this, "Command4", QStringLiteral("Vai all'ultimo record"), n + 138, 294);
    const std::pair<Label**, const char*> steps[] = {
        {&Label60, "PRIMO"}, {&Label61, "PREC."}, {&Label62, "SUCC."}, {&Label63, "ULTIMO"}};
    const char* stepNames[] = {"Label60", "Label61", "Label62", "Label63"};
    for (int i = 0; i < 4; ++i) {
        *steps[i].first = makeLabel(this, stepNames[i], QString::fromUtf8(steps[i].second), n + 46 * i - 2, 326, 46);
        (*steps[i].first)->setAlignment(Qt::AlignCenter);
        QFont small = (*steps[i].first)->font();
        small.setPointSizeF(small.pointSizeF() * 0.8);
        (*steps[i].first)->setFont(small);
    }
    Command12 = navButton(this, "Command12", QStringLiteral("Vai al Record..."), n, 352, 42, 26);
    Text20 = makeBox(this, "Text20", n + 46, 354, 62);
    Text24 = makeBox(this, "Text24", n + 112, 354, 68);
    Text24->setReadOnly(true);
    Text24->setFocusPolicy(Qt::NoFocus);
    Label96 = makeLabel(this, "Label96", QStringLiteral("STAMPA"), n, 460, 180);
    Label96->setAlignment(Qt::AlignCenter);
    Command13 = navButton(this, "Command13", QString(), n + 69, 482);
    Label101 = makeLabel(this, "Label101", QStringLiteral("AGGIORNA"), n, 392, 180);
    Label101->setAlignment(Qt::AlignCenter);
    Command16 = navButton(this, "Command16", QString(), n + 69, 414);
    Command16->hide();
    for (QPushButton* button : {Command3, Command2, Command1, Command4, Command12, Command13, Command16})
        button->setIconSize(QSize(24, 20));

    buildEditing();
}

void leggi::buildEditing() {
    // Each edit box covers the value it edits, a little larger than it.
    auto over = [this](const char* name, Label* value) {
        QLineEdit* box = makeBox(this, name, value->x() - 2, value->y() - 1, value->width() + 4);
        box->setAlignment(Qt::AlignRight);
        box->hide();
        return box;
    };
    Text28 = over("Text28", Label13);
    Text29 = over("Text29", Label12);
    Text30 = over("Text30", Label8);
    Text31 = over("Text31", Label14);
    Text32 = over("Text32", Label9);
    Text33 = over("Text33", Label25);
    Text34 = over("Text34", Label26);
    Text26 = over("Text26", Label15);
    Text27 = over("Text27", Label16);
    Text2 = over("Text2", Label27);
    Text3 = over("Text3", Label28);
    Text4 = over("Text4", Label29);
    Text5 = over("Text5", Label30);
    Text6 = over("Text6", Label31);
    Text7 = over("Text7", Label11);
    Text35 = over("Text35", Label103);

    auto button = [this](const char* name, const QString& text, int x, int y, int w) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(x, y, w, 26);
        return b;
    };
    // Under each group's values; a group's saving buttons take the place of
    // its opening button, so each "Salva" stands under what it saves.
    const int x = 4, w = 280;
    Command6 = button("Command6", QStringLiteral("Modifica Valori Globuli Bianchi"), x, 452, w);
    Command8 = button("Command8", QStringLiteral("Salva"), x, 452, w / 2 - 2);
    Command7 = button("Command7", QStringLiteral("-->100"), x + w / 2 + 2, 452, w / 2 - 2);
    Command9 = button("Command9", QStringLiteral("Visualizza Valori Assoluti Formula"), x, 486, w);
    Command10 = button("Command10", QStringLiteral("Nascondi Valori Assoluti Formula"), x, 486, w);
    Command15 = button("Command15", QStringLiteral("Modifica Valori Globuli Rossi"), 292, 482, 260);
    Command11 = button("Command11", QStringLiteral("Salva"), 292, 482, 260);
    Command14 = button("Command14", QStringLiteral("Modifica Valori Piastrine"), 558, 376, 244);
    Command5 = button("Command5", QStringLiteral("Salva"), 558, 376, 244);
    for (QPushButton* b : {Command8, Command7, Command11, Command5, Command10})
        b->hide();

    Text10->resize(Text10->width() - 20, Text10->height());
    Text1->resize(Text1->width() - 20, Text1->height());
    auto picture = [this](const char* name, const QLineEdit* box) {
        auto* image = new Label(QLatin1String(name), this);
        image->setGeometry(box->geometry().right() + 2, box->y() + 2, 18, 18);
        image->setScaledContents(true);
        image->setToolTip(QStringLiteral("Ricerca precedenti storici"));
        image->setCursor(Qt::PointingHandCursor);
        return image;
    };
    Image1 = picture("Image1", Text10);
    Image2 = picture("Image2", Text1);
    Check1 = new QCheckBox(QStringLiteral("Corrispondenza Ricerca"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(622, 48, 180, kRow);
    Check1->setToolTip(QStringLiteral("Corrispondenza ricerca esatta"));

    Text16->setMaxLength(1);
    Text14->setToolTip(QStringLiteral("Formato Data: gg/mm/aaaa"));
    Text17->setMaxLength(255);

    for (auto [box, field] : std::initializer_list<std::pair<QLineEdit*, const char*>>{{Text28, "rbc"},
                                                                                       {Text29, "hgb"},
                                                                                       {Text31, "mcv"},
                                                                                       {Text30, "hct"},
                                                                                       {Text32, "mch"},
                                                                                       {Text33, "mchc"},
                                                                                       {Text34, "rdw"}})
        red_.bind(box, QLatin1String(field), FieldKind::Number);
    plt_.bind(Text26, QStringLiteral("plt"), FieldKind::Number);
    plt_.bind(Text27, QStringLiteral("mpv"), FieldKind::Number);
    for (auto [box, field] : std::initializer_list<std::pair<QLineEdit*, const char*>>{{Text2, "Neu%"},
                                                                                       {Text3, "lym%"},
                                                                                       {Text4, "mono%"},
                                                                                       {Text5, "EOS%"},
                                                                                       {Text6, "baso%"},
                                                                                       {Text7, "wbc"},
                                                                                       {Text35, "Bandati"}})
        wbc_.bind(box, QLatin1String(field), FieldKind::Number);
}

void leggi::wire() {
    connect(Command1, &QPushButton::clicked, this, [this] { guard([this] { Command1_Click(); }); });
    connect(Command2, &QPushButton::clicked, this, [this] { guard([this] { Command2_Click(); }); });
    connect(Command3, &QPushButton::clicked, this, [this] { guard([this] { Command3_Click(); }); });
    connect(Command4, &QPushButton::clicked, this, [this] { guard([this] { Command4_Click(); }); });
    connect(Command12, &QPushButton::clicked, this, [this] { guard([this] { Command12_Click(); }); });
    connect(Command16, &QPushButton::clicked, this, [this] { guard([this] { Command16_Click(); }); });
    connect(Command13, &QPushButton::clicked, this, [this] { guard([this] { Command13_Click(); }); });
    connect(MSChart3, &HistogramChart::clicked, this, [this] { guard([this] { MSChart3_Click(); }); });
    connect(MSChart4, &HistogramChart::clicked, this, [this] { guard([this] { MSChart4_Click(); }); });
    connect(&notifier(), &Notifier::resultStored, this, [this] { Command16->show(); });
    connect(Command15, &QPushButton::clicked, this, [this] { guard([this] { Command15_Click(); }); });
    connect(Command11, &QPushButton::clicked, this, [this] { guard([this] { Command11_Click(); }); });
    connect(Command14, &QPushButton::clicked, this, [this] { guard([this] { Command14_Click(); }); });
    connect(Command5, &QPushButton::clicked, this, [this] { guard([this] { Command5_Click(); }); });
    connect(Command6, &QPushButton::clicked, this, [this] { guard([this] { Command6_Click(); }); });
    connect(Command8, &QPushButton::clicked, this, [this] { guard([this] { Command8_Click(); }); });
    connect(Command7, &QPushButton::clicked, this, [this] { guard([this] { Command7_Click(); }); });
    connect(Command9, &QPushButton::clicked, this, [this] { guard([this] { Command9_Click(); }); });
    connect(Command10, &QPushButton::clicked, this, [this] { guard([this] { Command10_Click(); }); });
    connect(Image1, &Label::clicked, this, [this] { guard([this] { Image1_Click(); }); });
    connect(Image2, &Label::clicked, this, [this] { guard([this] { Image2_Click(); }); });
    for (QLineEdit* box : {Text18, Text20, Text25, Text10, Text1, Text16, Text14, Text17})
        box->installEventFilter(this);
    // What the value boxes leave is checked at the save.
    auto* valueFilter = new CharacterFilter(this, [this](QChar typed) {
        const char16_t code = typed.unicode();
        return code == 188 || (separatorCode_ != 0 && code == char16_t(separatorCode_)) ||
               (code >= u'0' && code <= u'9');
    });
    for (QLineEdit* box : valueBoxes())
        valueFilter->watch(box);
}

std::vector<QLineEdit*> leggi::valueBoxes() const {
    return {Text28, Text29, Text30, Text31, Text32, Text33, Text34, Text26,
            Text27, Text2,  Text3,  Text4,  Text5,  Text6,  Text7};
}

bool leggi::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto& keyEvent = *static_cast<QKeyEvent*>(event);
        const int key = keyEvent.key();
        if (isEnter(key)) {
            if (watched == Text10)
                guard([this] { patientEnter(Text10, QStringLiteral("SpecId"), Text1); });
            else if (watched == Text1)
                guard([this] { patientEnter(Text1, QStringLiteral("SpecName"), Text18); });
            else if (watched == Text16)
                guard([this] { patientEnter(Text16, QStringLiteral("sesso"), Text14); });
            else if (watched == Text14)
                guard([this] { patientEnter(Text14, QStringLiteral("DdN"), Command1); });
            else if (watched == Text17)
                guard([this] { patientEnter(Text17, QStringLiteral("note"), Text17); });
        }
        if (watched == Text18)
            guard([this, key] { Text18_KeyPress(key); });
        else if (watched == Text20)
            guard([this, key] { Text20_KeyPress(key); });
        else if (watched == Text25)
            guard([this, key] { Text25_KeyPress(key); });
    }
    // Every key reaches its box.
    return Form::eventFilter(watched, event);
}

void leggi::loadCaptions() {
    const QString lingua = Session::get().linguax;
    msg1_ = caption(lingua, kSection, QStringLiteral("msg1"));
    applyCaptions(this, lingua, kSection,
                  {{"", "titolo"},         {"Text9", "text9"},     {"Text8", "text8"},     {"Text23", "text23"},
                   {"Text13", "text13"},   {"Text21", "text21"},   {"Label45", "label45"}, {"Label46", "label46"},
                   {"Label47", "label47"}, {"Label48", "label48"}, {"Label51", "label51"}, {"Label49", "label49"},
                   {"Label50", "label50"}, {"Label53", "label53"}, {"Label58", "label58"}, {"Label64", "label64"},
                   {"Label69", "label69"}, {"Label59", "label59"}, {"Label60", "label60"}, {"Label61", "label61"},
                   {"Label62", "label62"}, {"Label63", "label63"}, {"Label96", "label96"}, {"Label101", "label101"},
                   {"Label65", "label65"}, {"Label52", "label52"}, {"Label66", "label66"}, {"Label67", "label67"},
                   {"Check1", "chk1"},     {"Command9", "cmd9"},   {"Command8", "cmd8"},   {"Command10", "cmd10"},
                   {"Command6", "cmd6"},   {"Command15", "cmd15"}, {"Command11", "cmd11"}, {"Command14", "cmd14"},
                   {"Command5", "cmd5"}});
    msg2_ = caption(lingua, kSection, QStringLiteral("msg2"));
    msg3_ = caption(lingua, kSection, QStringLiteral("msg3"));
    // The caption boxes are boxes: their text is their caption.
    const std::pair<QLineEdit*, const char*> boxes[] = {
        {Text9, "text9"}, {Text8, "text8"}, {Text23, "text23"}, {Text13, "text13"}, {Text21, "text21"}};
    for (const auto& [box, key] : boxes)
        box->setText(caption(lingua, kSection, QLatin1String(key)));
}

void leggi::Form_Load() {
    Session& s = Session::get();
    s.statoformleggi = true;
    emit notifier().windowOpened(formName(), true);
    decimal_ = configuredDecimalMark();
    ignoring([&] {
        const QString mark = leggiini(QStringLiteral("separatore"), QStringLiteral("decimale"), file::generalIni, 8);
        if (mark == QLatin1String("."))
            separatorCode_ = 46;
        else if (mark == QLatin1String(","))
            separatorCode_ = 44;
    });
    const std::pair<QWidget*, const char*> pictures[] = {
        {Command1, "avanti.gif"}, {Command2, "indietro.gif"}, {Command3, "inizio.gif"},  {Command4, "fine.gif"},
        {Command12, "goto2.gif"}, {Command16, "refresh.gif"}, {Command13, "printer.ico"}};
    for (const auto& entry : pictures)
        ignoring([&, button = entry.first, file = entry.second] {
            const QIcon icon(programFolder() + QStringLiteral("/immagini/") + QLatin1String(file));
            if (!icon.availableSizes().isEmpty())
                static_cast<QPushButton*>(button)->setIcon(icon);
        });
    ignoring([&] { loadCaptions(); });
    Command16->hide();

    red_.setDecimalMark(decimal_);
    plt_.setDecimalMark(decimal_);
    wbc_.setDecimalMark(decimal_);
    ignoring([&] {
        const QIcon search(programFolder() + QStringLiteral("/immagini/search.ico"));
        if (!search.availableSizes().isEmpty())
            for (Label* image : {Image1, Image2})
                image->setPixmap(search.pixmap(18, 18));
    });

    // The source, chosen once for as long as the window stays open (a search
    // handed over later replaces it: reloadSearch).
    searchMode_ = s.leggiOricerca != 0;
    int64_t count = 0;
    const bool found = openSource(rs_, count);
    if (searchMode_)
        applySearchLook();
    if (!found) {
        closeEmpty();
        return;
    }
    Text24->setText(QString::number(count));
    ignoring([&] { rs_.moveFirst(); });
    display();
    s.leggiOricerca = 0;
}

bool leggi::openSource(Recordset& rs, int64_t& count) const {
    Session& s = Session::get();
    const bool opened = ignoring([&] {
        if (searchMode_) {
            rs.open(s.cntot, s.queryricerca);
        } else if (s.dbtotal) {
            const Selection day = daySelection(s.workDate());
            rs.open(s.cntot, selectionQuery(day), day.params);
        } else {
            rs.open(s.cn, QStringLiteral("select * from datiQgrafici order by ID1"));
        }
    });
    count = 0;
    return opened && ignoring([&] { count = rs.recordCount(); }) && count > 0;
}

void leggi::applySearchLook() {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(255, 255, 192));
    setPalette(p);
    for (QPushButton* button : {Command6, Command15, Command14})
        button->hide();
    for (QLineEdit* box : {Text10, Text1, Text18, Text16, Text14, Text17})
        box->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{Image1, Image2, Check1})
        w->hide();
}

void leggi::reloadSearch() {
    Session& s = Session::get();
    const bool wasSearch = searchMode_;
    searchMode_ = true;
    Recordset found;
    int64_t count = 0;
    const bool any = openSource(found, count);
    s.leggiOricerca = 0;
    if (!any) {
        // Nothing found: the rows shown stay, and so does the way they are shown.
        searchMode_ = wasSearch;
        msgBox(msg1_, MsgButtons::OK, MsgIcon::Information, appTitle());
        return;
    }
    closeGroups();
    // A white-cell chart clicked away before the search comes back, as at a load.
    for (HistogramChart* chart : {MSChart1, MSChart2, MSChart3, MSChart4})
        chart->show();
    rs_ = std::move(found);
    applySearchLook();
    Command16->hide();
    Text24->setText(QString::number(count));
    ignoring([&] { rs_.moveFirst(); });
    display();
}

void leggi::closeGroups() {
    for (QLineEdit* box : valueBoxes())
        box->hide();
    Text35->hide();
    for (QPushButton* b : {Command11, Command5, Command8, Command7, Command10})
        b->hide();
    for (QPushButton* b : {Command15, Command14, Command6, Command9})
        b->show();
    redOpen_ = pltOpen_ = wbcOpen_ = false;
    if (countsShown_) {
        nascondi_val();
        for (Label* range : {Label80, Label104, Label81, Label82, Label83, Label84})
            range->show();
        countsShown_ = false;
    }
    updateNavigation();
}

void leggi::closeEmpty() {
    msgBox(msg1_, MsgButtons::OK, MsgIcon::Information, appTitle());
    if (Session* s = Session::current())
        s->leggiOricerca = 0;
    Forms::unload(formName());
}

void leggi::Form_Unload(bool&) {
    rs_.close();
    rangeSet_.reset();
    emit notifier().windowOpened(formName(), false);
    if (Session* s = Session::current())
        s->statoformleggi = false;
}

void leggi::nascondi_alrm() {
    for (Label* label : {Label65, Label45, Label46, Label47, Label48, Label49, Label50, Label51, Label52, Label53,
                         Label58, Label66, Label67})
        label->hide();
}

void leggi::nascondi_val() {
    for (Label* label :
         {Label32, Label33, Label34, Label35, Label36, Label37, Label38, Label39, Label40, Label41, Label105, Label106})
        label->hide();
}

void leggi::populate() {
    nascondi_alrm();
    nascondi_val();
    // A result that cannot be read shows as an empty one: nothing of the
    // result shown before may stay on the window.
    ResultRecord r;
    ignoring([&] { r = readResult(rs_); });
    auto text = [](const OptionalText& t) { return t.value_or(QString()); };
    auto number = [this](const std::optional<double>& v) { return v ? numberText(*v, decimal_) : QString(); };
    using P = ResultParameter;
    Text1->setText(text(r.specName));
    Text22->setText(text(r.date));
    QString position;
    ignoring([&] { position = QString::number(rs_.absolutePosition()); });
    Text20->setText(position);
    for (const ParameterControls& c : parameterControls())
        if (c.value)
            c.value->setText(number(r.value(c.parameter)));
    Text10->setText(text(r.specId));
    Text12->setText(text(r.seq));
    Text17->setText(text(r.note));
    Text18->setText(r.Limits ? QString::number(*r.Limits) : QString());
    Text25->setText(number(r.value(P::ret)));
    const auto& rbc = r.value(P::RBC);
    const auto& ret = r.value(P::ret);
    Label94->setText(rbc && ret ? numberText(roundHalfEven(*rbc * *ret / 100, 2), decimal_) : QString());
    Text14->setText(text(r.DdN));
    Text16->setText(text(r.sesso));

    const AlarmFlags& f = r.flags;
    const int16_t samplerror = flagValue(f.SamplError), band = flagValue(f.Band), ig = flagValue(f.IG),
                  varlym = flagValue(f.VarLym), blast = flagValue(f.Blast), nrbc = flagValue(f.NRBC),
                  rrbc = flagValue(f.RRBC), dflt = flagValue(f.DFLT), uri = flagValue(f.URI), lri = flagValue(f.LRI),
                  nwbc = flagValue(f.NWBC), wicerror = flagValue(f.WicError), rbcerror = flagValue(f.RbcError);
    Label65->setVisible(samplerror == 1 || wicerror == 1 || rbcerror == 1);
    Label52->setVisible(samplerror == 1);
    Label45->setVisible(band == 1);
    Label46->setVisible(ig == 1);
    Label48->setVisible(varlym == 1);
    Label47->setVisible(blast == 1);
    Label49->setVisible(nrbc == 1);
    Label50->setVisible(rrbc == 1);
    Label51->setVisible(dflt == 1);
    Label53->setVisible((uri | lri) == 1);
    Label58->setVisible(nwbc == 1);
    Label67->setVisible(wicerror == 1 || wicerror == 2);
    Label66->setVisible(rbcerror == 1 || rbcerror == 2);

    showCharts(r);
    drawScattergram(r);
}

void leggi::showCharts(const ResultRecord& r) {
    const std::pair<HistogramChart*, HistogramKind> charts[] = {{MSChart1, HistogramKind::PLT},
                                                                {MSChart2, HistogramKind::RBC},
                                                                {MSChart3, HistogramKind::WB2},
                                                                {MSChart4, HistogramKind::WB1}};
    for (const auto& [chart, kind] : charts) {
        const Histogram& h = r.histogram(kind);
        // Channel 002 is stored but never shown: bar 1 is channel 006.
        for (int bar = 0; bar < kChartBars; ++bar)
            chart->setBar(bar, h.channels[std::size_t(bar + 1)]);
    }
}

void leggi::drawScattergram(const ResultRecord& r) {
    const scatter::Input in = scatter::inputOf(r);

    const QColor windowText = palette().color(QPalette::WindowText);
    {
        QImage& canvas = Picture2->canvas();
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        // The template's pen is left on the last name's colour, which the
        // next frame takes.
        scatter::drawTemplate(painter, QRectF(canvas.rect()), templateDrawn_ ? QColor(255, 0, 255) : windowText);
        templateDrawn_ = true;
    }
    {
        QImage& canvas = Picture1->canvas();
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        scatter::drawFrame(painter, QRectF(canvas.rect()), windowText);
        dotDraws_.clear();
        scatter::drawDots(painter, QRectF(canvas.rect()), in, [this] {
            const double r = clock::rnd();
            dotDraws_.push_back(r);
            return r;
        });
    }
    Picture1->update();
    Picture2->update();
}

void leggi::verifica_limiti() {
    const auto controls = parameterControls();
    for (const ParameterControls& c : controls) {
        if (!c.range)
            continue;
        c.range->clear();
        if (c.value)
            c.value->setForeColor(Qt::black);
    }
    setBoxColour(Text25, Qt::black);
    Text19->clear();
    rangeSet_.reset();

    const ResultRecord r = readResult(rs_);
    rangeSet_ = findRangeSet(Session::get().cnlimit, r.Limits, Text10->text(), Text1->text(), decimal_);
    if (!rangeSet_)
        return;
    Text19->setText(rangeSet_->valori);
    for (const ParameterControls& c : controls) {
        if (!c.range)
            continue;
        const RangeLimits& limits = rangeSet_->of(c.parameter);
        c.range->setText(rangeText(limits, decimal_));
        const QColor colour = colourOf(judge(r.value(c.parameter), limits));
        if (c.value)
            c.value->setForeColor(colour);
        else
            setBoxColour(Text25, colour);
    }
}

std::array<leggi::ParameterControls, kParameterCount> leggi::parameterControls() const {
    using P = ResultParameter;
    return {{
        {P::WBC, Label11, Label79},       {P::neu, Label27, Label80}, {P::lym, Label28, Label81},
        {P::mono, Label29, Label82},      {P::eos, Label30, Label83}, {P::baso, Label31, Label84},
        {P::bandati, Label103, Label104}, {P::RBC, Label13, Label56}, {P::HGB, Label12, Label71},
        {P::HCT, Label8, Label72},        {P::MCV, Label14, Label73}, {P::MCH, Label9, Label74},
        {P::MCHC, Label25, Label75},      {P::RDW, Label26, Label76}, {P::ret, nullptr, Label95},
        {P::PLT, Label15, Label77},       {P::MPV, Label16, Label78}, {P::PCT, Label54, nullptr},
        {P::PDW, Label55, nullptr},
    }};
}

void leggi::display() {
    populate();
    verifica_limiti();
}

void leggi::focusSampleId() {
    if (!Text10->isEnabled())
        return;
    Text10->setFocus();
    Text10->setCursorPosition(int(Text10->text().size()));
}

void leggi::Command1_Click() {
    if (navigationLocked())
        return;
    moveNextOrBeep(rs_);
    display();
    focusSampleId();
}

void leggi::Command2_Click() {
    if (navigationLocked())
        return;
    movePreviousOrBeep(rs_);
    display();
    focusSampleId();
}

void leggi::Command3_Click() {
    if (navigationLocked())
        return;
    rs_.moveFirst();
    display();
    focusSampleId();
}

void leggi::Command4_Click() {
    if (navigationLocked())
        return;
    rs_.moveLast();
    display();
    focusSampleId();
}

std::optional<int64_t> leggi::typedPosition() const {
    int64_t n = 0;
    // A whole number, no decimals: "2.5" names no result.
    bool ok = false;
    n = Text20->text().trimmed().toLongLong(&ok);
    if (!ok || n < 1 || n > rs_.recordCount())
        return std::nullopt;
    return n;
}

void leggi::goTo(int64_t position) {
    rs_.setAbsolutePosition(position);
    display();
}

void leggi::Command12_Click() {
    if (navigationLocked())
        return;
    if (const auto n = typedPosition())
        goTo(*n);
}

void leggi::Text20_KeyPress(int key) {
    if (isEnter(key) && !navigationLocked())
        Command12_Click();
}

void leggi::Command16_Click() {
    if (navigationLocked())
        return;
    bool ok = false;
    const int64_t p = Text20->text().trimmed().toLongLong(&ok);
    if (!ok || p < 1) {
        refuseBox(Text20, msg3_ + QStringLiteral(" \"") + Text20->text() + QLatin1Char('"'));
        return;
    }
    rs_.requery();
    const int64_t count = rs_.recordCount();
    Text24->setText(QString::number(count));
    Command16->hide();
    if (count == 0) {
        closeEmpty();
        return;
    }
    rs_.setAbsolutePosition(std::min(p, count));
    display();
}

void leggi::Command13_Click() { parstampa(); }

void leggi::parstampa() {
    if (rs_.bof() || rs_.eof())
        return;
    // The six pictures are drawings, so the page draws them at the printer's
    // resolution; the dots replay the draws of the screen, so the page shows
    // the same cloud. Nothing goes through the user's clipboard.
    printShownResult(readResult(rs_), rangeSet_ ? rangeSet_->row : LimitsRow(), dotDraws_,
                     palette().color(QPalette::WindowText));
}

void leggi::MSChart3_Click() {
    MSChart3->hide();
    MSChart4->show();
}

void leggi::MSChart4_Click() {
    MSChart4->hide();
    MSChart3->show();
}

void leggi::store(const QString& field, const QString& text) {
    try {
        rs_.setField(field, text);
        rs_.update();
    } catch (...) {
        rs_.cancelUpdate();
        throw;
    }
}

void leggi::Text18_KeyPress(int key) {
    if (!isEnter(key))
        return;
    try {
        store(QStringLiteral("Limits"), Text18->text());
    } catch (...) {
        refuse(Text18);
        return;
    }
    verifica_limiti();
    Text16->setFocus();
    Text16->setCursorPosition(int(Text16->text().size()));
}

void leggi::Text25_KeyPress(int key) {
    if (isEnter(key)) {
        try {
            store(QStringLiteral("ret%"), Text25->text());
        } catch (...) {
            refuse(Text25);
            return;
        }
    }
    const ResultRecord r = readResult(rs_);
    const auto& rbc = r.value(ResultParameter::RBC);
    const auto& ret = r.value(ResultParameter::ret);
    Label94->setText(rbc && ret ? numberText(roundHalfEven(*rbc * *ret / 100, 2), decimal_) : QString());
    verifica_limiti();
}

void leggi::updateNavigation() {
    const bool free = !navigationLocked();
    for (QPushButton* b : {Command1, Command2, Command3, Command4, Command12, Command16})
        b->setEnabled(free);
    Text20->setReadOnly(!free);
}

void leggi::refuse(QLineEdit* box) {
    const CaughtError e = describeCurrentException();
    ignoring([&] { logerrore(e.number, e.description, formName()); });
    refuseBox(box, msg2_);
}

bool leggi::writeGroup(const FieldBinder& binder, const std::vector<QLineEdit*>& boxes, const QLineEdit* optional) {
    QLineEdit* current = nullptr;
    try {
        // Each box is checked first, so the refusal can point at the box.
        for (QLineEdit* box : boxes) {
            current = box;
            const QString typed = box->text().trimmed();
            if (typed.isEmpty() && box != optional)
                throw AppError(err::TypeMismatch,
                               QStringLiteral("Nothing typed for the field of %1").arg(box->objectName()));
            if (!typed.isEmpty())
                (void)toDouble(typed, decimal_);
        }
        current = nullptr;
        binder.write(rs_);
        rs_.update();
        return true;
    } catch (...) {
        rs_.cancelUpdate();
        refuse(current);
        return false;
    }
}

void leggi::Command15_Click() {
    const std::pair<QLineEdit*, Label*> boxes[] = {{Text28, Label13}, {Text29, Label12}, {Text30, Label8},
                                                   {Text31, Label14}, {Text32, Label9},  {Text33, Label25},
                                                   {Text34, Label26}};
    redOpen_ = true;
    updateNavigation();
    for (const auto& [box, label] : boxes) {
        box->setText(label->text());
        box->show();
        box->raise();
    }
    Command15->hide();
    Command11->show();
}

void leggi::Command11_Click() {
    const std::pair<QLineEdit*, Label*> boxes[] = {{Text28, Label13}, {Text29, Label12}, {Text30, Label8},
                                                   {Text31, Label14}, {Text32, Label9},  {Text33, Label25},
                                                   {Text34, Label26}};
    if (!writeGroup(red_, {Text28, Text29, Text30, Text31, Text32, Text33, Text34}))
        return;
    for (const auto& [box, label] : boxes) {
        box->hide();
        label->setText(box->text());
    }
    Command15->show();
    Command11->hide();
    redOpen_ = false;
    updateNavigation();
    verifica_limiti();
}

void leggi::Command14_Click() {
    Text26->setText(Label15->text());
    Text27->setText(Label16->text());
    for (QLineEdit* box : {Text26, Text27}) {
        box->show();
        box->raise();
    }
    pltOpen_ = true;
    updateNavigation();
    Command5->show();
    Command14->hide();
}

void leggi::Command5_Click() {
    if (!writeGroup(plt_, {Text26, Text27}))
        return;
    Label15->setText(Text26->text());
    Label16->setText(Text27->text());
    Text26->hide();
    Text27->hide();
    Command14->show();
    Command5->hide();
    pltOpen_ = false;
    updateNavigation();
    verifica_limiti();
}

std::vector<QLineEdit*> leggi::whiteBoxes() const { return {Text2, Text3, Text4, Text5, Text6, Text7, Text35}; }

void leggi::Command6_Click() {
    const Label* labels[] = {Label27, Label28, Label29, Label30, Label31, Label11, Label103};
    const auto boxes = whiteBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        boxes[i]->show();
        boxes[i]->raise();
        boxes[i]->setText(labels[i]->text());
    }
    Command6->hide();
    wbcOpen_ = true;
    updateNavigation();
    Command7->show();
    Command8->show();
}

void leggi::Command8_Click() { memo(); }

void leggi::memo() {
    // The band box alone may be empty: that clears the band count.
    if (!writeGroup(wbc_, whiteBoxes(), Text35))
        return;
    Command6->show();
    Command7->hide();
    Command8->hide();
    for (QLineEdit* box : whiteBoxes())
        box->hide();
    wbcOpen_ = false;
    updateNavigation();
    populate();
    if (countsShown_)
        calcola();
    verifica_limiti();
}

void leggi::Command7_Click() { to100(); }

void leggi::to100() {
    QLineEdit* const boxes[] = {Text2, Text3, Text4, Text5, Text6, Text35};
    double v[6] = {};
    QLineEdit* current = nullptr;
    try {
        for (std::size_t i = 0; i < std::size(boxes); ++i) {
            current = boxes[i];
            const QString typed = boxes[i]->text().trimmed();
            // An empty band box counts as no band cells.
            if (typed.isEmpty() && boxes[i] == Text35)
                continue;
            if (typed.isEmpty())
                throw AppError(err::TypeMismatch,
                               QStringLiteral("Nothing typed for the field of %1").arg(boxes[i]->objectName()));
            v[i] = roundHalfEven(toDouble(typed, decimal_), 2);
            boxes[i]->setText(numberText(v[i], decimal_));
        }
    } catch (...) {
        refuse(current);
        return;
    }
    const double neu = v[0], lym = v[1], mono = v[2], eos = v[3], baso = v[4], band = v[5];
    const double rest = roundHalfEven(100 - ((((mono + lym) + eos) + baso) + band), 2);
    const double sum = ((((lym + neu) + mono) + eos) + baso) + band;
    if (sum != 100.0)
        Text2->setText(numberText(rest, decimal_));
    // Already 100: what was typed (the white count among it) is written all the same.
    memo();
}

void leggi::Command9_Click() {
    Command9->hide();
    Command10->show();
    for (Label* range : {Label80, Label104, Label81, Label82, Label83, Label84})
        range->hide();
    Label105->show();
    countsShown_ = true;
    updateNavigation();
    calcola();
}

void leggi::calcola() {
    const std::pair<Label*, Label*> rows[] = {{Label27, Label38}, {Label28, Label33}, {Label29, Label39},
                                              {Label30, Label40}, {Label31, Label41}, {Label103, Label106}};
    std::optional<double> wbc;
    ignoring([&] { wbc = toDouble(Label11->text(), decimal_); });
    for (const auto& [percentage, count] : rows) {
        // A row without a number shows no count.
        count->clear();
        ignoring([&, percentage = percentage, count = count] {
            if (wbc)
                count->setText(
                    numberText(roundHalfEven(toDouble(percentage->text(), decimal_) * *wbc / 100, 2), decimal_));
        });
    }
    for (Label* label :
         {Label32, Label34, Label35, Label36, Label37, Label38, Label33, Label39, Label40, Label41, Label105, Label106})
        label->show();
}

void leggi::Command10_Click() {
    nascondi_val();
    Command10->hide();
    Command9->show();
    for (Label* range : {Label80, Label104, Label81, Label82, Label83, Label84})
        range->show();
    countsShown_ = false;
    updateNavigation();
}

void leggi::patientEnter(QLineEdit* box, const QString& field, QWidget* next) {
    try {
        store(field, box->text());
    } catch (...) {
        refuse(box);
        return;
    }
    next->setFocus();
    if (auto* nextBox = qobject_cast<QLineEdit*>(next))
        nextBox->setCursorPosition(int(nextBox->text().size()));
}

void leggi::historySearch(const QLineEdit* box, SearchField field) {
    showSearchInViewer(searchSql(field, historySearchText(box->text()), Check1->isChecked()));
}

void leggi::Image1_Click() { historySearch(Text10, SearchField::specId); }

void leggi::Image2_Click() { historySearch(Text1, SearchField::specName); }

void showSearchInViewer(const QString& sql) {
    Session& s = Session::get();
    s.queryricerca = sql;
    s.leggiOricerca = 1;
    if (leggi* open = Forms::get<leggi>()) {
        open->reloadSearch();
        // The reload may have found nothing: the window then stays as it was.
        if (leggi* still = Forms::get<leggi>()) {
            still->show();
            still->raise();
            still->activateWindow();
        }
        return;
    }
    Forms::show<leggi>();
}

}  // namespace zv
