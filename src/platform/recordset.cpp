#include "platform/recordset.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/sqlite_util.h"

namespace zv {

using namespace sqlite;

namespace {

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

// The columns of a source: names, how text set into them is read, and the
// lookup by case-folded name. Made once per statement and kept with it.
struct Columns {
    QStringList names;
    QStringList quoted;  // as SQL names them
    std::vector<NumberKind> kinds;
    QHash<QString, int> index;  // by case-folded name
    QHash<QString, int> exact;  // by the name as spelt, to the column the case-folded lookup finds
    // By the text after the source's name (its where and order by): the
    // columns the latest set over it has read, by column, so that the next
    // set's key scan reads them with the keys. A list opened again, or on
    // another day with the same SQL, reads those few columns of the rows it
    // finds in one pass instead of finding the rows again by key.
    mutable QHash<QString, std::vector<char>> walked;
};

// How many texts `walked` keeps before it starts again: searches with their
// text written into the SQL would otherwise add one each.
constexpr qsizetype kWalkedTexts = 64;

std::shared_ptr<const Columns> columnsOf(CachedStatement& stmt, int skip = 0) {
    if (stmt.info())
        return std::static_pointer_cast<const Columns>(stmt.info());
    auto columns = std::make_shared<Columns>();
    const int n = sqlite3_column_count(stmt.get());
    for (int i = skip; i < n; ++i) {
        columns->names << QString::fromUtf8(sqlite3_column_name(stmt.get(), i));
        columns->kinds.push_back(numberKindOf(sqlite3_column_decltype(stmt.get(), i)));
    }
    // The first of two equal names wins, as a lookup by name finds it.
    for (int i = static_cast<int>(columns->names.size()) - 1; i >= 0; --i)
        columns->index.insert(columns->names[i].toCaseFolded(), i);
    for (const QString& name : std::as_const(columns->names)) {
        columns->exact.insert(name, columns->index.value(name.toCaseFolded()));
        columns->quoted << quoteIdentifier(name);
    }
    stmt.info() = columns;
    return columns;
}

// A row as SQLite holds it, copied into a buffer; a field becomes a QVariant
// only when it is read. One block per row: a type byte per column copied,
// the offsets of the values (n + 1, native 32-bit), then the values.
namespace rowblock {

// Appends columns first .. first + n - 1 of the statement's current row to
// `out`: their sizes first, then the block at its right size.
void append(std::vector<char>& out, sqlite3_stmt* stmt, int first, int n) {
    struct Field {
        sqlite3_value* value;
        int type;
        const void* at;
        int size;
    };
    thread_local std::vector<Field> fields;
    fields.resize(static_cast<std::size_t>(n));
    std::size_t payload = 0;
    for (int i = 0; i < n; ++i) {
        sqlite3_value* value = sqlite3_column_value(stmt, first + i);
        Field& f = fields[static_cast<std::size_t>(i)];
        f.value = value;
        f.type = sqlite3_value_type(value);
        switch (f.type) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT: f.size = 8; break;
        case SQLITE_TEXT:
            f.at = sqlite3_value_text(value);
            f.size = sqlite3_value_bytes(value);
            break;
        case SQLITE_BLOB:
            f.at = sqlite3_value_blob(value);
            f.size = sqlite3_value_bytes(value);
            break;
        default: f.size = 0; break;
        }
        payload += static_cast<std::size_t>(f.size);
    }
    const std::size_t header = static_cast<std::size_t>(n) + 4 * (static_cast<std::size_t>(n) + 1);
    const std::size_t begin = out.size();
    out.resize(begin + header + payload);
    char* const base = out.data() + begin;
    char* const values = base + header;
    char* at = values;
    for (int i = 0; i < n; ++i) {
        const Field& f = fields[static_cast<std::size_t>(i)];
        base[i] = static_cast<char>(f.type);
        const auto offset = static_cast<uint32_t>(at - values);
        std::memcpy(base + n + 4 * std::size_t(i), &offset, sizeof offset);
        if (f.type == SQLITE_INTEGER) {
            const int64_t v = sqlite3_value_int64(f.value);
            std::memcpy(at, &v, sizeof v);
        } else if (f.type == SQLITE_FLOAT) {
            const double v = sqlite3_value_double(f.value);
            std::memcpy(at, &v, sizeof v);
        } else if (f.size > 0) {
            std::memcpy(at, f.at, static_cast<std::size_t>(f.size));
        }
        at += f.size;
    }
    const auto end = static_cast<uint32_t>(at - values);
    std::memcpy(base + n + 4 * std::size_t(n), &end, sizeof end);
}

// Field `slot` of a block of n fields.
QVariant value(const char* block, int n, int slot) {
    if (slot < 0 || slot >= n)
        return {};
    const auto offset = [&](int i) {
        uint32_t v;
        std::memcpy(&v, block + n + 4 * std::size_t(i), sizeof v);
        return v;
    };
    const uint32_t start = offset(slot);
    const qsizetype length = offset(slot + 1) - start;
    const char* at = block + n + 4 * (std::size_t(n) + 1) + start;
    switch (block[slot]) {
    case SQLITE_INTEGER: {
        int64_t v;
        std::memcpy(&v, at, sizeof v);
        return QVariant(static_cast<qlonglong>(v));
    }
    case SQLITE_FLOAT: {
        double v;
        std::memcpy(&v, at, sizeof v);
        return QVariant(v);
    }
    case SQLITE_TEXT: return QVariant(QString::fromUtf8(at, length));
    case SQLITE_BLOB: return QVariant(QByteArray(at, length));
    default: return {};
    }
}

}  // namespace rowblock

// One row of a statement, or all the columns of a row in a window; a row
// that is not there reads as every field NULL.
struct RowRef {
    const char* block = nullptr;  // null: not there
    int width = 0;
    const std::vector<int>* places = nullptr;  // by column, its place in the block (-1: not copied); null: in order

