#include "archive/rollover.h"

#include <QFile>

#include "archive/archivebrowse.h"
#include "model/resultfields.h"
#include "platform/database.h"
#include "support/fixture.h"
#include "support/results.h"

namespace zv {
namespace {

// With a gap in the day's keys, or with keys that run on without one (the
// usual day, though not from 1).
class RollOver : public test::ProgramFolderTest, public ::testing::WithParamInterface<bool> {
protected:
    // What adding each daily result through the archive's record source, in
    // ID1 order, makes of a copy of the archive: what the roll-over must make.
    void rollOverThroughTheView(const QString& archiveCopy, const QString& dailyCopy) {
        Connection cn(archiveCopy);
        cn.execute(QStringLiteral("ATTACH DATABASE ?1 AS daily"), {dailyCopy});
        QStringList fields;
        for (const QString& f : rollOverFields())
            fields << QLatin1Char('"') + f + QLatin1Char('"');
        QString from = QStringLiteral("daily.datinumerici AS d");
        for (HistogramKind kind : kHistogramKinds)
            from += QStringLiteral(" LEFT JOIN daily.\"%1\" AS \"%1\" ON \"%1\".ID1 = d.ID1").arg(histogramTable(kind));
        cn.execute(QStringLiteral("INSERT INTO main.datiQgrafici (") + fields.join(QLatin1Char(',')) +
                   QStringLiteral(") SELECT ") + fields.join(QLatin1Char(',')) + QStringLiteral(" FROM ") + from +
                   QStringLiteral(" ORDER BY d.ID1"));
    }

    // Rows of `table` in one file and not in the other, both ways.
    static int64_t differences(Connection& cn, const QString& table) {
        const QString t = QLatin1Char('"') + table + QLatin1Char('"');
        return cn
            .scalar(QStringLiteral("SELECT (SELECT count(*) FROM (SELECT * FROM main.%1 EXCEPT SELECT * FROM "
                                   "expected.%1)) + (SELECT count(*) FROM (SELECT * FROM expected.%1 EXCEPT "
                                   "SELECT * FROM main.%1))")
                        .arg(t))
            .toLongLong();
    }
};

TEST_P(RollOver, StoresWhatAddingEachResultThroughTheViewWouldStore) {
    const bool gap = GetParam();
    {
        // The archive has given keys up to 5 and lost the last two since.
        Connection archive(path("zarviumtotale.mdb"));
        for (const char* id : {"1", "2", "3", "4", "5"})
            test::addTestResult(archive, QString::fromLatin1(id), QStringLiteral("OLD"));
        for (const QString& table : resultTables())
            archive.execute(QStringLiteral("DELETE FROM \"%1\" WHERE ID1 > 3").arg(table));

        // The day: a gap in its keys or keys from 2 on, a result without its
        // PLT histogram, one without band and reticulocyte values, a name with
        // an apostrophe.
        Connection daily(path("zarvium.mdb"));
        const auto add = [&](const char* id, const char* name) {
            return test::addTestResult(daily, QString::fromLatin1(id), QString::fromUtf8(name));
        };
        const int64_t first = gap ? 0 : add("X", "GONE");
        add("A", "D'AMICO");
        const int64_t gone = gap ? add("B", "GONE") : first;
        const int64_t withoutPlt = add("C", "ROSSI");
        add("D", "VERDI");
        for (const QString& table : resultTables())
            daily.execute(QStringLiteral("DELETE FROM \"%1\" WHERE ID1 = ?1").arg(table), {QVariant(qlonglong(gone))});
        daily.execute(QStringLiteral("DELETE FROM GraficiPLT WHERE ID1 = ?1"), {QVariant(qlonglong(withoutPlt))});
        daily.execute(QStringLiteral("UPDATE datinumerici SET bandati = NULL, \"ret%\" = NULL WHERE specId = 'D'"));
        daily.execute(QStringLiteral("UPDATE datinumerici SET bandati = 4.5 WHERE specId = 'A'"));
    }
    const QString expected = path("expected.mdb");
    const QString dailyCopy = path("daily-copy.mdb");
    ASSERT_TRUE(QFile::copy(path("zarviumtotale.mdb"), expected));
    ASSERT_TRUE(QFile::copy(path("zarvium.mdb"), dailyCopy));
    rollOverThroughTheView(expected, dailyCopy);

    Connection archive(path("zarviumtotale.mdb"));
    auto indexed = [&] {
        return archive.scalar(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = ?1"), {QString(kDateIndex)})
            .isValid();
    };
    ASSERT_FALSE(indexed());
    EXPECT_EQ(rollOverDaily(archive, path("zarvium.mdb")), 3);
    EXPECT_TRUE(indexed());  // made on the way, for the days the archive is browsed by

    EXPECT_EQ(archive
                  .scalar(QStringLiteral("SELECT group_concat(ID1 || specId) FROM (SELECT ID1, specId FROM "
                                         "datinumerici WHERE ID1 > 3 ORDER BY ID1)"))
                  .toString(),
              QStringLiteral("6A,7C,8D"));
    archive.execute(QStringLiteral("ATTACH DATABASE ?1 AS expected"), {expected});
    for (const QString& table : resultTables() + QStringList{QStringLiteral("sqlite_sequence")})
        EXPECT_EQ(differences(archive, table), 0) << table.toStdString();
    EXPECT_EQ(
        archive
            .scalar(QStringLiteral("SELECT quote(bandati) || '/' || quote(\"ret%\") FROM datinumerici WHERE ID1 = 8"))
            .toString(),
        QStringLiteral("NULL/NULL"));

    Connection daily(path("zarvium.mdb"));
    for (const QString& table : resultTables())
        EXPECT_EQ(test::rowCount(daily, table), 0) << table.toStdString();
    // Detached again: the daily file is no longer part of the archive's connection.
    EXPECT_FALSE(archive.scalar(QStringLiteral("SELECT 1 FROM pragma_database_list WHERE name = 'daily'")).isValid());
}

INSTANTIATE_TEST_SUITE_P(Days, RollOver, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "WithAGap" : "WithoutAGap"; });

}  // namespace
}  // namespace zv
