#pragma once
// The CUPS queue that writes PDF files (scripts/cups-pdf-queue.sh), as the
// end-to-end print tests use it (they make it their process's default
// destination, test::DefaultQueueOfThisProcess): whether it is there, which of its files a
// job wrote, and how close a page that came out of it is to one printed into
// a file (the queue's filters turn text into drawings a reader cannot
// extract), as poppler and as Ghostscript draw them.
#include <QImage>
#include <QString>
#include <QStringList>

#include "pdftext.h"

namespace zv::test {

QString run(const QString& program, const QStringList& args, int* exitCode = nullptr);
// Empty when a scheduler with the PDF queue (testPrintQueue()) is reachable, else why not.
QString cupsQueueMissing();
// Where cups-pdf puts this user's files: its Out setting, and its folder for anonymous jobs.
QStringList cupsPdfFolders();
// The file the queue wrote for CUPS request `request` ("queue-42", as
// Printer::lastRequest gives it), once the job has completed: the queue names
// each file with its job id, so pages others print meanwhile are never taken
// for it. Waits up to 120 s (a loaded machine runs the queue's filters
// slowly); empty when none came, with what was seen in `why`.
QString awaitJobPdf(const QString& request, QString* why);
// Checks a page that came out of the queue against the same hand-off printed
// into a file (`reference`), as each renderer draws both: the whole page's
// ink, the ink where the reference prints each of `texts`, and the
// scattergram's dots (coloured pixels inside its box, taken from the layout).
void expectQueuedPageMatches(const QString& queued, const QString& reference, const QStringList& texts);
// The ink one renderer draws on a page of `pdf` and the other does not (the
// larger share, both ways): a mark that poppler paints and Ghostscript drops,
// or the other way round, shows here.
double rendererMismatch(const QString& pdf, int page, int dpi);
// The coloured pixels inside the scattergram's box (where the layout puts it)
// on page 1 of `pdf` drawn at 100 dpi by `renderer`, the box moved by `shift`
// pixels at 60 dpi (where a queue's page stands against the file's).
int scattergramDots(const QString& pdf, Renderer renderer, QPoint shift = QPoint());
// Pixels of `img` within `area` that are neither white, black nor grey.
int colouredPixels(const QImage& img, const QRect& area);
// Where `b`'s ink meets `a`'s best, within 16 pixels either way (the queue's
// printable area may start a few points in from the paper's edge).
QPoint bestShift(const QImage& a, const QImage& b);
// Lost ink counted both ways, within `area` of `a` (the whole page when null).
double inkMismatch(const QImage& a, const QImage& b, QPoint shift, const QRect& area = QRect());

}  // namespace zv::test