    bool has(int column) const { return !block || !places || (*places)[static_cast<std::size_t>(column)] >= 0; }
    QVariant value(int column) const {
        if (!block)
            return {};
        return rowblock::value(block, width, places ? (*places)[static_cast<std::size_t>(column)] : column);
    }
};

// A row copied out of a statement, kept on its own.
class StoredRow {
public:
    void read(sqlite3_stmt* stmt, int first, int n) {
        data_.clear();
        rowblock::append(data_, stmt, first, n);
        n_ = n;
    }
    void readNothing() {
        data_.clear();
        n_ = 0;
    }
    RowRef ref() const { return n_ > 0 ? RowRef{data_.data(), n_, nullptr} : RowRef{}; }

private:
    std::vector<char> data_;
    int n_ = 0;
};

// The rows of one window, in one buffer kept from window to window, and
// where each key's row starts in it.
struct Window {
    std::vector<char> data;
    std::unordered_map<int64_t, std::size_t> at;
    std::vector<int> places;  // by column; empty: every column, in order
    int width = 0;

    void clear() {
        data.clear();
        at.clear();
    }
    RowRef find(int64_t key) const {
        const auto it = at.find(key);
        if (it == at.end())
            return {};
        return RowRef{data.data() + it->second, width, places.empty() ? nullptr : &places};
    }
};

// The values set into a row before it is written, by column.
class Pending {
public:
    // `columns`: how many the row has, so the first value sizes it once.
    void set(int column, QVariant value, int columns) {
        const auto at = static_cast<std::size_t>(column);
        if (at >= isSet_.size()) {
            const std::size_t size = std::max(at + 1, static_cast<std::size_t>(columns));
            isSet_.resize(size, false);
            values_.resize(size);
        }
        if (!isSet_[at]) {
            isSet_[at] = true;
            ++count_;
        }
        values_[at] = std::move(value);
    }
    const QVariant* find(int column) const {
        const auto at = static_cast<std::size_t>(column);
        return at < isSet_.size() && isSet_[at] ? &values_[at] : nullptr;
    }
    void clear() {
        if (count_ == 0)
            return;
        for (std::size_t i = 0; i < isSet_.size(); ++i) {
            if (isSet_[i]) {
                isSet_[i] = false;
                values_[i] = QVariant();
            }
        }
        count_ = 0;
    }
    int size() const { return count_; }
    // f(column, value) for every value set, in column order.
    template <class F>
    void forEach(F f) const {
        for (std::size_t i = 0; i < isSet_.size(); ++i)
            if (isSet_[i])
                f(static_cast<int>(i), values_[i]);
    }

private:
    std::vector<bool> isSet_;
    std::vector<QVariant> values_;
    int count_ = 0;
};

// The rows of a keyed set are read in windows of keys from where they are
// reached, the first with the keys. A window is one statement over at most
// this many keys and holds about this many bytes of rows, so a walk costs
// one statement per window rather than one per row, and keeps little.
constexpr int kWindowKeys = 256;
constexpr std::size_t kWindowBytes = 2 * 1024 * 1024;
// The rows the first window reads before it knows how large they are.
constexpr int kProbeKeys = 16;
// What a row held costs beyond its block: its place in the lookup by key.
constexpr std::size_t kRowOverhead = 64;

// "?1,?2,...": a window's keys, written once rather than at every open.
const QString& windowPlaces() {
    static const QString places = [] {
        QString text = QStringLiteral("?1");
        for (int i = 2; i <= kWindowKeys; ++i)
            text += QStringLiteral(",?") + QString::number(i);
        return text;
    }();
    return places;
}

// Before a keyed set has read its keys, its position is its first row or
// the row it added last.
constexpr int64_t kAtAdded = -1;

}  // namespace

