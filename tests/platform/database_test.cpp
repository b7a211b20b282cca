#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <random>
#include <vector>

#include <sys/stat.h>

#include "platform/database.h"
#include "platform/databasebackup.h"
#include "platform/dbfiles.h"
#include "platform/errors.h"
#include "platform/sqlite_util.h"
#include "support/failure.h"
#include "support/smallfs.h"

namespace zv {
namespace {

using test::failureOf;

const QStringList kResultTables = {QStringLiteral("datinumerici"), QStringLiteral("graficiWB1"),
                                   QStringLiteral("graficiWB2"), QStringLiteral("GraficiRBC"),
                                   QStringLiteral("GraficiPLT")};

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Another program left the file in WAL mode.
void leaveInWalMode(const QString& file) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

// The most a recordset's window of rows may take.
constexpr int64_t kWindowBytes = 2 * 1024 * 1024;

int64_t rowCount(Connection& cn, const QString& table) {
    return cn.scalar(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table)).toLongLong();
}

// A results database made from the shipped schema once, copied for each test.
class DatabaseFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        registerKeyedView(QStringLiteral("datiQgrafici"), QStringLiteral("ID1"), QStringLiteral("datinumerici"));
        templateDir_ = new QTemporaryDir;
        const QString schema = QStringLiteral(ZV_DIST_DIR "/schema/results.sql");
        QFile file(schema);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << schema.toStdString();
        createDatabaseFromSql(templateDir_->filePath(QStringLiteral("results.db")), QString::fromUtf8(file.readAll()));
    }
    static void TearDownTestSuite() {
        delete templateDir_;
        templateDir_ = nullptr;
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    // A fresh results database in the test's folder.
    QString resultsDb(const QString& name = QStringLiteral("zarvium.mdb")) {
        const QString target = path(name);
        EXPECT_TRUE(QFile::copy(templateDir_->filePath(QStringLiteral("results.db")), target));
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        return target;
    }

    // Adds one result through the view and returns its key.
    static int64_t addResult(Connection& cn, const QString& specName, const QVariant& wbc = 7.5) {
        Recordset rs(cn, QStringLiteral("datiQgrafici"));
        rs.addNew();
        rs.setField(QStringLiteral("seq"), QStringLiteral("42"));
        rs.setField(QStringLiteral("specName"), specName);
        rs.setField(QStringLiteral("WBC"), wbc);
        rs.setField(QStringLiteral("GraficiWB1_ch002"), QStringLiteral("047"));
        rs.update();
        return rs.currentKey();
    }

    QTemporaryDir dir_;
    static inline QTemporaryDir* templateDir_ = nullptr;
};

using ConnectionTest = DatabaseFiles;
using RecordsetTest = DatabaseFiles;
using DatabaseCopyTest = DatabaseFiles;

// ---------------------------------------------------------------------------

TEST_F(ConnectionTest, OpenFailsForWhatIsNoDatabaseAndTheObjectKeepsFailing) {
    const QString missing = path(QStringLiteral("missing.mdb"));
    const QString text = path(QStringLiteral("notes.mdb"));
    const QByteArray textBytes = "this is a text file, not a database\n";
    writeBytes(text, textBytes);
    struct Case {
        QString path;
        int32_t number;
        QString message;
    };
    for (const Case& c : {Case{missing, err::FileNotFound, QStringLiteral("Could not find file")},
                          Case{text, err::Database, QStringLiteral("file is not a database")}}) {
        SCOPED_TRACE(c.path.toStdString());
        Connection cn;
        const auto opened = failureOf([&] { cn.open(c.path); });
        EXPECT_EQ(opened.first, c.number);
        EXPECT_TRUE(opened.second.contains(c.message)) << opened.second.toStdString();
        EXPECT_FALSE(cn.isOpen());

        // Every later use fails with the open's error.
        const std::vector<std::function<void()>> uses = {
            [&] { cn.execute(QStringLiteral("SELECT 1")); },
            [&] { cn.scalar(QStringLiteral("SELECT 1")); },
            [&] { cn.beginTransaction(); },
            [&] { Recordset rs(cn, QStringLiteral("datiQgrafici")); },
        };
        for (const auto& use : uses)
            EXPECT_EQ(failureOf(use), opened);
    }
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_FALSE(QFileInfo::exists(missing + QStringLiteral("-journal")));
    EXPECT_EQ(bytesOf(text), textBytes);
}

TEST_F(ConnectionTest, LikeAndNocaseIgnoreTheCaseOfEveryLetter) {
    Connection cn(resultsDb());
    struct Case {
        const char* text;
        const char* pattern;
        int expected;
    };
    const Case cases[] = {
        {"NICOLÒ", "nicolò", 1},
        {"nicolò", "NICOL_", 1},
        {"Müller", "%ÜLL%", 1},
        {"ÆSIR", "æsir", 1},
        {"abc", "a_c", 1},
        {"abc", "a_", 0},
        {"abc", "%", 1},
        {"", "%", 1},
        {"", "_", 0},
        {"banana", "%an%na", 1},
        {"banana", "b%n", 0},
        {"12/05/24", "%/05/24", 1},
        {"D'Amico", "d'amico", 1},
        {"Rossi", "Rossini", 0},
        {"a%c", "a%c", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " like " + c.pattern);
        EXPECT_EQ(
            cn.scalar(QStringLiteral("SELECT ?1 LIKE ?2"), {QString::fromUtf8(c.text), QString::fromUtf8(c.pattern)}),
            QVariant(qlonglong(c.expected)));
    }
    // With an escape character the wildcards can be searched for themselves.
    EXPECT_EQ(cn.scalar(QStringLiteral("SELECT '50%' LIKE '50!%' ESCAPE '!'")).toInt(), 1);
    EXPECT_EQ(cn.scalar(QStringLiteral("SELECT '500' LIKE '50!%' ESCAPE '!'")).toInt(), 0);
    EXPECT_TRUE(cn.scalar(QStringLiteral("SELECT NULL LIKE 'a'")).isNull());
    EXPECT_TRUE(cn.scalar(QStringLiteral("SELECT 'a' LIKE NULL")).isNull());
    // A key compared with like, as the lists select one result.
    EXPECT_EQ(cn.scalar(QStringLiteral("SELECT 12 LIKE '12'")).toInt(), 1);

    EXPECT_EQ(cn.scalar(QStringLiteral("SELECT 'NICOLÒ' = 'nicolò' COLLATE NOCASE")).toInt(), 1);
    EXPECT_EQ(cn.scalar(QStringLiteral("SELECT 'ábc' < 'Ábd' COLLATE NOCASE")).toInt(), 1);
    addResult(cn, QStringLiteral("NICOLÒ"));
    EXPECT_EQ(cn.scalar(QStringLiteral("SELECT count(*) FROM datinumerici WHERE specName = 'nicolò'")).toInt(), 1);
}

