#include "link/inserimento.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

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

// Each value box's fixed caption and column (white cells, red cells, platelets).
struct ValueBox {
    ResultParameter parameter;
    const char* caption;
    int column;
};
constexpr ValueBox kValueBoxes[] = {{P::WBC, "WBC:", 0},     {P::neu, "Neu %:", 0}, {P::lym, "Lym %:", 0},
                                    {P::mono, "Mono %:", 0}, {P::eos, "Eos %:", 0}, {P::baso, "Baso %:", 0},
                                    {P::RBC, "RBC:", 1},     {P::HGB, "HGB:", 1},   {P::HCT, "HCT:", 1},
                                    {P::MCV, "MCV:", 1},     {P::MCH, "MCH:", 1},   {P::MCHC, "MCHC:", 1},
                                    {P::RDW, "RDW:", 1},     {P::PLT, "PLT:", 2},   {P::MPV, "MPV:", 2},
                                    {P::PCT, "PCT:", 2},     {P::PDW, "PDW:", 2}};

// The box at `index` in the order of typedParameters().
const ValueBox& valueBox(std::size_t index) {
    const ResultParameter p = typedParameters()[index];
    for (const ValueBox& box : kValueBoxes)
        if (box.parameter == p)
            return box;
    throw AppError(err::InvalidCall, QStringLiteral("%1 has no box.").arg(parameterInfo(p).field));
}

// A group of rows on a filled rectangle of its own colour.
QFrame* filledGroup(QWidget* parent, const QColor& fill) {
    auto* group = new QFrame(parent);
    if (fill.isValid()) {
        QPalette p = group->palette();
        p.setColor(QPalette::Window, fill);
        p.setColor(QPalette::WindowText, Qt::black);
        group->setPalette(p);
        group->setAutoFillBackground(true);
    }
    return group;
}

}  // namespace

bool valueKeyPasses(QChar typed, QChar decimal) {
    const char16_t code = typed.unicode();
    return typed == decimal || code == 8 || code == 13 || code == 188 || (code >= u'0' && code <= u'9');
}

inserimento::inserimento() : Form(QString(kName)) {
    setWindowTitle(QStringLiteral("Inserimento Manuale Analisi"));
    QLineEdit** members[19] = {&Text1,  &Text2,  &Text3,  &Text4,  &Text5,  &Text6,  &Text7,  &Text8,  &Text9, &Text10,
                               &Text11, &Text12, &Text13, &Text14, &Text15, &Text16, &Text17, &Text18, &Text19};
    for (int i = 0; i < 19; ++i) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("Text%1").arg(i + 1));
        *members[i] = box;
    }

    // Identification rows across the top, on light grey.
    QFrame* identification = filledGroup(this, QColor(192, 192, 192));
    Label7 = new QLabel(QStringLiteral("ID:"), identification);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label8 = new QLabel(QStringLiteral("Nome:"), identification);
    Label8->setObjectName(QStringLiteral("Label8"));
    {
        auto* grid = new QGridLayout(identification);
        grid->addWidget(Label7, 0, 0);
        grid->addWidget(Text18, 0, 1);
        grid->addWidget(Label8, 1, 0);
        grid->addWidget(Text19, 1, 1);
        grid->setColumnStretch(1, 1);
        grid->setColumnMinimumWidth(0, 60);
    }

    // Three columns of values: white cells, red cells, platelets; each box to
    // the right of its caption, the rows of all three at the same heights.
    const std::array<QLineEdit*, kTypedCount> values = valueBoxes();
    const QColor fills[3] = {QColor(), QColor(255, 0, 0), QColor(255, 255, 0)};
    auto* columnRow = new QHBoxLayout;
    columnRow->setSpacing(0);
    auto* valueFilter = new CharacterFilter(this, [this](QChar typed) { return valueKeyPasses(typed, decimal_); });
    for (int column = 0; column < 3; ++column) {
        QFrame* group = filledGroup(this, fills[column]);
        auto* grid = new QGridLayout(group);
        int row = 0;
        for (std::size_t i = 0; i < values.size(); ++i) {
            const ValueBox& place = valueBox(i);
            if (place.column != column)
                continue;
            auto* label = new QLabel(QString::fromLatin1(place.caption), group);
            QLineEdit* box = values[i];
            box->setParent(group);
            box->setMaximumWidth(90);
            // Only the key filter's characters are typed: no input method composes others.
            box->setAttribute(Qt::WA_InputMethodEnabled, false);
            valueFilter->watch(box);
            grid->addWidget(label, row, 0);
            grid->addWidget(box, row, 1);
            ++row;
        }
        grid->setRowStretch(row, 1);
        grid->setColumnMinimumWidth(0, 64);
        columnRow->addWidget(group, 1);
    }

    Command1 = new QPushButton(QStringLiteral("S A L V A       I N S E R I M E N T O"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setMinimumHeight(36);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->addWidget(identification);
    layout->addLayout(columnRow, 1);
    layout->addSpacing(6);
    layout->addWidget(Command1);

    // Down the white-cell column, the red-cell column, the platelet column,
    // then the identifier, the name and the button.
    QWidget* previous = nullptr;
    for (QLineEdit* box : values) {
        if (previous)
            setTabOrder(previous, box);
        previous = box;
    }
    setTabOrder(Text17, Text18);
    setTabOrder(Text18, Text19);
    setTabOrder(Text19, Command1);
    Text1->setFocus();

    connect(Command1, &QPushButton::clicked, this, [this] { guard([this] { Command1_Click(); }); });
}

std::array<QLineEdit*, kTypedCount> inserimento::valueBoxes() const {
    return {Text1,  Text2,  Text3,  Text4,  Text5,  Text6,  Text7,  Text8, Text9,
            Text10, Text11, Text12, Text13, Text14, Text15, Text16, Text17};
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
            QString name = QString::fromLatin1(valueBox(*bad).caption);
            name.chop(1);
            refuseBox(boxes[*bad],
                      msg1_ + QLatin1Char(' ') + name + QStringLiteral(" \"") + texts[*bad] + QLatin1Char('"'));
        }
    }
}

}  // namespace zv
