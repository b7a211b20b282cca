#include "platform/dbfiles.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <optional>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "platform/connection.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/sqlfunctions.h"
#include "platform/sqlite_util.h"

namespace zv {

using namespace sqlite;

namespace {

void refuseExistingScratch(const QFileInfo& scratch) {
    if (scratch.exists() || scratch.isSymLink())
        throw AppError(
            err::PathFileAccess,
            QStringLiteral("Path/File access error: the scratch file '%1' already exists.").arg(scratch.filePath()));
}

// A grown file is compacted once it has this many tenths more pages than
// after its last compaction; a file with free pages once they are this many
// tenths of it. Fewer free pages are not worth a rewrite of the whole file:
// the next writes reuse them.
constexpr int64_t kGrowthTenths = 11;
constexpr int64_t kFreeTenths = 1;

struct Pages {
    int64_t now = 0;
    int64_t free = 0;
    int64_t atLastCompaction = 0;
};

int64_t headerValue(sqlite3* db, const char* pragma) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, pragma, -1, &raw, nullptr) != SQLITE_OK)
        fail(db);
    Statement stmt(raw);
    if (sqlite3_step(raw) != SQLITE_ROW)
        fail(db);
    return sqlite3_column_int64(raw, 0);
}

// Read-only and without the schema: these header values need none. Empty
// when the file cannot be read so (a journal left by a crash included, which
// only a writer may roll back).
std::optional<Pages> pagesOf(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || QFileInfo::exists(path + QStringLiteral("-journal")))
        return std::nullopt;
    sqlite3* db = nullptr;
    try {
        openFile(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, &db);
        Pages pages;
        pages.free = headerValue(db, "PRAGMA freelist_count");
        pages.atLastCompaction = headerValue(db, "PRAGMA user_version");
        const int64_t pageSize = headerValue(db, "PRAGMA page_size");
        sqlite3_close_v2(std::exchange(db, nullptr));
        if (pageSize <= 0)
            return std::nullopt;
        pages.now = info.size() / pageSize;
        return pages;
    } catch (const AppError&) {
        sqlite3_close_v2(db);
        return std::nullopt;
    }
}

// SQLite's integrity check, stopped at its first complaint, which names the damage.
void requireIntact(sqlite3* db, const QString& path) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check(1)", -1, &raw, nullptr) != SQLITE_OK)
        fail(db, path);
    Statement stmt(raw);
    // A page too damaged to be walked fails the statement itself.
    if (sqlite3_step(raw) != SQLITE_ROW) {
        const int code = sqlite3_errcode(db) & 0xff;
        if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB)
            throw DamagedDatabase(
                err::Database,
                QStringLiteral("The database file %1 is damaged: %2").arg(path, QString::fromUtf8(sqlite3_errmsg(db))));
        fail(db, path);
    }
    const QString verdict = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)));
    if (verdict != QLatin1String("ok"))
        throw DamagedDatabase(err::Database,
                              QStringLiteral("The database file %1 is damaged: %2").arg(path, verdict.simplified()));
}

// How far a back-up is: each half says how far it is; the user sees their
// mean, never going back. Told from both halves' threads.
class BackupMeter {
public:
    explicit BackupMeter(const BackupProgress& progress) : progress_(progress) {}
    void copied(int percent) {
        copied_ = percent;
        report();
    }
    void checked(int percent) {
        checked_ = percent;
        report();
    }

private:
    void report() {
        if (!progress_)
            return;
        const int percent = (copied_ + checked_) / 2;
        int before = shown_.load();
        while (percent > before)
            if (shown_.compare_exchange_weak(before, percent)) {
                progress_(percent);
                break;
            }
    }

    const BackupProgress& progress_;
    std::atomic<int> copied_{0}, checked_{0}, shown_{-1};
};

// A database held under a read transaction: its shared lock keeps every
// writer out while its bytes are copied and checked.
class ReadLockedDatabase {
public:
    ReadLockedDatabase() = default;
    ReadLockedDatabase(const ReadLockedDatabase&) = delete;
    ReadLockedDatabase& operator=(const ReadLockedDatabase&) = delete;
    ~ReadLockedDatabase() { close(); }

