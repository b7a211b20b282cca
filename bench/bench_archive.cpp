// Archive manager figures on a large archive: counting its years, the months
// of one year and the days of one month, beside the same grouped queries
// stepped through raw SQLite; the year list beside the same list counted from
// the date index in raw SQLite (what it was read from before the archive kept
// its date counts); making those counts once, beside reading them grouped
// from the date index; one day on its own; and
// moving one month of results to a new archive file, beside the same move
// written as raw SQL. Every figure's sides run side by side (common.h).
//
// ZV_BENCH_ARCHIVE_ROWS sets the archive size (default 300000); results are
// dated 9,000 to a month from January 2024 on, a day of each month in turn.
// ZV_BENCH_ARCHIVE names an archive to copy instead, browsed at the year, month
// and day of its middle result.
#include <QCoreApplication>

#include "archive/archivebrowse.h"
#include "archive/transfer.h"
#include "common.h"

namespace {

using namespace zvbench;

constexpr int kPerMonth = 9000;

// A copy of the archive ZV_BENCH_ARCHIVE names, or one filled and dated here.
const QString& datedArchive() {
    static QString path;
    if (path.isEmpty() && !givenArchive().isEmpty()) {
        path = workDir().path() + "/dated.mdb";
        copyGivenArchive(path);
    } else if (path.isEmpty()) {
        path = freshDatabase("dated.mdb");
        fillResults(path, archiveRows());
        zv::Connection cn(path);
        cn.execute(QStringLiteral("UPDATE datinumerici SET date = printf('%02d/%02d/%02d', (ID1 % 28) + 1, "
                                  "((ID1 - 1) / %1) % 12 + 1, 24 + ((ID1 - 1) / %1) / 12)")
                       .arg(kPerMonth));
        zv::ensureDateIndex(cn);  // as the program's open makes it
    }
    static const bool counted = [] {
        zv::Connection cn(path);
        zv::ensureDateCounts(cn);  // as the program's first start with this archive does
        return true;
    }();
    (void)counted;
    return path;
}

// The day browsed, moved and read alone ("dd/mm/yy"): one of the given
// archive's middle, or 5 January 2024 of the one filled here.
const QString& browsedDay() {
    static const QString day = givenArchive().isEmpty() ? QStringLiteral("05/01/24") : middleDay();
    return day;
}
QString browsedMonth() { return browsedDay().mid(3); }
QString browsedYear() { return browsedDay().right(2); }

// Steps one count query through raw SQLite, reading every row.
void stepRaw(sqlite3* db, const zv::CountQuery& q) {
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db, q.sql.toUtf8().constData(), -1, &st, nullptr), db);
    if (!q.params.isEmpty()) {
        const QByteArray key = q.params.at(0).toString().toUtf8();
        sqlite3_bind_text(st, 1, key.constData(), -1, SQLITE_TRANSIENT);
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
        benchmark::DoNotOptimize(sqlite3_column_text(st, 0));
        benchmark::DoNotOptimize(sqlite3_column_int64(st, 1));
    }
    sqlite3_finalize(st);
}

// The three lists as the archive manager counts them, beside the same three
// queries stepped through raw SQLite.
void BM_Browse(benchmark::State& state) {
    static zv::Connection cn(datedArchive());
    static sqlite3* db = openRaw(datedArchive());
    const zv::DateSource source = zv::dateSourceOf(cn);
    const zv::CountQuery queries[] = {zv::countQuery(zv::BrowseLevel::Year, {}, source),
                                      zv::countQuery(zv::BrowseLevel::Month, browsedYear(), source),
                                      zv::countQuery(zv::BrowseLevel::Day, browsedMonth(), source)};
    sideBySide(state, {{"browse/ours",
                        [] {
                            benchmark::DoNotOptimize(zv::countYears(cn, 5, 26));
                            benchmark::DoNotOptimize(zv::countMonths(cn, browsedYear()));
                            benchmark::DoNotOptimize(zv::countDays(cn, browsedMonth()));
                        }},
                       {"browse/raw", [&] {
                            for (const zv::CountQuery& q : queries)
                                stepRaw(db, q);
                        }}});
}

// The year list beside the same list counted from every entry of the date
// index in raw SQLite, as it was counted before the archive kept its counts,
// and beside raw SQLite doing the program's work: the same query over the
// kept counts; one day alone: an absolute time.
void BM_YearListAndDay(benchmark::State& state) {
    static zv::Connection cn(datedArchive());
    static sqlite3* db = openRaw(datedArchive());
    const zv::CountQuery fromIndex = zv::countQuery(zv::BrowseLevel::Year, {}, zv::DateSource::Results);
    const zv::CountQuery fromCounts = zv::countQuery(zv::BrowseLevel::Year, {}, zv::DateSource::KeptCounts);
    const zv::Selection day = zv::daySelection(browsedDay());
    sideBySide(state, {{"years/ours", [] { benchmark::DoNotOptimize(zv::countYears(cn, 5, 26)); }},
                       {"years/index", [&] { stepRaw(db, fromIndex); }},
                       {"years/raw", [&] { stepRaw(db, fromCounts); }},
                       {"day/ours", [&] {
                            zv::Recordset rs(cn, zv::selectionQuery(day), day.params);
                            for (rs.moveFirst(); !rs.eof(); rs.moveNext())
                                benchmark::DoNotOptimize(rs.field(QStringLiteral("specName")));
                        }}});
}

