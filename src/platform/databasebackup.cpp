#include "platform/databasebackup.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/sqlite_util.h"

namespace zv {

using namespace sqlite;

namespace {

QString systemFailure(const char* call, const QString& path, int error) {
    return QStringLiteral("Path/File access error: %1(\"%2\"): %3")
        .arg(QLatin1String(call), path, qt_error_string(error));
}

bool isOpenOn(int fd, const struct stat& named) {
    struct stat opened {};
    return fd >= 0 && ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

int descriptorByInode(const struct stat& named) {
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir)
        return -1;
    int found = -1;
    while (const dirent* entry = ::readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0' && fd != ::dirfd(dir) && isOpenOn(int(fd), named)) {
            found = int(fd);
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// The descriptor of SQLite's unix VFS file object, which begins so: its
// methods, its VFS, its inode's lock record, the descriptor. Read as bytes
// at that offset, and taken only when it is open on the very file the path
// names; -1 otherwise (another VFS, another layout).
int descriptorInUnixFile(const sqlite3_file* file, const sqlite3_vfs* vfs, const struct stat& named) {
    constexpr std::size_t offset = 3 * sizeof(void*);
    if (!file || !vfs || !vfs->zName || std::strncmp(vfs->zName, "unix", 4) != 0 ||
        vfs->szOsFile < int(offset + sizeof(int)))
        return -1;
    int fd = -1;
    std::memcpy(&fd, reinterpret_cast<const char*>(file) + offset, sizeof fd);
    return isOpenOn(fd, named) ? fd : -1;
}

// How far a back-up is: each half says how far it is; the user sees their
// mean, never going back. Told from both halves' threads, in turn, so a lower
// figure never follows a higher one. What the progress callback throws is
// kept, stops both halves, and fails the back-up.
class BackupMeter {
public:
    explicit BackupMeter(const BackupProgress& progress) : progress_(progress) {}
    void copied(int percent) {
        copied_ = percent;
        tell((copied_ + checked_) / 2);
    }
    void checked(int percent) {
        checked_ = percent;
        tell((copied_ + checked_) / 2);
    }
    void done() { tell(100); }
    bool failed() const { return failed_; }
    void rethrowFailure(const QString& source) const {
        if (failed_)
            throw AppError(failure_.number, QStringLiteral("The back-up of %1 failed as it told how far it was: %2")
                                                .arg(source, failure_.description));
    }

private:
    void tell(int percent) {
        if (!progress_ || failed_)
            return;
        std::lock_guard<std::mutex> lock(mutex_);
        if (percent <= shown_ || failed_)
            return;
        shown_ = percent;
        try {
            progress_(percent);
        } catch (...) {
            failure_ = describeCurrentException();
            failed_ = true;
        }
    }

    const BackupProgress& progress_;
    std::atomic<int> copied_{0}, checked_{0};
    std::mutex mutex_;
    int shown_ = -1;
    CaughtError failure_;
    std::atomic<bool> failed_{false};
};

// What the copy reads, all taken from the connection before the copy starts.
struct CopySource {
    QString path;
    int fd = -1;  // SQLite's own descriptor, or one of the process's on the same file
    int64_t size = 0;
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
        source_.path = path;
        // Read-only, unless a journal left by a crash must be rolled back
        // before the copy: SQLite's check reads a file several times faster so.
        const bool journal = QFileInfo::exists(path + QStringLiteral("-journal"));
        openFile(path, journal ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, &db_);
        sqlite3_busy_timeout(db_, 2000);
        runAll(db_, QByteArrayLiteral("BEGIN; SELECT count(*) FROM sqlite_schema;"));
        refuseWriteAheadLog();
        sqlite3_file* file = nullptr;
        sqlite3_vfs* vfs = nullptr;
        sqlite3_int64 size = 0;
        if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
            !file->pMethods || file->pMethods->xFileSize(file, &size) != SQLITE_OK ||
            sqlite3_file_control(db_, "main", SQLITE_FCNTL_VFS_POINTER, &vfs) != SQLITE_OK)
            throw AppError(
                err::PathFileAccess,
                QStringLiteral("Path/File access error: SQLite tells nothing of the open file %1.").arg(path));
        source_.size = size;
        pages_ = std::max<int64_t>(1, size / std::max<int64_t>(1, pragmaValue(db_, "PRAGMA page_size")));
        findDescriptor(file, vfs);
    }
    void close() {
        if (!db_)
            return;
        sqlite3_progress_handler(db_, 0, nullptr, nullptr);
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(std::exchange(db_, nullptr));
    }

    sqlite3* db() const { return db_; }
    const CopySource& source() const { return source_; }
    const QString& path() const { return source_.path; }
    int64_t pages() const { return pages_; }
    mode_t mode() const { return mode_; }
    bool descriptorFromSqlite() const { return fromSqlite_; }

private:
    // The file alone would miss what the -wal file holds.
    void refuseWriteAheadLog() {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db_, "PRAGMA journal_mode", -1, &raw, nullptr) != SQLITE_OK)
            fail(db_, source_.path);
        const Statement mode(raw);
        if (sqlite3_step(raw) != SQLITE_ROW)
            fail(db_, source_.path);
        if (QLatin1String(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0))) == QLatin1String("wal"))
            throw AppError(err::Database,
                           QStringLiteral("The database file %1 was left in write-ahead-log mode by another program: "
                                          "its latest changes are in %1-wal, which a copy of the file would miss, "
                                          "so it is not backed up in that mode.")
                               .arg(source_.path));
    }

    // Read through SQLite's own descriptor, or another of the process's on
    // the same file: opening and closing one of our own would drop the
    // process's locks on it.
    void findDescriptor(const sqlite3_file* file, const sqlite3_vfs* vfs) {
        struct stat named {};
        if (::stat(QFile::encodeName(source_.path).constData(), &named) != 0)
            throw AppError(err::PathFileAccess, systemFailure("stat", source_.path, errno));
        source_.fd = descriptorInUnixFile(file, vfs, named);
        fromSqlite_ = source_.fd >= 0;
        if (!fromSqlite_)
            source_.fd = descriptorByInode(named);
        if (source_.fd < 0)
            throw AppError(err::PathFileAccess,
                           QStringLiteral("Path/File access error: no descriptor open on %1 was found to copy it by.")
                               .arg(source_.path));
        mode_ = named.st_mode & 07777;
    }

    sqlite3* db_ = nullptr;
    CopySource source_;
    int64_t pages_ = 1;
    mode_t mode_ = 0600;
    bool fromSqlite_ = false;
};

