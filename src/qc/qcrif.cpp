#include "qc/qcrif.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

#include "core/captions.h"
#include "core/config.h"
#include "core/session.h"
#include "platform/beep.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/keyfilter.h"
#include "platform/prompts.h"
#include "platform/refusal.h"
#include "platform/rowediting.h"
#include "platform/widgets.h"
#include "qc/assay.h"

namespace zv {

namespace {

const QString kSection = QStringLiteral("qcrif");

// The value boxes' rule: a digit, 188, the comma, or the regional or the
// configured decimal mark.
bool valueCharacterPasses(QChar c, QChar configured) {
    const char16_t code = c.unicode();
    return (code >= u'0' && code <= u'9') || code == 188 || c == QLatin1Char(',') || c == regionalDecimal() ||
           (!configured.isNull() && c == configured);
}

// The boxes of each parameter (qcParameters() order): its read-only caption,
// its target and its range.
struct ParameterBoxes {
    QLineEdit* Ui::qcrif::*caption;
    QLineEdit* Ui::qcrif::*target;
    QLineEdit* Ui::qcrif::*range;
};
using U = Ui::qcrif;
const ParameterBoxes kBoxes[kQcParameterCount] = {
    {&U::Text3, &U::Text4, &U::Text5},    {&U::Text7, &U::Text8, &U::Text9},    {&U::Text18, &U::Text10, &U::Text11},
    {&U::Text19, &U::Text12, &U::Text13}, {&U::Text20, &U::Text14, &U::Text15}, {&U::Text21, &U::Text16, &U::Text17},
    {&U::Text22, &U::Text24, &U::Text25}, {&U::Text23, &U::Text26, &U::Text27}, {&U::Text43, &U::Text45, &U::Text46},
    {&U::Text44, &U::Text47, &U::Text48}, {&U::Text28, &U::Text33, &U::Text34}, {&U::Text29, &U::Text35, &U::Text36},
    {&U::Text30, &U::Text37, &U::Text38}, {&U::Text31, &U::Text39, &U::Text40}, {&U::Text32, &U::Text41, &U::Text42},
};

}  // namespace

qcrif::qcrif() : Form(QString(kName)) { wireWindow(); }

QLineEdit* qcrif::targetBox(int parameter) const { return this->*kBoxes[parameter].target; }
QLineEdit* qcrif::rangeBox(int parameter) const { return this->*kBoxes[parameter].range; }

void qcrif::wireWindow() {
    setupUi(this);
    applyFormPointSizes(this);
    auto* filter = new CharacterFilter(
        this, [this](QChar c) { return valueCharacterPasses(c, decimal_); }, [this] { return decimal_; });
    const int boxWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000.00")) + 14;
    const int captionWidth = fontMetrics().horizontalAdvance(QStringLiteral("Mono%:")) + 14;
    for (int i = 0; i < kQcParameterCount; ++i) {
        (this->*kBoxes[i].caption)->setFixedWidth(captionWidth);
        for (QLineEdit* box : {targetBox(i), rangeBox(i)}) {
            box->setFixedWidth(boxWidth);
            filter->watch(box);
        }
    }

    binder_.bind(Text6, QStringLiteral("valori"));
    binder_.bind(Label4, QStringLiteral("limite"), FieldKind::Number);

    using W = qcrif;
    const std::pair<QPushButton*, void (qcrif::*)()> clicks[] = {
        {Command1, &W::Command1_Click}, {Command2, &W::Command2_Click}, {Command3, &W::Command3_Click},
        {Command4, &W::Command4_Click}, {Command5, &W::Command5_Click}, {Command6, &W::Command6_Click},
        {Command7, &W::Command7_Click}, {Command8, &W::Command8_Click}, {Command9, &W::Command9_Click}};
    for (const auto& [b, click] : clicks)
        connect(b, &QPushButton::clicked, this, [this, click = click] { guard([this, click] { (this->*click)(); }); });
}

void qcrif::fail(const QString& message) {
    const CaughtError e = describeCurrentException();
    msgBox(message, MsgButtons::OK, MsgIcon::Critical, appTitle());
    logerrore(e.number, e.description, formName(), message);
}

void qcrif::Form_Load() {
    try {
        const QString lingua = Session::get().linguax;
        applyCaptions(this, lingua, kSection,
                      {{"", "titolo"},
                       {"Command3", "cmd3"},
                       {"Command5", "cmd5"},
                       {"Command6", "cmd6"},
                       {"Command7", "cmd7"},
                       {"Command9", "cmd9"}});
        const std::pair<QString*, const char*> texts[] = {{&txt6_, "txt6"}, {&msg1_, "msg1"}, {&msg2_, "msg2"},
                                                          {&msg3_, "msg3"}, {&msg4_, "msg4"}, {&msg5_, "msg5"},
                                                          {&msg6_, "msg6"}, {&msg7_, "msg7"}, {&msg8_, "msg8"}};
        for (const auto& [text, key] : texts)
            *text = caption(lingua, kSection, QLatin1String(key));
        decimal_ = configuredDecimalMark();
        Command7->setEnabled(false);
        rs_.open(Session::get().cnlimit, QStringLiteral("select * from qc order by limite"));
        numlotti_ = rs_.recordCount();
        if (numlotti_ > 0) {
            rs_.moveLast();
        } else {
            for (QPushButton* b : {Command1, Command2, Command3, Command4, Command8, Command9})
                b->setEnabled(false);
        }
        popola();
    } catch (...) {
        const CaughtError e = describeCurrentException();
        msgBox(msg6_, MsgButtons::OK, MsgIcon::Exclamation, appTitle());
        logerrore(e.number, e.description, formName(), msg6_);
    }
}

void qcrif::Form_Unload(bool&) {
    // A new lot not saved goes with the recordset.
    rs_.close();
}

void qcrif::popola() {
    numlotti_ = rs_.recordCount();
    if (rs_.bof() || rs_.eof()) {
        // No lot at all: nothing to show, and no error either.
        binder_.clear();
        for (int i = 0; i < kQcParameterCount; ++i) {
            targetBox(i)->clear();
            rangeBox(i)->clear();
        }
        Label6->setText(QString::number(numlotti_));
        return;
    }
    // Read and work out everything first: a lot that cannot be shown leaves
    // the window showing the one before, whole.
    const QcLot lot = readQcLot(rs_);
    std::array<std::pair<QString, QString>, kQcParameterCount> shown;
    for (int i = 0; i < kQcParameterCount; ++i)
        // Without both limits there is no target and no range: the boxes stay
        // empty, as an empty limit does in the other editors.
        if (lot.low[i] && lot.high[i])
            shown[i] = {numberText(qcTarget(*lot.low[i], *lot.high[i]), decimal_),
                        numberText(qcRange(*lot.low[i], *lot.high[i], qcParameters()[i].digits), decimal_)};
    binder_.show(rs_);
    Label6->setText(QString::number(numlotti_));
    for (int i = 0; i < kQcParameterCount; ++i) {
        targetBox(i)->setText(shown[i].first);
        rangeBox(i)->setText(shown[i].second);
    }
}

void qcrif::nuovo() {
    // Begun here, stored only by Salva: a move, another Nuovo, Elimina or
    // closing the window lets it go.
    rs_.addNew();
    ++numlotti_;
    for (int i = 0; i < kQcParameterCount; ++i) {
        targetBox(i)->setText(QStringLiteral("0"));
        rangeBox(i)->setText(QStringLiteral("99"));
    }
    Text6->setText(txt6_);
    Command3->setEnabled(true);
    Command7->setEnabled(true);
}

void qcrif::Command1_Click() {
    rs_.moveFirst();
    popola();
}

void qcrif::Command8_Click() {
    rs_.moveLast();
    popola();
}

void qcrif::Command2_Click() {
    moveNextOrBeep(rs_);
    popola();
}

void qcrif::Command4_Click() {
    movePreviousOrBeep(rs_);
    popola();
}

void qcrif::Command5_Click() {
    if (rs_.isNewRow()) {
        // The lot begun before and not saved goes, and no longer counts.
        rs_.cancelUpdate();
        --numlotti_;
    }
    nuovo();
}

void qcrif::Command6_Click() { Forms::unload(formName()); }

void qcrif::Command3_Click() {
    // A value the user can correct is said where the user looks, on its box.
    if (refuseUnreadableBox())
        return;
    const bool wasNew = rs_.isNewRow();
    const int64_t number = numlotti_;
    try {
        // Every limit is worked out before the row is touched: one box that
        // does not hold a number leaves the stored lot as it was.
        std::array<std::pair<double, double>, kQcParameterCount> limits;
        for (int i = 0; i < kQcParameterCount; ++i) {
            const QString name = QLatin1String(qcParameters()[i].name);
            const double range = qcNumber(rangeBox(i)->text(), decimal_, name + QStringLiteral(" range"));
            const double target = qcNumber(targetBox(i)->text(), decimal_, name + QStringLiteral(" target"));
            limits[i] = {qcLow(target, range), qcHigh(target, range)};
        }
        if (!rs_.isOpen() || (!wasNew && (rs_.bof() || rs_.eof())))
            throw AppError(err::NoCurrentRecord, QStringLiteral("There is no lot to save: press New first."));
        binder_.write(rs_);
        // A lot that was shown keeps its own number.
        if (wasNew)
            rs_.setField(QStringLiteral("limite"), QVariant::fromValue<qlonglong>(number));
        for (int i = 0; i < kQcParameterCount; ++i) {
            rs_.setField(qcParameters()[i].low(), limits[i].first);
            rs_.setField(qcParameters()[i].high(), limits[i].second);
        }
        rs_.update();
    } catch (...) {
        keepEditAfterFailedSave(rs_, wasNew);
        numlotti_ = number;
        fail(msg2_);
        return;
    }
    msgBox(msg1_, MsgButtons::OK, MsgIcon::Information, appTitle());
    Command7->setEnabled(false);
    Label4->setText(rs_.text(QStringLiteral("limite")));
    Label6->setText(QString::number(rs_.recordCount()));
}

bool qcrif::refuseUnreadableBox() {
    for (int i = 0; i < kQcParameterCount; ++i) {
        const QString parameter = QLatin1String(qcParameters()[i].name);
        for (const auto& [box, what] : {std::pair{targetBox(i), parameter + QStringLiteral(" target")},
                                        std::pair{rangeBox(i), parameter + QStringLiteral(" range")}}) {
            try {
                (void)qcNumber(box->text(), decimal_, what);
            } catch (const AppError& e) {
                // Named as manual entry names a value.
                const QString said = naming(msg8_, (this->*kBoxes[i].caption)->text(), box);
                logerrore(e.number(), e.description(), formName(), said);
                refuseBox(box, said);
                return true;
            }
        }
    }
    return false;
}

void qcrif::Command9_Click() {
    try {
        deleteQcLots(Session::get().cnlimit, Text6->text());
    } catch (...) {
        fail(msg7_);
        return;
    }
    msgBox(msg4_, MsgButtons::OK, MsgIcon::Information, appTitle());
    rs_.requery();
    if (rs_.recordCount() < 1) {
        msgBox(msg5_, MsgButtons::OK, MsgIcon::Information, appTitle());
        for (QPushButton* b : {Command1, Command2, Command3, Command4, Command8, Command9})
            b->setEnabled(false);
        numlotti_ = 0;
        Label6->setText(QStringLiteral("0"));
        nuovo();
        return;
    }
    rs_.moveFirst();
    popola();
}

void qcrif::Command7_Click() {
    const QString file = prompts().openFile(QStringLiteral("Seleziona il file con i valori di riferimento"),
                                            chosenFile_.isEmpty() ? QString() : QFileInfo(chosenFile_).path(),
                                            QStringLiteral("File valori di Riferimento(*.dat)"));
    if (file.isEmpty())
        return;
    chosenFile_ = file;
    try {
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly))
            throw AppError(in.exists() ? err::PathFileAccess : err::FileNotFound,
                           QStringLiteral("The assay file %1 cannot be read: %2").arg(file, in.errorString()));
        const QByteArray bytes = in.readAll();
        if (in.error() != QFileDevice::NoError)
            throw AppError(err::PathFileAccess,
                           QStringLiteral("The assay file %1 cannot be read: %2").arg(file, in.errorString()));
        // The whole file is read before any box changes.
        const AssayValues assay = parseAssay(bytes, decimal_.isNull() ? regionalDecimal() : decimal_);
        if (assay.name)
            Text6->setText(*assay.name);
        for (int i = 0; i < kQcParameterCount; ++i)
            if (const auto& v = assay.values[i]) {
                targetBox(i)->setText(v->target);
                rangeBox(i)->setText(v->range);
            }
    } catch (...) {
        const CaughtError e = describeCurrentException();
        logerrore(e.number, e.description, formName(), msg3_);
        msgBox(msg3_, MsgButtons::OK, MsgIcon::Critical, appTitle());
    }
}

}  // namespace zv
