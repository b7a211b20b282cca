#include "platform/dbfiles.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <optional>
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
        pages.free = pragmaValue(db, "PRAGMA freelist_count");
        pages.atLastCompaction = pragmaValue(db, "PRAGMA user_version");
        const int64_t pageSize = pragmaValue(db, "PRAGMA page_size");
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

namespace {

// Where a compaction of `file` (its links followed) writes: the scratch file
// asked for where it lies in the file's folder; beside the file itself where
// a link leads elsewhere, another disk perhaps, since only a rename within
// one file system replaces a file whole.
QString scratchBeside(const QString& file, const QString& scratch) {
    if (files::namesSameFile(QFileInfo(file).absolutePath(), QFileInfo(scratch).absolutePath()))
        return QFileInfo(scratch).absoluteFilePath();
    return file + QStringLiteral(".tmp-%1").arg(::getpid());
}

void recordPageCount(const QString& scratch) {
    sqlite3* db = nullptr;
    try {
        openFile(scratch, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, &db);
        runAll(db, "PRAGMA user_version = " +
                       QByteArray::number(QFileInfo(scratch).size() / pragmaValue(db, "PRAGMA page_size")));
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    sqlite3_close_v2(db);
}

}  // namespace

void compactDatabase(const QString& path, const QString& scratchAskedFor) {
    refuseExistingScratch(QFileInfo(scratchAskedFor));
    const QString file = files::resolvedFile(path);
    const QString scratch = scratchBeside(file, scratchAskedFor);
    refuseExistingScratch(QFileInfo(scratch));
    bool scratchIsOurs = false;
    try {
        struct stat original {};
        if (::stat(QFile::encodeName(file).constData(), &original) != 0)
            throw fileNotFound(path);
        {
            Connection cn(path);
            scratchIsOurs = true;
            cn.execute(QStringLiteral("VACUUM INTO ") + sqlString(scratch));
        }
        // The size the next start compares with. Written before the scratch
        // file is synced, so it is part of what is renamed.
        recordPageCount(scratch);
        // The compacted file keeps who may read it: an archive kept from
        // other users stays so.
        if (::chmod(QFile::encodeName(scratch).constData(), original.st_mode & 07777) != 0)
            throw AppError(
                err::PathFileAccess,
                QStringLiteral("Path/File access error: chmod(\"%1\"): %2").arg(scratch, qt_error_string(errno)));
        files::syncPath(scratch);
        files::renameOverAtomically(scratch, file);
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

QString nonDatabaseFileAt(const QString& path) {
    // Told from its kind before anything is opened: opening a named pipe
    // waits for a writer, a serial device for its line.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? QString()
                               : QStringLiteral("a file that cannot be read (%1)").arg(qt_error_string(errno));
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("a named pipe");
    if (S_ISSOCK(st.st_mode))
        return QStringLiteral("a socket");
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return QStringLiteral("a device");
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("no regular file");
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return QStringLiteral("a file that cannot be read (%1)").arg(qt_error_string(errno));
    static const QByteArray header("SQLite format 3\0", 16);
    QByteArray start(header.size(), '\0');
    ssize_t n = -1;
    do
        n = ::pread(fd, start.data(), std::size_t(start.size()), 0);
    while (n < 0 && errno == EINTR);
    const int error = errno;
    ::close(fd);
    if (n < 0)
        return QStringLiteral("a file that cannot be read (%1)").arg(qt_error_string(error));
    if (n == 0)
        return QString();
    return n == header.size() && start == header ? QString() : QStringLiteral("a file of another kind");
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
