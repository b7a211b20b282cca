#pragma once
// What the database files share and no caller outside the platform sees: the
// owner of a prepared statement, SQLite's errors as AppError, and values bound
// into and read out of statements.
#include <QByteArray>
#include <QString>
#include <QVariant>

#include <sqlite3.h>

#include <cstdint>
#include <utility>

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

private:
    sqlite3_stmt* stmt_ = nullptr;
};

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
// Runs every statement of the text in turn; the rows changed by the last one.
int64_t runAll(sqlite3* db, const QByteArray& sql);

void bindValue(sqlite3* db, sqlite3_stmt* stmt, int index, const QVariant& value);
void bindAll(sqlite3* db, sqlite3_stmt* stmt, const QVariantList& params);
// NULL reads as QVariant(), so isNull() is the one test for "nothing there".
QVariant columnValue(sqlite3_stmt* stmt, int column);

}  // namespace zv::sqlite
