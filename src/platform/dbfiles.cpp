#include "platform/dbfiles.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

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

}  // namespace

void compactDatabase(const QString& path, const QString& scratch) {
    const QFileInfo scratchInfo(scratch);
    if (scratchInfo.exists() || scratchInfo.isSymLink())
        throw AppError(err::PathFileAccess,
                       QStringLiteral("Path/File access error: the scratch file '%1' already exists.").arg(scratch));
    bool scratchIsOurs = false;
    try {
        {
            Connection cn(path);
            scratchIsOurs = true;
            cn.execute(QStringLiteral("VACUUM INTO ") + sqlString(scratchInfo.absoluteFilePath()));
        }
        files::syncPath(scratch);
        files::renameOverAtomically(scratch, path);
    } catch (...) {
        if (scratchIsOurs)
            removeDatabaseFiles(scratch);
        throw;
    }
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
