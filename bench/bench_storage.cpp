// Result storage figures: adding results through the datiQgrafici record
// source and searching a large archive by patient name, each beside the same
// work done with raw SQLite statements, with the ratio printed at the end.
//
// ZV_BENCH_ARCHIVE_ROWS sets the archive size (default 300000).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <map>
#include <string>

#include "platform/database.h"

namespace {

const char* kChannelPrefixes[] = {"GraficiWB1", "GraficiWB2", "GraficiRBC", "GraficiPLT"};
const char* kChannelTables[] = {"graficiWB1", "graficiWB2", "GraficiRBC", "GraficiPLT"};

QStringList channelNumbers() {
    QStringList numbers;
    for (int ch = 2; ch <= 230; ch += 4)
        if (ch != 50 && ch != 82 && ch != 122 && ch != 190 && ch != 222)
            numbers << QStringLiteral("%1").arg(ch, 3, 10, QLatin1Char('0'));
    return numbers;
}

QString schemaText() {
    QFile f(QStringLiteral(ZV_DIST_DIR "/schema/results.sql"));
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

QTemporaryDir& workDir() {
    static QTemporaryDir dir;
    return dir;
}

QString freshDatabase(const QString& name) {
    const QString path = workDir().path() + "/" + name;
    QFile::remove(path);
    zv::createDatabaseFromSql(path, schemaText());
    return path;
}

// One received result's fields, as the receiver sets them.
void setResult(zv::Recordset& rs, int n, const QStringList& channels) {
    rs.setField("seq", n);
    rs.setField("specId", QStringLiteral("S%1").arg(n));
    rs.setField("specName", n % 100 == 0 ? QStringLiteral("ROSSI MARIO") : QStringLiteral("PAZIENTE %1").arg(n));
    rs.setField("date", QStringLiteral("08/12/26"));
    const char* values[] = {"WBC", "RBC", "HGB", "HCT", "MCV", "MCH", "MCHC", "RDW",
                            "PLT", "MPV", "PCT", "PDW", "neu%", "lym%", "mono%", "eos%", "baso%"};
    for (const char* v : values) rs.setField(v, 7.46);
    const char* flags[] = {"DFLT", "Blast", "VarLym", "IG", "Band", "NRBC", "NWBC", "RRBC", "LRI", "URI", "RbcError", "WicError"};
    for (const char* f : flags) rs.setField(f, QStringLiteral("0"));
    rs.setField("Limits", 0);
    rs.setField("SamplError", 0);
    for (const char* prefix : kChannelPrefixes)
        for (const QString& ch : channels) rs.setField(QString::fromLatin1(prefix) + "_ch" + ch, QStringLiteral("047"));
}

void check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::abort();
    }
}

