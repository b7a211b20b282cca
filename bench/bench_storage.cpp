// Result storage figures, each side by side with the same work done with raw
// SQLite (common.h):
// - storing one result as the receiver does (a recordset opened over the
//   record source for each result, one durable commit) beside five prepared
//   INSERTs committed in the same journal and synchronous mode;
// - searches of an archive of ZV_BENCH_ARCHIVE_ROWS results (default 300000),
//   each set walked from its first row to its last reading the fields a list
//   shows: a name found in 1 % of the results, a sample number found 11 times, and one
//   day (200 results), beside raw SQLite reading those fields of the same
//   search from the table, in wall and in thread CPU time;
// - the back-up of that archive as the start-up makes it on a back-up day
//   (checked, and beside the check copied on a thread of its own, synced and
//   renamed) beside its floor: the copy as cp makes it (copy_file_range,
//   fsync) into a new file renamed over the previous copy, on a thread of its
//   own, while the calling thread runs SQLite's integrity check of the
//   archive opened read-only; in wall time and in the process's CPU (both
//   threads). Also beside that copy alone, and SQLite's two checks of the
//   archive timed alone. The back-ups and copies go to common.h's backupDir()
//   (ZV_BENCH_BACKUP_DIR).
#include <QCoreApplication>

#include "archive/archivebrowse.h"
#include "common.h"
#include "model/result.h"
#include "platform/databasebackup.h"
#include "platform/dbfiles.h"

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

// Each side adds to its own database, results numbered alike.
void BM_Store(benchmark::State& state) {
    static zv::Connection cn(freshDatabase("add_ours.mdb"));
    static const QString rawPath = freshDatabase("add_raw.mdb");
    static RawWriter raw(rawPath, programSyncMode(rawPath));
    static zv::ResultRecord r = receivedResult();
    static int ours = 0;
    static int theirs = 0;
    sideBySide(state, {{"store/ours",
                        [] {
                            ++ours;
                            r.seq = QString::number(ours);
                            r.specId = QStringLiteral("S%1").arg(ours);
                            r.specName = QStringLiteral("PAZIENTE %1").arg(ours);
                            zv::addResult(cn, r);
                        }},
                       {"store/raw", [] {
                            check(sqlite3_exec(raw.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), raw.db);
                            raw.add(++theirs);
                            check(sqlite3_exec(raw.db, "COMMIT", nullptr, nullptr, nullptr), raw.db);
                        }}});
}

// Compacted once, as the program's start-up compacts an archive that has
// grown. ZV_BENCH_KEEP_ARCHIVE names a file that keeps it from one run to the
// next (made when missing); an archive given by ZV_BENCH_ARCHIVE is read where
// it is, as nothing here writes to it.
const QString& archive() {
    static QString path;
    if (path.isEmpty()) {
        const QString kept = givenArchive().isEmpty() ? qEnvironmentVariable("ZV_BENCH_KEEP_ARCHIVE") : givenArchive();
        if (!kept.isEmpty() && QFile::exists(kept)) {
            path = kept;
            zv::Connection cn(path);
            zv::ensureDateIndex(cn);  // as the program's open makes it
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
        zv::Connection cn(path);
        zv::ensureDateIndex(cn);  // as the program's open makes it
        settle(path);
    }
    return path;
}

// The three searches; each walks its set reading these fields of every row.
const char* const kWalked[] = {"ID1", "specId", "specName", "date", "WBC"};

zv::Selection searchOf(int which) {
    switch (which) {
    case 0: return {QStringLiteral("specName like '%rossi%'"), {}};
    case 1: return {QStringLiteral("specId like '%s12345%'"), {}};
    default: return zv::daySelection(middleDay());  // as the viewer opens a day: through the date index
    }
}

// The names as the program's code passes them: QStringLiteral, made once.
const QString kWalkedNames[] = {QStringLiteral("ID1"), QStringLiteral("specId"), QStringLiteral("specName"),
                                QStringLiteral("date"), QStringLiteral("WBC")};

void walkOurs(zv::Connection& cn, const zv::Selection& search) {
    zv::Recordset rs(cn, zv::selectionQuery(search), search.params);
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        for (const QString& field : kWalkedNames)
            benchmark::DoNotOptimize(rs.field(field));
}

// The raw side does what the program's walk needs and no more: the five
// columns, from the table they live in (the view's joins add none of them),
// with the same search and order, so through the same index and the same
// LIKE (openRaw registers it), in one pass.
void walkRaw(sqlite3* db, const zv::Selection& search) {
    QByteArray sql = "SELECT ";
    for (std::size_t f = 0; f < std::size(kWalked); ++f)
        sql += QByteArray(f ? ", " : "") + kWalked[f];
    sql += " FROM datinumerici WHERE " + search.where.toUtf8() + " ORDER BY ID1";
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr), db);
    for (int i = 0; i < search.params.size(); ++i) {
        const QByteArray text = search.params.at(i).toString().toUtf8();
        sqlite3_bind_text(st, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
        benchmark::DoNotOptimize(sqlite3_column_int64(st, 0));
        for (int f = 1; f < 4; ++f)
            benchmark::DoNotOptimize(sqlite3_column_text(st, f));
        benchmark::DoNotOptimize(sqlite3_column_double(st, 4));
    }
    sqlite3_finalize(st);
}

