#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "archive/archive_records.h"
#include "archive/archivebrowse.h"
#include "archive/rollover.h"
#include "archive/transfer.h"
#include "core/programfiles.h"
#include "core/session.h"
#include "model/resultstore.h"
#include "platform/database.h"
#include "platform/errors.h"
#include "support/fixture.h"

namespace zv {
namespace {

class Browse : public test::ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        cn.open(path(QStringLiteral("zarviumtotale.mdb")));
    }
    void add(const QString& date, int times = 1) {
        for (int i = 0; i < times; ++i)
            test::archive(cn, date, QStringLiteral("X"));
    }
    int64_t selected(const Selection& s) { return Recordset(cn, selectionQuery(s), s.params).recordCount(); }
    Connection cn;
};

TEST_F(Browse, CountsYearsMonthsAndDaysAsTheirDatesSay) {
    add("01/03/05", 2);
    add("15/03/26");
    add("31/07/26", 3);
    add("01/07/26");
    add("02/02/25");
    // Dates the patterns never match: no "/" before the year, a year of four digits.
    add("0326");
    add("01/03/2026");
    EXPECT_EQ(countYears(cn, 5, 26), (std::vector<PeriodCount>{{"05", 2}, {"25", 1}, {"26", 5}}));
    EXPECT_EQ(countYears(cn, 26, 26), (std::vector<PeriodCount>{{"26", 5}}));
    EXPECT_TRUE(countYears(cn, 99, 26).empty());  // a start after this year lists nothing
    EXPECT_EQ(countMonths(cn, "26"), (std::vector<PeriodCount>{{"03/26", 1}, {"07/26", 4}}));
    EXPECT_EQ(countDays(cn, "07/26"), (std::vector<PeriodCount>{{"01/07/26", 1}, {"31/07/26", 3}}));
    EXPECT_TRUE(countDays(cn, "02/26").empty());
}

