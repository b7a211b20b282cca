#include "qc/qcrif.h"

#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include <utility>

#include "core/captions.h"
#include "core/config.h"
#include "core/session.h"
#include "platform/beep.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/keyfilter.h"
#include "platform/prompts.h"
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

using W = qcrif;
using Box = QLineEdit* qcrif::*;

struct Row {
    Box caption;
    const char* captionName;
    const char* text;
    Box target;
    const char* targetName;
    Box range;
    const char* rangeName;
};

// In qcParameters() order: the left block's ten rows, then the right block's five.
const Row kRows[kQcParameterCount] = {
    {&W::Text3, "Text3", "WBC:", &W::Text4, "Text4", &W::Text5, "Text5"},
    {&W::Text7, "Text7", "RBC:", &W::Text8, "Text8", &W::Text9, "Text9"},
    {&W::Text18, "Text18", "HGB:", &W::Text10, "Text10", &W::Text11, "Text11"},
    {&W::Text19, "Text19", "MCV:", &W::Text12, "Text12", &W::Text13, "Text13"},
    {&W::Text20, "Text20", "HCT:", &W::Text14, "Text14", &W::Text15, "Text15"},
    {&W::Text21, "Text21", "MCH:", &W::Text16, "Text16", &W::Text17, "Text17"},
    {&W::Text22, "Text22", "MCHC:", &W::Text24, "Text24", &W::Text25, "Text25"},
    {&W::Text23, "Text23", "RDW:", &W::Text26, "Text26", &W::Text27, "Text27"},
    {&W::Text43, "Text43", "PLT:", &W::Text45, "Text45", &W::Text46, "Text46"},
    {&W::Text44, "Text44", "MPV:", &W::Text47, "Text47", &W::Text48, "Text48"},
    {&W::Text28, "Text28", "Neu%:", &W::Text33, "Text33", &W::Text34, "Text34"},
    {&W::Text29, "Text29", "Lym%:", &W::Text35, "Text35", &W::Text36, "Text36"},
    {&W::Text30, "Text30", "Mono%:", &W::Text37, "Text37", &W::Text38, "Text38"},
    {&W::Text31, "Text31", "Eos%:", &W::Text39, "Text39", &W::Text40, "Text40"},
    {&W::Text32, "Text32", "Baso%:", &W::Text41, "Text41", &W::Text42, "Text42"},
};

