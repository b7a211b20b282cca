#include "refdata/calfact.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/captions.h"
#include "core/config.h"
#include "core/programfiles.h"
#include "core/windowlanguage.h"
#include "platform/prompts.h"
#include "refdata/keyfilter.h"
#include "refdata/limits.h"

namespace zv {

namespace {
const QString kSection = QStringLiteral("calfact");
}

calfact::calfact() : Form(QString(kName)) {
    setWindowTitle(QStringLiteral("Fattori di calibrazione per campioni umani"));
    Label17 = new QLabel(QStringLiteral("Fattori di Calibrazione"), this);
    Label17->setObjectName(QStringLiteral("Label17"));
    QFont heading = Label17->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.3);
    Label17->setFont(heading);

    factors_ = makeFactorBoxes(this);
    QLineEdit** members[] = {&Text1, &Text2, &Text3,  &Text4,  &Text5,  &Text6, &Text7,
                             &Text8, &Text9, &Text10, &Text11, &Text12, &Text13};
    filter_ = new NumberKeyFilter(this);
    for (int i = 0; i < kFactorCount; ++i) {
        *members[i] = factors_.boxes[i];
        filter_->watch(factors_.boxes[i]);
    }

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label17);
    layout->addSpacing(6);
    layout->addLayout(factors_.grid);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Command1, &QPushButton::clicked, this, [this] { guard([this] { Command1_Click(); }); });
}

void calfact::Form_Load() {
    const QString lingua = windowLanguageFile();
    applyCaptions(this, lingua, kSection, {{"", "titolo"}, {"Label17", "lbl17"}});
    msg1_ = caption(lingua, kSection, QStringLiteral("msg1"));
    separatorCode_ = separatorCodeFor(
        leggiini(QStringLiteral("separatore"), QStringLiteral("decimale"), file::generalIni, 8), separatorCode_);
    filter_->setSeparatorCode(separatorCode_);
    factors_.show(readHumanFactors());
}

void calfact::Command1_Click() {
    const FactorTexts texts = factors_.texts();
    if (const auto bad = firstBadFactor(texts)) {
        factors_.refuse(msg1_, *bad);
        return;
    }
    writeHumanFactors(texts);
    Forms::unload<calfact>();
}

}  // namespace zv
