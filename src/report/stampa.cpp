#include "report/stampa.h"

#include <QImageReader>

#include "core/config.h"
#include "core/programfiles.h"
#include "core/session.h"
#include "platform/errors.h"
#include "platform/printer.h"
#include "platform/prompts.h"
#include "report/reportpage.h"
#include "report/reportturns.h"

namespace zv {

namespace {

// The page's printer object, with the page's pictures behind its slots.
class PrinterSurface final : public PageSurface {
public:
    PrinterSurface(Printer& printer, const PictureBox* logo, const ReportPictures& pictures)
        : printer_(printer), logo_(logo), pictures_(pictures) {}

    double currentX() const override { return printer_.CurrentX; }
    double currentY() const override { return printer_.CurrentY; }
    void setCurrentX(double x) override { printer_.CurrentX = x; }
    void setCurrentY(double y) override { printer_.CurrentY = y; }
    void setFontName(const QString& name) override { printer_.FontName = name; }
    void setFontSize(double points) override {
        if (!(points > 0))
            throw AppError(380, QStringLiteral("Invalid property value: font size %1").arg(points));
        printer_.FontSize = points;
    }
    void setFontBold(bool on) override { printer_.FontBold = on; }
    void setFontItalic(bool on) override { printer_.FontItalic = on; }
    void setFontUnderline(bool on) override { printer_.FontUnderline = on; }
    void setForeColor(int32_t colour) override { printer_.ForeColor = colour; }
    void print(const QString& text) override { printer_.print(text); }
    void printLine(const QString& text) override { printer_.printLine(text); }

    void paintPicture(ReportSlot slot, double x, double y) override {
        const QSize twips = slotTwips(slot);
        if (slot == ReportSlot::Logo) {
            printer_.paintPicture([box = logo_](QPainter& p, const QRectF& r) { box->paint(p, r); }, x, y,
                                  twips.width(), twips.height());
            return;
        }
        // A picture box's backdrop, then the picture, clipped to its slot.
        printer_.paintPicture(
            [&drawing = drawingOf(slot)](QPainter& p, const QRectF& r) {
                p.save();
                p.setClipRect(r);
                p.fillRect(r, Qt::white);
                if (drawing)
                    drawing(p, r);
                p.restore();
            },
            x, y, twips.width(), twips.height());
    }

private:
    const Drawing& drawingOf(ReportSlot slot) const {
        switch (slot) {
        case ReportSlot::Scatter: return pictures_.scattergram;
        case ReportSlot::ScatterLegend: return pictures_.legend;
        case ReportSlot::WB1: return pictures_.wb1;
        case ReportSlot::WB2: return pictures_.wb2;
        case ReportSlot::RBC: return pictures_.rbc;
        case ReportSlot::PLT:
        case ReportSlot::Logo: break;
        }
        return pictures_.plt;
    }
    // Each picture prints at the size of the box it always had.
    static QSize slotTwips(ReportSlot slot) {
        switch (slot) {
        case ReportSlot::Logo: return {1815, 1575};
        case ReportSlot::Scatter:
        case ReportSlot::ScatterLegend: return {2700, 1695};
        default: return {3300, 1935};
        }
    }

    Printer& printer_;
    const PictureBox* logo_;
    const ReportPictures& pictures_;
};

// What the page printed last carried of the members no caller fills.
struct Carried {
    QString nomeform, s_n;
};
Carried& carried() {
    static Carried c;
    return c;
}

}  // namespace

Stampa::Stampa() : Form(QStringLiteral("Stampa")) {
    setWindowTitle(QStringLiteral("Stampa"));
    Picture2 = new PictureBox(QStringLiteral("Picture2"), QSize(twipsToPixels(1815), twipsToPixels(1575)), this);
}

void Stampa::Form_Load() {
    printed_ = false;
    try {
        stampax();
        printed_ = true;
    } catch (...) {
        if (depth_ > 0)
            throw;
        const CaughtError e = describeCurrentException();
        logerrore(e.number, e.description, formName());
        msgBox(QStringLiteral("Errore durante la stampa!"), MsgButtons::OK, MsgIcon::Critical, appTitle());
    }
}

bool Stampa::printPage(const ReportPage& page) {
    carried() = {page.data.nomeform, page.data.s_n};
    const ReportPage* before = page_;
    page_ = &page;
    bool printed = false;
    try {
        const Stampa* window = Forms::load<Stampa>();
        printed = window && window->printed();
    } catch (...) {
        // A page that left its failure to the caller is still loaded.
        Forms::unload<Stampa>();
        page_ = before;
        throw;
    }
    Forms::unload<Stampa>();
    page_ = before;
    return printed;
}

void Stampa::stampax() {
    if (!page_)
        throw AppError(err::InvalidCall, QStringLiteral("The report window was loaded without a page to print."));
    // What the load reads before the page: the settings, then the logo.
    const PageSettings settings = PageSettings::load();
    const QString logoPath = programPath(QString(file::logoFolder) + QStringLiteral("/logo.bmp"));
    QImageReader reader(logoPath);
    const QImage logo = reader.read();
    if (logo.isNull())
        throw AppError(err::FileNotFound,
                       QStringLiteral("The report logo %1 could not be read: %2").arg(logoPath, reader.errorString()));
    Picture2->setPicture(logo);

    Session& session = Session::get();
    const std::unique_ptr<Printer> printer = Printer::to(session.nextPrintDestination());
    PrinterSurface surface(*printer, Picture2, page_->pictures);
    try {
        zv::stampax(surface, page_->data, session.stampa, settings);
        printer->endDoc();
    } catch (...) {
        // Half a report is worse than none: nothing of it reaches the paper.
        printer->killDoc();
        throw;
    }
}

ReportData pageData(const ResultRecord& result, const LimitsRow& limits) {
    ReportData page;
    page.nomeform = carried().nomeform;
    page.s_n = carried().s_n;
    fillReportData(page, result, limits);
    return page;
}

ReportPage reportPage(const ResultRecord& result, const LimitsRow& limits, std::vector<double> draws,
                      const QColor& framePen, const scatter::Divisors& divisors) {
    return {pageData(result, limits), reportPictures(result, std::move(draws), framePen, divisors)};
}

void printShownReport(const ResultRecord& result, const LimitsRow& limits, const std::vector<double>& draws,
                      const QColor& framePen) {
    // An automatic report asked for while this page (or its error box) is up
    // waits for it: one page at a time.
    const ReportTurns::Page turn;
    ReportPage page;
    try {
        page = reportPage(result, limits, draws, framePen, scatter::kScreenDivisors);
    } catch (...) {
        const CaughtError e = describeCurrentException();
        logerrore(e.number, e.description, QString(Stampa::kName));
        msgBox(QStringLiteral("Errore durante la stampa!"), MsgButtons::OK, MsgIcon::Critical, appTitle());
        return;
    }
    Stampa::printPage(page);
}

}  // namespace zv
