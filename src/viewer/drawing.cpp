#include "viewer/drawing.h"

#include <QMouseEvent>
#include <QPainterPath>

#include <algorithm>

#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/widgets.h"

namespace zv {

namespace {

double barValue(const std::optional<QString>& text) {
    double value = 0;
    if (text && !ignoring([&] { value = toDouble(*text, QLatin1Char('.')); }))
        value = 0;
    return value;
}

}  // namespace

std::array<double, kChartBars> histogramBars(const Histogram& histogram) {
    std::array<double, kChartBars> bars{};
    for (int bar = 0; bar < kChartBars; ++bar)
        bars[std::size_t(bar)] = barValue(histogram.channels[std::size_t(bar + 1)]);
    return bars;
}

QColor chartColour(HistogramKind kind) {
    switch (kind) {
    case HistogramKind::PLT: return QColor(255, 255, 0);
    case HistogramKind::RBC: return QColor(255, 64, 64);
    case HistogramKind::WB1:
    case HistogramKind::WB2: break;
    }
    return QColor(210, 210, 210);
}

void drawHistogram(QPainter& painter, const QRectF& rect, const std::array<double, kChartBars>& bars,
                   const QColor& series) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(rect, Qt::white);
    const qreal margin = std::max<qreal>(1, rect.height() * 0.04);
    const QRectF plot = rect.adjusted(margin, margin, -margin, -margin);
    double top = 1;
    for (double b : bars)
        if (std::isfinite(b))
            top = std::max(top, b);
    QPainterPath profile;
    profile.moveTo(plot.left(), plot.bottom());
    const qreal step = plot.width() / kChartBars;
    for (int k = 0; k < kChartBars; ++k) {
        const double v = std::isfinite(bars[std::size_t(k)]) ? std::max(0.0, bars[std::size_t(k)]) : 0.0;
        const qreal y = plot.bottom() - plot.height() * v / top;
        profile.lineTo(plot.left() + step * k, y);
        profile.lineTo(plot.left() + step * (k + 1), y);
    }
    profile.lineTo(plot.right(), plot.bottom());
    profile.closeSubpath();
    painter.fillPath(profile, series);
    QPen edge(series.darker(160));
    edge.setCosmetic(true);
    painter.setPen(edge);
    painter.drawPath(profile);
    QPen axis(Qt::gray);
    axis.setCosmetic(true);
    painter.setPen(axis);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1.0 / std::max<qreal>(1, painter.device()->logicalDpiX() / 96.0), 0));
    painter.restore();
}

