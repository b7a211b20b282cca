#include "viewer/leggi.h"

#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QPainter>

#include "model/resultfields.h"
#include "model/resultstore.h"
#include "platform/beep.h"
#include "platform/captions.h"
#include "platform/clock.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/prompts.h"
#include "report/stampa.h"
#include "shell/config.h"
#include "shell/grafici.h"
#include "shell/notifier.h"
#include "shell/programfiles.h"
#include "shell/session.h"

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
    setFixedSize(1060, 700);

    // Patient and sample.
    Label64 = makeLabel(this, "Label64", QStringLiteral("ANAGRAFICA PAZIENTE"), 4, 0, 300);
    Text9 = captionBox(this, "Text9", QStringLiteral("ID."), 4, 22, 56);
    Text10 = makeBox(this, "Text10", 62, 22, 140);
    Text8 = captionBox(this, "Text8", QStringLiteral("SPECIE:"), 208, 22, 70);
    Text1 = makeBox(this, "Text1", 280, 22, 250);
    Text11 = captionBox(this, "Text11", QStringLiteral("SEQ."), 536, 22, 46);
    Text12 = makeBox(this, "Text12", 584, 22, 70);
    Text21 = captionBox(this, "Text21", QStringLiteral("DATA:"), 660, 22, 56);
    Text22 = makeBox(this, "Text22", 718, 22, 140);
    Text13 = captionBox(this, "Text13", QStringLiteral("DdN:"), 4, 48, 56);
    Text14 = makeBox(this, "Text14", 62, 48, 140);
    Text15 = captionBox(this, "Text15", QStringLiteral("SEX:"), 208, 48, 70);
    Text16 = makeBox(this, "Text16", 280, 48, 40);
    Text23 = captionBox(this, "Text23", QStringLiteral("LIMITE:"), 326, 48, 70);
    Text18 = makeBox(this, "Text18", 398, 48, 34);
    Text18->setMaxLength(2);
    Text19 = makeBox(this, "Text19", 436, 48, 218);
    Text19->setReadOnly(true);
    Text19->setFocusPolicy(Qt::NoFocus);
    Label69 = makeLabel(this, "Label69", QStringLiteral("Morfologia-Esame Microscopio-Annotazioni"), 4, 76, 290);
    Text17 = makeBox(this, "Text17", 296, 74, 562);

    // Charts, left to right WB2, WB1, RBC, PLT.
    MSChart3 = new HistogramChart(QStringLiteral("MSChart3"), QColor(210, 210, 210), this);
    MSChart4 = new HistogramChart(QStringLiteral("MSChart4"), QColor(210, 210, 210), this);
    MSChart2 = new HistogramChart(QStringLiteral("MSChart2"), QColor(255, 64, 64), this);
    MSChart1 = new HistogramChart(QStringLiteral("MSChart1"), QColor(255, 255, 0), this);
    const std::pair<HistogramChart*, const char*> charts[] = {{MSChart3, "Istogramma WBC (Mono-Poly)"},
                                                              {MSChart4, "Istogramma WBC (nWbc-Lym-Mono)"},
                                                              {MSChart2, "Istogramma RBC"},
                                                              {MSChart1, "Istogramma PLT"}};
    int x = 4;
    for (const auto& [chart, tip] : charts) {
        chart->setGeometry(x, 106, 206, 137);
        chart->setToolTip(QString::fromUtf8(tip));
        x += 214;
    }

    // Scattergram: dots above, template below.
    const QSize picture(twipsToPixels(2700), twipsToPixels(1695));
    Picture1 = new PictureBox(QStringLiteral("Picture1"), picture, this);
    Picture1->move(872, 16);
    Picture2 = new PictureBox(QStringLiteral("Picture2"), picture, this);
    Picture2->move(872, 144);
    Picture1->canvas().fill(Qt::white);
    Picture2->canvas().fill(Qt::white);

    // White cells and the differential.
    const int a = 4, top = 262;
    makeLabel(this, "Label1", QStringLiteral("WBC:"), a, top, 76);
    Label11 = valueLabel(this, "Label11", a + 78, top, 56);
    makeLabel(this, "Label85", QStringLiteral("K/ul"), a + 138, top, 36);
    Label79 = makeLabel(this, "Label79", QString(), a + 176, top, 112);
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
        *r.range = makeLabel(this, r.rangeName, QString(), a + 176, y, 112);
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
    const int b = 300;
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
        *red[i].range = makeLabel(this, red[i].rangeName, QString(), b + 164, y, 112);
        y += 24;
    }
    makeLabel(this, "Label70", QStringLiteral("Ret %:"), b, y, 60);
    Text25 = makeBox(this, "Text25", b + 62, y, 56);
    Text25->setAlignment(Qt::AlignRight);
    makeLabel(this, "Label92", QStringLiteral("%"), b + 122, y, 40);
    Label95 = makeLabel(this, "Label95", QString(), b + 164, y, 112);
    y += 24;
    makeLabel(this, "Label7", QStringLiteral("Ret #:"), b, y, 60);
    Label94 = valueLabel(this, "Label94", b + 62, y, 56);
    makeLabel(this, "Label93", QStringLiteral("M/ul"), b + 122, y, 40);

    // Platelets.
    const int c = 588;
    const Row platelets[] = {{"Label5", "PLT:", &Label15, "Label15", &Label77, "Label77"},
                             {"Label6", "MPV:", &Label16, "Label16", &Label78, "Label78"}};
    const char* pltUnits[][2] = {{"Label90", "K/ul"}, {"Label91", "fl"}};
    y = top;
    for (std::size_t i = 0; i < std::size(platelets); ++i) {
        makeLabel(this, platelets[i].caption, QString::fromUtf8(platelets[i].captionText), c, y, 50);
        *platelets[i].value = valueLabel(this, platelets[i].valueName, c + 52, y, 56);
        makeLabel(this, pltUnits[i][0], QString::fromUtf8(pltUnits[i][1]), c + 112, y, 60);
        *platelets[i].range = makeLabel(this, platelets[i].rangeName, QString(), c + 174, y, 96);
        y += 24;
    }
    makeLabel(this, "Label42", QStringLiteral("PCT:"), c, y, 50);
    Label54 = valueLabel(this, "Label54", c + 52, y, 56);
    makeLabel(this, "Label98", QStringLiteral("%"), c + 112, y, 60);
    y += 24;
    makeLabel(this, "Label43", QStringLiteral("PDW:"), c, y, 50);
    Label55 = valueLabel(this, "Label55", c + 52, y, 56);
    makeLabel(this, "Label97", QStringLiteral("10 {GSD}"), c + 112, y, 60);

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
    y = 486;
    Label65 = alarm("Label65", "E R R O R I :", redText, std::nullopt, b, y, 110);
    Label52 = alarm("Label52", "ASPIRAZIONE !", redText, std::nullopt, b + 114, y, 130);
    Label67 = alarm("Label67", "WBC FLOW/CLOG !", redText, std::nullopt, b + 248, y, 150);
    Label66 = alarm("Label66", "RBC FLOW/CLOG !", redText, std::nullopt, b + 402, y, 150);
    y += 22;
    const int w = 556;
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
    const int n = 872;
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
    for (QLineEdit* box : {Text18, Text20, Text25})
        box->installEventFilter(this);
}

