#pragma once
// The one-page report as data: which text stands where, in which font, read
// from the layout file print.ini at every page. The page draws on a
// PageSurface, so the layout is proved without a printer; the report window
// hands it the real one.
#include <QString>

#include <cstdint>

#include "model/reportdata.h"

namespace zv {

struct ReportCaptions;

// The pictures a page paints, each at its own size with its top-left corner at (x, y).
enum class ReportSlot { Logo, Scatter, ScatterLegend, WB1, WB2, RBC, PLT };

// The printer as the page drives it: twips from the top-left corner of the
// printable area; text is drawn with its top at CurrentY.
class PageSurface {
public:
    virtual ~PageSurface() = default;
    virtual double currentX() const = 0;
    virtual double currentY() const = 0;
    virtual void setCurrentX(double x) = 0;
    virtual void setCurrentY(double y) = 0;
    virtual void setFontName(const QString& name) = 0;
    virtual void setFontSize(double points) = 0;
    virtual void setFontBold(bool on) = 0;
    virtual void setFontItalic(bool on) = 0;
    virtual void setFontUnderline(bool on) = 0;
    // 0x00BBGGRR; a negative value is a system colour.
    virtual void setForeColor(int32_t colour) = 0;
    // Draws the text and leaves the position right after it on the same line.
    virtual void print(const QString& text) = 0;
    // Draws the text and moves to the left edge of the next line.
    virtual void printLine(const QString& text) = 0;
    virtual void paintPicture(ReportSlot slot, double x, double y) = 0;
};

// What the report window reads at its load: general.ini [separatore] and
// [alarm], print.ini [analisi] valori_bold. A [alarm] sign that is no
// Boolean fails with error 13.
struct PageSettings {
    QString separator;  // as configured, at most 7 characters ("" allowed)
    QString low, high;  // range symbols ("" unless sign is on)
    QString zero;       // printed for a parameter that was not measured
    QString bold;       // valori_bold, converted where it is used
    // The mark of the numbers' text: the configured separator when it is "," or
    // ".", else the regional one.
    QChar mark;

    static PageSettings load();
};

// The page procedure: every block in page order, reading each layout key as
// it prints. Any failure (a missing or malformed key, a value that is no
// number) rises as AppError; the caller ends the document.
void stampax(PageSurface& page, const ReportData& data, const ReportCaptions& captions, const PageSettings& settings);

// Text forms, for the tests and the blocks.
// A number as Print draws it: a blank (or the minus sign), the number, a blank.
QString printedNumber(double value, QChar mark);
// A value cell: a whole number gets the separator and "0" appended, a number
// with decimals is printed as a number, and nothing (a value nobody
// measured) prints as nothing.
QString printedValue(const std::optional<double>& value, const PageSettings& settings);

}  // namespace zv
