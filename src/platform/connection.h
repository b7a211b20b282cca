#pragma once
// One open database file, with transactions that nest.
#include <QChar>
#include <QString>
#include <QVariant>

#include <cstdint>

struct sqlite3;

namespace zv {

// Doubles every single quote, so a record's text can stand between quotes in SQL.
QString sqlQuote(const QString& text);
// The text between single quotes, quotes doubled: 'D''Amico'.
QString sqlString(const QString& text);

class Connection {
public:
    Connection() = default;
    // Opens an existing database file; never creates one. A missing file or a
    // file that is not a database fails here (AppError, err::Database or
    // err::FileNotFound). After a failed open the object stays valid and every
    // use fails with an error.
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

    [[noreturn]] void raise(const QString& context = {}) const;  // AppError from sqlite's last error

private:
    sqlite3* db_ = nullptr;
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