    void open(const QString& path) {
        path_ = path;
        // Read-only, unless a journal left by a crash must be rolled back
        // before the copy: SQLite's check reads a file several times faster so.
        const bool journal = QFileInfo::exists(path + QStringLiteral("-journal"));
        openFile(path, journal ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, &db_);
        sqlite3_busy_timeout(db_, 2000);
        runAll(db_, QByteArrayLiteral("BEGIN; SELECT count(*) FROM sqlite_schema;"));
        // Read through SQLite's own descriptor: opening and closing another one
        // on the same file would drop the process's locks on it.
        if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &file_) != SQLITE_OK || !file_ ||
            !file_->pMethods || file_->pMethods->xFileSize(file_, &size_) != SQLITE_OK)
            throw AppError(err::PathFileAccess, QStringLiteral("Path/File access error: %1").arg(path));
        pages_ = std::max<int64_t>(1, size_ / std::max<int64_t>(1, headerValue(db_, "PRAGMA page_size")));
    }
    void close() {
        if (!db_)
            return;
        sqlite3_progress_handler(db_, 0, nullptr, nullptr);
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(std::exchange(db_, nullptr));
        file_ = nullptr;
    }

    sqlite3* db() const { return db_; }
    sqlite3_file* file() const { return file_; }
    const QString& path() const { return path_; }
    int64_t size() const { return size_; }
    int64_t pages() const { return pages_; }

private:
    QString path_;
    sqlite3* db_ = nullptr;
    sqlite3_file* file_ = nullptr;
    sqlite3_int64 size_ = 0;
    int64_t pages_ = 1;
};

// SQLite's own descriptor of a locked database, where its unix VFS opened
// it: read through it, the file needs no second descriptor, whose close would
// drop the process's locks on it. -1 where it cannot be told for certain.
int sqliteDescriptor(const ReadLockedDatabase& db) {
    sqlite3_vfs* vfs = nullptr;
    if (sqlite3_file_control(db.db(), "main", SQLITE_FCNTL_VFS_POINTER, &vfs) != SQLITE_OK || !vfs || !vfs->zName ||
        std::strncmp(vfs->zName, "unix", 4) != 0)
        return -1;
    // The unix VFS's file begins so: its methods, its VFS, its inode's lock
    // record, the descriptor. The descriptor is taken only when it is open
    // on the very file the path names.
    struct UnixFileHead {
        const sqlite3_io_methods* methods;
        sqlite3_vfs* vfs;
        void* inode;
        int h;
    };
    if (vfs->szOsFile < int(sizeof(UnixFileHead)))
        return -1;
    const int fd = reinterpret_cast<const UnixFileHead*>(db.file())->h;
    struct stat opened {
    }, named{};
    if (fd < 0 || ::fstat(fd, &opened) != 0 || ::stat(QFile::encodeName(db.path()).constData(), &named) != 0 ||
        !S_ISREG(opened.st_mode) || opened.st_dev != named.st_dev || opened.st_ino != named.st_ino)
        return -1;
    return fd;
}

// The bytes of a locked database copied into an open file on a thread of
// their own, synced to the disk. finish() waits for them and throws what
// went wrong; a copy left unfinished is stopped and waited for.
class DatabaseCopy {
public:
    DatabaseCopy(const ReadLockedDatabase& db, int out, const QString& outName, BackupMeter& meter)
        : db_(db), out_(out), outName_(outName), meter_(meter), thread_([this] { run(); }) {}
    DatabaseCopy(const DatabaseCopy&) = delete;
    DatabaseCopy& operator=(const DatabaseCopy&) = delete;
    ~DatabaseCopy() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }

    void finish() {
        thread_.join();
        if (!failure_.isEmpty())
            throw AppError(err::PathFileAccess, failure_);
    }