// The same query through a recordset and through raw SQLite, each on its own connection.
void BM_Search(benchmark::State& state) {
    static zv::Connection cn(archive());
    static sqlite3* db = openRaw(archive());
    const zv::Selection search = searchOf(int(state.range(0)));
    const std::string name = "search" + std::to_string(state.range(0));
    sideBySide(state, {{name + "/ours", [&] { walkOurs(cn, search); }}, {name + "/raw", [&] { walkRaw(db, search); }}});
    zv::Recordset rs(cn, zv::selectionQuery(search), search.params);
    state.counters["found"] = double(rs.recordCount());
}

void runCheck(const char* pragma) { sqliteCheck(archive(), pragma); }

// The program's back-up of the archive beside what it must at least do: the
// copy beside SQLite's check, as the program runs them (copyBesideCheck);
// and beside each of the two alone. The warm-up leaves a previous copy for
// every timed run to replace. The program copies on a thread of its own, so
// both back-up sides record the process's CPU.
void BM_BackUp(benchmark::State& state) {
    const QString checked = backupDir() + "/backup-checked.mdb";
    const std::vector<BackupCopy> copy{{archive(), backupDir() + "/backup-copied.mdb"}};
    sideBySide(state, {{"backup/checked", [checked] { zv::backupDatabase(archive(), checked); }, {}, {}, Cpu::Process},
                       {"backup/copy+check",
                        [copy] { copyBesideCheck(copy, [] { runCheck("PRAGMA integrity_check"); }); },
                        {},
                        {},
                        Cpu::Process},
                       {"backup/copy", [copy] { copyInPlace(copy); }},
                       {"check/integrity", [] { runCheck("PRAGMA integrity_check(1)"); }},
                       {"check/quick", [] { runCheck("PRAGMA quick_check(1)"); }}});
}

BENCHMARK(BM_Store)->Unit(benchmark::kMillisecond)->Iterations(iterations(300))->Repetitions(repetitions());
BENCHMARK(BM_Search)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(iterations(10))
    ->Repetitions(repetitions());
BENCHMARK(BM_BackUp)->Unit(benchmark::kMillisecond)->Iterations(iterations(3))->Repetitions(repetitions());

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Figures reporter;
    runBenchmarks(&argc, argv, reporter);
    std::printf("\narchive rows: %d; searches: 0 = name, 1 = sample number, 2 = one day\n", archiveRows());
    reporter.header();
    reporter.ratioAndCpu("store one result as the receiver does", "store/ours",
                         "raw prepared insert of the same five rows", "store/raw", 1.3, 1.3);
    const char* raw = "raw SQLite, the walked columns of the same search from the table";
    reporter.ratioAndCpu("like '%x%' with few hits, walked", "search1/ours", raw, "search1/raw", 1.1, 1.1);
    reporter.ratioAndCpu("like '%x%' with 1 % of the archive found, walked", "search0/ours", raw, "search0/raw", 1.15,
                         1.15);
    reporter.ratioAndCpu("one day of the archive", "search2/ours", raw, "search2/raw", 1.15, 1.15);
    // In the process's CPU: the program copies on a thread of its own, as the floor does.
    reporter.ratioAndCpu("back-up of the archive, checked", "backup/checked",
                         "cp + fsync into a new file, renamed, beside integrity_check", "backup/copy+check", 1.15, 1.2,
                         Cpu::Process);
    const char* copyAlone = "cp + fsync into a new file, renamed, alone";
    reporter.ratio("back-up of the archive, checked", "backup/checked", copyAlone, "backup/copy", 0);
    reporter.ratio("integrity_check of the archive", "check/integrity", copyAlone, "backup/copy", 6.0);
    reporter.ratio("quick_check of the archive", "check/quick", copyAlone, "backup/copy", 6.0);
    benchmark::Shutdown();
    return 0;
}
