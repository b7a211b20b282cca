#pragma once
// Drawings of a result that serve the screen, the report pictures and the
// printed page alike: each draws on any paint device into the rectangle it is
// given, so the printer draws at its own resolution.
#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QWidget>

#include <array>
#include <functional>
#include <vector>

#include "viewer/scattergram.h"

namespace zv {

// One histogram: 52 bars (channels 006 to 230) as a filled profile on a white
// backdrop, scaled to the highest bar (at least 1, so an empty histogram is flat).
inline constexpr int kChartBars = 52;
void drawHistogram(QPainter& painter, const QRectF& rect, const std::array<double, kChartBars>& bars,
                   const QColor& series);

// A stored histogram's 52 bars, channels 006 to 230: channel 002 is stored
// but never charted, and an empty or unreadable channel is an empty bar.
std::array<double, kChartBars> histogramBars(const Histogram& histogram);

namespace scatter {
QColor populationColour(Population p);
// The frame and the boundary line in `pen`.
void drawFrame(QPainter& painter, const QRectF& rect, const QColor& pen);
// The template: frame and boundary line in `framePen`, the population
// outlines and names in their colours.
void drawTemplate(QPainter& painter, const QRectF& rect, const QColor& framePen);
// The dots of the input, each a filled square of one device pixel (or
// `dotSize` device pixels a side on a printer). Returns how many were drawn.
int64_t drawDots(QPainter& painter, const QRectF& rect, const Input& input, const std::function<double()>& random,
                 qreal dotSize = 0, const Divisors& divisors = kScreenDivisors);
}  // namespace scatter

// The series colour of a kind's chart, on screen and on paper.
QColor chartColour(HistogramKind kind);

// A histogram chart control: 52 bars in one series, fed bar by bar, that
// reports clicks (the viewer swaps its white-cell charts with them).
class HistogramChart : public QWidget {
    Q_OBJECT
public:
    HistogramChart(const QString& name, const QColor& series, QWidget* parent = nullptr);
    // As a form makes it; the form names it and the window gives its colour.
    explicit HistogramChart(QWidget* parent = nullptr);
    void setSeriesColour(const QColor& series);
    // Bar `index` (0-based) from a stored channel text; an empty or unreadable
    // text shows an empty bar.
    void setBar(int index, const std::optional<QString>& text);
    const std::array<double, kChartBars>& bars() const { return bars_; }
    QColor seriesColour() const { return series_; }
    // What the chart shows, at `size`.
    QImage picture(QSize size) const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor series_;
    std::array<double, kChartBars> bars_{};
};

}  // namespace zv
