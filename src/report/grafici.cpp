#include "report/grafici.h"

#include <QGridLayout>

#include "platform/errors.h"

namespace zv {

grafici::grafici() : Form(QStringLiteral("grafici")) {
    setWindowTitle(QStringLiteral("Grafici"));
    const QSize scatter(twipsToPixels(2700), twipsToPixels(1695));
    const QSize histogram(twipsToPixels(3300), twipsToPixels(1935));
    auto* layout = new QGridLayout(this);
    Picture3 = new PictureBox(QStringLiteral("Picture3"), scatter, this);
    Picture4 = new PictureBox(QStringLiteral("Picture4"), scatter, this);
    Picture5 = new PictureBox(QStringLiteral("Picture5"), histogram, this);
    Picture6 = new PictureBox(QStringLiteral("Picture6"), histogram, this);
    Picture7 = new PictureBox(QStringLiteral("Picture7"), histogram, this);
    Picture8 = new PictureBox(QStringLiteral("Picture8"), histogram, this);
    layout->addWidget(Picture3, 0, 0);
    layout->addWidget(Picture4, 0, 1);
    layout->addWidget(Picture8, 1, 0);
    layout->addWidget(Picture7, 1, 1);
    layout->addWidget(Picture6, 2, 0);
    layout->addWidget(Picture5, 2, 1);
}

ReportPictures reportPictures() {
    auto* g = Forms::load<grafici>();
    if (!g)
        throw AppError(err::InvalidCall, QStringLiteral("The picture window could not be loaded."));
    return {g->Picture3, g->Picture4, g->Picture5, g->Picture6, g->Picture7, g->Picture8};
}

void drawReportPictures(const ReportPictures& target, const ResultRecord& result, std::vector<double> draws,
                        const QColor& framePen, const scatter::Divisors& divisors) {
    target.scattergram->setDrawing([input = scatter::inputOf(result), draws = std::move(draws), framePen, divisors](
                                       QPainter& painter, const QRectF& rect) {
        std::size_t next = 0;
        scatter::drawFrame(painter, rect, framePen);
        const qreal dot = std::max<qreal>(1.0, painter.device()->logicalDpiX() / 150.0);
        scatter::drawDots(
            painter, rect, input, [&] { return next < draws.size() ? draws[next++] : 0.0; }, dot, divisors);
    });
    target.legend->setDrawing(
        [framePen](QPainter& painter, const QRectF& rect) { scatter::drawTemplate(painter, rect, framePen); });
    const std::pair<PictureBox*, HistogramKind> charts[] = {{target.plt, HistogramKind::PLT},
                                                            {target.rbc, HistogramKind::RBC},
                                                            {target.wb2, HistogramKind::WB2},
                                                            {target.wb1, HistogramKind::WB1}};
    for (const auto& [slot, kind] : charts) {
        slot->setDrawing([bars = histogramBars(result.histogram(kind)), colour = chartColour(kind)](
                             QPainter& painter, const QRectF& rect) {
            drawHistogram(painter, rect.adjusted(0, rect.height() * 0.14, 0, 0), bars, colour);
        });
    }
}

}  // namespace zv
