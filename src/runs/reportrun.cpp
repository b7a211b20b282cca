#include "runs/reportrun.h"

#include "core/notifier.h"
#include "model/resultfields.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/forms.h"
#include "platform/recordset.h"
#include "platform/widgets.h"
#include "report/grafici.h"
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

ReportSurfaces::ReportSurfaces(QWidget* window) {
    MSChart1 = new HistogramChart(QStringLiteral("MSChart1"), QColor(255, 255, 0), window);
    MSChart2 = new HistogramChart(QStringLiteral("MSChart2"), QColor(255, 64, 64), window);
    MSChart3 = new HistogramChart(QStringLiteral("MSChart3"), QColor(210, 210, 210), window);
    MSChart4 = new HistogramChart(QStringLiteral("MSChart4"), QColor(210, 210, 210), window);
    for (HistogramChart* chart : {MSChart1, MSChart2, MSChart3, MSChart4}) {
        chart->resize(twipsToPixels(3255), twipsToPixels(2055));
        chart->hide();  // working surfaces, not a display
    }
    const QSize picture(twipsToPixels(2700), twipsToPixels(1695));
    Picture1 = new PictureBox(QStringLiteral("Picture1"), picture, window);
    Picture2 = new PictureBox(QStringLiteral("Picture2"), picture, window);
    Picture1->hide();
    Picture2->hide();
}

void ReportSurfaces::feedCharts(const ResultRecord& r) {
    const std::pair<HistogramChart*, HistogramKind> charts[] = {{MSChart1, HistogramKind::PLT},
                                                                {MSChart2, HistogramKind::RBC},
                                                                {MSChart3, HistogramKind::WB2},
                                                                {MSChart4, HistogramKind::WB1}};
    for (const auto& [chart, kind] : charts) {
        const Histogram& h = r.histogram(kind);
        // Channel 002 is stored but never charted: bar 1 is channel 006.
        for (int bar = 0; bar < kChartBars; ++bar)
            chart->setBar(bar, h.channels[std::size_t(bar + 1)]);
    }
}

void ReportSurfaces::drawPictures(const ResultRecord& r, const QColor& windowText) {
    Picture2->setDrawing(
        [windowText](QPainter& painter, const QRectF& rect) { scatter::drawTemplate(painter, rect, windowText); });

    const scatter::Input input = scatter::inputOf(r);
    std::vector<double> draws;
    scatter::scatterDots(
        input,
        [&] {
            draws.push_back(clock::rnd());
            return draws.back();
        },
        [](scatter::Population, double, double) {}, kReportDivisors);
    Picture1->setDrawing([input, draws = std::move(draws), windowText](QPainter& painter, const QRectF& rect) {
        std::size_t next = 0;
        scatter::drawFrame(painter, rect, windowText);
        const qreal dot = std::max<qreal>(1.0, painter.device()->logicalDpiX() / 150.0);
        scatter::drawDots(
            painter, rect, input, [&] { return next < draws.size() ? draws[next++] : 0.0; }, dot, kReportDivisors);
    });
}

void ReportSurfaces::handOver(const ReportPictures& target) const {
    target.scattergram->setDrawing(Picture1->drawing());
    target.legend->setDrawing(Picture2->drawing());
    const std::pair<PictureBox*, HistogramChart*> charts[] = {
        {target.plt, MSChart1}, {target.rbc, MSChart2}, {target.wb2, MSChart3}, {target.wb1, MSChart4}};
    for (const auto& [slot, chart] : charts) {
        // The page prints each chart's title just above it: the top of the slot stays clear.
        slot->setDrawing([bars = chart->bars(), colour = chart->seriesColour()](QPainter& painter, const QRectF& rect) {
            drawHistogram(painter, rect.adjusted(0, rect.height() * 0.14, 0, 0), bars, colour);
        });
    }
}

bool printReportPage() {
    bool printed = false;
    try {
        const Stampa* page = Forms::load<Stampa>();
        printed = page && page->printed();
    } catch (...) {
        // A page that left its failure to the caller is still loaded.
        Forms::unload<Stampa>();
        throw;
    }
    Forms::unload<Stampa>();
    return printed;
}

void reportOne(const ResultRecord& result, Recordset& limiti, ReportSurfaces& surfaces, const QColor& windowText) {
    // From the first write of the hand-off to the page's end, this page owns it.
    const ReportTurns::Page page;
    const LimitsRow limits = reportRangeSet(limiti, result);
    fillReportData(reportData(), result, limits);
    surfaces.feedCharts(result);
    surfaces.drawPictures(result, windowText);
    surfaces.handOver(reportPictures());
    if (printReportPage())
        emit notifier().reportPrinted(result.ID1);
}

}  // namespace zv
