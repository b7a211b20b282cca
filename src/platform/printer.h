#pragma once
// The printer as the printed pages use it: positions in twips (1440 per inch)
// from the top-left corner of the printable area, text drawn with its top at
// CurrentY, a current font and colour, text that moves the position, pictures,
// lines and boxes. A document starts at its first drawing and ends at endDoc;
// killDoc drops it. It draws through QPainter at the device's own resolution:
// on a system printer (through CUPS), into a PDF file, or on any paint device a
// caller owns (an image, a picture).
#include <QFont>
#include <QPainter>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/drawing.h"
#include "platform/printdestination.h"

class QPrinter;

namespace zv {

namespace err {
constexpr int32_t PrinterError = 482;
}

class Printer {
public:
    enum class Orientation { Portrait = 1, Landscape = 2 };

    // A system printer: the named CUPS destination, or the system's default
    // destination when the name is empty. Nothing is looked up before the
    // first drawing; a missing printer fails there with error 482.
    static std::unique_ptr<Printer> system(const QString& printerName);
    // Every document goes into this PDF file, A4, the whole page printable.
    static std::unique_ptr<Printer> pdfFile(const QString& path);
    // The system printer or the PDF file of the destination.
    static std::unique_ptr<Printer> to(const PrintDestination& destination);
    // What a print dialog left on its printer: the printer picked, or, when
    // "Print to File (PDF)" was chosen, the file.
    static PrintDestination destinationOf(const QPrinter& printer);
    // Draws on a device the caller owns; endDoc ends the painting.
    explicit Printer(QPaintDevice* device);
    // An unfinished document is dropped.
    ~Printer();
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    // Sends system-printer documents into PDF files at `path` instead (tests,
    // benchmarks); an empty path ends that.
    static void redirectSystemPrinter(const QString& path);
    // The spooler's request id ("queue-42") of the last document this process
    // handed to a system printer, empty before the first: a caller that must
    // follow its own job (among others printed meanwhile) finds it by this.
    static QString lastRequest();

    double CurrentX = 0;
    double CurrentY = 0;
    QString FontName = QStringLiteral("Arial");
    double FontSize = 10;  // points
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderline = false;
    int32_t ForeColor = 0;  // 0x00BBGGRR; negative values are system colours (printed black)
    // Applies from the next document; every document ends back in portrait.
    Orientation orientation = Orientation::Portrait;

    // Draws the text at the current position and leaves the position right
    // after it on the same line.
    void print(const QString& text);
    // Draws the text, then moves to the left edge of the next line.
    void printLine(const QString& text = QString());
    double textWidth(const QString& text);
    double textHeight(const QString& text = QStringLiteral("X"));
    // Width and height of the printable area.
    double scaleWidth();
    double scaleHeight();

    // A picture drawn into the rectangle (twips) at the device's resolution.
    void paintPicture(const Drawing& drawing, double x, double y, double width, double height);
    // A bitmap at its own size (one pixel per 15 twips, as on the screen it came from).
    void paintPicture(const QImage& image, double x, double y);
    void line(double x1, double y1, double x2, double y2);
    void box(double x1, double y1, double x2, double y2, bool filled = false);

    void newPage();
    // Ends the document and hands it to the printer (or its file). Nothing
    // drawn, nothing printed. Fails with error 482 when the printer refuses it.
    void endDoc();
    // Drops the document: nothing of it reaches the printer or the file.
    void killDoc();
    bool documentStarted() const { return painter_.isActive(); }

private:
    enum class Kind { System, PdfFile, Device };
    Printer(Kind kind, QString target);
    QPaintDevice* device();
    QPainter& painter();
    QFont font() const;
    double pxPerTwipX();
    double pxPerTwipY();
    QColor colour() const;
    void finish();

    Kind kind_;
    QString target_;  // printer name or PDF path
    QString spoolFile_;
    QString destination_;  // the CUPS destination of the document
    std::unique_ptr<QPrinter> qprinter_;
    QPaintDevice* device_ = nullptr;
    QPainter painter_;
};

}  // namespace zv
