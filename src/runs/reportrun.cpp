#include "runs/reportrun.h"

#include "core/notifier.h"
#include "model/resultfields.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/forms.h"
#include "platform/recordset.h"
#include "platform/widgets.h"
#include "report/reportturns.h"
#include "report/stampa.h"

namespace zv {

LimitsRow reportRangeSet(Recordset& limiti, const ResultRecord& result) {
    if (!result.Limits)
        throw AppError(
            94,
            QStringLiteral("Invalid use of Null: result %1 names no reference set (Limits is empty)").arg(result.ID1));
    const int64_t position = int64_t(*result.Limits) + 1;
    if (position < 1 || position > limiti.recordCount())
        throw AppError(3001, QStringLiteral("Result %1 names reference set %2, but there are %3")
                                 .arg(result.ID1)
                                 .arg(*result.Limits)
                                 .arg(limiti.recordCount()));
    limiti.setAbsolutePosition(position);
    return LimitsRow::fromRecordset(limiti);
}

std::vector<double> reportDraws(const ResultRecord& result, const scatter::Divisors& divisors) {
    std::vector<double> draws;
    scatter::scatterDots(
        scatter::inputOf(result),
        [&] {
            draws.push_back(clock::rnd());
            return draws.back();
        },
        [](scatter::Population, double, double) {}, divisors);
    return draws;
}

void reportOne(const ResultRecord& result, Recordset& limiti, const QColor& windowText) {
    // From its pictures to the page's end, one page at a time.
    const ReportTurns::Page turn;
    // The values first: a result the page cannot take costs the sequence no draws.
    ReportData data = pageData(result, reportRangeSet(limiti, result));
    const ReportPage page{std::move(data), reportPictures(result, reportDraws(result), windowText, kReportDivisors)};
    if (Stampa::printPage(page))
        emit notifier().reportPrinted(result.ID1);
}

}  // namespace zv