// What the first start with an archive of today's layout pays once: its
// date counts made from its rows, beside the same counts read grouped from the
// date index in raw SQLite. The counts and their triggers are dropped untimed
// before each making, and made again at the end.
void BM_MakeCounts(benchmark::State& state) {
    static sqlite3* db = openRaw(datedArchive());
    const auto drop = [] {
        zv::Connection cn(datedArchive());
        const QString name = zv::kDateCounts;
        cn.execute(QStringLiteral("DROP TRIGGER \"%1_insert\"; DROP TRIGGER \"%1_delete\"; DROP TRIGGER "
                                  "\"%1_old_date\"; DROP TRIGGER \"%1_new_date\"; DROP TABLE \"%1\";")
                       .arg(name));
    };
    const auto make = [] {
        zv::Connection cn(datedArchive());
        zv::ensureDateCounts(cn);
    };
    const QByteArray grouped =
        "SELECT date, count(*) FROM datinumerici WHERE date IS NOT NULL GROUP BY date "
        "COLLATE BINARY";
    sideBySide(state, {{"counts/make", make, drop}, {"counts/grouped", [&] {
                                                         stepRaw(db, {QString::fromUtf8(grouped), {}});
                                                     }}});
}

zv::TransferRequest monthMove(const QString& from, const QString& to) {
    return {zv::TransferMode::Move, from, to, QString(), zv::selectionOf(zv::BrowseLevel::Month, browsedMonth())};
}

// The month goes to a new file made from the empty layout (made ready
// untimed), then (untimed) back; the program's move beside the same move as
// raw SQL, side by side.
void BM_MoveMonth(benchmark::State& state) {
    static const QString empty = freshDatabase("empty.mdb");
    static const QString target = workDir().path() + "/moved.mdb";
    const QStringList& fields = zv::rollOverFields();
    QString from = QStringLiteral("src.datinumerici AS d");
    for (zv::HistogramKind kind : zv::kHistogramKinds)
        from += QStringLiteral(" LEFT JOIN src.\"%1\" AS \"%1\" ON \"%1\".ID1 = d.ID1").arg(zv::histogramTable(kind));
    QStringList quoted;
    for (const QString& f : fields)
        quoted << '"' + f + '"';
    const QByteArray insert =
        QStringLiteral("INSERT INTO main.datiQgrafici (%1) SELECT %1 FROM %2 WHERE d.date LIKE '%/%3' ORDER BY d.ID1;")
            .arg(quoted.join(','), from, browsedMonth())
            .toUtf8();
    QByteArray deletes;
    for (const QString& table : zv::resultTables())
        deletes += QStringLiteral(
                       "DELETE FROM src.\"%1\" WHERE ID1 IN (SELECT ID1 FROM src.datinumerici WHERE date "
                       "LIKE '%/%2');")
                       .arg(table, browsedMonth())
                       .toUtf8();
    // datinumerici goes last here, so the others still find their keys through it.
    deletes = deletes.mid(deletes.indexOf(';') + 1) + deletes.left(deletes.indexOf(';') + 1);
    const auto prepare = [] {
        QFile::remove(target);
        QFile::copy(empty, target);
    };
    const auto back = [] { zv::transferResults(monthMove(target, datedArchive())); };
    sideBySide(state,
               {{"move/ours", [] { zv::transferResults(monthMove(datedArchive(), target)); }, prepare, back},
                {"move/raw",
                 [&] {
                     sqlite3* db = nullptr;
                     check(sqlite3_open_v2(target.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
                     zv::sqlite::registerFunctions(db);  // the program's LIKE, as its move matches with it
                     const QByteArray attach = "ATTACH DATABASE '" + datedArchive().toUtf8() + "' AS src";
                     check(sqlite3_exec(db, attach.constData(), nullptr, nullptr, nullptr), db);
                     check(sqlite3_exec(db, "PRAGMA synchronous=EXTRA; BEGIN IMMEDIATE", nullptr, nullptr, nullptr),
                           db);
                     check(sqlite3_exec(db, insert.constData(), nullptr, nullptr, nullptr), db);
                     check(sqlite3_exec(db, deletes.constData(), nullptr, nullptr, nullptr), db);
                     check(sqlite3_exec(db, "COMMIT; DETACH DATABASE src", nullptr, nullptr, nullptr), db);
                     sqlite3_close(db);
                 },
                 prepare, back}});
}

BENCHMARK(BM_Browse)->Unit(benchmark::kMillisecond)->Iterations(iterations(5))->Repetitions(repetitions());
BENCHMARK(BM_YearListAndDay)->Unit(benchmark::kMillisecond)->Iterations(iterations(5))->Repetitions(repetitions());
BENCHMARK(BM_MakeCounts)->Unit(benchmark::kMillisecond)->Iterations(iterations(1))->Repetitions(repetitions());
BENCHMARK(BM_MoveMonth)->Unit(benchmark::kMillisecond)->Iterations(iterations(3))->Repetitions(repetitions());

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Figures reporter;
    runBenchmarks(&argc, argv, reporter);
    std::printf("\narchive rows: %d, the day browsed, read and moved (its month): %s\n", archiveRows(),
                qPrintable(browsedDay()));
    reporter.header();
    reporter.ratioAndCpu("year, month and day lists counted", "browse/ours", "the same three queries in raw SQLite",
                         "browse/raw", 1.15, 1.15);
    reporter.ratio("the year list", "years/ours", "the same list from the date index in raw SQLite", "years/index", 0);
    reporter.ratioAndCpu("the year list", "years/ours", "the same query over the kept counts in raw SQLite",
                         "years/raw", 0, 0);
    reporter.ratio("making the date counts (once per archive)", "counts/make",
                   "reading them grouped from the date index in raw SQLite", "counts/grouped", 0);
    reporter.single("one archive day (index), walked", "day/ours");
    reporter.single("one archive day (index), walked, thread CPU", cpuOf("day/ours"));
    reporter.ratioAndCpu("moving one month to a new file", "move/ours", "the same move as raw SQL", "move/raw", 1.5,
                         1.5);
    benchmark::Shutdown();
    return 0;
}
