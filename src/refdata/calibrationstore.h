#pragma once
// Where the calibration factors are kept: the human set in general.ini [cal],
// one species set per row of the table `cal` of the veterinary database.
// Factors are kept as the texts typed; the receiver reads them as numbers
// with the configured decimal mark, so nothing is stored that it could not
// read: a factor it cannot read would make it refuse every result.
#include <QString>

#include <array>
#include <optional>

#include "model/instrument.h"

namespace zv {

class Recordset;

using FactorTexts = std::array<QString, kFactorCount>;

// Every species set in the order of its name.
inline constexpr QLatin1String kSpeciesFactorsSql{"select * from cal order by animale"};

// The human set as stored, one key per factor (a value is read as at most
// 7 characters; a missing key reads "").
FactorTexts readHumanFactors();

// The index of the first factor the receiver could not read as a number
// (an empty one included), read as it reads them.
std::optional<int> firstBadFactor(const FactorTexts& texts);

// Writes the thirteen keys of [cal], each text unchanged, in the order of
// calibrationKeys(). Every text is checked first: one that is not a number
// fails with error 13 naming its factor, and no key is written.
void writeHumanFactors(const FactorTexts& texts);

// Sets the thirteen factors and the species name on the current row of a
// recordset over `cal` (a row begun with addNew, or the row shown) and
// updates it. Checked as writeHumanFactors: a bad factor sets nothing.
void saveSpeciesFactors(Recordset& rs, const FactorTexts& texts, const QString& animale);

}  // namespace zv
