#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

#include "app/appmain.h"
#include "app/frmsplash.h"
#include "app/principale.h"
#include "archive/backuptargets.h"
#include "core/config.h"
#include "core/language.h"
#include "model/resultselection.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/dbfiles.h"
#include "platform/forms.h"
#include "platform/instancelock.h"
#include "support/results.h"
#include "support/smallfs.h"
#include "support/window_fixture.h"

namespace zv {
namespace {

class Startup : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // Most starts here are not first starts; the first-start test empties it again.
        scriviini("separatore", "decimale", ",", "general.ini");
        scriviini("database", "last", "08/12/26", "general.ini");
    }

    frmSplash* start() { return Forms::loadAs<frmSplash>("frmSplash"); }
    Principale* main() { return Forms::get<Principale>(); }
    QString ini(const QString& file, const QString& section, const QString& key) {
        return leggiini(section, key, file, 255);
    }
    QString say(const QString& language, const QString& section, const QString& key) {
        return languageText(language, section, key);
    }
    // A start whose back-up failed: err3 once, then "DB Error" on the main window.
    void startFailingTheBackUp() {
        start();
        const auto shown = prompts_->takeMessages();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, say("it.ini", "splash", "err3"));
        ASSERT_NE(main(), nullptr);
        EXPECT_EQ(main()->Label13->text(), QStringLiteral("DB Error"));
    }
    // The start ended at the splash, no main window came up: the boxes it showed.
    std::vector<MessageRequest> stoppedAtTheSplash(frmSplash* splash) {
        EXPECT_TRUE(splash->endRequested());
        EXPECT_FALSE(Forms::isLoaded("Principale"));
        return prompts_->takeMessages();
    }
};

TEST_F(Startup, SecondInstanceShowsMessageAndTouchesNoDatabase) {
    InstanceLock running;
    ASSERT_EQ(running.acquire(folder_), InstanceLock::Result::Acquired);
    const QDateTime before = QFileInfo(path("zarvium.mdb")).lastModified();
    QFile::remove(path("zarviumtotale.mdb"));  // a compaction would fail on it: it must not be tried

    frmSplash* splash = start();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->endRequested());
    EXPECT_FALSE(Forms::isLoaded("Principale"));
    EXPECT_EQ(QFileInfo(path("zarvium.mdb")).lastModified(), before);
    const auto shown = prompts_->takeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, say("it.ini", "splash", "msg1"));
    EXPECT_EQ(shown[0].icon, MsgIcon::Critical);
    EXPECT_EQ(shown[0].title, QStringLiteral("Zarvium"));
    EXPECT_TRUE(shown[0].onTop);              // not behind the running instance's windows
    EXPECT_TRUE(splash->Label1->isHidden());  // it checks and compacts nothing
}

// The splash picture covers the window, which is wider than the picture: its
// right edge must not repeat the picture's left edge as a tile would.
TEST_F(Startup, SplashPictureCoversTheWindowWithoutTiling) {
    frmSplash* splash = start();
    ASSERT_NE(splash, nullptr);
    const QPixmap& background = splash->background();
    ASSERT_FALSE(background.isNull());
    splash->show();
    const QImage shot = splash->grab().toImage();
    ASSERT_GT(shot.width(), background.width() + 4);
    int repeated = 0;
    int rows = 0;
    for (int y = 2; y < shot.height() - 2; y += 7, ++rows)
        if (shot.pixel(background.width() + 2, y) == shot.pixel(2, y))
            ++repeated;
    EXPECT_LT(repeated, rows / 2) << repeated << " of " << rows << " rows repeat the left edge";
}

TEST_F(Startup, LanguageChoosesCaptionsAndFlag) {
    struct Case {
        const char* lingua;
        const char* file;
        const char* flag;
    } cases[] = {{"de", "de.ini", "german.gif"},
                 {"ru", "ru.ini", "russia.gif"},
                 {"", "en.ini", "italian.gif"},
                 {"DE", "en.ini", "italian.gif"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lingua);
        scriviini("language", "lingua", c.lingua, "general.ini");
        start();
        Principale* m = main();
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->session().linguax, QString::fromLatin1(c.file));
        EXPECT_EQ(m->anag->text(), say(c.file, "principale", "menu41"));
        EXPECT_EQ(m->Label20->text(), say(c.file, "principale", "cmd2"));
        EXPECT_EQ(m->session().stampa.wbc, say(c.file, "stampa", "wbc"));
        EXPECT_TRUE(m->Image8->picturePath().endsWith(QString::fromLatin1(c.flag)));
        Forms::unloadAll();
    }
}

// A language file deleted, cut down to its section headers or overwritten with
// noise: the main window's menus, toolbar and status panel still read, in
// English, and the log tells once which file lacks them.
TEST_F(Startup, ADamagedLanguageFileLeavesNoCaptionEmpty) {
    QByteArray headers;
    for (const QByteArray& line : fileBytes(path("it.ini")).split('\n'))
        if (line.trimmed().startsWith('['))
            headers += line + '\n';
    ASSERT_TRUE(headers.contains("[principale]"));
    QByteArray noise(8192, '\0');
    std::mt19937 random(23);
    for (char& byte : noise)
        byte = char(random() & 0xFF);

    const struct Case {
        const char* what;
        std::optional<QByteArray> italian;  // none: deleted
        bool englishDeletedToo;
    } cases[] = {
        {"deleted", std::nullopt, false},
        {"section headers only", headers, false},
        {"random bytes", noise, false},
        {"deleted, and en.ini with it", std::nullopt, true},
    };
    const QString shipped = QStringLiteral(ZV_DIST_DIR);
    const auto english = [&](const char* key) {
        return leggiini(QStringLiteral("principale"), QLatin1String(key), QStringLiteral("en.ini"), 255, shipped);
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A program folder of its own: each file is reported once per run.
        const QString folder = tmp_.path() + QStringLiteral("/damaged%1").arg(++n);
        test::copyFolder(test::shippedFolderTemplate(), folder);
        setProgramFolder(folder);
        scriviini("separatore", "decimale", ",", "general.ini");
        scriviini("database", "last", "08/12/26", "general.ini");
        scriviini("language", "lingua", "it", "general.ini");
        const QString italian = folder + QStringLiteral("/it.ini");
        ASSERT_TRUE(QFile::remove(italian));
        if (c.italian) {
            QFile file(italian);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(*c.italian);
        }
        if (c.englishDeletedToo) {
            ASSERT_TRUE(QFile::remove(folder + QStringLiteral("/en.ini")));
        }

        start();
        Principale* m = main();
        ASSERT_NE(m, nullptr);
        const std::pair<QString, const char*> captions[] = {
            {m->Emocromi_menu->title(), "menu4"}, {m->Dati_menu->title(), "menu2"},
            {m->Archivio_menu->title(), "menu3"}, {m->Stampa_menu->title(), "menu6"},
            {m->guida->title(), "menu10"},        {m->Dati_menu2->text(), "menu21"},
            {m->Esci_menu->text(), "menu14"},     {m->Label20->text(), "cmd2"},
            {m->Label19->text(), "cmd3"},         {m->Label17->text(), "cmd4"},
            {m->Label21->text(), "cmd7"},         {m->Label1->text(), "label1"},
            {m->Label8->text(), "label8"},        {m->Label10->text(), "label10"}};
        for (const auto& [shown, key] : captions) {
            EXPECT_FALSE(shown.isEmpty()) << key;
            EXPECT_EQ(shown, english(key)) << key;
        }
        for (QAction* menu : m->menuBar->actions())
            EXPECT_FALSE(menu->text().isEmpty());

        const QString log = QString::fromUtf8(fileBytes(folder + QStringLiteral("/log/08.12.26.log")));
        EXPECT_EQ(log.count(italian + QLatin1Char(' ')), 1) << log.toStdString();
        EXPECT_EQ(log.count(folder + QStringLiteral("/en.ini ")), c.englishDeletedToo ? 1 : 0) << log.toStdString();
        EXPECT_EQ(log.count(QLatin1Char('\n')), c.englishDeletedToo ? 2 : 1) << log.toStdString();
        Forms::unloadAll();
    }
}

