#pragma once
// The about box: what the program is, its version and its distributor.
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "platform/forms.h"

namespace zv {

class Help : public Form {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"Help"};

    Help();
    void Form_Load() override;

    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr;
    QFrame *Line1 = nullptr, *Line2 = nullptr;
    QPushButton* Command1 = nullptr;

private:
    void Command1_Click();
};

}  // namespace zv
