#pragma once
// A printed PDF read back as a reader sees it: its words with their boxes (in
// points from the top-left corner of the page), its page count, its pages as
// images.
#include <QImage>
#include <QString>

#include <string>
#include <vector>

namespace zv::test {

struct PdfWord {
    int page = 0;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    QString text;
};

// Every word of the file (pdftotext -bbox), in reading order.
std::vector<PdfWord> pdfWords(const QString& pdf);
// The words of one printed text (several words: their union), found on a
// line by its first word; nullptr-like empty optional when missing.
std::vector<PdfWord> findText(const std::vector<PdfWord>& words, const QString& text);
// What is printed right of `caption` on its line, for each line it heads, top
// to bottom: the words joined by blanks (a value with its mark, the unit and
// the range standing beside).
std::vector<std::string> wordsBeside(const std::vector<PdfWord>& words, const QString& caption);
int pdfPageCount(const QString& pdf);
// Who draws a page: poppler (pdftoppm, as PDF viewers do) or Ghostscript
// (gs, as CUPS printer drivers do). They differ on marks a PDF may leave
// undrawn, such as strokes of no length.
enum class Renderer { Poppler, Ghostscript };
// Page `page` (1-based) rendered at `dpi`.
QImage pdfPage(const QString& pdf, int page, int dpi, Renderer renderer = Renderer::Poppler);

}  // namespace zv::test
