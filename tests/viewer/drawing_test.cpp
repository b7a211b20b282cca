#include <QImage>
#include <QPaintEngine>
#include <QPainter>

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "viewer/drawing.h"

namespace zv {
namespace {

// A paint device that records what is drawn on it instead of drawing it.
class Recorder : public QPaintDevice {
public:
    struct Engine : QPaintEngine {
        Engine() : QPaintEngine(QPaintEngine::AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState& state) override {
            if (state.state() & QPaintEngine::DirtyPen)
                pen = state.pen();
        }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPoints(const QPointF* points, int count) override {
            for (int i = 0; i < count; ++i)
                dots.push_back({pen.color(), points[i]});
        }
        void drawPoints(const QPoint* points, int count) override {
            for (int i = 0; i < count; ++i)
                dots.push_back({pen.color(), QPointF(points[i])});
        }
        void drawLines(const QLineF*, int count) override { lines += count; }
        void drawLines(const QLine*, int count) override { lines += count; }
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF&, const QTextItem&) override {}
        Type type() const override { return QPaintEngine::User; }

        QPen pen;
        std::vector<std::pair<QColor, QPointF>> dots;
        int lines = 0;
    };

    explicit Recorder(QSize size) : size_(size) {}
    QPaintEngine* paintEngine() const override { return &engine; }
    mutable Engine engine;

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth: return size_.width();
        case PdmHeight: return size_.height();
        case PdmWidthMM: return size_.width() * 254 / 960;
        case PdmHeightMM: return size_.height() * 254 / 960;
        case PdmNumColors: return INT_MAX;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    QSize size_;
};

TEST(ScattergramDrawing, OneDotPerComputedDotInItsPopulationsColour) {
    Recorder picture(QSize(180, 113));
    clock::seedRandom(3);
    int64_t drawn = 0;
    {
        QPainter painter(&picture);
        scatter::drawFrame(painter, QRectF(0, 0, 180, 113), Qt::black);
        drawn = scatter::drawDots(painter, QRectF(0, 0, 180, 113), {7.5, 60, 30, 6, 3, 1}, [] { return clock::rnd(); });
    }
    EXPECT_EQ(picture.engine.lines, 7);  // four frame lines, three boundary lines
    EXPECT_EQ(drawn, 816);
    ASSERT_EQ(picture.engine.dots.size(), 816u);
    std::map<QRgb, int> perColour;
    for (const auto& [colour, at] : picture.engine.dots)
        ++perColour[colour.rgb()];
    EXPECT_EQ(perColour[QColor(255, 200, 0).rgb()], 600);
    EXPECT_EQ(perColour[QColor(0, 0, 255).rgb()], 132);
    EXPECT_EQ(perColour[QColor(255, 0, 255).rgb()], 54);
    EXPECT_EQ(perColour[QColor(0, 200, 0).rgb()], 20);
    EXPECT_EQ(perColour[QColor(150, 150, 150).rgb()], 10);
}

TEST(ScattergramDrawing, TwipsScaleToTheRectangleGiven) {
    // The same drawing at six times the screen's resolution lands in the same places.
    for (const double scale : {1.0, 6.0}) {
        Recorder picture(QSize(int(180 * scale), int(113 * scale)));
        clock::seedRandom(5);
        QPainter painter(&picture);
        scatter::drawDots(painter, QRectF(0, 0, 180 * scale, 113 * scale), {10, 0, 100, 0, 0, 0},
                          [] { return clock::rnd(); });
        painter.end();
        for (const auto& [colour, at] : picture.engine.dots) {
            // Lymphocytes: x 350 to 700, y 1000 to 1350 twips of 2700 x 1695.
            EXPECT_GE(at.x(), 350 * 180 * scale / 2700 - 1e-9);
            EXPECT_LE(at.x(), 700 * 180 * scale / 2700 + 1e-9);
            EXPECT_GE(at.y(), 1000 * 113 * scale / 1695 - 1e-9);
            EXPECT_LE(at.y(), 1350 * 113 * scale / 1695 + 1e-9);
        }
    }
}

int seriesPixelsInRow(const QImage& image, int y, const QColor& series) {
    int n = 0;
    for (int x = 0; x < image.width(); ++x)
        n += image.pixelColor(x, y) == series;
    return n;
}

TEST(HistogramDrawing, TallestBarReachesTheTopAnEmptyHistogramStaysFlat) {
    const QColor series(255, 64, 64);
    std::array<double, kChartBars> bars{};
    QImage flat(208, 137, QImage::Format_RGB32);
    {
        QPainter painter(&flat);
        drawHistogram(painter, QRectF(flat.rect()), bars, series);
    }
    for (int y = 0; y < 120; ++y)
        ASSERT_EQ(seriesPixelsInRow(flat, y, series), 0) << y;

    bars[25] = 80;  // one peak in the middle
    bars[26] = 40;
    QImage peak(208, 137, QImage::Format_RGB32);
    {
        QPainter painter(&peak);
        drawHistogram(painter, QRectF(peak.rect()), bars, series);
    }
    EXPECT_GT(seriesPixelsInRow(peak, 12, series), 0);  // near the top: the tallest bar
    EXPECT_EQ(seriesPixelsInRow(peak, 2, series), 0);   // above it: nothing
    EXPECT_GT(seriesPixelsInRow(peak, 100, series), seriesPixelsInRow(peak, 30, series));  // the half bar too
}

TEST(HistogramDrawing, ChartTakesChannelTextsAndEmptiesWhatItCannotRead) {
    HistogramChart chart("MSChart1", Qt::yellow);
    chart.setBar(0, QString("047"));
    chart.setBar(51, QString("230"));
    EXPECT_EQ(chart.bars()[0], 47);
    EXPECT_EQ(chart.bars()[51], 230);
    chart.setBar(0, std::nullopt);
    chart.setBar(51, QString("x1"));
    EXPECT_EQ(chart.bars()[0], 0);
    EXPECT_EQ(chart.bars()[51], 0);
}

}  // namespace
}  // namespace zv
