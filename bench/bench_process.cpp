// Starts as the user waits for them, timed from outside: the program started
// as a process on a program folder until it says that its main window has
// been drawn (ZV_EXIT_WHEN_SHOWN; its exit after that is not timed), on the
// folder of bench_startup ("large": an archive of ZV_BENCH_ARCHIVE_ROWS
// results, or a copy of ZV_BENCH_ARCHIVE, and 200 daily results). Figures,
// each side by side with its baseline (common.h), every side a process or a
// few:
// - a start with nothing due beside a bare open of the four database files by
//   the sqlite3 command-line tool (one process attaching the other three and
//   reading each file's schema);
// - a start on a back-up day (general.ini's [database] bk a month old before
//   each) beside the floor of its back-up, run as the program runs it: the
//   copy beside the check. sqlite3's PRAGMA integrity_check of the archive,
//   opened read-only as the back-up opens it to check it (on a file opened
//   for writing, SQLite's check takes several times the CPU), is started,
//   and while it runs one cp copies the three files the program backs up
//   into new files, sync syncs them, and the benchmark renames each over its
//   previous copy and syncs the folder, as the program puts a back-up in
//   place; then the check is waited for. The side's wall time is the slower
//   of the two; its CPU both together. The program's back-ups and these copies go
//   to common.h's backupDir() (ZV_BENCH_BACKUP_DIR).
// The wall times are the figures; the CPU time the processes used (their
// rusage as their parent collects it), the program's exit after the drawing
// included, is given beside them.
#include <QCoreApplication>
#include <QDir>

#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstring>

#include "common.h"
#include "program.h"

extern char** environ;

