#include "archive/archivio2.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QUrl>

#include "archive/backuptargets.h"
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

// A list of results: rows as high as its font needs.
void fitRowsToFont(QTableView* list) {
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 4);
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
    setupUi(this);
    records_ = new RecordsetTableModel({{QStringLiteral("SpecId"), QString()}, {QStringLiteral("SpecName"), QString()}},
                                       QChar(), this);
    List5->setModel(records_);
    // The identifier column under its heading, the name beside it.
    List5->setColumnWidth(0, Label28->maximumWidth());
    daily_ = new RecordsetTableModel({{QStringLiteral("seq"), QStringLiteral("Seq.")},
                                      {QStringLiteral("specId"), QStringLiteral("ID.")},
                                      {QStringLiteral("specName"), QString()}},
                                     QChar(), this);
    List1->setModel(daily_);
    List1->setColumnWidth(0, 70);
    List1->setColumnWidth(1, 140);
    for (QTableView* list : {List5, List1})
        fitRowsToFont(list);
    for (QWidget* list : {static_cast<QWidget*>(List2), static_cast<QWidget*>(List3), static_cast<QWidget*>(List4),
                          static_cast<QWidget*>(List5)})
        list->installEventFilter(this);
    connectControls();
}

Archivio2::~Archivio2() {
    // The models' recordsets go before the connections they read.
    if (records_)
        records_->setRecordset(Recordset());
    if (daily_)
        daily_->setRecordset(Recordset());
}

void Archivio2::connectControls() {
    auto on = [this](auto signalOwner, auto signal, auto slot) {
        connect(signalOwner, signal, this, [this, slot] { guard([slot] { slot(); }); });
    };
    on(Command8, &QPushButton::clicked, [this] { Command8_Click(); });
    on(List2, &QListWidget::itemDoubleClicked, [this] { List2_DblClick(); });
    on(List3, &QListWidget::itemDoubleClicked, [this] { List3_DblClick(); });
    on(List4, &QListWidget::itemDoubleClicked, [this] { List4_DblClick(); });
    on(List5, &QTableView::doubleClicked, [this] { List5_DblClick(); });
    on(Command1, &QPushButton::clicked, [this] { Command1_Click(); });
    on(Command4, &QPushButton::clicked, [this] { Command4_Click(); });
    on(Command5, &QPushButton::clicked, [this] { Command5_Click(); });
    for (QRadioButton* option : {Option1, Option2, Option3})
        on(option, &QRadioButton::toggled, [this] { Option_Click(); });
    on(Command6, &QPushButton::clicked, [this] { Command6_Click(); });
    on(Command7, &QPushButton::clicked, [this] { Command7_Click(); });
    on(Command9, &QPushButton::clicked, [this] { openFolder(file::logFolder); });
    on(Command10, &QPushButton::clicked, [this] { openFolder(file::rxlogFolder); });
    on(Command2, &QPushButton::clicked, [this] { chooseBackupTarget(0); });
    on(Command3, &QPushButton::clicked, [this] { chooseBackupTarget(1); });
    on(Command11, &QPushButton::clicked, [this] { chooseBackupTarget(2); });
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
    QLabel* const targets[] = {Label32, Label35, Label37};
    for (std::size_t i = 0; i < backupSettings().size(); ++i)
        ignoring([&] {
            const QString path = configuredBackupTarget(backupSettings()[i]).value;
            targets[i]->setText(path.isEmpty() ? QStringLiteral("Default") : path);
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
    for (int i = 7; i <= 11; ++i)
        txt_err[std::size_t(i)] = caption(lingua, kSection, QStringLiteral("err%1").arg(i));
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
        const QString start = leggiini(QStringLiteral("database"), QStringLiteral("start"), file::generalIni, 15);
        int first = 0;
        try {
            first = archiveStartYear(start);
        } catch (const AppError& e) {
            throw settingError(e, QStringLiteral("database"), QStringLiteral("start"), file::generalIni, start);
        }
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
        msgBox(txt_err[2], MsgButtons::OK, MsgIcon::Exclamation, QStringLiteral("Zarvium - Archivio Giornaliero"));
        logerrore(e.number(), e.description(), formName());
    }
}

void Archivio2::chooseBackupTarget(int row) {
    QLabel* const shown[] = {Label32, Label35, Label37};
    const BackupSetting& setting = backupSettings()[std::size_t(row)];
    const QString& text = txt_common[std::size_t(row + 2)];
    BackupTarget target = zv::backupTarget(setting, QString());
    try {
        msgBox(text, MsgButtons::OK, MsgIcon::Information, appTitle());
        // A cancel is no choice: never the name another target was given before.
        const QString chosen =
            prompts().saveFile(text, QString(), txt_common[1] + QStringLiteral(" (*.mdb)"), ExistingFile::Replaced);
        if (chosen.isEmpty()) {
            // The default target applies again from the next start; there is
            // nothing to copy to now.
            shown[row]->setText(QStringLiteral("Default"));
            scriviini(QStringLiteral("back-up"), setting.key, QString(), file::generalIni);
            msgBox(txt_err[1], MsgButtons::OK, MsgIcon::Exclamation, QStringLiteral("Gestione Archivio"));
            return;
        }
        target = zv::backupTarget(setting, chosen);
        const std::vector<BackupTarget> others = otherBackupTargets(configuredBackupTargets(), target);
        // Refused before it is written down: the start would copy over it
        // too. Whatever file another back-up names now, it keeps.
        requireBackupTarget(target, others, BackupClaim::ChosenNow);
        shown[row]->setText(chosen);
        scriviini(QStringLiteral("back-up"), setting.key, chosen, file::generalIni);
        // A large archive takes a while to check and copy: the windows keep painting meanwhile.
        setBusy(true);
        runKeepingWindowsPainted([&] { copyToBackupTarget(target, others, BackupClaim::ChosenNow); },
                                 std::chrono::milliseconds(0), {});
        setBusy(false);
        msgBox(txt_msg[5], MsgButtons::OK, MsgIcon::Information, QStringLiteral("Gestione Archivio"));
    } catch (const AppError& e) {
        setBusy(false);
        logerrore(e.number(), QStringLiteral("%1: %2").arg(target.settingText(), e.description()), formName());
        msgBox(txt_err[1] + backupFailureReason(e), MsgButtons::OK, MsgIcon::Exclamation,
               QStringLiteral("Gestione Archivio"));
    }
}

// Why a back-up was not made, in the user's language, where the user can
// act on it; the log holds the files.
QString Archivio2::backupFailureReason(const AppError& e) const {
    QString reason;
    if (const auto* refused = dynamic_cast<const BackupTargetRefused*>(&e)) {
        switch (refused->reason()) {
        case BackupRefusal::ProgramFile: reason = txt_err[8]; break;
        case BackupRefusal::OtherBackup: reason = txt_err[9]; break;
        case BackupRefusal::NotADatabase: reason = txt_err[10]; break;
        }
    } else if (dynamic_cast<const DamagedDatabase*>(&e)) {
        reason = txt_err[11];
    }
    return reason.isEmpty() ? reason : QStringLiteral("\n") + reason;
}

void Archivio2::openFolder(const QString& relative) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(programPath(relative)));
}

}  // namespace zv
