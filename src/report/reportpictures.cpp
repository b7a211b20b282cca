#include "report/reportpictures.h"

namespace zv {

ReportPictures reportPictures(const ResultRecord& result, std::vector<double> draws, const QColor& framePen,
                              const scatter::Divisors& divisors) {
    ReportPictures pictures;
    pictures.scattergram = [input = scatter::inputOf(result), draws = std::move(draws), framePen, divisors](
                               QPainter& painter, const QRectF& rect) {
        std::size_t next = 0;
        scatter::drawFrame(painter, rect, framePen);
        const qreal dot = std::max<qreal>(1.0, painter.device()->logicalDpiX() / 150.0);
        scatter::drawDots(
            painter, rect, input, [&] { return next < draws.size() ? draws[next++] : 0.0; }, dot, divisors);
    };
    pictures.legend = [framePen](QPainter& painter, const QRectF& rect) {
        scatter::drawTemplate(painter, rect, framePen);
    };
    const std::pair<Drawing*, HistogramKind> charts[] = {{&pictures.plt, HistogramKind::PLT},
                                                         {&pictures.rbc, HistogramKind::RBC},
                                                         {&pictures.wb2, HistogramKind::WB2},
                                                         {&pictures.wb1, HistogramKind::WB1}};
    for (const auto& [slot, kind] : charts) {
        *slot = [bars = histogramBars(result.histogram(kind)), colour = chartColour(kind)](QPainter& painter,
                                                                                           const QRectF& rect) {
            drawHistogram(painter, rect.adjusted(0, rect.height() * 0.14, 0, 0), bars, colour);
        };
    }
    return pictures;
}

}  // namespace zv
