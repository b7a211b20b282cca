#pragma once
// The viewer's print button. The report page is on a floor above the viewer,
// so the program hands the viewer its way of printing at start.
#include <functional>

#include "platform/drawing.h"

namespace zv {

struct ResultRecord;
class LimitsRow;

// The shown result's six pictures, drawn as the screen draws them.
struct ShownPictures {
    Drawing scattergram, legend, plt, rbc, wb2, wb1;
};

using ShownResultPrint = std::function<void(const ResultRecord&, const LimitsRow&, const ShownPictures&)>;

// Set by the program at its start, before any viewer opens.
void setShownResultPrint(ShownResultPrint print);
// Prints the shown result with the range set its range check chose. Fails
// with error 5 when the program handed no print in.
void printShownResult(const ResultRecord& result, const LimitsRow& limits, const ShownPictures& pictures);

}  // namespace zv