TEST_F(Startup, BackUpRunsWhenMoreDaysThanTheIntervalHavePassed) {
    scriviini("database", "bk", "01/12/26", "general.ini");  // 7 days back: not yet
    start();
    EXPECT_FALSE(QFileInfo::exists(path("back-up/zarviumtotale.mdb")));
    EXPECT_EQ(ini("general.ini", "database", "bk"), QStringLiteral("01/12/26"));
    EXPECT_FALSE(main()->Label5->isVisible());
    Forms::unloadAll();

    scriviini("database", "bk", "30/11/26", "general.ini");  // 8 days back
    start();
    for (const char* copy : {"back-up/zarviumtotale.mdb", "back-up/riferimenti.mdb", "back-up/vet.mdb"}) {
        Connection cn;
        EXPECT_NO_THROW(cn.open(path(copy))) << copy;
    }
    EXPECT_EQ(ini("general.ini", "database", "bk"), QStringLiteral("08/12/26"));
    EXPECT_TRUE(main()->Label5->isVisibleTo(main()));
    EXPECT_EQ(main()->Label5->text(), say("it.ini", "principale", "msg5"));
    EXPECT_EQ(main()->Label13->text(), QStringLiteral("OK!"));
}

// A back-up that fails is reported, but the day's results go into the archive
// all the same: a back-up target that stays unreachable must not hold them
// back day after day.
TEST_F(Startup, FailedBackUpShowsDbErrorAndTheRollOverStillRuns) {
    scriviini("database", "bk", "30/11/26", "general.ini");
    scriviini("database", "last", "07/12/26", "general.ini");
    scriviini("back-up", "pathautobackup", path("no/such/folder/zarviumtotale.mdb"), "general.ini");
    {
        Connection daily;
        daily.open(path("zarvium.mdb"));
        test::addTestResult(daily, "A", "ROSSI", 1);
    }
    start();
    const auto shown = prompts_->takeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, say("it.ini", "splash", "err3"));
    EXPECT_EQ(main()->Label13->text(), QStringLiteral("DB Error"));
    EXPECT_EQ(ini("general.ini", "database", "bk"), QStringLiteral("30/11/26"));
    EXPECT_EQ(ini("general.ini", "database", "last"), QStringLiteral("08/12/26"));
    EXPECT_EQ(test::rowCount(main()->session().cntot, "datinumerici"), 1);
    EXPECT_EQ(test::rowCount(main()->session().cn, "datinumerici"), 0);
    EXPECT_TRUE(fileBytes(path("log/08.12.26.log")).contains("frmSplash"));
}

// A back-up day that does not read as a date tells of no back-up: one is due,
// and it is made; the roll-over runs as on any new day.
TEST_F(Startup, BackUpDayThatIsNoDateMakesTheBackUpDue) {
    for (const char* bk : {"", "1/12/26", "31/02/26", "01/12", "yesterday"}) {
        SCOPED_TRACE(bk);
        scriviini("database", "bk", bk, "general.ini");
        scriviini("database", "last", "07/12/26", "general.ini");
        QFile::remove(path("back-up/zarviumtotale.mdb"));
        start();
        EXPECT_TRUE(prompts_->takeMessages().empty());
        EXPECT_EQ(main()->Label13->text(), QStringLiteral("OK!"));
        EXPECT_TRUE(QFileInfo::exists(path("back-up/zarviumtotale.mdb")));
        EXPECT_TRUE(main()->Label5->isVisibleTo(main()));
        EXPECT_EQ(ini("general.ini", "database", "bk"), QStringLiteral("08/12/26"));
        EXPECT_EQ(ini("general.ini", "database", "last"), QStringLiteral("08/12/26"));
        Forms::unloadAll();
    }
}

TEST_F(Startup, MissingGeneralIniStillBacksUpAndRollsOver) {
    ASSERT_TRUE(QFile::remove(path("general.ini")));
    start();
    // A first start as far as the settings go: the separator is asked for.
    const auto shown = prompts_->takeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, say("en.ini", "principale", "msg1"));
    EXPECT_EQ(main()->Label13->text(), QStringLiteral("OK!"));
    for (const char* copy : {"back-up/zarviumtotale.mdb", "back-up/riferimenti.mdb", "back-up/vet.mdb"})
        EXPECT_TRUE(QFileInfo::exists(path(copy))) << copy;
    EXPECT_EQ(ini("general.ini", "database", "bk"), QStringLiteral("08/12/26"));
    EXPECT_EQ(ini("general.ini", "database", "last"), QStringLiteral("08/12/26"));
}

// The automatic back-up copies are the compacted databases byte for byte.
TEST_F(Startup, BackUpCopiesAreTheDatabasesByteForByte) {
    scriviini("database", "bk", "30/11/26", "general.ini");
    start();
    ASSERT_EQ(main()->Label13->text(), QStringLiteral("OK!"));
    for (const char* name : {"zarviumtotale.mdb", "riferimenti.mdb", "vet.mdb"}) {
        const QByteArray copy = fileBytes(path(QStringLiteral("back-up/") + name));
        EXPECT_FALSE(copy.isEmpty()) << name;
        EXPECT_EQ(copy, fileBytes(path(name))) << name;
    }
}

// Killed during a compaction or an INI write, the program leaves scratch
// files. Under the lock nothing else can be writing them: they are removed,
// the log says so, and the start goes on as usual.
TEST_F(Startup, ScratchFilesLeftByAnInterruptedStartAreRemoved) {
    QFile::copy(path("vet.mdb"), path("Temp.mdb"));
    QFile::copy(path("general.ini"), path("Temp.mdb-journal"));
    QFile::copy(path("general.ini"), path(".general.ini.tmp-99999-0"));
    QFile::copy(path("vet.mdb"), path("back-up/vet.mdb.tmp-99999"));
    frmSplash* splash = start();
    EXPECT_FALSE(splash->endRequested());
    ASSERT_TRUE(Forms::isLoaded("Principale"));
    EXPECT_TRUE(prompts_->takeMessages().empty());
    for (const char* left : {"Temp.mdb", "Temp.mdb-journal", ".general.ini.tmp-99999-0", "back-up/vet.mdb.tmp-99999"})
        EXPECT_FALSE(QFileInfo::exists(path(left))) << left;
    const QString log = QString::fromUtf8(fileBytes(path("log/08.12.26.log")));
    EXPECT_EQ(log.count(QStringLiteral("Temp.mdb")), 1);
    EXPECT_TRUE(log.contains(QStringLiteral(".general.ini.tmp-99999-0")));
    EXPECT_TRUE(main()->session().cnlimit.isOpen());
}

