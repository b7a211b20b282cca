// Archive manager figures on a large archive: counting its years, the months
// of one year and the days of one month, beside one LIKE count per candidate
// period with raw SQLite; and moving one month of results to a new archive
// file, beside the same move written as raw SQL.
//
// ZV_BENCH_ARCHIVE_ROWS sets the archive size (default 300000); results are
// dated 9,000 to a month from January 2024 on, a day of each month in turn.
#include <QCoreApplication>

#include "archive/archivebrowse.h"
#include "archive/transfer.h"
#include "common.h"

namespace {

using namespace zvbench;

constexpr int kPerMonth = 9000;

const QString& datedArchive() {
    static QString path;
    if (path.isEmpty()) {
        path = freshDatabase("dated.mdb");
        fillResults(path, archiveRows());
        zv::Connection cn(path);
        cn.execute(QStringLiteral("UPDATE datinumerici SET date = printf('%02d/%02d/%02d', (ID1 % 28) + 1, "
                                  "((ID1 - 1) / %1) % 12 + 1, 24 + ((ID1 - 1) / %1) / 12)")
                       .arg(kPerMonth));
    }
    return path;
}

void BM_BrowseCounts(benchmark::State& state) {
    zv::Connection cn(datedArchive());
    int64_t days = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(zv::countYears(cn, 5, 26));
        benchmark::DoNotOptimize(zv::countMonths(cn, QStringLiteral("24")));
        days = int64_t(zv::countDays(cn, QStringLiteral("01/24")).size());
    }
    state.counters["days"] = double(days);
}

// One count(*) per candidate period, as the lists were first counted.
void BM_BrowsePerPeriodRaw(benchmark::State& state) {
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(datedArchive().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db, "SELECT count(*) FROM datinumerici WHERE date LIKE ?1", -1, &st, nullptr), db);
    auto count = [&](const std::string& pattern) {
        sqlite3_bind_text(st, 1, pattern.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        const int64_t n = sqlite3_column_int64(st, 0);
        sqlite3_reset(st);
        return n;
    };
    auto two = [](int n) { return (n < 10 ? "0" : "") + std::to_string(n); };
    for (auto _ : state) {
        for (int y = 5; y <= 26; ++y)
            benchmark::DoNotOptimize(count("%/%/" + two(y)));
        for (int m = 1; m <= 12; ++m)
            benchmark::DoNotOptimize(count("%/" + two(m) + "/24"));
        for (int d = 1; d <= 31; ++d)
            benchmark::DoNotOptimize(count(two(d) + "/01/24"));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
}

zv::TransferRequest monthMove(const QString& from, const QString& to) {
    return {zv::TransferMode::Move, from, to, QString(), zv::selectionOf(zv::BrowseLevel::Month, "01/24")};
}

// The month goes to a new file made from the empty layout, then (untimed) back.
template <class Move>
void moveMonth(benchmark::State& state, Move move) {
    const QString empty = freshDatabase("empty.mdb");
    const QString target = workDir().path() + "/moved.mdb";
    int64_t moved = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(target);
        QFile::copy(empty, target);
        state.ResumeTiming();
        move(target);
        state.PauseTiming();
        moved = zv::transferResults(monthMove(target, datedArchive()));
        state.ResumeTiming();
    }
    state.counters["moved"] = double(moved);
}

void BM_MoveMonth(benchmark::State& state) {
    moveMonth(state, [](const QString& target) { zv::transferResults(monthMove(datedArchive(), target)); });
}

void BM_MoveMonthRawSql(benchmark::State& state) {
    const QStringList& fields = zv::rollOverFields();
    QString from = QStringLiteral("src.datinumerici AS d");
    for (zv::HistogramKind kind : zv::kHistogramKinds)
        from += QStringLiteral(" LEFT JOIN src.\"%1\" AS \"%1\" ON \"%1\".ID1 = d.ID1").arg(zv::histogramTable(kind));
    QStringList quoted;
    for (const QString& f : fields)
        quoted << '"' + f + '"';
    const QByteArray insert =
        QStringLiteral(
            "INSERT INTO main.datiQgrafici (%1) SELECT %1 FROM %2 WHERE d.date LIKE '%/01/24' ORDER BY d.ID1;")
            .arg(quoted.join(','), from)
            .toUtf8();
    QByteArray deletes;
    for (const QString& table : zv::resultTables())
        deletes += QStringLiteral(
                       "DELETE FROM src.\"%1\" WHERE ID1 IN (SELECT ID1 FROM src.datinumerici WHERE date "
                       "LIKE '%/01/24');")
                       .arg(table)
                       .toUtf8();
    // datinumerici goes last here, so the others still find their keys through it.
    deletes = deletes.mid(deletes.indexOf(';') + 1) + deletes.left(deletes.indexOf(';') + 1);
    moveMonth(state, [&](const QString& target) {
        sqlite3* db = nullptr;
        check(sqlite3_open_v2(target.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
        const QByteArray attach = "ATTACH DATABASE '" + datedArchive().toUtf8() + "' AS src";
        check(sqlite3_exec(db, attach.constData(), nullptr, nullptr, nullptr), db);
        check(sqlite3_exec(db, "PRAGMA synchronous=FULL; BEGIN IMMEDIATE", nullptr, nullptr, nullptr), db);
        check(sqlite3_exec(db, insert.constData(), nullptr, nullptr, nullptr), db);
        check(sqlite3_exec(db, deletes.constData(), nullptr, nullptr, nullptr), db);
        check(sqlite3_exec(db, "COMMIT; DETACH DATABASE src", nullptr, nullptr, nullptr), db);
        sqlite3_close(db);
    });
}

BENCHMARK(BM_BrowseCounts)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_BrowsePerPeriodRaw)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_MoveMonth)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);
BENCHMARK(BM_MoveMonthRawSql)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\narchive rows: %d, a month: %d\n", archiveRows(), kPerMonth);
    reporter.printRatio("BM_BrowseCounts", "BM_BrowsePerPeriodRaw");
    reporter.printRatio("BM_MoveMonth", "BM_MoveMonthRawSql");
    benchmark::Shutdown();
    return 0;
}