namespace {

using namespace zvbench;

[[noreturn]] void failed(const char* what, const std::string& program) {
    std::fprintf(stderr, "%s: %s\n", program.c_str(), what);
    std::abort();
}

// A process started, its standard output read through a pipe.
struct Child {
    std::string program;
    pid_t pid = 0;
    int out = -1;
    std::string said;
};

Child spawn(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    Child child;
    child.program = argv.front();
    int out[2];
    if (::pipe(out) != 0)
        failed("no pipe", child.program);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    const int spawned = posix_spawnp(&child.pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    child.out = out[0];
    if (spawned != 0)
        failed("cannot start", child.program);
    return child;
}

// Reads the child's output until it holds `line` (with none, until it ends);
// a child that does not say it within ten minutes stops the benchmark.
void await(Child& child, const char* line = nullptr) {
    char buffer[4096];
    pollfd fd{child.out, POLLIN, 0};
    while (!(line && child.said.find(line) != std::string::npos)) {
        if (::poll(&fd, 1, 600000) <= 0)
            failed("said nothing for ten minutes", child.program);
        const ssize_t n = ::read(child.out, buffer, sizeof buffer);
        if (n <= 0) {
            if (line)
                failed("ended without saying it had started", child.program);
            return;
        }
        child.said.append(buffer, std::size_t(n));
    }
}

// Waits for the child's end; the CPU time it used, in seconds. A child that
// failed stops the benchmark.
double finish(Child& child) {
    await(child);
    ::close(child.out);
    int status = 0;
    rusage usage{};
    ::wait4(child.pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        failed("failed", child.program);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Runs argv to its end; the CPU time it used.
double run(const std::vector<std::string>& argv) {
    Child child = spawn(argv);
    return finish(child);
}

// The program's start in progress; the side's time ends when its main window
// has been drawn, and the tidying waits for its end, untimed.
Child started;

void startProgram(const QString& folder) {
    started = spawn({ZV_PROGRAM, folder.toStdString()});
    await(started, "main window shown\n");
}

// The CPU time of a side's processes goes under "<side>/processcpu"; the
// first run of each side is its untimed warm-up, and is left out.
void recordCpu(const std::string& side, double cpu) {
    static std::set<std::string> warm;
    if (warm.insert(side).second)
        return;
    figures->add(processCpuOf(side), cpu);
}

void endProgram(const std::string& side) { recordCpu(side, finish(started)); }

double bareOpen(const QString& folder) {
    const std::string f = folder.toStdString();
    const std::string sql = "ATTACH '" + f + "/zarvium.mdb' AS d; ATTACH '" + f + "/riferimenti.mdb' AS r; ATTACH '" +
                            f +
                            "/vet.mdb' AS v; SELECT (SELECT count(*) FROM main.sqlite_master) + (SELECT count(*) "
                            "FROM d.sqlite_master) + (SELECT count(*) FROM r.sqlite_master) + (SELECT count(*) FROM "
                            "v.sqlite_master);";
    return run({"sqlite3", "-batch", f + "/zarviumtotale.mdb", sql});
}

// The check started first and waited for last, so the copy runs beside it.
// One cp and one sync for the three files, the fewest processes that do it;
// the new files wait in a folder beside the copies, on their file system,
// for their renames (putInPlace, in this process: a rename and a folder's
// fsync cost next to no CPU).
double copySyncAndCheck(const QString& folder) {
    const QString copies = backupDir() + "/copies";
    const QString fresh = copies + "/new";
    QDir().mkpath(fresh);
    Child check = spawn(
        {"sqlite3", "-batch", "-readonly", (folder + "/zarviumtotale.mdb").toStdString(), "PRAGMA integrity_check"});
    std::vector<std::string> cp{"cp"};
    std::vector<std::string> sync{"sync"};
    std::vector<BackupCopy> renames;
    for (const BackupCopy& c : backupCopies(folder, fresh)) {
        cp.push_back(c.from.toStdString());
        sync.push_back(c.to.toStdString());
        renames.push_back({c.to, copies + "/" + QFileInfo(c.to).fileName()});
    }
    cp.push_back(fresh.toStdString() + "/");
    const double copyCpu = run(cp) + run(sync);
    putInPlace(renames);
    const double checkCpu = finish(check);
    if (check.said != "ok\n")
        failed("found the archive damaged", check.program);
    return copyCpu + checkCpu;
}

// The program's start beside the bare open of its four files.
void BM_ProcessStart(benchmark::State& state) {
    const QString folder = largeFolder();
    sideBySide(state, {{"process/start", [folder] { startProgram(folder); }, {}, [] { endProgram("process/start"); }},
                       {"process/bareopen", [folder] { recordCpu("process/bareopen", bareOpen(folder)); }}});
}

// A start on a back-up day (the back-up falls due again before each) beside
// cp and sync of the three files, renamed into place, beside sqlite3's
// integrity check. The warm-up of each side leaves the previous copies that
// its timed runs replace.
void BM_ProcessBackUpDay(benchmark::State& state) {
    const QString folder = largeFolder();
    sideBySide(state,
               {{"process/backupstart", [folder] { startProgram(folder); },
                 [folder] {
                     zv::setProgramFolder(folder);
                     zv::scriviini("database", "bk", daysAgo(30), "general.ini");
                 },
                 [] { endProgram("process/backupstart"); }},
                {"process/backupcopy", [folder] { recordCpu("process/backupcopy", copySyncAndCheck(folder)); }}});
}

BENCHMARK(BM_ProcessStart)->Unit(benchmark::kMillisecond)->Iterations(iterations(10))->Repetitions(repetitions());
BENCHMARK(BM_ProcessBackUpDay)->Unit(benchmark::kMillisecond)->Iterations(iterations(1))->Repetitions(repetitions());

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    preferOffscreen();  // the program started inherits it
    qputenv("ZV_EXIT_WHEN_SHOWN", "1");
    Figures reporter;
    runBenchmarks(&argc, argv, reporter, [] { largeFolder(); });
    std::printf(
        "\narchive rows: %d, daily rows: %d; every side a process (the program: %s); process CPU: the "
        "processes' own, the program's exit included\n",
        archiveRows(), kDailyRows, ZV_PROGRAM);
    reporter.header();
    reporter.ratio("start-up as a process, to the main window drawn", "process/start",
                   "sqlite3 opening the four files, a process", "process/bareopen", 0);
    reporter.ratio("the same, CPU of the processes (exits included)", processCpuOf("process/start"),
                   "the same, CPU of the processes", processCpuOf("process/bareopen"), 0);
    reporter.ratioAndCpu("start on a back-up day as a process, to the main window drawn", "process/backupstart",
                         "cp + sync of the three files into new files, renamed, beside sqlite3 integrity_check of "
                         "the archive",
                         "process/backupcopy", 1.15, 1.2, Cpu::Process);
    benchmark::Shutdown();
    return 0;
}
