#pragma once
// The six report pictures, kept on a window that is loaded at start and
// never shown: each slot holds its picture until the next report replaces it.
#include "platform/forms.h"
#include "platform/widgets.h"

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

}  // namespace zv