// When a compaction does fail, the box blames no file it cannot know about and
// the log line says which database failed, and why.
TEST_F(Startup, FailedCompactionLogsItsCause) {
    {
        QFile damaged(path("zarviumtotale.mdb"));
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write(QByteArray(4096, 'x'));
    }
    const auto shown = stoppedAtTheSplash(start());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, say("it.ini", "splash", "err2"));
    for (const char* language : {"it.ini", "en.ini", "de.ini", "fr.ini", "es.ini", "ru.ini"}) {
        EXPECT_FALSE(say(language, "splash", "err2").isEmpty()) << language;
        EXPECT_FALSE(say(language, "splash", "err2").contains(QStringLiteral("Temp.mdb"))) << language;
    }
    const QString log = QString::fromUtf8(fileBytes(path("log/08.12.26.log")));
    EXPECT_TRUE(log.contains(QStringLiteral("\tfrmSplash\t")));
    EXPECT_TRUE(log.contains(QStringLiteral("zarviumtotale.mdb"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("not a database"))) << log.toStdString();
    EXPECT_EQ(fileBytes(path("zarviumtotale.mdb")), QByteArray(4096, 'x'));
}

// An archive and a back-up kept through links on a second disk: the start
// compacts and backs up where the files lie, and the links stay links.
TEST_F(Startup, FilesKeptThroughLinksOnAnotherDiskAreCompactedAndBackedUp) {
    test::SmallFileSystem disk(64 * 1024 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.error().toStdString();
    const QString realArchive = disk.path() + "/archivio.mdb";
    const QString realBackUp = disk.path() + "/copia.mdb";
    ASSERT_TRUE(QFile::copy(path("zarviumtotale.mdb"), realArchive));
    ASSERT_TRUE(QFile::remove(path("zarviumtotale.mdb")));
    ASSERT_TRUE(QFile::link(realArchive, path("zarviumtotale.mdb")));
    ASSERT_TRUE(QFile::link(realBackUp, path("back-up/copia.mdb")));
    scriviini("back-up", "pathautobackup", path("back-up/copia.mdb"), "general.ini");
    scriviini("database", "bk", "30/11/26", "general.ini");
    // A compaction falls due: a tenth of the archive is free pages.
    {
        Connection cn(path("zarviumtotale.mdb"));
        test::addManyResults(cn, 200);
        cn.execute("DELETE FROM datinumerici");
    }
    start();
    ASSERT_NE(main(), nullptr);
    EXPECT_TRUE(prompts_->takeMessages().empty());
    EXPECT_EQ(ini("general.ini", "database", "bk"), QStringLiteral("08/12/26"));
    EXPECT_TRUE(QFileInfo(path("zarviumtotale.mdb")).isSymLink());
    EXPECT_TRUE(QFileInfo(path("back-up/copia.mdb")).isSymLink());
    EXPECT_FALSE(compactionWorthwhile(realArchive));
    EXPECT_EQ(fileBytes(realBackUp), fileBytes(realArchive));
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files), (QStringList{"archivio.mdb", "copia.mdb"}));
}

// A back-up named into the log folder is refused before the day's log exists:
// the log stays a log, and the errors after it are written to it as text.
TEST_F(Startup, ABackUpTargetInTheLogFolderIsRefusedBeforeAnyLogExists) {
    const QString dayLog = path("log/08.12.26.log");
    QFile::remove(dayLog);
    scriviini("back-up", "pathautobackupvet", dayLog, "general.ini");
    scriviini("database", "bk", "30/11/26", "general.ini");
    ASSERT_NO_FATAL_FAILURE(startFailingTheBackUp());
    const QByteArray log = fileBytes(dayLog);
    EXPECT_FALSE(log.startsWith("SQLite format 3")) << log.left(16).toStdString();
    EXPECT_TRUE(log.contains("pathautobackupvet")) << log.toStdString();
    EXPECT_TRUE(log.contains("log folder")) << log.toStdString();
}

