#pragma once
// One open database file, with transactions that nest.
#include <QChar>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace zv {

namespace sqlite {
class CachedStatement;
struct StatementCache;
class WriteListener;
}  // namespace sqlite

// Doubles every single quote, so a record's text can stand between quotes in SQL.
QString sqlQuote(const QString& text);
// The text between single quotes, quotes doubled: 'D''Amico'.
QString sqlString(const QString& text);

// Every connection works in rollback-journal mode with synchronous=EXTRA: a
// committed write survives a power cut (the folder is synced once the journal
// is deleted). One thread uses a connection at a time.
class Connection {
public:
    Connection() = default;
    // Opens an existing database file; never creates one. A missing file or a
    // file that is not a database fails here (AppError, err::Database or
    // err::FileNotFound). After a failed open the object stays valid and every
    // use fails with an error. The open reads the file's header alone; its
    // schema is read, and the journal and sync modes set, at the first use.
    explicit Connection(const QString& path);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    Connection(Connection&& other) noexcept;
    Connection& operator=(Connection&& other) noexcept;

    void open(const QString& path);
    void close() noexcept;
    bool isOpen() const noexcept { return db_ != nullptr; }
    const QString& path() const noexcept { return path_; }

    // The decimal mark with which text written into a numeric column is read.
    // Defaults to the regional one.
    void setDecimalMark(QChar mark) { decimal_ = mark; }
    QChar decimalMark() const;

    // How long a statement waits for another connection's lock before it
    // fails with "database is locked" (2000 ms unless set).
    void setBusyTimeout(int milliseconds);

    // Runs SQL text (one or more statements); returns the rows changed by the last.
    int64_t execute(const QString& sql);
    // Runs one statement with bound parameters (?1, ?2 ...).
    int64_t execute(const QString& sql, const QVariantList& params);
    // The first column of the first row, or an invalid QVariant when there is none.
    QVariant scalar(const QString& sql, const QVariantList& params = {});

    // Transactions. Nested calls use savepoints, so a Recordset::update inside
    // an outer transaction commits with it.
    void beginTransaction();
    void commit();
    void rollback() noexcept;
    bool inTransaction() const noexcept { return depth_ > 0; }

    sqlite3* handle() const;  // fails when not open

    // The one statement of `sql` from this connection's cache, prepared at its
    // first use and kept for the next (sqlite::CachedStatement); empty for
    // text that holds no statement. A second statement in the text is refused.
    // SQL text run without parameters by execute() empties the cache, as it is
    // where tables are made or changed.
    sqlite::CachedStatement prepared(const QString& sql) const;
    // The same, or an empty statement when SQLite refuses the text.
    sqlite::CachedStatement tryPrepared(const QString& sql) const;

    // `listener` is told before a statement that writes runs through this
    // connection (execute or scalar), until the returned token goes or the
    // connection closes.
    [[nodiscard]] std::shared_ptr<void> listenForWrites(sqlite::WriteListener* listener) const;

    [[noreturn]] void raise(const QString& context = {}) const;  // AppError from sqlite's last error

private:
    void configure() const;
    void announceWrite(sqlite3_stmt* stmt) const;

    sqlite3* db_ = nullptr;
    std::shared_ptr<sqlite::StatementCache> cache_;
    mutable bool configured_ = false;
    QString path_;
    QString openError_;
    int32_t openErrorNumber_ = 0;
    QChar decimal_;
    int busyTimeout_ = 2000;
    int depth_ = 0;
    // The outermost level is a savepoint too when SQL text began a transaction
    // of its own before beginTransaction was called.
    bool savepointBase_ = false;
};

// Another database file attached to a connection under `schema` for as long
// as this object lives, in the journal and sync modes of every connection, so
// what a transaction writes into it is as durable as what it writes into the
// main file. Detached however the scope ends; a failed attach leaves nothing
// attached.
class Attachment {
public:
    Attachment(Connection& cn, const QString& path, const QString& schema);
    ~Attachment();
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

private:
    void detach() noexcept;

    Connection& cn_;
    QString schema_;
};

// RAII transaction: rolls back unless committed.
class Transaction {
public:
    explicit Transaction(Connection& cn);
    ~Transaction();
    void commit();

private:
    Connection& cn_;
    bool done_ = false;
};

}  // namespace zv