struct Recordset::Impl final : sqlite::WriteListener {
    enum class Edit { None, Existing, New };

    Connection* cn = nullptr;
    bool keyed = false;  // rows addressed by key and fetched on demand; updatable
    QString keyTable;    // a registered view's: where an added row's key is read back
    QString nameSql;
    QString keyColumn;
    QString keyQuery;     // the keys alone
    QString rest;         // the where / order by text of a keyed set, with a space before it
    QString source;       // as opened, for messages
    QVariantList params;  // bound into the key query or the selection at open and at every requery
    QString fetchSql;
    QString windowSql;   // the keys and whole rows of kWindowKeys keys; empty when SQLite refuses it
    QString windowFrom;  // its text from FROM on, for windows of fewer columns

    std::shared_ptr<const Columns> columns;

    // Keyed sets read their keys at the first use that needs them, so a set
    // opened to add a row reads none; a write through the connection before
    // that use makes them read first, so the set is still the one at the open.
    mutable bool keysLoaded = false;
    mutable std::vector<int64_t> keys;
    mutable std::vector<int64_t> addedEarly;  // rows added before the keys were read
    mutable std::shared_ptr<void> listening;
    bool writing = false;

    // The rows of the last window, kept while neither this connection nor
    // any other connection of the program has written since.
    mutable Window kept;
    mutable int64_t keptChanges = 0;
    mutable uint64_t keptCommits = 0;
    // The keys a window reads at most, sized by the rows of the last one
    // (none yet: not sized); the keys the next window reads, one after a write
    // and doubling from there, so a set edited row by row does not read
    // windows it drops; and the position the last window started at, to read
    // backwards when walked so.
    mutable int windowRows = 0;
    mutable int windowNext = kWindowKeys;
    mutable int64_t windowStart = -1;
    // The columns whose fields have been read, by column: once any has, a
    // window copies only those (a list reads a few of many), and a field
    // read first later reads its window again. The statement of those
    // columns is made again when more are read.
    mutable std::vector<char> columnsRead;
    mutable int readCount = 0;
    mutable QString narrowSql;
    mutable std::vector<int> narrowPlaces;
    mutable int narrowCount = 0;

    std::vector<StoredRow> rows;  // read-only sets, read whole on open