// The raw counterpart of one add: five INSERTs in one transaction.
struct RawWriter {
    sqlite3* db = nullptr;
    sqlite3_stmt* numeric = nullptr;
    sqlite3_stmt* channels[4] = {};
    explicit RawWriter(const QString& path) {
        check(sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
        check(sqlite3_exec(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr), db);
        const char* sql =
            "INSERT INTO datinumerici (seq, specId, specName, date, WBC, RBC, HGB, HCT, MCV, MCH, MCHC, RDW, PLT, MPV,"
            " PCT, PDW, \"neu%\", \"lym%\", \"mono%\", \"eos%\", \"baso%\", DFLT, Blast, VarLym, IG, Band, NRBC, NWBC,"
            " RRBC, LRI, URI, Limits, RbcError, WicError, SamplError) VALUES (?1, ?2, ?3, ?4, ?5, ?5, ?5, ?5, ?5, ?5,"
            " ?5, ?5, ?5, ?5, ?5, ?5, ?5, ?5, ?5, ?5, ?5, '0', '0', '0', '0', '0', '0', '0', '0', '0', '0', 0, '0',"
            " '0', 0)";
        check(sqlite3_prepare_v2(db, sql, -1, &numeric, nullptr), db);
        const QStringList numbers = channelNumbers();
        for (int t = 0; t < 4; ++t) {
            QString cols = "ID1", params = "?1";
            int i = 2;
            for (const QString& ch : numbers) {
                cols += QStringLiteral(", %1_ch%2").arg(kChannelPrefixes[t], ch);
                params += QStringLiteral(", ?%1").arg(i++);
            }
            const QByteArray s = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(kChannelTables[t], cols, params).toUtf8();
            check(sqlite3_prepare_v2(db, s.constData(), -1, &channels[t], nullptr), db);
        }
    }
    ~RawWriter() {
        sqlite3_finalize(numeric);
        for (auto* s : channels) sqlite3_finalize(s);
        sqlite3_close(db);
    }
    void add(int n) {
        const std::string id = "S" + std::to_string(n);
        const std::string name = n % 100 == 0 ? "ROSSI MARIO" : "PAZIENTE " + std::to_string(n);
        sqlite3_bind_int(numeric, 1, n);
        sqlite3_bind_text(numeric, 2, id.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(numeric, 3, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(numeric, 4, "08/12/26", -1, SQLITE_STATIC);
        sqlite3_bind_double(numeric, 5, 7.46);
        check(sqlite3_step(numeric), db);
        sqlite3_reset(numeric);
        const sqlite3_int64 key = sqlite3_last_insert_rowid(db);
        for (auto* s : channels) {
            sqlite3_bind_int64(s, 1, key);
            for (int i = 2; i <= 54; ++i) sqlite3_bind_text(s, i, "047", 3, SQLITE_STATIC);
            check(sqlite3_step(s), db);
            sqlite3_reset(s);
        }
    }
};

void BM_AddThroughRecordSource(benchmark::State& state) {
    zv::Connection cn(freshDatabase("add_rs.mdb"));
    zv::Recordset rs(cn, "datiQgrafici");
    const QStringList channels = channelNumbers();
    int n = 0;
    for (auto _ : state) {
        rs.addNew();
        setResult(rs, ++n, channels);
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

int archiveRows() {
    const QByteArray env = qgetenv("ZV_BENCH_ARCHIVE_ROWS");
    return env.isEmpty() ? 300000 : env.toInt();
}

const QString& archive() {
    static QString path;
    if (path.isEmpty()) {
        path = freshDatabase("archive.mdb");
        RawWriter w(path);
        check(sqlite3_exec(w.db, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr), w.db);
        for (int n = 1; n <= archiveRows(); ++n) w.add(n);
        check(sqlite3_exec(w.db, "COMMIT", nullptr, nullptr, nullptr), w.db);
    }
    return path;
}

void BM_SearchThroughRecordSource(benchmark::State& state) {
    zv::Connection cn(archive());
    int64_t found = 0;
    for (auto _ : state) {
        zv::Recordset rs(cn, "select * from datiQgrafici where specName like '%rossi%' order by ID1");
        found = rs.recordCount();
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) benchmark::DoNotOptimize(rs.field("GraficiPLT_ch230"));
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
            for (int c = 0; c < sqlite3_column_count(st); ++c) benchmark::DoNotOptimize(sqlite3_column_text(st, c));
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

// Keeps each benchmark's time per iteration so the ratios can be printed.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs)
            if (r.iterations > 0) seconds[r.benchmark_name()] = r.real_accumulated_time / double(r.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* ours, const char* raw) {
        if (!reporter.seconds.count(ours) || !reporter.seconds.count(raw)) return;
        std::printf("%-30s %10.3f ms  raw %10.3f ms  ratio %.2f\n", ours, reporter.seconds[ours] * 1e3,
                    reporter.seconds[raw] * 1e3, reporter.seconds[ours] / reporter.seconds[raw]);
    };
    std::printf("\narchive rows: %d\n", archiveRows());
    ratio("BM_AddThroughRecordSource", "BM_AddRawSqlite");
    ratio("BM_SearchThroughRecordSource", "BM_SearchRawSqlite");
    benchmark::Shutdown();
    return 0;
}
