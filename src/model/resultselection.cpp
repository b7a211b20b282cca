#include "model/resultselection.h"

#include "platform/connection.h"

namespace zv {

void ensureDateIndex(Connection& cn) {
    if (cn.scalar(QStringLiteral("SELECT 1 FROM main.sqlite_master WHERE type = 'index' AND name = ?1"),
                  {QString(kDateIndex)})
            .isValid())
        return;
    cn.execute(
        QStringLiteral("CREATE INDEX IF NOT EXISTS main.\"%1\" ON datinumerici (date COLLATE BINARY)").arg(kDateIndex),
        QVariantList());
}

namespace {
bool hasSchemaItem(Connection& cn, const char* type, const QString& name) {
    return cn
        .scalar(QStringLiteral("SELECT 1 FROM main.sqlite_master WHERE type = ?1 AND name = ?2"),
                {QString::fromLatin1(type), name})
        .isValid();
}
}  // namespace

bool hasDateCounts(Connection& cn) { return hasSchemaItem(cn, "table", kDateCounts); }

// A date is its own key in byte order, text and blob apart, as GROUP BY date
// COLLATE BINARY tells dates apart; the result table's NOCASE (which this
// program replaces) never decides which date a result is counted under.
// Triggers live in the result table's file and fire for any connection, the
// file attached or not, so no writer can leave the counts behind.
void ensureDateCounts(Connection& cn) {
    if (hasDateCounts(cn))
        return;
    Transaction tx(cn);
    ensureDateIndex(cn);
    const QString table = QLatin1Char('"') + kDateCounts + QLatin1Char('"');
    const QString add = QStringLiteral(
                            "INSERT INTO %1 (date, n) VALUES (NEW.date, 1) "
                            "ON CONFLICT (date) DO UPDATE SET n = n + 1;")
                            .arg(table);
    const QString remove = QStringLiteral(
                               "UPDATE %1 SET n = n - 1 WHERE date = OLD.date COLLATE BINARY; "
                               "DELETE FROM %1 WHERE date = OLD.date COLLATE BINARY AND n <= 0;")
                               .arg(table);
    cn.execute(QStringLiteral("CREATE TABLE main.%1 (date TEXT PRIMARY KEY NOT NULL, n INTEGER NOT NULL) "
                              "WITHOUT ROWID;"
                              "CREATE TRIGGER main.\"%2_insert\" AFTER INSERT ON datinumerici "
                              "WHEN NEW.date IS NOT NULL BEGIN %3 END;"
                              "CREATE TRIGGER main.\"%2_delete\" AFTER DELETE ON datinumerici "
                              "WHEN OLD.date IS NOT NULL BEGIN %4 END;"
                              "CREATE TRIGGER main.\"%2_old_date\" AFTER UPDATE OF date ON datinumerici "
                              "WHEN OLD.date IS NOT NULL AND OLD.date IS NOT NEW.date COLLATE BINARY BEGIN %4 END;"
                              "CREATE TRIGGER main.\"%2_new_date\" AFTER UPDATE OF date ON datinumerici "
                              "WHEN NEW.date IS NOT NULL AND OLD.date IS NOT NEW.date COLLATE BINARY BEGIN %3 END;")
                   .arg(table, QString(kDateCounts), add, remove));
    cn.execute(QStringLiteral("INSERT INTO main.%1 (date, n) SELECT date, count(*) FROM main.datinumerici "
                              "WHERE date IS NOT NULL GROUP BY date COLLATE BINARY")
                   .arg(table),
               QVariantList());
    tx.commit();
}

// The program's LIKE folds letters (a pattern "k" matches "K" and the Kelvin
// sign) and reads % and _ as wildcards; printable ASCII other than these
// matches only itself, byte for byte. For such a day the index finds the
// dates equal to it; blobs, which LIKE reads as text but which equal no
// text, come from the index's end, and LIKE decides on all of them.
namespace {
bool matchesOnlyItself(const QString& pattern) {
    for (const QChar c : pattern) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u > 0x7e || u == u'%' || u == u'_' || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z'))
            return false;
    }
    return true;
}
}  // namespace

Selection daySelection(const QString& day) {
    if (!matchesOnlyItself(day))
        return {QStringLiteral("date like ?1"), {day}};
    // The keys from the index, in key order, so no sort follows.
    return {QStringLiteral("ID1 IN (SELECT ID1 FROM datinumerici WHERE date COLLATE BINARY = ?1 UNION ALL "
                           "SELECT ID1 FROM datinumerici WHERE date COLLATE BINARY >= x'') AND date like ?1"),
            {day}};
}

Selection recordSelection(int64_t id1) { return {QStringLiteral("ID1 = ?1"), {QVariant::fromValue(id1)}}; }

QString selectionQuery(const Selection& selection) {
    return QStringLiteral("select * from datiQgrafici where %1 order by ID1").arg(selection.where);
}

}  // namespace zv
