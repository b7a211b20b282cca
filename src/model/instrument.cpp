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

const std::array<QString, kFactorCount>& calibrationKeys() {
    static const std::array<QString, kFactorCount> keys{
        QStringLiteral("wbc"), QStringLiteral("neu"),  QStringLiteral("lym"), QStringLiteral("mono"),
        QStringLiteral("eos"), QStringLiteral("baso"), QStringLiteral("rbc"), QStringLiteral("hgb"),
        QStringLiteral("mcv"), QStringLiteral("rdw"),  QStringLiteral("plt"), QStringLiteral("mpv"),
        QStringLiteral("pdw")};
    return keys;
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
