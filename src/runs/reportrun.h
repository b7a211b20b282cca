#pragma once
// What the batch run and the automatic report do for one result: choose its
// human reference-range set, hand the result, the set and the draws of its
// scattergram to the report page and print it. The page draws the four
// histogram charts, the scattergram and its legend itself, at the printer's
// resolution; the user's clipboard is never touched.
#include <QColor>

#include <vector>

#include "model/reportdata.h"
#include "model/result.h"
#include "viewer/drawing.h"

namespace zv {

class Recordset;

// The printed scattergram holds fewer dots than the screen's for the same result.
inline constexpr scatter::Divisors kReportDivisors{20, 12, 10, 12, 15};

// The range set of a report run: the human set at the 1-based position
// `Limits` + 1 of `limiti` (ordered by `limite`). A result without `Limits`,
// or one naming no set, fails (94, 3001) with the result's ID1 in the text.
LimitsRow reportRangeSet(Recordset& limiti, const ResultRecord& result);

// The random draws of the result's scattergram with `divisors` (on paper
// unless told), taken now from the program's one sequence, so the page
// replays them.
std::vector<double> reportDraws(const ResultRecord& result, const scatter::Divisors& divisors = kReportDivisors);

// The whole report of one result, in the automatic report's order (range
// set, values, scattergram draws, page); a failure before the page throws and
// leaves no page. Announces a printed page through the notifier.
void reportOne(const ResultRecord& result, Recordset& limiti, const QColor& windowText);

}  // namespace zv
