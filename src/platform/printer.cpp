#include "platform/printer.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QUuid>

#include "platform/errors.h"
#include "platform/widgets.h"

namespace zv {

namespace {

QString& redirectPath() {
    static QString path;
    return path;
}

QString& lastRequestId() {
    static QString id;
    return id;
}

constexpr double kTwipsPerInch = 1440.0;

AppError printerError(const QString& what) { return AppError(err::PrinterError, what); }

}  // namespace

std::unique_ptr<Printer> Printer::system(const QString& printerName) {
    return std::unique_ptr<Printer>(new Printer(Kind::System, printerName));
}

std::unique_ptr<Printer> Printer::pdfFile(const QString& path) {
    return std::unique_ptr<Printer>(new Printer(Kind::PdfFile, path));
}

std::unique_ptr<Printer> Printer::to(const PrintDestination& destination) {
    return destination.pdfFile.isEmpty() ? system(destination.printer) : pdfFile(destination.pdfFile);
}

PrintDestination Printer::destinationOf(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return {QString(), printer.outputFileName()};
    return {printer.printerName(), QString()};
}

Printer::Printer(Kind kind, QString target) : kind_(kind), target_(std::move(target)) {}

Printer::Printer(QPaintDevice* device) : kind_(Kind::Device), device_(device) {}

Printer::~Printer() {
    if (painter_.isActive())
        ignoring([this] { killDoc(); });
}

void Printer::redirectSystemPrinter(const QString& path) { redirectPath() = path; }

QString Printer::lastRequest() { return lastRequestId(); }

QPaintDevice* Printer::device() {
    if (kind_ == Kind::Device)
        return device_;
    if (qprinter_)
        return qprinter_.get();
    const QPageLayout::Orientation orient =
        orientation == Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    QPageLayout layout(QPageSize(QPageSize::A4), orient, QMarginsF(0, 0, 0, 0));
    QString destination;
    if (kind_ == Kind::PdfFile || !redirectPath().isEmpty()) {
        const QString path = kind_ == Kind::PdfFile ? target_ : redirectPath();
        // Written beside the target and renamed over it at the end, so a
        // dropped or failed document never leaves half a file under its name.
        spoolFile_ = path + QStringLiteral(".part");
    } else {
        destination = target_.isEmpty() ? QPrinterInfo::defaultPrinterName() : target_;
        if (destination.isEmpty())
            throw printerError(QStringLiteral("No printer is installed: there is no default printer to print on."));
        if (!QPrinterInfo::availablePrinterNames().contains(destination))
            throw printerError(QStringLiteral("The printer \"%1\" is not available.").arg(destination));
        // The page is laid out for the destination's paper and margins, drawn
        // into a PDF file and spooled at the end: a dropped document then
        // never reaches the printer.
        QPrinter probe(QPrinter::HighResolution);
        probe.setPrinterName(destination);
        layout = probe.pageLayout();
        layout.setOrientation(orient);
        spoolFile_ = QDir::tempPath() + QStringLiteral("/zarvium-print-") +
                     QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".pdf");
    }
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(spoolFile_);
    printer->setCreator(QStringLiteral("Zarvium"));
    printer->setDocName(QStringLiteral("Zarvium"));
    if (!printer->setPageLayout(layout))
        printer->setPageSize(layout.pageSize());
    destination_ = destination;
    qprinter_ = std::move(printer);
    return qprinter_.get();
}

QPainter& Printer::painter() {
    if (!painter_.isActive()) {
        QPaintDevice* d = device();
        if (!d || !painter_.begin(d)) {
            throw printerError(QStringLiteral("The printer could not start the document%1.")
                                   .arg(spoolFile_.isEmpty() ? QString() : QStringLiteral(" (") + spoolFile_ + ')'));
        }
        painter_.setRenderHint(QPainter::Antialiasing);
        painter_.setRenderHint(QPainter::TextAntialiasing);
        painter_.setRenderHint(QPainter::SmoothPixmapTransform);
    }
    return painter_;
}

double Printer::pxPerTwipX() { return device()->logicalDpiX() / kTwipsPerInch; }
double Printer::pxPerTwipY() { return device()->logicalDpiY() / kTwipsPerInch; }

QFont Printer::font() const {
    if (!(FontSize > 0))
        throw AppError(380, QStringLiteral("Invalid property value: font size %1").arg(FontSize));
    QFont f;
    if (!FontName.isEmpty())
        f.setFamily(FontName);
    f.setPointSizeF(FontSize);
    f.setBold(FontBold);
    f.setItalic(FontItalic);
    f.setUnderline(FontUnderline);
    return f;
}

QColor Printer::colour() const {
    if (ForeColor < 0)
        return Qt::black;
    return bgrColor(static_cast<uint32_t>(ForeColor));
}

void Printer::print(const QString& text) {
    const QFont f = font();
    const QFontMetricsF metrics(f, device());
    if (!text.isEmpty()) {
        QPainter& p = painter();
        p.setFont(f);
        p.setPen(colour());
        p.drawText(QPointF(CurrentX * pxPerTwipX(), CurrentY * pxPerTwipY() + metrics.ascent()), text);
    }
    CurrentX += metrics.horizontalAdvance(text) / pxPerTwipX();
}