// The bytes of a locked database copied into an open file on a thread of
// their own, synced to the disk. The thread reads through the descriptor it
// was handed and never calls into the connection, whose calls wait for each
// other while the check holds it for as long as it runs; only a failure
// interrupts the check.
// finish() waits for the copy and throws what went wrong; a copy left
// unfinished is stopped and waited for.
class DatabaseCopy {
public:
    // `checked` is the connection the check runs on, stopped when the copy fails.
    DatabaseCopy(const CopySource& from, sqlite3* checked, int out, const QString& outName, BackupMeter& meter)
        : from_(from), checked_(checked), out_(out), outName_(outName), meter_(meter), thread_([this] { run(); }) {}
    DatabaseCopy(const DatabaseCopy&) = delete;
    DatabaseCopy& operator=(const DatabaseCopy&) = delete;
    ~DatabaseCopy() {
        stop();
        if (thread_.joinable())
            thread_.join();
    }

    bool failed() const { return failed_; }
    void stop() { stop_ = true; }
    // Whether the kernel copied it all.
    bool finish() {
        thread_.join();
        if (failed_)
            throw AppError(err::PathFileAccess, failure_);
        return inKernel_;
    }

private:
    // Whatever goes wrong here, an allocation or a text, fails the back-up,
    // not the program.
    void run() noexcept {
        try {
            copy();
        } catch (...) {
            const CaughtError e = describeCurrentException();
            fail(QStringLiteral("Path/File access error: the copy to %1 failed: %2").arg(outName_, e.description));
        }
    }

    bool stopping() const { return stop_ || failed_ || meter_.failed(); }

    void fail(const QString& failure) {
        failure_ = failure;
        failed_ = true;  // after the text: whoever sees the flag reads it once the thread has ended
        // The check's walk of the file's trees is one long step that no
        // progress handler sees; sqlite3_interrupt is SQLite's one call made
        // for another thread, and takes no lock.
        sqlite3_interrupt(checked_);
    }

    void copy() {
        const int64_t copied = copyInKernel();
        inKernel_ = copied == from_.size;
        if (!stopping())
            copyThroughMemory(copied);
        if (stopping())
            return;
        while (::fsync(out_) != 0)
            if (errno != EINTR)
                return fail(systemFailure("fsync", outName_, errno));
    }

