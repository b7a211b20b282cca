#include "qc/qclot.h"

#include "model/rangelimits.h"
#include "platform/conversions.h"
#include "platform/database.h"
#include "platform/errors.h"

namespace zv {

const std::array<QcParameter, kQcParameterCount>& qcParameters() {
    using P = ResultParameter;
    static const std::array<QcParameter, kQcParameterCount> params{{
        {P::WBC, "WBC", 1, "WBC", "WBC:", "WBC"},
        {P::RBC, "RBC", 2, "RBC", "RBC:", "RBC"},
        {P::HGB, "HGB", 1, "HGB", "HGB:", "HGB"},
        {P::MCV, "MCV", 1, "MCV", "MCV:", "MCV"},
        {P::HCT, "HCT", 1, "HCT", "HCT:", "HCT"},
        {P::MCH, "MCH", 1, "MCH", "MCH:", "MCH"},
        {P::MCHC, "MCHC", 1, "MCHC", "MCHC:", "MCHC"},
        {P::RDW, "RDW", 1, "RDW", "RDW:", "RDW"},
        {P::PLT, "PLT", 0, "PLT", "PLT:", "PLT"},
        {P::MPV, "MPV", 1, "MPV", "MPV:", "MPV"},
        {P::neu, "Neu%", 1, "%Neu", "%NEU:", "%N"},
        {P::lym, "Lym%", 1, "%Lym", "%LYM:", "%L"},
        {P::mono, "Mono%", 1, "%Mono", "%MONO:", "%M"},
        {P::eos, "Eos%", 1, "%Eos", "%EOS:", "%E"},
        {P::baso, "Baso%", 1, "%Baso", "%BASO:", "%B"},
    }};
    return params;
}

double qcTarget(double low, double high) { return (low + high) / 2; }

double qcRange(double low, double high, int digits) { return roundHalfEven(qcTarget(low, high) - low, digits); }

namespace {

// The lot editor stores numbers, so a lot limit that is no number is a
// damaged row, not a limit left out: it fails rather than mark nothing.
std::optional<double> limitOf(const Recordset& rs, const QString& column) {
    const QVariant v = rs.field(column);
    const std::optional<double> number = readLimit(v, QLatin1Char('.'));
    if (!number && !v.isNull())
        throw AppError(err::TypeMismatch,
                       QStringLiteral("Type mismatch: the lot limit %1 holds \"%2\"").arg(column, v.toString()));
    return number;
}

}  // namespace

QcLot readQcLot(const Recordset& rs) {
    QcLot lot;
    lot.valori = rs.text(QStringLiteral("valori"));
    lot.limite = rs.field(QStringLiteral("limite")).toLongLong();
    for (int i = 0; i < kQcParameterCount; ++i) {
        lot.low[i] = limitOf(rs, qcParameters()[i].low());
        lot.high[i] = limitOf(rs, qcParameters()[i].high());
    }
    return lot;
}

QString likeLiteral(const QString& text) {
    QString pattern = text;
    pattern.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('%'), QStringLiteral("\\%"))
        .replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return pattern;
}

std::optional<QcLot> findQcLot(Connection& cnlimit, const QString& name) {
    Recordset rs(cnlimit, QStringLiteral("select * from qc where valori like ?1 escape '\\' order by limite"),
                 {likeLiteral(name)});
    if (rs.recordCount() == 0)
        return std::nullopt;
    rs.moveFirst();
    return readQcLot(rs);
}

int64_t deleteQcLots(Connection& cnlimit, const QString& name) {
    return cnlimit.execute(QStringLiteral("delete from qc where valori like ?1 escape '\\'"), {likeLiteral(name)});
}

double qcNumber(const QString& text, QChar configured, const QString& what) {
    try {
        return toDouble(text, configured);
    } catch (const AppError&) {
    }
    try {
        return toDouble(text, regionalDecimal());
    } catch (const AppError& e) {
        throw AppError(e.number(), QStringLiteral("%1: \"%2\" is not a number").arg(what, text));
    }
}

}  // namespace zv
