#include "platform/dbfiles.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>
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
    sqlite3* db = nullptr;
    int out = -1;
    // Each half says how far it is; the user sees their mean, never going back.
    // Declared before the copy's thread, which may use them until it is joined.
    std::atomic<int> copiedPercent{0}, checkedPercent{0}, shown{-1};
    const std::function<void()> report = [&] {
        if (!progress)
            return;
        const int percent = (copiedPercent + checkedPercent) / 2;
        int before = shown.load();
        while (percent > before)
            if (shown.compare_exchange_weak(before, percent)) {
                progress(percent);
                break;
            }
    };

    QString copyFailure;
    std::thread copier;
    std::atomic<bool> stop{false};
    const auto closeAll = [&] {
        stop = true;
        if (copier.joinable())
            copier.join();
        if (out >= 0)
            ::close(std::exchange(out, -1));
        if (db) {
            sqlite3_progress_handler(db, 0, nullptr, nullptr);
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        sqlite3_close_v2(std::exchange(db, nullptr));
    };
    try {
        // Read-only, unless a journal left by a crash must be rolled back
        // before the copy: SQLite's check reads a file several times faster so.
        const bool journal = QFileInfo::exists(source + QStringLiteral("-journal"));
        openFile(source, journal ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, &db);
        sqlite3_busy_timeout(db, 2000);
        // A read transaction holds the shared lock: no writer changes the file
        // while its bytes are copied and checked.
        runAll(db, QByteArrayLiteral("BEGIN; SELECT count(*) FROM sqlite_schema;"));
        // Read through SQLite's own descriptor: opening and closing another one
        // on the same file would drop the process's locks on it.
        sqlite3_file* file = nullptr;
        if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file || !file->pMethods)
            throw AppError(err::PathFileAccess, QStringLiteral("Path/File access error: %1").arg(source));
        sqlite3_int64 size = 0;
        if (file->pMethods->xFileSize(file, &size) != SQLITE_OK)
            throw AppError(err::PathFileAccess, QStringLiteral("Path/File access error: %1").arg(source));
        const int64_t pages = std::max<int64_t>(1, size / std::max<int64_t>(1, headerValue(db, "PRAGMA page_size")));

        out = ::open(QFile::encodeName(temp).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (out < 0)
            throw AppError(errno == ENOENT || errno == ENOTDIR ? err::PathNotFound : err::PathFileAccess,
                           QStringLiteral("%1: %2").arg(temp, qt_error_string(errno)));

        // The copy runs beside the check: one waits on the disks, the other on
        // the processor, and the lock both need is held by this connection.
        // Nothing is renamed until both have ended well, so a copy that fails
        // the check never replaces the previous back-up.
        copier = std::thread([&, file, size] {
            QByteArray chunk(1024 * 1024, Qt::Uninitialized);
            for (sqlite3_int64 offset = 0; offset < size;) {
                if (stop)
                    return;
                const int amount = int(std::min<sqlite3_int64>(chunk.size(), size - offset));
                if (file->pMethods->xRead(file, chunk.data(), amount, offset) != SQLITE_OK) {
                    copyFailure = QStringLiteral("Path/File access error: %1").arg(source);
                    return;
                }
                if (!files::writeAll(out, chunk.constData(), amount)) {
                    copyFailure = QStringLiteral("%1: %2").arg(temp, qt_error_string(errno));
                    return;
                }
                offset += amount;
                copiedPercent = int(offset * 99 / size);
                report();
            }
            if (::fsync(out) != 0)
                copyFailure = QStringLiteral("%1: %2").arg(temp, qt_error_string(errno));
        });

        // The check reads every page once while it walks the trees, and
        // about as many again while it looks up each row in its indexes:
        // its pages read, against twice the file's, tell how far it is.
        const std::function<void()> checkTick = [&] {
            int read = 0, highwater = 0;
            sqlite3_db_status(db, SQLITE_DBSTATUS_CACHE_MISS, &read, &highwater, 0);
            checkedPercent = int(std::min<int64_t>(99, int64_t(read) * 100 / (2 * pages)));
            report();
        };
        sqlite3_progress_handler(
            db, 20000,
            [](void* tick) -> int {
                (*static_cast<const std::function<void()>*>(tick))();
                return 0;
            },
            const_cast<std::function<void()>*>(&checkTick));
        // Checked under the same lock as it is copied: what passes is what the copy holds.
        requireIntact(db, source);
        sqlite3_progress_handler(db, 0, nullptr, nullptr);
        checkedPercent = 99;
        report();
        copier.join();
        if (!copyFailure.isEmpty())
            throw AppError(err::PathFileAccess, copyFailure);
        if (::close(std::exchange(out, -1)) != 0)
            throw AppError(err::PathFileAccess, QStringLiteral("%1: %2").arg(temp, qt_error_string(errno)));
        closeAll();
        files::renameOverAtomically(temp, target);
        if (progress)
            progress(100);
    } catch (...) {
        closeAll();
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
