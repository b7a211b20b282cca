// The program itself, started as a user starts it and killed at random
// moments of its start.
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include <random>

#include "core/config.h"
#include "platform/database.h"
#include "platform/dbfiles.h"
#include "support/fixture.h"
#include "support/results.h"

namespace zv {
namespace {

class KilledStart : public test::ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        // The program runs on the real clock: a back-up is due, no roll-over is.
        scriviini("separatore", "decimale", ",", "general.ini");
        scriviini("database", "bk", "01/01/20", "general.ini");
        scriviini("database", "last", QDate::currentDate().toString("dd/MM/yy"), "general.ini");
    }

    void startProgram(QProcess& program) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(ZV_PROGRAM), {folder_});
        ASSERT_TRUE(program.waitForStarted(30000)) << program.errorString().toStdString();
    }
};

// However early or late in a back-up day's start the program is killed, the
// back-up of a damaged archive stays the last good copy, whole.
TEST_F(KilledStart, ABackUpDayWithADamagedArchiveNeverLeavesADamagedBackUp) {
    const QString archive = path("zarviumtotale.mdb");
    const QString backUp = path("back-up/zarviumtotale.mdb");
    const QByteArray goodCopy = test::damagedAfterAGoodBackUp(archive, backUp, path("Temp.mdb"), 1500);
    ASSERT_NE(test::integrityOf(archive), QStringLiteral("ok"));

    // One start left to run until it has logged why the back-up failed (the
    // log line comes before the box, which would wait for a user): the span
    // over which the kills fall.
    qint64 span = 0;
    {
        QFileSystemWatcher watcher({path("log")});
        QSignalSpy logged(&watcher, &QFileSystemWatcher::directoryChanged);
        QProcess program;
        QElapsedTimer clock;
        clock.start();
        startProgram(program);
        ASSERT_TRUE(logged.wait(60000)) << "the start logged nothing";
        span = clock.elapsed();
        program.kill();
        program.waitForFinished(30000);
        ASSERT_EQ(fileBytes(backUp), goodCopy);
    }

    std::mt19937 random(20261208);
    std::uniform_int_distribution<qint64> moment(0, span);
    for (int kill = 0; kill < 30; ++kill) {
        const qint64 at = moment(random);
        SCOPED_TRACE(QStringLiteral("kill %1 after %2 ms of %3").arg(kill).arg(at).arg(span).toStdString());
        QProcess program;
        QSignalSpy finished(&program, &QProcess::finished);
        startProgram(program);
        QTimer::singleShot(at, &program, [&program] { program.kill(); });
        ASSERT_TRUE(finished.wait(60000));
        EXPECT_EQ(test::integrityOf(backUp), QStringLiteral("ok"));
        ASSERT_EQ(fileBytes(backUp), goodCopy);
    }
}

// A back-up day that is also a new day, killed at any moment: every back-up
// left behind passes SQLite's check, and every result received so far is in
// the daily database or in the archive, once.
TEST_F(KilledStart, ABackUpAndRollOverDayKilledLosesNoResultAndLeavesNoDamagedBackUp) {
    {
        Connection archive(path("zarviumtotale.mdb"));
        test::addManyResults(archive, 1500);
    }
    const QString today = QDate::currentDate().toString("dd/MM/yy");
    const QString yesterday = QDate::currentDate().addDays(-1).toString("dd/MM/yy");
    int received = 0;
    const auto newDayWithResults = [&] {
        Connection daily(path("zarvium.mdb"));
        for (int i = 0; i < 3; ++i)
            test::addTestResult(daily, QStringLiteral("K%1").arg(++received), "ROSSI", i + 1);
        scriviini("database", "last", yesterday, "general.ini");
        scriviini("database", "bk", "01/01/20", "general.ini");
    };
    const auto expectEveryResultOnce = [&] {
        QStringList kept;
        for (const char* file : {"zarvium.mdb", "zarviumtotale.mdb"}) {
            Connection cn(path(file));
            Recordset rs(cn, "select specId from datinumerici where specId like 'K%'");
            for (rs.moveFirst(); !rs.eof(); rs.moveNext())
                kept << rs.text("specId");
        }
        kept.sort();
        QStringList expected;
        for (int k = 1; k <= received; ++k)
            expected << QStringLiteral("K%1").arg(k);
        expected.sort();
        EXPECT_EQ(kept, expected);
    };

    // One start left to run until its roll-over has written the day: the span
    // over which the kills fall.
    newDayWithResults();
    qint64 span = 0;
    {
        QFileSystemWatcher watcher({folder_});
        QSignalSpy changed(&watcher, &QFileSystemWatcher::directoryChanged);
        QProcess program;
        QElapsedTimer clock;
        clock.start();
        startProgram(program);
        while (leggiini("database", "last", "general.ini", 15) != today)
            ASSERT_TRUE(changed.wait(60000)) << "the start never rolled the day over";
        span = clock.elapsed();
        program.kill();
        program.waitForFinished(30000);
    }
    expectEveryResultOnce();

    std::mt19937 random(20261211);
    std::uniform_int_distribution<qint64> moment(0, span);
    for (int kill = 0; kill < 30; ++kill) {
        const qint64 at = moment(random);
        SCOPED_TRACE(QStringLiteral("kill %1 after %2 ms of %3").arg(kill).arg(at).arg(span).toStdString());
        newDayWithResults();
        QProcess program;
        QSignalSpy finished(&program, &QProcess::finished);
        startProgram(program);
        QTimer::singleShot(at, &program, [&program] { program.kill(); });
        ASSERT_TRUE(finished.wait(60000));
        for (const char* copy : {"back-up/zarviumtotale.mdb", "back-up/riferimenti.mdb", "back-up/vet.mdb"})
            if (QFileInfo::exists(path(copy))) {
                EXPECT_EQ(test::integrityOf(path(copy)), QStringLiteral("ok")) << copy;
            }
        expectEveryResultOnce();
    }
}

}  // namespace
}  // namespace zv