// A damaged archive passes the start (nothing reads it whole when it needs no
// compaction), but it must never replace the last good back-up: the old copy
// stays, err3 says the back-up failed and the log names the damaged file.
// An archive that fails its check at the back-up keeps its last good copy,
// and the day's results stay where the user's restore cannot lose them:
// in the daily database, which goes on receiving, until a start finds the
// archive whole again and rolls every waiting day over.
TEST_F(Startup, ADamagedArchiveNeverReplacesTheLastGoodBackUpNorTakesTheDay) {
    const QString archive = path("zarviumtotale.mdb");
    const QString backUp = path("back-up/zarviumtotale.mdb");
    const QByteArray goodCopy = test::damagedAfterAGoodBackUp(archive, backUp, path("Temp.mdb"), 200);
    ASSERT_NE(test::integrityOf(archive), QStringLiteral("ok"));
    scriviini("database", "bk", "30/11/26", "general.ini");
    scriviini("database", "last", "07/12/26", "general.ini");
    {
        Connection daily(path("zarvium.mdb"));
        test::addTestResult(daily, "A", "ROSSI", 1);
    }

    ASSERT_NO_FATAL_FAILURE(startFailingTheBackUp());
    EXPECT_FALSE(main()->Label5->isVisibleTo(main()));
    EXPECT_EQ(fileBytes(backUp), goodCopy);
    EXPECT_EQ(ini("general.ini", "database", "bk"), QStringLiteral("30/11/26"));
    EXPECT_TRUE(QDir(path("back-up")).entryList({"*.tmp-*"}, QDir::Files | QDir::Hidden).isEmpty());
    // The other two databases are backed up all the same.
    for (const char* copy : {"back-up/riferimenti.mdb", "back-up/vet.mdb"})
        EXPECT_EQ(test::integrityOf(path(copy)), QStringLiteral("ok")) << copy;
    const QString log = QString::fromUtf8(fileBytes(path("log/08.12.26.log")));
    EXPECT_TRUE(log.contains(QStringLiteral("\tfrmSplash\t"))) << log.toStdString();
    EXPECT_TRUE(log.contains(archive)) << log.toStdString();
    for (const QString& line : log.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        EXPECT_TRUE(line.startsWith(QLatin1Char('"')) && line.endsWith(QLatin1Char('"'))) << line.toStdString();

    // No roll-over: the result waits in the daily database, which still takes new ones.
    EXPECT_TRUE(main()->Label24->isVisibleTo(main()));
    EXPECT_EQ(main()->Label24->text(), say("it.ini", "aggiorna", "err1"));
    EXPECT_EQ(ini("general.ini", "database", "last"), QStringLiteral("07/12/26"));
    EXPECT_EQ(test::rowCount(main()->session().cn, "datinumerici"), 1);
    test::addTestResult(main()->session().cn, "B", "VERDI", 2);
    main()->aggiornadb();  // the archive menu's roll-over holds back too
    EXPECT_EQ(test::rowCount(main()->session().cn, "datinumerici"), 2);
    Forms::unloadAll();
    prompts_->takeMessages();

    // Restored from its back-up: the next start rolls both results over.
    {
        QFile restore(archive);
        ASSERT_TRUE(restore.open(QIODevice::WriteOnly | QIODevice::Truncate));
        restore.write(goodCopy);
    }
    start();
    EXPECT_TRUE(prompts_->takeMessages().empty());
    ASSERT_NE(main(), nullptr);
    EXPECT_EQ(main()->Label13->text(), QStringLiteral("OK!"));
    EXPECT_EQ(test::rowCount(main()->session().cn, "datinumerici"), 0);
    EXPECT_EQ(test::rowCount(main()->session().cntot, "datinumerici"), 202);
    EXPECT_EQ(main()->Label24->text(), say("it.ini", "aggiorna", "ok"));
    EXPECT_EQ(ini("general.ini", "database", "last"), QStringLiteral("08/12/26"));
    EXPECT_EQ(ini("general.ini", "database", "bk"), QStringLiteral("08/12/26"));
}

// A back-up target in general.ini that names one of the program's own files,
// by whatever spelling, would put an old copy in place of live data: it is
// refused at the start as in the archive manager, said once in the log with
// its setting, and the other back-ups and the start go on.
TEST_F(Startup, ABackUpTargetNamingAFileOfTheProgramIsRefusedAndTheRestGoesOn) {
    {
        Connection daily(path("zarvium.mdb"));
        for (int i = 1; i <= 5; ++i)
            test::addTestResult(daily, QStringLiteral("S%1").arg(i), "ROSSI", i);
    }
    ASSERT_TRUE(QDir(folder_).mkpath("elsewhere"));
    ASSERT_TRUE(QFile::link(path("zarviumtotale.mdb"), path("elsewhere/copia.mdb")));
    ASSERT_TRUE(QFile::link(path("back-up"), path("elsewhere/bk")));
    // The template: the databases are compacted at the start, and a compaction's rename ends a hard link.
    ASSERT_EQ(::link(QFile::encodeName(path("back-up/startdb/zarviumtotale.mdb")).constData(),
                     QFile::encodeName(path("elsewhere/hard.mdb")).constData()),
              0);
    struct Case {
        const char* key;
        QString target;
        const char* own;
        const char* backedUp[2];
    };
    const Case cases[] = {
        {"pathautobackupvet",
         path("back-up/../zarvium.mdb"),
         "zarvium.mdb",
         {"back-up/zarviumtotale.mdb", "back-up/riferimenti.mdb"}},
        {"pathautobackupriferimenti",
         path("elsewhere/copia.mdb"),
         "zarviumtotale.mdb",
         {"back-up/zarviumtotale.mdb", "back-up/vet.mdb"}},
        {"pathautobackup",
         path("elsewhere/hard.mdb"),
         "back-up/startdb/zarviumtotale.mdb",
         {"back-up/riferimenti.mdb", "back-up/vet.mdb"}},
        {"pathautobackup",
         path("elsewhere/bk/../zarvium.mdb-journal"),
         "zarvium.mdb-journal",
         {"back-up/riferimenti.mdb", "back-up/vet.mdb"}},
        {"pathautobackupvet",
         path("general.ini"),
         "general.ini",
         {"back-up/zarviumtotale.mdb", "back-up/riferimenti.mdb"}},
        {"pathautobackupvet",
         path("back-up/startdb/zarviumtotale.mdb"),
         "back-up/startdb/zarviumtotale.mdb",
         {"back-up/zarviumtotale.mdb", "back-up/riferimenti.mdb"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        for (const char* copy : {"back-up/zarviumtotale.mdb", "back-up/riferimenti.mdb", "back-up/vet.mdb"})
            QFile::remove(path(copy));
        QFile::remove(path("log/08.12.26.log"));
        const QByteArray ownBefore = fileBytes(path(c.own));
        for (const char* key : {"pathautobackup", "pathautobackupriferimenti", "pathautobackupvet"})
            scriviini("back-up", key, key == std::string_view(c.key) ? c.target : QString(), "general.ini");
        scriviini("database", "bk", "30/11/26", "general.ini");

        ASSERT_NO_FATAL_FAILURE(startFailingTheBackUp());
        EXPECT_EQ(test::rowCount(main()->session().cn, "datinumerici"), 5);
        if (std::string_view(c.own).starts_with("back-up/")) {  // the template: never compacted
            EXPECT_EQ(fileBytes(path(c.own)), ownBefore);
        }
        EXPECT_FALSE(QFileInfo::exists(path("zarvium.mdb-journal")));
        for (const char* copy : c.backedUp)
            EXPECT_EQ(test::integrityOf(path(copy)), QStringLiteral("ok")) << copy;
        EXPECT_EQ(ini("general.ini", "database", "bk"), QStringLiteral("30/11/26"));
        const QStringList lines =
            QString::fromUtf8(fileBytes(path("log/08.12.26.log"))).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 1) << lines.join('\n').toStdString();
        EXPECT_TRUE(lines[0].contains(QStringLiteral("[back-up] %1").arg(QLatin1String(c.key))))
            << lines[0].toStdString();
        EXPECT_TRUE(lines[0].contains(c.target)) << lines[0].toStdString();
        EXPECT_TRUE(lines[0].contains(path(c.own))) << lines[0].toStdString();
        Forms::unloadAll();
    }
}

// Two back-ups into one file would leave the last one's copy there. The key
// that names another back-up's default (or a file an earlier key names) is
// the one refused, whichever back-up runs first; a copy named as another
// back-up's journal would be deleted as a hot journal. A file that is no
// database (the day's own error log, a named pipe, a file of the user's) is
// no back-up's to replace, and is never opened. Each refusal is one log line
// naming the key at fault and the file; every other back-up holds its own
// database.
TEST_F(Startup, ABackUpTargetThatWouldReplaceAnotherBackUpOrAnyOtherFileIsRefused) {
    ASSERT_TRUE(QDir(folder_).mkpath("comune"));
    ASSERT_TRUE(QDir(folder_).mkpath("altrove"));
    const QString realArchive = path("altrove/archivio.mdb");
    const QString dayLog = path("log/08.12.26.log");
    const QString pipe = path("comune/tubo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString vetDefault = "pathautobackupvet (empty: the default \"" + path("back-up/vet.mdb") + "\")";
    struct Case {
        const char* name;
        QString values[3];  // pathautobackup, pathautobackupriferimenti, pathautobackupvet
        const char* refusedKey;
        QStringList logged;
        const char* archiveBackUp;  // null where the archive's back-up is the one refused
    };
    const Case cases[] = {
        {"vet's key names the archive back-up's default",
         {QString(), QString(), path("back-up/zarviumtotale.mdb")},
         "pathautobackupvet",
         {"pathautobackup (empty: the default \"" + path("back-up/zarviumtotale.mdb") + "\")"},
         "back-up/zarviumtotale.mdb"},
        {"two keys name one file by two spellings",
         {path("comune/copia.mdb"), QString(), path("log/../comune/copia.mdb")},
         "pathautobackupvet",
         {path("log/../comune/copia.mdb"), "pathautobackup = \"" + path("comune/copia.mdb") + "\""},
         "comune/copia.mdb"},
        {"a key names the day's error log",
         {QString(), dayLog, QString()},
         "pathautobackupriferimenti",
         {dayLog, "the program's log folder"},
         "back-up/zarviumtotale.mdb"},
        {"the reference key names vet's default, vet's key empty",
         {QString(), path("back-up/vet.mdb"), QString()},
         "pathautobackupriferimenti",
         {vetDefault},
         "back-up/zarviumtotale.mdb"},
        {"the archive's key names vet's default back-up, vet's key empty",
         {path("back-up/vet.mdb"), QString(), QString()},
         "pathautobackup",
         {vetDefault},
         nullptr},
        {"vet's key names the archive back-up's journal",
         {QString(), QString(), path("back-up/zarviumtotale.mdb-journal")},
         "pathautobackupvet",
         {"journal", "pathautobackup (empty: the default"},
         "back-up/zarviumtotale.mdb"},
        {"a key names a named pipe",
         {QString(), QString(), pipe},
         "pathautobackupvet",
         {pipe, "a named pipe"},
         "back-up/zarviumtotale.mdb"},
        {"a key names the journal beside the real file of an archive kept elsewhere",
         {QString(), QString(), realArchive + "-journal"},
         "pathautobackupvet",
         {realArchive + "-journal", "the program's own file"},
         "back-up/zarviumtotale.mdb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.values[2] == realArchive + "-journal") {
            ASSERT_TRUE(QFile::rename(path("zarviumtotale.mdb"), realArchive));
            ASSERT_TRUE(QFile::link(realArchive, path("zarviumtotale.mdb")));
        }
        for (const char* copy : {"back-up/zarviumtotale.mdb", "back-up/riferimenti.mdb", "back-up/vet.mdb"})
            QFile::remove(path(copy));
        QFile::remove(dayLog);
        logerrore(0, "Una riga del giorno.", "Test");
        const QByteArray logBefore = fileBytes(dayLog);
        for (std::size_t i = 0; i < 3; ++i)
            scriviini("back-up", QLatin1String(backupSettings()[i].key), c.values[i], "general.ini");
        scriviini("database", "bk", "30/11/26", "general.ini");

        ASSERT_NO_FATAL_FAILURE(startFailingTheBackUp());
        EXPECT_EQ(ini("general.ini", "database", "bk"), QStringLiteral("30/11/26"));
        // The archive's back-up holds the archive, not the database backed up after it.
        if (c.archiveBackUp) {
            EXPECT_EQ(test::integrityOf(path(c.archiveBackUp)), QStringLiteral("ok"));
            Connection copy(path(c.archiveBackUp));
            EXPECT_NO_THROW(test::rowCount(copy, "datinumerici"));
        }
        // Vet's default back-up, where it was made, holds vet's database.
        if (QFileInfo::exists(path("back-up/vet.mdb"))) {
            Connection copy(path("back-up/vet.mdb"));
            EXPECT_EQ(copy.scalar("SELECT group_concat(name) FROM sqlite_schema WHERE name IN ('cal', 'limiti')"),
                      QVariant(QStringLiteral("cal")));
        }
        EXPECT_FALSE(QFileInfo::exists(path("back-up/zarviumtotale.mdb-journal")));
        EXPECT_TRUE(QFileInfo(pipe).isFile() == false && QFileInfo::exists(pipe));
        EXPECT_FALSE(QFileInfo::exists(realArchive + "-journal"));
        const QByteArray log = fileBytes(dayLog);
        EXPECT_TRUE(log.startsWith(logBefore));
        const QStringList lines = QString::fromUtf8(log.mid(logBefore.size())).split("\r\n", Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 1) << log.toStdString();
        EXPECT_TRUE(lines[0].contains(QStringLiteral("[back-up] %1").arg(QLatin1String(c.refusedKey))))
            << lines[0].toStdString();
        for (const QString& named : c.logged)
            EXPECT_TRUE(lines[0].contains(named)) << lines[0].toStdString() << "\n lacks " << named.toStdString();
        Forms::unloadAll();
    }
}

// While a database is copied the splash says which, and how far, in the user's language.
TEST_F(Startup, TheSplashSaysWhichFileIsBackedUp) {
    scriviini("database", "bk", "30/11/26", "general.ini");
    frmSplash* splash = start();
    ASSERT_NE(main(), nullptr);
    EXPECT_EQ(splash->Label1->text(), say("it.ini", "splash", "msg7").arg("vet.mdb").arg(100));
    EXPECT_FALSE(splash->Label1->isVisibleTo(splash));
}

// A database that cannot serve the program is as good as missing: the start
// stops with err2 before anything is written into it, and the log says in one
// line which file and why. The daily database and the small ones are read
// whole: a damaged page there would otherwise show only when a received
// result is stored, and that result would be lost.
TEST_F(Startup, ADatabaseThatIsEmptyDamagedOrWithoutItsTablesStopsTheStart) {
    enum class Fault { Empty, Damaged, Foreign };
    struct Case {
        const char* file;
        Fault fault;
        const char* cause;
    } cases[] = {{"zarvium.mdb", Fault::Empty, "is empty"},         {"vet.mdb", Fault::Empty, "is empty"},
                 {"riferimenti.mdb", Fault::Empty, "is empty"},     {"zarviumtotale.mdb", Fault::Empty, "is empty"},
                 {"zarvium.mdb", Fault::Damaged, "zarvium.mdb"},    {"vet.mdb", Fault::Foreign, "lacks its table cal"},
                 {"zarvium.mdb", Fault::Foreign, "lacks its table"}};
    {
        Connection daily(path("zarvium.mdb"));
        test::addManyResults(daily, 60);
    }
    // Compacted once, so that no compaction would read the file at the start.
    start();
    Forms::unloadAll();
    const QString shipped = tmp_.path() + "/shipped";
    ASSERT_TRUE(QDir().mkpath(shipped));
    for (const char* name : {"zarvium.mdb", "vet.mdb", "riferimenti.mdb", "zarviumtotale.mdb"})
        ASSERT_TRUE(QFile::copy(path(name), shipped + "/" + name));

    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.cause);
        const QString file = path(c.file);
        QFile::remove(file);
        switch (c.fault) {
        case Fault::Empty: QFile(file).open(QIODevice::WriteOnly); break;
        case Fault::Damaged:
            ASSERT_TRUE(QFile::copy(shipped + "/" + c.file, file));
            test::damageMiddlePage(file);
            ASSERT_NE(test::integrityOf(file), QStringLiteral("ok"));
            break;
        case Fault::Foreign:
            ASSERT_TRUE(
                QFile::copy(shipped + (std::string_view(c.file) == "vet.mdb" ? "/riferimenti.mdb" : "/vet.mdb"), file));
            break;
        }
        const QByteArray before = fileBytes(file);
        QFile::remove(path("log/08.12.26.log"));

        const auto shown = stoppedAtTheSplash(start());
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, say("it.ini", "splash", "err2"));
        EXPECT_EQ(shown[0].icon, MsgIcon::Critical);
        EXPECT_EQ(fileBytes(file), before);
        EXPECT_FALSE(QFileInfo::exists(file + "-journal"));
        const QStringList lines =
            QString::fromUtf8(fileBytes(path("log/08.12.26.log"))).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 1) << lines.join('\n').toStdString();
        EXPECT_TRUE(lines[0].contains(QLatin1String(c.file))) << lines[0].toStdString();
        EXPECT_TRUE(lines[0].contains(QLatin1String(c.cause))) << lines[0].toStdString();
        Forms::unloadAll();
        QFile::remove(file);
        ASSERT_TRUE(QFile::copy(shipped + "/" + c.file, file));
    }
    // With every file sound again the program starts as usual.
    start();
    EXPECT_TRUE(prompts_->takeMessages().empty());
    ASSERT_NE(main(), nullptr);
    EXPECT_TRUE(main()->session().cn.isOpen());
}