    mutable int64_t pos = 0;  // 1..count; 0 is BOF, count + 1 is EOF (before the keys are read: 0 or kAtAdded)

    Edit edit = Edit::None;
    mutable int64_t posBeforeNew = 0;
    Pending pending;

    // The current row of a keyed set, kept until a move or a write through
    // this connection (total_changes) may have made it stale.
    mutable RowRef current;
    mutable bool haveCurrent = false;
    mutable int64_t currentKeyValue = 0;
    mutable int64_t currentChanges = 0;
    mutable StoredRow fetched;

    // Another statement's write must not fail for this set: keys it cannot
    // read now are read at its first use, where the failure is its own.
    void beforeWrite() override {
        if (writing)
            return;
        try {
            ensureKeys();
        } catch (...) {
        }
    }

    int64_t count() const {
        if (!keyed)
            return static_cast<int64_t>(rows.size());
        ensureKeys();
        return static_cast<int64_t>(keys.size());
    }
    bool atBof() const { return edit != Edit::New && (count() == 0 || pos < 1); }
    bool atEof() const { return edit != Edit::New && (count() == 0 || pos > count()); }

    int column(const QString& name) const {
        if (const auto spelt = columns->exact.constFind(name); spelt != columns->exact.constEnd())
            return spelt.value();
        const auto it = columns->index.constFind(name.toCaseFolded());
        if (it == columns->index.constEnd())
            throw AppError(err::ItemNotFound,
                           QStringLiteral("Item cannot be found in the collection corresponding to the "
                                          "requested name or ordinal."));
        return it.value();
    }

    int columnCount() const { return static_cast<int>(columns->names.size()); }