TEST_F(ConnectionTest, ParametersKeepTheirTypes) {
    Connection cn(resultsDb());
    cn.execute(QStringLiteral("CREATE TABLE t (v)"));
    struct Case {
        QVariant value;
        const char* type;
    };
    const Case cases[] = {
        {QVariant(), "null"},
        {QVariant(42), "integer"},
        {QVariant(qlonglong(1) << 40), "integer"},
        {QVariant(7.46), "real"},
        {QVariant(QStringLiteral("047")), "text"},
        {QVariant(QByteArray("\x00\x01", 2)), "blob"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        cn.execute(QStringLiteral("DELETE FROM t"));
        EXPECT_EQ(cn.execute(QStringLiteral("INSERT INTO t VALUES (?1)"), {c.value}), 1);
        EXPECT_EQ(cn.scalar(QStringLiteral("SELECT typeof(v) FROM t")).toString(), QLatin1String(c.type));
        EXPECT_EQ(cn.scalar(QStringLiteral("SELECT v FROM t")), c.value);
    }
    // Several statements in one text; the count is that of the last.
    EXPECT_EQ(cn.execute(QStringLiteral("DELETE FROM t; INSERT INTO t VALUES (1); INSERT INTO t VALUES (2),(3);")), 2);
    EXPECT_FALSE(cn.scalar(QStringLiteral("SELECT v FROM t WHERE v > 9")).isValid());
    const auto broken = failureOf([&] { cn.execute(QStringLiteral("SELECT * FROM nowhere")); });
    EXPECT_EQ(broken.first, err::Database);
    EXPECT_TRUE(broken.second.contains(QLatin1String("no such table"))) << broken.second.toStdString();
    EXPECT_EQ(sqlString(QStringLiteral("D'Amico")), QStringLiteral("'D''Amico'"));
}

TEST_F(ConnectionTest, NestedTransactionsCommitAndRollBackByLevel) {
    Connection cn(resultsDb());
    cn.execute(QStringLiteral("CREATE TABLE t (v)"));
    {
        Transaction outer(cn);
        cn.execute(QStringLiteral("INSERT INTO t VALUES (1)"));
        {
            Transaction inner(cn);
            cn.execute(QStringLiteral("INSERT INTO t VALUES (2)"));
        }  // not committed: only the inner level goes
        {
            Transaction inner(cn);
            cn.execute(QStringLiteral("INSERT INTO t VALUES (3)"));
            inner.commit();
        }
        EXPECT_TRUE(cn.inTransaction());
        outer.commit();
    }
    EXPECT_FALSE(cn.inTransaction());
    EXPECT_EQ(cn.scalar(QStringLiteral("SELECT group_concat(v) FROM t")).toString(), QStringLiteral("1,3"));
    {
        Transaction dropped(cn);
        cn.execute(QStringLiteral("DELETE FROM t"));
    }
    EXPECT_EQ(rowCount(cn, QStringLiteral("t")), 2);
}

TEST_F(ConnectionTest, EveryConnectionCommitsDurablyInRollbackJournalMode) {
    // A file another program left in WAL mode is turned back at the first use.
    const QString wal = resultsDb(QStringLiteral("wal.mdb"));
    ASSERT_NO_FATAL_FAILURE(leaveInWalMode(wal));
    for (const QString& file : {resultsDb(), wal}) {
        SCOPED_TRACE(file.toStdString());
        Connection cn(file);
        // EXTRA: the folder is synced once the journal is deleted, so a commit survives a power cut.
        EXPECT_EQ(cn.scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 3);
        EXPECT_EQ(cn.scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("delete"));
        cn.close();
        cn.open(file);
        EXPECT_EQ(cn.scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 3);
    }
}

// A transaction that writes into an attached file (the roll-over, the
// archive transfer) commits it as durably as the connection's own file.
TEST_F(ConnectionTest, AnAttachedFileCommitsAsDurablyAndIsDetachedWhateverHappens) {
    const QString wal = resultsDb(QStringLiteral("wal.mdb"));
    ASSERT_NO_FATAL_FAILURE(leaveInWalMode(wal));
    Connection cn(resultsDb());
    const auto attached = [&] {
        return cn.scalar(QStringLiteral("SELECT count(*) FROM pragma_database_list WHERE name = 'other'")).toInt();
    };
    try {
        const Attachment other(cn, wal, QStringLiteral("other"));
        EXPECT_EQ(attached(), 1);
        EXPECT_EQ(cn.scalar(QStringLiteral("PRAGMA other.synchronous")).toInt(), 3);
        EXPECT_EQ(cn.scalar(QStringLiteral("PRAGMA other.journal_mode")).toString(), QStringLiteral("delete"));
        throw AppError(err::Database, QStringLiteral("the work failed"));
    } catch (const AppError&) {
    }
    EXPECT_EQ(attached(), 0);

    // Another program reads the file in WAL mode: it cannot be turned back,
    // and the attach fails leaving nothing attached.
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(wal).constData(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "PRAGMA journal_mode=WAL; BEGIN; SELECT count(*) FROM sqlite_schema;", nullptr,
                               nullptr, nullptr),
                  SQLITE_OK);
        cn.setBusyTimeout(0);
        EXPECT_EQ(failureOf([&] { Attachment(cn, wal, QStringLiteral("other")); }).first, err::Database);
        sqlite3_close(db);
    }
    EXPECT_EQ(attached(), 0);
}

TEST_F(ConnectionTest, AStatementUsedAgainKeepsNothingOfItsLastUse) {
    Connection cn(resultsDb());
    const QString both = QStringLiteral("SELECT ?1 || '-' || ifnull(?2, 'none')");
    EXPECT_EQ(cn.scalar(both, {QStringLiteral("a"), QStringLiteral("b")}).toString(), QStringLiteral("a-b"));
    EXPECT_EQ(cn.scalar(both, {QStringLiteral("c")}).toString(), QStringLiteral("c-none"));

    // Taken twice at once, the same text gives two statements.
    {
        sqlite::CachedStatement first = cn.prepared(QStringLiteral("SELECT 1"));
        sqlite::CachedStatement second = cn.prepared(QStringLiteral("SELECT 1"));
        ASSERT_TRUE(first && second);
        EXPECT_NE(first.get(), second.get());
        EXPECT_EQ(sqlite3_step(first.get()), SQLITE_ROW);
        EXPECT_EQ(sqlite3_step(second.get()), SQLITE_ROW);
    }

    // A table changed by SQL text is seen as it is now by the statements over it.
    cn.execute(QStringLiteral("CREATE TABLE t (a INTEGER)"));
    cn.execute(QStringLiteral("INSERT INTO t VALUES (?1)"), {1});
    EXPECT_EQ(Recordset(cn, QStringLiteral("select * from t")).fieldCount(), 1);
    cn.execute(QStringLiteral("ALTER TABLE t ADD COLUMN b TEXT"));
    Recordset after(cn, QStringLiteral("select * from t"));
    EXPECT_EQ(after.fieldCount(), 2);
    EXPECT_EQ(after.text(QStringLiteral("a")), QStringLiteral("1"));
    EXPECT_TRUE(after.field(QStringLiteral("b")).isNull());

    // A statement kept past the close of its connection is let go of quietly.
    sqlite::CachedStatement kept = cn.prepared(QStringLiteral("SELECT 2"));
    cn.close();
    cn.open(path(QStringLiteral("zarvium.mdb")));
    EXPECT_EQ(cn.scalar(QStringLiteral("SELECT 2")).toInt(), 2);
}

TEST_F(ConnectionTest, AsciiTextAndEveryOtherTextMatchAlike) {
    Connection cn(resultsDb());
    struct Case {
        const char* text;
        const char* pattern;
        int expected;
    };
    // ASCII text against ASCII patterns is matched byte by byte; any other
    // letter folds by Unicode: the Kelvin sign is a k, the long s an s.
    const Case cases[] = {
        {"NICOL\xC3\x92", "nicol\xC3\xB2", 1},
        {"NICOLO", "nicol\xC3\xB2", 0},
        {"\xE2\x84\xAA"
         "ELVIN",
         "kelvin", 1},
        {"kelvin", "\xE2\x84\xAA%", 1},
        {"\xC5\xBF"
         "ALE",
         "sale", 1},
        {"Sale", "\xC5\xBF%", 1},
        {"ROSSI MARIO", "%rossi%", 1},
        {"ROSSI MARIO", "rossi%", 1},
        {"ROSSI MARIO", "%mario", 1},
        {"ROSSI MARIO", "rossi mario", 1},
        {"ROSSI MARIO", "%ross%i%", 1},
        {"ROSSI MARIO", "rossi", 0},
        {"ROSSI MARIO", "%mari", 0},
        {"ROSSI MARIO", "%rosa%", 0},
        {"RO", "%rossi%", 0},
        {"S12345", "%s12345%", 1},
        {"S123456", "s12345_", 1},
        {"08/12/26", "08/12/26", 1},
        {"08/12/26", "%/12/__", 1},
        {"", "", 1},
        {"a", "", 0},
        {"anything", "%%", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " like " + c.pattern);
        EXPECT_EQ(
            cn.scalar(QStringLiteral("SELECT ?1 LIKE ?2"), {QString::fromUtf8(c.text), QString::fromUtf8(c.pattern)}),
            QVariant(qlonglong(c.expected)));
    }
    // The collation compares by the same folding, ASCII first, the rest by code point.
    const struct {
        const char* a;
        const char* b;
        int order;
    } orders[] = {
        {"NICOL\xC3\x92", "nicol\xC3\xB2", 0},
        {"\xE2\x84\xAA"
         "elvin",
         "KELVIN", 0},
        {"\xC5\xBF"
         "ale",
         "SALE", 0},
        {"abc", "ABD", -1},
        {"Rossi", "rossi mario", -1},
        {"ZETA", "\xC3\xA0", -1},
        {"\xC5\xBF"
         "b",
         "sa", 1},
    };
    for (const auto& o : orders) {
        SCOPED_TRACE(std::string(o.a) + " <> " + o.b);
        const int order = cn.scalar(QStringLiteral("SELECT CASE WHEN ?1 = ?2 COLLATE NOCASE THEN 0 WHEN ?1 < ?2 "
                                                   "COLLATE NOCASE THEN -1 ELSE 1 END"),
                                    {QString::fromUtf8(o.a), QString::fromUtf8(o.b)})
                              .toInt();
        EXPECT_EQ(order, o.order);
    }
}

// ---------------------------------------------------------------------------

