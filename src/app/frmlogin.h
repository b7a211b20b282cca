#pragma once
// The service login: a valid code raises the access level of the running
// program to "Service" or "Admin", which opens the settings command.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/forms.h"
#include "ui_frmlogin.h"

namespace zv {

class frmLogin : public Form, public Ui::frmLogin {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"frmLogin"};

    frmLogin();
    void Form_Load() override;

private:
    void cmdOK_Click();
    void cmdCancel_Click();
};

}  // namespace zv
