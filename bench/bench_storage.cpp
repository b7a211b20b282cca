// Result storage figures, each beside the same work done with raw SQLite:
// - storing one result as the receiver does (a recordset opened over the
//   record source for each result, one durable commit) beside five prepared
//   INSERTs committed in the same journal and synchronous mode;
// - searches of an archive of ZV_BENCH_ARCHIVE_ROWS results (default 300000),
//   each set walked from its first row to its last reading the fields a list
//   shows: a name found 3,000 times, a sample number found 11 times, and one
//   day (200 results), beside the same query stepped through raw SQLite.
#include <QCoreApplication>

#include "common.h"
#include "model/result.h"

namespace {

using namespace zvbench;

// A received result as the receiver fills it: every value, flag and channel.
zv::ResultRecord receivedResult() {
    zv::ResultRecord r;
    r.date = QStringLiteral("08/12/26");
    for (const zv::ParameterInfo& p : zv::resultParameters())
        if (p.origin != zv::ParameterOrigin::Typed)
            r.value(p.parameter) = 7.46;
    for (const auto& flag : zv::AlarmFlags::textFlags())
        r.flags.*(flag.second) = QStringLiteral("0");
    r.Limits = 0;
    r.flags.SamplError = 0;
    for (zv::Histogram& h : r.histograms)
        for (zv::OptionalText& channel : h.channels)
            channel = QStringLiteral("047");
    return r;
}

void BM_StoreAsTheReceiver(benchmark::State& state) {
    zv::Connection cn(freshDatabase("add_ours.mdb"));
    zv::ResultRecord r = receivedResult();
    int n = 0;
    for (auto _ : state) {
        ++n;
        r.seq = QString::number(n);
        r.specId = QStringLiteral("S%1").arg(n);
        r.specName = QStringLiteral("PAZIENTE %1").arg(n);
        zv::addResult(cn, r);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_StoreRawPrepared(benchmark::State& state) {
    const QString path = freshDatabase("add_raw.mdb");
    RawWriter w(path, programSyncMode(path));
    int n = 0;
    for (auto _ : state) {
        check(sqlite3_exec(w.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), w.db);
        w.add(++n);
        check(sqlite3_exec(w.db, "COMMIT", nullptr, nullptr, nullptr), w.db);
    }
    state.SetItemsProcessed(state.iterations());
}

// Compacted once, as the program's start-up compacts an archive that has
// grown. ZV_BENCH_KEEP_ARCHIVE names a file that keeps it from one run to the
// next (made when missing).
const QString& archive() {
    static QString path;
    if (path.isEmpty()) {
        const QString kept = qEnvironmentVariable("ZV_BENCH_KEEP_ARCHIVE");
        if (!kept.isEmpty() && QFile::exists(kept)) {
            path = kept;
            return path;
        }
        path = kept.isEmpty() ? freshDatabase("archive.mdb") : kept;
        if (!kept.isEmpty())
            zv::createDatabaseFromSql(kept, schemaText());
        fillResults(path, archiveRows());
        sqlite3* db = nullptr;
        check(sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
        check(sqlite3_exec(db, "VACUUM", nullptr, nullptr, nullptr), db);
        sqlite3_close(db);
        settle(path);
    }
    return path;
}

// The three searches; each walks its set reading these fields of every row.
const char* const kWalked[] = {"ID1", "specId", "specName", "date", "WBC"};

QString searchSql(int which) {
    switch (which) {
    case 0: return QStringLiteral("select * from datiQgrafici where specName like '%rossi%' order by ID1");
    case 1: return QStringLiteral("select * from datiQgrafici where specId like '%s12345%' order by ID1");
    default:
        return QStringLiteral("select * from datiQgrafici where date like '%1' order by ID1")
            .arg(dayOf(archiveRows() / 2 + 1));
    }
}

void BM_Search(benchmark::State& state) {
    zv::Connection cn(archive());
    const QString sql = searchSql(int(state.range(0)));
    int64_t found = 0;
    for (auto _ : state) {
        zv::Recordset rs(cn, sql);
        found = 0;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            ++found;
            for (const char* field : kWalked)
                benchmark::DoNotOptimize(rs.field(QLatin1String(field)));
        }
    }
    state.counters["found"] = double(found);
}

void BM_SearchRaw(benchmark::State& state) {
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(archive().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
    const QByteArray sql = searchSql(int(state.range(0))).toUtf8();
    int64_t found = 0;
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        check(sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr), db);
        int columns[std::size(kWalked)] = {};
        for (std::size_t f = 0; f < std::size(kWalked); ++f)
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                if (qstricmp(sqlite3_column_name(st, c), kWalked[f]) == 0)
                    columns[f] = c;
        found = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            ++found;
            benchmark::DoNotOptimize(sqlite3_column_int64(st, columns[0]));
            for (std::size_t f = 1; f < 4; ++f)
                benchmark::DoNotOptimize(sqlite3_column_text(st, columns[f]));
            benchmark::DoNotOptimize(sqlite3_column_double(st, columns[4]));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    state.counters["found"] = double(found);
}

BENCHMARK(BM_StoreAsTheReceiver)
    ->Unit(benchmark::kMicrosecond)
    ->MinWarmUpTime(warmUp())
    ->MinTime(minTime())
    ->Repetitions(repetitions());
BENCHMARK(BM_StoreRawPrepared)
    ->Unit(benchmark::kMicrosecond)
    ->MinWarmUpTime(warmUp())
    ->MinTime(minTime())
    ->Repetitions(repetitions());
BENCHMARK(BM_Search)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->MinWarmUpTime(warmUp())
    ->Repetitions(repetitions());
BENCHMARK(BM_SearchRaw)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->MinWarmUpTime(warmUp())
    ->Repetitions(repetitions());

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    initialize(&argc, argv);
    Figures reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\narchive rows: %d; searches: 0 = name, 1 = sample number, 2 = one day\n", archiveRows());
    reporter.header();
    reporter.ratio("store one result as the receiver does", "BM_StoreAsTheReceiver",
                   "raw prepared insert of the same five rows", "BM_StoreRawPrepared", 1.3);
    reporter.ratio("like '%x%' with few hits, walked", "BM_Search/1", "raw SQLite, same query", "BM_SearchRaw/1", 1.1);
    reporter.ratio("like '%x%' with 3,000 hits, walked", "BM_Search/0", "raw SQLite, same query", "BM_SearchRaw/0",
                   1.4);
    reporter.ratio("one day of the archive", "BM_Search/2", "raw SQLite, same query", "BM_SearchRaw/2", 1.15);
    benchmark::Shutdown();
    return 0;
}
