#pragma once
// What the benchmark programs share: scratch databases made from the shipped
// schema, a raw SQLite writer of results, a large archive, and a reporter
// that prints each figure as a median beside its baseline's median.
//
// Every benchmark runs ZV_BENCH_REPETITIONS times (default 3) after a warm-up
// that both sides of a figure get alike, the repetitions of all benchmarks
// interleaved in random order (so neither side of a figure always runs
// first, or while the disk writes back what the other wrote); a figure is the
// median of the repetitions. With ZV_BENCH_SAMPLES naming a file, every repetition's time is
// appended to it and the medians are taken over every sample in it, so
// scripts/bench.sh can run a program in several processes and print the
// medians of them all.
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include "model/resultfields.h"
#include "model/resultstore.h"
#include "platform/database.h"
#include "platform/sqlfunctions.h"

namespace zvbench {

// The program registers the record source as it starts; every benchmark
// program includes this header, so this runs before its main.
inline const bool kResultSourceRegistered = [] {
    zv::registerResultSource();
    return true;
}();

inline int envNumber(const char* name, int fallback) {
    const QByteArray env = qgetenv(name);
    return env.isEmpty() ? fallback : env.toInt();
}

inline int repetitions() { return envNumber("ZV_BENCH_REPETITIONS", 3); }

// How many times each side runs in one repetition: ZV_BENCH_ITERATIONS, or
// the benchmark's own number.
inline int iterations(int fallback) { return envNumber("ZV_BENCH_ITERATIONS", fallback); }

// How many report pages a printing benchmark makes: ZV_BENCH_PAGES (5 at the
// least), or 100.
inline int pages() { return std::max(5, envNumber("ZV_BENCH_PAGES", 100)); }

// ZV_BENCH_ARCHIVE names an archive made beforehand (bench/make_archive.cpp)
// that the benchmarks read, or copy where they change it, instead of filling
// one of their own; empty when they fill their own.
inline QString givenArchive() { return qEnvironmentVariable("ZV_BENCH_ARCHIVE"); }

// The results of the given archive (its highest key, as make_archive numbers
// them 1 to n), or ZV_BENCH_ARCHIVE_ROWS (default 300000), the size of the
// archive a benchmark fills.
inline int archiveRows() {
    static const int rows = [] {
        const QString given = givenArchive();
        if (given.isEmpty())
            return envNumber("ZV_BENCH_ARCHIVE_ROWS", 300000);
        sqlite3* db = nullptr;
        sqlite3_stmt* st = nullptr;
        int n = -1;
        if (sqlite3_open_v2(given.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(db, "SELECT max(ID1) FROM datinumerici", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        sqlite3_close(db);
        if (n <= 0) {
            std::fprintf(stderr, "ZV_BENCH_ARCHIVE: %s is no archive with results\n", qPrintable(given));
            std::abort();
        }
        return n;
    }();
    return rows;
}

// The date of the given archive's middle result, "dd/mm/yy": a day, month and
// year that hold results.
inline QString givenArchiveMiddleDay() {
    sqlite3* db = nullptr;
    sqlite3_stmt* st = nullptr;
    QString day;
    if (sqlite3_open_v2(givenArchive().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "SELECT date FROM datinumerici WHERE ID1 = ?1", -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_int(st, 1, archiveRows() / 2 + 1);
        if (sqlite3_step(st) == SQLITE_ROW)
            day = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return day;
}

inline QString schemaText(const char* file = "results.sql") {
    QFile f(QStringLiteral(ZV_DIST_DIR "/schema/") + QLatin1String(file));
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

// Where the set-up writes: a temporary folder, removed at the end.
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

// A raw connection of the baselines, read-write: the same file the program
// opens, with the same LIKE and NOCASE the program registers on its own, so a
// raw query matches as the program's does and costs what its match costs.
inline sqlite3* openRaw(const QString& path) {
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
    zv::sqlite::registerFunctions(db);
    return db;
}

// Reads every column of the statement's row as the program's recordset reads
// it: a number as a number, text as text; nothing converted.
inline void readRow(sqlite3_stmt* st) {
    for (int c = 0; c < sqlite3_column_count(st); ++c) {
        switch (sqlite3_column_type(st, c)) {
        case SQLITE_INTEGER: benchmark::DoNotOptimize(sqlite3_column_int64(st, c)); break;
        case SQLITE_FLOAT: benchmark::DoNotOptimize(sqlite3_column_double(st, c)); break;
        case SQLITE_NULL: break;
        default: benchmark::DoNotOptimize(sqlite3_column_text(st, c)); break;
        }
    }
}

// The set-up's writes reach the disk before anything is measured, so the
// first benchmark to run does not pay their write-back.
inline void settle(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// What cp does: the bytes copied inside the kernel (copy_file_range), then
// fsync. Between two file systems the kernel refuses (EXDEV) before copying
// anything, and cp, as the program, copies through memory instead: read and
// written in cp's 128 KiB pieces.
inline void copyAndSync(const QString& from, const QString& to) {
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY);
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0)
        std::abort();
    ssize_t n;
    bool copied = false;
    while ((n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0)) > 0)
        copied = true;
    if (n < 0 && !copied) {
        std::vector<char> piece(128 << 10);
        while ((n = ::read(in, piece.data(), piece.size())) > 0)
            if (::write(out, piece.data(), std::size_t(n)) != n)
                std::abort();
    }
    if (n < 0)
        std::abort();
    ::fsync(out);
    ::close(out);
    ::close(in);
}

// One back-up copy: the file copied and its previous copy, which the new one replaces.
struct BackupCopy {
    QString from;
    QString to;
};

// The copies put in place as the program puts a back-up in place: each new
// file renamed over the previous copy, then the folders synced, so the
// renames last as the copies do.
inline void putInPlace(const std::vector<BackupCopy>& renames) {
    std::set<QString> folders;
    for (const BackupCopy& r : renames) {
        if (::rename(QFile::encodeName(r.from).constData(), QFile::encodeName(r.to).constData()) != 0)
            std::abort();
        folders.insert(QFileInfo(r.to).absolutePath());
    }
    for (const QString& folder : folders)
        settle(folder);
}

// Each copy made as cp makes it (copyAndSync) into a new file beside its
// previous copy ("<to>.tmp"), then put in place: the least a back-up's copy
// can cost.
inline void copyInPlace(const std::vector<BackupCopy>& copies) {
    std::vector<BackupCopy> renames;
    for (const BackupCopy& c : copies) {
        copyAndSync(c.from, c.to + ".tmp");
        renames.push_back({c.to + ".tmp", c.to});
    }
    putInPlace(renames);
}

// The floor of a back-up: the copies (copyInPlace) on a thread of their own
// while the calling thread runs `check`, both waited for, as the program
// copies beside its check. In wall time the slower of the two; in CPU both,
// so a side timed by this records its process's CPU (Cpu::Process).
inline void copyBesideCheck(const std::vector<BackupCopy>& copies, const std::function<void()>& check) {
    std::thread copier([&copies] { copyInPlace(copies); });
    check();
    copier.join();
}

// SQLite's check `pragma` of the file at `path`, opened read-only as the
// back-up opens it to check it; anything but "ok" stops the benchmark.
inline void sqliteCheck(const QString& path, const char* pragma) {
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr), db);
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db, pragma, -1, &st, nullptr), db);
    if (sqlite3_step(st) != SQLITE_ROW ||
        std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) != "ok")
        std::abort();
    sqlite3_finalize(st);
    sqlite3_close(db);
}

