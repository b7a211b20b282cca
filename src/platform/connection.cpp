#include "platform/connection.h"

#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <utility>

#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/sqlfunctions.h"
#include "platform/sqlite_util.h"

namespace zv {

using namespace sqlite;

namespace {

// The journal and sync modes of every database file the program writes: a
// rollback journal, and EXTRA, so the folder is synced once the journal is
// deleted and a committed write survives a power cut. FULL does not sync the
// folder: after a cut the deleted journal can be back, and roll the commit
// back. Without a schema, for every file of the connection.
QByteArray durabilitySettings(const QString& schema = {}) {
    const QByteArray prefix = schema.isEmpty() ? QByteArray() : schema.toUtf8() + '.';
    return "PRAGMA " + prefix + "journal_mode=DELETE; PRAGMA " + prefix + "synchronous=EXTRA;";
}

}  // namespace

QString sqlQuote(const QString& text) { return QString(text).replace(QLatin1Char('\''), QStringLiteral("''")); }

QString sqlString(const QString& text) { return QLatin1Char('\'') + sqlQuote(text) + QLatin1Char('\''); }

// ---------------------------------------------------------------------------
// Connection

Connection::Connection(const QString& path) { open(path); }

Connection::~Connection() { close(); }

Connection::Connection(Connection&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)),
      cache_(std::move(other.cache_)),
      configured_(std::exchange(other.configured_, false)),
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
        cache_ = std::move(other.cache_);
        configured_ = std::exchange(other.configured_, false);
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
        // and the open still creates nothing. NOMUTEX: one thread uses a
        // connection, so every call need not take SQLite's lock.
        openFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, &db);
        sqlite3_busy_timeout(db, busyTimeout_);
        registerFunctions(db);
        countCommits(db);
        // SQLite reads nothing until asked: reading the header is what finds
        // out that the file is not a database, and it parses no schema.
        runAll(db, QByteArrayLiteral("PRAGMA user_version"));
    } catch (const AppError& e) {
        sqlite3_close_v2(db);
        openError_ = e.description();
        openErrorNumber_ = e.number();
        throw;
    }
    db_ = db;
    cache_ = std::make_shared<StatementCache>(db);
    configured_ = false;
}

// The journal and sync modes need the schema; they are set before the first
// statement, which would read the schema anyway.
void Connection::configure() const {
    runAll(db_, durabilitySettings());
    configured_ = true;
}

