#include "link/inserimento.h"

#include <QKeyEvent>

#include "core/captions.h"
#include "core/config.h"
#include "core/session.h"
#include "core/windowlanguage.h"
#include "link/manualentry.h"
#include "model/resultstore.h"
#include "platform/errors.h"
#include "platform/keyfilter.h"
#include "platform/refusal.h"

namespace zv {

namespace {

const QString kStartId = QStringLiteral("Inserire Codice ID!");
const QString kStartName = QStringLiteral("Inserire Nome Paziente!");

using P = ResultParameter;
using Boxes = Ui::inserimento;

// Each parameter's value box and the caption beside it in the form.
struct ValueBox {
    ResultParameter parameter;
    QLineEdit* Boxes::*box;
    QLabel* Boxes::*caption;
};
constexpr ValueBox kValueBoxes[] = {
    {P::WBC, &Boxes::Text1, &Boxes::WBCCaption},  {P::neu, &Boxes::Text2, &Boxes::NeuCaption},
    {P::lym, &Boxes::Text3, &Boxes::LymCaption},  {P::mono, &Boxes::Text4, &Boxes::MonoCaption},
    {P::eos, &Boxes::Text5, &Boxes::EosCaption},  {P::baso, &Boxes::Text6, &Boxes::BasoCaption},
    {P::RBC, &Boxes::Text7, &Boxes::RBCCaption},  {P::HGB, &Boxes::Text8, &Boxes::HGBCaption},
    {P::HCT, &Boxes::Text9, &Boxes::HCTCaption},  {P::MCV, &Boxes::Text10, &Boxes::MCVCaption},
    {P::MCH, &Boxes::Text11, &Boxes::MCHCaption}, {P::MCHC, &Boxes::Text12, &Boxes::MCHCCaption},
    {P::RDW, &Boxes::Text13, &Boxes::RDWCaption}, {P::PLT, &Boxes::Text14, &Boxes::PLTCaption},
    {P::MPV, &Boxes::Text15, &Boxes::MPVCaption}, {P::PCT, &Boxes::Text16, &Boxes::PCTCaption},
    {P::PDW, &Boxes::Text17, &Boxes::PDWCaption}};

// The box of `p` in the table.
const ValueBox& valueBox(ResultParameter p) {
    for (const ValueBox& box : kValueBoxes)
        if (box.parameter == p)
            return box;
    throw AppError(err::InvalidCall, QStringLiteral("%1 has no box.").arg(parameterInfo(p).field));
}

}  // namespace

bool valueKeyPasses(QChar typed, QChar decimal) {
    const char16_t code = typed.unicode();
    return typed == decimal || code == 8 || code == 13 || code == 188 || (code >= u'0' && code <= u'9');
}

inserimento::inserimento() : Form(QString(kName)) {
    setupUi(this);
    auto* valueFilter = new CharacterFilter(
        this, [this](QChar typed) { return valueKeyPasses(typed, decimal_); }, [this] { return decimal_; });
    for (QLineEdit* box : valueBoxes()) {
        // Only the key filter's characters are typed: no input method composes others.
        box->setAttribute(Qt::WA_InputMethodEnabled, false);
        valueFilter->watch(box);
    }
    Text1->setFocus();
    connect(Command1, &QPushButton::clicked, this, [this] { guard([this] { Command1_Click(); }); });
}

std::array<QLineEdit*, kTypedCount> inserimento::valueBoxes() const {
    std::array<QLineEdit*, kTypedCount> boxes{};
    for (std::size_t i = 0; i < kTypedCount; ++i)
        boxes[i] = this->*valueBox(typedParameters()[i]).box;
    return boxes;
}

void inserimento::Form_Load() {
    const QString lingua = windowLanguageFile();
    applyCaptions(this, lingua, QStringLiteral("inserimento"),
                  {{"Label7", "lbl7"}, {"Label8", "lbl8"}, {"Command1", "cmd1"}, {"", "titolo"}});
    msg1_ = caption(lingua, QStringLiteral("inserimento"), QStringLiteral("msg1"));
    decimal_ = configuredDecimalMark();
    inizializza();
    // The first value typed replaces the starting text rather than joining it.
    Text1->selectAll();
}

void inserimento::inizializza() {
    for (QLineEdit* box : valueBoxes())
        box->setText(QStringLiteral("0") + decimal_ + QStringLiteral("0"));
    Text18->setText(kStartId);
    Text19->setText(kStartName);
}

void inserimento::Command1_Click() {
    std::array<QString, kTypedCount> texts;
    const std::array<QLineEdit*, kTypedCount> boxes = valueBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i)
        texts[i] = boxes[i]->text();
    try {
        Session& session = Session::get();
        // Every value is read before anything is written: a box that holds no
        // number stores nothing and leaves every box as typed.
        const ResultRecord typed = typedResult(texts, Text18->text(), Text19->text(), session.workDate(), decimal_);
        addResult(session.cn, typed);
        inizializza();
    } catch (...) {
        const CaughtError e = describeCurrentException();
        logerrore(e.number, e.description, formName());
        // A value the user can correct: said where the user looks, on its box.
        if (const auto bad = firstUnreadableValue(texts, decimal_)) {
            refuseBox(boxes[*bad],
                      naming(msg1_, (this->*valueBox(typedParameters()[*bad]).caption)->text(), boxes[*bad]));
        }
    }
}

}  // namespace zv
