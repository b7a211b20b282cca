#pragma once
// The service login: a valid code raises the access level of the running
// program to "Service" or "Admin", which opens the settings command.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/forms.h"

namespace zv {

class frmLogin : public Form {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"frmLogin"};

    frmLogin();
    void Form_Load() override;

    QLabel* lblLabels = nullptr;
    QLineEdit* txtPassword = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void cmdOK_Click();
    void cmdCancel_Click();
};

}  // namespace zv
