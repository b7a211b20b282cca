#pragma once
// The six pictures of a report page, drawn from the result with the drawings
// the screen uses. They are values the page carries, so nothing holds a
// picture from one page to the next.
#include <QColor>

#include <vector>

#include "model/result.h"
#include "platform/drawing.h"
#include "viewer/drawing.h"

namespace zv {

// Each picture draws itself into the rectangle the page gives it, so the page
// draws it at the printer's resolution; an empty one leaves its slot white.
struct ReportPictures {
    Drawing scattergram;
    Drawing legend;
    Drawing plt;
    Drawing rbc;
    Drawing wb2;  // Mono-Poly
    Drawing wb1;  // nWbc-Lym-Mono
};

// The six pictures of a result as the screen draws them: each chart straight
// from the result's histogram in `chartColour`, the legend, and the
// scattergram replaying `draws`, the random numbers its dots took, so paper
// shows the cloud that was computed. Each chart leaves the top of its slot to
// the title the page prints there.
ReportPictures reportPictures(const ResultRecord& result, std::vector<double> draws, const QColor& framePen,
                              const scatter::Divisors& divisors);

}  // namespace zv
