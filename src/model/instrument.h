#pragma once
// The analyser models and their calibration factors.
#include <QString>

#include <array>
#include <optional>

#include "model/result.h"

namespace zv {

enum class InstrumentModel { CD3000, CD3200, CD3500, CD3700 };

// "CD3000", "CD3200", "CD3500", "CD3700", compared exactly (case and blanks count).
std::optional<InstrumentModel> instrumentFromText(const QString& text);
QString instrumentText(InstrumentModel model);
// The number of blocks of a record: 5 for the CD3000 (data, WB1, WB2, RBC, PLT),
// 6 for the others (a WIC or NOC block closes the transmission).
int blockCount(InstrumentModel model);
// The suffix of the port.ini [stringhe] keys of a model: "3000", "3200", "3500"
// (the CD3700 shares the CD3500's).
QString lengthKeySuffix(InstrumentModel model);

// The thirteen factors, one per received parameter, in the parameters'
// order: wbc, neu, lym, mono, eos, baso, rbc, hgb, mcv, rdw, plt, mpv, pdw.
// The keys are the table's calibration keys.
constexpr int kFactorCount = 13;
const std::array<QString, kFactorCount>& calibrationKeys();
// The parameter each factor scales, in the order of calibrationKeys().
const std::array<ResultParameter, kFactorCount>& calibratedParameters();

struct CalibrationFactors {
    std::array<double, kFactorCount> value = [] {
        std::array<double, kFactorCount> ones;
        ones.fill(1);
        return ones;
    }();
    // The factor of a received parameter; 1 for one without a factor.
    double of(ResultParameter p) const;
};

// Factors kept as the texts the editors wrote, converted with the configured
// decimal mark; a text that is not a number fails with error 13.
CalibrationFactors factorsFromTexts(const std::array<QString, kFactorCount>& texts, QChar decimal);

}  // namespace zv