// The log line of a start-up error is on disk before its box is shown: a user
// who takes the box for a hung program and kills it keeps the cause. Where no
// log can be written, the box itself carries the cause.
TEST_F(Startup, AStartUpErrorIsLoggedBeforeItsBoxOrShownInIt) {
    struct Case {
        const char* key;  // err2: an empty daily database; err3: an unreachable back-up folder
        bool logWritable;
    } cases[] = {{"err2", true}, {"err2", false}, {"err3", true}, {"err3", false}};
    const QString log = path("log/08.12.26.log");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + (c.logWritable ? " log" : " no log"));
        const bool err2 = std::string_view(c.key) == "err2";
        const QString daily = path("zarvium.mdb");
        const QString dailyKept = tmp_.path() + "/zarvium.mdb";
        if (err2) {
            ASSERT_TRUE(QFile::rename(daily, dailyKept));
            QFile(daily).open(QIODevice::WriteOnly);
        } else {
            scriviini("database", "bk", "30/11/26", "general.ini");
            scriviini("back-up", "pathautobackup", path("no/such/folder/zarviumtotale.mdb"), "general.ini");
        }
        // A plain file where the log folder should be: nothing can be logged.
        QDir(path("log")).removeRecursively();
        if (!c.logWritable)
            QFile(path("log")).open(QIODevice::WriteOnly);
        else
            QDir().mkpath(path("log"));
        QByteArray loggedWhenShown = "<no box>";
        prompts_->whileOpen = [&](const MessageRequest&) { loggedWhenShown = fileBytes(log); };

        start();
        prompts_->whileOpen = nullptr;
        const auto shown = prompts_->takeMessages();
        ASSERT_EQ(shown.size(), 1u);
        const QString text = say("it.ini", "splash", c.key);
        const QString cause = err2 ? QStringLiteral("zarvium.mdb is empty") : QStringLiteral("no/such/folder");
        if (c.logWritable) {
            EXPECT_EQ(shown[0].text, text);
            EXPECT_TRUE(QString::fromUtf8(loggedWhenShown).contains(cause)) << loggedWhenShown.toStdString();
        } else {
            EXPECT_TRUE(shown[0].text.startsWith(text)) << shown[0].text.toStdString();
            EXPECT_TRUE(shown[0].text.contains(cause)) << shown[0].text.toStdString();
        }
        Forms::unloadAll();
        QFile::remove(path("log"));
        QDir().mkpath(path("log"));
        if (err2) {
            QFile::remove(daily);
            ASSERT_TRUE(QFile::rename(dailyKept, daily));
        } else {
            scriviini("back-up", "pathautobackup", "", "general.ini");
        }
    }
}

