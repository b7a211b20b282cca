// Start-up and roll-over figures. A start is the start-up window loaded
// until the main window has loaded (offscreen). Program folders:
// - "large": an archive of ZV_BENCH_ARCHIVE_ROWS results (default 300000)
//   with nothing to free, and a daily database of 200 results;
// - "empty": the same with an empty archive, the baseline of the large one.
// Figures: the start on the large folder beside the start on the empty one
// and beside the bare open of its four database files; a start on a back-up
// day beside cp and fsync of the three files it backs up; a start on a new
// day (the roll-over of 200 results into the archive included); and the
// roll-over of 200 results beside the same rows copied by raw
// INSERT ... SELECT statements committed in the same journal and sync mode.
#include <QApplication>

#include "archive/rollover.h"
#include "common.h"
#include "platform/forms.h"
#include "platform/prompts.h"
#include "program.h"
#include "shell/appmain.h"
#include "shell/config.h"
#include "shell/programfolder.h"

namespace {

using namespace zvbench;

constexpr int kDailyRows = 200;

// ZV_BENCH_ITERATIONS sets how many starts or roll-overs make one repetition (default 5).
int iterations() { return envNumber("ZV_BENCH_ITERATIONS", 5); }

// Laid out once: the archive compacted as a start-up would compact it.
QString folderWith(const char* name, int archiveResults) {
    const QString folder = workDir().path() + QStringLiteral("/") + QLatin1String(name);
    useQuietProgramFolder(folder);
    const QString archive = folder + "/zarviumtotale.mdb";
    if (archiveResults > 0)
        fillResults(archive, archiveResults);
    fillResults(folder + "/zarvium.mdb", kDailyRows);
    zv::compactDatabase(archive, folder + "/Temp.mdb");
    settle(archive);
    return folder;
}

const QString& largeFolder() {
    static const QString folder = folderWith("large", archiveRows());
    return folder;
}

const QString& emptyFolder() {
    static const QString folder = folderWith("empty", 0);
    return folder;
}

QString daysAgo(int days) { return QDate::currentDate().addDays(-days).toString(QStringLiteral("dd/MM/yy")); }

// One start, timed from the start-up window's load to the main window loaded.
void start(benchmark::State& state) {
    zv::Forms::load(QStringLiteral("frmSplash"));
    QApplication::processEvents();
    state.PauseTiming();
    if (!zv::Forms::isLoaded(QStringLiteral("Principale")))
        state.SkipWithError("the main window did not load");
    zv::Forms::unloadAll();
    state.ResumeTiming();
}

// Untimed: the first start in a folder compacts what the set-up left.
void warmUpStart(const QString& folder) {
    static QStringList warm;
    zv::setProgramFolder(folder);
    zv::shell::registerForms();
    if (warm.contains(folder))
        return;
    warm << folder;
    zv::Forms::load(QStringLiteral("frmSplash"));
    QApplication::processEvents();
    zv::Forms::unloadAll();
}

// After a roll-over the daily database has free pages; compacted, untimed,
// the folder is again one with nothing to free.
void tidyDaily(const QString& folder) { zv::compactDatabase(folder + "/zarvium.mdb", folder + "/Temp.mdb"); }

void startIn(benchmark::State& state, const QString& folder) {
    warmUpStart(folder);
    for (auto _ : state)
        start(state);
}

void BM_StartLargeArchive(benchmark::State& state) { startIn(state, largeFolder()); }

void BM_StartEmptyArchive(benchmark::State& state) { startIn(state, emptyFolder()); }

void BM_BareOpenOfTheFourDatabases(benchmark::State& state) {
    const QString folder = largeFolder();
    for (auto _ : state) {
        for (const char* name : {"zarviumtotale.mdb", "zarvium.mdb", "riferimenti.mdb", "vet.mdb"}) {
            sqlite3* db = nullptr;
            const QByteArray path = (folder + "/" + name).toUtf8();
            check(sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
            check(sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr), db);
            sqlite3_close(db);
        }
    }
}

// The back-up falls due again before every start; the first makes the copies
// that the others replace.
void BM_StartOnABackUpDay(benchmark::State& state) {
    warmUpStart(largeFolder());
    static bool copied = false;
    if (!copied) {
        copied = true;
        zv::scriviini("database", "bk", daysAgo(30), "general.ini");
        zv::Forms::load(QStringLiteral("frmSplash"));
        QApplication::processEvents();
        zv::Forms::unloadAll();
    }
    for (auto _ : state) {
        state.PauseTiming();
        zv::scriviini("database", "bk", daysAgo(30), "general.ini");
        state.ResumeTiming();
        start(state);
    }
}

void copyAndSync(const QString& from, const QString& to) {
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY);
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char> buffer(1 << 20);
    ssize_t n;
    while ((n = ::read(in, buffer.data(), buffer.size())) > 0)
        if (::write(out, buffer.data(), size_t(n)) != n)
            std::abort();
    ::fsync(out);
    ::close(out);
    ::close(in);
}

