#include "viewer/rangecheck.h"

#include <QVariant>

#include "platform/conversions.h"
#include "platform/database.h"
#include "platform/errors.h"

namespace zv {

const std::array<ResultParameter, kCheckedCount>& checkedParameters() {
    using P = ResultParameter;
    static const std::array<ResultParameter, kCheckedCount> order{P::WBC,  P::neu, P::bandati, P::lym, P::mono, P::eos,
                                                                  P::baso, P::RBC, P::HGB,     P::HCT, P::MCV,  P::MCH,
                                                                  P::MCHC, P::RDW, P::PLT,     P::MPV, P::ret};
    return order;
}

const RangeLimits& RangeSet::of(ResultParameter p) const {
    const auto& order = checkedParameters();
    for (std::size_t i = 0; i < order.size(); ++i)
        if (order[i] == p)
            return limits[i];
    throw AppError(err::InvalidCall, QStringLiteral("The parameter has no range."));
}

namespace {

// A missing column is no limit, as NULL and a text that is no number are.
std::optional<double> limitOf(const Recordset& rs, const QString& field, QChar decimal) {
    return rs.hasField(field) ? readLimit(rs.field(field), decimal) : std::nullopt;
}

}  // namespace

RangeSet readRangeSet(const Recordset& rs, const QString& table, QChar decimal) {
    RangeSet set;
    set.table = table;
    set.row = LimitsRow::fromRecordset(rs);
    if (rs.hasField(QStringLiteral("valori")))
        set.valori = rs.field(QStringLiteral("valori")).toString();
    if (rs.hasField(QStringLiteral("limite"))) {
        const QVariant limite = rs.field(QStringLiteral("limite"));
        if (!limite.isNull())
            set.limite = limite.toLongLong();
    }
    const auto& order = checkedParameters();
    for (std::size_t i = 0; i < order.size(); ++i) {
        const ParameterInfo& info = parameterInfo(order[i]);
        set.limits[i] = {limitOf(rs, info.low, decimal), limitOf(rs, info.high, decimal)};
    }
    return set;
}

std::optional<RangeSet> findRangeSet(Connection& cnlimit, std::optional<int> limits, const QString& sampleId,
                                     const QString& name, QChar decimal) {
    const bool qcLot = limits && *limits == 0;
    const QString table = qcLot ? QStringLiteral("qc") : QStringLiteral("vet");
    {
        Recordset byName(cnlimit, QStringLiteral("select * from %1 where valori like ?1").arg(table),
                         {qcLot ? sampleId : name});
        if (byName.recordCount() > 0) {
            byName.setAbsolutePosition(1);
            return readRangeSet(byName, table, decimal);
        }
    }
    if (!limits)
        return std::nullopt;
    Recordset human(cnlimit, QStringLiteral("select * from limiti order by limite"));
    const int64_t position = int64_t(*limits) + 1;
    if (position < 1 || position > human.recordCount())
        return std::nullopt;
    human.setAbsolutePosition(position);
    return readRangeSet(human, QStringLiteral("limiti"), decimal);
}

}  // namespace zv
