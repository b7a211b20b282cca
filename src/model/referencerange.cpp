#include "model/referencerange.h"

#include <QRegularExpression>

#include "model/result.h"
#include "platform/database.h"
#include "platform/errors.h"

namespace zv {

namespace {

// The columns both tables share, in the order the editors write them, named
// by the parameter table. The order is the stored one, not the table's: MCV
// before HCT, ret after MPV, the absolute counts from the last to the first,
// and PDW and PCT, the last added, after them with the high limit first. The
// band neutrophils are the species sets' alone.
QStringList humanColumns() {
    using P = ResultParameter;
    static constexpr P ranges[] = {P::WBC, P::neu, P::lym, P::mono, P::eos, P::baso, P::RBC, P::HGB,
                                   P::MCV, P::HCT, P::MCH, P::MCHC, P::RDW, P::PLT,  P::MPV, P::ret};
    static constexpr P highFirst[] = {P::PDW, P::PCT};
    QStringList columns{QStringLiteral("limite"), QStringLiteral("valori")};
    for (P p : ranges)
        columns << parameterInfo(p).low << parameterInfo(p).high;
    const auto& table = resultParameters();
    for (auto info = table.rbegin(); info != table.rend(); ++info)
        if (!info->countLow.isEmpty() && info->parameter != P::bandati)
            columns << info->countLow << info->countHigh;
    for (P p : highFirst)
        columns << parameterInfo(p).high << parameterInfo(p).low;
    return columns;
}

std::optional<ReferenceRangeSet> firstRow(Recordset& rs) {
    if (rs.eof())
        return std::nullopt;
    return readRangeSet(rs);
}

}  // namespace

QString rangeTableName(RangeTable table) {
    return table == RangeTable::Human ? QStringLiteral("limiti") : QStringLiteral("vet");
}

QString rangeSetsSql(RangeTable table) {
    return QStringLiteral("select * from ") + rangeTableName(table) + QStringLiteral(" order by limite");
}

const QStringList& rangeSetColumns(RangeTable table) {
    static const QStringList human = humanColumns();
    static const QStringList species = [] {
        QStringList columns = humanColumns();
        const ParameterInfo& neu = parameterInfo(ResultParameter::neu);
        const ParameterInfo& band = parameterInfo(ResultParameter::bandati);
        const qsizetype afterNeu = columns.indexOf(neu.high) + 1;
        columns.insert(afterNeu, band.low);
        columns.insert(afterNeu + 1, band.high);
        columns << band.countLow << band.countHigh;
        return columns;
    }();
    return table == RangeTable::Human ? human : species;
}

QString ReferenceRangeSet::limit(const QString& column) const { return limits.value(column.toCaseFolded()); }

ReferenceRangeSet readRangeSet(const Recordset& rs) {
    ReferenceRangeSet set;
    for (int i = 0; i < rs.fieldCount(); ++i) {
        const QString name = rs.fieldName(i);
        if (name.compare(QLatin1String("limite"), Qt::CaseInsensitive) == 0) {
            const QVariant number = rs.field(name);
            if (!number.isNull())
                set.limite = number.toLongLong();
        } else if (name.compare(QLatin1String("valori"), Qt::CaseInsensitive) == 0) {
            set.valori = rs.text(name);
        } else {
            set.limits.insert(name.toCaseFolded(), rs.text(name));
        }
    }
    return set;
}

std::optional<ReferenceRangeSet> humanRangeSetAt(Connection& cnlimit, int64_t position) {
    Recordset rs(cnlimit, rangeSetsSql(RangeTable::Human));
    if (position < 1 || position > rs.recordCount())
        return std::nullopt;
    rs.setAbsolutePosition(position);
    return readRangeSet(rs);
}

std::optional<ReferenceRangeSet> speciesRangeSet(Connection& cnlimit, const QString& name) {
    // "%" is a character of the name here, never "any text": no name may reach every set.
    QString pattern = name;
    pattern.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('%'), QStringLiteral("\\%"));
    Recordset rs(cnlimit, QStringLiteral("select * from vet where valori like ?1 escape '\\' order by limite"),
                 {pattern});
    return firstRow(rs);
}

int64_t rangeSetNumber(const QString& text) {
    static const QRegularExpression whole(QStringLiteral(R"(^\s*[+-]?[0-9]+\s*$)"));
    bool ok = false;
    const qlonglong number = whole.match(text).hasMatch() ? text.trimmed().toLongLong(&ok) : 0;
    if (!ok)
        throw AppError(err::TypeMismatch,
                       QStringLiteral("Type mismatch: the set number \"%1\" is not a whole number").arg(text));
    return number;
}

int64_t mendUnsetBandLimits(Connection& cnlimit) {
    return cnlimit.execute(
        QStringLiteral("UPDATE limiti SET bandatiL = NULL, bandatiH = NULL, cBandatiL = NULL, cBandatiH = NULL"
                       " WHERE bandatiL IS '0' AND bandatiH IS '0' AND cBandatiL IS '0' AND cBandatiH IS '0'"));
}

int64_t deleteRangeSets(Connection& cnlimit, RangeTable table, const QString& number) {
    // Compared as text, so "2.0" or " 2" is not the set 2 and nothing but the
    // digits shown in the number box deletes a set.
    return cnlimit.execute(
        QStringLiteral("delete from ") + rangeTableName(table) + QStringLiteral(" where cast(limite as text) = ?1"),
        {number});
}

}  // namespace zv