TEST_F(Browse, EachLineSelectsExactlyTheResultsItCounted) {
    add("01/03/26", 2);
    add("15/03/26");
    add("15/04/26");
    add("15/04/25");
    const int64_t one = test::archive(cn, "16/04/26", "only");
    struct Case {
        BrowseLevel level;
        QString key;
        int64_t expected;
    } cases[] = {
        {BrowseLevel::Year, "26", 5},
        {BrowseLevel::Year, "25", 1},
        {BrowseLevel::Month, "03/26", 3},
        {BrowseLevel::Month, "04/26", 2},
        {BrowseLevel::Day, "01/03/26", 2},
        {BrowseLevel::Day, "15/04/25", 1},
        {BrowseLevel::Record, QString::number(one), 1},
        // A key is a bound value: quotes in it select nothing rather than everything.
        {BrowseLevel::Day, "01/03/26' or '1'='1", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(selected(selectionOf(c.level, c.key)), c.expected) << c.key.toStdString();
}

TEST_F(Browse, AYearOfMoreThan32767ResultsCountsAndSelectsWhole) {
    test::archiveMany(cn, "09/11/26", 40000);
    add("10/11/26");
    EXPECT_EQ(countYears(cn, 26, 26), (std::vector<PeriodCount>{{"26", 40001}}));
    EXPECT_EQ(countMonths(cn, "26"), (std::vector<PeriodCount>{{"11/26", 40001}}));
    EXPECT_EQ(countDays(cn, "11/26"), (std::vector<PeriodCount>{{"09/11/26", 40000}, {"10/11/26", 1}}));
    EXPECT_EQ(selected(selectionOf(BrowseLevel::Day, "09/11/26")), 40000);
}

// The day lookups and the counts read the date index, yet find exactly what
// the program's LIKE finds, whatever the dates hold: letters in either case
// (and the Kelvin sign, which folds to "k"), wildcards, no date, the bytes of
// a day stored as a blob.
TEST_F(Browse, DayLookupsAndCountsFindWhatTheProgramsLikeFinds) {
    add("01/03/26", 2);
    add("01/03/2026");
    add("1/3/26");
    add("ab/cd/26");
    add("AB/cd/26");
    add(QString::fromUtf8("\u212A/03/26"));  // the Kelvin sign
    add("k/03/26");
    add("%1/03/26");
    add("_2/03/26");
    add("");
    add(QString::fromUtf8("\u00e8\u00c8/03/26"));
    const int64_t noDate = test::archive(cn, "x", "X");
    cn.execute(QStringLiteral("UPDATE datinumerici SET date = NULL WHERE ID1 = ?1"), {QVariant::fromValue(noDate)});
    const int64_t blob = test::archive(cn, "01/03/26", "X");
    cn.execute(QStringLiteral("UPDATE datinumerici SET date = CAST(date AS BLOB) WHERE ID1 = ?1"),
               {QVariant::fromValue(blob)});
    ensureDateIndex(cn);
    ASSERT_EQ(
        cn.scalar(QStringLiteral("SELECT typeof(date) FROM datinumerici WHERE ID1 = ?1"), {QVariant::fromValue(blob)}),
        QStringLiteral("blob"));

    auto ids = [&](const QString& sql, const QVariantList& params) {
        QList<int64_t> found;
        Recordset rs(cn, sql, params);
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            found << rs.currentKey();
        return found;
    };
    auto liked = [&](const QString& pattern) {
        return ids(QStringLiteral("select * from datiQgrafici where date like ?1 order by ID1"), {pattern});
    };
    const char* const days[] = {"01/03/26", "01/03/2026",         "1/3/26",    "ab/cd/26", "AB/CD/26", "k/03/26",
                                "K/03/26",  "01/03/2_",           "%/03/26",   "%1/03/26", "_2/03/26", "",
                                "x",        "\u00c8\u00e8/03/26", "01/03/26 ", "31/12/99"};
    for (const char* text : days) {
        const QString day = QString::fromUtf8(text);
        const Selection s = daySelection(day);
        EXPECT_EQ(ids(selectionQuery(s), s.params), liked(day)) << text;
        const Selection browsed = selectionOf(BrowseLevel::Day, day);
        EXPECT_EQ(ids(selectionQuery(browsed), browsed.params), liked(day)) << text;
    }
    EXPECT_EQ(liked("01/03/26").size(), 3);  // the blob among them

    // Each count is the number of results its period's LIKE finds (a blob
    // is no date to the counts).
    deleteResult(cn, blob);
    auto likeCount = [&](const QString& pattern) {
        return cn.scalar(QStringLiteral("SELECT count(*) FROM datinumerici WHERE date like ?1"), {pattern})
            .toLongLong();
    };
    auto expected = [&](const QString& suffix, int last, const QString& keySuffix, const QString& prefix) {
        std::vector<PeriodCount> counts;
        for (int n = 0; n <= last; ++n) {
            const QString key = twoDigitYear(n);
            if (const int64_t c = likeCount(prefix + key + suffix); c > 0)
                counts.push_back({key + keySuffix, c});
        }
        return counts;
    };
    EXPECT_EQ(countYears(cn, 0, 99), expected("", 99, "", "%/%/"));
    EXPECT_EQ(countMonths(cn, "26"), expected("/26", 12, "/26", "%/"));
    EXPECT_EQ(countDays(cn, "03/26"), expected("/03/26", 31, "/03/26", ""));
    EXPECT_EQ(countDays(cn, "03/26").front(), (PeriodCount{"01/03/26", 2}));
}

// A day without wildcards or letters is found through the date index.
TEST_F(Browse, DaysAndCountsReadTheDateIndex) {
    ensureDateIndex(cn);
    ensureDateIndex(cn);  // again: nothing to do
    auto plan = [&](const QString& sql, const QVariantList& params) {
        QString steps;
        Recordset rs(cn, QStringLiteral("EXPLAIN QUERY PLAN ") + sql, params);
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            steps += rs.field(QStringLiteral("detail")).toString() + QLatin1Char('\n');
        return steps;
    };
    const Selection day = daySelection("01/03/26");
    EXPECT_TRUE(plan(selectionQuery(day), day.params).contains(QString(kDateIndex)));
    const Selection letters = daySelection("ab/03/26");
    EXPECT_FALSE(plan(selectionQuery(letters), letters.params).contains(QString(kDateIndex)));
}

// The date counts an archive keeps against its rows, after results came and
// went by every path: the roll-over, a move out to another file and back in,
// a copy within the file, a deletion, a date changed through the record
// source and directly, a date emptied or stored as a blob. After each, the
// kept counts are the rows' own, and the lists read from them are those read
// from the rows.
TEST_F(Browse, KeptDateCountsAgreeWithTheRowsAfterEveryPathResultsTake) {
    add("01/03/26", 2);
    add("15/03/26");
    add("02/02/25");
    add("ab/03/26");
    add("AB/03/26");  // apart from "ab/03/26", though NOCASE calls them equal
    ensureDateCounts(cn);
    ensureDateCounts(cn);  // again: nothing to do
    ASSERT_TRUE(hasDateCounts(cn));
    ASSERT_EQ(dateSourceOf(cn), DateSource::KeptCounts);

    const QString archive = path(file::archiveDb);
    const QString other = path("storico.mdb");
    const QString templ = path(file::archiveTemplate);
    const auto agree = [&](const char* after) {
        SCOPED_TRACE(after);
        const auto rows = [&](const QString& sql) {
            QStringList lines;
            Recordset rs(cn, sql);
            for (rs.moveFirst(); !rs.eof(); rs.moveNext())
                lines << QStringLiteral("%1 %2 %3")
                             .arg(rs.field(QStringLiteral("t")).toString(), rs.field(QStringLiteral("d")).toString(),
                                  rs.field(QStringLiteral("n")).toString());
            return lines;
        };
        EXPECT_EQ(rows(QStringLiteral("SELECT typeof(date) AS t, hex(date) AS d, n FROM \"%1\" ORDER BY 1, 2")
                           .arg(kDateCounts)),
                  rows(QStringLiteral("SELECT typeof(date) AS t, hex(date) AS d, count(*) AS n FROM datinumerici "
                                      "WHERE date IS NOT NULL GROUP BY date COLLATE BINARY ORDER BY 1, 2")));
        for (const auto& [level, key] : {std::pair{BrowseLevel::Year, QString()},
                                         {BrowseLevel::Month, "26"},
                                         {BrowseLevel::Day, "03/26"},
                                         {BrowseLevel::Day, "04/26"}}) {
            const CountQuery kept = countQuery(level, key, DateSource::KeptCounts);
            const CountQuery counted = countQuery(level, key, DateSource::Results);
            const auto listed = [&](const CountQuery& q) {
                QStringList lines;
                Recordset rs(cn, q.sql + QStringLiteral(" ORDER BY k"), q.params);
                for (rs.moveFirst(); !rs.eof(); rs.moveNext())
                    lines << rs.field(QStringLiteral("k")).toString() + QLatin1Char(' ') +
                                 rs.field(QStringLiteral("n")).toString();
                return lines;
            };
            EXPECT_EQ(listed(kept), listed(counted)) << key.toStdString();
        }
    };
    agree("the counts were made");

    {
        Connection daily(path(file::dailyDb));
        for (const char* date : {"01/03/26", "01/03/26", "03/04/26", "ab/03/26"})
            test::archive(daily, date, "D");
    }
    EXPECT_EQ(rollOverDaily(cn, path(file::dailyDb)), 4);
    agree("a roll-over");

    cn.close();
    const auto transfer = [&](TransferMode mode, const QString& from, const QString& to, const Selection& s) {
        transferResults({mode, from, to, templ, s});
    };
    transfer(TransferMode::Move, archive, other, selectionOf(BrowseLevel::Month, "03/26"));
    cn.open(archive);
    agree("a month moved out");
    cn.close();
    transfer(TransferMode::Move, other, archive, selectionOf(BrowseLevel::Day, "01/03/26"));
    cn.open(archive);
    agree("a day moved back in");
    cn.close();
    transfer(TransferMode::Copy, other, archive, selectionOf(BrowseLevel::Year, "26"));
    transfer(TransferMode::Copy, archive, archive, selectionOf(BrowseLevel::Day, "03/04/26"));
    cn.open(archive);
    agree("copies in from another file and within the file");
    cn.close();
    transfer(TransferMode::Delete, archive, QString(), selectionOf(BrowseLevel::Day, "01/03/26"));
    cn.open(archive);
    agree("a day deleted");

    const int64_t moved = test::archive(cn, "05/04/26", "E");
    cn.execute(QStringLiteral("UPDATE datiQgrafici SET date = '06/04/26' WHERE ID1 = ?1"),
               {QVariant::fromValue(moved)});
    agree("a date changed through the record source");
    cn.execute(QStringLiteral("UPDATE datinumerici SET date = 'AB/03/26' WHERE date = 'ab/03/26' COLLATE BINARY"));
    agree("a date changed in its case alone");
    cn.execute(QStringLiteral("UPDATE datinumerici SET date = NULL WHERE ID1 = ?1"), {QVariant::fromValue(moved)});
    agree("a date emptied");
    cn.execute(QStringLiteral("UPDATE datinumerici SET date = '07/04/26' WHERE ID1 = ?1"),
               {QVariant::fromValue(moved)});
    cn.execute(QStringLiteral("UPDATE datinumerici SET date = CAST(date AS BLOB) WHERE date = '03/04/26'"));
    agree("dates stored as blobs");
    deleteResult(cn, moved);
    cn.execute(QStringLiteral("DELETE FROM datinumerici"));
    agree("every result deleted");
    EXPECT_EQ(cn.scalar(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(kDateCounts)).toLongLong(), 0);
}

// An archive of today's layout (no date counts) is given them, from its rows,
// by the session's open; one that cannot be written stays without them and
// its lists are counted from its rows alike.
TEST_F(Browse, AnArchiveWithoutDateCountsGetsThemAtItsOpenOrIsCountedFromItsRows) {
    add("01/03/26", 3);
    add("02/03/26");
    add("09/09/25");
    const std::vector<PeriodCount> years = countYears(cn, 0, 99);
    const std::vector<PeriodCount> days = countDays(cn, "03/26");
    ASSERT_FALSE(hasDateCounts(cn));
    EXPECT_EQ(years, (std::vector<PeriodCount>{{"25", 1}, {"26", 4}}));
    cn.close();

    {
        // A file that cannot be written, as this test's user can write any.
        Connection readOnly(path(file::archiveDb));
        readOnly.execute(QStringLiteral("PRAGMA query_only = 1"));
        EXPECT_THROW(ensureDateCounts(readOnly), AppError);
        EXPECT_FALSE(hasDateCounts(readOnly));
        EXPECT_EQ(countYears(readOnly, 0, 99), years);
    }

    Session session;
    session.setDatabasePaths(folder_);
    session.openConnections(QLatin1Char(','));
    EXPECT_TRUE(hasDateCounts(session.cntot));
    EXPECT_EQ(countYears(session.cntot, 0, 99), years);
    EXPECT_EQ(countDays(session.cntot, "03/26"), days);
    test::archive(session.cntot, "03/03/26", "new");
    EXPECT_EQ(countDays(session.cntot, "03/26"),
              (std::vector<PeriodCount>{{"01/03/26", 3}, {"02/03/26", 1}, {"03/03/26", 1}}));
}

TEST_F(Browse, AnUnopenableSourceFailsWithAnError) {
    Connection missing;
    EXPECT_THROW(missing.open(path("nothere.mdb")), AppError);
    EXPECT_FALSE(QFile::exists(path("nothere.mdb")));
    EXPECT_THROW(countYears(missing, 5, 26), AppError);
}

TEST(ArchiveStartYear, ReadsTwoDigitYearsAndRefusesTheRest) {
    EXPECT_EQ(archiveStartYear("5"), 5);
    EXPECT_EQ(archiveStartYear("05"), 5);
    EXPECT_EQ(archiveStartYear("26"), 26);
    for (const char* bad : {"", "abc", "-1", "100", "2026"})
        EXPECT_THROW(archiveStartYear(QString::fromLatin1(bad)), AppError) << bad;
    EXPECT_EQ(twoDigitYear(5), "05");
}

TEST(SizeCaption, ShowsBytesKilobytesAndMegabytesAsTheProgramAlwaysDid) {
    struct Case {
        int64_t bytes;
        const char* shown;
    } cases[] = {{0, "( 0 Byte )"},        {1000, "( 1000 Byte )"}, {1001, "( 0.96 KB )"}, {1000000, "( 954.2 KB )"},
                 {1000001, "( 0.95 MB )"}, {5242880, "( 5 MB )"},   {1310, "( 1.25 KB )"}};
    for (const Case& c : cases)
        EXPECT_EQ(sizeCaption(c.bytes, QLatin1Char('.')), QString::fromLatin1(c.shown)) << c.bytes;
    EXPECT_EQ(sizeCaption(1001, QLatin1Char(',')), "( 0,96 KB )");
}

TEST(FolderStatistics, CountsTheFolderItselfAndSizesItsWholeTree) {
    QTemporaryDir tmp;
    const QString log = tmp.path() + "/log";
    QDir().mkpath(log + "/old");
    auto write = [](const QString& p, int bytes) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(bytes, 'x'));
    };
    for (int i = 0; i < 3; ++i)
        write(log + QStringLiteral("/%1.log").arg(i), 100);
    for (int i = 0; i < 2; ++i)
        write(log + QStringLiteral("/old/%1.log").arg(i), 10);
    EXPECT_EQ(fileCount(log), 3);
    EXPECT_EQ(diskSize(log), 320);
    EXPECT_EQ(diskSize(log + "/0.log"), 100);
    EXPECT_EQ(fileCount(tmp.path() + "/none"), -1);
    EXPECT_EQ(diskSize(tmp.path() + "/none"), 0);
}

}  // namespace
}  // namespace zv
