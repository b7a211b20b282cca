#include "platform/connection.h"

#include <QFileInfo>

#include <sqlite3.h>

#include <utility>

#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/sqlfunctions.h"
#include "platform/sqlite_util.h"

namespace zv {

using namespace sqlite;

QString sqlQuote(const QString& text) { return QString(text).replace(QLatin1Char('\''), QStringLiteral("''")); }

QString sqlString(const QString& text) { return QLatin1Char('\'') + sqlQuote(text) + QLatin1Char('\''); }

// ---------------------------------------------------------------------------
// Connection

Connection::Connection(const QString& path) { open(path); }

Connection::~Connection() { close(); }

Connection::Connection(Connection&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)),
      path_(std::move(other.path_)),
      openError_(std::move(other.openError_)),
      openErrorNumber_(std::exchange(other.openErrorNumber_, 0)),
      decimal_(other.decimal_),
      busyTimeout_(other.busyTimeout_),
      depth_(std::exchange(other.depth_, 0)),
      savepointBase_(std::exchange(other.savepointBase_, false)) {}

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this != &other) {
        close();
        db_ = std::exchange(other.db_, nullptr);
        path_ = std::move(other.path_);
        openError_ = std::move(other.openError_);
        openErrorNumber_ = std::exchange(other.openErrorNumber_, 0);
        decimal_ = other.decimal_;
        busyTimeout_ = other.busyTimeout_;
        depth_ = std::exchange(other.depth_, 0);
        savepointBase_ = std::exchange(other.savepointBase_, false);
    }
    return *this;
}

void Connection::open(const QString& path) {
    close();
    path_ = path;
    sqlite3* db = nullptr;
    try {
        if (path.isEmpty() || !QFileInfo::exists(path))
            throw fileNotFound(path);
        // Without SQLITE_OPEN_CREATE: a path that vanishes between the check
        // and the open still creates nothing.
        openFile(path, SQLITE_OPEN_READWRITE, &db);
        sqlite3_busy_timeout(db, busyTimeout_);
        registerFunctions(db);
        // SQLite reads nothing until asked: the first read is what finds out
        // that the file is not a database.
        runAll(db, QByteArrayLiteral("SELECT count(*) FROM sqlite_master;"
                                     "PRAGMA journal_mode=DELETE;"
                                     "PRAGMA synchronous=FULL;"));
    } catch (const AppError& e) {
        sqlite3_close_v2(db);
        openError_ = e.description();
        openErrorNumber_ = e.number();
        throw;
    }
    db_ = db;
}

void Connection::close() noexcept {
    if (db_) {
        // _v2: statements a recordset still holds keep the handle alive until finalized.
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    openError_.clear();
    openErrorNumber_ = 0;
    depth_ = 0;
    savepointBase_ = false;
}

QChar Connection::decimalMark() const { return decimal_.isNull() ? regionalDecimal() : decimal_; }

void Connection::setBusyTimeout(int milliseconds) {
    busyTimeout_ = milliseconds;
    if (db_)
        sqlite3_busy_timeout(db_, milliseconds);
}

sqlite3* Connection::handle() const {
    if (db_)
        return db_;
    if (openErrorNumber_ != 0)
        throw AppError(openErrorNumber_, openError_);
    throw AppError(err::Database, QStringLiteral("The connection is not open."));
}

void Connection::raise(const QString& context) const { fail(handle(), context); }

int64_t Connection::execute(const QString& sql) { return runAll(handle(), sql.toUtf8()); }

int64_t Connection::execute(const QString& sql, const QVariantList& params) {
    sqlite3* db = handle();
    Statement stmt = prepareOne(db, sql);
    if (!stmt)
        return 0;
    bindAll(db, stmt.get(), params);
    stepToEnd(db, stmt.get());
    return sqlite3_changes64(db);
}

QVariant Connection::scalar(const QString& sql, const QVariantList& params) {
    sqlite3* db = handle();
    Statement stmt = prepareOne(db, sql);
    if (!stmt)
        return {};
    bindAll(db, stmt.get(), params);
    const int rc = sqlite3_step(stmt.get());
    if (rc == SQLITE_ROW)
        return sqlite3_column_count(stmt.get()) > 0 ? columnValue(stmt.get(), 0) : QVariant();
    if (rc != SQLITE_DONE)
        fail(db);
    return {};
}

void Connection::beginTransaction() {
    sqlite3* db = handle();
    if (depth_ == 0) {
        savepointBase_ = sqlite3_get_autocommit(db) == 0;
        // IMMEDIATE: the write lock is taken (or refused) now, not half-way through.
        runAll(db, savepointBase_ ? QByteArrayLiteral("SAVEPOINT zv0") : QByteArrayLiteral("BEGIN IMMEDIATE"));
    } else {
        runAll(db, "SAVEPOINT zv" + QByteArray::number(depth_));
    }
    ++depth_;
}

void Connection::commit() {
    sqlite3* db = handle();
    if (depth_ == 0)
        throw AppError(err::InvalidCall, QStringLiteral("Commit without a transaction."));
    const int level = depth_ - 1;
    try {
        if (level == 0 && !savepointBase_)
            runAll(db, QByteArrayLiteral("COMMIT"));
        else
            runAll(db, "RELEASE zv" + QByteArray::number(level));
    } catch (...) {
        // A level that cannot be committed is rolled back, so the caller is
        // left at the level outside it either way.
        rollback();
        throw;
    }
    --depth_;
}

void Connection::rollback() noexcept {
    if (!db_ || depth_ == 0)
        return;
    const int level = --depth_;
    if (sqlite3_get_autocommit(db_))
        return;  // SQLite already rolled the whole transaction back (disk full, I/O error)
    if (level == 0 && !savepointBase_) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    } else {
        const QByteArray name = "zv" + QByteArray::number(level);
        sqlite3_exec(db_, ("ROLLBACK TO " + name + "; RELEASE " + name).constData(), nullptr, nullptr, nullptr);
    }
}

// ---------------------------------------------------------------------------
// Transaction

Transaction::Transaction(Connection& cn) : cn_(cn) { cn_.beginTransaction(); }

Transaction::~Transaction() {
    if (!done_)
        cn_.rollback();
}

void Transaction::commit() {
    if (done_)
        return;
    done_ = true;  // a failed commit has rolled its level back already
    cn_.commit();
}

}  // namespace zv
