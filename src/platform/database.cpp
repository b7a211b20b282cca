#include "platform/database.h"

#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/files.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <map>
#include <string>
#include <utility>

#include <unistd.h>

namespace zv {

namespace {

QString messageOf(sqlite3* db) { return QString::fromUtf8(sqlite3_errmsg(db)); }

[[noreturn]] void fail(sqlite3* db, const QString& context = {}) {
    QString message = messageOf(db);
    if (!context.isEmpty())
        message += QStringLiteral(" (") + context + QLatin1Char(')');
    throw AppError(err::Database, message);
}

QByteArray nativePath(const QString& path) {
    // Absolute, so a file named "file:..." is never taken for a URI.
    return QFile::encodeName(QFileInfo(path).absoluteFilePath());
}

// Leaves the handle in *db even on failure (SQLite hands one out to carry the
// message); the caller closes it.
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

// A kept statement must not hold its read lock once its row has been read:
// a pending read would block every writer, this connection's COMMIT included.
struct ResetOnExit {
    sqlite3_stmt* stmt;
    ~ResetOnExit() { sqlite3_reset(stmt); }
};

// Prepares the one statement of `sql`; a second statement in the text is refused.
// Returns an empty Statement for text that holds no statement at all.
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

// Prepares without failing: an empty Statement when SQLite refuses the text.
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

// Runs every statement of the text in turn; the rows changed by the last one.
int64_t runAll(sqlite3* db, const QByteArray& sql) {
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

// NULL reads as QVariant(), so isNull() is the one test for "nothing there".
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

// ---------------------------------------------------------------------------
// Letter case. SQLite's own LIKE and NOCASE fold only A-Z; names such as
// NICOLÒ or Müller must match whatever case they were typed in.

// One code point from UTF-8; a malformed byte stands for itself (U+DC80..U+DCFF),
// so two different byte strings never decode alike.
char32_t nextCodePoint(const unsigned char*& at, const unsigned char* end) {
    const unsigned char lead = *at++;
    if (lead < 0x80)
        return lead;
    int extra;
    char32_t cp;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        return 0xDC00 | lead;
    }
    const unsigned char* const start = at;
    for (int i = 0; i < extra; ++i) {
        if (at == end || (*at & 0xC0) != 0x80) {
            at = start;
            return 0xDC00 | lead;
        }
        cp = (cp << 6) | (*at++ & 0x3F);
    }
    return cp;
}

char32_t fold(char32_t cp) {
    if (cp < 0x80)
        return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
    return QChar::toCaseFolded(cp);
}

std::u32string foldedText(sqlite3_value* value) {
    const auto* at = static_cast<const unsigned char*>(sqlite3_value_text(value));
    const auto* end = at + sqlite3_value_bytes(value);
    std::u32string out;
    out.reserve(static_cast<std::size_t>(end - at));
    while (at < end)
        out.push_back(fold(nextCodePoint(at, end)));
    return out;
}

int compareIgnoringCase(void*, int size1, const void* text1, int size2, const void* text2) {
    const auto* a = static_cast<const unsigned char*>(text1);
    const auto* b = static_cast<const unsigned char*>(text2);
    const auto* endA = a + size1;
    const auto* endB = b + size2;
    while (a < endA && b < endB) {
        const char32_t ca = fold(nextCodePoint(a, endA));
        const char32_t cb = fold(nextCodePoint(b, endB));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return (a < endA) - (b < endB);
}

// A LIKE pattern, folded and split once per statement (kept as SQLite's auxdata).
struct LikePattern {
    enum class Kind : unsigned char { Literal, One, Run };
    struct Token {
        Kind kind;
        char32_t ch;
    };
    std::vector<Token> tokens;
    bool hasEscape = false;
    char32_t escape = 0;
    bool matchesNothing = false;  // the pattern ends in its escape character
};

LikePattern compileLike(sqlite3_value* pattern, bool hasEscape, char32_t escape) {
    LikePattern out;
    out.hasEscape = hasEscape;
    out.escape = escape;
    const auto* at = static_cast<const unsigned char*>(sqlite3_value_text(pattern));
    const auto* end = at + sqlite3_value_bytes(pattern);
    while (at < end) {
        const char32_t cp = nextCodePoint(at, end);
        if (hasEscape && cp == escape) {
            if (at == end) {
                out.matchesNothing = true;
                break;
            }
            out.tokens.push_back({LikePattern::Kind::Literal, fold(nextCodePoint(at, end))});
        } else if (cp == '%') {
            if (out.tokens.empty() || out.tokens.back().kind != LikePattern::Kind::Run)
                out.tokens.push_back({LikePattern::Kind::Run, 0});
        } else if (cp == '_') {
            out.tokens.push_back({LikePattern::Kind::One, 0});
        } else {
            out.tokens.push_back({LikePattern::Kind::Literal, fold(cp)});
        }
    }
    return out;
}

bool likeMatches(const LikePattern& pattern, const std::u32string& text) {
    if (pattern.matchesNothing)
        return false;
    using Kind = LikePattern::Kind;
    const auto& tokens = pattern.tokens;
    const std::size_t none = std::size_t(-1);
    std::size_t t = 0, p = 0, runAt = none, runText = 0;
    while (t < text.size()) {
        if (p < tokens.size() &&
            (tokens[p].kind == Kind::One || (tokens[p].kind == Kind::Literal && tokens[p].ch == text[t]))) {
            ++p;
            ++t;
        } else if (p < tokens.size() && tokens[p].kind == Kind::Run) {
            runAt = p++;
            runText = t;
        } else if (runAt != none) {
            p = runAt + 1;
            t = ++runText;
        } else {
            return false;
        }
    }
    while (p < tokens.size() && tokens[p].kind == Kind::Run)
        ++p;
    return p == tokens.size();
}

// like(pattern, text[, escape]): what "text LIKE pattern [ESCAPE e]" calls.
void likeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
    }
    bool hasEscape = false;
    char32_t escape = 0;
    if (argc == 3) {
        const auto* at = static_cast<const unsigned char*>(sqlite3_value_text(argv[2]));
        const auto* end = at + sqlite3_value_bytes(argv[2]);
        if (at != end)
            escape = nextCodePoint(at, end);
        if (at != end || escape == 0) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
        hasEscape = true;
    }
    const auto* cached = static_cast<const LikePattern*>(sqlite3_get_auxdata(ctx, 0));
    LikePattern fresh;
    if (!cached || cached->hasEscape != hasEscape || cached->escape != escape) {
        fresh = compileLike(argv[0], hasEscape, escape);
        cached = &fresh;
        sqlite3_set_auxdata(ctx, 0, new LikePattern(fresh), [](void* p) { delete static_cast<LikePattern*>(p); });
    }
    sqlite3_result_int(ctx, likeMatches(*cached, foldedText(argv[1])) ? 1 : 0);
}

// The same on every connection, the one that makes a new file included, so an
// index built with NOCASE is always in the order this collation gives.
void registerFunctions(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    if (sqlite3_create_function_v2(db, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr, nullptr) !=
            SQLITE_OK ||
        sqlite3_create_function_v2(db, "like", 3, flags, nullptr, likeFunction, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(db, QStringLiteral("registering like"));
    // SQLite lets a connection replace its built-in NOCASE.
    if (sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, compareIgnoringCase, nullptr) != SQLITE_OK)
        fail(db, QStringLiteral("registering NOCASE"));
}

QString quoteIdentifier(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

void removeDatabaseFiles(const QString& path) {
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

}  // namespace

// ---------------------------------------------------------------------------

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

// ---------------------------------------------------------------------------
// Recordset

namespace {

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

const QString kResultsView = QStringLiteral("datiQgrafici");

}  // namespace

void registerKeyedView(const QString&, const QString&, const QString&) {}

struct Recordset::Impl {
    enum class Edit { None, Existing, New };

    Connection* cn = nullptr;
    bool keyed = false;  // rows addressed by key and fetched on demand; updatable
    bool resultsView = false;
    QString nameSql;
    QString keyColumn;
    QString keyQuery;
    QVariantList params;  // bound to a read-only selection at open and at every requery
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

    // False when the source cannot be addressed by key (another view, a table
    // without rowid, SQL the key query cannot be built from): then it is read whole.
    bool openKeyed(sqlite3* db, const SourceShape& shape) {
        resultsView = shape.name.compare(kResultsView, Qt::CaseInsensitive) == 0;
        keyColumn = QStringLiteral("rowid");
        if (resultsView) {
            keyColumn = QStringLiteral("ID1");
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
        loadKeys(db, probe.get());
        return true;
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
        bindAll(db, stmt.get(), params);
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

    // The key of the row just inserted. The results view's INSTEAD OF trigger
    // makes last_insert_rowid() revert to its value before the insert, so the
    // view's key is read back from its key table inside the same transaction.
    int64_t insertedKey() {
        if (resultsView)
            return cn->scalar(QStringLiteral("SELECT max(ID1) FROM datinumerici")).toLongLong();
        return sqlite3_last_insert_rowid(cn->handle());
    }
};

Recordset::Recordset(Connection& cn, const QString& source) { open(cn, source); }

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

void Recordset::open(Connection& cn, const QString& source) {
    close();
    auto d = std::make_unique<Impl>();
    d->cn = &cn;
    sqlite3* db = cn.handle();
    const SourceShape shape = shapeOf(source);
    if (!shape.keyed || !d->openKeyed(db, shape)) {
        d->openWhole(db, shape.bare ? QStringLiteral("SELECT * FROM ") + shape.nameSql : source);
    }
    d->pos = d->count() > 0 ? 1 : 0;
    d_ = std::move(d);
}

void Recordset::openQuery(Connection& cn, const QString& sql, const QVariantList& params) {
    close();
    auto d = std::make_unique<Impl>();
    d->cn = &cn;
    d->params = params;
    d->openWhole(cn.handle(), sql);
    d->pos = d->count() > 0 ? 1 : 0;
    d_ = std::move(d);
}

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
    if (d.keyed) {
        d.loadKeys(db, stmt.get());
    } else {
        bindAll(db, stmt.get(), d.params);
        d.loadRows(db, stmt.get());
    }
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

// ---------------------------------------------------------------------------
// Whole files

void compactDatabase(const QString& path, const QString& scratch) {
    const QFileInfo scratchInfo(scratch);
    if (scratchInfo.exists() || scratchInfo.isSymLink())
        throw AppError(err::PathFileAccess,
                       QStringLiteral("Path/File access error: the scratch file '%1' already exists.").arg(scratch));
    bool scratchIsOurs = false;
    try {
        {
            Connection cn(path);
            scratchIsOurs = true;
            cn.execute(QStringLiteral("VACUUM INTO ") + sqlString(scratchInfo.absoluteFilePath()));
        }
        files::syncPath(scratch);
        files::renameOverAtomically(scratch, path);
    } catch (...) {
        if (scratchIsOurs)
            removeDatabaseFiles(scratch);
        throw;
    }
}

void backupDatabase(const QString& source, const QString& target) {
    if (!QFileInfo::exists(source))
        throw fileNotFound(source);
    const QString temp = target + QStringLiteral(".tmp-%1").arg(::getpid());
    removeDatabaseFiles(temp);
    sqlite3* from = nullptr;
    sqlite3* to = nullptr;
    const auto closeBoth = [&] {
        sqlite3_close_v2(from);
        sqlite3_close_v2(to);
        from = to = nullptr;
    };
    try {
        openFile(source, SQLITE_OPEN_READONLY, &from);
        sqlite3_busy_timeout(from, 2000);
        openFile(temp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &to);
        sqlite3_busy_timeout(to, 2000);
        sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
        if (!backup)
            fail(to);
        const int stepped = sqlite3_backup_step(backup, -1);
        const int finished = sqlite3_backup_finish(backup);
        if (stepped != SQLITE_DONE || finished != SQLITE_OK) {
            const int code = stepped != SQLITE_DONE ? stepped : finished;
            throw AppError(err::Database, QString::fromUtf8(sqlite3_errstr(code)));
        }
        closeBoth();
        files::syncPath(temp);
        files::renameOverAtomically(temp, target);
    } catch (...) {
        closeBoth();
        removeDatabaseFiles(temp);
        throw;
    }
}

void createDatabaseFromSql(const QString& path, const QString& sqlText) {
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        throw AppError(err::PathFileAccess, QStringLiteral("Path/File access error: '%1' already exists.").arg(path));
    sqlite3* db = nullptr;
    try {
        openFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &db);
        registerFunctions(db);
        runAll(db, QByteArrayLiteral("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; BEGIN IMMEDIATE;"));
        runAll(db, sqlText.toUtf8());
        runAll(db, QByteArrayLiteral("COMMIT"));
        sqlite3_close_v2(std::exchange(db, nullptr));
    } catch (...) {
        sqlite3_close_v2(db);
        removeDatabaseFiles(path);
        throw;
    }
}

}  // namespace zv
