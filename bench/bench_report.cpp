// Report pages into PDF files: the report window's whole page (layout read
// from print.ini at every item, the hand-off, the printer layer) beside a bare
// QPainter page with the same texts at the same places and the same pictures.
// Each page is a sample, the two sides side by side (common.h); ZV_BENCH_PAGES
// sets the number of pages of each side (default 100).
#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "app/appmain.h"
#include "common.h"
#include "core/session.h"
#include "platform/forms.h"
#include "platform/printer.h"
#include "program.h"
#include "report/reportpage.h"
#include "report/reportpictures.h"
#include "report/stampa.h"

namespace {

using namespace zvbench;

// A histogram of 52 channels and a scattergram of dots, drawn at any resolution.
zv::Drawing histogram(int seed) {
    return [seed](QPainter& p, const QRectF& r) {
        p.setPen(QPen(Qt::black, r.width() / 400));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        QPainterPath curve(r.bottomLeft());
        for (int i = 0; i < 52; ++i)
            curve.lineTo(r.left() + r.width() * i / 51.0,
                         r.bottom() - r.height() * 0.8 * std::exp(-std::pow((i - 15 - seed) / 7.0, 2)));
        p.setPen(QPen(Qt::darkBlue, r.width() / 300));
        p.drawPath(curve);
    };
}

zv::Drawing scattergram() {
    return [](QPainter& p, const QRectF& r) {
        QRandomGenerator random(7);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::darkRed);
        const double dot = r.width() / 150;
        for (int i = 0; i < 1500; ++i)
            p.drawEllipse(QPointF(r.left() + random.bounded(r.width()), r.top() + random.bounded(r.height())), dot,
                          dot);
    };
}

zv::ReportData sample() {
    zv::ReportData d;
    d.s_id = zv::ReportValue(QStringLiteral("A-17"));
    d.s_nome = zv::ReportValue(QStringLiteral("D'Amico Maria"));
    d.s_data = QStringLiteral("08/12/26");
    d.s_seq = QStringLiteral("12");
    d.s_sex = zv::ReportValue(QStringLiteral("F"));
    d.s_ddn = zv::ReportValue(QStringLiteral("03/04/1961"));
    d.s_limite = zv::ReportValue(QStringLiteral("Adulti"));
    d.s_wbc = 7.46, d.s_neu = 61.3, d.s_lym = 28.1, d.s_mono = 6.2, d.s_eos = 3.4, d.s_baso = 1.0;
    d.s_rbc = 4.52, d.s_hgb = 13.8, d.s_hct = 41.2, d.s_mcv = 90.0, d.s_mch = 30.5, d.s_mchc = 33.5;
    d.s_rdw = 13.1, d.s_plt = 250.0, d.s_mpv = 8.4, d.s_pct = 0.21, d.s_pdw = 16.2;
    d.s_wbcL = zv::ReportValue(QStringLiteral("4.0")), d.s_wbcH = zv::ReportValue(QStringLiteral("10.0"));
    d.s_commento = zv::ReportValue(QStringLiteral("Campione lipemico;ripetere"));
    d.s_dflt = zv::ReportValue(QStringLiteral("1"));
    return d;
}

// What one page draws, taken from a run of the page on the printer layer.
struct Item {
    QFont font;
    QColor colour;
    double x, y;  // twips
    QString text;
    zv::Drawing picture;
    double w = 0, h = 0;
};

class Recorder final : public zv::PageSurface {
public:
    Recorder(zv::Printer& printer, zv::PictureBox* logo, const zv::ReportPictures& pictures)
        : printer_(printer), logo_(logo), pictures_(pictures) {}
    std::vector<Item> items;
    double currentX() const override { return printer_.CurrentX; }
    double currentY() const override { return printer_.CurrentY; }
    void setCurrentX(double x) override { printer_.CurrentX = x; }
    void setCurrentY(double y) override { printer_.CurrentY = y; }
    void setFontName(const QString& name) override { printer_.FontName = name; }
    void setFontSize(double points) override { printer_.FontSize = points; }
    void setFontBold(bool on) override { printer_.FontBold = on; }
    void setFontItalic(bool on) override { printer_.FontItalic = on; }
    void setFontUnderline(bool on) override { printer_.FontUnderline = on; }
    void setForeColor(int32_t colour) override { printer_.ForeColor = colour; }
    void print(const QString& text) override {
        record(text);
        printer_.print(text);
    }
    void printLine(const QString& text) override {
        record(text);
        printer_.printLine(text);
    }
    void paintPicture(zv::ReportSlot slot, double x, double y) override {
        using S = zv::ReportSlot;
        const zv::Drawing& drawing = slot == S::Scatter         ? pictures_.scattergram
                                     : slot == S::ScatterLegend ? pictures_.legend
                                     : slot == S::WB1           ? pictures_.wb1
                                     : slot == S::WB2           ? pictures_.wb2
                                     : slot == S::RBC           ? pictures_.rbc
                                                                : pictures_.plt;
        // As the page paints them: the logo's box, each picture on white in its slot.
        const zv::Drawing box = slot == S::Logo
                                    ? zv::Drawing([logo = logo_](QPainter& p, const QRectF& r) { logo->paint(p, r); })
                                    : zv::Drawing([drawing](QPainter& p, const QRectF& r) {
                                          p.save();
                                          p.setClipRect(r);
                                          p.fillRect(r, Qt::white);
                                          drawing(p, r);
                                          p.restore();
                                      });
        const double w = slot == S::Logo ? 1815 : (slot == S::Scatter || slot == S::ScatterLegend) ? 2700 : 3300;
        const double h = slot == S::Logo ? 1575 : (slot == S::Scatter || slot == S::ScatterLegend) ? 1695 : 1935;
        items.push_back({QFont(), QColor(), x, y, QString(), box, w, h});
    }

private:
    void record(const QString& text) {
        QFont f(printer_.FontName);
        f.setPointSizeF(printer_.FontSize);
        f.setBold(printer_.FontBold);
        f.setItalic(printer_.FontItalic);
        f.setUnderline(printer_.FontUnderline);
        items.push_back({f, zv::bgrColor(uint32_t(std::max(0, printer_.ForeColor))), printer_.CurrentX,
                         printer_.CurrentY, text, zv::Drawing(), 0, 0});
    }
    zv::Printer& printer_;
    zv::PictureBox* logo_;
    zv::ReportPictures pictures_;
};

