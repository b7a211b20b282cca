#include "app/frmsplash.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTimer>

#include <atomic>
#include <utility>
#include <vector>

#include <unistd.h>

#include "archive/archivebrowse.h"
#include "archive/backuptargets.h"
#include "archive/transfer.h"
#include "core/config.h"
#include "core/language.h"
#include "core/programfiles.h"
#include "model/resultfields.h"
#include "platform/busy.h"
#include "platform/clock.h"
#include "platform/conversions.h"
#include "platform/database.h"
#include "platform/dbfiles.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/prompts.h"

namespace zv {

namespace {

// What each database must hold for the program to work with it. A file that
// lacks it (empty, cut short, a database of something else) is as good as
// missing. The small ones are read whole at every start as well: a damaged page
// there would only show when a received result is stored, and the result would
// be lost; the archive is read whole when it is backed up.
struct StartDatabase {
    QLatin1String name;
    QStringList tables;
    DatabaseCheck depth;
};

const std::vector<StartDatabase>& startDatabases() {
    static const std::vector<StartDatabase> databases = [] {
        QStringList results = resultTables();
        results << QStringLiteral("datiQgrafici");
        return std::vector<StartDatabase>{
            {file::dailyDb, results, DatabaseCheck::Whole},
            {file::archiveDb, results, DatabaseCheck::Tables},
            {file::vetDb, {QStringLiteral("cal")}, DatabaseCheck::Whole},
            {file::referenceDb,
             {QStringLiteral("limiti"), QStringLiteral("vet"), QStringLiteral("qc")},
             DatabaseCheck::Whole},
        };
    }();
    return databases;
}

}  // namespace

QString versionLine() {
    return QStringLiteral("Ver. %1 . %2 . %3").arg(ZV_VERSION_MAJOR).arg(ZV_VERSION_MINOR).arg(ZV_VERSION_PATCH);
}

frmSplash::frmSplash() : Form(QString(kName)) {
    setWindowFlags(Qt::SplashScreen);
    setupUi(this);
    // The product name twice the platform's size, whatever that is.
    QFont big = lblProductName->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    lblProductName->setFont(big);
}

void frmSplash::Form_Load() {
    const QString folder = programFolder();
    // Pointer, pictures and texts: each statement on its own.
    ignoring([] { setBusy(true); });
    ignoring([this] {
        placeWindow(this, nullptr);
        show();
    });
    stato_db_ok = 1;
    db_bk_effettuato = 0;
    ignoring([&] {
        const QPixmap background(folder + QStringLiteral("/immagini/neutrofilibg.jpg"));
        if (background.isNull())
            throw AppError(err::FileNotFound, QStringLiteral("File not found"));
        background_ = background;
        update();
    });
    ignoring([&] { Image1->loadPicture(folder + QStringLiteral("/immagini/lab2_small.jpg"), true); });
    QString language;
    ignoring([&] { language = configuredLanguageFile(); });
    ignoring([&] { msg1_ = languageText(language, QStringLiteral("splash"), QStringLiteral("msg1")); });
    ignoring([&] { msg4_ = languageText(language, QStringLiteral("splash"), QStringLiteral("msg4")); });
    ignoring([&] { msg5_ = languageText(language, QStringLiteral("splash"), QStringLiteral("msg5")); });
    ignoring([&] { msg6_ = languageText(language, QStringLiteral("splash"), QStringLiteral("msg6")); });
    ignoring([&] { err2_ = languageText(language, QStringLiteral("splash"), QStringLiteral("err2")); });
    ignoring([&] { err3_ = languageText(language, QStringLiteral("splash"), QStringLiteral("err3")); });
    ignoring([&] { msg7_ = languageText(language, QStringLiteral("splash"), QStringLiteral("msg7")); });
    ignoring([&] { Label1->setText(msg4_); });
    // Without the lock a second instance could compact and replace the
    // databases under this one; only a folder nobody can write is used unlocked.
    const InstanceLock::Result locked = lock_.acquire(folder);
    if (locked == InstanceLock::Result::HeldElsewhere ||
        (locked == InstanceLock::Result::Unavailable && ::access(QFile::encodeName(folder).constData(), W_OK) == 0)) {
        setBusy(false);
        // This instance checks nothing: the splash does not say it does.
        ignoring([&] { Label1->setVisible(false); });
        // The running instance's main window would cover it.
        prompts().message(
            {.text = msg1_, .title = appTitle(), .buttons = MsgButtons::OK, .icon = MsgIcon::Critical, .onTop = true});
        endRequested_ = true;
        return;
    }
    ignoring([&] { Label1->setVisible(false); });

    if (lock_.held())
        ignoring([this] { removeStaleScratchFiles(); });
    if (!compactAll())
        return;
    backUpAndCheckDay();

    // The main window's load runs inside this call. Its own handlers
    // deal with what they know; anything that still escapes is logged and the
    // program goes on.
    setBusy(false);
    try {
        Forms::show(QStringLiteral("Principale"));
    } catch (...) {
        const CaughtError e = describeCurrentException();
        setBusy(false);
        logerrore(e.number, e.description, QStringLiteral("Principale"));
    }
}

// Under the lock nothing else compacts or writes here: a Temp.mdb is the
// leftover of a compaction that was interrupted (the database itself is whole,
// since the scratch copy only ever replaces it by a rename), and a "*.tmp-<pid>"
// file that of an interrupted write. Both would stop or clutter every later start.
void frmSplash::removeStaleScratchFiles() {
    const QString folder = programFolder();
    const QString scratch = folder + QLatin1Char('/') + file::scratchDb;
    const QFileInfo scratchInfo(scratch);
    if (scratchInfo.exists() || scratchInfo.isSymLink()) {
        QFile::remove(scratch + QStringLiteral("-journal"));
        if (QFile::remove(scratch))
            logerrore(0, QStringLiteral("%1, left by an interrupted compaction, was removed.").arg(file::scratchDb),
                      formName());
    }
    QStringList removed = files::removeStaleTemporaries(folder);
    removed += files::removeStaleTemporaries(folder + QStringLiteral("/back-up"));
    // A file reached through a link is written beside the file it leads to.
    const auto removeBeside = [&](const QString& path) {
        const QFileInfo file(files::resolvedFile(path));
        if (!files::namesSameFile(file.absolutePath(), folder))
            removed += files::removeStaleTemporaries(file.absolutePath(), file.fileName());
    };
    for (const BackupSetting& setting : backupSettings())
        removeBeside(configuredBackupTarget(setting).path);
    for (const StartDatabase& database : startDatabases())
        removeBeside(folder + QLatin1Char('/') + database.name);
    if (!removed.isEmpty())
        logerrore(0, QStringLiteral("Files left by an interrupted write were removed: %1").arg(removed.join(u", ")),
                  formName());
}

// The background picture covers the whole window, centred and cut to its
// shape, whatever size the window takes: never tiled.
void frmSplash::paintEvent(QPaintEvent* event) {
    Form::paintEvent(event);
    if (background_.isNull())
        return;
    QPainter painter(this);
    const QSize covering = background_.size().scaled(size(), Qt::KeepAspectRatioByExpanding);
    const QRect target(QPoint((width() - covering.width()) / 2, (height() - covering.height()) / 2), covering);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, background_);
}

