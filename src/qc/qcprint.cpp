#include "qc/qcprint.h"

#include <QAbstractItemModel>

#include "platform/printer.h"

namespace zv {

namespace {

constexpr double kTitleX = 2500, kTitleY = 500, kTableX = 1250, kTabStop = 1440;
constexpr double kRunsY = 7500, kDateX = 500, kFirstValueX = 1600;

// The x of grid column c (from 2) on the run list.
double columnX(int column) {
    if (column == 2)
        return kDateX;
    if (column == 3)
        return kFirstValueX;
    return (column - 1) * 1000.0 - 200;
}

// A line of fields, the first at `x`, each next one at the next tab stop.
void printFields(Printer& p, double x, const QStringList& fields) {
    const double y = p.CurrentY;
    for (int k = 0; k < fields.size(); ++k) {
        p.CurrentX = x + k * kTabStop;
        p.CurrentY = y;
        p.print(fields.at(k));
    }
    p.printLine();
}

void printRunRow(Printer& p, QAbstractItemModel& runs, int row, double y) {
    for (int c = 2; c < runs.columnCount(); ++c) {
        p.CurrentX = columnX(c);
        p.CurrentY = y;
        p.print(row < 0 ? runs.headerData(c, Qt::Horizontal).toString() : runs.index(row, c).data().toString());
    }
}

}  // namespace

void printQcStatistics(Printer& p, const QString& title, const std::array<QcStatLine, kQcParameterCount>& lines,
                       QAbstractItemModel& runs) {
    p.orientation = Printer::Orientation::Landscape;

    p.FontSize = 20;
    p.CurrentX = kTitleX;
    p.CurrentY = kTitleY;
    p.printLine(title);
    p.printLine();

    p.CurrentY += 200;
    p.FontName = QStringLiteral("Courier New");
    p.FontSize = 11;
    p.FontBold = true;
    printFields(p, kTableX,
                {QString(), QStringLiteral("Media"), QStringLiteral("CV %"), QStringLiteral("Target"),
                 QStringLiteral("Range +/-")});
    p.FontBold = false;
    for (const QcStatLine& line : lines) {
        p.CurrentY += 100;
        printFields(p, kTableX, {line.caption, line.mean, line.deviation, line.target, line.range});
    }

    // Every run, not only those the window has fetched so far.
    while (runs.canFetchMore(QModelIndex()))
        runs.fetchMore(QModelIndex());

    p.FontSize = 11;
    const double headerHeight = p.textHeight();
    printRunRow(p, runs, -1, kRunsY);
    double y = kRunsY + 2 * headerHeight;
    p.FontSize = 9;
    const double lineHeight = p.textHeight();
    const double bottom = p.scaleHeight();
    for (int r = 0; r < runs.rowCount(); ++r) {
        if (y + lineHeight > bottom) {
            p.newPage();
            p.FontSize = 11;
            printRunRow(p, runs, -1, kTitleY);
            p.FontSize = 9;
            y = kTitleY + 2 * headerHeight;
        }
        printRunRow(p, runs, r, y);
        y += lineHeight;
    }
}

}  // namespace zv
