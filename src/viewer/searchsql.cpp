#include "viewer/searchsql.h"

namespace zv {

QString searchSql(SearchField field, const QString& text, bool exact) {
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    const QString wildcard = exact ? QString() : QStringLiteral("%");
    return QStringLiteral("select * from datiQgrafici where %1 like '%2%3%2' order by ID1")
        .arg(field == SearchField::specId ? QStringLiteral("specId") : QStringLiteral("specName"), wildcard, quoted);
}

QString historySearchText(const QString& box) {
    QString t = box;
    t.remove(QLatin1Char('%'));
    t.remove(QLatin1Char('&'));
    return t;
}

}  // namespace zv
