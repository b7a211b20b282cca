#include "model/resultstore.h"

#include <QVariant>

#include "platform/database.h"

namespace zv {

void registerResultSource() { registerKeyedView(kResultSource, QStringLiteral("ID1"), QStringLiteral("datinumerici")); }

namespace {

template <class T>
QVariant stored(const std::optional<T>& value) {
    return value ? QVariant::fromValue(*value) : QVariant();
}

OptionalText textOf(const QVariant& v) {
    if (v.isNull())
        return std::nullopt;
    return v.toString();
}

std::optional<double> numberOf(const QVariant& v) {
    bool ok = false;
    const double number = v.toDouble(&ok);
    if (v.isNull() || !ok)
        return std::nullopt;  // NULL, or text that is not a number: nothing to show
    return number;
}

std::optional<int> wholeOf(const QVariant& v) {
    bool ok = false;
    const int number = v.toInt(&ok);
    if (v.isNull() || !ok)
        return std::nullopt;
    return number;
}

}  // namespace

int64_t addResult(Connection& cn, const ResultRecord& record) {
    Recordset rs(cn, kResultSource);
    rs.addNew();
    auto set = [&rs](const QString& field, const auto& value) {
        if (value)
            rs.setField(field, stored(value));
    };
    forEachStoredField(record, set, set, set);
    rs.update();
    return rs.currentKey();
}

ResultRecord readResult(const Recordset& rs) {
    ResultRecord r;
    r.ID1 = rs.field(QStringLiteral("ID1")).toLongLong();
    forEachStoredField(
        r, [&rs](const QString& f, OptionalText& v) { v = textOf(rs.field(f)); },
        [&rs](const QString& f, std::optional<double>& v) { v = numberOf(rs.field(f)); },
        [&rs](const QString& f, std::optional<int>& v) { v = wholeOf(rs.field(f)); });
    return r;
}

bool mendResultLayout(Connection& cn) {
    const QString sql =
        cn.scalar(
              QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'trigger' AND name = 'datiQgrafici_insert'"))
            .toString();
    QString mended = sql;
    for (const QLatin1String field : {QLatin1String("ret%"), QLatin1String("bandati")})
        mended.replace(QStringLiteral("coalesce(NEW.\"%1\", 0)").arg(field), QStringLiteral("NEW.\"%1\"").arg(field));
    if (mended == sql)
        return false;
    Transaction tx(cn);
    cn.execute(QStringLiteral("DROP TRIGGER \"datiQgrafici_insert\""));
    cn.execute(mended);
    tx.commit();
    return true;
}

void deleteResult(Connection& cn, int64_t id1) {
    Transaction t(cn);
    for (const QString& table : resultTables())
        cn.execute(QStringLiteral("DELETE FROM \"%1\" WHERE ID1 = ?1").arg(table), {QVariant::fromValue(id1)});
    t.commit();
}

}  // namespace zv