TEST_F(RecordsetTest, AddingThroughTheViewWritesFiveRowsUnderOneIncreasingKey) {
    Connection cn(resultsDb());
    const int64_t first = addResult(cn, QStringLiteral("Rossi"));
    for (const QString& table : kResultTables)
        EXPECT_EQ(cn.scalar(QStringLiteral("SELECT group_concat(ID1) FROM \"%1\"").arg(table)).toLongLong(), first)
            << table.toStdString();
    const int64_t second = addResult(cn, QStringLiteral("Bianchi"));
    EXPECT_GT(second, first);
    for (const QString& table : kResultTables)
        EXPECT_EQ(rowCount(cn, table), 2) << table.toStdString();

    Recordset list(cn, QStringLiteral("select * from datiQgrafici order by ID1"));
    ASSERT_EQ(list.recordCount(), 2);
    list.moveLast();
    EXPECT_EQ(list.field(QStringLiteral("ID1")).toLongLong(), second);
    EXPECT_EQ(list.text(QStringLiteral("specName")), QStringLiteral("Bianchi"));
    EXPECT_EQ(list.text(QStringLiteral("wbc")), QStringLiteral("7.5"));
    // Fields never written read NULL, the two typed-only values too; a
    // histogram channel keeps its leading zero.
    EXPECT_TRUE(list.field(QStringLiteral("Ret%")).isNull());
    EXPECT_TRUE(list.field(QStringLiteral("Bandati")).isNull());
    EXPECT_TRUE(list.field(QStringLiteral("sesso")).isNull());
    EXPECT_EQ(list.text(QStringLiteral("sesso")), QString());
    EXPECT_EQ(list.field(QStringLiteral("GraficiWB1_ch002")), QVariant(QStringLiteral("047")));
    EXPECT_TRUE(list.field(QStringLiteral("GraficiPLT_ch002")).isNull());
}

TEST_F(RecordsetTest, AQuotedNameIsFoundByLikeAndFieldsByAnyCase) {
    Connection cn(resultsDb());
    const QString name = QStringLiteral("D'Amico");
    addResult(cn, QStringLiteral("Rossi"));
    const int64_t key = addResult(cn, name);
    Recordset rs(cn, QStringLiteral("select * from datiQgrafici where specName like '") + sqlQuote(name) +
                         QStringLiteral("' order by ID1"));
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.currentKey(), key);
    EXPECT_EQ(rs.text(QStringLiteral("SPECNAME")), name);

    rs.setField(QStringLiteral("Neu%"), QStringLiteral("61.5"));
    EXPECT_EQ(rs.field(QStringLiteral("neu%")), QVariant(61.5));
    rs.update();
    EXPECT_EQ(rs.field(QStringLiteral("NEU%")), QVariant(61.5));
    EXPECT_EQ(rs.field(QStringLiteral("Id1")), rs.field(QStringLiteral("ID1")));
    EXPECT_TRUE(rs.hasField(QStringLiteral("specid")));
    EXPECT_EQ(failureOf([&] { rs.field(QStringLiteral("neutrophils")); }).first, err::ItemNotFound);
    EXPECT_EQ(failureOf([&] { rs.setField(QStringLiteral("neutrophils"), 1); }).first, err::ItemNotFound);
}