// Where the program's back-ups and their baselines' copies are written: a
// folder made under ZV_BENCH_BACKUP_DIR when it is set, else under the work
// folder, and removed at the end. On another file system than the databases
// (a tmpfs such as /dev/shm) the kernel cannot copy between the two
// (copy_file_range fails with EXDEV), so the program and cp alike copy
// through memory.
inline QString backupDir() {
    static QTemporaryDir dir = [] {
        const QString given = qEnvironmentVariable("ZV_BENCH_BACKUP_DIR");
        return QTemporaryDir((given.isEmpty() ? workDir().path() : given) + "/backups-XXXXXX");
    }();
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a back-up folder: %s\n", qPrintable(dir.errorString()));
        std::abort();
    }
    return dir.path();
}

// An archive holds this many results a day, day after day from 1 January 2020.
constexpr int kResultsPerDay = 200;

inline QString dayOf(int n) {
    return QDate(2020, 1, 1).addDays((n - 1) / kResultsPerDay).toString(QStringLiteral("dd/MM/yy"));
}

// A day in the middle of the benchmarks' archive, given or filled.
inline QString middleDay();

// The synchronous setting the program's connections use, so a raw baseline
// commits as durably as the program does.
inline int programSyncMode(const QString& path) {
    zv::Connection cn(path);
    return cn.scalar(QStringLiteral("PRAGMA synchronous")).toInt();
}

inline void setSyncMode(sqlite3* db, int mode, const char* schema = "main") {
    const std::string sql = std::string("PRAGMA ") + schema + ".synchronous=" + std::to_string(mode);
    check(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), db);
}

