// Start-up and roll-over figures. A start is the start-up window loaded
// until the main window has loaded (offscreen). Program folders:
// - "large": an archive of ZV_BENCH_ARCHIVE_ROWS results (default 300000),
//   or a copy of the one ZV_BENCH_ARCHIVE names, with nothing to free, and a
//   daily database of 200 results;
// - "empty": the same with an empty archive, the baseline of the large one.
// Figures, each side by side with its baseline (common.h): the start on the
// large folder beside the start on the empty one and beside the bare open of
// its four database files; the first start after a month was moved out of
// the large archive beside a start with nothing moved; a start on a back-up
// day beside the floor of its back-up (common.h's copyBesideCheck: the three
// files it backs up copied as cp copies them into new files, fsynced and
// renamed over the previous copies, on a thread of its own, while SQLite's
// integrity check reads the archive, opened read-only, on the calling
// thread), in wall time and in the process's CPU; a start on a new
// day (the roll-over of 200 results into the archive included); and the
// roll-over of 200 results beside the same rows copied by raw INSERT ...
// SELECT statements, kept prepared over an attach kept open, committed in the
// same journal and sync mode.
#include <QApplication>

#include <utility>

#include "app/appmain.h"
#include "archive/archivebrowse.h"
#include "archive/rollover.h"
#include "archive/transfer.h"
#include "common.h"
#include "core/config.h"
#include "core/programfolder.h"
#include "platform/forms.h"
#include "platform/prompts.h"
#include "program.h"

namespace {

using namespace zvbench;

const QString& emptyFolder() {
    static const QString folder = benchProgramFolder("empty", 0, kDailyRows);
    return folder;
}

// One start: the start-up window loaded until the main window has loaded.
// Its check and unload are left to the side's tidying.
void start(const QString& folder) {
    zv::setProgramFolder(folder);
    zv::Forms::load(QStringLiteral("frmSplash"));
    QApplication::processEvents();
}

void endStart() {
    if (!zv::Forms::isLoaded(QStringLiteral("Principale"))) {
        std::fprintf(stderr, "the main window did not load\n");
        std::abort();
    }
    zv::Forms::unloadAll();
}

// After a roll-over the daily database has free pages; compacted, the folder
// is again one with nothing to free.
void tidyDaily(const QString& folder) { zv::compactDatabase(folder + "/zarvium.mdb", folder + "/Temp.mdb"); }

void bareOpen(const QString& folder) {
    for (const char* name : {"zarviumtotale.mdb", "zarvium.mdb", "riferimenti.mdb", "vet.mdb"}) {
        sqlite3* db = nullptr;
        const QByteArray path = (folder + "/" + name).toUtf8();
        check(sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
        check(sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr), db);
        sqlite3_close(db);
    }
}

// A start on the large folder, on the empty one, and the bare open of the
// large folder's four files.
void BM_Start(benchmark::State& state) {
    sideBySide(state, {{"start/large", [] { start(largeFolder()); }, {}, endStart},
                       {"start/empty", [] { start(emptyFolder()); }, {}, endStart},
                       {"start/bareopen", [] { bareOpen(largeFolder()); }}});
}

// The first start after a month of the large archive was moved to a file of
// its own (the free pages it left too few to be worth a compaction), beside a
// start on the same folder with nothing moved. The month goes back, untimed,
// after each start.
void BM_StartAfterMonthOut(benchmark::State& state) {
    const QString folder = largeFolder();
    const QString archive = folder + "/zarviumtotale.mdb";
    static const QString empty = freshDatabase("month-empty.mdb");
    static const QString moved = workDir().path() + "/month.mdb";
    const zv::Selection month = zv::selectionOf(zv::BrowseLevel::Month, middleDay().mid(3));
    const auto move = [month](const QString& from, const QString& to) {
        if (zv::transferResults({zv::TransferMode::Move, from, to, QString(), month}) == 0) {
            std::fprintf(stderr, "no month was moved\n");
            std::abort();
        }
    };
    sideBySide(state, {{"monthout/start", [folder] { start(folder); },
                        [=] {
                            QFile::remove(moved);
                            QFile::copy(empty, moved);
                            move(archive, moved);
                            settle(archive);
                        },
                        [=] {
                            endStart();
                            move(moved, archive);
                            settle(archive);
                        }},
                       {"monthout/normal", [folder] { start(folder); }, {}, endStart}});
}

// A start on a back-up day (the back-up falls due again before each) beside
// the least its back-up can cost: the copies of the three files beside the
// archive's check, as the program runs them. Both record the process's CPU:
// the program copies on a thread of its own, as the floor does.
void BM_BackUpDay(benchmark::State& state) {
    const QString folder = largeFolder();
    const std::vector<BackupCopy> copies = backupCopies(folder, backupDir() + "/large-copies");
    const auto check = [folder] { sqliteCheck(folder + "/zarviumtotale.mdb", "PRAGMA integrity_check"); };
    sideBySide(state,
               {{"backup/start", [folder] { start(folder); },
                 [folder] {
                     zv::setProgramFolder(folder);
                     zv::scriviini("database", "bk", daysAgo(30), "general.ini");
                 },
                 endStart, Cpu::Process},
                {"backup/copy+check", [copies, check] { copyBesideCheck(copies, check); }, {}, {}, Cpu::Process}});
}

// A new day: 200 results of yesterday wait in the daily database.
void BM_NewDay(benchmark::State& state) {
    const QString folder = largeFolder();
    static int next = archiveRows() + 1;
    sideBySide(state, {{"newday/start", [folder] { start(folder); },
                        [folder] {
                            fillResults(folder + "/zarvium.mdb", kDailyRows, next);
                            next += kDailyRows;
                            zv::setProgramFolder(folder);
                            zv::scriviini("database", "last", daysAgo(1), "general.ini");
                        },
                        [folder] {
                            endStart();
                            tidyDaily(folder);
                        }}});
}

// The raw roll-over at its strongest: the daily database attached once and
// every statement prepared once, so a run only steps them. Keys are shifted
// past the archive's last one, read first and bound to the five INSERT ...
// SELECT; five DELETE follow, all in one transaction over both files, each
// file as durable as the program makes it.
//
// With `Attach::EachRun`, the same statements as a roll-over that happens once
// a day must run them: the daily database attached and every statement
// prepared at each run, and let go after it. Not a goal's baseline: it shows
// what of the program's time is the copy and what the attach and the prepares.
class RawRollOver {
public:
    enum class Attach { Once, EachRun };
    RawRollOver(const QString& archive, const QString& daily, Attach attach = Attach::Once)
        : attachEachRun_(attach == Attach::EachRun), daily_(daily) {
        check(sqlite3_open_v2(archive.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr), db_);
        syncMode_ = programSyncMode(archive);
        setSyncMode(db_, syncMode_);
        if (!attachEachRun_)
            attachAndPrepare();
    }
    ~RawRollOver() {
        finalizeAll();
        sqlite3_close(db_);
    }
    RawRollOver(const RawRollOver&) = delete;
    RawRollOver& operator=(const RawRollOver&) = delete;

