#pragma once
// Judges a result against a reference-range set: which set serves the result
// (a QC lot named by its sample id, a species set named by its patient or
// animal name, else a human set by position), and where each of the seventeen
// compared values lies (model/rangelimits.h). A limit that is missing, NULL or
// not a number means "no limit on that side"; every parameter is judged on
// its own.
#include <QChar>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

#include "model/rangelimits.h"
#include "model/reportdata.h"
#include "model/result.h"

namespace zv {

class Connection;

// The parameters compared, in the order they are judged (PCT and PDW have no range).
inline constexpr int kCheckedCount = 17;
const std::array<ResultParameter, kCheckedCount>& checkedParameters();

// One row of `qc`, `vet` or `limiti`, as far as the check reads it.
struct RangeSet {
    QString table;   // "qc", "vet" or "limiti"
    QString valori;  // the set's or lot's name
    std::optional<int64_t> limite;
    std::array<RangeLimits, kCheckedCount> limits;  // in checkedParameters() order
    LimitsRow row;                                  // every column of the chosen row, as the report prints it

    const RangeLimits& of(ResultParameter p) const;
};

// Reads the keys the check uses on the current row of a recordset over a
// reference table. A limit read as text is read with `decimal`.
class Recordset;
RangeSet readRangeSet(const Recordset& rs, const QString& table, QChar decimal);

// The set for a result. `Limits` 0 looks for the QC lot whose name matches
// `sampleId`; any other value for the species set whose name matches
// `name`. Names match with LIKE (case ignored, % and _ wildcards), the text
// bound as it stands, so an apostrophe is an apostrophe. With no match the
// human set at position Limits + 1 in `limite` order serves; with no such
// position (or no Limits at all) there is no set.
std::optional<RangeSet> findRangeSet(Connection& cnlimit, std::optional<int> limits, const QString& sampleId,
                                     const QString& name, QChar decimal);

}  // namespace zv
