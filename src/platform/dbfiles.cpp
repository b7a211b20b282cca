#include "platform/dbfiles.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <optional>
#include <utility>

#include <unistd.h>

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
// after its last compaction.
constexpr int64_t kGrowthTenths = 11;

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

bool compactIfWorthwhile(const QString& path, const QString& scratch) {
    refuseExistingScratch(QFileInfo(scratch));
    if (const std::optional<Pages> pages = pagesOf(path)) {
        const bool grown = pages->now * 10 >= pages->atLastCompaction * kGrowthTenths;
        if (pages->free == 0 && !grown)
            return false;
    }
    compactDatabase(path, scratch);
    return true;
}

void backupDatabase(const QString& source, const QString& target) {
    if (!QFileInfo::exists(source))
        throw fileNotFound(source);
    const QString temp = target + QStringLiteral(".tmp-%1").arg(::getpid());
    removeDatabaseFiles(temp);
    sqlite3* from = nullptr;
    sqlite3* to = nullptr;
    const auto closeBoth = [&] {
        sqlite3_close_v2(from);
        sqlite3_close_v2(to);
        from = to = nullptr;
    };
    try {
        openFile(source, SQLITE_OPEN_READONLY, &from);
        sqlite3_busy_timeout(from, 2000);
        openFile(temp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &to);
        sqlite3_busy_timeout(to, 2000);
        sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
        if (!backup)
            fail(to);
        const int stepped = sqlite3_backup_step(backup, -1);
        const int finished = sqlite3_backup_finish(backup);
        if (stepped != SQLITE_DONE || finished != SQLITE_OK) {
            const int code = stepped != SQLITE_DONE ? stepped : finished;
            throw AppError(err::Database, QString::fromUtf8(sqlite3_errstr(code)));
        }
        closeBoth();
        files::syncPath(temp);
        files::renameOverAtomically(temp, target);
    } catch (...) {
        closeBoth();
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
