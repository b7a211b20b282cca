#include "app/help.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/captions.h"
#include "core/config.h"
#include "core/programfiles.h"
#include "core/windowlanguage.h"
#include "platform/errors.h"
#include "platform/prompts.h"

namespace zv {

namespace {

const QString kSection = QStringLiteral("help");

QLabel* makeLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

QFrame* makeRule(QWidget* parent, const char* name) {
    auto* rule = new QFrame(parent);
    rule->setObjectName(QLatin1String(name));
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    return rule;
}

}  // namespace

Help::Help() : Form(QString(kName)) {
    setWindowTitle(appTitle());
    Label1 = makeLabel(this, "Label1");
    QFont title = Label1->font();
    title.setBold(true);
    title.setPointSize(title.pointSize() + 6);
    Label1->setFont(title);
    Line1 = makeRule(this, "Line1");
    Label2 = makeLabel(this, "Label2");
    Label3 = makeLabel(this, "Label3");
    Line2 = makeRule(this, "Line2");
    Label4 = makeLabel(this, "Label4");
    Label5 = makeLabel(this, "Label5");
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setMinimumWidth(100);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Line1);
    layout->addWidget(Label2);
    layout->addWidget(Label3);
    layout->addWidget(Line2);
    layout->addWidget(Label4);
    layout->addWidget(Label5);
    auto* button = new QHBoxLayout;
    button->addStretch(1);
    button->addWidget(Command1);
    button->addStretch(1);
    layout->addSpacing(8);
    layout->addLayout(button);
    setMinimumWidth(440);

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
