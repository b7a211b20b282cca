#include "archive/archivio2.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QUrl>
#include <QVBoxLayout>

#include "archive/transfer.h"
#include "core/captions.h"
#include "core/config.h"
#include "core/notifier.h"
#include "core/programfiles.h"
#include "core/session.h"
#include "core/windowlanguage.h"
#include "model/resultstore.h"
#include "platform/busy.h"
#include "platform/clock.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/prompts.h"
#include "platform/recordsetmodel.h"
#include "viewer/leggi.h"

namespace zv {

namespace {

const QString kSection = QStringLiteral("archivio2");
// Another archive file than the program's own, attached to the archive
// connection for the viewer's search.
const QString kSearchSchema = QStringLiteral("zvricerca");

bool sameFile(const QString& a, const QString& b) {
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

template <class T>
T* named(T* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

QLabel* label(QWidget* parent, const char* name, const QString& text = QString()) {
    return named(new QLabel(text, parent), name);
}

QLabel* valueLabel(QWidget* parent, const char* name, const QColor& background) {
    QLabel* l = label(parent, name);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, background);
    l->setPalette(p);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(120);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text) {
    return named(new QPushButton(text, parent), name);
}

QTableView* resultList(QWidget* parent, const char* name) {
    auto* view = named(new QTableView(parent), name);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setShowGrid(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

void detachSearchSource(Connection& cn) {
    ignoring([&] { cn.execute(QStringLiteral("DETACH DATABASE %1").arg(kSearchSchema)); });
}

}  // namespace

void showResultInViewer(const QString& database, int64_t id1) {
    Session& s = Session::get();
    const bool archive = sameFile(database, s.cntot.path());
    QString query;
    if (archive) {
        query = QStringLiteral("select * from datiQgrafici where ID1 = %1 order by ID1").arg(id1);
    } else {
        // Opened first on its own: a missing or foreign file fails here and
        // nothing is created in its place.
        Connection probe(database);
        probe.close();
        detachSearchSource(s.cntot);
        s.cntot.execute(QStringLiteral("ATTACH DATABASE ?1 AS %1").arg(kSearchSchema), {database});
        // Not the bare record source: the viewer reads it whole and cannot edit it.
        query = QStringLiteral("select * from %1.datiQgrafici where ID1 = %2").arg(kSearchSchema).arg(id1);
    }
    s.dbricerca = database;
    showSearchInViewer(query);
}

Archivio2::Archivio2() : Form(QString(kName)) {
    setWindowTitle(QStringLiteral("Gestione Archivio"));
    SSTab1 = named(new QTabWidget(this), "SSTab1");
    auto* tab0 = new QWidget;
    auto* tab1 = new QWidget;
    auto* tab2 = new QWidget;
    SSTab1->addTab(tab0, QStringLiteral("Archivio Storico"));
    SSTab1->addTab(tab1, QStringLiteral("Archivio Giornaliero"));
    SSTab1->addTab(tab2, QStringLiteral("Avanzate"));
    buildTab0(tab0);
    buildTab1(tab1);
    buildTab2(tab2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1);
    resize(820, 560);
}

Archivio2::~Archivio2() {
    // The models' recordsets go before the connections they read.
    if (records_)
        records_->setRecordset(Recordset());
    if (daily_)
        daily_->setRecordset(Recordset());
}

void Archivio2::buildTab0(QWidget* tab) {
    Label18 = label(tab, "Label18", QStringLiteral("Anno"));
    Label19 = label(tab, "Label19", QStringLiteral("Mese"));
    Label20 = label(tab, "Label20", QStringLiteral("Giorno"));
    Label28 = label(tab, "Label28", QStringLiteral("ID."));
    Label29 = label(tab, "Label29", QStringLiteral("Nome"));
    List2 = named(new QListWidget(tab), "List2");
    List3 = named(new QListWidget(tab), "List3");
    List4 = named(new QListWidget(tab), "List4");
    List5 = resultList(tab, "List5");
    records_ = new RecordsetTableModel({{QStringLiteral("SpecId"), QString()}, {QStringLiteral("SpecName"), QString()}},
                                       QChar(), this);
    List5->setModel(records_);
    List5->horizontalHeader()->hide();
    // The identifier column under its heading, the name beside it.
    constexpr int kIdWidth = 140;
    List5->setColumnWidth(0, kIdWidth);
    Label28->setFixedWidth(kIdWidth);
    for (QWidget* list : {static_cast<QWidget*>(List2), static_cast<QWidget*>(List3), static_cast<QWidget*>(List4),
                          static_cast<QWidget*>(List5)})
        list->installEventFilter(this);
    Command8 = button(tab, "Command8", QStringLiteral("A N A L I Z Z A   D A T A B A S E"));
    Label27 = label(tab, "Label27", QStringLiteral("Totale Archivio:"));
    Label30 = label(tab, "Label30");
    Label21 = label(tab, "Label21", QStringLiteral("Totale Anno:"));
    Label22 = label(tab, "Label22");
    Label23 = label(tab, "Label23", QStringLiteral("Totale Mese:"));
    Label24 = label(tab, "Label24");
    Label25 = label(tab, "Label25", QStringLiteral("Totale Giorno:"));
    Label26 = label(tab, "Label26");
    Label7 = label(tab, "Label7", QStringLiteral("DB di origine:"));
    Label9 = valueLabel(tab, "Label9", QColor(255, 192, 192));
    Command4 = button(tab, "Command4", QStringLiteral("..."));
    Label8 = label(tab, "Label8", QStringLiteral("DB di destinazione:"));
    Label10 = valueLabel(tab, "Label10", Qt::white);
    Command5 = button(tab, "Command5", QStringLiteral("..."));
    Option1 = named(new QRadioButton(QStringLiteral("Sposta"), tab), "Option1");
    Option2 = named(new QRadioButton(QStringLiteral("Copia"), tab), "Option2");
    Option3 = named(new QRadioButton(QStringLiteral("Elimina"), tab), "Option3");
    Command1 = button(tab, "Command1", QStringLiteral("E S E G U I"));
    for (QPushButton* b : {Command4, Command5})
        b->setFixedWidth(32);

    auto* grid = new QGridLayout;
    grid->addWidget(Label18, 0, 0);
    grid->addWidget(Label19, 0, 1);
    grid->addWidget(Label20, 0, 2);
    auto* recordHeads = new QHBoxLayout;
    recordHeads->addWidget(Label28);
    recordHeads->addWidget(Label29, 1);
    grid->addLayout(recordHeads, 0, 3);
    grid->addWidget(List2, 1, 0);
    grid->addWidget(List3, 1, 1);
    grid->addWidget(List4, 1, 2);
    grid->addWidget(List5, 1, 3);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 1);
    grid->setColumnStretch(3, 4);

    auto* totals = new QGridLayout;
    const std::pair<QLabel*, QLabel*> rows[] = {
        {Label27, Label30}, {Label21, Label22}, {Label23, Label24}, {Label25, Label26}};
    int r = 0;
    for (const auto& [caption, value] : rows) {
        totals->addWidget(caption, r, 0);
        totals->addWidget(value, r++, 1);
        value->setMinimumWidth(80);
    }
    auto* totalsFrame = named(new QFrame(tab), "Shape1");
    totalsFrame->setFrameShape(QFrame::Box);
    totalsFrame->setLayout(totals);

    auto* choices = new QGridLayout;
    choices->addWidget(Label7, 0, 0);
    choices->addWidget(Label9, 0, 1);
    choices->addWidget(Command4, 0, 2);
    choices->addWidget(Label8, 1, 0);
    choices->addWidget(Label10, 1, 1);
    choices->addWidget(Command5, 1, 2);
    choices->setColumnStretch(1, 1);
    auto* options = new QHBoxLayout;
    options->addWidget(Option1);
    options->addWidget(Option2);
    options->addWidget(Option3);
    options->addStretch();
    options->addWidget(Command1);
    choices->addLayout(options, 2, 0, 1, 3);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(totalsFrame);
    bottom->addLayout(choices, 1);

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(Command8);
    layout->addLayout(grid, 1);
    layout->addLayout(bottom);

    auto on = [this](auto signalOwner, auto signal, void (Archivio2::*slot)()) {
        connect(signalOwner, signal, this, [this, slot] { guard([this, slot] { (this->*slot)(); }); });
    };
    on(Command8, &QPushButton::clicked, &Archivio2::Command8_Click);
    on(List2, &QListWidget::itemDoubleClicked, &Archivio2::List2_DblClick);
    on(List3, &QListWidget::itemDoubleClicked, &Archivio2::List3_DblClick);
    on(List4, &QListWidget::itemDoubleClicked, &Archivio2::List4_DblClick);
    on(List5, &QTableView::doubleClicked, &Archivio2::List5_DblClick);
    on(Command1, &QPushButton::clicked, &Archivio2::Command1_Click);
    on(Command4, &QPushButton::clicked, &Archivio2::Command4_Click);
    on(Command5, &QPushButton::clicked, &Archivio2::Command5_Click);
    for (QRadioButton* option : {Option1, Option2, Option3})
        on(option, &QRadioButton::toggled, &Archivio2::Option_Click);
}

void Archivio2::buildTab1(QWidget* tab) {
    Command6 = button(tab, "Command6", QStringLiteral("Visualizza Archivio Giornaliero"));
    Command7 = button(tab, "Command7", QStringLiteral("Cancella  Record Selezionato"));
    List1 = resultList(tab, "List1");
    daily_ = new RecordsetTableModel({{QStringLiteral("seq"), QStringLiteral("Seq.")},
                                      {QStringLiteral("specId"), QStringLiteral("ID.")},
                                      {QStringLiteral("specName"), QString()}},
                                     QChar(), this);
    List1->setModel(daily_);
    List1->horizontalHeader()->hide();
    List1->setColumnWidth(0, 70);
    List1->setColumnWidth(1, 140);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(Command6);
    layout->addWidget(List1, 1);
    layout->addWidget(Command7);
    connect(Command6, &QPushButton::clicked, this, [this] { guard([this] { Command6_Click(); }); });
    connect(Command7, &QPushButton::clicked, this, [this] { guard([this] { Command7_Click(); }); });
}

void Archivio2::buildTab2(QWidget* tab) {
    const QColor green(192, 255, 192);
    Label1 = label(tab, "Label1", QStringLiteral("Files Log  Archiviati:"));
    Label2 = label(tab, "Label2");
    Label5 = label(tab, "Label5");
    Command9 = button(tab, "Command9", QStringLiteral("..."));
    Label3 = label(tab, "Label3", QStringLiteral("Files RX Log Archiviati:"));
    Label4 = label(tab, "Label4");
    Label6 = label(tab, "Label6");
    Command10 = button(tab, "Command10", QStringLiteral("..."));
    Label11 = label(tab, "Label11", QStringLiteral("Files dell' Applicazione:"));
    Label12 = label(tab, "Label12");
    Label13 = label(tab, "Label13", QStringLiteral("Archivio Storico:"));
    Label14 = label(tab, "Label14");
    Label15 = label(tab, "Label15", QStringLiteral("Archivio Giornaliero:"));
    Label17 = label(tab, "Label17");
    Label31 = label(tab, "Label31", QStringLiteral("Percorso Back-up automatico archivi:"));
    Label33 = label(tab, "Label33", QStringLiteral("Archivio dati"));
    Label32 = valueLabel(tab, "Label32", green);
    Command2 = button(tab, "Command2", QStringLiteral("..."));
    Label34 = label(tab, "Label34", QStringLiteral("Archivio riferimenti"));
    Label35 = valueLabel(tab, "Label35", green);
    Command3 = button(tab, "Command3", QStringLiteral("..."));
    Label36 = label(tab, "Label36", QStringLiteral("Archivio veterinaria"));
    Label37 = valueLabel(tab, "Label37", green);
    Command11 = button(tab, "Command11", QStringLiteral("..."));
    for (QPushButton* b : {Command9, Command10, Command2, Command3, Command11})
        b->setFixedWidth(32);

    auto* grid = new QGridLayout;
    int r = 0;
    grid->addWidget(Label1, r, 0);
    grid->addWidget(Label2, r, 1);
    grid->addWidget(Label5, r, 2);
    grid->addWidget(Command9, r++, 3);
    grid->addWidget(Label3, r, 0);
    grid->addWidget(Label4, r, 1);
    grid->addWidget(Label6, r, 2);
    grid->addWidget(Command10, r++, 3);
    grid->addWidget(Label11, r, 0);
    grid->addWidget(Label12, r++, 1);
    grid->addWidget(Label13, r, 0);
    grid->addWidget(Label14, r++, 2);
    grid->addWidget(Label15, r, 0);
    grid->addWidget(Label17, r++, 2);
    auto* line = named(new QFrame(tab), "Line4");
    line->setFrameShape(QFrame::HLine);
    grid->addWidget(line, r++, 0, 1, 4);
    grid->addWidget(Label31, r++, 0, 1, 4);
    const std::tuple<QLabel*, QLabel*, QPushButton*> targets[] = {
        {Label33, Label32, Command2}, {Label34, Label35, Command3}, {Label36, Label37, Command11}};
    for (const auto& [caption, value, picker] : targets) {
        grid->addWidget(caption, r, 0);
        grid->addWidget(value, r, 1, 1, 2);
        grid->addWidget(picker, r++, 3);
    }
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(r, 1);
    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(grid);

    connect(Command9, &QPushButton::clicked, this, [this] { guard([this] { openFolder(file::logFolder); }); });
    connect(Command10, &QPushButton::clicked, this, [this] { guard([this] { openFolder(file::rxlogFolder); }); });
    connect(Command2, &QPushButton::clicked, this, [this] { guard([this] { backupTarget(0); }); });
    connect(Command3, &QPushButton::clicked, this, [this] { guard([this] { backupTarget(1); }); });
    connect(Command11, &QPushButton::clicked, this, [this] { guard([this] { backupTarget(2); }); });
}

bool Archivio2::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Backspace) {
        guard([&] {
            if (watched == List5)
                clearRecords();
            else if (auto* list = qobject_cast<QListWidget*>(watched))
                list->clear();
        });
        return true;
    }
    return Form::eventFilter(watched, event);
}

void Archivio2::Form_Load() {
    emit notifier().windowOpened(formName(), true);
    ignoring([&] { loadTexts(); });
    for (const auto& [target, key] :
         {std::pair{Label32, "pathautobackup"}, std::pair{Label35, "pathautobackupriferimenti"},
          std::pair{Label37, "pathautobackupvet"}})
        ignoring([&, target = target, key = key] {
            const QString path = leggiini(QStringLiteral("back-up"), QString::fromLatin1(key), file::generalIni, 255);
            target->setText(path.isEmpty() ? QStringLiteral("Default") : path);
        });
    Option2->setChecked(true);
    Option_Click();
    chiavimesi.clear();
    criterio = {};
    dbsorgente = programPath(file::archiveDb);
    Label9->setText(dbsorgente);
    dbdestinazione.clear();
    Label10->clear();
    ignoring([&] { showFolderStatistics(); });
    SSTab1->setCurrentIndex(0);
}

void Archivio2::loadTexts() {
    const QString lingua = windowLanguageFile();
    setWindowTitle(caption(lingua, kSection, QStringLiteral("titolo")));
    for (int i = 0; i < 3; ++i)
        SSTab1->setTabText(i, caption(lingua, kSection, QStringLiteral("tab%1").arg(i)));
    applyCaptions(this, lingua, kSection,
                  {{"Label18", "label18"}, {"Label19", "label19"}, {"Label20", "label20"}, {"Label28", "label28"},
                   {"Label29", "label29"}, {"Label27", "label27"}, {"Label23", "label23"}, {"Label21", "label21"},
                   {"Label25", "label25"}, {"Label7", "label7"},   {"Label8", "label8"},   {"Label1", "label1"},
                   {"Label3", "label3"},   {"Label11", "label11"}, {"Label13", "label13"}, {"Label15", "label15"},
                   {"Label31", "label31"}, {"Label33", "label33"}, {"Label34", "label34"}, {"Label36", "label36"},
                   {"Command1", "cmd1"},   {"Command8", "cmd8"},   {"Command6", "cmd6"},   {"Command7", "cmd7"},
                   {"Option1", "opt1"},    {"Option2", "opt2"},    {"Option3", "opt3"}});
    for (int i = 1; i <= 9; ++i)
        txt_msg[std::size_t(i)] = caption(lingua, kSection, QStringLiteral("msg%1").arg(i));
    for (int i = 1; i <= 6; ++i) {
        txt_common[std::size_t(i)] = caption(lingua, kSection, QStringLiteral("common%1").arg(i));
        txt_err[std::size_t(i)] = caption(lingua, kSection, QStringLiteral("err%1").arg(i));
    }
    txt_err[7] = caption(lingua, kSection, QStringLiteral("err7"));
}

void Archivio2::showFolderStatistics() {
    const QChar mark = configuredDecimalMark();
    auto count = [](QLabel* target, const QString& folder) {
        const int64_t n = fileCount(folder);
        if (n >= 0)
            target->setText(QString::number(n));
    };
    count(Label2, programPath(file::logFolder));
    Label5->setText(sizeCaption(diskSize(programPath(file::logFolder)), mark));
    count(Label4, programPath(file::rxlogFolder));
    Label6->setText(sizeCaption(diskSize(programPath(file::rxlogFolder)), mark));
    count(Label12, programFolder());
    Label14->setText(sizeCaption(diskSize(programPath(file::archiveDb)), mark));
    Label17->setText(sizeCaption(diskSize(programPath(file::dailyDb)), mark));
}

void Archivio2::Form_Unload(bool&) {
    if (Session* s = Session::current()) {
        s->queryricerca.clear();
        s->dbricerca.clear();
        detachSearchSource(s->cntot);
    }
    records_->setRecordset(Recordset());
    daily_->setRecordset(Recordset());
    cnarch.close();
    cndaily.close();
    emit notifier().windowOpened(formName(), false);
}

void Archivio2::levelFailed(const AppError& e, const QString& text) {
    setBusy(false);
    logerrore(e.number(), e.description(), formName());
    msgBox(text, MsgButtons::OK, MsgIcon::Critical, appTitle());
}

void Archivio2::clearRecords() {
    records_->setRecordset(Recordset());
    cnarch.close();
}

void Archivio2::Command8_Click() {
    setBusy(true);
    Label22->clear();
    Label24->clear();
    Label26->clear();
    try {
        const int last = clock::today().year() % 100;
        const int first =
            archiveStartYear(leggiini(QStringLiteral("database"), QStringLiteral("start"), file::generalIni, 15));
        chiavianni.clear();
        chiavimesi.clear();
        chiavigiorni.clear();
        List2->clear();
        List3->clear();
        List4->clear();
        clearRecords();
        Connection cn(dbsorgente);
        int64_t total = 0;
        for (const PeriodCount& year : countYears(cn, first, last)) {
            List2->addItem(QStringLiteral("20") + year.key);
            chiavianni << year.key;
            total += year.count;
        }
        Label30->setText(QString::number(total));
    } catch (const AppError& e) {
        levelFailed(e, txt_err[3]);
        return;
    }
    setBusy(false);
}

void Archivio2::List2_DblClick() {
    const int line = List2->currentRow();
    if (line < 0 || line >= chiavianni.size()) {
        msgBox(txt_msg[7], MsgButtons::OK, MsgIcon::Information, QStringLiteral("Zarvium - Gestione Archivio"));
        return;
    }
    setBusy(true);
    Label24->clear();
    Label26->clear();
    List3->clear();
    List4->clear();
    clearRecords();
    chiavimesi.clear();
    chiavigiorni.clear();
    try {
        const QStringList names =
            leggiini(kSection, QStringLiteral("mesi"), windowLanguageFile(), 255).split(QLatin1Char(','));
        Connection cn(dbsorgente);
        int64_t total = 0;
        for (const PeriodCount& month : countMonths(cn, chiavianni.at(line))) {
            const int index = month.key.left(2).toInt() - 1;
            if (index >= names.size())
                throw AppError(err::InvalidCall, QStringLiteral("The language file names no month %1.").arg(index + 1));
            List3->addItem(names.at(index).trimmed());
            chiavimesi << month.key;
            total += month.count;
        }
        Label22->setText(QString::number(total));
    } catch (const AppError& e) {
        levelFailed(e, txt_err[4]);
        return;
    }
    setBusy(false);
}

void Archivio2::List3_DblClick() {
    const int line = List3->currentRow();
    if (line < 0 || line >= chiavimesi.size()) {
        msgBox(txt_msg[8], MsgButtons::OK, MsgIcon::Information, appTitle());
        return;
    }
    Label26->clear();
    setBusy(true);
    List4->clear();
    clearRecords();
    chiavigiorni.clear();
    try {
        Connection cn(dbsorgente);
        int64_t total = 0;
        for (const PeriodCount& day : countDays(cn, chiavimesi.at(line))) {
            List4->addItem(day.key.left(2));
            chiavigiorni << day.key;
            total += day.count;
        }
        Label24->setText(QString::number(total));
    } catch (const AppError& e) {
        levelFailed(e, txt_err[5]);
        return;
    }
    setBusy(false);
}

void Archivio2::List4_DblClick() {
    const int line = List4->currentRow();
    if (line < 0 || line >= chiavigiorni.size()) {
        msgBox(txt_msg[9], MsgButtons::OK, MsgIcon::Information, QStringLiteral("Zarvium - Gestione Archivio"));
        return;
    }
    clearRecords();
    setBusy(true);
    try {
        const Selection day = selectionOf(BrowseLevel::Day, chiavigiorni.at(line));
        cnarch.open(dbsorgente);
        Recordset rs(cnarch, selectionQuery(day), day.params);
        const int64_t n = rs.recordCount();
        records_->setRecordset(std::move(rs));
        List5->setColumnWidth(0, Label28->width());
        Label26->setText(QString::number(n));
    } catch (const AppError& e) {
        clearRecords();
        levelFailed(e, txt_err[6]);
        return;
    }
    setBusy(false);
}

void Archivio2::List5_DblClick() {
    const int line = List5->currentIndex().row();
    if (line < 0) {
        msgBox(txt_msg[6], MsgButtons::OK, MsgIcon::Information, appTitle());
        return;
    }
    showResultInViewer(dbsorgente, records_->key(line));
}

void Archivio2::identifica() {
    criterio = {};
    if (const int line = List5->currentIndex().row(); line >= 0)
        criterio = recordSelection(records_->key(line));
    else if (const int day = List4->currentRow(); day >= 0 && day < chiavigiorni.size())
        criterio = selectionOf(BrowseLevel::Day, chiavigiorni.at(day));
    else if (const int month = List3->currentRow(); month >= 0 && month < chiavimesi.size())
        criterio = selectionOf(BrowseLevel::Month, chiavimesi.at(month));
    else if (const int year = List2->currentRow(); year >= 0 && year < chiavianni.size())
        criterio = selectionOf(BrowseLevel::Year, chiavianni.at(year));
    else
        msgBox(txt_msg[6], MsgButtons::OK, MsgIcon::Information, appTitle());
}

void Archivio2::Command1_Click() {
    identifica();
    if (criterio.where.isEmpty())
        return;
    TransferMode mode = TransferMode::Move;
    if (Option3->isChecked())
        mode = TransferMode::Delete;
    else if (Option2->isChecked())
        mode = TransferMode::Copy;
    else if (!Option1->isChecked())
        return;
    if (mode != TransferMode::Delete && dbdestinazione.trimmed().isEmpty()) {
        msgBox(txt_msg[2], MsgButtons::OK, MsgIcon::Exclamation, QStringLiteral("Copia Records"));
        return;
    }
    setBusy(true);
    try {
        transferResults({mode, dbsorgente, dbdestinazione, programPath(file::archiveTemplate), criterio});
    } catch (const AppError& e) {
        levelFailed(e, txt_err[7] + QStringLiteral("\n") + e.description());
        return;
    }
    setBusy(false);
    switch (mode) {
    case TransferMode::Delete:
        msgBox(txt_msg[1], MsgButtons::OK, MsgIcon::Information, QStringLiteral("Eliminazione Records"));
        break;
    case TransferMode::Copy:
        msgBox(txt_msg[3], MsgButtons::OK, MsgIcon::Information, QStringLiteral("Copia Records"));
        break;
    case TransferMode::Move:
        msgBox(txt_msg[4], MsgButtons::OK, MsgIcon::Information, QStringLiteral("Spostamento Records"));
        break;
    }
}

void Archivio2::Command4_Click() {
    const QString chosen = prompts().openFile(txt_common[5], QString(), txt_common[1] + QStringLiteral(" (*.mdb)"));
    // A cancelled dialog offers its last answer again.
    if (!chosen.isEmpty())
        lastSource_ = chosen;
    dbsorgente = lastSource_;
    Label9->setText(dbsorgente);
    List2->clear();
    List3->clear();
    List4->clear();
    clearRecords();
    for (QLabel* total : {Label22, Label24, Label26, Label30})
        total->clear();
}

void Archivio2::Command5_Click() {
    // The copy or move adds to a file that exists: nothing is replaced.
    const QString chosen =
        prompts().saveFile(txt_common[6], QString(), txt_common[1] + QStringLiteral(" (*.mdb)"), ExistingFile::AddedTo);
    if (!chosen.isEmpty())
        lastDestination_ = chosen;
    dbdestinazione = lastDestination_;
    Label10->setText(dbdestinazione);
}

void Archivio2::Option_Click() {
    const bool destination = !Option3->isChecked();
    Command5->setVisible(destination);
    Label8->setVisible(destination);
    Label10->setVisible(destination);
}

void Archivio2::Command6_Click() {
    daily_->setRecordset(Recordset());
    cndaily.close();
    ignoring([&] {
        cndaily.open(Session::get().db_daily);
        daily_->setRecordset(Recordset(cndaily, QStringLiteral("select * from datiQgrafici order by ID1")));
        List1->setColumnWidth(0, 70);
        List1->setColumnWidth(1, 140);
    });
}

void Archivio2::Command7_Click() {
    const int line = List1->currentIndex().row();
    if (line < 0) {
        msgBox(txt_msg[6], MsgButtons::OK, MsgIcon::Information, appTitle());
        return;
    }
    try {
        // The line stands for the result it was made from, by its key.
        const int64_t id1 = daily_->key(line);
        if (cndaily
                .scalar(QStringLiteral("SELECT count(*) FROM datinumerici WHERE ID1 = ?1"), {QVariant::fromValue(id1)})
                .toLongLong() == 0)
            throw AppError(err::NoCurrentRecord,
                           QStringLiteral("The result %1 is no longer in the daily database.").arg(id1));
        deleteResult(cndaily, id1);
        daily_->reload();
        List1->clearSelection();
        List1->setCurrentIndex(QModelIndex());
    } catch (const AppError& e) {
        msgBox(txt_err[2], MsgButtons::OK, MsgIcon::Information, QStringLiteral("Zarvium - Archivio Giornaliero"));
        logerrore(e.number(), e.description(), formName());
    }
}

void Archivio2::backupTarget(int row) {
    struct Target {
        QLatin1String database;
        const char* key;
        QLabel* shown;
    };
    const Target targets[] = {{file::archiveDb, "pathautobackup", Label32},
                              {file::referenceDb, "pathautobackupriferimenti", Label35},
                              {file::vetDb, "pathautobackupvet", Label37}};
    const Target& t = targets[row];
    const QString& text = txt_common[std::size_t(row + 2)];
    try {
        msgBox(text, MsgButtons::OK, MsgIcon::Information, appTitle());
        // A cancel is no choice: never the name another target was given before.
        const QString chosen =
            prompts().saveFile(text, QString(), txt_common[1] + QStringLiteral(" (*.mdb)"), ExistingFile::Replaced);
        const QStringList live = {programPath(file::archiveDb), programPath(file::dailyDb),
                                  programPath(file::referenceDb), programPath(file::vetDb)};
        for (const QString& database : live)
            if (!chosen.isEmpty() && (sameFile(database, chosen) ||
                                      QFileInfo(database).absoluteFilePath() == QFileInfo(chosen).absoluteFilePath()))
                throw AppError(err::PathFileAccess,
                               QStringLiteral("%1 is one of the program's own databases.").arg(chosen));
        t.shown->setText(chosen.isEmpty() ? QStringLiteral("Default") : chosen);
        scriviini(QStringLiteral("back-up"), QString::fromLatin1(t.key), chosen, file::generalIni);
        copyToBackupTarget(programPath(t.database), chosen, live);
        msgBox(txt_msg[5], MsgButtons::OK, MsgIcon::Information, QStringLiteral("Gestione Archivio"));
    } catch (const AppError&) {
        msgBox(txt_err[1], MsgButtons::OK, MsgIcon::Information, QStringLiteral("Gestione Archivio"));
    }
}

void Archivio2::openFolder(const QString& relative) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(programPath(relative)));
}

}  // namespace zv
