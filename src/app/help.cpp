#include "app/help.h"

#include "core/captions.h"
#include "core/config.h"
#include "core/programfiles.h"
#include "core/windowlanguage.h"
#include "platform/errors.h"
#include "platform/prompts.h"

namespace zv {

namespace {

const QString kSection = QStringLiteral("help");

}  // namespace

Help::Help() : Form(QString(kName)) {
    setWindowTitle(appTitle());
    setupUi(this);
    // The title a little larger than the platform's font.
    QFont title = Label1->font();
    title.setBold(true);
    title.setPointSize(title.pointSize() + 6);
    Label1->setFont(title);

    connect(Command1, &QPushButton::clicked, this, [this] { guard([this] { Command1_Click(); }); });
}

void Help::Form_Load() {
    QString distributor;
    ignoring([&] { distributor = leggiini(QStringLiteral("vendor"), QStringLiteral("help"), file::oemIni, 255); });
    const QString language = windowLanguageFile();
    Label1->setText(appTitle());
    Label2->setText(caption(language, kSection, QStringLiteral("label2")));
    Label3->setText(caption(language, kSection, QStringLiteral("label3")) +
                    QStringLiteral(" %1.%2.%3 Vet.").arg(ZV_VERSION_MAJOR).arg(ZV_VERSION_MINOR).arg(ZV_VERSION_PATCH));
    Label4->setText(caption(language, kSection, QStringLiteral("label4")));
    Label5->setText(distributor);
}

void Help::Command1_Click() { Forms::unload<Help>(); }

}  // namespace zv
