#pragma once
// What the benchmark programs share: scratch databases made from the shipped
// schema, a raw SQLite writer of results, a large archive, and a reporter
// that prints each figure beside its baseline.
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "model/resultfields.h"
#include "model/resultstore.h"
#include "platform/database.h"

namespace zvbench {

// The program registers the record source as it starts; every benchmark
// program includes this header, so this runs before its main.
inline const bool kResultSourceRegistered = [] {
    zv::registerResultSource();
    return true;
}();

inline QString schemaText(const char* file = "results.sql") {
    QFile f(QStringLiteral(ZV_DIST_DIR "/schema/") + QLatin1String(file));
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

inline QTemporaryDir& workDir() {
    static QTemporaryDir dir;
    return dir;
}

inline QString freshDatabase(const QString& name) {
    const QString path = workDir().path() + "/" + name;
    QFile::remove(path);
    zv::createDatabaseFromSql(path, schemaText());
    return path;
}

inline void check(int rc, sqlite3* db) {
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
        for (int t = 0; t < 4; ++t) {
            const zv::HistogramKind kind = zv::kHistogramKinds[t];
            QString cols = "ID1", params = "?1";
            int i = 2;
            for (const QString& ch : zv::histogramChannels()) {
                cols += ", " + zv::channelField(kind, ch);
                params += QStringLiteral(", ?%1").arg(i++);
            }
            const QByteArray s =
                QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(zv::histogramTable(kind), cols, params).toUtf8();
            check(sqlite3_prepare_v2(db, s.constData(), -1, &channels[t], nullptr), db);
        }
    }
    ~RawWriter() {
        sqlite3_finalize(numeric);
        for (auto* s : channels)
            sqlite3_finalize(s);
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
            for (int i = 2; i <= 54; ++i)
                sqlite3_bind_text(s, i, "047", 3, SQLITE_STATIC);
            check(sqlite3_step(s), db);
            sqlite3_reset(s);
        }
    }
};

// ZV_BENCH_ARCHIVE_ROWS sets the archive size (default 300000).
inline int archiveRows() {
    const QByteArray env = qgetenv("ZV_BENCH_ARCHIVE_ROWS");
    return env.isEmpty() ? 300000 : env.toInt();
}

// Fills a results database with `rows` results through raw statements, quickly.
inline void fillResults(const QString& path, int rows) {
    RawWriter w(path);
    check(sqlite3_exec(w.db, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr), w.db);
    for (int n = 1; n <= rows; ++n)
        w.add(n);
    check(sqlite3_exec(w.db, "COMMIT", nullptr, nullptr, nullptr), w.db);
}

// Keeps each benchmark's time per iteration so the ratios can be printed.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs)
            if (r.iterations > 0)
                seconds[r.benchmark_name()] = r.real_accumulated_time / double(r.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
};

// Prints "ours raw ratio" for a pair of benchmarks that both ran.
inline void printRatio(RatioReporter& r, const char* ours, const char* raw) {
    if (!r.seconds.count(ours) || !r.seconds.count(raw))
        return;
    std::printf("%-34s %10.3f ms  baseline %-26s %10.3f ms  ratio %.2f\n", ours, r.seconds[ours] * 1e3, raw,
                r.seconds[raw] * 1e3, r.seconds[ours] / r.seconds[raw]);
}

}  // namespace zvbench