void copyTheThreeFiles(const QString& folder) {
    for (const char* name : {"zarviumtotale.mdb", "riferimenti.mdb", "vet.mdb"})
        copyAndSync(folder + "/" + name, folder + "/back-up/" + name + ".copy");
}

// What cp and fsync take for the three files a back-up day copies; the first
// copy, untimed, makes the files the others replace.
void BM_CopyAndSyncTheThreeFiles(benchmark::State& state) {
    const QString folder = largeFolder();
    static bool copied = false;
    if (!copied) {
        copied = true;
        copyTheThreeFiles(folder);
    }
    for (auto _ : state)
        copyTheThreeFiles(folder);
}

// A new day: 200 results of yesterday wait in the daily database.
void BM_StartOnANewDay(benchmark::State& state) {
    const QString folder = largeFolder();
    warmUpStart(folder);
    static int next = archiveRows() + 1;
    for (auto _ : state) {
        state.PauseTiming();
        fillResults(folder + "/zarvium.mdb", kDailyRows, next);
        next += kDailyRows;
        zv::scriviini("database", "last", daysAgo(1), "general.ini");
        state.ResumeTiming();
        start(state);
        state.PauseTiming();
        tidyDaily(folder);
        state.ResumeTiming();
    }
}

void BM_RollOver(benchmark::State& state) {
    const QString folder = largeFolder();
    zv::Connection archive(folder + "/zarviumtotale.mdb");
    static int next = 2 * archiveRows() + 1;
    for (auto _ : state) {
        state.PauseTiming();
        fillResults(folder + "/zarvium.mdb", kDailyRows, next);
        next += kDailyRows;
        state.ResumeTiming();
        zv::rollOverDaily(archive, folder + "/zarvium.mdb");
        state.PauseTiming();
        tidyDaily(folder);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kDailyRows);
}

