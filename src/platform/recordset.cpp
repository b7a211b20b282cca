#include "platform/recordset.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/sqlite_util.h"

namespace zv {

using namespace sqlite;

namespace {

// A kept statement must not hold its read lock once its row has been read:
// a pending read would block every writer, this connection's COMMIT included.
struct ResetOnExit {
    sqlite3_stmt* stmt;
    ~ResetOnExit() { sqlite3_reset(stmt); }
};

QString quoteIdentifier(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

// How text set into a column is read: as a whole number, as a decimal
// number, or left as it is.
enum class NumberKind { None, Whole, Decimal };

NumberKind numberKindOf(const char* declared) {
    if (!declared)
        return NumberKind::None;
    const QByteArray type = QByteArray(declared).toUpper();
    if (type.contains("INT"))
        return NumberKind::Whole;
    if (type.contains("CHAR") || type.contains("CLOB") || type.contains("TEXT"))
        return NumberKind::None;
    if (type.contains("REAL") || type.contains("FLOA") || type.contains("DOUB") || type.contains("NUM") ||
        type.contains("DEC"))
        return NumberKind::Decimal;
    return NumberKind::None;
}

int64_t wholeNumber(const QString& text, QChar decimal) {
    bool ok = false;
    const qlonglong exact = text.toLongLong(&ok);
    if (ok)
        return exact;
    const double rounded = roundHalfEven(toDouble(text, decimal), 0);
    if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0))
        throw AppError(err::Overflow, QStringLiteral("Overflow"));
    return static_cast<int64_t>(rounded);
}

struct SourceShape {
    bool keyed = false;  // a bare name or "select * from NAME [where ...] [order by ...]"
    bool bare = false;
    QString nameSql;  // the name as written
    QString name;     // unquoted
    QString rest;     // the where / order by text
};

QString unquoted(const QString& name) {
    if (name.size() >= 2) {
        const QChar first = name.front();
        const QChar last = name.back();
        if (first == QLatin1Char('[') && last == QLatin1Char(']'))
            return name.mid(1, name.size() - 2);
        if ((first == QLatin1Char('"') && last == QLatin1Char('"')) ||
            (first == QLatin1Char('`') && last == QLatin1Char('`')))
            return name.mid(1, name.size() - 2).replace(QString(2, first), QString(first));
    }
    return name;
}

SourceShape shapeOf(const QString& source) {
    static const QString name = QStringLiteral(R"((\[[^\]]+\]|"(?:[^"]|"")+"|`(?:[^`]|``)+`|[\p{L}_][\p{L}\p{N}_$]*))");
    static const QRegularExpression bare(QStringLiteral(R"(^\s*)") + name + QStringLiteral(R"(\s*;?\s*$)"),
                                         QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression select(QStringLiteral(R"(^\s*select\s+\*\s*from\s+)") + name +
                                               QStringLiteral(R"((?:\s+((?:where|order\s+by)\b.*?))?\s*;?\s*$)"),
                                           QRegularExpression::CaseInsensitiveOption |
                                               QRegularExpression::DotMatchesEverythingOption |
                                               QRegularExpression::UseUnicodePropertiesOption);
    SourceShape shape;
    QRegularExpressionMatch m = bare.match(source);
    shape.bare = m.hasMatch();
    if (!shape.bare)
        m = select.match(source);
    if (m.hasMatch()) {
        shape.keyed = true;
        shape.nameSql = m.captured(1);
        shape.name = unquoted(shape.nameSql);
        shape.rest = m.captured(2);
    }
    return shape;
}

struct KeyedView {
    QString keyColumn;
    QString keyTable;
};

// By case-folded view name. Filled as the program starts, read by every open.
QHash<QString, KeyedView>& keyedViews() {
    static QHash<QString, KeyedView> views;
    return views;
}

}  // namespace

struct Recordset::Impl {
    enum class Edit { None, Existing, New };

    Connection* cn = nullptr;
    bool keyed = false;  // rows addressed by key and fetched on demand; updatable
    QString keyTable;    // a registered view's: where an added row's key is read back
    QString nameSql;
    QString keyColumn;
    QString keyQuery;
    QString source;       // as opened, for messages
    QVariantList params;  // bound into the key query or the selection at open and at every requery
    QString fetchSql;

    QStringList names;
    std::vector<NumberKind> kinds;
    QHash<QString, int> index;  // case-folded name -> column

    std::vector<int64_t> keys;                // keyed sets
    std::vector<std::vector<QVariant>> rows;  // read-only sets, read whole on open

    int64_t pos = 0;  // 1..count; 0 is BOF, count + 1 is EOF

    Edit edit = Edit::None;
    int64_t posBeforeNew = 0;
    std::map<int, QVariant> pending;

    // The current row of a keyed set, kept until a move or a write through
    // this connection (total_changes) may have made it stale.
    mutable Statement fetch;
    mutable sqlite3* fetchDb = nullptr;
    mutable bool cached = false;
    mutable int64_t cachedKey = 0;
    mutable int64_t cachedChanges = 0;
    mutable std::vector<QVariant> cachedRow;

    int64_t count() const { return keyed ? static_cast<int64_t>(keys.size()) : static_cast<int64_t>(rows.size()); }
    bool atBof() const { return edit != Edit::New && (count() == 0 || pos < 1); }
    bool atEof() const { return edit != Edit::New && (count() == 0 || pos > count()); }

    void setColumns(sqlite3_stmt* stmt) {
        names.clear();
        kinds.clear();
        index.clear();
        const int n = sqlite3_column_count(stmt);
        for (int i = 0; i < n; ++i) {
            names << QString::fromUtf8(sqlite3_column_name(stmt, i));
            kinds.push_back(numberKindOf(sqlite3_column_decltype(stmt, i)));
        }
        // The first of two equal names wins, as a lookup by name finds it.
        for (int i = n - 1; i >= 0; --i)
            index.insert(names[i].toCaseFolded(), i);
    }

    int column(const QString& name) const {
        const auto it = index.constFind(name.toCaseFolded());
        if (it == index.constEnd())
            throw AppError(err::ItemNotFound,
                           QStringLiteral("Item cannot be found in the collection corresponding to the "
                                          "requested name or ordinal."));
        return it.value();
    }

    // False when the source cannot be addressed by key (a view not registered, a table
    // without rowid, SQL the key query cannot be built from): then it is read whole.
    bool openKeyed(sqlite3* db, const SourceShape& shape) {
        const auto view = keyedViews().constFind(shape.name.toCaseFolded());
        keyColumn = QStringLiteral("rowid");
        if (view != keyedViews().constEnd()) {
            keyColumn = view->keyColumn;
            keyTable = view->keyTable;
        } else {
            Statement type = prepareOne(db, QStringLiteral("SELECT type FROM sqlite_master WHERE name = ?1 "
                                                           "COLLATE NOCASE AND type IN ('table','view')"));
            bindValue(db, type.get(), 1, shape.name);
            const int rc = sqlite3_step(type.get());
            if (rc == SQLITE_ROW && QString::fromUtf8(reinterpret_cast<const char*>(
                                        sqlite3_column_text(type.get(), 0))) == QLatin1String("view"))
                return false;
            if (rc != SQLITE_ROW && rc != SQLITE_DONE)
                fail(db);
            Statement pk = prepareOne(db, QStringLiteral("SELECT name, upper(type) FROM pragma_table_info(?1) "
                                                         "WHERE pk > 0"));
            bindValue(db, pk.get(), 1, shape.name);
            QStringList pkNames, pkTypes;
            int step;
            while ((step = sqlite3_step(pk.get())) == SQLITE_ROW) {
                pkNames << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(pk.get(), 0)));
                pkTypes << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(pk.get(), 1)));
            }
            if (step != SQLITE_DONE)
                fail(db);
            if (pkNames.size() == 1 && pkNames[0].compare(QLatin1String("ID1"), Qt::CaseInsensitive) == 0 &&
                pkTypes[0] == QLatin1String("INTEGER"))
                keyColumn = QStringLiteral("ID1");
        }
        nameSql = shape.nameSql;
        keyQuery = QStringLiteral("SELECT %1 FROM %2").arg(keyColumn, nameSql);
        if (!shape.rest.isEmpty())
            keyQuery += QLatin1Char(' ') + shape.rest;
        fetchSql = QStringLiteral("SELECT * FROM %1 WHERE %2 = ?1").arg(nameSql, keyColumn);
        Statement probe = tryPrepare(db, keyQuery);
        Statement rowStmt = tryPrepare(db, fetchSql);
        if (!probe || !rowStmt)
            return false;
        keyed = true;
        setColumns(rowStmt.get());
        fetch = std::move(rowStmt);
        fetchDb = db;
        bindParams(db, probe.get());
        loadKeys(db, probe.get());
        return true;
    }

    // Every parameter the SQL takes, and no other: one left out would read as
    // NULL and quietly select nothing.
    void bindParams(sqlite3* db, sqlite3_stmt* stmt) const {
        const int taken = sqlite3_bind_parameter_count(stmt);
        if (taken != params.size())
            throw AppError(err::InvalidCall, QStringLiteral("The SQL takes %1 parameters but %2 were given: %3")
                                                 .arg(QString::number(taken), QString::number(params.size()), source));
        bindAll(db, stmt, params);
    }

    void loadKeys(sqlite3* db, sqlite3_stmt* stmt) {
        std::vector<int64_t> fresh;
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            fresh.push_back(sqlite3_column_int64(stmt, 0));
        if (rc != SQLITE_DONE)
            fail(db);
        keys = std::move(fresh);
    }

    void openWhole(sqlite3* db, const QString& sql) {
        Statement stmt = prepareOne(db, sql);
        if (!stmt)
            throw AppError(err::InvalidCall, QStringLiteral("The record source holds no SQL statement."));
        setColumns(stmt.get());
        keyQuery = sql;
        bindParams(db, stmt.get());
        loadRows(db, stmt.get());
    }

    void loadRows(sqlite3* db, sqlite3_stmt* stmt) {
        std::vector<std::vector<QVariant>> fresh;
        const int n = static_cast<int>(names.size());
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            std::vector<QVariant> row;
            row.reserve(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i)
                row.push_back(columnValue(stmt, i));
            fresh.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE)
            fail(db);
        rows = std::move(fresh);
    }

    void discard() {
        if (edit == Edit::New)
            pos = posBeforeNew;
        edit = Edit::None;
        pending.clear();
    }

    [[noreturn]] static void noCurrentRecord() {
        throw AppError(err::NoCurrentRecord, QStringLiteral("No current record: either BOF or EOF is True. "
                                                            "The requested operation requires a current record."));
    }

    void requireCurrent() const {
        if (atBof() || atEof())
            noCurrentRecord();
    }

    void requireUpdatable() const {
        if (!keyed)
            throw AppError(err::InvalidCall, QStringLiteral("The recordset is read-only."));
    }

    // The row at the current position. A keyed row that another connection
    // deleted after the open reads as all NULL rather than failing: lists are
    // walked field by field and a vanished row must not stop the walk.
    const std::vector<QVariant>& currentRow() const {
        if (!keyed)
            return rows[static_cast<std::size_t>(pos - 1)];
        const int64_t key = keys[static_cast<std::size_t>(pos - 1)];
        sqlite3* db = cn->handle();
        const int64_t changes = sqlite3_total_changes64(db);
        if (cached && cachedKey == key && cachedChanges == changes && fetchDb == db)
            return cachedRow;
        if (!fetch || fetchDb != db) {
            // The connection was reopened since the open.
            fetch = Statement();
            fetch = prepareOne(db, fetchSql);
            fetchDb = db;
        }
        cached = false;
        sqlite3_stmt* stmt = fetch.get();
        ResetOnExit reset{stmt};
        if (sqlite3_bind_int64(stmt, 1, key) != SQLITE_OK)
            fail(db);
        const int rc = sqlite3_step(stmt);
        const int n = static_cast<int>(names.size());
        cachedRow.assign(static_cast<std::size_t>(n), QVariant());
        if (rc == SQLITE_ROW) {
            const int available = std::min(n, sqlite3_column_count(stmt));
            for (int i = 0; i < available; ++i)
                cachedRow[static_cast<std::size_t>(i)] = columnValue(stmt, i);
        } else if (rc != SQLITE_DONE) {
            fail(db);
        }
        cached = true;
        cachedKey = key;
        cachedChanges = changes;
        return cachedRow;
    }

    QVariant converted(int column, const QVariant& value) const {
        const NumberKind kind = kinds[static_cast<std::size_t>(column)];
        if (kind == NumberKind::None)
            return value;
        const int type = value.typeId();
        if (kind == NumberKind::Whole && (type == QMetaType::Double || type == QMetaType::Float)) {
            const double rounded = roundHalfEven(value.toDouble(), 0);
            if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0))
                throw AppError(err::Overflow, QStringLiteral("Overflow"));
            return QVariant(static_cast<qlonglong>(rounded));
        }
        if (type != QMetaType::QString && type != QMetaType::QChar)
            return value;
        const QString text = value.toString().trimmed();
        if (text.isEmpty())
            return {};
        try {
            const QChar mark = cn->decimalMark();
            if (kind == NumberKind::Whole)
                return QVariant(static_cast<qlonglong>(wholeNumber(text, mark)));
            return QVariant(toDouble(text, mark));
        } catch (const AppError& e) {
            throw AppError(e.number(), QStringLiteral("%1: \"%2\" is not a number for the field %3")
                                           .arg(e.description(), text, names[column]));
        }
    }

    void write() {
        QStringList columns;
        QVariantList values;
        for (const auto& [column, value] : pending) {
            columns << quoteIdentifier(names[column]);
            values << value;
        }
        if (edit == Edit::New) {
            QString sql;
            if (columns.isEmpty()) {
                sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(nameSql);
            } else {
                QStringList marks;
                for (int i = 1; i <= columns.size(); ++i)
                    marks << QStringLiteral("?%1").arg(i);
                sql = QStringLiteral("INSERT INTO ") + nameSql + QStringLiteral(" (") + columns.join(QLatin1Char(',')) +
                      QStringLiteral(") VALUES (") + marks.join(QLatin1Char(',')) + QLatin1Char(')');
            }
            cn->execute(sql, values);
        } else {
            const int64_t key = keys[static_cast<std::size_t>(pos - 1)];
            // An update of a view's row counts no changes, so whether the row is
            // still there is asked first.
            if (!cn->scalar(QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?1").arg(nameSql, keyColumn),
                            {QVariant(static_cast<qlonglong>(key))})
                     .isValid())
                throw AppError(err::NoCurrentRecord,
                               QStringLiteral("The row to be updated has been deleted by another user."));
            // Built by concatenation: column names such as "neu%" must not meet QString::arg.
            QStringList sets;
            for (int i = 0; i < columns.size(); ++i)
                sets << columns[i] + QStringLiteral(" = ?") + QString::number(i + 1);
            values << QVariant(static_cast<qlonglong>(key));
            cn->execute(QStringLiteral("UPDATE ") + nameSql + QStringLiteral(" SET ") + sets.join(QLatin1Char(',')) +
                            QStringLiteral(" WHERE ") + keyColumn + QStringLiteral(" = ?") +
                            QString::number(values.size()),
                        values);
        }
    }

    // The key of the row just inserted. A view's INSTEAD OF trigger makes
    // last_insert_rowid() revert to its value before the insert, so a
    // registered view's key is read back from its key table inside the same
    // transaction.
    int64_t insertedKey() {
        if (!keyTable.isEmpty())
            return cn->scalar(QStringLiteral("SELECT max(%1) FROM %2").arg(keyColumn, keyTable)).toLongLong();
        return sqlite3_last_insert_rowid(cn->handle());
    }
};

void registerKeyedView(const QString& view, const QString& keyColumn, const QString& keyTable) {
    keyedViews().insert(view.toCaseFolded(), KeyedView{keyColumn, keyTable});
}

Recordset::Recordset(Connection& cn, const QString& source) { open(cn, source); }

Recordset::Recordset(Connection& cn, const QString& source, const QVariantList& params) { open(cn, source, params); }

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

namespace {
template <class Ptr>
auto& openOrFail(const Ptr& d) {
    if (!d)
        throw AppError(err::InvalidCall, QStringLiteral("Operation is not allowed when the object is closed."));
    return *d;
}
}  // namespace

void Recordset::open(Connection& cn, const QString& source) { open(cn, source, {}); }

void Recordset::open(Connection& cn, const QString& source, const QVariantList& params) {
    close();
    auto d = std::make_unique<Impl>();
    d->cn = &cn;
    d->source = source;
    d->params = params;
    sqlite3* db = cn.handle();
    const SourceShape shape = shapeOf(source);
    if (!shape.keyed || !d->openKeyed(db, shape)) {
        d->openWhole(db, shape.bare ? QStringLiteral("SELECT * FROM ") + shape.nameSql : source);
    }
    d->pos = d->count() > 0 ? 1 : 0;
    d_ = std::move(d);
}

void Recordset::openQuery(Connection& cn, const QString& sql, const QVariantList& params) { open(cn, sql, params); }

void Recordset::close() noexcept { d_.reset(); }

bool Recordset::isOpen() const noexcept { return d_ != nullptr; }

int64_t Recordset::recordCount() const { return openOrFail(d_).count(); }

int64_t Recordset::absolutePosition() const {
    const Impl& d = openOrFail(d_);
    if (d.edit == Impl::Edit::New)
        return d.count() + 1;  // where the row will be once updated
    return d.atBof() || d.atEof() ? 0 : d.pos;
}

void Recordset::setAbsolutePosition(int64_t position) {
    Impl& d = openOrFail(d_);
    d.discard();
    if (position < 1 || position > d.count())
        throw AppError(err::InvalidCall,
                       QStringLiteral("Position %1 is outside the records 1 to %2.").arg(position).arg(d.count()));
    d.pos = position;
}

bool Recordset::bof() const { return openOrFail(d_).atBof(); }

bool Recordset::eof() const { return openOrFail(d_).atEof(); }

void Recordset::moveFirst() {
    Impl& d = openOrFail(d_);
    d.discard();
    d.pos = d.count() > 0 ? 1 : 0;
}

void Recordset::moveLast() {
    Impl& d = openOrFail(d_);
    d.discard();
    d.pos = d.count();
}

void Recordset::moveNext() {
    Impl& d = openOrFail(d_);
    d.discard();
    if (d.atEof())
        Impl::noCurrentRecord();
    ++d.pos;
}

void Recordset::movePrevious() {
    Impl& d = openOrFail(d_);
    d.discard();
    if (d.atBof())
        Impl::noCurrentRecord();
    --d.pos;
}

void Recordset::requery() {
    Impl& d = openOrFail(d_);
    d.discard();
    sqlite3* db = d.cn->handle();
    Statement stmt = prepareOne(db, d.keyQuery);
    d.bindParams(db, stmt.get());
    if (d.keyed)
        d.loadKeys(db, stmt.get());
    else
        d.loadRows(db, stmt.get());
    d.cached = false;
    d.pos = d.count() > 0 ? 1 : 0;
}

int Recordset::fieldCount() const { return static_cast<int>(openOrFail(d_).names.size()); }

QString Recordset::fieldName(int index) const {
    const Impl& d = openOrFail(d_);
    if (index < 0 || index >= d.names.size())
        throw AppError(err::ItemNotFound,
                       QStringLiteral("Item cannot be found in the collection corresponding to the requested "
                                      "name or ordinal."));
    return d.names[index];
}

bool Recordset::hasField(const QString& name) const { return openOrFail(d_).index.contains(name.toCaseFolded()); }

QVariant Recordset::field(const QString& name) const {
    const Impl& d = openOrFail(d_);
    const int column = d.column(name);
    if (d.edit != Impl::Edit::None) {
        const auto it = d.pending.find(column);
        if (it != d.pending.end())
            return it->second;
        if (d.edit == Impl::Edit::New)
            return {};
    }
    d.requireCurrent();
    return d.currentRow()[static_cast<std::size_t>(column)];
}

QString Recordset::text(const QString& name) const {
    const QVariant value = field(name);
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: return numberText(value.toDouble());
    case QMetaType::QByteArray: return QString::fromUtf8(value.toByteArray());
    default: return value.toString();
    }
}

void Recordset::addNew() {
    Impl& d = openOrFail(d_);
    d.requireUpdatable();
    d.discard();
    d.posBeforeNew = d.pos;
    d.edit = Impl::Edit::New;
}

void Recordset::setField(const QString& name, const QVariant& value) {
    Impl& d = openOrFail(d_);
    d.requireUpdatable();
    const int column = d.column(name);
    if (d.edit == Impl::Edit::None)
        d.requireCurrent();
    QVariant stored = d.converted(column, value);  // a refused value changes nothing
    if (d.edit == Impl::Edit::None)
        d.edit = Impl::Edit::Existing;
    d.pending[column] = std::move(stored);
}

void Recordset::update() {
    Impl& d = openOrFail(d_);
    if (d.edit == Impl::Edit::None)
        return;
    const bool isNew = d.edit == Impl::Edit::New;
    // Whatever happens below, the pending values are used up: a failed update
    // leaves neither a half-saved row nor values waiting to be saved later.
    struct Done {
        Impl& d;
        ~Done() { d.discard(); }
    } done{d};
    Connection& cn = *d.cn;
    cn.beginTransaction();
    int64_t key = 0;
    try {
        d.write();
        if (isNew)
            key = d.insertedKey();
    } catch (...) {
        cn.rollback();
        throw;
    }
    cn.commit();
    d.cached = false;
    if (isNew) {
        d.keys.push_back(key);
        d.edit = Impl::Edit::None;
        d.pending.clear();
        d.pos = d.count();
    }
}

void Recordset::cancelUpdate() noexcept {
    if (d_)
        d_->discard();
}

bool Recordset::editing() const noexcept { return d_ && d_->edit != Impl::Edit::None; }

bool Recordset::isNewRow() const noexcept { return d_ && d_->edit == Impl::Edit::New; }

int64_t Recordset::currentKey() const {
    const Impl& d = openOrFail(d_);
    if (!d.keyed)
        throw AppError(err::InvalidCall, QStringLiteral("A read-only recordset has no row keys."));
    if (d.edit == Impl::Edit::New)
        throw AppError(err::NoCurrentRecord, QStringLiteral("The new row has no key until it is updated."));
    d.requireCurrent();
    return d.keys[static_cast<std::size_t>(d.pos - 1)];
}

}  // namespace zv