bool leggi::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
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
                   {"Label65", "label65"}, {"Label52", "label52"}, {"Label66", "label66"}, {"Label67", "label67"}});
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

    // The source, chosen once for as long as the window stays open.
    searchMode_ = s.leggiOricerca != 0;
    const bool opened = ignoring([&] {
        if (searchMode_)
            rs_.open(s.cntot, s.queryricerca);
        else if (s.dbtotal)
            rs_.open(s.cntot, QStringLiteral("select * from datiQgrafici where date like ?1 order by ID1"),
                     {s.workDate()});
        else
            rs_.open(s.cn, QStringLiteral("select * from datiQgrafici order by ID1"));
    });
    if (searchMode_) {
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(255, 255, 192));
        setPalette(p);
        for (QLineEdit* box : {Text10, Text1, Text18, Text16, Text14, Text17})
            box->setEnabled(false);
    }
    int64_t count = 0;
    if (!opened || !ignoring([&] { count = rs_.recordCount(); }) || count == 0) {
        closeEmpty();
        return;
    }
    Text24->setText(QString::number(count));
    ignoring([&] { rs_.moveFirst(); });
    display();
    s.leggiOricerca = 0;
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
    const std::pair<Label*, P> values[] = {
        {Label11, P::WBC},  {Label12, P::HGB},      {Label13, P::RBC}, {Label14, P::MCV},  {Label15, P::PLT},
        {Label16, P::MPV},  {Label8, P::HCT},       {Label9, P::MCH},  {Label25, P::MCHC}, {Label26, P::RDW},
        {Label27, P::neu},  {Label103, P::bandati}, {Label28, P::lym}, {Label29, P::mono}, {Label30, P::eos},
        {Label31, P::baso}, {Label54, P::PCT},      {Label55, P::PDW}};
    for (const auto& [label, parameter] : values)
        label->setText(number(r.value(parameter)));
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
    using P = ResultParameter;
    scatter::Input in;
    in.wbc = r.value(P::WBC);
    in.neu = r.value(P::neu);
    in.lym = r.value(P::lym);
    in.mono = r.value(P::mono);
    in.eos = r.value(P::eos);
    in.baso = r.value(P::baso);
    in.band = scatter::flagIsTrue(r.flags.Band);
    in.ig = scatter::flagIsTrue(r.flags.IG);
    in.varLym = scatter::flagIsTrue(r.flags.VarLym);
    in.blast = scatter::flagIsTrue(r.flags.Blast);

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
        dotInput_ = in;
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
    const QList<Label*> coloured = {Label11, Label27, Label103, Label28, Label29, Label30, Label31, Label13,
                                    Label12, Label8,  Label14,  Label9,  Label25, Label26, Label15, Label16};
    const QList<Label*> ranges = {Label79, Label80, Label104, Label81, Label82, Label83, Label84, Label56, Label71,
                                  Label72, Label73, Label74,  Label75, Label76, Label77, Label78, Label95};
    for (Label* label : coloured)
        label->setForeColor(Qt::black);
    setBoxColour(Text25, Qt::black);
    for (Label* label : ranges)
        label->clear();
    Text19->clear();
    rangeSet_.reset();

    const ResultRecord r = readResult(rs_);
    rangeSet_ = findRangeSet(Session::get().cnlimit, r.Limits, Text10->text(), Text1->text(), decimal_);
    if (!rangeSet_)
        return;
    Text19->setText(rangeSet_->valori);
    const auto& order = checkedParameters();
    for (std::size_t i = 0; i < order.size(); ++i) {
        const RangeLimits& limits = rangeSet_->limits[i];
        ranges[qsizetype(i)]->setText(rangeText(limits, decimal_));
        const QColor colour = colourOf(judge(r.value(order[i]), limits));
        if (order[i] == ResultParameter::ret)
            setBoxColour(Text25, colour);
        else
            coloured[qsizetype(i)]->setForeColor(colour);
    }
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
    moveNextOrBeep(rs_);
    display();
    focusSampleId();
}

