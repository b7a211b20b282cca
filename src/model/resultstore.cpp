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

// Applies `visit(fieldName, member)` to every field of a record but ID1 and
// the channels, so reading and writing name the same fields.
template <class Record, class TextFn, class NumberFn, class WholeFn>
void eachField(Record& r, TextFn text, NumberFn number, WholeFn whole) {
    text(QStringLiteral("seq"), r.seq);
    text(QStringLiteral("specId"), r.specId);
    text(QStringLiteral("specName"), r.specName);
    text(QStringLiteral("sesso"), r.sesso);
    text(QStringLiteral("DdN"), r.DdN);
    text(QStringLiteral("note"), r.note);
    text(QStringLiteral("date"), r.date);
    for (const ParameterInfo& p : resultParameters())
        number(p.field, r.values[static_cast<std::size_t>(p.parameter)]);
    for (const auto& [name, member] : AlarmFlags::textFlags())
        text(name, r.flags.*member);
    whole(QStringLiteral("Limits"), r.Limits);
    whole(QStringLiteral("SamplError"), r.flags.SamplError);
}

}  // namespace

int64_t addResult(Connection& cn, const ResultRecord& record) {
    Recordset rs(cn, kResultSource);
    rs.addNew();
    auto set = [&rs](const QString& field, const auto& value) {
        if (value)
            rs.setField(field, stored(value));
    };
    eachField(record, set, set, set);
    // The field names made once, in the order of the kinds and their channels.
    const QStringList& fields = allChannelFields();
    for (std::size_t k = 0; k < kHistogramKinds.size(); ++k) {
        const auto& channels = record.histograms[k].channels;
        for (std::size_t c = 0; c < channels.size(); ++c)
            set(fields[qsizetype(k * channels.size() + c)], channels[c]);
    }
    rs.update();
    return rs.currentKey();
}

ResultRecord readResult(const Recordset& rs) {
    ResultRecord r;
    r.ID1 = rs.field(QStringLiteral("ID1")).toLongLong();
    eachField(
        r, [&rs](const QString& f, OptionalText& v) { v = textOf(rs.field(f)); },
        [&rs](const QString& f, std::optional<double>& v) { v = numberOf(rs.field(f)); },
        [&rs](const QString& f, std::optional<int>& v) { v = wholeOf(rs.field(f)); });
    const QStringList& fields = allChannelFields();
    for (std::size_t k = 0; k < kHistogramKinds.size(); ++k) {
        auto& channels = r.histograms[k].channels;
        for (std::size_t c = 0; c < channels.size(); ++c)
            channels[c] = textOf(rs.field(fields[qsizetype(k * channels.size() + c)]));
    }
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
