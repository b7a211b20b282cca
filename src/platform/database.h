#pragma once
// Connection and Recordset over SQLite, shaped like the recordset model the
// windows were written against: static cursor, 1-based positions, BOF/EOF,
// fields by name without regard to case, AddNew / set fields / Update.
#include <QChar>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

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

// Tells recordsets how rows of a view are keyed: by `keyColumn`, the key of a
// row added through the view read back from `keyTable`.
void registerKeyedView(const QString& view, const QString& keyColumn, const QString& keyTable);

class Recordset {
public:
    Recordset();  // closed; defined where Impl is complete
    // Opens `source`: a table or view name, or SQL text. "select * from NAME ..."
    // and a bare NAME are updatable (rows are addressed by their key: ID1 for the
    // results view, rowid for tables); any other SQL is read-only.
    Recordset(Connection& cn, const QString& source);
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;

    void open(Connection& cn, const QString& source);
    // A read-only selection with bound parameters (?1, ?2 ...), so a record's
    // text never becomes part of the SQL.
    void openQuery(Connection& cn, const QString& sql, const QVariantList& params);
    void close() noexcept;
    bool isOpen() const noexcept;

    int64_t recordCount() const;
    // 1-based; setting a position outside 1..recordCount fails with err::InvalidCall.
    int64_t absolutePosition() const;  // 0 when at BOF or EOF
    void setAbsolutePosition(int64_t position);
    bool bof() const;
    bool eof() const;
    void moveFirst();
    void moveLast();
    void moveNext();      // past the last row -> EOF; at EOF fails with err::NoCurrentRecord
    void movePrevious();  // before the first -> BOF; at BOF fails with err::NoCurrentRecord
    void requery();

    int fieldCount() const;
    QString fieldName(int index) const;
    bool hasField(const QString& name) const;
    // Field of the current row by name, letter case ignored. Unknown name fails
    // with err::ItemNotFound (3265); no current row fails with err::NoCurrentRecord.
    // NULL reads as QVariant() (isNull()). A row that another connection deleted
    // after the open reads as all NULL, like a row with nothing in it.
    QVariant field(const QString& name) const;
    // NULL reads as ""; a number reads in the regional format (numberText).
    QString text(const QString& name) const;

    // Editing: set fields, then update() writes the row in one commit.
    // Text set into a numeric column is converted with the connection's decimal
    // mark first; text that is not a number fails here with err::TypeMismatch.
    // Empty text into a numeric column stores NULL.
    void addNew();
    void setField(const QString& name, const QVariant& value);
    void update();
    void cancelUpdate() noexcept;
    bool editing() const noexcept;
    bool isNewRow() const noexcept;

    // The current row's key (ID1 / rowid), for statements the caller builds.
    int64_t currentKey() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// Compacts the database at `path` by VACUUM INTO a scratch file `scratch`
// beside it, fsyncs it and renames it over the original (folder fsynced), so
// there is never a moment when the scratch file holds the only copy.
// Refuses (err::PathFileAccess) when `scratch` already exists.
void compactDatabase(const QString& path, const QString& scratch);

// Copies an open-able database file to `target` through SQLite's backup API:
// written beside the target, fsynced, renamed over it. A missing target is created.
void backupDatabase(const QString& source, const QString& target);

// Makes a new database file at `path` from SQL text (used only by the set-up
// of a program folder and by tests). Fails when `path` exists.
void createDatabaseFromSql(const QString& path, const QString& sqlText);

}  // namespace zv