void leggi::Command2_Click() {
    movePreviousOrBeep(rs_);
    display();
    focusSampleId();
}

void leggi::Command3_Click() {
    rs_.moveFirst();
    display();
    focusSampleId();
}

void leggi::Command4_Click() {
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
    if (const auto n = typedPosition())
        goTo(*n);
}

void leggi::Text20_KeyPress(int key) {
    if (isEnter(key))
        Command12_Click();
}

void leggi::Command16_Click() {
    bool ok = false;
    const int64_t p = Text20->text().trimmed().toLongLong(&ok);
    if (!ok || p < 1)
        return;
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
    const ReportPictures pictures = reportPictures();
    const QColor framePen = palette().color(QPalette::WindowText);
    pictures.scattergram->setDrawing(
        [input = dotInput_, draws = dotDraws_, framePen](QPainter& painter, const QRectF& rect) {
            std::size_t next = 0;
            scatter::drawFrame(painter, rect, framePen);
            const qreal dot = std::max<qreal>(1.0, painter.device()->logicalDpiX() / 150.0);
            scatter::drawDots(
                painter, rect, input, [&] { return next < draws.size() ? draws[next++] : 0.0; }, dot);
        });
    pictures.legend->setDrawing(
        [framePen](QPainter& painter, const QRectF& rect) { scatter::drawTemplate(painter, rect, framePen); });
    const std::pair<PictureBox*, HistogramChart*> charts[] = {
        {pictures.plt, MSChart1}, {pictures.rbc, MSChart2}, {pictures.wb2, MSChart3}, {pictures.wb1, MSChart4}};
    for (const auto& [slot, chart] : charts) {
        // The page prints each chart's title just above it: the top of the slot stays clear.
        slot->setDrawing([bars = chart->bars(), colour = chart->seriesColour()](QPainter& painter, const QRectF& rect) {
            drawHistogram(painter, rect.adjusted(0, rect.height() * 0.14, 0, 0), bars, colour);
        });
    }
    printReport(readResult(rs_), rangeSet_ ? rangeSet_->row : LimitsRow());
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
    store(QStringLiteral("Limits"), Text18->text());
    verifica_limiti();
    Text16->setFocus();
    Text16->setCursorPosition(int(Text16->text().size()));
}

void leggi::Text25_KeyPress(int key) {
    if (isEnter(key))
        store(QStringLiteral("ret%"), Text25->text());
    const ResultRecord r = readResult(rs_);
    const auto& rbc = r.value(ResultParameter::RBC);
    const auto& ret = r.value(ResultParameter::ret);
    Label94->setText(rbc && ret ? numberText(roundHalfEven(*rbc * *ret / 100, 2), decimal_) : QString());
    verifica_limiti();
}

}  // namespace zv