private:
    void run() {
        int64_t copied = 0;
        if (const int fd = sqliteDescriptor(db_); fd >= 0)
            copied = copyInKernel(fd);
        if (failure_.isEmpty() && !stop_)
            copyThroughMemory(copied);
        if (failure_.isEmpty() && !stop_ && ::fsync(out_) != 0)
            failure_ = QStringLiteral("%1: %2").arg(outName_, qt_error_string(errno));
    }

    // The kernel copies from file to file without the bytes passing through
    // this process (as cp does): no memory of ours to fill and page in and
    // out. Returns how far it got; where the kernel cannot copy between these
    // files the rest goes through memory.
    int64_t copyInKernel(int fd) {
        const int64_t size = db_.size();
        loff_t offset = 0;
        while (offset < size && !stop_) {
            const ssize_t n =
                ::copy_file_range(fd, &offset, out_, nullptr, std::size_t(std::min<int64_t>(kPiece, size - offset)), 0);
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                          errno == EPERM || errno == EBADF))
                break;
            if (n < 0) {
                failure_ = QStringLiteral("%1: %2").arg(outName_, qt_error_string(errno));
                break;
            }
            if (n == 0)  // the file ends early, as some file systems say it: read it instead
                break;
            meter_.copied(int(offset * 99 / size));
        }
        return offset;
    }

    void copyThroughMemory(int64_t from) {
        sqlite3_file* file = db_.file();
        const int64_t size = db_.size();
        QByteArray chunk(1024 * 1024, Qt::Uninitialized);
        for (int64_t offset = from; offset < size;) {
            if (stop_)
                return;
            const int amount = int(std::min<int64_t>(chunk.size(), size - offset));
            if (file->pMethods->xRead(file, chunk.data(), amount, offset) != SQLITE_OK) {
                failure_ = QStringLiteral("Path/File access error: %1").arg(db_.path());
                return;
            }
            if (!files::writeAll(out_, chunk.constData(), amount)) {
                failure_ = QStringLiteral("%1: %2").arg(outName_, qt_error_string(errno));
                return;
            }
            offset += amount;
            meter_.copied(int(offset * 99 / size));
        }
    }

    // A piece the kernel copies before the copy says how far it is and looks
    // whether it is to stop.
    static constexpr int64_t kPiece = 8 * 1024 * 1024;

    const ReadLockedDatabase& db_;
    const int out_;
    const QString outName_;
    BackupMeter& meter_;
    QString failure_;
    std::atomic<bool> stop_{false};
    std::thread thread_;  // last: started once everything it uses is in place
};

// SQLite's integrity check of a locked database, telling `meter` how far it
// is. The check reads every page once while it walks the trees, and about as
// many again while it looks up each row in its indexes: its pages read,
// against twice the file's, tell how far it is.
void checkWithProgress(const ReadLockedDatabase& db, BackupMeter& meter) {
    struct Tick {
        const ReadLockedDatabase& db;
        BackupMeter& meter;
    } tick{db, meter};
    sqlite3_progress_handler(
        db.db(), 20000,
        [](void* context) -> int {
            const auto* t = static_cast<const Tick*>(context);
            int read = 0, highwater = 0;
            sqlite3_db_status(t->db.db(), SQLITE_DBSTATUS_CACHE_MISS, &read, &highwater, 0);
            t->meter.checked(int(std::min<int64_t>(99, int64_t(read) * 100 / (2 * t->db.pages()))));
            return 0;
        },
        &tick);
    // Checked under the same lock as it is copied: what passes is what the copy holds.
    try {
        requireIntact(db.db(), db.path());
    } catch (...) {
        sqlite3_progress_handler(db.db(), 0, nullptr, nullptr);
        throw;
    }
    sqlite3_progress_handler(db.db(), 0, nullptr, nullptr);
    meter.checked(99);
}

}  // namespace

