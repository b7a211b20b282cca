#include "refdata/calfact.h"

#include "core/captions.h"
#include "core/config.h"
#include "core/windowlanguage.h"
#include "platform/conversions.h"
#include "platform/prompts.h"
#include "refdata/limits.h"

namespace zv {

namespace {
const QString kSection = QStringLiteral("calfact");
}

calfact::calfact() : Form(QString(kName)) {
    setupUi(this);
    emphasiseHeading(Label17);
    factors_ = factorBoxesOf(*this);
    filter_ = new NumberKeyFilter(this);
    for (QLineEdit* box : factors_.boxes)
        filter_->watch(box);
    connect(Command1, &QPushButton::clicked, this, [this] { guard([this] { Command1_Click(); }); });
}

void calfact::Form_Load() {
    const QString lingua = windowLanguageFile();
    applyCaptions(this, lingua, kSection, {{"", "titolo"}, {"Label17", "lbl17"}});
    msg1_ = caption(lingua, kSection, QStringLiteral("msg1"));
    filter_->readConfiguredSeparator();
    // Every factor in the configured mark, as the species editor shows its own.
    const QChar mark = configuredDecimalMark();
    stored_ = readHumanFactors();
    for (int i = 0; i < kFactorCount; ++i)
        shown_[i] = inDecimalMark(stored_[i], mark);
    factors_.show(shown_);
}

void calfact::Command1_Click() {
    // A factor left as shown keeps its stored text, whatever mark it shows in.
    FactorTexts texts = factors_.texts();
    for (int i = 0; i < kFactorCount; ++i)
        if (texts[i] == shown_[i])
            texts[i] = stored_[i];
    if (const auto bad = firstBadFactor(texts)) {
        factors_.refuse(msg1_, *bad);
        return;
    }
    writeHumanFactors(texts);
    Forms::unload<calfact>();
}

}  // namespace zv
