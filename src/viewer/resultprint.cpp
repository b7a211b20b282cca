#include "viewer/resultprint.h"

#include "platform/errors.h"

namespace zv {

namespace {
ShownResultPrint& handedIn() {
    static ShownResultPrint print;
    return print;
}
}  // namespace

void setShownResultPrint(ShownResultPrint print) { handedIn() = std::move(print); }

void printShownResult(const ResultRecord& result, const LimitsRow& limits, const std::vector<double>& draws,
                      const QColor& framePen) {
    if (!handedIn())
        throw AppError(err::InvalidCall, QStringLiteral("The viewer was handed no way to print a result."));
    handedIn()(result, limits, draws, framePen);
}

}  // namespace zv