TEST_F(RecordsetTest, TextIntoANumberFieldIsReadWithTheConnectionsMark) {
    Connection cn(resultsDb());
    struct Case {
        char mark;
        const char* field;
        QString text;
        QVariant stored;
    };
    const Case cases[] = {
        {',', "WBC", QStringLiteral("7,46"), QVariant(7.46)},
        {',', "WBC", QStringLiteral("4.5"), QVariant(4.5)},
        {'.', "WBC", QStringLiteral("7.46"), QVariant(7.46)},
        {'.', "WBC", QStringLiteral(" 12 "), QVariant(12.0)},
        {',', "WBC", QString(), QVariant()},
        {',', "Limits", QStringLiteral("2"), QVariant(qlonglong(2))},
        {',', "Limits", QStringLiteral("2,5"), QVariant(qlonglong(2))},
        {',', "Limits", QStringLiteral("3,5"), QVariant(qlonglong(4))},
        {',', "specId", QStringLiteral("0042"), QVariant(QStringLiteral("0042"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " <- " + c.text.toStdString() + " with " + c.mark);
        cn.setDecimalMark(QLatin1Char(c.mark));
        const int64_t key = addResult(cn, QStringLiteral("x"));
        Recordset rs(cn, QStringLiteral("select * from datiQgrafici where ID1 = %1").arg(key));
        rs.setField(QLatin1String(c.field), c.text);
        rs.update();
        EXPECT_EQ(cn.scalar(QStringLiteral("SELECT \"%1\" FROM datinumerici WHERE ID1 = ?1").arg(c.field),
                            {QVariant(qlonglong(key))}),
                  c.stored);
        EXPECT_EQ(rs.field(QLatin1String(c.field)), c.stored);
    }
}

TEST_F(RecordsetTest, TextThatIsNoNumberIsRefusedAndNothingIsStored) {
    Connection cn(resultsDb());
    cn.setDecimalMark(QLatin1Char(','));
    Recordset rs(cn, QStringLiteral("datiQgrafici"));
    rs.addNew();
    rs.setField(QStringLiteral("specName"), QStringLiteral("Verdi"));
    for (const char* text : {"abc", "1.234,5", "7,4x"})
        EXPECT_EQ(failureOf([&] { rs.setField(QStringLiteral("WBC"), QString::fromLatin1(text)); }).first,
                  err::TypeMismatch)
            << text;
    EXPECT_EQ(failureOf([&] { rs.setField(QStringLiteral("Limits"), QStringLiteral("due")); }).first,
              err::TypeMismatch);
    EXPECT_TRUE(rs.isNewRow());
    EXPECT_TRUE(rs.field(QStringLiteral("WBC")).isNull());
    for (const QString& table : kResultTables)
        EXPECT_EQ(rowCount(cn, table), 0) << table.toStdString();
    rs.cancelUpdate();
    EXPECT_FALSE(rs.editing());
    EXPECT_EQ(rs.recordCount(), 0);
}

TEST_F(RecordsetTest, EditingOneFieldChangesOnlyThatField) {
    Connection cn(resultsDb());
    const int64_t first = addResult(cn, QStringLiteral("Rossi"));
    addResult(cn, QStringLiteral("Bianchi"));
    const auto snapshot = [&] {
        return cn
            .scalar(QStringLiteral("SELECT group_concat(r, '|') FROM (SELECT quote(WBC) || quote(specName) || "
                                   "quote(seq) || quote(\"ret%\") || quote(GraficiWB1_ch002) AS r "
                                   "FROM datiQgrafici ORDER BY ID1)"))
            .toString();
    };
    const QString before = snapshot();

    Recordset rs(cn, QStringLiteral("select * from datiQgrafici order by ID1"));
    rs.setField(QStringLiteral("wbc"), 9.25);
    rs.update();
    EXPECT_EQ(rs.currentKey(), first);
    EXPECT_EQ(rs.field(QStringLiteral("WBC")), QVariant(9.25));
    QString expected = before;
    expected.replace(expected.indexOf(QLatin1String("7.5")), 3, QStringLiteral("9.25"));
    EXPECT_EQ(snapshot(), expected);

    // An edit that is moved away from is dropped, never saved.
    rs.setField(QStringLiteral("specName"), QStringLiteral("Neri"));
    rs.moveNext();
    EXPECT_FALSE(rs.editing());
    EXPECT_EQ(snapshot(), expected);
}

TEST_F(RecordsetTest, ANewRowIsDiscardedByAnyMove) {
    Connection cn(resultsDb());
    addResult(cn, QStringLiteral("Rossi"));
    Recordset rs(cn, QStringLiteral("select * from datiQgrafici order by ID1"));
    const std::vector<std::pair<const char*, std::function<void()>>> moves = {
        {"moveFirst", [&] { rs.moveFirst(); }},
        {"moveLast", [&] { rs.moveLast(); }},
        {"moveNext", [&] { rs.moveNext(); }},
        {"movePrevious", [&] { rs.movePrevious(); }},
        {"setAbsolutePosition", [&] { rs.setAbsolutePosition(1); }},
        {"requery", [&] { rs.requery(); }},
    };
    for (const auto& [name, move] : moves) {
        SCOPED_TRACE(name);
        rs.setAbsolutePosition(1);
        rs.addNew();
        EXPECT_FALSE(rs.bof());
        EXPECT_FALSE(rs.eof());
        rs.setField(QStringLiteral("specName"), QStringLiteral("Unsaved"));
        move();
        EXPECT_FALSE(rs.editing());
        EXPECT_EQ(rowCount(cn, QStringLiteral("datinumerici")), 1);
    }
    // A second addNew starts afresh.
    rs.addNew();
    rs.setField(QStringLiteral("specName"), QStringLiteral("Unsaved"));
    rs.addNew();
    EXPECT_TRUE(rs.field(QStringLiteral("specName")).isNull());
    rs.cancelUpdate();
    EXPECT_EQ(rs.recordCount(), 1);
}

TEST_F(RecordsetTest, NavigationFollowsBofAndEof) {
    Connection cn(resultsDb());
    cn.execute(
        QStringLiteral("CREATE TABLE t (v TEXT); CREATE TABLE empty (v TEXT);"
                       "INSERT INTO t VALUES ('a'), ('b'), ('c');"));
    const auto noCurrent = [](const std::function<void()>& f) { return failureOf(f).first == err::NoCurrentRecord; };
    const auto invalid = [](const std::function<void()>& f) { return failureOf(f).first == err::InvalidCall; };

    Recordset closed;
    EXPECT_TRUE(invalid([&] { closed.moveFirst(); }));

    Recordset none(cn, QStringLiteral("empty"));
    EXPECT_EQ(none.recordCount(), 0);
    for (const auto& move : std::vector<std::function<void()>>{[&] { none.moveFirst(); }, [&] { none.moveLast(); }}) {
        move();
        EXPECT_TRUE(none.bof() && none.eof());
        EXPECT_EQ(none.absolutePosition(), 0);
    }
    EXPECT_TRUE(noCurrent([&] { none.moveNext(); }));
    EXPECT_TRUE(noCurrent([&] { none.movePrevious(); }));
    EXPECT_TRUE(noCurrent([&] { none.field(QStringLiteral("v")); }));
    EXPECT_TRUE(invalid([&] { none.setAbsolutePosition(1); }));

    // The same walk over a keyed set and a read-only one.
    for (const QString& source : {QStringLiteral("select * from [t] order by v"),
                                  QStringLiteral("select v, length(v) as n from t order by v")}) {
        SCOPED_TRACE(source.toStdString());
        Recordset rs(cn, source);
        ASSERT_EQ(rs.recordCount(), 3);
        EXPECT_EQ(rs.absolutePosition(), 1);
        EXPECT_EQ(rs.text(QStringLiteral("V")), QStringLiteral("a"));
        rs.movePrevious();
        EXPECT_TRUE(rs.bof());
        EXPECT_FALSE(rs.eof());
        EXPECT_TRUE(noCurrent([&] { rs.movePrevious(); }));
        EXPECT_TRUE(noCurrent([&] { rs.field(QStringLiteral("v")); }));
        rs.moveNext();
        EXPECT_EQ(rs.text(QStringLiteral("v")), QStringLiteral("a"));
        rs.moveLast();
        EXPECT_EQ(rs.absolutePosition(), 3);
        EXPECT_EQ(rs.text(QStringLiteral("v")), QStringLiteral("c"));
        rs.moveNext();
        EXPECT_TRUE(rs.eof());
        EXPECT_EQ(rs.absolutePosition(), 0);
        EXPECT_TRUE(noCurrent([&] { rs.moveNext(); }));
        EXPECT_TRUE(noCurrent([&] { rs.text(QStringLiteral("v")); }));
        rs.movePrevious();
        EXPECT_EQ(rs.text(QStringLiteral("v")), QStringLiteral("c"));
        rs.setAbsolutePosition(2);
        EXPECT_EQ(rs.text(QStringLiteral("v")), QStringLiteral("b"));
        for (int64_t outside : {int64_t(0), int64_t(4), int64_t(-1)})
            EXPECT_TRUE(invalid([&] { rs.setAbsolutePosition(outside); })) << outside;
        EXPECT_EQ(rs.fieldName(0), QStringLiteral("v"));
        EXPECT_EQ(failureOf([&] { rs.fieldName(9); }).first, err::ItemNotFound);
    }

    Recordset readOnly(cn, QStringLiteral("select v, length(v) as n from t"));
    EXPECT_TRUE(invalid([&] { readOnly.addNew(); }));
    EXPECT_TRUE(invalid([&] { readOnly.setField(QStringLiteral("v"), QStringLiteral("z")); }));

    // requery sees rows written since the open.
    Recordset keyed(cn, QStringLiteral("t"));
    cn.execute(QStringLiteral("DELETE FROM t"));
    keyed.requery();
    EXPECT_TRUE(keyed.bof() && keyed.eof());
}

TEST_F(RecordsetTest, AFailedUpdateWritesNothing) {
    const QString db = resultsDb();
    Connection cn(db);
    addResult(cn, QStringLiteral("Rossi"));
    Recordset rs(cn, QStringLiteral("datiQgrafici"));
    const auto nothingAdded = [&] {
        for (const QString& table : kResultTables)
            EXPECT_EQ(rowCount(cn, table), 1) << table.toStdString();
        EXPECT_EQ(rs.recordCount(), 1);
        EXPECT_FALSE(rs.editing());
        EXPECT_EQ(rs.absolutePosition(), 1);
    };

    // A value the column refuses (bytes into a number) fails at the commit.
    rs.addNew();
    rs.setField(QStringLiteral("GraficiPLT_ch230"), QStringLiteral("1"));
    rs.setField(QStringLiteral("WBC"), QByteArray("7.5"));
    const auto refused = failureOf([&] { rs.update(); });
    EXPECT_EQ(refused.first, err::Database);
    EXPECT_TRUE(refused.second.contains(QLatin1String("CHECK constraint failed"))) << refused.second.toStdString();
    nothingAdded();

    // Another connection holds the write lock.
    Connection other(db);
    other.beginTransaction();
    cn.setBusyTimeout(20);
    rs.addNew();
    rs.setField(QStringLiteral("specName"), QStringLiteral("Verdi"));
    const auto locked = failureOf([&] { rs.update(); });
    EXPECT_EQ(locked.first, err::Database);
    EXPECT_TRUE(locked.second.contains(QLatin1String("locked"))) << locked.second.toStdString();
    other.rollback();
    nothingAdded();

    // Inside an outer transaction the update goes with it.
    cn.beginTransaction();
    rs.addNew();
    rs.setField(QStringLiteral("specName"), QStringLiteral("Verdi"));
    rs.update();
    EXPECT_EQ(rs.text(QStringLiteral("specName")), QStringLiteral("Verdi"));
    cn.rollback();
    EXPECT_EQ(rowCount(cn, QStringLiteral("datinumerici")), 1);
}

TEST_F(RecordsetTest, AResultIsDeletedTableByTableInOneTransaction) {
    const QString db = resultsDb();
    Connection cn(db);
    const int64_t gone = addResult(cn, QStringLiteral("Rossi"));
    const int64_t kept = addResult(cn, QStringLiteral("Bianchi"));
    Recordset list(cn, QStringLiteral("select * from datiQgrafici order by ID1"));
    {
        Transaction t(cn);
        for (const QString& table : kResultTables)
            EXPECT_EQ(
                cn.execute(QStringLiteral("DELETE FROM \"%1\" WHERE ID1 = ?1").arg(table), {QVariant(qlonglong(gone))}),
                1);
        t.commit();
    }
    for (const QString& table : kResultTables)
        EXPECT_EQ(cn.scalar(QStringLiteral("SELECT group_concat(ID1) FROM \"%1\"").arg(table)).toLongLong(), kept)
            << table.toStdString();

    // The list opened before still has the deleted row: it reads as empty and
    // cannot be updated.
    ASSERT_EQ(list.recordCount(), 2);
    EXPECT_TRUE(list.field(QStringLiteral("specName")).isNull());
    list.setField(QStringLiteral("specName"), QStringLiteral("Neri"));
    EXPECT_EQ(failureOf([&] { list.update(); }).first, err::NoCurrentRecord);
    EXPECT_EQ(rowCount(cn, QStringLiteral("datinumerici")), 1);
    list.moveNext();
    EXPECT_EQ(list.text(QStringLiteral("specName")), QStringLiteral("Bianchi"));
}

TEST_F(RecordsetTest, RowsAreReadOnlyWhenReached) {
    Connection cn(resultsDb());
    cn.execute(
        QStringLiteral("CREATE TABLE big (n INTEGER, label TEXT);"
                       "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 50000) "
                       "INSERT INTO big SELECT n, 'row ' || n FROM c;"));
    Recordset rs(cn, QStringLiteral("select * from big where n > 0 order by n"));
    ASSERT_EQ(rs.recordCount(), 50000);
    // Written after the rows were read: the row is read again when reached.
    cn.execute(QStringLiteral("UPDATE big SET label = 'changed' WHERE n = 50000"));
    rs.moveLast();
    EXPECT_EQ(rs.text(QStringLiteral("label")), QStringLiteral("changed"));
    EXPECT_EQ(rs.field(QStringLiteral("n")), QVariant(qlonglong(50000)));
    // A row added through the set becomes its last, current row.
    rs.addNew();
    rs.setField(QStringLiteral("n"), QStringLiteral("50001"));
    rs.update();
    EXPECT_EQ(rs.recordCount(), 50001);
    EXPECT_EQ(rs.absolutePosition(), 50001);
    EXPECT_EQ(rs.field(QStringLiteral("n")), QVariant(qlonglong(50001)));
}

TEST_F(RecordsetTest, ASetOpenedToAddARowReadsNoKeys) {
    Connection cn(resultsDb());
    const int64_t rossi = addResult(cn, QStringLiteral("Rossi"));
    addResult(cn, QStringLiteral("Bianchi"));
    // The selection counts every row it looks at.
    int looked = 0;
    ASSERT_EQ(sqlite3_create_function(
                  cn.handle(), "counted", 1, SQLITE_UTF8, &looked,
                  [](sqlite3_context* ctx, int, sqlite3_value** argv) {
                      ++*static_cast<int*>(sqlite3_user_data(ctx));
                      sqlite3_result_value(ctx, argv[0]);
                  },
                  nullptr, nullptr),
              SQLITE_OK);
    const QString selection =
        QStringLiteral("select * from datiQgrafici where counted(specName) <> 'Neri' order by ID1");

    // As the store step adds a result: open, add, update, read back the key.
    Recordset adding(cn, selection);
    adding.addNew();
    adding.setField(QStringLiteral("specName"), QStringLiteral("Verdi"));
    adding.update();
    const int64_t verdi = adding.currentKey();
    EXPECT_EQ(looked, 0);
    // Read at the first use, the set is the one at the open, the added row last and current.
    EXPECT_EQ(adding.recordCount(), 3);
    EXPECT_GT(looked, 0);
    EXPECT_EQ(adding.absolutePosition(), 3);
    EXPECT_EQ(adding.currentKey(), verdi);
    adding.moveFirst();
    EXPECT_EQ(adding.currentKey(), rossi);

    // A write through the connection before the first use: the set still is the one at its open.
    Recordset list(cn, selection);
    addResult(cn, QStringLiteral("Neri"));
    cn.execute(QStringLiteral("UPDATE datinumerici SET specName = 'Neri' WHERE ID1 = ?1"),
               {QVariant(qlonglong(rossi))});
    ASSERT_EQ(list.recordCount(), 3);
    EXPECT_EQ(list.text(QStringLiteral("specName")), QStringLiteral("Neri"));  // the row as it is now
    list.moveLast();
    EXPECT_EQ(list.currentKey(), verdi);

    // An added row the selection would not take is still the set's last row.
    Recordset other(cn, selection);
    other.addNew();
    other.setField(QStringLiteral("specName"), QStringLiteral("Neri"));
    other.update();
    EXPECT_EQ(other.recordCount(), 3);
    EXPECT_EQ(other.text(QStringLiteral("specName")), QStringLiteral("Neri"));

    // A set whose keys cannot be read does not stop another write: its own first use fails.
    ASSERT_EQ(sqlite3_create_function(
                  cn.handle(), "refused", 1, SQLITE_UTF8, nullptr,
                  [](sqlite3_context* ctx, int, sqlite3_value**) { sqlite3_result_error(ctx, "refused", -1); }, nullptr,
                  nullptr),
              SQLITE_OK);
    Recordset failing(cn, QStringLiteral("select * from datiQgrafici where refused(specName) order by ID1"));
    EXPECT_NO_THROW(addResult(cn, QStringLiteral("Gialli")));
    const auto failure = failureOf([&] { failing.recordCount(); });
    EXPECT_EQ(failure.first, err::Database);
    EXPECT_TRUE(failure.second.contains(QLatin1String("refused"))) << failure.second.toStdString();
}

TEST_F(RecordsetTest, RowsReadWithTheKeysLastUntilAnythingIsWritten) {
    const QString db = resultsDb();
    Connection cn(db);
    const int64_t first = addResult(cn, QStringLiteral("Rossi"));
    const int64_t second = addResult(cn, QStringLiteral("Bianchi"));
    addResult(cn, QStringLiteral("Verdi"));
    Recordset rs(cn, QStringLiteral("select * from datiQgrafici order by ID1"));
    ASSERT_EQ(rs.recordCount(), 3);
    EXPECT_EQ(rs.text(QStringLiteral("specName")), QStringLiteral("Rossi"));

    // Another connection of the program writes: what is reached next is read anew.
    Connection other(db);
    other.execute(QStringLiteral("UPDATE datinumerici SET specName = 'Neri' WHERE ID1 = ?1"),
                  {QVariant(qlonglong(second))});
    rs.moveNext();
    EXPECT_EQ(rs.text(QStringLiteral("specName")), QStringLiteral("Neri"));
    other.execute(QStringLiteral("DELETE FROM datinumerici WHERE ID1 = ?1"), {QVariant(qlonglong(first))});
    rs.moveFirst();
    EXPECT_TRUE(rs.field(QStringLiteral("specName")).isNull());
    rs.moveLast();
    EXPECT_EQ(rs.text(QStringLiteral("GraficiWB1_ch002")), QStringLiteral("047"));

    // A set larger than what is kept: the rows past it are read when reached.
    cn.execute(
        QStringLiteral("CREATE TABLE big (n INTEGER, payload BLOB);"
                       "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 2500) "
                       "INSERT INTO big SELECT n, zeroblob(10000) FROM c;"));
    Recordset big(cn, QStringLiteral("select * from big order by n desc"));
    ASSERT_EQ(big.recordCount(), 2500);
    EXPECT_EQ(big.field(QStringLiteral("n")), QVariant(qlonglong(2500)));
    big.moveLast();
    EXPECT_EQ(big.field(QStringLiteral("n")), QVariant(qlonglong(1)));
    EXPECT_EQ(big.field(QStringLiteral("payload")).toByteArray(), QByteArray(10000, '\0'));
    big.setAbsolutePosition(1200);
    EXPECT_EQ(big.field(QStringLiteral("n")), QVariant(qlonglong(1301)));
}

TEST_F(RecordsetTest, AWalkPastTheRowsReadWithTheKeysReadsWhatAPlainQueryReadsAndHoldsAWindow) {
    const QString db = resultsDb();
    Connection cn(db);
    // Half the rows found, about 30 MB of them, in an order other than the table's.
    cn.execute(QStringLiteral(
        "CREATE TABLE big (n INTEGER, name TEXT, payload BLOB);"
        "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 3000) "
        "INSERT INTO big SELECT n, iif(n % 2 = 0, 'ROSSI ', 'BIANCHI ') || n, zeroblob(20000) || n FROM c;"));
    const QString where = QStringLiteral(" from big where name like '%ossi%' order by n % 7, n desc");
    Recordset plain(cn, QStringLiteral("select n, name, payload") + where);
    Recordset rs(cn, QStringLiteral("select *") + where);
    ASSERT_EQ(rs.recordCount(), 1500);
    ASSERT_EQ(plain.recordCount(), 1500);
    const int64_t readAhead = rs.rowsHeld();
    ASSERT_GT(readAhead, 0);
    ASSERT_LT(readAhead, 1500);

    const auto same = [&](int64_t position) {
        SCOPED_TRACE(position);
        plain.setAbsolutePosition(position);
        ASSERT_EQ(rs.absolutePosition(), position);
        for (const char* name : {"n", "name", "payload"})
            ASSERT_EQ(rs.field(QLatin1String(name)), plain.field(QLatin1String(name))) << name;
        // A window of rows is held, never the set.
        EXPECT_LE(rs.rowsHeld(), 256);
    };
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        same(rs.absolutePosition());
    for (rs.moveLast(); !rs.bof(); rs.movePrevious())
        same(rs.absolutePosition());
    for (const int64_t position : {1400, 3, 1500, 900, 899, 1})
        rs.setAbsolutePosition(position), same(position);

    // A row deleted inside a window reads as all NULL; its neighbours as they are.
    rs.setAbsolutePosition(1300);
    const int64_t gone = rs.currentKey();
    Connection other(db);
    other.execute(QStringLiteral("DELETE FROM big WHERE rowid = ?1"), {QVariant(qlonglong(gone))});
    EXPECT_TRUE(rs.field(QStringLiteral("name")).isNull());
    rs.moveNext();
    plain.setAbsolutePosition(1301);
    EXPECT_EQ(rs.field(QStringLiteral("name")), plain.field(QStringLiteral("name")));
}

TEST_F(RecordsetTest, AFieldFirstReadDeepInAWalkReadsWhatAPlainQueryReads) {
    Connection cn(resultsDb());
    cn.execute(
        QStringLiteral("CREATE TABLE wide (n INTEGER, name TEXT, amount REAL, note TEXT, payload BLOB, code INTEGER);"
                       "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 2000) "
                       "INSERT INTO wide SELECT n, 'ROSSI ' || n, n / 4.0, iif(n % 3 = 0, NULL, 'nota ' || n),"
                       " randomblob(n % 50), n * 7 FROM c;"));
    const QString where = QStringLiteral(" from wide where name like '%ossi%' order by n % 5, n desc");
    Recordset plain(cn, QStringLiteral("select n, name, amount, note, payload, code") + where);
    ASSERT_EQ(plain.recordCount(), 2000);

    // A walk that reads a few columns, then from some position one more: its
    // fields are those of the row, whichever columns the windows held.
    struct Case {
        int64_t from;  // where the walk starts; backwards when it is the last row
        int64_t more;  // where it starts reading `added`
        std::vector<const char*> read;
        const char* added;
    };
    const Case cases[] = {
        {1, 700, {"name"}, "payload"}, {1, 1300, {"name", "amount"}, "note"},         {1, 20, {"note"}, "code"},
        {2000, 900, {"code"}, "n"},    {2000, 5, {"n", "name", "amount"}, "payload"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.added);
        Recordset walked(cn, QStringLiteral("select *") + where);
        const bool forwards = c.from == 1;
        std::vector<const char*> read = c.read;
        for (walked.setAbsolutePosition(c.from); !walked.eof() && !walked.bof();
             forwards ? walked.moveNext() : walked.movePrevious()) {
            const int64_t position = walked.absolutePosition();
            if (position == c.more)
                read.push_back(c.added);
            plain.setAbsolutePosition(position);
            for (const char* name : read)
                ASSERT_EQ(walked.field(QLatin1String(name)), plain.field(QLatin1String(name)))
                    << name << " at " << position;
            // Each set after the first reads the columns its predecessor read
            // with its keys; what it holds stays within a window.
            ASSERT_LE(walked.bytesHeld(), kWindowBytes);
        }
    }
}

TEST_F(RecordsetTest, ASetOpenedAgainReadsTheColumnsTheLastOneReadWithItsKeys) {
    const QString db = resultsDb();
    Connection cn(db);
    // Half the rows found; `note` is large enough that only some of its rows fit in a window.
    cn.execute(QStringLiteral(
        "CREATE TABLE big (n INTEGER, name TEXT, amount REAL, note TEXT, payload BLOB, a, b, c, d, e);"
        "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 3000) "
        "INSERT INTO big (n, name, amount, note, payload) SELECT n, iif(n % 2 = 0, 'ROSSI ', 'BIANCHI ') || n,"
        " n / 8.0, printf('%.4000c', 'x') || n, zeroblob(100) FROM c;"));
    const QString where = QStringLiteral(" from big where name like '%ossi%' order by n desc");
    Recordset plain(cn, QStringLiteral("select n, name, amount, note, payload, a") + where);
    ASSERT_EQ(plain.recordCount(), 1500);
    const auto walk = [&](const std::vector<const char*>& read, const char* laterFrom700) {
        Recordset rs(cn, QStringLiteral("select *") + where);
        std::vector<const char*> fields = read;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            const int64_t position = rs.absolutePosition();
            if (position == 700 && laterFrom700)
                fields.push_back(laterFrom700);
            plain.setAbsolutePosition(position);
            for (const char* name : fields)
                EXPECT_EQ(rs.field(QLatin1String(name)), plain.field(QLatin1String(name)))
                    << name << " at " << position;
            EXPECT_LE(rs.bytesHeld(), kWindowBytes);
        }
    };
    const auto heldAfterOpen = [&] {
        Recordset rs(cn, QStringLiteral("select *") + where);
        rs.recordCount();
        return rs.rowsHeld();
    };

    // The first set knows nothing of what will be read: a few whole rows.
    EXPECT_LE(heldAfterOpen(), 16);
    // Once a walk has read two small columns, the next scan keeps all 1,500 rows of them.
    walk({"n", "amount"}, nullptr);
    EXPECT_EQ(heldAfterOpen(), 1500);
    // A column first read deep in a walk is read by key from there on; the
    // next scan reads it too, and keeps the rows of as many keys as a window
    // may hold, the rest read in windows when reached.
    walk({"n", "amount"}, "note");
    const int64_t held = heldAfterOpen();
    EXPECT_GT(held, 256);
    EXPECT_LT(held, 1500);
    walk({"n", "amount", "note"}, "name");
    // A walk of most of the columns leaves the next scan to the keys alone.
    walk({"n", "name", "amount", "note", "payload"}, "a");
    EXPECT_LE(heldAfterOpen(), 16);

    // Rows kept by the scan and changed since by another connection are read again.
    walk({"name"}, nullptr);
    Recordset rs(cn, QStringLiteral("select *") + where);
    ASSERT_EQ(rs.recordCount(), 1500);
    ASSERT_EQ(rs.rowsHeld(), 1500);
    Connection other(db);
    other.execute(QStringLiteral("UPDATE big SET name = 'ROSSI changed' WHERE n = 2000"));
    rs.setAbsolutePosition(501);  // n = 3000 - 2 * 500
    EXPECT_EQ(rs.field(QStringLiteral("name")), QVariant(QStringLiteral("ROSSI changed")));
    EXPECT_EQ(rs.field(QStringLiteral("n")), QVariant(qlonglong(2000)));
}

TEST_F(RecordsetTest, BoundParametersSelectAnUpdatableSet) {
    Connection cn(resultsDb());
    cn.execute(
        QStringLiteral("CREATE TABLE limiti (limite INTEGER, valori TEXT, wbcL TEXT);"
                       "INSERT INTO limiti VALUES (2, 'D''Amico', '4'), (1, 'D''Amico', '5'), (1, '50%_x', '6'),"
                       " (1, 'Rossi', '7');"));
    struct Case {
        QString name;
        int64_t rows;
    };
    for (const Case& c : {Case{QStringLiteral("D'Amico"), 2}, Case{QStringLiteral("50%_x"), 1}}) {
        SCOPED_TRACE(c.name.toStdString());
        Recordset rs(cn, QStringLiteral("select * from limiti where valori = ?1 order by limite"), {c.name});
        ASSERT_EQ(rs.recordCount(), c.rows);
        rs.setField(QStringLiteral("wbcL"), QStringLiteral("3.9"));
        rs.update();
        rs.addNew();
        rs.setField(QStringLiteral("valori"), c.name);
        rs.setField(QStringLiteral("limite"), 3);
        rs.update();
        EXPECT_EQ(rs.currentKey(), cn.scalar(QStringLiteral("SELECT max(rowid) FROM limiti")).toLongLong());

        rs.requery();
        ASSERT_EQ(rs.recordCount(), c.rows + 1);
        EXPECT_EQ(rs.text(QStringLiteral("wbcL")), QStringLiteral("3.9"));
        rs.moveLast();
        EXPECT_EQ(rs.field(QStringLiteral("limite")), QVariant(qlonglong(3)));
    }
    EXPECT_EQ(cn.scalar(QStringLiteral(
                  "SELECT group_concat(ifnull(wbcL, '-')) FROM (SELECT wbcL FROM limiti ORDER BY rowid)")),
              QVariant(QStringLiteral("4,3.9,3.9,7,-,-")));
}

TEST_F(RecordsetTest, ParametersAreBoundIntoWhatCannotBeKeyedAndMustMatchTheSql) {
    Connection cn(resultsDb());
    cn.execute(
        QStringLiteral("CREATE TABLE limiti (limite INTEGER, valori TEXT);"
                       "INSERT INTO limiti VALUES (1, 'Rossi'), (2, 'Rossi'), (1, 'Bianchi');"));
    Recordset grouped(cn, QStringLiteral("select valori, count(*) as n from limiti where limite = ?1 group by valori"),
                      {1});
    EXPECT_EQ(grouped.recordCount(), 2);
    EXPECT_EQ(failureOf([&] { grouped.addNew(); }).first, err::InvalidCall);
    cn.execute(QStringLiteral("UPDATE limiti SET limite = 1"));
    grouped.requery();
    EXPECT_EQ(grouped.field(QStringLiteral("n")), QVariant(qlonglong(1)));  // Bianchi
    grouped.moveNext();
    EXPECT_EQ(grouped.field(QStringLiteral("n")), QVariant(qlonglong(2)));  // Rossi

    struct Case {
        QString source;
        QVariantList params;
    };
    const Case cases[] = {
        {QStringLiteral("select * from limiti where valori = ?1"), {}},
        {QStringLiteral("select * from limiti where valori = ?1"), {QStringLiteral("Rossi"), 2}},
        {QStringLiteral("select valori from limiti where valori = ?1 and limite = ?2"), {QStringLiteral("Rossi")}},
        {QStringLiteral("limiti"), {QStringLiteral("Rossi")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source.toStdString());
        Recordset rs;
        const auto failure = failureOf([&] { rs.open(cn, c.source, c.params); });
        EXPECT_EQ(failure.first, err::InvalidCall);
        EXPECT_TRUE(failure.second.contains(QLatin1String("parameters"))) << failure.second.toStdString();
        EXPECT_FALSE(rs.isOpen());
    }
}

TEST_F(RecordsetTest, ARegisteredViewIsUpdatableByKeyAndAnotherViewIsReadOnly) {
    const QString db = path(QStringLiteral("cards.db"));
    createDatabaseFromSql(
        db,
        QStringLiteral("CREATE TABLE person (id INTEGER PRIMARY KEY, name TEXT);"
                       "CREATE TABLE phone (id INTEGER PRIMARY KEY, number TEXT);"
                       "CREATE VIEW card AS SELECT p.id, p.name, f.number FROM person p JOIN phone f ON f.id = p.id;"
                       "CREATE VIEW cardcopy AS SELECT * FROM card;"
                       "CREATE TRIGGER card_add INSTEAD OF INSERT ON card BEGIN"
                       " INSERT INTO person (name) VALUES (NEW.name);"
                       " INSERT INTO phone (id, number) VALUES ((SELECT max(id) FROM person), NEW.number); END;"
                       "CREATE TRIGGER card_edit INSTEAD OF UPDATE ON card BEGIN"
                       " UPDATE person SET name = NEW.name WHERE id = OLD.id;"
                       " UPDATE phone SET number = NEW.number WHERE id = OLD.id; END;"));
    registerKeyedView(QStringLiteral("CARD"), QStringLiteral("id"), QStringLiteral("person"));
    Connection cn(db);
    // SQLite's last rowid is then this row's, whatever the trigger inserts.
    cn.execute(QStringLiteral("INSERT INTO phone VALUES (100, 'spare')"));

    Recordset rs(cn, QStringLiteral("select * from [Card] order by name"));
    for (const char* name : {"Rossi", "Bianchi"}) {
        rs.addNew();
        rs.setField(QStringLiteral("name"), QString::fromLatin1(name));
        rs.setField(QStringLiteral("number"), QStringLiteral("555"));
        rs.update();
        EXPECT_EQ(rs.currentKey(),
                  cn.scalar(QStringLiteral("SELECT id FROM person WHERE name = ?1"), {name}).toLongLong());
        EXPECT_EQ(rs.text(QStringLiteral("name")), QString::fromLatin1(name));
    }
    rs.requery();
    ASSERT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.text(QStringLiteral("name")), QStringLiteral("Bianchi"));
    rs.setField(QStringLiteral("number"), QStringLiteral("556"));
    rs.update();
    EXPECT_EQ(cn.scalar(QStringLiteral("SELECT group_concat(number) FROM (SELECT number FROM phone ORDER BY id)")),
              QVariant(QStringLiteral("555,556,spare")));

    Recordset copy(cn, QStringLiteral("cardcopy"));
    EXPECT_EQ(copy.recordCount(), 2);
    EXPECT_EQ(failureOf([&] { copy.addNew(); }).first, err::InvalidCall);
    EXPECT_EQ(failureOf([&] { copy.currentKey(); }).first, err::InvalidCall);
}

// ---------------------------------------------------------------------------

TEST_F(DatabaseCopyTest, CompactionKeepsEveryRowAndLeavesNoScratchFile) {
    const QString db = resultsDb();
    const QString scratch = path(QStringLiteral("Temp.mdb"));
    {
        Connection cn(db);
        for (int i = 0; i < 20; ++i)
            addResult(cn, QStringLiteral("patient %1").arg(i));
        cn.execute(QStringLiteral("DELETE FROM datinumerici WHERE ID1 % 2 = 0"));
    }
    compactDatabase(db, scratch);
    EXPECT_FALSE(QFileInfo::exists(scratch));
    Connection cn(db);
    EXPECT_EQ(rowCount(cn, QStringLiteral("datinumerici")), 10);
    EXPECT_EQ(rowCount(cn, QStringLiteral("graficiWB1")), 20);
    EXPECT_EQ(cn.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    cn.close();

    // A scratch file already there stops the compaction before it touches anything.
    writeBytes(scratch, "someone's file");
    const QByteArray original = bytesOf(db);
    EXPECT_EQ(failureOf([&] { compactDatabase(db, scratch); }).first, err::PathFileAccess);
    EXPECT_EQ(bytesOf(scratch), QByteArray("someone's file"));
    EXPECT_EQ(bytesOf(db), original);
    QFile::remove(scratch);

    // A file that is no database fails and leaves no scratch behind.
    const QString text = path(QStringLiteral("text.mdb"));
    writeBytes(text, "not a database");
    EXPECT_EQ(failureOf([&] { compactDatabase(text, scratch); }).first, err::Database);
    EXPECT_FALSE(QFileInfo::exists(scratch));
    EXPECT_EQ(bytesOf(text), QByteArray("not a database"));
}

TEST_F(DatabaseCopyTest, CompactionRunsOnlyWhereItReclaimsSomething) {
    const QString db = resultsDb();
    const QString scratch = path(QStringLiteral("Temp.mdb"));
    const auto header = [&](const char* pragma) {
        Connection cn(db);
        return cn.scalar(QString::fromLatin1(pragma)).toLongLong();
    };
    const auto pages = [&] { return QFileInfo(db).size() / header("PRAGMA page_size"); };
    {
        Connection cn(db);
        cn.execute(QStringLiteral("CREATE TABLE pad (b BLOB)"));
        for (int i = 0; i < 30; ++i)
            addResult(cn, QStringLiteral("patient %1").arg(i));
    }
    // Never compacted: the size after a compaction is not known yet.
    EXPECT_TRUE(compactIfWorthwhile(db, scratch));
    EXPECT_EQ(header("PRAGMA user_version"), pages());
    EXPECT_FALSE(QFileInfo::exists(scratch));

    // Nothing to free, no growth: the file stays as it is, byte for byte.
    // (A compaction would write the same bytes into a new file: the inode tells.)
    const auto inode = [&] {
        struct stat st {};
        return ::stat(QFile::encodeName(db).constData(), &st) == 0 ? st.st_ino : ino_t(0);
    };
    const QByteArray compacted = bytesOf(db);
    const ino_t file = inode();
    EXPECT_FALSE(compactIfWorthwhile(db, scratch));
    EXPECT_EQ(bytesOf(db), compacted);
    EXPECT_EQ(inode(), file);

    // Grown by less than a tenth: left alone; by a tenth: compacted.
    const int64_t recorded = header("PRAGMA user_version");
    int added = 0;
    while (pages() * 10 < recorded * 11) {
        ASSERT_FALSE(compactIfWorthwhile(db, scratch)) << pages() << " pages, " << recorded << " before";
        Connection cn(db);
        cn.execute(QStringLiteral("INSERT INTO pad VALUES (zeroblob(3000))"), QVariantList());
        ++added;
    }
    EXPECT_GT(added, 1);
    EXPECT_TRUE(compactIfWorthwhile(db, scratch));
    EXPECT_EQ(header("PRAGMA user_version"), pages());

    // A tenth of the file free: compacted, every row kept.
    const int64_t rows = [&] {
        Connection cn(db);
        cn.execute(QStringLiteral("DELETE FROM pad; DELETE FROM datinumerici WHERE ID1 % 2 = 0"));
        return rowCount(cn, QStringLiteral("datinumerici"));
    }();
    ASSERT_GE(header("PRAGMA freelist_count") * 10, pages());
    EXPECT_TRUE(compactIfWorthwhile(db, scratch));
    EXPECT_EQ(header("PRAGMA freelist_count"), 0);
    {
        Connection cn(db);
        EXPECT_EQ(rowCount(cn, QStringLiteral("datinumerici")), rows);
        EXPECT_EQ(cn.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    }

    // A scratch file already there is refused even where nothing needs doing;
    // what cannot be read fails as the compaction fails.
    writeBytes(scratch, "someone's file");
    EXPECT_EQ(failureOf([&] { compactIfWorthwhile(db, scratch); }).first, err::PathFileAccess);
    EXPECT_EQ(bytesOf(scratch), QByteArray("someone's file"));
    QFile::remove(scratch);
    const QString text = path(QStringLiteral("text.mdb"));
    writeBytes(text, "not a database");
    EXPECT_EQ(failureOf([&] { compactIfWorthwhile(text, scratch); }).first, err::Database);
    EXPECT_EQ(failureOf([&] { compactIfWorthwhile(path(QStringLiteral("none.mdb")), scratch); }).first,
              err::FileNotFound);
    EXPECT_FALSE(QFileInfo::exists(scratch));
}

// A few free pages or a little growth are not worth rewriting the whole
// file: a tenth of it is. Each case starts from a compacted file of about a
// hundred pages, then grows it and frees pages, one page at a time.
TEST_F(DatabaseCopyTest, CompactionWaitsForATenthFreeOrATenthGrown) {
    struct Case {
        int freed;  // pages, of about 100
        int grown;
        bool compacted;
    } cases[] = {{0, 0, false}, {5, 0, false}, {15, 0, true}, {0, 5, false},
                 {0, 15, true}, {5, 5, false}, {60, 0, true}};
    const QString scratch = path(QStringLiteral("Temp.mdb"));
    int n = 0;
    for (const Case& c : cases) {
        const QString db = path(QStringLiteral("case%1.mdb").arg(++n));
        int free = 0, pages = 0;
        // A row of 3,000 bytes fills a page of 4,096 alone.
        createDatabaseFromSql(db,
                              QStringLiteral("PRAGMA page_size = 4096; CREATE TABLE pad (doomed INTEGER, b BLOB);"));
        {
            Connection cn(db);
            Transaction tx(cn);
            for (int i = 0; i < 100; ++i)
                cn.execute(QStringLiteral("INSERT INTO pad VALUES (?1, zeroblob(3000))"), {i < c.freed ? 1 : 0});
            tx.commit();
        }
        compactDatabase(db, scratch);
        {
            Connection cn(db);
            Transaction tx(cn);
            for (int i = 0; i < c.grown; ++i)
                cn.execute(QStringLiteral("INSERT INTO pad VALUES (0, zeroblob(3000))"), QVariantList());
            cn.execute(QStringLiteral("DELETE FROM pad WHERE doomed = 1"), QVariantList());
            tx.commit();
            free = cn.scalar(QStringLiteral("PRAGMA freelist_count")).toInt();
            pages = cn.scalar(QStringLiteral("PRAGMA page_count")).toInt();
            ASSERT_EQ(free > 0, c.freed > 0) << n;
        }
        EXPECT_EQ(compactIfWorthwhile(db, scratch), c.compacted)
            << "freed " << c.freed << ", grown " << c.grown << ": " << free << " free of " << pages;
    }
}

TEST_F(DatabaseCopyTest, BackupCreatesOrReplacesTheTargetWhole) {
    const QString db = resultsDb();
    {
        Connection cn(db);
        addResult(cn, QStringLiteral("Rossi"));
    }
    QDir(dir_.path()).mkdir(QStringLiteral("back-up"));
    const QString target = path(QStringLiteral("back-up/zarvium.mdb"));
    backupDatabase(db, target);
    {
        Connection copy(target);
        EXPECT_EQ(rowCount(copy, QStringLiteral("datinumerici")), 1);
        addResult(copy, QStringLiteral("only in the copy"));
    }
    backupDatabase(db, target);  // over an existing copy
    {
        Connection copy(target);
        EXPECT_EQ(rowCount(copy, QStringLiteral("datinumerici")), 1);
    }
    // A failed copy leaves the previous target as it was.
    const QByteArray before = bytesOf(target);
    const QString text = path(QStringLiteral("text.mdb"));
    writeBytes(text, "not a database at all, just some text that is long enough");
    EXPECT_EQ(failureOf([&] { backupDatabase(text, target); }).first, err::Database);
    EXPECT_EQ(failureOf([&] { backupDatabase(path(QStringLiteral("none.mdb")), target); }).first, err::FileNotFound);
    EXPECT_EQ(bytesOf(target), before);
    EXPECT_EQ(QDir(path(QStringLiteral("back-up"))).entryList(QDir::Files), QStringList{QStringLiteral("zarvium.mdb")});
}

// A back-up is the database as it is, byte for byte: SQLite's backup interface
// would rewrite header fields, and a copy that differs cannot be checked
// against its original by comparing files.
TEST_F(DatabaseCopyTest, BackupIsTheCompactedFileByteForByte) {
    const QString db = resultsDb();
    {
        Connection cn(db);
        for (int i = 0; i < 30; ++i)
            addResult(cn, QStringLiteral("patient %1").arg(i));
        cn.execute(QStringLiteral("DELETE FROM datinumerici WHERE ID1 % 3 = 0"));
    }
    compactDatabase(db, path(QStringLiteral("Temp.mdb")));
    const QByteArray compacted = bytesOf(db);
    QDir(dir_.path()).mkdir(QStringLiteral("back-up"));
    const QString target = path(QStringLiteral("back-up/zarvium.mdb"));
    writeBytes(target, "an older copy");
    backupDatabase(db, target);
    EXPECT_EQ(bytesOf(target), compacted);
    EXPECT_EQ(bytesOf(db), compacted);  // the original is only read

    // A reader elsewhere does not keep the copy from being taken, nor change it.
    Connection reader(db);
    Recordset open(reader, QStringLiteral("select * from datiQgrafici"));
    backupDatabase(db, target);
    EXPECT_EQ(bytesOf(target), compacted);
    EXPECT_EQ(QDir(path(QStringLiteral("back-up"))).entryList(QDir::Files), QStringList{QStringLiteral("zarvium.mdb")});
}

// What the splash shows of a back-up: a percentage that only grows and ends
// at 100 once the copy is in place; none reaches 100 for a copy that failed.
TEST_F(DatabaseCopyTest, BackupProgressOnlyGrowsAndEndsWhenTheCopyIsInPlace) {
    const QString db = path(QStringLiteral("big.mdb"));
    createDatabaseFromSql(db,
                          QStringLiteral("CREATE TABLE t (k INTEGER PRIMARY KEY, v BLOB); CREATE INDEX t_v ON t (v);"));
    {
        Connection cn(db);
        Transaction tx(cn);
        for (int i = 0; i < 2000; ++i)
            cn.execute(QStringLiteral("INSERT INTO t (v) VALUES (randomblob(3000))"));
        tx.commit();
    }
    QDir(dir_.path()).mkdir(QStringLiteral("back-up"));
    const QString target = path(QStringLiteral("back-up/big.mdb"));
    std::mutex guard;
    std::vector<int> said;
    const auto note = [&](int percent) {
        std::lock_guard<std::mutex> lock(guard);
        said.push_back(percent);
    };
    backupDatabase(db, target, note);
    EXPECT_EQ(bytesOf(target), bytesOf(db));
    ASSERT_GE(said.size(), 3u);
    EXPECT_TRUE(std::is_sorted(said.begin(), said.end()) && std::adjacent_find(said.begin(), said.end()) == said.end());
    EXPECT_EQ(said.back(), 100);

    said.clear();
    {
        QFile file(db);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        std::mt19937 garbage(23);
        QByteArray page(4096, Qt::Uninitialized);
        for (char& b : page)
            b = char(garbage());
        file.seek(file.size() / 4096 / 2 * 4096);
        file.write(page);
    }
    EXPECT_THROW(backupDatabase(db, target, note), DamagedDatabase);
    EXPECT_TRUE(std::find(said.begin(), said.end(), 100) == said.end());
}

// A back-up onto another file system (a USB disk, a network share) is copied
// whole where the room suffices; where it runs short the previous back-up is
// kept and nothing of the attempt is left behind.
TEST_F(DatabaseCopyTest, ABackUpOntoAnotherFileSystemIsWholeOrKeepsThePreviousOne) {
    const QString db = resultsDb();
    {
        Connection cn(db);
        Transaction tx(cn);
        for (int i = 0; i < 400; ++i)
            addResult(cn, QStringLiteral("patient %1").arg(i));
        tx.commit();
    }
    const qint64 size = QFileInfo(db).size();
    test::SmallFileSystem disk(4 * size + 1024 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.error().toStdString();
    const QString target = disk.path() + QStringLiteral("/zarviumtotale.mdb");
    backupDatabase(db, target);
    EXPECT_EQ(bytesOf(target), bytesOf(db));
    const QByteArray previous = bytesOf(target);
    {
        Connection cn(db);
        addResult(cn, QStringLiteral("one more"));
    }
    disk.fillLeaving(size / 2);
    EXPECT_EQ(failureOf([&] { backupDatabase(db, target); }).first, err::PathFileAccess);
    EXPECT_EQ(bytesOf(target), previous);
    // The same within one file system, which the kernel copies by itself.
    test::SmallFileSystem one(4 * size + 1024 * 1024);
    ASSERT_TRUE(one.mounted());
    const QString local = one.path() + QStringLiteral("/zarvium.mdb");
    ASSERT_TRUE(QFile::copy(db, local));
    const QString localTarget = one.path() + QStringLiteral("/copia.mdb");
    backupDatabase(local, localTarget);
    EXPECT_EQ(bytesOf(localTarget), bytesOf(local));
    one.fillLeaving(size / 2);
    EXPECT_EQ(failureOf([&] { backupDatabase(local, one.path() + QStringLiteral("/altra.mdb")); }).first,
              err::PathFileAccess);
    EXPECT_EQ(QDir(one.path()).entryList(QDir::Files),
              (QStringList{QStringLiteral("copia.mdb"), QStringLiteral("filler"), QStringLiteral("zarvium.mdb")}));
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files),
              (QStringList{QStringLiteral("filler"), QStringLiteral("zarviumtotale.mdb")}));
}

TEST_F(DatabaseCopyTest, ANewDatabaseIsMadeWholeOrNotAtAll) {
    const QString made = path(QStringLiteral("made.mdb"));
    createDatabaseFromSql(made, QStringLiteral("CREATE TABLE a (x); INSERT INTO a VALUES (1);"));
    EXPECT_EQ(failureOf([&] { createDatabaseFromSql(made, QStringLiteral("CREATE TABLE b (x);")); }).first,
              err::PathFileAccess);
    {
        Connection cn(made);
        EXPECT_EQ(rowCount(cn, QStringLiteral("a")), 1);
        EXPECT_EQ(cn.scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("delete"));
    }
    const QString broken = path(QStringLiteral("broken.mdb"));
    EXPECT_EQ(failureOf([&] { createDatabaseFromSql(broken, QStringLiteral("CREATE TABLE a (x); nonsense;")); }).first,
              err::Database);
    EXPECT_FALSE(QFileInfo::exists(broken));
}

}  // namespace
}  // namespace zv
