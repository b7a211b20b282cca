#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

#include "platform/clock.h"
#include "platform/printer.h"
#include "report/cupsqueue.h"
#include "report/pdftext.h"
#include "report/reportpictures.h"
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
            if (state.state() & QPaintEngine::DirtyBrush)
                brush = state.brush();
        }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPoints(const QPointF*, int count) override { points += count; }
        void drawPoints(const QPoint*, int count) override { points += count; }
        void drawRects(const QRectF* rects, int count) override {
            for (int i = 0; i < count; ++i)
                dots.push_back({brush.color(), rects[i]});
        }
        void drawRects(const QRect* rects, int count) override {
            for (int i = 0; i < count; ++i)
                dots.push_back({brush.color(), QRectF(rects[i])});
        }
        void drawLines(const QLineF*, int count) override { lines += count; }
        void drawLines(const QLine*, int count) override { lines += count; }
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF&, const QTextItem&) override {}
        Type type() const override { return QPaintEngine::User; }

        QPen pen;
        QBrush brush;
        std::vector<std::pair<QColor, QRectF>> dots;  // filled rectangles
        int lines = 0;
        int points = 0;  // strokes of no length, which some renderers never paint
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
    EXPECT_EQ(picture.engine.points, 0);
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
    // The same drawing at six times the screen's resolution lands in the same
    // places, to the device pixel, each dot a filled square of the size asked.
    struct Case {
        double scale, dotSize, side;
    };
    for (const Case c : {Case{1, 0, 1}, Case{6, 0, 1}, Case{6, 8, 8}, Case{6, 2.4, 2}}) {
        SCOPED_TRACE(testing::Message() << "scale " << c.scale << ", dot size " << c.dotSize);
        Recorder picture(QSize(int(180 * c.scale), int(113 * c.scale)));
        clock::seedRandom(5);
        QPainter painter(&picture);
        scatter::drawDots(
            painter, QRectF(0, 0, 180 * c.scale, 113 * c.scale), {10, 0, 100, 0, 0, 0}, [] { return clock::rnd(); },
            c.dotSize);
        painter.end();
        ASSERT_FALSE(picture.engine.dots.empty());
        for (const auto& [colour, square] : picture.engine.dots) {
            EXPECT_EQ(square.size(), QSizeF(c.side, c.side));
            // Lymphocytes: x 350 to 700, y 1000 to 1350 twips of 2700 x 1695.
            const QPointF at = square.center();
            EXPECT_GE(at.x(), 350 * 180 * c.scale / 2700 - 1);
            EXPECT_LE(at.x(), 700 * 180 * c.scale / 2700 + 1);
            EXPECT_GE(at.y(), 1000 * 113 * c.scale / 1695 - 1);
            EXPECT_LE(at.y(), 1350 * 113 * c.scale / 1695 + 1);
        }
    }
}

TEST(ScattergramDrawing, EveryRendererPaintsThePrintedDots) {
    // Printed as the page prints it (a PDF at the printer's resolution, dots
    // of 1/150 inch), then drawn by poppler and by Ghostscript.
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("dots.pdf"));
    clock::seedRandom(7);
    int64_t drawn = 0;
    {
        const std::unique_ptr<Printer> printer = Printer::pdfFile(pdf);
        printer->paintPicture(
            [&](QPainter& p, const QRectF& r) {
                scatter::drawFrame(p, r, Qt::black);
                drawn = scatter::drawDots(
                    p, r, {7.5, 60, 30, 6, 3, 1}, [] { return clock::rnd(); },
                    std::max<qreal>(1.0, p.device()->logicalDpiX() / 150.0));
            },
            1440, 1440, 2700, 1695);
        printer->endDoc();
    }
    ASSERT_GT(drawn, 500);
    const QRect box(100, 100, 2700 * 100 / 1440, 1695 * 100 / 1440);  // at 100 dpi
    for (const test::Renderer renderer : {test::Renderer::Poppler, test::Renderer::Ghostscript}) {
        const QImage page = test::pdfPage(pdf, 1, 100, renderer);
        ASSERT_FALSE(page.isNull());
        // Dots overlap where the cloud is thick; most still show.
        EXPECT_GT(test::colouredPixels(page, box), drawn / 4)
            << (renderer == test::Renderer::Poppler ? "poppler" : "gs");
        EXPECT_EQ(test::colouredPixels(page, page.rect()), test::colouredPixels(page, box));
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

// The page's charts are the screen's: the same bars straight from the
// result's histograms (channel 002 left out, what cannot be read empty), in
// the same colour, below the strip the page prints the title in.
TEST(HistogramDrawing, ReportChartsAreTheScreensChartsOfTheResult) {
    ResultRecord r;
    int k = 0;
    for (Histogram& h : r.histograms) {
        ++k;
        for (std::size_t c = 0; c < h.channels.size(); ++c)
            h.channels[c] = QStringLiteral("%1").arg((c * 13 + std::size_t(k) * 7) % 90, 3, 10, QLatin1Char('0'));
    }
    r.histogram(HistogramKind::PLT).channels[0] = QStringLiteral("999");
    r.histogram(HistogramKind::RBC).channels[5] = QStringLiteral("x1");
    r.histogram(HistogramKind::WB1).channels[9].reset();
    const ReportPictures pictures = reportPictures(r, {}, Qt::black, scatter::kScreenDivisors);
    const std::pair<const Drawing*, HistogramKind> charts[] = {{&pictures.plt, HistogramKind::PLT},
                                                               {&pictures.rbc, HistogramKind::RBC},
                                                               {&pictures.wb2, HistogramKind::WB2},
                                                               {&pictures.wb1, HistogramKind::WB1}};
    for (const auto& [drawing, kind] : charts) {
        SCOPED_TRACE(int(kind));
        HistogramChart screen(QStringLiteral("chart"), chartColour(kind));
        for (int bar = 0; bar < kChartBars; ++bar)
            screen.setBar(bar, r.histogram(kind).channels[std::size_t(bar + 1)]);
        QImage printed(330, 194, QImage::Format_RGB32), shown(330, 194, QImage::Format_RGB32);
        printed.fill(Qt::white);
        shown.fill(Qt::white);
        {
            QPainter p(&printed);
            (*drawing)(p, QRectF(printed.rect()));
        }
        {
            QPainter p(&shown);
            const QRectF rect(shown.rect());
            drawHistogram(p, rect.adjusted(0, rect.height() * 0.14, 0, 0), screen.bars(), screen.seriesColour());
        }
        EXPECT_EQ(printed, shown);
    }
    EXPECT_EQ(histogramBars(r.histogram(HistogramKind::RBC))[4], 0);  // channel "x1"
}

}  // namespace
}  // namespace zv
