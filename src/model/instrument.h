#pragma once
// The analyser models and their calibration factors.
#include <QString>

#include <array>
#include <optional>

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

// The thirteen factors in their fixed order: wbc, neu, lym, mono, eos, baso,
// rbc, hgb, mcv, rdw, plt, mpv, pdw.
constexpr int kFactorCount = 13;
const std::array<QString, kFactorCount>& calibrationKeys();

struct CalibrationFactors {
    std::array<double, kFactorCount> value{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    double wbc() const { return value[0]; }
    double neu() const { return value[1]; }
    double lym() const { return value[2]; }
    double mono() const { return value[3]; }
    double eos() const { return value[4]; }
    double baso() const { return value[5]; }
    double rbc() const { return value[6]; }
    double hgb() const { return value[7]; }
    double mcv() const { return value[8]; }
    double rdw() const { return value[9]; }
    double plt() const { return value[10]; }
    double mpv() const { return value[11]; }
    double pdw() const { return value[12]; }
};

// Factors kept as the texts the editors wrote, converted with the configured
// decimal mark; a text that is not a number fails with error 13.
CalibrationFactors factorsFromTexts(const std::array<QString, kFactorCount>& texts, QChar decimal);

}  // namespace zv
