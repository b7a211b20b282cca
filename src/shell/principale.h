#pragma once
#include <QLabel>

#include "platform/forms.h"

namespace zv {

// The main window. It owns the status line on which logged errors appear.
class Principale : public Form {
    Q_OBJECT
public:
    Principale();
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

    QLabel* Label24 = nullptr;  // status line
};

}  // namespace zv