    // False when the source cannot be addressed by key (a view not registered, a table
    // without rowid, SQL the key query cannot be built from): then it is read whole.
    bool openKeyed(const SourceShape& shape) {
        const auto view = keyedViews().constFind(shape.name.toCaseFolded());
        keyColumn = QStringLiteral("rowid");
        if (view != keyedViews().constEnd()) {
            keyColumn = view->keyColumn;
            keyTable = view->keyTable;
        } else {
            sqlite3* db = cn->handle();
            CachedStatement type =
                cn->prepared(QStringLiteral("SELECT type FROM sqlite_master WHERE name = ?1 "
                                            "COLLATE NOCASE AND type IN ('table','view')"));
            bindValue(db, type.get(), 1, shape.name);
            const int rc = sqlite3_step(type.get());
            if (rc == SQLITE_ROW && QString::fromUtf8(reinterpret_cast<const char*>(
                                        sqlite3_column_text(type.get(), 0))) == QLatin1String("view"))
                return false;
            if (rc != SQLITE_ROW && rc != SQLITE_DONE)
                fail(db);
            CachedStatement pk =
                cn->prepared(QStringLiteral("SELECT name, upper(type) FROM pragma_table_info(?1) "
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
        rest = shape.rest.isEmpty() ? QString() : QLatin1Char(' ') + shape.rest;
        keyQuery = QStringLiteral("SELECT ") + keyColumn + QStringLiteral(" FROM ") + nameSql + rest;
        fetchSql = QStringLiteral("SELECT * FROM ") + nameSql + QStringLiteral(" WHERE ") + keyColumn +
                   QStringLiteral(" = ?1");
        windowFrom = QStringLiteral(" FROM ") + nameSql + QStringLiteral(" WHERE ") + keyColumn +
                     QStringLiteral(" IN (") + windowPlaces() + QLatin1Char(')');
        windowSql = QStringLiteral("SELECT ") + keyColumn + QStringLiteral(", *") + windowFrom;
        CachedStatement probe = cn->tryPrepared(keyQuery);
        CachedStatement rowStmt = cn->tryPrepared(fetchSql);
        if (!probe || !rowStmt)
            return false;
        // A parameter count that does not match fails at the open, as the keys
        // are not read yet.
        checkParams(probe.get());
        if (!cn->tryPrepared(windowSql))
            windowSql.clear();
        keyed = true;
        columns = columnsOf(rowStmt);
        columnsRead.assign(static_cast<std::size_t>(columnCount()), 0);
        listening = cn->listenForWrites(this);
        return true;
    }

    // Every parameter the SQL takes, and no other: one left out would read as
    // NULL and quietly select nothing.
    void checkParams(sqlite3_stmt* stmt) const {
        const int taken = sqlite3_bind_parameter_count(stmt);
        if (taken != params.size())
            throw AppError(err::InvalidCall, QStringLiteral("The SQL takes %1 parameters but %2 were given: %3")
                                                 .arg(QString::number(taken), QString::number(params.size()), source));
    }

    void bindParams(sqlite3* db, sqlite3_stmt* stmt) const {
        checkParams(stmt);
        bindAll(db, stmt, params);
    }

    void ensureKeys() const {
        if (keyed && !keysLoaded)
            loadKeys(false);
    }

    // The key scan that also reads the columns the latest set over the same
    // SQL read, when they are few: its text and where each column lands in
    // the rows it copies. Null when there are none to read along.
    CachedStatement scanAlong(std::vector<int>& places, int& width) const {
        const auto memo = columns->walked.constFind(rest);
        if (memo == columns->walked.constEnd())
            return {};
        width = static_cast<int>(std::count(memo->begin(), memo->end(), 1));
        if (width == 0 || 2 * width > columnCount() || memo->size() != columnsRead.size())
            return {};
        QString sql = QStringLiteral("SELECT ") + keyColumn;
        places.assign(memo->size(), -1);
        int slot = 0;
        for (std::size_t c = 0; c < memo->size(); ++c) {
            if ((*memo)[c]) {
                sql += QLatin1Char(',') + columns->quoted[static_cast<qsizetype>(c)];
                places[c] = slot++;
            }
        }
        return cn->tryPrepared(sql + QStringLiteral(" FROM ") + nameSql + rest);
    }

    // Reads the keys, which spares SQLite the joins of a view whose other
    // tables only add columns, then the first window of rows. When the
    // latest set over the same SQL read few columns, the scan reads those
    // columns too, keeping the rows it finds while they take no more room
    // than a window may, so a walk that reads those columns finds its rows
    // without looking for them again.
    // Rows this set added before are kept at its end, in the order added.
    void loadKeys(bool requery) const {
        sqlite3* db = cn->handle();
        kept.clear();
        haveCurrent = false;
        windowStart = -1;
        windowRows = 0;
        windowNext = kWindowKeys;
        std::vector<int64_t> fresh;
        bool readAlong = false;
        {
            std::vector<int> places;
            int width = 0;
            CachedStatement stmt = scanAlong(places, width);
            readAlong = static_cast<bool>(stmt);
            if (readAlong) {
                kept.places = std::move(places);
                kept.width = width;
            } else {
                stmt = cn->prepared(keyQuery);
            }
            bindParams(db, stmt.get());
            bool full = !readAlong;
            int rc;
            while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
                const int64_t key = sqlite3_column_int64(stmt.get(), 0);
                fresh.push_back(key);
                if (full)
                    continue;
                const std::size_t before = kept.data.size();
                rowblock::append(kept.data, stmt.get(), 1, kept.width);
                if (kept.data.size() + kRowOverhead * (kept.at.size() + 1) > kWindowBytes) {
                    kept.data.resize(before);
                    full = true;
                } else {
                    kept.at.emplace(key, before);
                }
            }
            if (rc != SQLITE_DONE)
                fail(db);
        }
        if (requery) {
            addedEarly.clear();
        } else if (!addedEarly.empty()) {
            const std::unordered_set<int64_t> added(addedEarly.begin(), addedEarly.end());
            std::erase_if(fresh, [&](int64_t key) { return added.contains(key); });
            fresh.insert(fresh.end(), addedEarly.begin(), addedEarly.end());
            addedEarly.clear();
        }
        keys = std::move(fresh);
        const int64_t n = static_cast<int64_t>(keys.size());
        if (!keysLoaded) {
            const auto loaded = [n](int64_t p) { return p == kAtAdded ? n : (n > 0 ? 1 : 0); };
            pos = loaded(pos);
            posBeforeNew = loaded(posBeforeNew);
        }
        keysLoaded = true;
        listening.reset();
        if (readAlong && !kept.at.empty()) {
            keptChanges = sqlite3_total_changes64(db);
            keptCommits = commitsSoFar();
            windowStart = 0;
            sizeWindows();
        } else if (!windowSql.isEmpty() && n > 0) {
            readWindow(0);
        }
    }

    // The keys a window reads, from the size of the rows held.
    void sizeWindows() const {
        if (kept.at.empty())
            return;
        const std::size_t perRow = kept.data.size() / kept.at.size() + kRowOverhead;
        windowRows = static_cast<int>(std::clamp<std::size_t>(kWindowBytes / perRow, 1, kWindowKeys));
    }

    void openWhole(sqlite3* db, const QString& sql) {
        CachedStatement stmt = cn->prepared(sql);
        if (!stmt)
            throw AppError(err::InvalidCall, QStringLiteral("The record source holds no SQL statement."));
        columns = columnsOf(stmt);
        keyQuery = sql;
        bindParams(db, stmt.get());
        loadRows(db, stmt.get());
    }

    void loadRows(sqlite3* db, sqlite3_stmt* stmt) {
        std::vector<StoredRow> fresh;
        const int n = columnCount();
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            fresh.emplace_back();
            fresh.back().read(stmt, 0, n);
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
    RowRef currentRow() const {
        if (!keyed)
            return rows[static_cast<std::size_t>(pos - 1)].ref();
        const int64_t key = keys[static_cast<std::size_t>(pos - 1)];
        sqlite3* db = cn->handle();
        const int64_t changes = sqlite3_total_changes64(db);
        if (haveCurrent && currentKeyValue == key && currentChanges == changes)
            return current;
        haveCurrent = false;
        if (!kept.at.empty()) {
            if (changes != keptChanges || commitsSoFar() != keptCommits) {
                kept.clear();
                windowNext = 1;
            } else if (const RowRef row = kept.find(key); row.block) {
                return remember(row, key, changes);
            }
        }
        if (!windowSql.isEmpty()) {
            readWindow(pos - 1);
            return remember(kept.find(key), key, changes);
        }
        CachedStatement stmt = cn->prepared(fetchSql);
        if (sqlite3_bind_int64(stmt.get(), 1, key) != SQLITE_OK)
            fail(db);
        const int rc = sqlite3_step(stmt.get());
        if (rc == SQLITE_ROW)
            fetched.read(stmt.get(), 0, std::min(columnCount(), sqlite3_column_count(stmt.get())));
        else if (rc == SQLITE_DONE)
            fetched.readNothing();
        else
            fail(db);
        return remember(fetched.ref(), key, changes);
    }

    RowRef remember(RowRef row, int64_t key, int64_t changes) const {
        current = row;
        haveCurrent = true;
        currentKeyValue = key;
        currentChanges = changes;
        return row;
    }

    // A field of the current row. One of a column no field was read from
    // before may not be in the window: it is read again with that column.
    QVariant value(int column) const {
        if (!keyed)
            return currentRow().value(column);
        auto& seen = columnsRead[static_cast<std::size_t>(column)];
        if (!seen) {
            seen = 1;
            ++readCount;
            rememberColumnsRead();
        }
        RowRef row = currentRow();
        if (!row.has(column)) {
            readWindow(pos - 1);
            row = kept.find(keys[static_cast<std::size_t>(pos - 1)]);
            remember(row, currentKeyValue, currentChanges);
        }
        return row.value(column);
    }

    // What this set has read becomes what the next set over the same SQL
    // reads with its keys.
    void rememberColumnsRead() const {
        auto& walked = columns->walked;
        if (walked.size() >= kWalkedTexts && !walked.contains(rest))
            walked.clear();
        walked.insert(rest, columnsRead);
    }

    // The statement of a window: every column until a field has been read,
    // then those of the columns read so far, unless that is most of them.
    CachedStatement windowStatement() const {
        if (readCount > 0 && 2 * readCount <= columnCount()) {
            if (narrowCount != readCount) {
                narrowSql = QStringLiteral("SELECT ") + keyColumn;
                narrowPlaces.assign(columnsRead.size(), -1);
                int slot = 0;
                for (std::size_t c = 0; c < columnsRead.size(); ++c) {
                    if (columnsRead[c]) {
                        narrowSql += QLatin1Char(',') + columns->quoted[static_cast<qsizetype>(c)];
                        narrowPlaces[c] = slot++;
                    }
                }
                narrowSql += windowFrom;
                narrowCount = readCount;
            }
            if (CachedStatement stmt = cn->tryPrepared(narrowSql)) {
                kept.places = narrowPlaces;
                kept.width = readCount;
                return stmt;
            }
        }
        CachedStatement stmt = cn->prepared(windowSql);
        kept.places.clear();
        kept.width = std::min(columnCount(), sqlite3_column_count(stmt.get()) - 1);
        return stmt;
    }

    // Replaces the rows kept by those of a window of keys around `index`:
    // from it onwards, or up to it when the walk goes backwards past the last
    // window. One statement reads them all, in the order SQLite finds them.
    // The first window is a few rows, read before any field is, so only they
    // are read whole; the size of the rows read sizes the next window.
    void readWindow(int64_t index) const {
        sqlite3* db = cn->handle();
        const auto total = static_cast<int64_t>(keys.size());
        const int rows = windowRows > 0 ? std::min(windowNext, windowRows) : kProbeKeys;
        int64_t start = index;
        if (windowStart >= 0 && index < windowStart)
            start = std::max<int64_t>(0, index - rows + 1);
        const int64_t end = std::min(total, start + rows);
        kept.clear();
        haveCurrent = false;
        windowStart = start;
        windowNext = std::min(2 * rows, kWindowKeys);
        // The keys not bound are NULL, as a statement comes from the cache
        // with its parameters cleared, and match nothing.
        CachedStatement stmt = windowStatement();
        for (int64_t at = start; at < end; ++at)
            if (sqlite3_bind_int64(stmt.get(), static_cast<int>(at - start) + 1, keys[static_cast<std::size_t>(at)]) !=
                SQLITE_OK)
                fail(db);
        int rc;
        while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
            kept.at.emplace(sqlite3_column_int64(stmt.get(), 0), kept.data.size());
            rowblock::append(kept.data, stmt.get(), 1, kept.width);
        }
        if (rc != SQLITE_DONE)
            fail(db);
        keptChanges = sqlite3_total_changes64(db);
        keptCommits = commitsSoFar();
        sizeWindows();
    }

    QVariant converted(int column, const QVariant& value) const {
        const NumberKind kind = columns->kinds[static_cast<std::size_t>(column)];
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
                                           .arg(e.description(), text, columns->names[column]));
        }
    }

