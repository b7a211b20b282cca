#include "app/principale.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "app/appmain.h"
#include "app/frmsplash.h"
#include "app/setting.h"
#include "archive/rollover.h"
#include "core/captions.h"
#include "core/config.h"
#include "core/language.h"
#include "core/notifier.h"
#include "core/programfiles.h"
#include "link/comcd.h"
#include "platform/busy.h"
#include "platform/clock.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/prompts.h"
#include "report/reportturns.h"

namespace zv {

namespace {

Label* makeLabel(QWidget* parent, const QString& name, const QString& caption = QString()) {
    auto* l = new Label(name, parent);
    l->setText(caption);
    return l;
}

Label* makePicture(QWidget* parent, const QString& name, QSize size) {
    auto* l = new Label(name, parent);
    l->setFixedSize(size);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

QAction* makeItem(QMenu* menu, const QString& name, const QString& caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    return a;
}

}  // namespace

Principale::Principale() : Form(QStringLiteral("Principale")) {
    setWindowTitle(QStringLiteral("Zarvium"));
    buildMenus();
    buildWindow();
}

Principale::~Principale() = default;

void Principale::buildMenus() {
    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    auto menu = [this](const QString& name, const QString& caption) {
        QMenu* m = menuBar->addMenu(caption);
        m->setObjectName(name);
        return m;
    };
    File_menu = menu(QStringLiteral("File_menu"), QStringLiteral("File"));
    c_data = makeItem(File_menu, QStringLiteral("c_data"), QStringLiteral("Cambia Data di Lavoro"));
    Service_menu = makeItem(File_menu, QStringLiteral("Service_menu"), QStringLiteral("Service"));
    stampantre = makeItem(File_menu, QStringLiteral("stampantre"), QStringLiteral("Imposta Stampante"));
    Esci_menu = makeItem(File_menu, QStringLiteral("Esci_menu"), QStringLiteral("Esci"));

    Dati_menu = menu(QStringLiteral("Dati_menu"), QStringLiteral("On-line"));
    Dati_menu2 = makeItem(Dati_menu, QStringLiteral("Dati_menu2"), QStringLiteral("On Line"));
    offline = makeItem(Dati_menu, QStringLiteral("offline"), QStringLiteral("Off Line"));
    online = makeItem(Dati_menu, QStringLiteral("online"), QStringLiteral("Analyser"));
    datalog = makeItem(Dati_menu, QStringLiteral("datalog"), QStringLiteral("DataLog"));
    online->setCheckable(true);
    online->setChecked(true);
    online->setEnabled(false);
    datalog->setCheckable(true);
    datalog->setEnabled(false);

    Archivio_menu = menu(QStringLiteral("Archivio_menu"), QStringLiteral("Archivio"));
    daily = makeItem(Archivio_menu, QStringLiteral("daily"), QStringLiteral("Archivio Giornaliero"));
    total = makeItem(Archivio_menu, QStringLiteral("total"), QStringLiteral("Archivio Storico"));
    Ricerca_menu = makeItem(Archivio_menu, QStringLiteral("Ricerca_menu"), QStringLiteral("Ricerca Pazienti"));
    aggarch = makeItem(Archivio_menu, QStringLiteral("aggarch"), QStringLiteral("Aggiorna Archivio"));
    Gestione_menu = makeItem(Archivio_menu, QStringLiteral("Gestione_menu"), QStringLiteral("Gestione Archivio"));
    daily->setCheckable(true);
    daily->setChecked(true);
    total->setCheckable(true);

    Emocromi_menu = menu(QStringLiteral("Emocromi_menu"), QStringLiteral("Analisi"));
    anag = makeItem(Emocromi_menu, QStringLiteral("anag"), QStringLiteral("Visualizza Emocromi"));
    lavoro_m = makeItem(Emocromi_menu, QStringLiteral("lavoro_m"), QStringLiteral("Foglio di Lavoro"));
    inserman = makeItem(Emocromi_menu, QStringLiteral("inserman"), QStringLiteral("Inserimento Manuale"));

    vet1 = menu(QStringLiteral("vet1"), QStringLiteral("Calibrazione"));
    vet2 = makeItem(vet1, QStringLiteral("vet2"), QStringLiteral("Veterinaria"));
    uma1 = makeItem(vet1, QStringLiteral("uma1"), QStringLiteral("Umana"));

    // Batch reporting is reached through the REFERTA shortcut; this menu is never shown.
    Stampa_menu = menu(QStringLiteral("Stampa_menu"), QStringLiteral("Refertazione"));
    prnt = makeItem(Stampa_menu, QStringLiteral("prnt"), QStringLiteral("Stampa Referti"));
    autoref = makeItem(Stampa_menu, QStringLiteral("autoref"), QStringLiteral("Refertazione Automatica"));
    autoref->setCheckable(true);
    autoref->setEnabled(false);
    Stampa_menu->menuAction()->setVisible(false);

    mqc = menu(QStringLiteral("mqc"), QStringLiteral("Controllo Qualità"));
    mqc1 = makeItem(mqc, QStringLiteral("mqc1"), QStringLiteral("Statistiche"));
    mqc2 = makeItem(mqc, QStringLiteral("mqc2"), QStringLiteral("Riferimenti"));

    Opzioni_menu = menu(QStringLiteral("Opzioni_menu"), QStringLiteral("Riferimenti"));
    rif_menu = makeItem(Opzioni_menu, QStringLiteral("rif_menu"), QStringLiteral("Riferimenti Umani"));
    rifvet = makeItem(Opzioni_menu, QStringLiteral("rifvet"), QStringLiteral("Riferimenti Veterinari"));

    impostazmenu = menu(QStringLiteral("impostazmenu"), QStringLiteral("Impostazioni"));
    ref = makeItem(impostazmenu, QStringLiteral("ref"), QStringLiteral("Impostazioni Referto"));
    setpar = makeItem(impostazmenu, QStringLiteral("setpar"), QStringLiteral("Impostazione Parametri"));

    guida = menu(QStringLiteral("guida"), QStringLiteral("?"));
    zarvium_menu = makeItem(guida, QStringLiteral("zarvium_menu"), QStringLiteral("Info Zarvium"));
    errlog = makeItem(guida, QStringLiteral("errlog"), QStringLiteral("Log Errori"));

    connect(Esci_menu, &QAction::triggered, this, [this] { guard([this] { Forms::unload(formName()); }); });
    connect(Dati_menu2, &QAction::triggered, this, [this] { guard([this] { Dati_menu2_Click(); }); });
    connect(offline, &QAction::triggered, this, [this] { guard([this] { offline_Click(); }); });
    connect(online, &QAction::triggered, this, [this] { guard([this] { online_Click(); }); });
    connect(datalog, &QAction::triggered, this, [this] { guard([this] { datalog_Click(); }); });
}

void Principale::buildWindow() {
    auto* root = new QVBoxLayout(this);
    root->setMenuBar(menuBar);

    // Heading: banner, title and vendor lines, logos and the language flag.
    auto* heading = new QHBoxLayout;
    Image7 = makePicture(this, QStringLiteral("Image7"), {400, 60});
    auto* titles = new QVBoxLayout;
    Label23 = makeLabel(this, QStringLiteral("Label23"), QStringLiteral("ZARVIUM"));
    QFont titleFont = Label23->font();
    titleFont.setBold(true);
    titleFont.setPointSize(titleFont.pointSize() + 4);
    Label23->setFont(titleFont);
    Label14 = makeLabel(this, QStringLiteral("Label14"));
    // A long vendor line takes two lines rather than widening the window.
    Label14->setWordWrap(true);
    titles->addWidget(Label23);
    titles->addWidget(Label14);
    Image6 = makePicture(this, QStringLiteral("Image6"), {120, 120});
    Image2 = makePicture(this, QStringLiteral("Image2"), {100, 100});
    Image13 = makePicture(this, QStringLiteral("Image13"), {120, 120});
    Image8 = makePicture(this, QStringLiteral("Image8"), {32, 20});
    heading->addWidget(Image7);
    heading->addLayout(titles, 1);
    heading->addWidget(Image6);
    heading->addWidget(Image2);
    heading->addWidget(Image13);
    heading->addWidget(Image8, 0, Qt::AlignTop);
    root->addLayout(heading);

    auto* middle = new QHBoxLayout;
    root->addLayout(middle, 1);

    // Link drawing: PC, the seven progress segments and the analyser, framed by Shape22.
    auto* linkPanel = new QWidget(this);
    auto* linkStack = new QStackedLayout(linkPanel);
    linkStack->setStackingMode(QStackedLayout::StackAll);
    auto* linkContent = new QWidget(linkPanel);
    Shape22 = new Shape(QStringLiteral("Shape22"), Shape::Kind::Rectangle, linkPanel);
    Shape22->setBorderWidth(2);
    auto* linkLayout = new QVBoxLayout(linkContent);
    auto* drawing = new QHBoxLayout;
    Image12 = makePicture(linkContent, QStringLiteral("Image12"), {64, 64});
    drawing->addWidget(Image12);
    for (int i = 0; i < 7; ++i) {
        Line3[i] = new Shape(QStringLiteral("Line3_%1").arg(i), Shape::Kind::HorizontalLine, linkContent);
        Line3[i]->setBorderWidth(3);
        Line3[i]->setMinimumWidth(14);
        drawing->addWidget(Line3[i]);
    }
    Image9 = makePicture(linkContent, QStringLiteral("Image9"), {120, 90});
    drawing->addWidget(Image9);
    linkLayout->addLayout(drawing);
    auto* linkState = new QHBoxLayout;
    Label16 = makeLabel(linkContent, QStringLiteral("Label16"), QStringLiteral("Off Line"));
    Label16->setVisible(false);
    Label16->setAlignment(Qt::AlignCenter);
    Label16->setFixedSize(90, 24);
    Label65 = makeLabel(linkContent, QStringLiteral("Label65"), QStringLiteral("analisi"));
    Label66 = makeLabel(linkContent, QStringLiteral("Label66"), QStringLiteral("stato..."));
    Label29 = makeLabel(linkContent, QStringLiteral("Label29"), QStringLiteral("Rx - Error!"));
    Label29->setBackColor(colours::red);
    linkState->addWidget(Label16);
    linkState->addWidget(Label65);
    linkState->addWidget(Label66, 1);
    linkState->addWidget(Label29);
    linkLayout->addLayout(linkState);

    // Port panel.
    auto* port = new QGridLayout;
    Label52 = makeLabel(linkContent, QStringLiteral("Label52"), QStringLiteral("Com:"));
    Label59 = makeLabel(linkContent, QStringLiteral("Label59"));
    Label56 = makeLabel(linkContent, QStringLiteral("Label56"), QStringLiteral("BaudRate:"));
    Label62 = makeLabel(linkContent, QStringLiteral("Label62"));
    Label57 = makeLabel(linkContent, QStringLiteral("Label57"), QStringLiteral("Parity:"));
    Label63 = makeLabel(linkContent, QStringLiteral("Label63"));
    Label53 = makeLabel(linkContent, QStringLiteral("Label53"), QStringLiteral("Bit:"));
    Label60 = makeLabel(linkContent, QStringLiteral("Label60"));
    Label54 = makeLabel(linkContent, QStringLiteral("Label54"), QStringLiteral("Stop:"));
    Label61 = makeLabel(linkContent, QStringLiteral("Label61"));
    Label55 = makeLabel(linkContent, QStringLiteral("Label55"), QStringLiteral("RTS/CTS"));
    Label58 = makeLabel(linkContent, QStringLiteral("Label58"), QStringLiteral("Len:"));
    Label64 = makeLabel(linkContent, QStringLiteral("Label64"));
    Label58->setVisible(false);
    Label64->setVisible(false);
    const std::pair<Label*, Label*> portRows[] = {{Label52, Label59}, {Label56, Label62}, {Label57, Label63},
                                                  {Label53, Label60}, {Label54, Label61}, {Label58, Label64}};
    int column = 0;
    for (const auto& [caption, value] : portRows) {
        port->addWidget(caption, 0, column++);
        port->addWidget(value, 0, column++);
    }
    port->addWidget(Label55, 0, column);
    linkLayout->addLayout(port);
    linkLayout->addStretch(1);
    linkStack->addWidget(linkContent);
    linkStack->addWidget(Shape22);
    Shape22->lower();
    middle->addWidget(linkPanel, 1);

    // Status panel.
    auto* status = new QGridLayout;
    Label1 = makeLabel(this, QStringLiteral("Label1"), QStringLiteral("DATA di  LAVORO:"));
    Label2 = makeLabel(this, QStringLiteral("Label2"), QStringLiteral("gg/mm/aa"));
    Label6 = makeLabel(this, QStringLiteral("Label6"), QStringLiteral("Data di oggi:"));
    Label7 = makeLabel(this, QStringLiteral("Label7"), QStringLiteral("dd/mm/yyyy"));
    Label8 = makeLabel(this, QStringLiteral("Label8"), QStringLiteral("Archivio in Uso:"));
    Label11 = makeLabel(this, QStringLiteral("Label11"), QStringLiteral("Giornaliero"));
    Label9 = makeLabel(this, QStringLiteral("Label9"), QStringLiteral("Refertazione Automatica:"));
    Label12 = makeLabel(this, QStringLiteral("Label12"), QStringLiteral("OFF"));
    Label10 = makeLabel(this, QStringLiteral("Label10"), QStringLiteral("Utente:"));
    Label3 = makeLabel(this, QStringLiteral("Label3"), QStringLiteral("Admin"));
    Label4 = makeLabel(this, QStringLiteral("Label4"), QStringLiteral("Back-up Automatico:"));
    Label13 = makeLabel(this, QStringLiteral("Label13"), QStringLiteral("OK!"));
    const std::pair<Label*, Label*> statusRows[] = {{Label1, Label2},  {Label6, Label7},  {Label8, Label11},
                                                    {Label9, Label12}, {Label10, Label3}, {Label4, Label13}};
    int row = 0;
    for (const auto& [caption, value] : statusRows) {
        status->addWidget(caption, row, 0);
        status->addWidget(value, row++, 1);
        QFont f = value->font();
        f.setBold(true);
        value->setFont(f);
    }
    Label5 = makeLabel(this, QStringLiteral("Label5"));
    Label5->setVisible(false);
    Label5->setWordWrap(true);
    status->addWidget(Label5, row, 0, 1, 2);
    status->setRowStretch(row + 1, 1);
    middle->addLayout(status);

    // Toolbar: six cells, each a cyan marker with a caption and an icon over it.
    auto* toolbar = new QHBoxLayout;
    struct Cell {
        Label*& label;
        const char* labelName;
        const char* caption;
        Label*& image;
        const char* imageName;
        Shape*& shape;
        const char* shapeName;
    };
    const Cell cells[] = {
        {Label20, "Label20", "ANALISI", Image1, "Image1", Shape6, "Shape6"},
        {Label17, "Label17", "LISTA", Image11, "Image11", Shape3, "Shape3"},
        {Label19, "Label19", "RICERCA", Image10, "Image10", Shape5, "Shape5"},
        {Label18, "Label18", "ARCHIVIO", Image5, "Image5", Shape4, "Shape4"},
        {Label21, "Label21", "QC", Image4, "Image4", Shape7, "Shape7"},
        {Label22, "Label22", "REFERTA", Image3, "Image3", Shape9, "Shape9"},
    };
    for (const Cell& c : cells) {
        auto* cell = new QWidget(this);
        cell->setMinimumSize(130, 80);
        auto* stack = new QStackedLayout(cell);
        stack->setStackingMode(QStackedLayout::StackAll);
        auto* content = new QWidget(cell);
        auto* v = new QVBoxLayout(content);
        c.image = makePicture(content, QString::fromLatin1(c.imageName), {32, 32});
        c.label = makeLabel(content, QString::fromLatin1(c.labelName), QString::fromLatin1(c.caption));
        c.label->setAlignment(Qt::AlignCenter);
        c.label->setForeColor(Qt::white);
        c.label->setFont(QFont(QStringLiteral("Tahoma"), 12, QFont::Bold));
        c.label->setCursor(Qt::PointingHandCursor);
        v->addWidget(c.image, 0, Qt::AlignHCenter);
        v->addWidget(c.label);
        c.shape = new Shape(QString::fromLatin1(c.shapeName), Shape::Kind::Rectangle, cell);
        c.shape->setFillColor(colours::cyan);
        c.shape->setFilled(true);
        c.shape->setBorderWidth(0);
        stack->addWidget(content);
        stack->addWidget(c.shape);
        c.shape->lower();
        toolbar->addWidget(cell);
    }
    root->addLayout(toolbar);

    Label24 = makeLabel(this, QStringLiteral("Label24"));
    Label24->setVisible(false);
    root->addWidget(Label24);

    for (Label* l : {Label2, Label65, Image12, Label17, Label18, Label19, Label20, Label21, Label22})
        l->setCursor(Qt::PointingHandCursor);
    connect(Image12, &Label::clicked, this, [this] { guard([this] { Image12_Click(); }); });
    connect(Label65, &Label::clicked, this, [this] { guard([this] { Label65_Click(); }); });
    connectCommands();
    resize(1000, 640);
}

void Principale::applyCaptions() {
    const QString& lingua = session_->linguax;
    zv::applyCaptions(this, lingua, QStringLiteral("principale"),
                      {{"Label20", "cmd2"},        {"Label19", "cmd3"},        {"Label17", "cmd4"},
                       {"Label22", "cmd5"},        {"Label18", "cmd6"},        {"Label21", "cmd7"},
                       {"c_data", "menu11"},       {"Service_menu", "menu12"}, {"stampantre", "menu13"},
                       {"Esci_menu", "menu14"},    {"Dati_menu", "menu2"},     {"Dati_menu2", "menu21"},
                       {"Archivio_menu", "menu3"}, {"daily", "menu31"},        {"total", "menu32"},
                       {"Ricerca_menu", "menu33"}, {"aggarch", "menu34"},      {"Gestione_menu", "menu35"},
                       {"Emocromi_menu", "menu4"}, {"anag", "menu41"},         {"lavoro_m", "menu42"},
                       {"inserman", "menu43"},     {"vet1", "menu5"},          {"vet2", "menu51"},
                       {"uma1", "menu52"},         {"Stampa_menu", "menu6"},   {"prnt", "menu61"},
                       {"autoref", "menu62"},      {"mqc", "menu7"},           {"mqc1", "menu71"},
                       {"mqc2", "menu72"},         {"Opzioni_menu", "menu8"},  {"rif_menu", "menu81"},
                       {"rifvet", "menu82"},       {"impostazmenu", "menu9"},  {"ref", "menu91"},
                       {"setpar", "menu92"},       {"guida", "menu10"},        {"zarvium_menu", "menu101"},
                       {"errlog", "menu102"},      {"Label1", "label1"},       {"Label4", "label4"},
                       {"Label6", "label6"},       {"Label8", "label8"},       {"Label9", "label9"},
                       {"Label10", "label10"}});
    const QString section = QStringLiteral("principale");
    lbl11 = caption(lingua, section, QStringLiteral("label11"));
    lbl11_s = caption(lingua, section, QStringLiteral("label11_s"));
    msg1_ = caption(lingua, section, QStringLiteral("msg1"));
    msg4_ = caption(lingua, section, QStringLiteral("msg4"));
    msg5_ = caption(lingua, section, QStringLiteral("msg5"));
    aggiornaLbl1_ = caption(lingua, QStringLiteral("aggiorna"), QStringLiteral("lbl1"));
    aggiornaOk_ = caption(lingua, QStringLiteral("aggiorna"), QStringLiteral("ok"));
}

void Principale::Form_Load() {
    // The first stage has no handler: a failure rises to whoever loaded the window.
    session_ = std::make_unique<Session>();
    Session& s = *session_;
    s.leggiOricerca = 0;
    s.linguax = configuredLanguageFile();
    s.formato = leggiini(QStringLiteral("date"), QStringLiteral("format"), file::generalIni, 16);
    if (const std::optional<LoggedError> logged = takePendingError())
        showLoggedError(*logged);
    listenToNotifier();

    // The start-up's findings; a main window loaded without a start-up sees a plain start.
    const frmSplash* splash = Forms::get<frmSplash>();
    const int16_t dbOk = splash ? splash->stato_db_ok : 1;
    const int16_t backedUp = splash ? splash->db_bk_effettuato : 0;
    const bool newDay = splash ? splash->aggdb : false;

    // Pictures, link state, title and captions: each statement on its own; a failing one is skipped.
    const QString folder = programFolder();
    const std::pair<Label*, const char*> pictures[] = {{Image1, "/immagini/emocromi.ico"},
                                                       {Image3, "/immagini/printer.ico"},
                                                       {Image4, "/immagini/vrml.ico"},
                                                       {Image5, "/immagini/arch.ico"},
                                                       {Image10, "/immagini/search.ico"},
                                                       {Image11, "/immagini/simm.ico"},
                                                       {Image12, "/immagini/pc.gif"},
                                                       {Image2, "/immagini/logoVeterinaria100.gif"},
                                                       {Image13, "/immagini/veterinary120.gif"},
                                                       {Image6, "/immagini/logo.gif"},
                                                       {Image7, "/immagini/head.gif"}};
    for (const auto& picture : pictures)
        ignoring([&] { picture.first->loadPicture(folder + QLatin1String(picture.second)); });
    ignoring([&] { Label29->setTransparent(); });
    ignoring([&] {
        Label16->setVisible(true);
        Label16->setBackColor(colours::orange);
        Label16->setText(QStringLiteral("Off Line"));
    });
    ignoring([&] { model_ = leggiini(QStringLiteral("general"), QStringLiteral("instrument"), file::portIni, 15); });
    ignoring([&] { Label65->setText(QStringLiteral("0")); });
    ignoring([&] { Label23->setText(QStringLiteral("ZARVIUM - ") + model_); });
    s.statoformleggi = false;
    if (dbOk == 0) {
        ignoring([&] {
            Label13->setForeColor(colours::red);
            Label13->setText(QStringLiteral("DB Error"));
        });
    }
    ignoring([&] {
        const QString lingua = leggiini(QStringLiteral("language"), QStringLiteral("lingua"), file::generalIni, 8);
        static const std::pair<const char*, const char*> flags[] = {
            {"it", "/immagini/italian.gif"}, {"en", "/immagini/english.gif"}, {"de", "/immagini/german.gif"},
            {"fr", "/immagini/french.gif"},  {"es", "/immagini/spanish.gif"}, {"ru", "/immagini/russia.gif"}};
        QString flag = QStringLiteral("/immagini/italian.gif");
        for (const auto& [code, path] : flags)
            if (lingua == QLatin1String(code))
                flag = QLatin1String(path);
        Image8->loadPicture(folder + flag);
    });
    ignoring([&] { Label29->setText(QString()); });
    ignoring([&] { Label14->setText(QString()); });
    applyCaptions();

    // The report captions and the back-up notice, under the caption handler.
    try {
        s.stampa.read(s.linguax, QStringLiteral("stampa"));
        if (backedUp == 1) {
            Label5->setVisible(true);
            Label5->setText(msg5_);
        }
    } catch (...) {
        const CaughtError e = describeCurrentException();
        setBusy(false);
        Label13->setText(QStringLiteral("Error!"));
        Label13->setForeColor(colours::red);
        logerrore(e.number, e.description, formName());
        return;
    }

    // Settings, connections and the roll-over, under the settings handler.
    try {
        applySettings();
        if (newDay)
            aggiornadb();
        if (Form* s = Forms::get<frmSplash>())
            s->hide();
    } catch (...) {
        const CaughtError e = describeCurrentException();
        setBusy(false);
        Label13->setText(s.stampa.msg1);
        Label13->setForeColor(colours::red);
        logerrore(e.number, e.description, formName());
    }
}

void Principale::applySettings() {
    const QString folder = programFolder();
    Session& s = *session_;
    s.setDatabasePaths(folder);
    s.queryricerca.clear();
    Label14->setText(leggiini(QStringLiteral("vendor"), QStringLiteral("main"), file::oemIni, 255));
    const QString today = formatDate(clock::today(), QStringLiteral("dd/mm/yy"));
    Label7->setText(today);
    s.setArchiveMode(false);
    scriviini(QStringLiteral("leggi"), QStringLiteral("width"), QStringLiteral("11820"), file::generalIni);

    const double automatic = leggiiniDouble(QStringLiteral("auto"), QStringLiteral("stampa_auto"), file::printIni, 10);
    autoref->setChecked(automatic == 1);
    Label12->setText(automatic == 1 ? QStringLiteral("ON") : QStringLiteral("OFF"));

    s.setAccessLevel(QStringLiteral("User"));
    s.setWorkDate(today);

    if (leggiini(QStringLiteral("separatore"), QStringLiteral("decimale"), file::generalIni, 8).isEmpty()) {
        msgBox(msg1_, MsgButtons::OK, MsgIcon::Information, appTitle());
        Forms::show<setting>();
    }
    Label66->setText(QString());

    online->setChecked(true);
    datalog->setChecked(false);
    Shape22->setBorderColor(colours::orange);
    for (Shape* segment : Line3)
        segment->setBorderColor(colours::orange);

    static const std::pair<const char*, const char*> models[] = {{"CD3000", "/immagini/cd3000small.gif"},
                                                                 {"CD3500", "/immagini/cd3500small.gif"},
                                                                 {"CD3700", "/immagini/3700.gif"},
                                                                 {"CD3200", "/immagini/cd3200small.gif"}};
    modelPicture_.clear();
    for (const auto& [name, path] : models)
        if (model_ == QLatin1String(name))
            modelPicture_ = QLatin1String(path);
    if (!modelPicture_.isEmpty())
        Image9->loadPicture(folder + modelPicture_);

    Label55->setVisible(false);
    const QString portIni = file::portIni;
    Label59->setText(leggiini(QStringLiteral("port"), QStringLiteral("porta"), portIni, 15));
    Label62->setText(leggiini(QStringLiteral("port"), QStringLiteral("rate"), portIni, 15));
    Label63->setText(leggiini(QStringLiteral("port"), QStringLiteral("parity"), portIni, 15));
    Label60->setText(leggiini(QStringLiteral("port"), QStringLiteral("bit"), portIni, 15));
    Label61->setText(leggiini(QStringLiteral("port"), QStringLiteral("stopbit"), portIni, 15));
    const int16_t handshake = leggiiniInt16(QStringLiteral("port"), QStringLiteral("handshake"), portIni, 10);
    const int16_t inputlen = leggiiniInt16(QStringLiteral("port"), QStringLiteral("inputlen"), portIni, 10);
    const int16_t len = leggiiniInt16(QStringLiteral("port"), QStringLiteral("len"), portIni, 10);
    if (handshake == 1)
        Label55->setVisible(true);
    if (inputlen == 1) {
        Label58->setVisible(true);
        Label64->setVisible(true);
        Label64->setText(QString::number(len));
    }

    s.openConnections(configuredDecimalMark());
}

int Principale::aggiornadb() {
    setBusy(true);
    Label24->setVisible(true);
    Label24->setText(aggiornaLbl1_);
    rollOverDaily(session_->cntot, session_->db_daily);
    Label24->setVisible(true);
    Label24->setText(aggiornaOk_);
    setBusy(false);
    scriviini(QStringLiteral("database"), QStringLiteral("last"), Label7->text(), file::generalIni);
    return 0;
}

void Principale::connectCommands() {
    // Menu items and shortcuts that open a window: a window already open comes
    // forward, its load does not run again.
    auto opener = [this](QAction* item, const char* window) {
        connect(item, &QAction::triggered, this,
                [this, window] { guard([this, window] { openWindow(QString::fromLatin1(window)); }); });
    };
    opener(c_data, "cambia");
    opener(Service_menu, "frmLogin");
    opener(Ricerca_menu, "formricerca");
    opener(Gestione_menu, "Archivio2");
    opener(inserman, "inserimento");
    opener(vet2, "vet");
    opener(uma1, "calfact");
    opener(mqc1, "qc");
    opener(mqc2, "qcrif");
    opener(rif_menu, "Limiti");
    opener(rifvet, "limitivet");
    opener(ref, "Referto2");
    opener(setpar, "setting");
    opener(zarvium_menu, "Help");
    opener(errlog, "errlogmod");
    // These three, like the toolbar, say nothing when their window cannot open:
    // the window reports its own failures.
    auto quietOpener = [this](auto* source, auto signal, const char* window) {
        connect(source, signal, this, [this, window] {
            guard([this, window] { ignoring([&] { openWindow(QString::fromLatin1(window)); }); });
        });
    };
    quietOpener(anag, &QAction::triggered, "leggi");
    quietOpener(lavoro_m, &QAction::triggered, "anagrafiche");
    quietOpener(prnt, &QAction::triggered, "Refertazionex");
    const std::pair<Label*, const char*> toolbar[] = {
        {Label20, "leggi"},       {Image1, "leggi"},        {Label17, "anagrafiche"},   {Image11, "anagrafiche"},
        {Label19, "formricerca"}, {Image10, "formricerca"}, {Label18, "Archivio2"},     {Image5, "Archivio2"},
        {Label21, "qc"},          {Image4, "qc"},           {Label22, "Refertazionex"}, {Image3, "Refertazionex"}};
    for (const auto& [cell, window] : toolbar)
        quietOpener(cell, &Label::clicked, window);

    connect(Label2, &Label::clicked, this, [this] { guard([this] { openWindow(QStringLiteral("cambia")); }); });
    connect(Label3, &Label::doubleClicked, this, [this] { guard([this] { openWindow(QStringLiteral("frmLogin")); }); });
    connect(Image8, &Label::doubleClicked, this,
            [this] { guard([this] { openWindow(QStringLiteral("changelan")); }); });
    connect(Label13, &Label::clicked, this, [this] { guard([this] { Label13_Click(); }); });
    connect(Label5, &Label::clicked, this, [this] { guard([this] { clearLabel(Label5); }); });
    connect(Label24, &Label::clicked, this, [this] { guard([this] { clearLabel(Label24); }); });
    connect(autoref, &QAction::triggered, this, [this] { guard([this] { autoref_Click(); }); });
    connect(daily, &QAction::triggered, this, [this] { guard([this] { daily_Click(); }); });
    connect(total, &QAction::triggered, this, [this] { guard([this] { total_Click(); }); });
    connect(aggarch, &QAction::triggered, this, [this] { guard([this] { aggarch_Click(); }); });
    connect(stampantre, &QAction::triggered, this, [this] { guard([this] { stampantre_Click(); }); });
}

void Principale::openWindow(const QString& name) { Forms::show(name); }

void Principale::autoref_Click() {
    // Qt has already flipped the check mark: what the user saw is its opposite.
    const bool wasChecked = !autoref->isChecked();
    autoref->setChecked(!wasChecked);
    scriviini(QStringLiteral("auto"), QStringLiteral("stampa_auto"),
              wasChecked ? QStringLiteral("0") : QStringLiteral("1"), file::printIni);
    Label12->setText(wasChecked ? QStringLiteral("OFF") : QStringLiteral("ON"));
}

void Principale::daily_Click() { session_->setArchiveMode(false); }

void Principale::total_Click() { session_->setArchiveMode(true); }

void Principale::aggarch_Click() { aggiornadb(); }

void Principale::stampantre_Click() {
    try {
        if (const std::optional<PrintDestination> chosen = prompts().choosePrinter())
            session_->setPrintDestination(*chosen);
    } catch (...) {
        const CaughtError e = describeCurrentException();
        msgBox(QStringLiteral("Error!"), MsgButtons::OK, MsgIcon::Critical, appTitle());
        logerrore(e.number, e.description, formName());
    }
}

void Principale::Label13_Click() {
    const QString bk = leggiini(QStringLiteral("database"), QStringLiteral("bk"), file::generalIni, 255);
    msgBox(msg4_ + bk, MsgButtons::OK, MsgIcon::Information, appTitle());
}

void Principale::clearLabel(Label* label) {
    label->setText(QString());
    label->setVisible(false);
}

void Principale::listenToNotifier() {
    Notifier& n = notifier();
    connect(&n, &Notifier::errorLogged, this, &Principale::showLoggedError);
    connect(&n, &Notifier::workDateChanged, Label2, &QLabel::setText);
    connect(&n, &Notifier::archiveModeChanged, this, [this](bool archive) {
        daily->setChecked(!archive);
        total->setChecked(archive);
        Label11->setText(archive ? lbl11_s : lbl11);
    });
    connect(&n, &Notifier::accessLevelChanged, this, [this](const QString& level) {
        Label3->setText(level);
        setpar->setEnabled(level != QLatin1String("User"));
    });
    connect(&n, &Notifier::linkState, this, [this](bool on) {
        Label16->setVisible(true);
        Label16->setBackColor(on ? colours::green : colours::orange);
        Label16->setText(on ? QStringLiteral("On Line") : QStringLiteral("Off Line"));
    });
    connect(&n, &Notifier::receiveStatus, this, &Principale::showReceiverActivity);
    connect(&n, &Notifier::receiveError, this, &Principale::showReceiveFailure);
    connect(&n, &Notifier::receiveProgress, this, [this](int index) {
        if (index < 0) {
            for (Shape* segment : Line3)
                segment->setVisible(false);
        } else if (index < int(Line3.size())) {
            Line3[std::size_t(index)]->setVisible(true);
        }
    });
    connect(&n, &Notifier::resultCounted, this, [this](qint64 count) { Label65->setText(QString::number(count)); });
    connect(&n, &Notifier::autoReportDue, this, [this](qint64 id1) { runAutoReport(id1); });
    // Each toolbar window hides its cell's marker while it is open.
    connect(&n, &Notifier::windowOpened, this, [this](const QString& name, bool open) {
        const std::pair<const char*, Shape*> markers[] = {{"leggi", Shape6},       {"anagrafiche", Shape3},
                                                          {"formricerca", Shape5}, {"Archivio2", Shape4},
                                                          {"qc", Shape7},          {"Refertazionex", Shape9}};
        for (const auto& [window, shape] : markers)
            if (name.compare(QLatin1String(window), Qt::CaseInsensitive) == 0)
                shape->setVisible(!open);
    });
}

void Principale::showLoggedError(const LoggedError& error) {
    Label24->setVisible(true);
    Label24->setText(error.window + QStringLiteral(" - ") + QString::number(error.number) + QStringLiteral(" - ") +
                     error.description);
}

void Principale::showReceiverActivity(ReceiverActivity activity) {
    // The receiver's messages of the language file: msg2 waiting, msg3 receiving.
    const char* key = activity == ReceiverActivity::Idle        ? "msg2"
                      : activity == ReceiverActivity::Receiving ? "msg3"
                                                                : nullptr;
    Label66->setText(key && session_ ? languageText(session_->linguax, QStringLiteral("rs232"), QLatin1String(key))
                                     : QString());
}

void Principale::showReceiveFailure(ReceiveFailure failure) {
    if (failure == ReceiveFailure::None) {
        Label29->setText(QString());
        Label29->setTransparent();
        return;
    }
    Label29->setText(failure == ReceiveFailure::Line ? QStringLiteral("Rx Error!") : QStringLiteral("Rec. Error!"));
    Label29->setBackColor(colours::red);
    Label29->setForeColor(Qt::white);
}

void Principale::runAutoReport(qint64 id1) {
    // One page at a time: a result stored while another page is being
    // produced (its error box lets the serial port be read) is reported
    // after that page, in the order of arrival.
    ReportTurns::get().requestAutoReport(id1, [](qint64) {
        // The report window prints at its load; a failure to get that far is
        // the store step's, reported as the receiver reports its own.
        try {
            Forms::load(QStringLiteral("autostampa"));
            Forms::unload(QStringLiteral("autostampa"));
        } catch (...) {
            const CaughtError e = describeCurrentException();
            emit notifier().receiveError(ReceiveFailure::Store);
            logerrore(e.number, e.description, QStringLiteral("ComCD"));
        }
    });
}

void Principale::Dati_menu2_Click() { connectLink(); }
void Principale::Image12_Click() { connectLink(); }
void Principale::Label65_Click() { connectLink(); }

void Principale::connectLink() {
    // Without the daily database every result received would be read off the
    // line and then lost: the analyser's transmission is left unconsumed.
    if (!session_ || !session_->cn.isOpen()) {
        emit notifier().receiveError(ReceiveFailure::Line);
        logerrore(err::Database, QStringLiteral("On Line refused: the daily database is not open."), formName());
        return;
    }
    // After a pulled cable the link shows Off Line: On Line connects afresh.
    if (const ComCD* rx = Forms::get<ComCD>(); rx && rx->lineLost())
        Forms::unload<ComCD>();
    Forms::load<ComCD>();
    online->setEnabled(true);
    datalog->setEnabled(true);
    Image9->setVisible(true);
}

void Principale::offline_Click() {
    Forms::unload<ComCD>();
    online->setEnabled(false);
    datalog->setEnabled(false);
    Label29->setText(QString());
    Label29->setTransparent();
    Image9->setVisible(false);
}

void Principale::online_Click() {
    online->setChecked(true);
    datalog->setChecked(false);
    Shape22->setBorderColor(colours::orange);
    if (ComCD* rx = Forms::get<ComCD>())
        rx->setDataLogger(false);
    for (Shape* segment : Line3)
        segment->setBorderColor(colours::orange);
    Label65->setForeColor(colours::orange);
    if (!modelPicture_.isEmpty())
        Image9->loadPicture(programFolder() + modelPicture_);
}

void Principale::datalog_Click() {
    datalog->setChecked(true);
    online->setChecked(false);
    Shape22->setBorderColor(colours::blue);
    if (ComCD* rx = Forms::get<ComCD>())
        rx->setDataLogger(true);
    for (Shape* segment : Line3)
        segment->setBorderColor(colours::blue);
    Label65->setForeColor(colours::blue);
    Image9->loadPicture(programFolder() + QStringLiteral("/immagini/pcdata.gif"));
}

void Principale::Form_Unload(bool& cancel) {
    (void)cancel;
    // Let go of the shared connections first, then close every other window.
    if (session_)
        session_->closeConnections();
    static const char* const windows[] = {"ComCD",     "frmSplash",   "leggi",       "anagrafiche", "grafici",
                                          "Archivio2", "cambia",      "Cambia2",     "frmLogin",    "Help",
                                          "Limiti",    "referto",     "Referto2",    "setting",     "Refertazionex",
                                          "errlogmod", "formricerca", "qc",          "qcrif",       "Stampa",
                                          "calfact",   "vet",         "inserimento", "limitivet",   "changelan"};
    for (const char* w : windows)
        ignoring([&] { Forms::unload(QString::fromLatin1(w)); });
    session_.reset();
    // The program ends with the main window, whatever hidden windows remain.
    shell::endProgram();
}

namespace shell {
void registerMainWindow() {
    Forms::registerFactory(Principale::kName, [] { return new Principale; });
    Forms::setMainWindow(QString(Principale::kName));
}
}  // namespace shell

}  // namespace zv