bool frmSplash::compactAll() {
    const QString folder = programFolder();
    QString failed;
    try {
        // A compaction of a large archive takes a while: past a second the
        // window says what it is waiting for, and keeps painting meanwhile.
        const auto saySlow = [this] {
            ignoring([this] {
                Label1->setText(msg5_);
                Label1->setVisible(true);
            });
        };
        for (const StartDatabase& database : startDatabases()) {
            const QString path = folder + QLatin1Char('/') + database.name;
            failed = QStringLiteral("The check of %1 failed").arg(database.name);
            checkDatabase(path, database.tables, database.depth);
            failed = QStringLiteral("Compaction of %1 failed").arg(database.name);
            // Only a compaction goes to a thread of its own: most starts have none.
            if (compactionWorthwhile(path))
                runKeepingWindowsPainted([&] { compactDatabase(path, folder + QLatin1Char('/') + file::scratchDb); },
                                         kCompactionPatience, saySlow);
        }
        ignoring([this] { Label1->setVisible(false); });
        // The index the archive's days are read by and the date counts its
        // lists are read from, made before the back-up copies the archive.
        // Once per archive, and a while on a large one: past a second the
        // window says so. What cannot be made leaves the archive read as
        // before, without it.
        const auto sayPreparing = [this] {
            ignoring([this] {
                Label1->setText(msg6_);
                Label1->setVisible(true);
            });
        };
        ignoring([&] {
            Connection archive(folder + QLatin1Char('/') + file::archiveDb);
            ignoring([&] { ensureDateIndex(archive); });
            if (!hasDateCounts(archive))
                runKeepingWindowsPainted([&] { ensureDateCounts(archive); }, kCompactionPatience, sayPreparing);
        });
        ignoring([this] { Label1->setVisible(false); });
        setBusy(true);
        aggdb = false;
        Label2->setText(versionLine());
        return true;
    } catch (...) {
        const CaughtError e = describeCurrentException();
        // The box cannot know the cause; the log line names the file and says it.
        reportStartError(err2_, e.number, QStringLiteral("%1: %2").arg(failed, e.description));
        setBusy(false);
        endRequested_ = true;
        return false;
    }
}

