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
