#pragma once
// The viewer's print button. The report page is on a floor above the viewer,
// so the program hands the viewer its way of printing at start.
#include <QColor>

#include <functional>
#include <vector>

namespace zv {

struct ResultRecord;
class LimitsRow;

// `draws` are the random numbers the shown scattergram's dots took, so paper
// shows the cloud the screen shows; `framePen` is the screen's frame colour.
using ShownResultPrint = std::function<void(const ResultRecord&, const LimitsRow&, const std::vector<double>& draws,
                                            const QColor& framePen)>;

// Set by the program at its start, before any viewer opens.
void setShownResultPrint(ShownResultPrint print);
// Prints the shown result with the range set its range check chose. Fails
// with error 5 when the program handed no print in.
void printShownResult(const ResultRecord& result, const LimitsRow& limits, const std::vector<double>& draws,
                      const QColor& framePen);

}  // namespace zv
