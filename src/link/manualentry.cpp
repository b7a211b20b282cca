#include "link/manualentry.h"

#include "platform/conversions.h"
#include "platform/errors.h"

namespace zv {

const std::array<ResultParameter, kTypedCount>& typedParameters() {
    static const std::array<ResultParameter, kTypedCount> parameters =
        parametersWhere<kTypedCount>([](const ParameterInfo& p) { return p.origin != ParameterOrigin::Typed; });
    return parameters;
}

std::optional<std::size_t> firstUnreadableValue(const std::array<QString, kTypedCount>& values, QChar decimal) {
    for (std::size_t i = 0; i < values.size(); ++i)
        if (!ignoring([&] { (void)toDouble(values[i], decimal); }))
            return i;
    return std::nullopt;
}

ResultRecord typedResult(const std::array<QString, kTypedCount>& values, const QString& specId, const QString& specName,
                         const QString& workDate, QChar decimal) {
    ResultRecord r;
    r.seq = QStringLiteral("Man.");
    r.specId = specId;
    r.specName = specName;
    r.date = workDate;
    for (std::size_t i = 0; i < kTypedCount; ++i) {
        const ResultParameter parameter = typedParameters()[i];
        try {
            r.value(parameter) = toDouble(values[i], decimal);
        } catch (const AppError& e) {
            throw AppError(e.number(), QStringLiteral("%1: \"%2\" cannot be read as a number; nothing was stored.")
                                           .arg(parameterInfo(parameter).field, values[i]));
        }
    }
    for (const auto& [name, member] : AlarmFlags::textFlags())
        r.flags.*member = QStringLiteral("0");
    r.flags.SamplError = 0;
    r.Limits = 0;
    r.note = QStringLiteral(".");
    for (Histogram& histogram : r.histograms)
        histogram.channels.fill(QStringLiteral("0"));
    return r;
}

}  // namespace zv
