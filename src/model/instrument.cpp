#include "model/instrument.h"

#include "platform/conversions.h"
#include "platform/errors.h"

namespace zv {

std::optional<InstrumentModel> instrumentFromText(const QString& text) {
    // Exact comparison on purpose: "cd3500" or "CD3500 " is no model at all.
    if (text == QLatin1String("CD3000"))
        return InstrumentModel::CD3000;
    if (text == QLatin1String("CD3200"))
        return InstrumentModel::CD3200;
    if (text == QLatin1String("CD3500"))
        return InstrumentModel::CD3500;
    if (text == QLatin1String("CD3700"))
        return InstrumentModel::CD3700;
    return std::nullopt;
}

QString instrumentText(InstrumentModel model) {
    switch (model) {
    case InstrumentModel::CD3000: return QStringLiteral("CD3000");
    case InstrumentModel::CD3200: return QStringLiteral("CD3200");
    case InstrumentModel::CD3500: return QStringLiteral("CD3500");
    case InstrumentModel::CD3700: return QStringLiteral("CD3700");
    }
    return QString();
}

int blockCount(InstrumentModel model) { return model == InstrumentModel::CD3000 ? 5 : 6; }

QString lengthKeySuffix(InstrumentModel model) {
    switch (model) {
    case InstrumentModel::CD3000: return QStringLiteral("3000");
    case InstrumentModel::CD3200: return QStringLiteral("3200");
    case InstrumentModel::CD3500:
    case InstrumentModel::CD3700: return QStringLiteral("3500");
    }
    return QString();
}

const std::array<ResultParameter, kFactorCount>& calibratedParameters() {
    static const std::array<ResultParameter, kFactorCount> parameters =
        parametersWhere<kFactorCount>([](const ParameterInfo& p) { return !p.calibrationKey.isEmpty(); });
    return parameters;
}

const std::array<QString, kFactorCount>& calibrationKeys() {
    static const std::array<QString, kFactorCount> keys = [] {
        std::array<QString, kFactorCount> out;
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = parameterInfo(calibratedParameters()[i]).calibrationKey;
        return out;
    }();
    return keys;
}

double CalibrationFactors::of(ResultParameter p) const {
    static const std::array<int, kParameterCount> index = [] {
        std::array<int, kParameterCount> out;
        out.fill(-1);
        for (std::size_t i = 0; i < calibratedParameters().size(); ++i)
            out[static_cast<std::size_t>(calibratedParameters()[i])] = int(i);
        return out;
    }();
    const int at = index[static_cast<std::size_t>(p)];
    return at < 0 ? 1.0 : value[static_cast<std::size_t>(at)];
}

CalibrationFactors factorsFromTexts(const std::array<QString, kFactorCount>& texts, QChar decimal) {
    CalibrationFactors factors;
    for (int i = 0; i < kFactorCount; ++i) {
        try {
            factors.value[static_cast<std::size_t>(i)] = toDouble(texts[static_cast<std::size_t>(i)], decimal);
        } catch (const AppError& e) {
            // Say which factor it was: the bare "Type mismatch" in the error log names nothing.
            throw AppError(err::TypeMismatch, QStringLiteral("Calibration factor %1 is not a number: \"%2\" (%3)")
                                                  .arg(calibrationKeys()[static_cast<std::size_t>(i)],
                                                       texts[static_cast<std::size_t>(i)], e.description()));
        }
    }
    return factors;
}

}  // namespace zv
