// The viewer over a large search: open it on a search that finds every result
// of an archive of ZV_BENCH_ARCHIVE_ROWS results (default 300000), or a copy
// of the one ZV_BENCH_ARCHIVE names, and step
// through 100 of them, beside a search that finds 1 in 100 of them, and beside
// the bare SQLite work of the same search and the same 100 rows read. The
// resident memory the viewer adds is reported with each: it follows the rows
// looked at, not the rows found.
#include <QApplication>
#include <QFile>

#include "app/appmain.h"
#include "common.h"
#include "core/session.h"
#include "platform/forms.h"
#include "platform/prompts.h"
#include "program.h"
#include "viewer/leggi.h"

namespace {

using namespace zvbench;

constexpr int kSteps = 100;

const QString& programFolder() {
    static QString folder;
    if (folder.isEmpty()) {
        folder = workDir().path() + QStringLiteral("/zarvium");
        useQuietProgramFolder(folder);
        if (givenArchive().isEmpty())
            fillResults(folder + "/zarviumtotale.mdb", archiveRows());
        else
            copyGivenArchive(folder + "/zarviumtotale.mdb");
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

// What the viewer holds in memory after opening and after stepping, by search.
std::map<int64_t, std::pair<double, double>> viewerKb;

// The viewer opened on the search and stepped through 100 results.
void openAndStep(int64_t which) {
    zv::Session& s = zv::Session::get();
    s.queryricerca = QString::fromLatin1(searchSql(which));
    s.leggiOricerca = 1;
    const double before = residentKb();
    zv::Forms::show(QStringLiteral("leggi"));
    auto* viewer = zv::Forms::get<zv::leggi>();
    if (!viewer) {
        std::fprintf(stderr, "the viewer did not open\n");
        std::abort();
    }
    const double opened = residentKb();
    for (int i = 0; i < kSteps; ++i)
        viewer->Command1->click();
    viewerKb[which] = {opened - before, residentKb() - opened};
}

// Checks that the viewer stepped, then closes it; returns the rows it found.
int64_t closeViewer() {
    auto* viewer = zv::Forms::get<zv::leggi>();
    const int64_t found = viewer->resultSet().recordCount();
    if (viewer->Text20->text().toInt() != std::min<int64_t>(kSteps + 1, found)) {
        std::fprintf(stderr, "the viewer did not step\n");
        std::abort();
    }
    zv::Forms::unload(QStringLiteral("leggi"));
    return found;
}

// The same search and the same rows by bare SQLite: the key list of the
// search, then 100 whole rows of the record source by key.
void rawSearchAndRead(sqlite3* db, const QByteArray& keySql) {
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
            readRow(row);
        sqlite3_reset(row);
    }
    sqlite3_finalize(row);
}

// The viewer beside the bare SQLite work of the same search and rows, side by side.
void BM_Viewer(benchmark::State& state) {
    startProgram();
    static sqlite3* db = openRaw(programFolder() + "/zarviumtotale.mdb");
    const int64_t which = state.range(0);
    const QByteArray keySql = QByteArray(searchSql(which)).replace("select *", "select ID1");
    const std::string name = "viewer" + std::to_string(which);
    int64_t found = 0;
    sideBySide(state, {{name + "/ours", [which] { openAndStep(which); }, {}, [&found] { found = closeViewer(); }},
                       {name + "/raw", [&] { rawSearchAndRead(db, keySql); }}});
    state.counters["found"] = double(found);
    state.counters["open_kB"] = viewerKb[which].first;
    state.counters["step100_kB"] = viewerKb[which].second;
}

BENCHMARK(BM_Viewer)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(iterations(5))
    ->Repetitions(repetitions());

}  // namespace

int main(int argc, char** argv) {
    const WindowedProgram program(argc, argv);
    Figures reporter;
    runBenchmarks(&argc, argv, reporter);
    std::printf("\narchive rows: %d, message boxes: %d\n", archiveRows(), program.silent.shown);
    for (const auto& [which, kb] : viewerKb)
        std::printf("viewer%lld: resident memory added by the open %.0f kB, by 100 steps %.0f kB\n",
                    static_cast<long long>(which), kb.first, kb.second);
    reporter.header();
    reporter.ratio("viewer opened on every result, 100 stepped", "viewer0/ours",
                   "raw SQLite: the keys of the search, 101 rows by key", "viewer0/raw", 0);
    reporter.ratio("viewer opened on 1 in 100, 100 stepped", "viewer1/ours",
                   "raw SQLite: the keys of the search, 101 rows by key", "viewer1/raw", 0);
    zv::Forms::unloadAll();
    benchmark::Shutdown();
    return program.silent.shown == 0 ? 0 : 1;
}
