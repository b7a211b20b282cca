#include "qc/qclot.h"

#include "model/rangelimits.h"
#include "platform/conversions.h"
#include "platform/database.h"
#include "platform/errors.h"

namespace zv {

const std::array<QcParameter, kQcParameterCount>& qcParameters() {
    static const std::array<QcParameter, kQcParameterCount> params{{
        {"WBC", "wbcL", "wbcH", "wbc", 1},
        {"RBC", "rbcL", "rbcH", "rbc", 2},
        {"HGB", "hgbL", "hgbH", "hgb", 1},
        {"MCV", "mcvL", "mcvH", "mcv", 1},
        {"HCT", "hctL", "hctH", "hct", 1},
        {"MCH", "mchL", "mchH", "mch", 1},
        {"MCHC", "mchcL", "mchcH", "mchc", 1},
        {"RDW", "rdwL", "rdwH", "rdw", 1},
        {"PLT", "pltL", "pltH", "plt", 0},
        {"MPV", "mpvL", "mpvH", "mpv", 1},
        {"Neu%", "neuL", "neuH", "neu%", 1},
        {"Lym%", "lymL", "lymH", "lym%", 1},
        {"Mono%", "monoL", "monoH", "mono%", 1},
        {"Eos%", "eosL", "eosH", "eos%", 1},
        {"Baso%", "basoL", "basoH", "baso%", 1},
    }};
    return params;
}

double qcTarget(double low, double high) { return (low + high) / 2; }

double qcRange(double low, double high, int digits) { return roundHalfEven(qcTarget(low, high) - low, digits); }

namespace {

// The lot editor stores numbers, so a lot limit that is no number is a
// damaged row, not a limit left out: it fails rather than mark nothing.
std::optional<double> limitOf(const Recordset& rs, const char* column) {
    const QVariant v = rs.field(QLatin1String(column));
    const std::optional<double> number = readLimit(v, QLatin1Char('.'));
    if (!number && !v.isNull())
        throw AppError(
            err::TypeMismatch,
            QStringLiteral("Type mismatch: the lot limit %1 holds \"%2\"").arg(QLatin1String(column), v.toString()));
    return number;
}

}  // namespace

QcLot readQcLot(const Recordset& rs) {
    QcLot lot;
    lot.valori = rs.text(QStringLiteral("valori"));
    lot.limite = rs.field(QStringLiteral("limite")).toLongLong();
    for (int i = 0; i < kQcParameterCount; ++i) {
        lot.low[i] = limitOf(rs, qcParameters()[i].low);
        lot.high[i] = limitOf(rs, qcParameters()[i].high);
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