namespace scatter {

namespace {

// Maps twips of the 2700 x 1695 picture onto the rectangle.
struct Twips {
    QRectF rect;
    QPointF operator()(double x, double y) const {
        return {rect.left() + x * rect.width() / kWidth, rect.top() + y * rect.height() / kHeight};
    }
    qreal dx(double twips) const { return twips * rect.width() / kWidth; }
    qreal dy(double twips) const { return twips * rect.height() / kHeight; }
};

QPen cosmetic(const QColor& colour) {
    QPen pen(colour);
    pen.setCosmetic(true);
    return pen;
}

}  // namespace

QColor populationColour(Population p) {
    switch (p) {
    case Neutrophils: return QColor(255, 200, 0);
    case Lymphocytes: return QColor(0, 0, 255);
    case Monocytes: return QColor(255, 0, 255);
    case Eosinophils: return QColor(0, 200, 0);
    case Basophils: return QColor(150, 150, 150);
    }
    return Qt::black;
}

void drawFrame(QPainter& painter, const QRectF& rect, const QColor& pen) {
    const Twips t{rect};
    painter.save();
    painter.setPen(cosmetic(pen));
    painter.drawLine(t(10, 10), t(2650, 10));
    painter.drawLine(t(10, 10), t(10, 1650));
    painter.drawLine(t(10, 1650), t(2650, 1650));
    painter.drawLine(t(2650, 1650), t(2650, 10));
    painter.drawLine(t(10, 1400), t(820, 1400));
    painter.drawLine(t(820, 1400), t(1060, 1200));
    painter.drawLine(t(1060, 1200), t(2510, 1200));
    painter.restore();
}

void drawTemplate(QPainter& painter, const QRectF& rect, const QColor& framePen) {
    const Twips t{rect};
    drawFrame(painter, rect, framePen);
    painter.save();
    painter.setBrush(Qt::NoBrush);
    struct Outline {
        Population p;
        double x, y, halfWidth, halfHeight;
    };
    const Outline outlines[] = {{Monocytes, 575, 600, 150, 300},
                                {Neutrophils, 1360, 550, 400, 400},
                                {Lymphocytes, 500, 1250, 200, 200},
                                {Eosinophils, 1460, 950, 350, 87.5},
                                {Basophils, 825, 1000, 150, 150}};
    for (const Outline& o : outlines) {
        painter.setPen(cosmetic(populationColour(o.p)));
        painter.drawEllipse(t(o.x, o.y), t.dx(o.halfWidth), t.dy(o.halfHeight));
    }
    // Names with their tops at the text position, in a size that follows the picture.
    QFont font = painter.font();
    font.setPixelSize(std::max(6, int(t.dy(150))));
    painter.setFont(font);
    struct Name {
        double x, y;
        Population p;
        const char* text;
    };
    const Name names[] = {{600, 1400, Lymphocytes, "Linfociti"},
                          {1060, 450, Neutrophils, "Neutrofili"},
                          {1760, 1000, Eosinophils, "Eosinofili"},
                          {1300, 1280, Basophils, "Basofili"}};
    const QFontMetricsF metrics(font, painter.device());
    for (const Name& n : names) {
        painter.setPen(cosmetic(populationColour(n.p)));
        painter.drawText(t(n.x, n.y) + QPointF(0, metrics.ascent()), QString::fromLatin1(n.text));
    }
    painter.setPen(cosmetic(populationColour(Basophils)));
    painter.drawLine(t(825, 1000), t(1300, 1280));
    painter.setPen(cosmetic(populationColour(Monocytes)));
    painter.drawText(t(200, 120) + QPointF(0, metrics.ascent()), QStringLiteral("Monociti"));
    painter.restore();
}

int64_t drawDots(QPainter& painter, const QRectF& rect, const Input& input, const std::function<double()>& random,
                 qreal dotSize, const Divisors& divisors) {
    const Twips t{rect};
    painter.save();
    painter.setClipRect(rect);
    // Each dot is a filled square of whole device pixels, placed where a
    // one-pixel point would land. A point is a stroke of no length, which PDF
    // and PostScript renderers may paint as nothing; a filled square every
    // renderer paints.
    const QTransform toDevice = painter.deviceTransform();
    painter.resetTransform();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const int side = std::max(1, qRound(dotSize));
    QColor colours[kPopulations];
    for (int p = 0; p < kPopulations; ++p)
        colours[p] = populationColour(Population(p));
    int64_t drawn = 0;
    scatterDots(
        input, random,
        [&](Population p, double x, double y) {
            const QPointF at = toDevice.map(t(x, y));
            painter.fillRect(QRect(qFloor(at.x() + 0.5) - side / 2, qFloor(at.y() + 0.5) - side / 2, side, side),
                             colours[p]);
            ++drawn;
        },
        divisors);
    painter.restore();
    return drawn;
}

}  // namespace scatter

HistogramChart::HistogramChart(const QString& name, const QColor& series, QWidget* parent)
    : QWidget(parent), series_(series) {
    setObjectName(name);
}

HistogramChart::HistogramChart(QWidget* parent) : QWidget(parent) {}

void HistogramChart::setSeriesColour(const QColor& series) {
    series_ = series;
    update();
}

void HistogramChart::setBar(int index, const std::optional<QString>& text) {
    bars_.at(std::size_t(index)) = barValue(text);
    update();
}

QImage HistogramChart::picture(QSize size) const {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawHistogram(painter, QRectF(QPointF(0, 0), QSizeF(size)), bars_, series_);
    return image;
}

void HistogramChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawHistogram(painter, QRectF(rect()), bars_, series_);
}

void HistogramChart::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QWidget::mousePressEvent(event);
}

}  // namespace zv