// No lock can be taken in a folder that could be written: a second instance
// could then compact the databases under this one. Refused as one would be.
TEST_F(Startup, NoLockInAWritableFolderRefusesTheStart) {
    ASSERT_TRUE(QFile::link(path("missing/zarvium.lock"), path("zarvium.lock")));
    const QByteArray daily = fileBytes(path("zarvium.mdb"));
    frmSplash* splash = start();
    EXPECT_TRUE(splash->endRequested());
    EXPECT_FALSE(Forms::isLoaded("Principale"));
    EXPECT_EQ(fileBytes(path("zarvium.mdb")), daily);
    const auto shown = prompts_->takeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, say("it.ini", "splash", "msg1"));
    EXPECT_TRUE(shown[0].onTop);
}

TEST_F(Startup, OnlyADatabaseWithSomethingToReclaimIsCompacted) {
    const QStringList databases{"zarvium.mdb", "zarviumtotale.mdb", "vet.mdb", "riferimenti.mdb"};
    start();  // the shipped files were never compacted: each is, once
    Forms::unloadAll();
    // A compaction would write the same bytes into a new file: the inode tells.
    const auto inode = [this](const QString& db) {
        struct stat st {};
        return ::stat(QFile::encodeName(path(db)).constData(), &st) == 0 ? st.st_ino : ino_t(0);
    };
    std::map<QString, std::pair<QByteArray, ino_t>> before;
    for (const QString& db : databases)
        before[db] = {fileBytes(path(db)), inode(db)};

    start();
    ASSERT_NE(main(), nullptr);
    for (const QString& db : databases)
        EXPECT_EQ(std::make_pair(fileBytes(path(db)), inode(db)), before[db]) << db.toStdString();
    Forms::unloadAll();

    // Results deleted from the archive leave free pages: that file alone is compacted.
    {
        Connection archive(path("zarviumtotale.mdb"));
        Transaction added(archive);
        for (int i = 0; i < 40; ++i)
            test::addTestResult(archive, i == 7 ? "B" : "A", "ROSSI");
        added.commit();
        for (const char* table : {"datinumerici", "graficiWB1", "graficiWB2", "GraficiRBC", "GraficiPLT"})
            archive.execute(QStringLiteral("DELETE FROM %1 WHERE ID1 <> 8").arg(table));
        ASSERT_GT(archive.scalar("PRAGMA freelist_count").toInt(), 0);
    }
    start();
    Connection archive(path("zarviumtotale.mdb"));
    EXPECT_EQ(archive.scalar("PRAGMA freelist_count").toInt(), 0);
    EXPECT_EQ(test::rowCount(archive, "datinumerici"), 1);
    // The date counts the first start made followed the deletion and the compaction.
    ASSERT_TRUE(hasDateCounts(archive));
    EXPECT_EQ(archive.scalar(QStringLiteral("SELECT sum(n) FROM \"%1\"").arg(kDateCounts)).toInt(), 1);
    EXPECT_NE(inode("zarviumtotale.mdb"), before["zarviumtotale.mdb"].second);
    for (const QString& db :
         {QStringLiteral("zarvium.mdb"), QStringLiteral("vet.mdb"), QStringLiteral("riferimenti.mdb")})
        EXPECT_EQ(std::make_pair(fileBytes(path(db)), inode(db)), before[db]) << db.toStdString();
}

