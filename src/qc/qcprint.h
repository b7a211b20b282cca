#pragma once
// The printed QC statistics: a title, the statistics table of the fifteen
// parameters and the list of runs, on landscape pages.
#include <QString>

#include <array>

#include "qc/qclot.h"

class QAbstractItemModel;

namespace zv {

class Printer;

// One line of the statistics table as the window shows it.
struct QcStatLine {
    QString caption;  // "WBC:" ...
    QString mean, deviation, target, range;
};

// Prints one document on `printer`: the title at the top, the statistics
// table, then from y 7500 the header row and every run row of `runs`
// (columns 2 to the last: the date and the fifteen values; the running
// number and the ID are not printed). Runs that pass the printable height go
// on a new page under the header row again. The caller ends the document, or
// kills it when this fails.
void printQcStatistics(Printer& printer, const QString& title, const std::array<QcStatLine, kQcParameterCount>& lines,
                       QAbstractItemModel& runs);

}  // namespace zv
