// The viewer over a large search: open it on a search that finds every result
// of an archive of ZV_BENCH_ARCHIVE_ROWS results (default 300000) and step
// through 100 of them, beside a search that finds 1 in 100 of them, and beside
// the bare SQLite work of the same search and the same 100 rows read. The
// resident memory the viewer adds is reported with each: it follows the rows
// looked at, not the rows found.
#include <QApplication>
#include <QFile>

#include "common.h"
#include "platform/forms.h"
#include "platform/prompts.h"
#include "program.h"
#include "shell/appmain.h"
#include "shell/session.h"
#include "viewer/leggi.h"

namespace {

using namespace zvbench;

constexpr int kSteps = 100;

const QString& programFolder() {
    static QString folder;
    if (folder.isEmpty()) {
        folder = workDir().path() + QStringLiteral("/zarvium");
        useQuietProgramFolder(folder);
        fillResults(folder + "/zarviumtotale.mdb", archiveRows());
    }
    return folder;
}

// Resident memory in kB.
double residentKb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096 / 1024 : 0;
}

void startProgram() {
    programFolder();
    zv::shell::registerForms();
    if (!zv::Forms::isLoaded(QStringLiteral("Principale")))
        zv::Forms::load(QStringLiteral("frmSplash"));
}

// Every result (arg 0) or the one in a hundred named ROSSI MARIO (arg 1).
const char* searchSql(int64_t which) {
    return which == 0 ? "select * from datiQgrafici where specName like '%' order by ID1"
                      : "select * from datiQgrafici where specName like 'ROSSI MARIO' order by ID1";
}

void BM_ViewerOpenAndStep100(benchmark::State& state) {
    startProgram();
    double openKb = 0, stepKb = 0;
    int64_t found = 0;
    for (auto _ : state) {
        zv::Session& s = zv::Session::get();
        s.queryricerca = QString::fromLatin1(searchSql(state.range(0)));
        s.leggiOricerca = 1;
        const double before = residentKb();
        zv::Forms::show(QStringLiteral("leggi"));
        auto* viewer = zv::Forms::get<zv::leggi>();
        if (!viewer) {
            state.SkipWithError("the viewer did not open");
            break;
        }
        const double opened = residentKb();
        for (int i = 0; i < kSteps; ++i)
            viewer->Command1->click();
        const double stepped = residentKb();
        state.PauseTiming();
        found = viewer->resultSet().recordCount();
        if (viewer->Text20->text().toInt() != std::min<int64_t>(kSteps + 1, found))
            state.SkipWithError("the viewer did not step");
        openKb = opened - before;
        stepKb = stepped - opened;
        zv::Forms::unload(QStringLiteral("leggi"));
        state.ResumeTiming();
    }
    state.counters["found"] = double(found);
    state.counters["open_kB"] = openKb;
    state.counters["step100_kB"] = stepKb;
}

// The same search and the same rows by bare SQLite: the key list of the
// search, then 100 whole rows of the record source by key.
void BM_RawSearchAndRead100(benchmark::State& state) {
    const QString folder = programFolder();
    sqlite3* db = nullptr;
    check(sqlite3_open_v2((folder + "/zarviumtotale.mdb").toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr),
          db);
    const QByteArray keySql = QByteArray(searchSql(state.range(0))).replace("select *", "select ID1");
    for (auto _ : state) {
        sqlite3_stmt* keys = nullptr;
        check(sqlite3_prepare_v2(db, keySql.constData(), -1, &keys, nullptr), db);
        std::vector<sqlite3_int64> ids;
        while (sqlite3_step(keys) == SQLITE_ROW)
            ids.push_back(sqlite3_column_int64(keys, 0));
        sqlite3_finalize(keys);
        sqlite3_stmt* row = nullptr;
        check(sqlite3_prepare_v2(db, "select * from datiQgrafici where ID1 = ?1", -1, &row, nullptr), db);
        for (std::size_t i = 0; i < std::min<std::size_t>(kSteps + 1, ids.size()); ++i) {
            sqlite3_bind_int64(row, 1, ids[i]);
            if (sqlite3_step(row) == SQLITE_ROW)
                for (int c = 0; c < sqlite3_column_count(row); ++c)
                    benchmark::DoNotOptimize(sqlite3_column_text(row, c));
            sqlite3_reset(row);
        }
        sqlite3_finalize(row);
    }
    sqlite3_close(db);
}

BENCHMARK(BM_ViewerOpenAndStep100)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
BENCHMARK(BM_RawSearchAndRead100)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
    preferOffscreen();
    QApplication app(argc, argv);
    const SilentPrompts& silent = installSilentPrompts();
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\narchive rows: %d, message boxes: %d\n", archiveRows(), silent.shown);
    for (const char* arg : {"0", "1"}) {
        const std::string ours = std::string("BM_ViewerOpenAndStep100/") + arg;
        const std::string raw = std::string("BM_RawSearchAndRead100/") + arg;
        reporter.printRatio(ours, raw);
    }
    zv::Forms::unloadAll();
    benchmark::Shutdown();
    return silent.shown == 0 ? 0 : 1;
}