template <class T>
T* named(T* control, const char* name) {
    control->setObjectName(QLatin1String(name));
    return control;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& tip = QString()) {
    auto* b = named(new QPushButton(caption, parent), name);
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

QFont fontOf(const QWidget* w, double points, bool bold) {
    QFont f = w->font();
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

}  // namespace

qcrif::qcrif() : Form(QString(kName)) {
    setWindowTitle(QStringLiteral("Controllo Qualità - Riferimenti"));
    buildWindow();
}

void qcrif::buildWindow() {
    auto* filter = new CharacterFilter(this, [this](QChar c) { return valueCharacterPasses(c, decimal_); });
    const int boxWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000.00")) + 14;
    const int captionWidth = fontMetrics().horizontalAdvance(QStringLiteral("Mono%:")) + 14;

    auto block = [&](int first, int last, QLabel*& targetHeading, const char* targetName, QLabel*& rangeHeading,
                     const char* rangeName) {
        auto* frame = new QFrame(this);
        frame->setFrameShape(QFrame::Box);
        auto* grid = new QGridLayout(frame);
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(5);
        targetHeading = named(new QLabel(QStringLiteral("Target"), this), targetName);
        rangeHeading = named(new QLabel(QStringLiteral("Range (+/-)"), this), rangeName);
        for (QLabel* h : {targetHeading, rangeHeading})
            h->setFont(fontOf(h, 8.25, true));
        grid->addWidget(targetHeading, 0, 1);
        grid->addWidget(rangeHeading, 0, 2);
        for (int i = first; i <= last; ++i) {
            const Row& r = kRows[i];
            QLineEdit* caption = named(new QLineEdit(QLatin1String(r.text), this), r.captionName);
            caption->setReadOnly(true);
            caption->setFocusPolicy(Qt::NoFocus);
            caption->setFixedWidth(captionWidth);
            QLineEdit* target = named(new QLineEdit(this), r.targetName);
            QLineEdit* range = named(new QLineEdit(this), r.rangeName);
            this->*r.caption = caption;
            this->*r.target = target;
            this->*r.range = range;
            targets_[i] = target;
            ranges_[i] = range;
            for (QLineEdit* box : {target, range}) {
                box->setFixedWidth(boxWidth);
                filter->watch(box);
            }
            grid->addWidget(caption, i - first + 1, 0);
            grid->addWidget(target, i - first + 1, 1);
            grid->addWidget(range, i - first + 1, 2);
        }
        return frame;
    };
    QFrame* left = block(0, 9, Label1, "Label1", Label2, "Label2");
    QFrame* right = block(10, 14, Label5, "Label5", Label3, "Label3");

    Text6 = named(new QLineEdit(this), "Text6");
    Text6->setFont(fontOf(Text6, 12, true));
    Label4 = named(new QLabel(QStringLiteral("99"), this), "Label4");
    Label7 = named(new QLabel(QStringLiteral("/"), this), "Label7");
    Label6 = named(new QLabel(QStringLiteral("99"), this), "Label6");
    for (QLabel* l : {Label4, Label7, Label6})
        l->setFont(fontOf(l, 12, true));
    Label4->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label7->setAlignment(Qt::AlignCenter);
    auto* counter = new QHBoxLayout;
    counter->addStretch(1);
    counter->addWidget(Label4);
    counter->addWidget(Label7);
    counter->addWidget(Label6);
    counter->addStretch(1);

    Command7 = button(this, "Command7", QStringLiteral("Carica da file"));
    Command9 = button(this, "Command9", QStringLiteral("Elimina"));
    Command6 = button(this, "Command6", QStringLiteral("Esci"));
    for (QPushButton* b : {Command7, Command9, Command6})
        b->setFont(fontOf(b, 9.75, true));

    auto* side = new QVBoxLayout;
    side->addWidget(Text6);
    side->addLayout(counter);
    side->addWidget(Command7);
    side->addWidget(Command9);
    side->addWidget(Command6);
    side->addStretch(1);
    side->addWidget(right);

    auto* blocks = new QHBoxLayout;
    blocks->addWidget(left, 0, Qt::AlignTop);
    blocks->addLayout(side);

    Command1 = button(this, "Command1", QStringLiteral("<<<"), QStringLiteral("Torna al primo record"));
    Command4 = button(this, "Command4", QStringLiteral("<"), QStringLiteral("Record Precedente"));
    Command3 = button(this, "Command3", QStringLiteral("Salva"));
    Command5 = button(this, "Command5", QStringLiteral("Nuovo"));
    Command2 = button(this, "Command2", QStringLiteral(">"), QStringLiteral("Record Successivo"));
    Command8 = button(this, "Command8", QStringLiteral(">>>"), QStringLiteral("Vai all'ultimo record"));
    auto* bottom = new QHBoxLayout;
    for (QPushButton* b : {Command1, Command4, Command3, Command5, Command2, Command8}) {
        b->setFont(fontOf(b, 14.25, false));
        bottom->addWidget(b, b == Command3 || b == Command5 ? 2 : 1);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(blocks);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    binder_.bind(Text6, QStringLiteral("valori"));
    binder_.bind(Label4, QStringLiteral("limite"), FieldKind::Number);

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
    logerrore(e.number, e.description, formName());
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
                                                          {&msg6_, "msg6"}, {&msg7_, "msg7"}};
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
        logerrore(e.number, e.description, formName());
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
            targets_[i]->clear();
            ranges_[i]->clear();
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
        targets_[i]->setText(shown[i].first);
        ranges_[i]->setText(shown[i].second);
    }
}

void qcrif::nuovo() {
    // Begun here, stored only by Salva: a move, another Nuovo, Elimina or
    // closing the window lets it go.
    rs_.addNew();
    ++numlotti_;
    for (QLineEdit* box : targets_)
        box->setText(QStringLiteral("0"));
    for (QLineEdit* box : ranges_)
        box->setText(QStringLiteral("99"));
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
    const bool wasNew = rs_.isNewRow();
    const int64_t number = numlotti_;
    try {
        // Every limit is worked out before the row is touched: one box that
        // does not hold a number leaves the stored lot as it was.
        std::array<std::pair<double, double>, kQcParameterCount> limits;
        for (int i = 0; i < kQcParameterCount; ++i) {
            const QString name = QLatin1String(qcParameters()[i].name);
            const double range = qcNumber(ranges_[i]->text(), decimal_, name + QStringLiteral(" range"));
            const double target = qcNumber(targets_[i]->text(), decimal_, name + QStringLiteral(" target"));
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
        // The boxes keep what was typed; a new lot not stored stays a new lot,
        // so the next Salva cannot overwrite the lot before it.
        if (wasNew && !rs_.isNewRow())
            ignoring([&] { rs_.addNew(); });
        else if (!wasNew)
            rs_.cancelUpdate();
        numlotti_ = number;
        fail(msg2_);
        return;
    }
    msgBox(msg1_, MsgButtons::OK, MsgIcon::Information, appTitle());
    Command7->setEnabled(false);
    Label4->setText(rs_.text(QStringLiteral("limite")));
    Label6->setText(QString::number(rs_.recordCount()));
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
                targets_[i]->setText(v->target);
                ranges_[i]->setText(v->range);
            }
    } catch (...) {
        const CaughtError e = describeCurrentException();
        logerrore(e.number, e.description, formName());
        msgBox(msg3_, MsgButtons::OK, MsgIcon::Critical, appTitle());
    }
}

}  // namespace zv
