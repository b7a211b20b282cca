#pragma once
// What the batch run and the automatic report do for one result: choose its
// human reference-range set, feed the four histogram charts, draw the
// scattergram and its legend, hand the six pictures and the values to the
// report page and print it. The pictures are drawings put straight into the
// report's slots, so the page draws them at the printer's resolution and the
// user's clipboard is never touched.
#include <QColor>

#include "model/reportdata.h"
#include "model/result.h"
#include "viewer/drawing.h"

namespace zv {

class PictureBox;
class Recordset;
struct ReportPictures;

// The printed scattergram holds fewer dots than the screen's for the same result.
inline constexpr scatter::Divisors kReportDivisors{20, 12, 10, 12, 15};

// The range set of a report run: the human set at the 1-based position
// `Limits` + 1 of `limiti` (ordered by `limite`). A result without `Limits`,
// or one naming no set, fails (94, 3001) with the result's ID1 in the text.
LimitsRow reportRangeSet(Recordset& limiti, const ResultRecord& result);

// The six drawing surfaces of a report-run window: four charts with the
// viewer's chart control, the scattergram and its legend.
class ReportSurfaces {
public:
    explicit ReportSurfaces(QWidget* window);

    HistogramChart* MSChart1;  // PLT
    HistogramChart* MSChart2;  // RBC
    HistogramChart* MSChart3;  // WBC Mono-Poly
    HistogramChart* MSChart4;  // WBC nWbc-Lym-Mono
    PictureBox* Picture1;      // simulated scattergram
    PictureBox* Picture2;      // scatter legend

    // Channels 006 to 230 of each kind, bar by bar; every fill starts at the
    // first bar, so no chart ever shows two results.
    void feedCharts(const ResultRecord& result);
    // The legend and the scattergram of the result. The dots take their
    // random numbers from the program's one sequence now; the drawing
    // replays them, so screen and paper show the same cloud.
    void drawPictures(const ResultRecord& result, const QColor& windowText);
    // The six pictures into the report's slots.
    void handOver(const ReportPictures& target) const;
};

// Loads the report page, which prints, and unloads it; true when the page
// was printed (a failed page has been logged and shown by the page itself,
// or, under Stampa::FailuresToCaller, rises from here).
bool printReportPage();

// The whole report of one result, in the automatic report's order (values,
// charts, drawings, pictures, page); a failure before the page throws and
// leaves no page. Announces a printed page through the notifier.
void reportOne(const ResultRecord& result, Recordset& limiti, ReportSurfaces& surfaces, const QColor& windowText);

}  // namespace zv