// The log line is written before the box is shown: a user who takes the box
// for a hung program and kills it still finds the cause. Where no log can be
// written (a read-only folder, a full disk) the box says it itself.
void frmSplash::reportStartError(const QString& text, int32_t number, const QString& cause) {
    const bool logged = logerrore(number, cause, formName());
    msgBox(logged ? text : text + QStringLiteral("\n\n") + cause, MsgButtons::OK, MsgIcon::Critical, appTitle());
}

// Each back-up is made or refused on its own: one target that cannot be
// written does not leave the other two databases without a copy. The day of
// the back-up is written only when all three were made, so a failed one is
// tried again at the next start.
void frmSplash::backUpAndCheckDay() {
    const QLatin1String general = file::generalIni;
    lastday = formatDate(clock::today(), QStringLiteral("dd/mm/yy"));
    QStringList failures;
    bool logged = true;
    try {
        const QString bk = leggiini(QStringLiteral("database"), QStringLiteral("bk"), general, 15);
        // A day that does not read as one (empty, cut short, impossible) tells
        // of no back-up at all: one is due now, not never.
        bool due = true;
        if (const std::optional<QDate> backedUp = parseDate(bk, QStringLiteral("dd/mm/yy"))) {
            const int16_t interval = leggiiniInt16(QStringLiteral("back-up"), QStringLiteral("giorni"), general, 5);
            due = backedUp->daysTo(clock::today()) > interval;
        }
        if (due) {
            // Each target is judged against every other back-up's, whichever
            // runs first: the key that names another back-up's file or
            // default is the one refused, and its line in the log names it.
            const std::vector<BackupTarget> targets = configuredBackupTargets();
            for (const BackupTarget& target : targets) {
                const auto record = [&](int32_t number, const QString& description) {
                    failures << QStringLiteral("%1: %2").arg(target.settingText(), description);
                    logged = logerrore(number, failures.last(), formName()) && logged;
                };
                try {
                    backUp(target, otherBackupTargets(targets, target));
                } catch (const DamagedDatabase& e) {
                    if (target.setting.database == file::archiveDb)
                        archiveDamaged = true;
                    record(e.number(), e.description());
                } catch (...) {
                    const CaughtError e = describeCurrentException();
                    record(e.number, e.description);
                }
            }
            if (failures.isEmpty()) {
                db_bk_effettuato = 1;
                scriviini(QStringLiteral("database"), QStringLiteral("bk"), lastday, general);
            }
        }
    } catch (...) {
        const CaughtError e = describeCurrentException();
        failures << e.description;
        logged = logerrore(e.number, e.description, formName()) && logged;
    }
    ignoring([this] { Label1->setVisible(false); });
    if (!failures.isEmpty()) {
        stato_db_ok = 0;
        // Where no log can be written the box says the causes itself.
        msgBox(logged ? err3_ : err3_ + QStringLiteral("\n\n") + failures.join(QLatin1Char('\n')), MsgButtons::OK,
               MsgIcon::Critical, appTitle());
        setBusy(false);
    }
    // The day's results go into the archive whatever became of the back-up:
    // one that keeps failing must not hold them back day after day. Only an
    // archive that has just failed its check is kept from them, by the main
    // window (archiveDamaged).
    if (lastday != leggiini(QStringLiteral("database"), QStringLiteral("last"), general, 15))
        aggdb = true;
}

// A back-up of a large archive takes a while: the window keeps painting and
// says which file it copies and how far it is.
void frmSplash::backUp(const BackupTarget& target, std::span<const BackupTarget> others) {
    std::atomic<int> percent{0};
    const auto say = [&] {
        ignoring([&] {
            QString text = msg7_.isEmpty() ? QStringLiteral("%1 %2 %") : msg7_;
            Label1->setText(text.arg(target.setting.database).arg(percent.load()));
            Label1->setVisible(true);
        });
    };
    say();
    QTimer ticker;
    ticker.setInterval(100);
    connect(&ticker, &QTimer::timeout, this, say);
    ticker.start();
    runKeepingWindowsPainted(
        [&] { copyToBackupTarget(target, others, BackupClaim::Configured, [&](int p) { percent = p; }); },
        std::chrono::milliseconds(0), {});
    ticker.stop();
    say();
}

}  // namespace zv
