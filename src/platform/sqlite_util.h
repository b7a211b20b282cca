#pragma once
// What the database files share and no caller outside the platform sees: the
// owner of a prepared statement, SQLite's errors as AppError, and values bound
// into and read out of statements.
#include <QByteArray>
#include <QString>
#include <QVariant>

#include <sqlite3.h>

#include <QHash>

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/errors.h"

namespace zv::sqlite {

// Owns one prepared statement.
class Statement {
public:
    Statement() = default;
    explicit Statement(sqlite3_stmt* stmt) : stmt_(stmt) {}
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(Statement&& other) noexcept : stmt_(std::exchange(other.stmt_, nullptr)) {}
    Statement& operator=(Statement&& other) noexcept {
        if (this != &other) {
            sqlite3_finalize(stmt_);
            stmt_ = std::exchange(other.stmt_, nullptr);
        }
        return *this;
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const noexcept { return stmt_; }
    explicit operator bool() const noexcept { return stmt_ != nullptr; }
    // Gives up ownership.
    sqlite3_stmt* release() noexcept { return std::exchange(stmt_, nullptr); }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

class WriteListener;

// A connection's prepared statements, kept for their next use by SQL text,
// and who listens for its writes.
struct StatementCache {
    struct Idle {
        sqlite3_stmt* stmt = nullptr;
        std::shared_ptr<const void> info;
        uint64_t lastUse = 0;
    };
    explicit StatementCache(sqlite3* handle) : db(handle) {}
    ~StatementCache() { clear(); }
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    void clear() noexcept;

    sqlite3* db;  // null once the connection has closed
    QHash<QString, Idle> idle;
    std::vector<WriteListener*> listeners;
    uint64_t uses = 0;
    // Bumped by clear(): a statement handed out before is finalized when it comes back.
    uint64_t generation = 0;
};

// One statement taken from a connection's cache. Going out of scope, it is
// reset, its parameters cleared and handed back, so the next use of the same
// SQL text prepares nothing. Taken again while out, the same text gets a
// statement of its own.
class CachedStatement {
public:
    CachedStatement() = default;
    CachedStatement(std::shared_ptr<StatementCache> cache, QString sql, sqlite3_stmt* stmt,
                    std::shared_ptr<const void> info)
        : cache_(std::move(cache)),
          sql_(std::move(sql)),
          stmt_(stmt),
          info_(std::move(info)),
          generation_(cache_ ? cache_->generation : 0) {}
    ~CachedStatement() { release(); }
    CachedStatement(CachedStatement&& other) noexcept
        : cache_(std::move(other.cache_)),
          sql_(std::move(other.sql_)),
          stmt_(std::exchange(other.stmt_, nullptr)),
          info_(std::move(other.info_)),
          generation_(other.generation_) {}
    CachedStatement& operator=(CachedStatement&& other) noexcept {
        if (this != &other) {
            release();
            cache_ = std::move(other.cache_);
            sql_ = std::move(other.sql_);
            stmt_ = std::exchange(other.stmt_, nullptr);
            info_ = std::move(other.info_);
            generation_ = other.generation_;
        }
        return *this;
    }
    CachedStatement(const CachedStatement&) = delete;
    CachedStatement& operator=(const CachedStatement&) = delete;

    sqlite3_stmt* get() const noexcept { return stmt_; }
    explicit operator bool() const noexcept { return stmt_ != nullptr; }
    // What a user of this SQL text derived from the statement (its columns),
    // kept with it in the cache.
    std::shared_ptr<const void>& info() noexcept { return info_; }

private:
    void release() noexcept;

    std::shared_ptr<StatementCache> cache_;
    QString sql_;
    sqlite3_stmt* stmt_ = nullptr;
    std::shared_ptr<const void> info_;
    uint64_t generation_ = 0;
};

// What a connection tells before it runs a statement that writes.
class WriteListener {
public:
    virtual void beforeWrite() = 0;

protected:
    ~WriteListener() = default;
};

// Counts the write transactions committed by every connection of the program
// (registered on each one as it opens), so what was read before can tell
// that the data may have changed since.
void countCommits(sqlite3* db);
uint64_t commitsSoFar() noexcept;

// SQLite's last message on `db` as err::Database, with `context` after it.
[[noreturn]] void fail(sqlite3* db, const QString& context = {});

// Leaves the handle in *db even on failure (SQLite hands one out to carry the
// message); the caller closes it.
void openFile(const QString& path, int flags, sqlite3** db);

AppError fileNotFound(const QString& path);

// Prepares the one statement of `sql`; a second statement in the text is refused.
// Returns an empty Statement for text that holds no statement at all.
Statement prepareOne(sqlite3* db, const QString& sql);
// Prepares without failing: an empty Statement when SQLite refuses the text.
Statement tryPrepare(sqlite3* db, const QString& sql);

void stepToEnd(sqlite3* db, sqlite3_stmt* stmt);
// Runs every statement of the text in turn, each shown to `beforeStep` (when
// given) before it runs; the rows changed by the last one.
int64_t runAll(sqlite3* db, const QByteArray& sql, const std::function<void(sqlite3_stmt*)>& beforeStep = {});

// The one integer a pragma such as "PRAGMA page_size" answers.
int64_t pragmaValue(sqlite3* db, const char* pragma);
// SQLite's integrity check of the file open on `db`, stopped at its first
// complaint: DamagedDatabase naming `path` and the damage where it fails.
void requireIntact(sqlite3* db, const QString& path);

void bindValue(sqlite3* db, sqlite3_stmt* stmt, int index, const QVariant& value);
void bindAll(sqlite3* db, sqlite3_stmt* stmt, const QVariantList& params);
// NULL reads as QVariant(), so isNull() is the one test for "nothing there".
QVariant columnValue(sqlite3_stmt* stmt, int column);

}  // namespace zv::sqlite