    void run() {
        if (attachEachRun_)
            attachAndPrepare();
        step(begin_);
        if (sqlite3_step(lastKey_) != SQLITE_ROW)
            check(SQLITE_ERROR, db_);
        const sqlite3_int64 base = sqlite3_column_int64(lastKey_, 0);
        sqlite3_reset(lastKey_);
        for (sqlite3_stmt* st : inserts_) {
            sqlite3_bind_int64(st, 1, base);
            step(st);
        }
        for (sqlite3_stmt* st : deletes_)
            step(st);
        step(commit_);
        if (attachEachRun_) {
            finalizeAll();
            check(sqlite3_exec(db_, "DETACH DATABASE daily", nullptr, nullptr, nullptr), db_);
        }
    }

    // Compacts the daily database in place, so the attach stays valid, and
    // prepares the statements again, which the compaction expired.
    void compactDaily() {
        finalizeAll();
        check(sqlite3_exec(db_, "VACUUM daily", nullptr, nullptr, nullptr), db_);
        prepareAll();
    }

private:
    void attachAndPrepare() {
        const QByteArray attach = "ATTACH DATABASE '" + daily_.toUtf8() + "' AS daily";
        check(sqlite3_exec(db_, attach.constData(), nullptr, nullptr, nullptr), db_);
        setSyncMode(db_, syncMode_, "daily");
        prepareAll();
    }
    sqlite3_stmt* prepare(const QString& sql) {
        sqlite3_stmt* st = nullptr;
        check(sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &st, nullptr), db_);
        return st;
    }
    void step(sqlite3_stmt* st) {
        check(sqlite3_step(st), db_);
        sqlite3_reset(st);
    }
    void prepareAll() {
        begin_ = prepare(QStringLiteral("BEGIN IMMEDIATE"));
        lastKey_ = prepare(QStringLiteral("SELECT coalesce(max(ID1), 0) FROM main.datinumerici"));
        for (const QString& table : zv::resultTables()) {
            // "SELECT ID1 + k, *" would repeat ID1: the columns after it are listed.
            sqlite3_stmt* st = prepare(QStringLiteral("SELECT * FROM main.\"%1\" LIMIT 0").arg(table));
            QStringList columns;
            for (int c = 1; c < sqlite3_column_count(st); ++c)
                columns << QLatin1Char('"') + QString::fromUtf8(sqlite3_column_name(st, c)) + QLatin1Char('"');
            sqlite3_finalize(st);
            inserts_.push_back(prepare(QStringLiteral("INSERT INTO main.\"%1\" SELECT ID1 + ?1, %2 FROM "
                                                      "(SELECT * FROM daily.\"%1\" ORDER BY ID1)")
                                           .arg(table, columns.join(", "))));
            deletes_.push_back(prepare(QStringLiteral("DELETE FROM daily.\"%1\"").arg(table)));
        }
        commit_ = prepare(QStringLiteral("COMMIT"));
    }
    void finalizeAll() {
        for (sqlite3_stmt* st : inserts_)
            sqlite3_finalize(st);
        for (sqlite3_stmt* st : deletes_)
            sqlite3_finalize(st);
        inserts_.clear();
        deletes_.clear();
        for (sqlite3_stmt** st : {&begin_, &lastKey_, &commit_})
            sqlite3_finalize(std::exchange(*st, nullptr));
    }