    // The kernel copies from file to file without the bytes passing through
    // this process (as cp does): no memory of ours to fill and page in and
    // out. Returns how far it got; where the kernel cannot copy between these
    // files the rest goes through memory.
    int64_t copyInKernel() {
        loff_t offset = 0;
        while (offset < from_.size && !stopping()) {
            const ssize_t n = ::copy_file_range(from_.fd, &offset, out_, nullptr,
                                                std::size_t(std::min<int64_t>(kPiece, from_.size - offset)), 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                          errno == EPERM || errno == EBADF))
                break;
            if (n < 0) {
                fail(systemFailure("copy_file_range", outName_, errno));
                break;
            }
            if (n == 0)  // the file ends early, as some file systems say it: read it instead
                break;
            meter_.copied(int(offset * 99 / from_.size));
        }
        return offset;
    }

    void copyThroughMemory(int64_t from) {
        QByteArray chunk(1024 * 1024, Qt::Uninitialized);
        for (int64_t offset = from; offset < from_.size && !stopping();) {
            const std::size_t amount = std::size_t(std::min<int64_t>(chunk.size(), from_.size - offset));
            const ssize_t n = ::pread(from_.fd, chunk.data(), amount, offset);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return fail(n < 0 ? systemFailure("pread", from_.path, errno)
                                  : QStringLiteral("Path/File access error: %1 ended before its %2 bytes were read.")
                                        .arg(from_.path)
                                        .arg(from_.size));
            if (!files::writeAll(out_, chunk.constData(), n))
                return fail(systemFailure("write", outName_, errno));
            offset += n;
            meter_.copied(int(offset * 99 / from_.size));
        }
    }

    // A piece the kernel copies before the copy says how far it is and looks
    // whether it is to stop.
    static constexpr int64_t kPiece = 8 * 1024 * 1024;

    const CopySource from_;
    sqlite3* const checked_;
    const int out_;
    const QString outName_;
    BackupMeter& meter_;
    QString failure_;
    bool inKernel_ = false;
    std::atomic<bool> stop_{false}, failed_{false};
    std::thread thread_;  // last: started once everything it uses is in place
};

// SQLite's integrity check of a locked database, telling `meter` how far it
// is, stopped as soon as the copy beside it has failed. The check reads every
// page once while it walks the trees, and about as many again while it looks
// up each row in its indexes: its pages read, against twice the file's, tell
// how far it is.
void checkWithProgress(const ReadLockedDatabase& db, BackupMeter& meter, const DatabaseCopy& copy) {
    struct Tick {
        const ReadLockedDatabase& db;
        BackupMeter& meter;
        const DatabaseCopy& copy;
    } tick{db, meter, copy};
    sqlite3_progress_handler(
        db.db(), 20000,
        [](void* context) -> int {
            const auto* t = static_cast<const Tick*>(context);
            int read = 0, highwater = 0;
            sqlite3_db_status(t->db.db(), SQLITE_DBSTATUS_CACHE_MISS, &read, &highwater, 0);
            t->meter.checked(int(std::min<int64_t>(99, int64_t(read) * 100 / (2 * t->db.pages()))));
            return t->copy.failed() || t->meter.failed() ? 1 : 0;
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

// The copy runs beside the check: one waits on the disks, the other on the
// processor, and the lock both need is held by this connection. A copy that
// fails stops the check and is what is reported.
BackupCopied copyBesideCheck(const ReadLockedDatabase& db, int out, const QString& outName, BackupMeter& meter) {
    DatabaseCopy copy(db.source(), db.db(), out, outName, meter);
    try {
        checkWithProgress(db, meter, copy);
    } catch (...) {
        copy.stop();
        copy.finish();
        meter.rethrowFailure(db.path());
        throw;
    }
    BackupCopied copied;
    copied.inKernel = copy.finish();
    meter.rethrowFailure(db.path());
    copied.throughSqliteFile = db.descriptorFromSqlite();
    return copied;
}

// The copy is made with the permission bits of the file it copies: a back-up
// of an archive kept from other users is kept from them too.
int createCopyFile(const QString& path, mode_t mode) {
    const int out = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0) {
        const int error = errno;
        throw AppError(error == ENOENT || error == ENOTDIR ? err::PathNotFound : err::PathFileAccess,
                       systemFailure("open", path, error));
    }
    if (::fchmod(out, mode) != 0) {
        const int error = errno;
        ::close(out);
        throw AppError(err::PathFileAccess, systemFailure("fchmod", path, error));
    }
    return out;
}

}  // namespace

int openDescriptorOf(const QString& path) {
    struct stat named {};
    if (::stat(QFile::encodeName(path).constData(), &named) != 0)
        return -1;
    return descriptorByInode(named);
}

BackupCopied backupDatabase(const QString& source, const QString& target, const BackupProgress& progress) {
    if (!QFileInfo::exists(source))
        throw fileNotFound(source);
    // Resolved once: the temporary file lies beside the file it replaces, on
    // its file system, and a link to it stays a link.
    const QString file = files::resolvedFile(target);
    const QString temp = file + QStringLiteral(".tmp-%1").arg(::getpid());
    removeDatabaseFile(temp);
    BackupMeter meter(progress);
    ReadLockedDatabase db;
    int out = -1;
    try {
        db.open(source);
        out = createCopyFile(temp, db.mode());
        // Nothing is renamed until both halves have ended well, so a copy
        // that fails the check never replaces the previous back-up.
        const BackupCopied copied = copyBesideCheck(db, out, temp, meter);
        if (::close(std::exchange(out, -1)) != 0)
            throw AppError(err::PathFileAccess, systemFailure("close", temp, errno));
        db.close();
        files::renameOverAtomically(temp, file);
        meter.done();
        meter.rethrowFailure(source);
        return copied;
    } catch (...) {
        if (out >= 0)
            ::close(out);
        db.close();
        removeDatabaseFile(temp);
        throw;
    }
}

}  // namespace zv