// The raw counterpart of one add: five prepared INSERTs.
struct RawWriter {
    sqlite3* db = nullptr;
    sqlite3_stmt* numeric = nullptr;
    sqlite3_stmt* channels[4] = {};
    RawWriter(const QString& path, int syncMode) {
        check(sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
        check(sqlite3_exec(db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr), db);
        setSyncMode(db, syncMode);
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
    RawWriter(const RawWriter&) = delete;
    RawWriter& operator=(const RawWriter&) = delete;

    // Result n: patient ROSSI MARIO every hundredth, sample S<n>, on day dayOf(n).
    void add(int n) {
        const std::string id = "S" + std::to_string(n);
        const std::string name = n % 100 == 0 ? "ROSSI MARIO" : "PAZIENTE " + std::to_string(n);
        const QByteArray day = dayOf(n).toLatin1();
        sqlite3_bind_int(numeric, 1, n);
        sqlite3_bind_text(numeric, 2, id.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(numeric, 3, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(numeric, 4, day.constData(), -1, SQLITE_TRANSIENT);
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

inline QString middleDay() { return givenArchive().isEmpty() ? dayOf(archiveRows() / 2 + 1) : givenArchiveMiddleDay(); }

// Puts a copy of the given archive at `path` (replacing what is there) and
// lets it reach the disk.
inline void copyGivenArchive(const QString& path) {
    QFile::remove(path);
    if (!QFile::copy(givenArchive(), path)) {
        std::fprintf(stderr, "cannot copy %s to %s\n", qPrintable(givenArchive()), qPrintable(path));
        std::abort();
    }
    settle(path);
}

// Appends results `first` .. `first + rows - 1` to a results database through
// raw statements, quickly, and lets them reach the disk.
inline void fillResults(const QString& path, int rows, int first = 1) {
    {
        RawWriter w(path, 0);
        check(sqlite3_exec(w.db, "BEGIN", nullptr, nullptr, nullptr), w.db);
        for (int n = first; n < first + rows; ++n)
            w.add(n);
        check(sqlite3_exec(w.db, "COMMIT", nullptr, nullptr, nullptr), w.db);
    }
    settle(path);
}

// benchmark::Initialize, with the repetitions interleaved unless the command
// line says otherwise.
inline void initialize(int* argc, char** argv) {
    static std::vector<char*> args;
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.assign(argv, argv + *argc);
    bool given = false;
    for (char* arg : args)
        given = given || std::string(arg).rfind("--benchmark_enable_random_interleaving", 0) == 0;
    if (!given)
        args.insert(args.begin() + 1, interleave);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    *argc = count;
}

// The CPU time of the calling thread, in seconds: what a side costs whatever
// else the machine is doing, where its wall time also holds the waits for the
// processor and the disk.
inline double threadCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The CPU time of the whole process, every thread of it, ended ones
// included, in seconds (getrusage(RUSAGE_SELF), user and system, as the
// children's rusage counts a process started).
inline double processCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// A side's samples are its wall times; "<side>/cpu" holds the thread CPU times of the same runs.
inline std::string cpuOf(const std::string& side) { return side + "/cpu"; }

// "<side>/processcpu": the CPU time of the same runs counted over processes,
// for a side whose work runs on threads or in processes of its own, which
// the calling thread's CPU would leave out.
inline std::string processCpuOf(const std::string& side) { return side + "/processcpu"; }

// Which CPU time a side's figure is read on.
enum class Cpu {
    Thread,   // the calling thread's: "<side>/cpu"
    Process,  // the process's, every thread of it: "<side>/processcpu" as well
};

// The samples of every side, and the figures made of their medians. (The
// console lines of the benchmarks themselves time whole iterations, every
// side and its preparation together.)
class Figures : public benchmark::ConsoleReporter {
public:
    Figures() {
        samplesFile_ = qEnvironmentVariable("ZV_BENCH_SAMPLES");
        QFile file(samplesFile_);
        if (!samplesFile_.isEmpty() && file.open(QIODevice::ReadOnly)) {
            while (!file.atEnd()) {
                const QList<QByteArray> parts = file.readLine().trimmed().split('\t');
                if (parts.size() == 2)
                    earlier_[parts[0].toStdString()].push_back(parts[1].toDouble());
            }
        }
    }

    // One sample in seconds (or any unit, as long as a figure's two sides share it).
    void add(const std::string& name, double value) {
        samples_[name].push_back(value);
        if (samplesFile_.isEmpty())
            return;
        QFile file(samplesFile_);
        if (file.open(QIODevice::Append))
            file.write(QByteArray::fromStdString(name) + '\t' + QByteArray::number(value, 'g', 10) + '\n');
    }

    // Median over this run's samples and those of earlier processes; -1 when none.
    double median(const std::string& name) const {
        std::vector<double> all;
        if (auto it = samples_.find(name); it != samples_.end())
            all = it->second;
        if (all.empty())
            return -1;
        if (auto it = earlier_.find(name); it != earlier_.end())
            all.insert(all.end(), it->second.begin(), it->second.end());
        std::sort(all.begin(), all.end());
        const std::size_t n = all.size();
        return n % 2 ? all[n / 2] : (all[n / 2 - 1] + all[n / 2]) / 2;
    }

    std::size_t count(const std::string& name) const {
        std::size_t n = 0;
        if (auto it = samples_.find(name); it != samples_.end())
            n += it->second.size();
        if (auto it = earlier_.find(name); it != earlier_.end() && n > 0)
            n += it->second.size();
        return n;
    }

    void header() const {
        std::printf("\nmedians (samples each) on %u cores\n", std::thread::hardware_concurrency());
        std::printf("| work | baseline in the same run | ours ms | baseline ms | ratio | goal |\n");
        std::printf("|---|---|---|---|---|---|\n");
    }

    // One line of the table: the work, its baseline, both medians, the ratio and the goal (none when 0).
    void ratio(const char* work, const std::string& ours, const char* baselineWork, const std::string& baseline,
               double goal, double scale = 1e3) const {
        const double a = median(ours);
        const double b = median(baseline);
        if (a < 0 || b < 0)
            return;
        char verdict[32] = "";
        if (goal > 0)
            std::snprintf(verdict, sizeof verdict, "<= %.2f %s", goal, a / b <= goal ? "met" : "NOT met");
        std::printf("| %s (%zu) | %s (%zu) | %.3f | %.3f | %.2f | %s |\n", work, count(ours), baselineWork,
                    count(baseline), a * scale, b * scale, a / b, verdict);
    }

    // The same figure twice: in wall time, then in the CPU time of the same
    // runs, the calling thread's or (Cpu::Process) the process's.
    void ratioAndCpu(const char* work, const std::string& ours, const char* baselineWork, const std::string& baseline,
                     double wallGoal, double cpuGoal, Cpu cpu = Cpu::Thread) const {
        ratio(work, ours, baselineWork, baseline, wallGoal);
        const bool process = cpu == Cpu::Process;
        const std::string cpuWork = std::string(work) + (process ? ", process CPU" : ", thread CPU");
        const auto cpuSide = process ? processCpuOf : cpuOf;
        ratio(cpuWork.c_str(), cpuSide(ours), baselineWork, cpuSide(baseline), cpuGoal);
    }

    void single(const char* work, const std::string& name, double scale = 1e3, const char* unit = "ms") const {
        const double a = median(name);
        if (a >= 0)
            std::printf("| %s (%zu) | | %.3f %s | | | |\n", work, count(name), a * scale, unit);
    }

private:
    QString samplesFile_;
    std::map<std::string, std::vector<double>> samples_;
    std::map<std::string, std::vector<double>> earlier_;
};

// Where the samples go; set by runBenchmarks.
inline Figures* figures = nullptr;

// Reads the benchmark options, makes `reporter` the one the sides' samples go
// to and runs the chosen benchmarks; `first` runs before them, untimed.
inline void runBenchmarks(int* argc, char** argv, Figures& reporter, const std::function<void()>& first = {}) {
    initialize(argc, argv);
    figures = &reporter;
    if (first)
        first();
    benchmark::RunSpecifiedBenchmarks(&reporter);
}

// One side of a figure: what is timed, what is made ready before it and
// tidied after it, untimed. A side whose work runs on threads of its own
// records the process's CPU too (Cpu::Process), beside its thread's.
struct Side {
    std::string name;
    std::function<void()> run;
    std::function<void()> prepare = {};
    std::function<void()> tidy = {};
    Cpu cpu = Cpu::Thread;
};

inline void runSide(const Side& side, bool timed) {
    if (side.prepare)
        side.prepare();
    const double processStart = processCpuSeconds();
    const double cpuStart = threadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    side.run();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const double cpu = threadCpuSeconds() - cpuStart;
    const double processCpu = processCpuSeconds() - processStart;
    if (timed) {
        figures->add(side.name, took.count());
        figures->add(cpuOf(side.name), cpu);
        if (side.cpu == Cpu::Process)
            figures->add(processCpuOf(side.name), processCpu);
    }
    if (side.tidy)
        side.tidy();
}

// Runs the sides in turn at every iteration, the order turned by one each time.
inline void sideBySide(benchmark::State& state, const std::vector<Side>& sides) {
    static std::set<std::string> warm;
    for (const Side& side : sides)
        if (warm.insert(side.name).second)
            runSide(side, false);
    std::size_t turn = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < sides.size(); ++i)
            runSide(sides[(turn + i) % sides.size()], true);
        ++turn;
    }
}

}  // namespace zvbench
