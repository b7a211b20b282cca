#include "app/principale.h"

#include <QApplication>

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

Principale::Principale() : Form(QStringLiteral("Principale")) {
    setupUi(this);
    windowLayout->setMenuBar(menuBar);
    // Batch reporting is reached through the REFERTA shortcut; this menu is never shown.
    Stampa_menu->menuAction()->setVisible(false);
    // The title larger than the desktop's font, which a form cannot say.
    QFont titleFont = Label23->font();
    titleFont.setBold(true);
    titleFont.setPointSize(titleFont.pointSize() + 4);
    Label23->setFont(titleFont);
    Line3 = {Line3_0, Line3_1, Line3_2, Line3_3, Line3_4, Line3_5, Line3_6};
    connectLinkCommands();
    connectCommands();
}

Principale::~Principale() = default;

void Principale::connectLinkCommands() {
    connect(Esci_menu, &QAction::triggered, this, [this] { guard([this] { Forms::unload(formName()); }); });
    connect(Dati_menu2, &QAction::triggered, this, [this] { guard([this] { Dati_menu2_Click(); }); });
    connect(offline, &QAction::triggered, this, [this] { guard([this] { offline_Click(); }); });
    connect(online, &QAction::triggered, this, [this] { guard([this] { online_Click(); }); });
    connect(datalog, &QAction::triggered, this, [this] { guard([this] { datalog_Click(); }); });
    connect(Image12, &Label::clicked, this, [this] { guard([this] { Image12_Click(); }); });
    connect(Label65, &Label::clicked, this, [this] { guard([this] { Label65_Click(); }); });
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
    aggiornaDamaged_ = caption(lingua, QStringLiteral("aggiorna"), QStringLiteral("err1"));
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
    archiveDamaged_ = splash && splash->archiveDamaged;

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
    Label59->setText(configuredPort(QStringLiteral("port")));
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
    // The user will restore a damaged archive from its back-up, and with it
    // lose whatever was moved in: the results wait in the daily database,
    // where reception goes on, until a start finds the archive whole. The
    // day of the last roll-over is left as it is, so that start rolls over.
    if (archiveDamaged_) {
        Label24->setVisible(true);
        Label24->setForeColor(colours::red);
        Label24->setText(aggiornaDamaged_);
        return 0;
    }
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
    // What the user was told, in their language, when the window told them;
    // the log keeps the description for whoever mends the cause.
    Label24->setText(error.window + QStringLiteral(" - ") + QString::number(error.number) + QStringLiteral(" - ") +
                     (error.said.isEmpty() ? error.description : error.said));
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

void Principale::online_Click() { showLinkMode(false); }

void Principale::datalog_Click() { showLinkMode(true); }

// On line the link is drawn in orange beside the analyser's picture; as a
// data logger in blue beside the PC's.
void Principale::showLinkMode(bool dataLogger) {
    (dataLogger ? datalog : online)->setChecked(true);
    (dataLogger ? online : datalog)->setChecked(false);
    const QColor colour = dataLogger ? colours::blue : colours::orange;
    Shape22->setBorderColor(colour);
    if (ComCD* rx = Forms::get<ComCD>())
        rx->setDataLogger(dataLogger);
    for (Shape* segment : Line3)
        segment->setBorderColor(colour);
    Label65->setForeColor(colour);
    const QString picture = dataLogger ? QStringLiteral("/immagini/pcdata.gif") : modelPicture_;
    if (!picture.isEmpty())
        Image9->loadPicture(programFolder() + picture);
}

void Principale::Form_Unload(bool& cancel) {
    (void)cancel;
    // Let go of the shared connections first, then close every other window.
    if (session_)
        session_->closeConnections();
    static const char* const windows[] = {
        "ComCD", "frmSplash", "leggi",   "anagrafiche", "Archivio2", "cambia",        "Cambia2",   "frmLogin",
        "Help",  "Limiti",    "referto", "Referto2",    "setting",   "Refertazionex", "errlogmod", "formricerca",
        "qc",    "qcrif",     "Stampa",  "calfact",     "vet",       "inserimento",   "limitivet", "changelan"};
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