void Printer::printLine(const QString& text) {
    print(text);
    CurrentX = 0;
    CurrentY += textHeight();
}

double Printer::textWidth(const QString& text) {
    return QFontMetricsF(font(), device()).horizontalAdvance(text) / pxPerTwipX();
}

double Printer::textHeight(const QString&) { return QFontMetricsF(font(), device()).height() / pxPerTwipY(); }

double Printer::scaleWidth() { return device()->width() / pxPerTwipX(); }
double Printer::scaleHeight() { return device()->height() / pxPerTwipY(); }

void Printer::paintPicture(const Drawing& drawing, double x, double y, double width, double height) {
    QPainter& p = painter();
    const QRectF target(x * pxPerTwipX(), y * pxPerTwipY(), width * pxPerTwipX(), height * pxPerTwipY());
    p.save();
    p.setClipRect(target);
    if (drawing)
        drawing(p, target);
    p.restore();
}

void Printer::paintPicture(const QImage& image, double x, double y) {
    const double w = image.width() * 15.0, h = image.height() * 15.0;
    paintPicture([&image](QPainter& p, const QRectF& r) { p.drawImage(r, image); }, x, y, w, h);
}

void Printer::line(double x1, double y1, double x2, double y2) {
    QPainter& p = painter();
    p.setPen(QPen(colour(), 15 * pxPerTwipX()));
    p.drawLine(QPointF(x1 * pxPerTwipX(), y1 * pxPerTwipY()), QPointF(x2 * pxPerTwipX(), y2 * pxPerTwipY()));
    CurrentX = x2;
    CurrentY = y2;
}

void Printer::box(double x1, double y1, double x2, double y2, bool filled) {
    QPainter& p = painter();
    p.setPen(QPen(colour(), 15 * pxPerTwipX()));
    p.setBrush(filled ? QBrush(colour()) : QBrush(Qt::NoBrush));
    p.drawRect(QRectF(QPointF(x1 * pxPerTwipX(), y1 * pxPerTwipY()), QPointF(x2 * pxPerTwipX(), y2 * pxPerTwipY())));
    p.setBrush(Qt::NoBrush);
    CurrentX = x2;
    CurrentY = y2;
}

void Printer::newPage() {
    painter();
    auto* paged = dynamic_cast<QPagedPaintDevice*>(device());
    if (!paged || !paged->newPage())
        throw printerError(QStringLiteral("The printer could not start a new page."));
    CurrentX = 0;
    CurrentY = 0;
}

void Printer::finish() {
    CurrentX = 0;
    CurrentY = 0;
    orientation = Orientation::Portrait;
    qprinter_.reset();
}

void Printer::endDoc() {
    if (!painter_.isActive()) {
        finish();
        return;
    }
    const bool ended = painter_.end();
    const QString spool = spoolFile_;
    spoolFile_.clear();
    const bool toFile = kind_ == Kind::PdfFile || (kind_ == Kind::System && !redirectPath().isEmpty());
    const QString destination = destination_;
    const QString target = kind_ == Kind::PdfFile ? target_ : redirectPath();
    finish();
    if (kind_ == Kind::Device) {
        if (!ended)
            throw printerError(QStringLiteral("The document could not be finished."));
        return;
    }
    if (!ended) {
        QFile::remove(spool);
        throw printerError(QStringLiteral("The document could not be finished."));
    }
    if (toFile) {
        QFile::remove(target);
        if (!QFile::rename(spool, target)) {
            QFile::remove(spool);
            throw printerError(QStringLiteral("The document could not be written to %1.").arg(target));
        }
        return;
    }
    QProcess lp;
    lp.start(QStringLiteral("lp"), {QStringLiteral("-d"), destination, QStringLiteral("-t"), QStringLiteral("Zarvium"),
                                    QStringLiteral("--"), spool});
    const bool ran = lp.waitForStarted(30000) && lp.waitForFinished(120000);
    const QString said = QString::fromLocal8Bit(lp.readAllStandardError()).trimmed();
    QFile::remove(spool);
    if (!ran)
        throw printerError(QStringLiteral("The print spooler (lp) could not be run: %1").arg(lp.errorString()));
    if (lp.exitStatus() != QProcess::NormalExit || lp.exitCode() != 0)
        throw printerError(QStringLiteral("The printer \"%1\" refused the document: %2").arg(destination, said));
    // lp answers "request id is <destination>-<n> (1 file(s))", in the user's language.
    const QRegularExpression request(QRegularExpression::escape(destination) + QStringLiteral("-\\d+"));
    const auto m = request.match(QString::fromLocal8Bit(lp.readAllStandardOutput()));
    lastRequestId() = m.hasMatch() ? m.captured(0) : QString();
}

void Printer::killDoc() {
    if (painter_.isActive())
        painter_.end();
    if (!spoolFile_.isEmpty())
        QFile::remove(spoolFile_);
    spoolFile_.clear();
    finish();
}

}  // namespace zv