    bool attachEachRun_ = false;
    QString daily_;
    int syncMode_ = 0;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* begin_ = nullptr;
    sqlite3_stmt* lastKey_ = nullptr;
    sqlite3_stmt* commit_ = nullptr;
    std::vector<sqlite3_stmt*> inserts_;
    std::vector<sqlite3_stmt*> deletes_;
};

// The program's roll-over of 200 results into the large archive beside the
// raw roll-over above.
void BM_RollOver(benchmark::State& state) {
    const QString folder = largeFolder();
    // Opened for each repetition: a start in between may have compacted the
    // archive, or the daily database, into a new file.
    zv::Connection archive(folder + "/zarviumtotale.mdb");
    RawRollOver raw(folder + "/zarviumtotale.mdb", folder + "/zarvium.mdb");
    RawRollOver fresh(folder + "/zarviumtotale.mdb", folder + "/zarvium.mdb", RawRollOver::Attach::EachRun);
    static int next = 2 * archiveRows() + 1;
    const auto fill = [folder] {
        fillResults(folder + "/zarvium.mdb", kDailyRows, next);
        next += kDailyRows;
    };
    // Both sides find the daily database compacted, in place, as the raw side's attach needs it.
    const auto tidy = [&raw] { raw.compactDaily(); };
    sideBySide(state, {{"rollover/ours", [&] { zv::rollOverDaily(archive, folder + "/zarvium.mdb"); }, fill, tidy},
                       {"rollover/raw", [&] { raw.run(); }, fill, tidy},
                       {"rollover/rawfresh", [&] { fresh.run(); }, fill, tidy}});
}

BENCHMARK(BM_Start)->Unit(benchmark::kMillisecond)->Iterations(iterations(20))->Repetitions(repetitions());
BENCHMARK(BM_StartAfterMonthOut)->Unit(benchmark::kMillisecond)->Iterations(iterations(3))->Repetitions(repetitions());
BENCHMARK(BM_BackUpDay)->Unit(benchmark::kMillisecond)->Iterations(iterations(1))->Repetitions(repetitions());
BENCHMARK(BM_NewDay)->Unit(benchmark::kMillisecond)->Iterations(iterations(3))->Repetitions(repetitions());
BENCHMARK(BM_RollOver)->Unit(benchmark::kMillisecond)->Iterations(iterations(5))->Repetitions(repetitions());

}  // namespace

int main(int argc, char** argv) {
    const WindowedProgram program(argc, argv);
    Figures reporter;
    // Both program folders exist before the first start is timed.
    runBenchmarks(&argc, argv, reporter, [] {
        largeFolder();
        emptyFolder();
        zv::shell::registerForms();
    });
    std::printf("\narchive rows: %d, daily rows: %d, message boxes during the starts: %d\n", archiveRows(), kDailyRows,
                program.silent.shown);
    reporter.header();
    reporter.ratioAndCpu("start-up, large archive, nothing to free", "start/large", "start-up with an empty archive",
                         "start/empty", 1.1, 1.1);
    reporter.ratioAndCpu("start-up, large archive", "start/large", "bare open of the four files", "start/bareopen", 5,
                         5);
    reporter.ratioAndCpu("first start after a month moved out of the archive", "monthout/start",
                         "a start with nothing moved", "monthout/normal", 1.3, 1.3);
    reporter.ratioAndCpu("start on a back-up day", "backup/start",
                         "cp + fsync of the three files into new files, renamed, beside integrity_check of the archive",
                         "backup/copy+check", 1.15, 1.2, Cpu::Process);
    reporter.ratioAndCpu("roll-over of 200 into the archive", "rollover/ours", "raw INSERT ... SELECT", "rollover/raw",
                         1.15, 1.15);
    reporter.ratioAndCpu("roll-over of 200 into the archive", "rollover/ours", "raw, attached and prepared at each run",
                         "rollover/rawfresh", 0, 0);
    reporter.single("start on a new day (roll-over of 200 included)", "newday/start");
    reporter.single("start on a new day (roll-over of 200 included), thread CPU", cpuOf("newday/start"));
    benchmark::Shutdown();
    return 0;
}
