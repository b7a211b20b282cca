#pragma once
// The CUPS queue that writes PDF files (scripts/cups-pdf-queue.sh), as the
// end-to-end print tests use it: whether it is there, where its files go, and
// how close a page that came out of it is to one printed into a file (the
// queue's filters turn text into drawings a reader cannot extract).
#include <QImage>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace zv::test {

QString run(const QString& program, const QStringList& args, int* exitCode = nullptr);
// Empty when a scheduler with a default destination is reachable, else why not.
QString cupsQueueMissing();
// Where cups-pdf puts this user's files: its Out setting, and its folder for anonymous jobs.
QStringList cupsPdfFolders();
QSet<QString> pdfFilesIn(const QStringList& folders);
// The first new PDF of the folders that a reader can open and `wanted`
// accepts (other programs may print on the same queue meanwhile), waiting up
// to 90 s for the queue to run the job; empty when none came.
QString awaitNewPdf(const QStringList& folders, const QSet<QString>& before,
                    const std::function<bool(const QString&)>& wanted = {});
// Where `b`'s ink meets `a`'s best, within 16 pixels either way (the queue's
// printable area may start a few points in from the paper's edge).
QPoint bestShift(const QImage& a, const QImage& b);
// Lost ink counted both ways, within `area` of `a` (the whole page when null).
double inkMismatch(const QImage& a, const QImage& b, QPoint shift, const QRect& area = QRect());

}  // namespace zv::test
