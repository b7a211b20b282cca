#include "platform/sqlite_util.h"

#include "platform/dbfiles.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <limits>

namespace zv::sqlite {

namespace {

QString messageOf(sqlite3* db) { return QString::fromUtf8(sqlite3_errmsg(db)); }

QByteArray nativePath(const QString& path) {
    // Absolute, so a file named "file:..." is never taken for a URI.
    return QFile::encodeName(QFileInfo(path).absoluteFilePath());
}

std::atomic<uint64_t> commits{0};

// Enough for every statement a window and the store step run over and over.
constexpr qsizetype kCachedStatements = 64;

}  // namespace

void StatementCache::clear() noexcept {
    for (const Idle& entry : std::as_const(idle))
        sqlite3_finalize(entry.stmt);
    idle.clear();
    ++generation;
}

void CachedStatement::release() noexcept {
    if (!stmt_)
        return;
    sqlite3_stmt* stmt = std::exchange(stmt_, nullptr);
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    StatementCache* cache = cache_.get();
    if (!cache || !cache->db || cache->generation != generation_ || cache->idle.contains(sql_)) {
        sqlite3_finalize(stmt);
        return;
    }
    if (cache->idle.size() >= kCachedStatements) {
        auto oldest = cache->idle.begin();
        for (auto it = cache->idle.begin(); it != cache->idle.end(); ++it)
            if (it->lastUse < oldest->lastUse)
                oldest = it;
        sqlite3_finalize(oldest->stmt);
        cache->idle.erase(oldest);
    }
    cache->idle.insert(sql_, StatementCache::Idle{stmt, std::move(info_), ++cache->uses});
}

void countCommits(sqlite3* db) {
    sqlite3_commit_hook(
        db,
        [](void*) {
            commits.fetch_add(1, std::memory_order_relaxed);
            return 0;  // let the commit go on
        },
        nullptr);
}

uint64_t commitsSoFar() noexcept { return commits.load(std::memory_order_relaxed); }

[[noreturn]] void fail(sqlite3* db, const QString& context) {
    QString message = messageOf(db);
    if (!context.isEmpty())
        message += QStringLiteral(" (") + context + QLatin1Char(')');
    throw AppError(err::Database, message);
}

void openFile(const QString& path, int flags, sqlite3** db) {
    if (sqlite3_open_v2(nativePath(path).constData(), db, flags, nullptr) != SQLITE_OK) {
        if (!*db)
            throw AppError(err::Database, QStringLiteral("out of memory"));
        fail(*db, path);
    }
}

AppError fileNotFound(const QString& path) {
    return AppError(err::FileNotFound, QStringLiteral("Could not find file '%1'.").arg(path));
}

Statement prepareOne(sqlite3* db, const QString& sql) {
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &raw, &tail) != SQLITE_OK)
        fail(db);
    Statement stmt(raw);
    if (tail && *tail) {
        sqlite3_stmt* next = nullptr;
        const int rc = sqlite3_prepare_v2(db, tail, -1, &next, nullptr);
        const bool another = next != nullptr || rc != SQLITE_OK;
        sqlite3_finalize(next);
        if (another)
            throw AppError(err::InvalidCall, QStringLiteral("Only one SQL statement may be run here: %1").arg(sql));
    }
    return stmt;
}

Statement tryPrepare(sqlite3* db, const QString& sql) {
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return {};
    }
    return Statement(raw);
}

void stepToEnd(sqlite3* db, sqlite3_stmt* stmt) {
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        fail(db);
}

int64_t runAll(sqlite3* db, const QByteArray& sql, const std::function<void(sqlite3_stmt*)>& beforeStep) {
    const char* at = sql.constData();
    const char* end = at + sql.size();
    int64_t changes = 0;
    while (at < end) {
        sqlite3_stmt* raw = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db, at, static_cast<int>(end - at), &raw, &tail) != SQLITE_OK)
            fail(db);
        if (!raw)
            break;  // only blanks and comments remain
        Statement stmt(raw);
        if (beforeStep)
            beforeStep(raw);
        stepToEnd(db, raw);
        changes = sqlite3_changes64(db);
        at = tail;
    }
    return changes;
}

void bindValue(sqlite3* db, sqlite3_stmt* stmt, int index, const QVariant& value) {
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(stmt, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool: rc = sqlite3_bind_int64(stmt, index, value.toBool() ? 1 : 0); break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar: rc = sqlite3_bind_int64(stmt, index, value.toLongLong()); break;
        case QMetaType::ULongLong: {
            const qulonglong n = value.toULongLong();
            rc = n > static_cast<qulonglong>(std::numeric_limits<int64_t>::max())
                     ? sqlite3_bind_double(stmt, index, static_cast<double>(n))
                     : sqlite3_bind_int64(stmt, index, static_cast<int64_t>(n));
            break;
        }
        case QMetaType::Double:
        case QMetaType::Float: rc = sqlite3_bind_double(stmt, index, value.toDouble()); break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            rc = sqlite3_bind_blob64(stmt, index, bytes.constData(), static_cast<sqlite3_uint64>(bytes.size()),
                                     SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray text = value.toString().toUtf8();
            rc = sqlite3_bind_text64(stmt, index, text.constData(), static_cast<sqlite3_uint64>(text.size()),
                                     SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        }
        }
    }
    if (rc != SQLITE_OK)
        fail(db);
}

void bindAll(sqlite3* db, sqlite3_stmt* stmt, const QVariantList& params) {
    for (int i = 0; i < params.size(); ++i)
        bindValue(db, stmt, i + 1, params[i]);
}

QVariant columnValue(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER: return QVariant(static_cast<qlonglong>(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                                          sqlite3_column_bytes(stmt, column)));
    case SQLITE_BLOB: {
        const void* data = sqlite3_column_blob(stmt, column);
        return QVariant(QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(stmt, column)));
    }
    default: return {};
    }
}

int64_t pragmaValue(sqlite3* db, const char* pragma) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, pragma, -1, &raw, nullptr) != SQLITE_OK)
        fail(db);
    Statement stmt(raw);
    if (sqlite3_step(raw) != SQLITE_ROW)
        fail(db);
    return sqlite3_column_int64(raw, 0);
}

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

}  // namespace zv::sqlite