// An archive of yesterday's layout is given its date counts at the start;
// when that takes over a second (here: another connection holds the archive's
// write lock), the splash says it is preparing the archive, and the start
// goes on once the lock is let go.
TEST_F(Startup, ASlowPreparationOfTheArchiveIsSaidOnTheSplash) {
    start();  // compacts the shipped files and counts the archive's dates
    Forms::unloadAll();
    {
        Connection archive(path("zarviumtotale.mdb"));
        for (const char* trigger : {"insert", "delete", "old_date", "new_date"})
            archive.execute(QStringLiteral("DROP TRIGGER \"%1_%2\"").arg(kDateCounts, QLatin1String(trigger)));
        archive.execute(QStringLiteral("DROP TABLE \"%1\"").arg(kDateCounts));
        archive.execute(QStringLiteral("VACUUM"));  // nothing left for the start to compact
        ASSERT_FALSE(hasDateCounts(archive));
    }
    Connection holder(path("zarviumtotale.mdb"));
    auto lock = std::make_optional<Transaction>(holder);
    bool said = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* splash = Forms::get<frmSplash>();
        if (lock && splash && splash->Label1->isVisibleTo(splash) &&
            splash->Label1->text() == say("it.ini", "splash", "msg6")) {
            said = true;
            lock.reset();  // rolled back: the preparation goes on
        }
    });
    user.start(10);
    start();
    user.stop();
    lock.reset();
    EXPECT_TRUE(said);
    ASSERT_NE(main(), nullptr);
    EXPECT_TRUE(prompts_->takeMessages().empty());
    Connection archive(path("zarviumtotale.mdb"));
    EXPECT_TRUE(hasDateCounts(archive));
}

TEST_F(Startup, EveryConnectionOfTheSessionCommitsDurably) {
    start();
    Session& s = main()->session();
    for (Connection* cn : {&s.cn, &s.cntot, &s.cnlimit, &s.cnvet}) {
        SCOPED_TRACE(cn->path().toStdString());
        EXPECT_EQ(cn->scalar("PRAGMA synchronous").toInt(), 3);
        EXPECT_EQ(cn->scalar("PRAGMA journal_mode").toString(), QStringLiteral("delete"));
    }
}

TEST_F(Startup, NewDayRollsTheDailyResultsIntoTheArchive) {
    scriviini("database", "last", "07/12/26", "general.ini");
    {
        Connection daily;
        daily.open(path("zarvium.mdb"));
        test::addTestResult(daily, "A", "ROSSI", 1);
        test::addTestResult(daily, "B", "D'AMICO", 2);
        test::addTestResult(daily, "C", "VERDI", 3);
        daily.execute(
            "DELETE FROM datinumerici WHERE specId = 'B'; DELETE FROM graficiWB1 WHERE ID1 = 2;"
            "DELETE FROM graficiWB2 WHERE ID1 = 2; DELETE FROM GraficiRBC WHERE ID1 = 2;"
            "DELETE FROM GraficiPLT WHERE ID1 = 2");
        test::addTestResult(daily, "B", "D'AMICO", 2);
        daily.execute("UPDATE datiQgrafici SET bandati = 4.5 WHERE specId = 'C'");
    }
    start();
    Principale* m = main();
    ASSERT_NE(m, nullptr);
    Recordset archived(m->session().cntot, "select * from datiQgrafici order by ID1");
    ASSERT_EQ(archived.recordCount(), 3);
    QStringList order;
    for (archived.moveFirst(); !archived.eof(); archived.moveNext())
        order << archived.text("specId");
    EXPECT_EQ(order, (QStringList{"A", "C", "B"}));  // the daily ID1 order
    archived.moveLast();
    EXPECT_EQ(archived.text("specName"), QStringLiteral("D'AMICO"));
    EXPECT_EQ(archived.text("GraficiPLT_ch230"), QStringLiteral("047"));
    archived.setAbsolutePosition(2);
    EXPECT_DOUBLE_EQ(archived.field("bandati").toDouble(), 4.5);  // typed band values survive
    for (const char* table : {"datinumerici", "graficiWB1", "graficiWB2", "GraficiRBC", "GraficiPLT"})
        EXPECT_EQ(test::rowCount(m->session().cn, table), 0) << table;
    EXPECT_EQ(m->Label24->text(), say("it.ini", "aggiorna", "ok"));
    EXPECT_EQ(ini("general.ini", "database", "last"), QStringLiteral("08/12/26"));
    EXPECT_FALSE(Forms::find("frmSplash")->isVisible());
}

