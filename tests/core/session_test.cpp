#include "core/session.h"

#include "archive/archivebrowse.h"
#include "core/config.h"
#include "core/language.h"
#include "core/notifier.h"
#include "model/resultstore.h"
#include "platform/database.h"
#include "platform/errors.h"
#include "support/fixture.h"
#include "support/notifierlog.h"
#include "support/results.h"

namespace zv {
namespace {

class SessionTest : public test::ProgramFolderTest {};

TEST_F(SessionTest, OneAtATimeWithItsConnectionsInOrder) {
    EXPECT_EQ(Session::current(), nullptr);
    EXPECT_THROW(Session::get(), AppError);
    {
        Session s;
        EXPECT_EQ(&Session::get(), &s);
        EXPECT_THROW(Session second, AppError);
        s.setDatabasePaths(folder_);
        EXPECT_EQ(s.db_limiti, path("riferimenti.mdb"));
        s.openConnections(QLatin1Char(','));
        EXPECT_TRUE(s.cntot.isOpen() && s.cn.isOpen() && s.cnlimit.isOpen() && s.cnvet.isOpen());
        EXPECT_EQ(s.cn.decimalMark(), QLatin1Char(','));
        // The archive has the index its days are looked up in.
        EXPECT_TRUE(s.cntot.scalar(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = ?1"), {QString(kDateIndex)})
                        .isValid());
    }
    EXPECT_EQ(Session::current(), nullptr);

    // A missing reference database: the archive and daily ones open, the last two stay closed.
    QFile::remove(path("riferimenti.mdb"));
    Session s;
    s.setDatabasePaths(folder_);
    EXPECT_THROW(s.openConnections(QLatin1Char('.')), AppError);
    EXPECT_TRUE(s.cntot.isOpen() && s.cn.isOpen());
    EXPECT_FALSE(s.cnlimit.isOpen() || s.cnvet.isOpen());
}

// The program folder as an earlier release left it: results files whose
// insert trigger stores an unsent Ret % or band % as 0, human sets with band
// limits 0 and 0 that nobody typed, and limits a user did type.
void makeEarlierFiles(const QString& folder) {
    for (const char* file : {"zarviumtotale.mdb", "zarvium.mdb"}) {
        Connection results(folder + QLatin1Char('/') + QLatin1String(file));
        QString trigger =
            results.scalar("SELECT sql FROM sqlite_master WHERE type = 'trigger' AND name = 'datiQgrafici_insert'")
                .toString();
        for (const char* field : {"ret%", "bandati"}) {
            const QString value = QStringLiteral("NEW.\"%1\"").arg(QLatin1String(field));
            trigger.replace(trigger.indexOf(value, trigger.indexOf("VALUES")), value.size(),
                            QStringLiteral("coalesce(%1, 0)").arg(value));
        }
        results.execute("DROP TRIGGER \"datiQgrafici_insert\"");
        results.execute(trigger);
        test::addTestResult(results, "OLD", "Stored before", 5);
    }
    Connection limits(folder + QStringLiteral("/riferimenti.mdb"));
    limits.execute("UPDATE limiti SET bandatiL = '0', bandatiH = '0', cBandatiL = '0', cBandatiH = '0'");
    limits.execute(
        "INSERT INTO limiti (limite, valori, bandatiL, bandatiH, cBandatiL, cBandatiH)"
        " VALUES (2, 'Typed', '0', '5', '0', '0,5')");
    limits.execute("UPDATE vet SET bandatiL = '0', bandatiH = '0', cBandatiL = '0', cBandatiH = '0'");
}

TEST_F(SessionTest, WhatEarlierReleasesWroteUnmeasuredOrUnsetIsMendedAtOpen) {
    makeEarlierFiles(folder_);
    Session s;
    s.setDatabasePaths(folder_);
    s.openConnections(QLatin1Char(','));
    for (Connection* results : {&s.cntot, &s.cn}) {
        SCOPED_TRACE(results->path().toStdString());
        test::addTestResult(*results, "NEW", "Received now", 6);
        const auto stored = [&](const char* id, const char* field) {
            return results->scalar(QStringLiteral("SELECT \"%1\" FROM datiQgrafici WHERE specId = ?1").arg(field),
                                   {QString::fromLatin1(id)});
        };
        for (const char* field : {"ret%", "bandati"}) {
            EXPECT_TRUE(stored("NEW", field).isNull()) << field;
            // A 0 already stored cannot be told from one a user typed: it stays.
            EXPECT_EQ(stored("OLD", field), QVariant(0.0)) << field;
        }
    }
    const auto bands = [&](const char* table, const char* set) {
        Recordset rs(s.cnlimit, QStringLiteral("SELECT * FROM %1 WHERE valori = ?1").arg(table), {set});
        QStringList limits;
        for (const char* column : {"bandatiL", "bandatiH", "cBandatiL", "cBandatiH"})
            limits << (rs.field(column).isNull() ? QStringLiteral("NULL") : rs.text(column));
        return limits.join(' ');
    };
    struct Case {
        const char* table;
        const char* set;
        const char* limits;
    };
    const Case cases[] = {
        {"limiti", "Adulti", "NULL NULL NULL NULL"},  // written by the old default, never typed
        {"limiti", "Bambini", "NULL NULL NULL NULL"},
        {"limiti", "Typed", "0 5 0 0,5"},  // someone wrote them: kept
        {"vet", "CANE", "0 0 0 0"},        // the species editor writes band limits: a user's
    };
    for (const Case& c : cases)
        EXPECT_EQ(bands(c.table, c.set), QString::fromLatin1(c.limits)) << c.table << " " << c.set;

    // Opening again changes nothing more.
    s.closeConnections();
    s.openConnections(QLatin1Char(','));
    EXPECT_EQ(bands("limiti", "Typed"), QStringLiteral("0 5 0 0,5"));
    EXPECT_FALSE(mendResultLayout(s.cn));
}

TEST_F(SessionTest, ReportCaptionsReadEveryKeyOfTheSection) {
    Session s;
    s.stampa.read(QStringLiteral("de.ini"), QStringLiteral("stampa"));
    EXPECT_EQ(ReportCaptions::keys().size(), 53u);
    for (const auto& [key, member] : ReportCaptions::keys())
        EXPECT_EQ(s.stampa.*member, languageText("de.ini", "stampa", QString::fromLatin1(key))) << key;
    EXPECT_FALSE(s.stampa.wbc.isEmpty());
}

TEST_F(SessionTest, NewsReachWhoeverListens) {
    // Nobody shows the status line yet: the logger keeps the line for the main window.
    logerrore(53, "File not found", "frmSplash");
    EXPECT_EQ(takePendingError(), (LoggedError{"frmSplash", 53, "File not found", {}}));

    test::NotifierLog log;
    logerrore(5, "later", "Principale");
    EXPECT_EQ(log.error, (LoggedError{"Principale", 5, "later", {}}));
    EXPECT_EQ(takePendingError(), std::nullopt);

    Session s;
    s.setWorkDate(QStringLiteral("01/12/26"));
    EXPECT_EQ(s.workDate(), QStringLiteral("01/12/26"));
}

}  // namespace
}  // namespace zv
