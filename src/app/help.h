#pragma once
// The about box: what the program is, its version and its distributor.
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "platform/forms.h"
#include "ui_help.h"

namespace zv {

class Help : public Form, public Ui::Help {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"Help"};

    Help();
    void Form_Load() override;

private:
    void Command1_Click();
};

}  // namespace zv