TEST_F(Startup, FailedRollOverLeavesBothDatabasesAsTheyWere) {
    scriviini("database", "last", "07/12/26", "general.ini");
    {
        Connection daily;
        daily.open(path("zarvium.mdb"));
        for (const char* id : {"A", "B", "C"})
            test::addTestResult(daily, id, "ROSSI");
        Connection archive;
        archive.open(path("zarviumtotale.mdb"));
        test::addTestResult(archive, "OLD", "BIANCHI");
        // A failure half-way: the archive refuses the second result.
        archive.execute(
            "CREATE TRIGGER refuse BEFORE INSERT ON datinumerici WHEN NEW.specId = 'B' "
            "BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    }
    start();
    Principale* m = main();
    EXPECT_EQ(test::rowCount(m->session().cn, "datinumerici"), 3);
    EXPECT_EQ(test::rowCount(m->session().cn, "GraficiPLT"), 3);
    Connection archive;
    archive.open(path("zarviumtotale.mdb"));
    EXPECT_EQ(test::rowCount(archive, "datinumerici"), 1);
    EXPECT_EQ(test::rowCount(archive, "graficiWB1"), 1);
    EXPECT_EQ(ini("general.ini", "database", "last"), QStringLiteral("07/12/26"));
    EXPECT_EQ(m->Label13->text(), m->session().stampa.msg1);
    EXPECT_EQ(m->Label13->foreColor(), colours::red);
    EXPECT_TRUE(Forms::find("frmSplash")->isVisible());
    EXPECT_TRUE(fileBytes(path("log/08.12.26.log")).contains("disk full"));
}

TEST_F(Startup, AutomaticReportSwitchAndItsFailureState) {
    struct Case {
        const char* value;
        bool loads;
        const char* label12;
    } cases[] = {{"1", true, "ON"}, {"0", true, "OFF"}, {"", false, "OFF"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        scriviini("auto", "stampa_auto", c.value, "print.ini");
        start();
        Principale* m = main();
        EXPECT_EQ(m->Label12->text(), QString::fromLatin1(c.label12));
        if (c.loads) {
            EXPECT_EQ(m->autoref->isChecked(), QString::fromLatin1(c.value) == "1");
            EXPECT_EQ(m->Label3->text(), QStringLiteral("User"));
            EXPECT_FALSE(m->setpar->isEnabled());
            EXPECT_EQ(m->Label2->text(), QStringLiteral("08/12/26"));
            EXPECT_TRUE(m->session().cntot.isOpen() && m->session().cn.isOpen() && m->session().cnlimit.isOpen() &&
                        m->session().cnvet.isOpen());
        } else {
            EXPECT_EQ(m->Label13->text(), say("it.ini", "stampa", "msg1"));
            EXPECT_EQ(m->Label2->text(), QStringLiteral("gg/mm/aa"));
            EXPECT_EQ(m->Label3->text(), QStringLiteral("Admin"));
            EXPECT_TRUE(m->setpar->isEnabled());
            EXPECT_FALSE(m->session().cntot.isOpen() || m->session().cn.isOpen() || m->session().cnlimit.isOpen() ||
                         m->session().cnvet.isOpen());
            EXPECT_TRUE(Forms::find("frmSplash")->isVisible());
        }
        Forms::unloadAll();
    }
}

TEST_F(Startup, PortPanelAndModelPicture) {
    struct Case {
        const char* instrument;
        const char* handshake;
        const char* inputlen;
        const char* picture;  // "" = none
        bool rtsShown;
        bool lenShown;
        const char* porta;
    } cases[] = {
        {"CD3700", "1", "0", "3700.gif", true, false, "1"},
        {"cd3700", "0", "1", "", false, true, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"},
        {"CD3000", "0", "0", "cd3000small.gif", false, false, "1"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.instrument);
        scriviini("general", "instrument", c.instrument, "port.ini");
        scriviini("port", "handshake", c.handshake, "port.ini");
        scriviini("port", "inputlen", c.inputlen, "port.ini");
        scriviini("port", "len", "256", "port.ini");
        scriviini("port", "porta", c.porta, "port.ini");
        start();
        Principale* m = main();
        EXPECT_EQ(m->Label23->text(), QStringLiteral("ZARVIUM - ") + c.instrument);
        EXPECT_EQ(m->modelPicturePath(), *c.picture ? QStringLiteral("/immagini/") + c.picture : QString());
        EXPECT_EQ(m->Image9->hasPicture(), *c.picture != 0);
        EXPECT_EQ(m->Label55->isVisibleTo(m), c.rtsShown);
        EXPECT_EQ(m->Label58->isVisibleTo(m), c.lenShown);
        EXPECT_EQ(m->Label64->isVisibleTo(m), c.lenShown);
        if (c.lenShown) {
            EXPECT_EQ(m->Label64->text(), QStringLiteral("256"));
        }
        EXPECT_EQ(m->Label59->text(), QLatin1String(c.porta));
        EXPECT_EQ(m->Label62->text(), QStringLiteral("9600"));
        Forms::unloadAll();
    }
}

TEST_F(Startup, FirstStartAsksForTheSeparatorWhileTheConnectionsOpen) {
    scriviini("separatore", "decimale", "", "general.ini");
    start();
    const auto shown = prompts_->takeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, say("it.ini", "principale", "msg1"));
    EXPECT_EQ(shown[0].icon, MsgIcon::Information);
    Form* dialog = Forms::find("setting");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(main()->session().cnvet.isOpen());
}

TEST_F(Startup, DatesShowTodayWhateverTheFormat) {
    scriviini("date", "format", "yyyy/mm/dd", "general.ini");
    start();
    EXPECT_EQ(main()->session().formato, QStringLiteral("yyyy/mm/dd"));
    EXPECT_EQ(main()->Label2->text(), QStringLiteral("08/12/26"));
    EXPECT_EQ(main()->Label7->text(), QStringLiteral("08/12/26"));
    EXPECT_EQ(Forms::get<frmSplash>("frmSplash")->Label2->text(), QStringLiteral("Ver. 1 . 0 . 0"));
}

TEST_F(Startup, ExitLetsGoOfTheConnectionsAndClosesEveryWindow) {
    start();
    Principale* m = main();
    ASSERT_TRUE(Forms::isLoaded("frmSplash"));
    Connection& cn = m->session().cn;
    (void)cn;
    EXPECT_TRUE(Forms::unload("Principale"));
    EXPECT_TRUE(Forms::loadedNames().isEmpty());
    // The instance lock went with the start-up window.
    InstanceLock next;
    EXPECT_EQ(next.acquire(folder_), InstanceLock::Result::Acquired);
}

// Far beyond what a start and an exit need: only a program that does not
// end meets it, and then its event loop ends with 2.
struct ProgramDeadline {
    bool met = false;
    QTimer timer;
    ProgramDeadline() {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            met = true;
            QCoreApplication::exit(2);
        });
        timer.start(60000);
    }
    void stop() { timer.stop(); }
};

// The whole program, as a user ends it: started through the start-up window,
// File > Esci clicked through the real menu. The exit must end the event loop
// and leave nothing behind (under the sanitizers: no use of freed memory).
TEST_F(Startup, EsciFromTheFileMenuEndsTheProgram) {
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    bool clicked = false;
    std::function<void()> clickEsci = [&] {
        // The start-up lets events through while it works: the click waits for the main window.
        Principale* m = main();
        if (!m || !m->isVisible()) {
            QTimer::singleShot(0, clickEsci);
            return;
        }
        QTest::mouseClick(m->menuBar, Qt::LeftButton, {},
                          m->menuBar->actionGeometry(m->File_menu->menuAction()).center());
        ASSERT_TRUE(m->File_menu->isVisible());
        QTest::mouseClick(m->File_menu, Qt::LeftButton, {}, m->File_menu->actionGeometry(m->Esci_menu).center());
        clicked = true;
    };
    QTimer::singleShot(0, clickEsci);
    ProgramDeadline deadline;

    const int rc = shell::startAndRun(folder_);
    deadline.stop();

    EXPECT_TRUE(clicked);
    EXPECT_FALSE(deadline.met);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(quitting.count(), 1);
    EXPECT_TRUE(Forms::loadedNames().isEmpty());
    InstanceLock next;
    EXPECT_EQ(next.acquire(folder_), InstanceLock::Result::Acquired);
}

// With ZV_EXIT_WHEN_SHOWN the program says when its main window is drawn
// and ends there, so a start can be timed from outside as the user waits for it.
TEST_F(Startup, ExitWhenShownEndsTheProgramOnceTheMainWindowIsDrawn) {
    qputenv("ZV_EXIT_WHEN_SHOWN", "1");
    bool drawn = false;
    struct Watch final : QObject {
        bool* drawn;
        explicit Watch(bool* d) : drawn(d) {}
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint && watched == Forms::find(QStringLiteral("Principale")))
                *drawn = true;
            return false;
        }
    } watch(&drawn);
    qApp->installEventFilter(&watch);
    ProgramDeadline deadline;

    testing::internal::CaptureStdout();
    const int rc = shell::startAndRun(folder_);
    const std::string out = testing::internal::GetCapturedStdout();
    deadline.stop();
    qApp->removeEventFilter(&watch);
    qunsetenv("ZV_EXIT_WHEN_SHOWN");

    EXPECT_FALSE(deadline.met);
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(drawn);
    EXPECT_EQ(out, "main window shown\n");
    EXPECT_TRUE(Forms::loadedNames().isEmpty());
}

TEST_F(Startup, ErrorBeforeTheMainWindowWaitsForIt) {
    scriviini("separatore", "decimale", ",", "general.ini");
    logerrore(53, "File not found", "frmSplash");
    EXPECT_FALSE(Forms::isLoaded("Principale"));  // logging never loads the main window
    auto* main = Forms::load<Principale>();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->Label24->text(), QStringLiteral("frmSplash - 53 - File not found"));
    logerrore(5, "later", "Principale");
    EXPECT_EQ(main->Label24->text(), QStringLiteral("Principale - 5 - later"));
}

}  // namespace
}  // namespace zv