// The same rows moved by plain statements on the tables: keys shifted past
// the archive's last one, five INSERT ... SELECT and five DELETE in one
// transaction over both files, each file as durable as the program makes it.
void BM_RollOverRawInsertSelect(benchmark::State& state) {
    const QString folder = largeFolder();
    const int syncMode = programSyncMode(folder + "/zarviumtotale.mdb");
    sqlite3* db = nullptr;
    check(sqlite3_open_v2((folder + "/zarviumtotale.mdb").toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr),
          db);
    setSyncMode(db, syncMode);
    QString sql = QStringLiteral(
                      "ATTACH DATABASE '%1/zarvium.mdb' AS daily; PRAGMA daily.synchronous=%2; BEGIN IMMEDIATE;"
                      "CREATE TEMP TABLE IF NOT EXISTS base AS SELECT 0 AS k; DELETE FROM temp.base;"
                      "INSERT INTO temp.base SELECT coalesce(max(ID1), 0) FROM main.datinumerici;")
                      .arg(folder)
                      .arg(syncMode);
    for (const QString& table : zv::resultTables()) {
        // "SELECT ID1 + k, *" would repeat ID1: the columns after it are listed.
        sqlite3_stmt* st = nullptr;
        check(sqlite3_prepare_v2(db, QStringLiteral("SELECT * FROM \"%1\" LIMIT 0").arg(table).toUtf8().constData(), -1,
                                 &st, nullptr),
              db);
        QStringList columns;
        for (int c = 1; c < sqlite3_column_count(st); ++c)
            columns << QLatin1Char('"') + QString::fromUtf8(sqlite3_column_name(st, c)) + QLatin1Char('"');
        sqlite3_finalize(st);
        sql += QStringLiteral(
                   "INSERT INTO main.\"%1\" SELECT ID1 + (SELECT k FROM temp.base), %2 FROM "
                   "(SELECT * FROM daily.\"%1\" ORDER BY ID1);")
                   .arg(table, columns.join(", "));
    }
    for (const QString& table : zv::resultTables())
        sql += QStringLiteral("DELETE FROM daily.\"%1\";").arg(table);
    sql += QStringLiteral("COMMIT; DETACH DATABASE daily;");
    const QByteArray statements = sql.toUtf8();
    static int next = 3 * archiveRows() + 1;
    for (auto _ : state) {
        state.PauseTiming();
        fillResults(folder + "/zarvium.mdb", kDailyRows, next);
        next += kDailyRows;
        state.ResumeTiming();
        check(sqlite3_exec(db, statements.constData(), nullptr, nullptr, nullptr), db);
        state.PauseTiming();
        tidyDaily(folder);
        state.ResumeTiming();
    }
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * kDailyRows);
}

BENCHMARK(BM_StartLargeArchive)->Unit(benchmark::kMillisecond)->Iterations(iterations())->Repetitions(repetitions());
BENCHMARK(BM_StartEmptyArchive)->Unit(benchmark::kMillisecond)->Iterations(iterations())->Repetitions(repetitions());
BENCHMARK(BM_BareOpenOfTheFourDatabases)
    ->Unit(benchmark::kMillisecond)
    ->MinWarmUpTime(warmUp())
    ->Repetitions(repetitions());
BENCHMARK(BM_StartOnABackUpDay)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(repetitions());
BENCHMARK(BM_CopyAndSyncTheThreeFiles)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(repetitions());
BENCHMARK(BM_StartOnANewDay)->Unit(benchmark::kMillisecond)->Iterations(iterations())->Repetitions(repetitions());
BENCHMARK(BM_RollOver)->Unit(benchmark::kMillisecond)->Iterations(iterations())->Repetitions(repetitions());
BENCHMARK(BM_RollOverRawInsertSelect)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(iterations())
    ->Repetitions(repetitions());

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    auto prompts = std::make_unique<SilentPrompts>();
    SilentPrompts* silent = prompts.get();
    zv::setPrompts(std::move(prompts));
    initialize(&argc, argv);
    Figures reporter;
    // Both program folders exist before the first start is timed.
    largeFolder();
    emptyFolder();
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\narchive rows: %d, daily rows: %d, message boxes during the starts: %d\n", archiveRows(), kDailyRows,
                silent->shown);
    reporter.header();
    reporter.ratio("start-up, large archive, nothing to free", "BM_StartLargeArchive", "start-up with an empty archive",
                   "BM_StartEmptyArchive", 1.1);
    reporter.ratio("start-up, large archive", "BM_StartLargeArchive", "bare open of the four files",
                   "BM_BareOpenOfTheFourDatabases", 5);
    reporter.ratio("start on a back-up day", "BM_StartOnABackUpDay", "cp + fsync of the three files",
                   "BM_CopyAndSyncTheThreeFiles", 2);
    reporter.ratio("roll-over of 200 into the archive", "BM_RollOver", "raw INSERT ... SELECT",
                   "BM_RollOverRawInsertSelect", 1.15);
    reporter.single("start on a new day (roll-over of 200 included)", "BM_StartOnANewDay");
    benchmark::Shutdown();
    return 0;
}