void removeDatabaseFile(const QString& path) {
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

void checkDatabase(const QString& path, const QStringList& tables, DatabaseCheck depth) {
    const QFileInfo info(path);
    if (!info.exists())
        throw fileNotFound(path);
    if (!info.isFile())
        throw AppError(err::PathFileAccess, QStringLiteral("%1 is not a database file.").arg(path));
    // What a crash with delayed allocation or a failed copy leaves. SQLite
    // would take it for a new database and write its header at the first write.
    if (info.size() == 0)
        throw AppError(err::Database, QStringLiteral("The database file %1 is empty.").arg(path));
    // A journal left by a crash is rolled back only by a writer; without one
    // the file is read and nothing more.
    const bool journal = QFileInfo::exists(path + QStringLiteral("-journal"));
    sqlite3* db = nullptr;
    try {
        openFile(path, (journal ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_NOMUTEX, &db);
        sqlite3_busy_timeout(db, 2000);
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(
                db, "SELECT 1 FROM sqlite_schema WHERE type IN ('table', 'view') AND name = ?1 COLLATE NOCASE", -1,
                &raw, nullptr) != SQLITE_OK)
            fail(db, path);
        Statement lookup(raw);
        for (const QString& table : tables) {
            bindValue(db, raw, 1, table);
            const int rc = sqlite3_step(raw);
            if (rc != SQLITE_ROW && rc != SQLITE_DONE)
                fail(db, path);
            sqlite3_reset(raw);
            if (rc == SQLITE_DONE)
                throw AppError(err::Database,
                               QStringLiteral("The database file %1 lacks its table %2.").arg(path, table));
        }
        if (depth == DatabaseCheck::Whole)
            requireIntact(db, path);
        sqlite3_close_v2(std::exchange(db, nullptr));
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
}

void compactDatabase(const QString& path, const QString& scratch) {
    const QFileInfo scratchInfo(scratch);
    refuseExistingScratch(scratchInfo);
    bool scratchIsOurs = false;
    try {
        {
            Connection cn(path);
            scratchIsOurs = true;
            cn.execute(QStringLiteral("VACUUM INTO ") + sqlString(scratchInfo.absoluteFilePath()));
        }
        {
            // The size the next start compares with. Written before the
            // scratch file is synced, so it is part of what is renamed.
            sqlite3* db = nullptr;
            try {
                openFile(scratch, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, &db);
                runAll(db, "PRAGMA user_version = " +
                               QByteArray::number(QFileInfo(scratch).size() / headerValue(db, "PRAGMA page_size")));
            } catch (...) {
                sqlite3_close_v2(db);
                throw;
            }
            sqlite3_close_v2(db);
        }
        files::syncPath(scratch);
        files::renameOverAtomically(scratch, path);
    } catch (...) {
        if (scratchIsOurs)
            removeDatabaseFile(scratch);
        throw;
    }
}

bool compactionWorthwhile(const QString& path) {
    const std::optional<Pages> pages = pagesOf(path);
    if (!pages)
        return true;
    const bool grown = pages->now * 10 >= pages->atLastCompaction * kGrowthTenths;
    const bool worthFreeing = pages->free > 0 && pages->free * 10 >= pages->now * kFreeTenths;
    return worthFreeing || grown;
}

bool compactIfWorthwhile(const QString& path, const QString& scratch) {
    refuseExistingScratch(QFileInfo(scratch));
    if (!compactionWorthwhile(path))
        return false;
    compactDatabase(path, scratch);
    return true;
}

void backupDatabase(const QString& source, const QString& target, const BackupProgress& progress) {
    if (!QFileInfo::exists(source))
        throw fileNotFound(source);
    const QString temp = target + QStringLiteral(".tmp-%1").arg(::getpid());
    removeDatabaseFile(temp);
    BackupMeter meter(progress);
    ReadLockedDatabase db;
    int out = -1;
    try {
        db.open(source);
        out = ::open(QFile::encodeName(temp).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (out < 0)
            throw AppError(errno == ENOENT || errno == ENOTDIR ? err::PathNotFound : err::PathFileAccess,
                           QStringLiteral("%1: %2").arg(temp, qt_error_string(errno)));
        // The copy runs beside the check: one waits on the disks, the other on
        // the processor, and the lock both need is held by this connection.
        // Nothing is renamed until both have ended well, so a copy that fails
        // the check never replaces the previous back-up.
        {
            DatabaseCopy copy(db, out, temp, meter);
            checkWithProgress(db, meter);
            copy.finish();
        }
        if (::close(std::exchange(out, -1)) != 0)
            throw AppError(err::PathFileAccess, QStringLiteral("%1: %2").arg(temp, qt_error_string(errno)));
        db.close();
        files::renameOverAtomically(temp, target);
        if (progress)
            progress(100);
    } catch (...) {
        if (out >= 0)
            ::close(out);
        db.close();
        removeDatabaseFile(temp);
        throw;
    }
}

QString nonDatabaseFileAt(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return QString();
    if (info.isDir())
        return QStringLiteral("a folder");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("a file that cannot be read (%1)").arg(file.errorString());
    static const QByteArray header("SQLite format 3\0", 16);
    const QByteArray start = file.read(header.size());
    if (start.isEmpty() && file.atEnd())
        return QString();
    return start == header ? QString() : QStringLiteral("a file that is not a database");
}

void createDatabaseFromSql(const QString& path, const QString& sqlText) {
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        throw AppError(err::PathFileAccess, QStringLiteral("Path/File access error: '%1' already exists.").arg(path));
    sqlite3* db = nullptr;
    try {
        openFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &db);
        registerFunctions(db);
        runAll(db, QByteArrayLiteral("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; BEGIN IMMEDIATE;"));
        runAll(db, sqlText.toUtf8());
        runAll(db, QByteArrayLiteral("COMMIT"));
        sqlite3_close_v2(std::exchange(db, nullptr));
    } catch (...) {
        sqlite3_close_v2(db);
        removeDatabaseFile(path);
        throw;
    }
}

}  // namespace zv