    void write() {
        // Built by concatenation: column names such as "neu%" must not meet QString::arg.
        QString names;
        QVariantList values;
        values.reserve(pending.size() + 1);
        pending.forEach([&](int column, const QVariant& value) {
            if (!names.isEmpty())
                names += QLatin1Char(',');
            names += columns->quoted[column];
            values << value;
        });
        if (edit == Edit::New) {
            QString sql;
            if (values.isEmpty()) {
                sql = QStringLiteral("INSERT INTO ") + nameSql + QStringLiteral(" DEFAULT VALUES");
            } else {
                sql = QStringLiteral("INSERT INTO ") + nameSql + QStringLiteral(" (") + names +
                      QStringLiteral(") VALUES (?1");
                for (qsizetype i = 2; i <= values.size(); ++i)
                    sql += QStringLiteral(",?") + QString::number(i);
                sql += QLatin1Char(')');
            }
            cn->execute(sql, values);
        } else {
            const int64_t key = keys[static_cast<std::size_t>(pos - 1)];
            // An update of a view's row counts no changes, so whether the row is
            // still there is asked first.
            if (!cn->scalar(QStringLiteral("SELECT 1 FROM ") + nameSql + QStringLiteral(" WHERE ") + keyColumn +
                                QStringLiteral(" = ?1"),
                            {QVariant(static_cast<qlonglong>(key))})
                     .isValid())
                throw AppError(err::NoCurrentRecord,
                               QStringLiteral("The row to be updated has been deleted by another user."));
            QString sets;
            int i = 0;
            pending.forEach([&](int column, const QVariant&) {
                if (i > 0)
                    sets += QLatin1Char(',');
                sets += columns->quoted[column] + QStringLiteral(" = ?") + QString::number(++i);
            });
            values << QVariant(static_cast<qlonglong>(key));
            cn->execute(QStringLiteral("UPDATE ") + nameSql + QStringLiteral(" SET ") + sets +
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
            return cn->scalar(QStringLiteral("SELECT max(") + keyColumn + QStringLiteral(") FROM ") + keyTable)
                .toLongLong();
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
    if (!shape.keyed || !d->openKeyed(shape)) {
        d->openWhole(db, shape.bare ? QStringLiteral("SELECT * FROM ") + shape.nameSql : source);
        d->pos = d->count() > 0 ? 1 : 0;
    }
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
    if (d.keyed) {
        d.loadKeys(true);
    } else {
        sqlite3* db = d.cn->handle();
        CachedStatement stmt = d.cn->prepared(d.keyQuery);
        d.bindParams(db, stmt.get());
        d.loadRows(db, stmt.get());
    }
    d.pos = d.count() > 0 ? 1 : 0;
}

int Recordset::fieldCount() const { return openOrFail(d_).columnCount(); }

QString Recordset::fieldName(int index) const {
    const Impl& d = openOrFail(d_);
    if (index < 0 || index >= d.columnCount())
        throw AppError(err::ItemNotFound,
                       QStringLiteral("Item cannot be found in the collection corresponding to the requested "
                                      "name or ordinal."));
    return d.columns->names[index];
}

bool Recordset::hasField(const QString& name) const {
    return openOrFail(d_).columns->index.contains(name.toCaseFolded());
}

QVariant Recordset::field(const QString& name) const {
    const Impl& d = openOrFail(d_);
    const int column = d.column(name);
    if (d.edit != Impl::Edit::None) {
        if (const QVariant* set = d.pending.find(column))
            return *set;
        if (d.edit == Impl::Edit::New)
            return {};
    }
    d.requireCurrent();
    return d.value(column);
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
    d.pending.set(column, std::move(stored), d.columnCount());
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
    // This set's own write does not make it read its keys.
    struct Writing {
        Impl& d;
        ~Writing() { d.writing = false; }
    } writing{d};
    d.writing = true;
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
    d.haveCurrent = false;
    if (isNew) {
        d.edit = Impl::Edit::None;
        d.pending.clear();
        if (d.keysLoaded) {
            d.keys.push_back(key);
            d.pos = d.count();
        } else {
            d.addedEarly.push_back(key);
            d.pos = kAtAdded;
        }
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
    if (!d.keysLoaded && d.pos == kAtAdded)
        return d.addedEarly.back();  // the row just added: no need to read the keys
    d.requireCurrent();
    return d.keys[static_cast<std::size_t>(d.pos - 1)];
}

int64_t Recordset::rowsHeld() const {
    const Impl& d = openOrFail(d_);
    return static_cast<int64_t>(d.keyed ? d.kept.at.size() : d.rows.size());
}

int64_t Recordset::bytesHeld() const {
    const Impl& d = openOrFail(d_);
    if (!d.keyed)
        return -1;
    return static_cast<int64_t>(d.kept.data.size() + kRowOverhead * d.kept.at.size());
}

}  // namespace zv