struct Setup {
    std::unique_ptr<zv::Session> session;
    QString pdf;
    std::vector<Item> page;
    std::unique_ptr<zv::PictureBox> logo;
    zv::ReportPage data;
};

Setup& setup() {
    static Setup s = [] {
        Setup s;
        const QString folder = workDir().path() + QStringLiteral("/report");
        useQuietProgramFolder(folder);
        zv::shell::registerForms();
        s.session = std::make_unique<zv::Session>();
        s.session->linguax = QStringLiteral("it.ini");
        s.session->stampa.read(s.session->linguax, QStringLiteral("stampa"));
        s.data = {sample(), {scattergram(), histogram(0), histogram(4), histogram(3), histogram(2), histogram(1)}};
        s.pdf = workDir().path() + QStringLiteral("/page.pdf");
        zv::Printer::redirectSystemPrinter(s.pdf);
        // The bare page draws what a run of the report page drew.
        s.logo = std::make_unique<zv::PictureBox>(QStringLiteral("logo"), QSize(121, 105));
        s.logo->setPicture(QImage(folder + QStringLiteral("/logo/logo.bmp")));
        QImage scratch(10, 10, QImage::Format_RGB32);
        scratch.setDotsPerMeterX(qRound(1200 / 0.0254));
        scratch.setDotsPerMeterY(qRound(1200 / 0.0254));
        zv::Printer printer(&scratch);
        Recorder recorder(printer, s.logo.get(), s.data.pictures);
        zv::stampax(recorder, s.data.data, s.session->stampa, zv::PageSettings::load());
        printer.killDoc();
        s.page = std::move(recorder.items);
        return s;
    }();
    return s;
}

void barePage(const Setup& s, const QString& file) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    QPainter p(&printer);
    const double px = printer.logicalDpiX() / 1440.0;
    for (const Item& item : s.page) {
        if (item.picture) {
            item.picture(p, QRectF(item.x * px, item.y * px, item.w * px, item.h * px));
            continue;
        }
        p.setFont(item.font);
        p.setPen(item.colour);
        p.drawText(QPointF(item.x * px, item.y * px + QFontMetricsF(item.font, &printer).ascent()), item.text);
    }
    p.end();
}

// The report window's page beside the bare QPainter page, side by side.
void BM_Page(benchmark::State& state) {
    Setup& s = setup();
    const QString bare = workDir().path() + QStringLiteral("/bare.pdf");
    sideBySide(state,
               {{"page/report", [&] { zv::Stampa::printPage(s.data); }}, {"page/bare", [&] { barePage(s, bare); }}});
    if (!QFile::exists(s.pdf))
        state.SkipWithError("no page was printed");
}

BENCHMARK(BM_Page)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(iterations(std::max(1, pages() / repetitions())))
    ->Repetitions(repetitions());

}  // namespace

int main(int argc, char** argv) {
    const WindowedProgram program(argc, argv);
    Figures reporter;
    runBenchmarks(&argc, argv, reporter);
    std::printf("\npages: %d, failed pages (message boxes): %d, items on the page: %zu\n", pages(),
                program.silent.shown, setup().page.size());
    reporter.header();
    reporter.ratio("report page to PDF", "page/report", "bare QPainter page, same texts and pictures", "page/bare", 0);
    zv::Forms::unloadAll();
    setup().session.reset();
    benchmark::Shutdown();
    return program.silent.shown == 0 ? 0 : 1;
}
