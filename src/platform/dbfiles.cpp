#include "platform/dbfiles.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <optional>
#include <utility>

#include <fcntl.h>
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

void removeDatabaseFiles(const QString& path) {
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

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

}  // namespace

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
            removeDatabaseFiles(scratch);
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

void backupDatabase(const QString& source, const QString& target) {
    if (!QFileInfo::exists(source))
        throw fileNotFound(source);
    const QString temp = target + QStringLiteral(".tmp-%1").arg(::getpid());
    removeDatabaseFiles(temp);
    sqlite3* db = nullptr;
    int out = -1;
    const auto closeAll = [&] {
        if (out >= 0)
            ::close(std::exchange(out, -1));
        if (db)
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(std::exchange(db, nullptr));
    };
    try {
        // Read-write where the file allows it, so that a journal left by a crash
        // is rolled back before the copy.
        openFile(source, SQLITE_OPEN_READWRITE, &db);
        sqlite3_busy_timeout(db, 2000);
        // A read transaction holds the shared lock: no writer changes the file
        // while its bytes are copied.
        runAll(db, QByteArrayLiteral("BEGIN; SELECT count(*) FROM sqlite_schema;"));
        // Read through SQLite's own descriptor: opening and closing another one
        // on the same file would drop the process's locks on it.
        sqlite3_file* file = nullptr;
        if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file || !file->pMethods)
            throw AppError(err::PathFileAccess, QStringLiteral("Path/File access error: %1").arg(source));
        sqlite3_int64 size = 0;
        if (file->pMethods->xFileSize(file, &size) != SQLITE_OK)
            throw AppError(err::PathFileAccess, QStringLiteral("Path/File access error: %1").arg(source));

        out = ::open(QFile::encodeName(temp).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (out < 0)
            throw AppError(errno == ENOENT || errno == ENOTDIR ? err::PathNotFound : err::PathFileAccess,
                           QStringLiteral("%1: %2").arg(temp, qt_error_string(errno)));
        QByteArray chunk(64 * 1024, Qt::Uninitialized);
        for (sqlite3_int64 offset = 0; offset < size;) {
            const int amount = int(std::min<sqlite3_int64>(chunk.size(), size - offset));
            if (file->pMethods->xRead(file, chunk.data(), amount, offset) != SQLITE_OK)
                throw AppError(err::PathFileAccess, QStringLiteral("Path/File access error: %1").arg(source));
            if (!files::writeAll(out, chunk.constData(), amount))
                throw AppError(err::PathFileAccess, QStringLiteral("%1: %2").arg(temp, qt_error_string(errno)));
            offset += amount;
        }
        if (::fsync(out) != 0 || ::close(std::exchange(out, -1)) != 0)
            throw AppError(err::PathFileAccess, QStringLiteral("%1: %2").arg(temp, qt_error_string(errno)));
        closeAll();
        files::renameOverAtomically(temp, target);
    } catch (...) {
        closeAll();
        removeDatabaseFiles(temp);
        throw;
    }
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
        removeDatabaseFiles(path);
        throw;
    }
}

}  // namespace zv
