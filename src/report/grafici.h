#pragma once
// The six report pictures, kept on a window that is loaded at start and
// never shown: each slot holds its picture until the next report replaces it.
#include "platform/forms.h"
#include "platform/widgets.h"
#include "viewer/drawing.h"

namespace zv {

class grafici : public Form {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"grafici"};

    grafici();

    PictureBox* Picture3 = nullptr;  // scattergram
    PictureBox* Picture4 = nullptr;  // scattergram legend
    PictureBox* Picture5 = nullptr;  // PLT histogram
    PictureBox* Picture6 = nullptr;  // RBC histogram
    PictureBox* Picture7 = nullptr;  // WB2 histogram
    PictureBox* Picture8 = nullptr;  // WB1 histogram
};

// The report hand-off's pictures: the six slots of the picture window, each
// keeping what the last caller gave it. A caller draws straight into them
// (PictureBox::setDrawing), so the page draws each chart at the printer's
// resolution; the clipboard plays no part.
struct ReportPictures {
    PictureBox* scattergram;  // Picture3
    PictureBox* legend;       // Picture4
    PictureBox* plt;          // Picture5
    PictureBox* rbc;          // Picture6
    PictureBox* wb2;          // Picture7, Mono-Poly
    PictureBox* wb1;          // Picture8, nWbc-Lym-Mono
};
// The slots of the loaded picture window (loaded first when it is not).
ReportPictures reportPictures();

// The six report pictures of a result into the report's slots, drawn as the
// screen draws them: each chart straight from the result's histogram in
// `chartColour`, the legend, and the scattergram replaying `draws`, the
// random numbers its dots took, so paper shows the cloud that was computed.
// Each chart leaves the top of its slot to the title the page prints there.
void drawReportPictures(const ReportPictures& target, const ResultRecord& result, std::vector<double> draws,
                        const QColor& framePen, const scatter::Divisors& divisors);

}  // namespace zv
