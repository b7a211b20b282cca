// Start-up and roll-over figures. The start (start-up window to main window
// shown, offscreen) on an archive of ZV_BENCH_ARCHIVE_ROWS results (default
// 300000) and a daily database of 200, beside the bare open of the four
// database files; and the roll-over of 200 results into that archive, beside
// the same rows copied by raw INSERT ... SELECT statements.
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

const QString& programFolder() {
    static QString folder;
    if (folder.isEmpty()) {
        folder = workDir().path() + QStringLiteral("/zarvium");
        useQuietProgramFolder(folder);
        fillResults(folder + "/zarviumtotale.mdb", archiveRows());
        fillResults(folder + "/zarvium.mdb", kDailyRows);
    }
    return folder;
}

void BM_Startup(benchmark::State& state) {
    programFolder();
    zv::shell::registerForms();
    for (auto _ : state) {
        zv::Forms::load(QStringLiteral("frmSplash"));
        QApplication::processEvents();
        state.PauseTiming();
        if (!zv::Forms::isLoaded(QStringLiteral("Principale")))
            state.SkipWithError("the main window did not load");
        zv::Forms::unloadAll();
        state.ResumeTiming();
    }
}

void BM_BareOpenOfTheFourDatabases(benchmark::State& state) {
    const QString folder = programFolder();
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

void BM_RollOver(benchmark::State& state) {
    const QString folder = programFolder();
    zv::Connection archive(folder + "/zarviumtotale.mdb");
    for (auto _ : state) {
        state.PauseTiming();
        fillResults(folder + "/zarvium.mdb", kDailyRows);
        state.ResumeTiming();
        zv::rollOverDaily(archive, folder + "/zarvium.mdb");
    }
    state.SetItemsProcessed(state.iterations() * kDailyRows);
}

// The same rows moved by plain statements on the tables: keys shifted past
// the archive's last one, five INSERT ... SELECT and five DELETE in one transaction.
void BM_RollOverRawInsertSelect(benchmark::State& state) {
    const QString folder = programFolder();
    sqlite3* db = nullptr;
    check(sqlite3_open_v2((folder + "/zarviumtotale.mdb").toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr),
          db);
    check(sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr), db);
    QString sql = QStringLiteral(
                      "ATTACH DATABASE '%1/zarvium.mdb' AS daily; BEGIN IMMEDIATE;"
                      "CREATE TEMP TABLE IF NOT EXISTS base AS SELECT 0 AS k; DELETE FROM temp.base;"
                      "INSERT INTO temp.base SELECT coalesce(max(ID1), 0) FROM main.datinumerici;")
                      .arg(folder);
    for (const QString& table : zv::resultTables())
        sql += QStringLiteral(
                   "INSERT INTO main.\"%1\" SELECT ID1 + (SELECT k FROM temp.base), * FROM "
                   "(SELECT * FROM daily.\"%1\" ORDER BY ID1);")
                   .arg(table);
    for (const QString& table : zv::resultTables())
        sql += QStringLiteral("DELETE FROM daily.\"%1\";").arg(table);
    sql += QStringLiteral("COMMIT; DETACH DATABASE daily;");
    // "SELECT ID1 + k, *" would repeat ID1: list the columns after it instead.
    for (const QString& table : zv::resultTables()) {
        sqlite3_stmt* st = nullptr;
        check(sqlite3_prepare_v2(db, QStringLiteral("SELECT * FROM \"%1\" LIMIT 0").arg(table).toUtf8().constData(), -1,
                                 &st, nullptr),
              db);
        QStringList columns;
        for (int c = 1; c < sqlite3_column_count(st); ++c)
            columns << QLatin1Char('"') + QString::fromUtf8(sqlite3_column_name(st, c)) + QLatin1Char('"');
        sqlite3_finalize(st);
        sql.replace(
            QStringLiteral("SELECT ID1 + (SELECT k FROM temp.base), * FROM (SELECT * FROM daily.\"%1\"").arg(table),
            QStringLiteral("SELECT ID1 + (SELECT k FROM temp.base), %2 FROM (SELECT * FROM daily.\"%1\"")
                .arg(table, columns.join(", ")));
    }
    const QByteArray statements = sql.toUtf8();
    for (auto _ : state) {
        state.PauseTiming();
        fillResults(folder + "/zarvium.mdb", kDailyRows);
        state.ResumeTiming();
        check(sqlite3_exec(db, statements.constData(), nullptr, nullptr, nullptr), db);
    }
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * kDailyRows);
}

BENCHMARK(BM_Startup)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BareOpenOfTheFourDatabases)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RollOver)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_RollOverRawInsertSelect)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    auto prompts = std::make_unique<SilentPrompts>();
    SilentPrompts* silent = prompts.get();
    zv::setPrompts(std::move(prompts));
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\narchive rows: %d, daily rows: %d, message boxes during the starts: %d\n", archiveRows(), kDailyRows,
                silent->shown);
    printRatio(reporter, "BM_Startup/iterations:3", "BM_BareOpenOfTheFourDatabases");
    printRatio(reporter, "BM_RollOver/iterations:10", "BM_RollOverRawInsertSelect/iterations:10");
    benchmark::Shutdown();
    return 0;
}
