#pragma once
// A blood count typed in by hand, as it is stored: marked "Man.", stamped
// with the work date, no flag raised, reference-set selector 0, histograms of
// zeros. The values are typed with the configured decimal mark.
#include <QString>

#include <array>
#include <optional>

#include "model/result.h"

namespace zv {

// The parameters a manual entry takes: every one the analyser gives, received
// or derived, in the table's order (the white-cell column, the red-cell
// column, then the platelet column). Those typed in the viewer are not among them.
inline constexpr std::size_t kTypedCount = 17;
const std::array<ResultParameter, kTypedCount>& typedParameters();

// The result of one manual entry. Each value text is read with `decimal` as
// decimal mark (the other mark alone is read as one too); the identifier and the
// name are kept exactly as typed. A value text that is not a number, empty
// included, fails with error 13 (6 when out of range) naming its field.
// The position of the first value text that typedResult cannot read, if any.
std::optional<std::size_t> firstUnreadableValue(const std::array<QString, kTypedCount>& values, QChar decimal);

ResultRecord typedResult(const std::array<QString, kTypedCount>& values, const QString& specId, const QString& specName,
                         const QString& workDate, QChar decimal);

}  // namespace zv
