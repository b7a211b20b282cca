#include "refdata/calibrationstore.h"

#include "core/config.h"
#include "core/programfiles.h"
#include "platform/conversions.h"
#include "platform/database.h"
#include "platform/errors.h"

namespace zv {

namespace {

const QString kSection = QStringLiteral("cal");

void requireNumbers(const FactorTexts& texts) {
    // The receiver's own conversion, so its message names the factor.
    (void)factorsFromTexts(texts, configuredDecimalMark());
}

}  // namespace

FactorTexts readHumanFactors() {
    FactorTexts texts;
    for (int i = 0; i < kFactorCount; ++i)
        texts[i] = leggiini(kSection, calibrationKeys()[i], file::generalIni, 8);
    return texts;
}

std::optional<int> firstBadFactor(const FactorTexts& texts) {
    const QChar mark = configuredDecimalMark();
    for (int i = 0; i < kFactorCount; ++i) {
        try {
            (void)toDouble(texts[i], mark);
        } catch (const AppError&) {
            return i;
        }
    }
    return std::nullopt;
}

void writeHumanFactors(const FactorTexts& texts) {
    requireNumbers(texts);
    for (int i = 0; i < kFactorCount; ++i)
        scriviini(kSection, calibrationKeys()[i], texts[i], file::generalIni);
    // A profile write that fails says nothing; reading back is how a factor
    // that did not reach the file (a read-only general.ini) is noticed.
    const FactorTexts stored = readHumanFactors();
    for (int i = 0; i < kFactorCount; ++i)
        if (stored[i].trimmed() != texts[i].left(7).trimmed())
            throw AppError(err::PathFileAccess, QStringLiteral("Calibration factor %1 could not be written to %2")
                                                    .arg(calibrationKeys()[i], programPath(file::generalIni)));
}

void saveSpeciesFactors(Recordset& rs, const FactorTexts& texts, const QString& animale) {
    requireNumbers(texts);
    for (int i = 0; i < kFactorCount; ++i)
        rs.setField(calibrationKeys()[i], texts[i]);
    rs.setField(QStringLiteral("animale"), animale);
    rs.update();
}

}  // namespace zv
