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

void printShownResult(const ResultRecord& result, const LimitsRow& limits, const ShownPictures& pictures) {
    if (!handedIn())
        throw AppError(err::InvalidCall, QStringLiteral("The viewer was handed no way to print a result."));
    handedIn()(result, limits, pictures);
}

}  // namespace zv
