// Result storage figures: adding results through the datiQgrafici record
// source and searching a large archive by patient name, each beside the same
// work done with raw SQLite statements, with the ratio printed at the end.
//
// ZV_BENCH_ARCHIVE_ROWS sets the archive size (default 300000).
#include <QCoreApplication>

#include "common.h"

namespace {

using namespace zvbench;

// One received result's fields, as the receiver sets them.
void setResult(zv::Recordset& rs, int n) {
    rs.setField("seq", n);
    rs.setField("specId", QStringLiteral("S%1").arg(n));
    rs.setField("specName", n % 100 == 0 ? QStringLiteral("ROSSI MARIO") : QStringLiteral("PAZIENTE %1").arg(n));
    rs.setField("date", QStringLiteral("08/12/26"));
    const char* values[] = {"WBC", "RBC", "HGB", "HCT",  "MCV",  "MCH",   "MCHC", "RDW",  "PLT",
                            "MPV", "PCT", "PDW", "neu%", "lym%", "mono%", "eos%", "baso%"};
    for (const char* v : values)
        rs.setField(v, 7.46);
    const char* flags[] = {"DFLT", "Blast", "VarLym", "IG",  "Band",     "NRBC",
                           "NWBC", "RRBC",  "LRI",    "URI", "RbcError", "WicError"};
    for (const char* f : flags)
        rs.setField(f, QStringLiteral("0"));
    rs.setField("Limits", 0);
    rs.setField("SamplError", 0);
    for (const QString& field : zv::allChannelFields())
        rs.setField(field, QStringLiteral("047"));
}

void BM_AddThroughRecordSource(benchmark::State& state) {
    zv::Connection cn(freshDatabase("add_rs.mdb"));
    zv::Recordset rs(cn, "datiQgrafici");
    int n = 0;
    for (auto _ : state) {
        rs.addNew();
        setResult(rs, ++n);
        rs.update();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_AddRawSqlite(benchmark::State& state) {
    RawWriter w(freshDatabase("add_raw.mdb"));
    int n = 0;
    for (auto _ : state) {
        check(sqlite3_exec(w.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), w.db);
        w.add(++n);
        check(sqlite3_exec(w.db, "COMMIT", nullptr, nullptr, nullptr), w.db);
    }
    state.SetItemsProcessed(state.iterations());
}

const QString& archive() {
    static QString path;
    if (path.isEmpty()) {
        path = freshDatabase("archive.mdb");
        fillResults(path, archiveRows());
    }
    return path;
}

void BM_SearchThroughRecordSource(benchmark::State& state) {
    zv::Connection cn(archive());
    int64_t found = 0;
    for (auto _ : state) {
        zv::Recordset rs(cn, "select * from datiQgrafici where specName like '%rossi%' order by ID1");
        found = rs.recordCount();
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            benchmark::DoNotOptimize(rs.field("GraficiPLT_ch230"));
    }
    state.counters["found"] = double(found);
}

void BM_SearchRawSqlite(benchmark::State& state) {
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(archive().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
    int64_t found = 0;
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        check(sqlite3_prepare_v2(db, "select * from datiQgrafici where specName like '%rossi%' order by ID1", -1, &st,
                                 nullptr),
              db);
        found = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            ++found;
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                benchmark::DoNotOptimize(sqlite3_column_text(st, c));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    state.counters["found"] = double(found);
}

BENCHMARK(BM_AddThroughRecordSource)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddRawSqlite)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchThroughRecordSource)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchRawSqlite)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\narchive rows: %d\n", archiveRows());
    printRatio(reporter, "BM_AddThroughRecordSource", "BM_AddRawSqlite");
    printRatio(reporter, "BM_SearchThroughRecordSource", "BM_SearchRawSqlite");
    benchmark::Shutdown();
    return 0;
}