void Connection::close() noexcept {
    if (cache_) {
        cache_->clear();
        cache_->db = nullptr;
        cache_.reset();
    }
    if (db_) {
        // _v2: statements a recordset still holds keep the handle alive until finalized.
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    configured_ = false;
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
    if (db_) {
        if (!configured_)
            configure();
        return db_;
    }
    if (openErrorNumber_ != 0)
        throw AppError(openErrorNumber_, openError_);
    throw AppError(err::Database, QStringLiteral("The connection is not open."));
}

void Connection::raise(const QString& context) const { fail(handle(), context); }

CachedStatement Connection::prepared(const QString& sql) const {
    sqlite3* db = handle();
    if (auto it = cache_->idle.find(sql); it != cache_->idle.end()) {
        CachedStatement taken(cache_, sql, it->stmt, std::move(it->info));
        cache_->idle.erase(it);
        return taken;
    }
    Statement fresh = prepareOne(db, sql);
    if (!fresh)
        return {};
    return CachedStatement(cache_, sql, fresh.release(), nullptr);
}

CachedStatement Connection::tryPrepared(const QString& sql) const {
    handle();
    if (cache_->idle.contains(sql))
        return prepared(sql);
    Statement fresh = tryPrepare(db_, sql);
    if (!fresh)
        return {};
    return CachedStatement(cache_, sql, fresh.release(), nullptr);
}

std::shared_ptr<void> Connection::listenForWrites(WriteListener* listener) const {
    handle();
    cache_->listeners.push_back(listener);
    std::weak_ptr<StatementCache> registry = cache_;
    return std::shared_ptr<void>(static_cast<void*>(listener), [registry](void* gone) {
        if (const auto cache = registry.lock())
            std::erase(cache->listeners, static_cast<WriteListener*>(gone));
    });
}

void Connection::announceWrite(sqlite3_stmt* stmt) const {
    auto& listeners = cache_->listeners;
    if (listeners.empty() || sqlite3_stmt_readonly(stmt))
        return;
    const std::vector<WriteListener*> told = listeners;
    for (WriteListener* listener : told)
        if (std::find(listeners.begin(), listeners.end(), listener) != listeners.end())
            listener->beforeWrite();
}

int64_t Connection::execute(const QString& sql) {
    sqlite3* db = handle();
    // Text without parameters is where tables are made and changed: what the
    // cache holds may no longer match them, however the text ends.
    struct ClearOnExit {
        StatementCache& cache;
        ~ClearOnExit() { cache.clear(); }
    } clearOnExit{*cache_};
    return runAll(db, sql.toUtf8(), [this](sqlite3_stmt* stmt) { announceWrite(stmt); });
}

int64_t Connection::execute(const QString& sql, const QVariantList& params) {
    CachedStatement stmt = prepared(sql);
    if (!stmt)
        return 0;
    sqlite3* db = db_;
    announceWrite(stmt.get());
    bindAll(db, stmt.get(), params);
    stepToEnd(db, stmt.get());
    return sqlite3_changes64(db);
}

QVariant Connection::scalar(const QString& sql, const QVariantList& params) {
    CachedStatement stmt = prepared(sql);
    if (!stmt)
        return {};
    sqlite3* db = db_;
    announceWrite(stmt.get());
    bindAll(db, stmt.get(), params);
    const int rc = sqlite3_step(stmt.get());
    if (rc == SQLITE_ROW)
        return sqlite3_column_count(stmt.get()) > 0 ? columnValue(stmt.get(), 0) : QVariant();
    if (rc != SQLITE_DONE)
        fail(db);
    return {};
}

namespace {

void runCached(const Connection& cn, const QString& sql) {
    CachedStatement stmt = cn.prepared(sql);
    stepToEnd(cn.handle(), stmt.get());
}

}  // namespace

void Connection::beginTransaction() {
    sqlite3* db = handle();
    if (depth_ == 0) {
        savepointBase_ = sqlite3_get_autocommit(db) == 0;
        // IMMEDIATE: the write lock is taken (or refused) now, not half-way through.
        runCached(*this, savepointBase_ ? QStringLiteral("SAVEPOINT zv0") : QStringLiteral("BEGIN IMMEDIATE"));
    } else {
        runCached(*this, QStringLiteral("SAVEPOINT zv") + QString::number(depth_));
    }
    ++depth_;
}

void Connection::commit() {
    handle();
    if (depth_ == 0)
        throw AppError(err::InvalidCall, QStringLiteral("Commit without a transaction."));
    const int level = depth_ - 1;
    try {
        if (level == 0 && !savepointBase_)
            runCached(*this, QStringLiteral("COMMIT"));
        else
            runCached(*this, QStringLiteral("RELEASE zv") + QString::number(level));
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
// Attachment

Attachment::Attachment(Connection& cn, const QString& path, const QString& schema) : cn_(cn), schema_(schema) {
    cn_.execute(QStringLiteral("ATTACH DATABASE ?1 AS ") + schema_, {path});
    try {
        cn_.execute(QString::fromUtf8(durabilitySettings(schema_)));
    } catch (...) {
        detach();
        throw;
    }
}

Attachment::~Attachment() { detach(); }

void Attachment::detach() noexcept {
    try {
        cn_.execute(QStringLiteral("DETACH DATABASE ") + schema_);
    } catch (...) {
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
