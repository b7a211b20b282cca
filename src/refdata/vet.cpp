#include "refdata/vet.h"

#include <functional>

#include "core/captions.h"
#include "core/config.h"
#include "core/language.h"
#include "core/session.h"
#include "core/windowlanguage.h"
#include "platform/errors.h"
#include "platform/prompts.h"
#include "platform/rowediting.h"
#include "refdata/limits.h"

namespace zv {

namespace {
const QString kSection = QStringLiteral("vet");
}

vet::vet() : Form(QString(kName)) {
    setupUi(this);
    emphasiseHeading(Label17);
    factors_ = factorBoxesOf(*this);
    filter_ = new NumberKeyFilter(this);
    for (int i = 0; i < kFactorCount; ++i) {
        filter_->watch(factors_.boxes[i]);
        binder_.bind(factors_.boxes[i], calibrationKeys()[i], FieldKind::NumberText);
    }
    binder_.bind(Text14, QStringLiteral("animale"));

    connectBrowsing(*this, rs_, {Command7, Command1, Command2, Command8}, [this] { popola(); });
    const std::pair<QPushButton*, std::function<void()>> clicks[] = {{Command4, [this] { Command4_Click(); }},
                                                                     {Command3, [this] { Command3_Click(); }}};
    for (const auto& [button, click] : clicks)
        connect(button, &QPushButton::clicked, this, [this, click] { guard(click); });
}

void vet::loadCaptions() {
    const QString lingua = windowLanguageFile();
    applyCaptions(
        this, lingua, kSection,
        {{"", "titolo"}, {"Label17", "label17"}, {"Label1", "label1"}, {"Command4", "cmd4"}, {"Command3", "cmd3"}});
    auto text = [&](const char* key) { return caption(lingua, kSection, QLatin1String(key)); };
    msg1_ = text("msg1");
    msg2_ = text("msg2");
    msg3_ = text("msg3");
    msg4_ = text("msg4");
    txt14_ = text("txt14");
}

void vet::Form_Load() {
    ignoring([&] { loadCaptions(); });
    try {
        filter_->readConfiguredSeparator();
        binder_.setDecimalMark(configuredDecimalMark());
        rs_.open(Session::get().cnvet, kSpeciesFactorsSql);
        popola();
    } catch (...) {
        const CaughtError e = describeCurrentException();
        msgBox(msg3_, MsgButtons::OK, MsgIcon::Critical, appTitle());
        logerrore(e.number, e.description, formName());
    }
}

void vet::Form_Unload(bool& cancel) {
    (void)cancel;
    // An unsaved new row goes with the recordset.
    rs_.close();
}

void vet::popola() {
    if (!rs_.isOpen() || rs_.bof() || rs_.eof()) {
        binder_.clear();
        throw AppError(err::NoCurrentRecord, QStringLiteral("No species calibration set to show."));
    }
    binder_.show(rs_);
}

void vet::Command4_Click() {
    msgBox(msg2_, MsgButtons::OK, MsgIcon::Information, appTitle());
    // The new row is stored only by SALVA: a move, another NUOVO or closing
    // the window lets it go.
    rs_.addNew();
    for (QLineEdit* box : factors_.boxes)
        box->setText(QStringLiteral("1"));
    Text14->setText(txt14_);
}

void vet::Command3_Click() {
    // A factor left as shown keeps its stored text, whatever mark it shows in.
    FactorTexts texts;
    for (int i = 0; i < kFactorCount; ++i)
        texts[i] = binder_.toStore(factors_.boxes[i]);
    if (const auto bad = firstBadFactor(texts)) {
        factors_.refuse(msg4_, *bad);
        return;
    }
    const bool wasNew = rs_.isNewRow();
    try {
        saveSpeciesFactors(rs_, texts, Text14->text());
    } catch (...) {
        const CaughtError e = describeCurrentException();
        keepEditAfterFailedSave(rs_, wasNew);
        logerrore(e.number, e.description, formName());
        return;
    }
    msgBox(msg1_, MsgButtons::OK, MsgIcon::Information, appTitle());
}

}  // namespace zv
