#include "app/frmlogin.h"

#include <QShortcut>

#include "core/captions.h"
#include "core/config.h"
#include "core/programfiles.h"
#include "core/session.h"
#include "core/windowlanguage.h"
#include "platform/prompts.h"

namespace zv {

namespace {

const QString kServiceCode = QStringLiteral("4719302856");
const QString kAdminCode = QStringLiteral("6283917405");

}  // namespace

frmLogin::frmLogin() : Form(QString(kName)) {
    setupUi(this);
    txtPassword->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, [this] { guard([this] { cmdOK_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { guard([this] { cmdCancel_Click(); }); });
    // Enter presses OK and Esc presses Cancel, as in a dialog. Both may close
    // the window, so they run once the key's own handling has returned.
    connect(txtPassword, &QLineEdit::returnPressed, cmdOK, &QPushButton::click, Qt::QueuedConnection);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, cmdCancel, &QPushButton::click, Qt::QueuedConnection);
}

void frmLogin::Form_Load() {
    // The password box opens empty: the level rises only for a code typed in.
    applyCaptions(this, windowLanguageFile(), QStringLiteral("frmlogin"), {{"", "titolo"}});
}

void frmLogin::cmdOK_Click() {
    const QString code = txtPassword->text();
    if (code == kServiceCode) {
        scriviini(QStringLiteral("rs232"), QStringLiteral("height"), QStringLiteral("6795"), file::generalIni);
        scriviini(QStringLiteral("rs232"), QStringLiteral("width"), QStringLiteral("12365"), file::generalIni);
        scriviini(QStringLiteral("leggi"), QStringLiteral("width"), QStringLiteral("14925"), file::generalIni);
        Session::get().setAccessLevel(QStringLiteral("Service"));
        Forms::unload<frmLogin>();
    } else if (code == kAdminCode) {
        Session::get().setAccessLevel(QStringLiteral("Admin"));
        Forms::unload<frmLogin>();
    } else {
        msgBox(QStringLiteral("Password Errata!"), MsgButtons::OK, MsgIcon::Information,
               QStringLiteral("Accesso Service"));
        // The next typing replaces the wrong code.
        txtPassword->setFocus();
        txtPassword->selectAll();
    }
}

void frmLogin::cmdCancel_Click() { Forms::unload<frmLogin>(); }

}  // namespace zv
