#include "refdata/limiti.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QVBoxLayout>

#include <utility>

#include "core/captions.h"
#include "core/config.h"
#include "core/language.h"
#include "core/programfiles.h"
#include "core/session.h"
#include "core/windowlanguage.h"
#include "model/result.h"
#include "platform/beep.h"
#include "platform/errors.h"
#include "platform/prompts.h"
#include "platform/refusal.h"
#include "refdata/keyfilter.h"
#include "refdata/limits.h"

namespace zv {

namespace {

const QString kSection = QStringLiteral("limiti");
const QString kNewSetName = QStringLiteral("Inserire nome limite");

using Caption = QLabel* RangeEditor::*;
using Box = QLineEdit* RangeEditor::*;

// One row of a group: its caption, its low and high boxes, and the
// parameter whose limits (or absolute-count limits) they hold.
struct LimitRow {
    Caption caption;
    const char* captionName;
    const char* text;
    Box low;
    const char* lowName;
    Box high;
    const char* highName;
    ResultParameter parameter;
    bool count;     // the absolute-count limits
    bool filtered;  // PCT and PDW take every character
    bool speciesOnly;
};

using E = RangeEditor;
using P = ResultParameter;

// The four groups from left to right, each row from top to bottom.
const std::vector<LimitRow> kGroups[4] = {
    {
        {&E::Text3, "Text3", "WBC:", &E::Text4, "Text4", &E::Text5, "Text5", P::WBC, false, true, false},
        {&E::Text28, "Text28", "Neu%:", &E::Text33, "Text33", &E::Text34, "Text34", P::neu, false, true, false},
        {&E::Text73, "Text73", "Neu.Band%:", &E::Text74, "Text74", &E::Text75, "Text75", P::bandati, false, true, true},
        {&E::Text29, "Text29", "Lym%:", &E::Text35, "Text35", &E::Text36, "Text36", P::lym, false, true, false},
        {&E::Text30, "Text30", "Mono%:", &E::Text37, "Text37", &E::Text38, "Text38", P::mono, false, true, false},
        {&E::Text31, "Text31", "Eos%:", &E::Text39, "Text39", &E::Text40, "Text40", P::eos, false, true, false},
        {&E::Text32, "Text32", "Baso%:", &E::Text41, "Text41", &E::Text42, "Text42", P::baso, false, true, false},
    },
    {
        {&E::Text7, "Text7", "RBC:", &E::Text8, "Text8", &E::Text9, "Text9", P::RBC, false, true, false},
        {&E::Text18, "Text18", "HGB:", &E::Text10, "Text10", &E::Text11, "Text11", P::HGB, false, true, false},
        {&E::Text19, "Text19", "MCV:", &E::Text12, "Text12", &E::Text13, "Text13", P::MCV, false, true, false},
        {&E::Text20, "Text20", "HCT:", &E::Text14, "Text14", &E::Text15, "Text15", P::HCT, false, true, false},
        {&E::Text21, "Text21", "MCH:", &E::Text16, "Text16", &E::Text17, "Text17", P::MCH, false, true, false},
        {&E::Text22, "Text22", "MCHC:", &E::Text24, "Text24", &E::Text25, "Text25", P::MCHC, false, true, false},
        {&E::Text23, "Text23", "RDW:", &E::Text26, "Text26", &E::Text27, "Text27", P::RDW, false, true, false},
    },
    {
        {&E::Text43, "Text43", "PLT:", &E::Text45, "Text45", &E::Text46, "Text46", P::PLT, false, true, false},
        {&E::Text44, "Text44", "MPV:", &E::Text47, "Text47", &E::Text48, "Text48", P::MPV, false, true, false},
        {&E::Text72, "Text72", "PCT:", &E::Text70, "Text70", &E::Text69, "Text69", P::PCT, false, false, false},
        {&E::Text71, "Text71", "PDW:", &E::Text68, "Text68", &E::Text67, "Text67", P::PDW, false, false, false},
        {&E::Text51, "Text51", "Ret%:", &E::Text49, "Text49", &E::Text50, "Text50", P::ret, false, true, false},
    },
    {
        {&E::Text66, "Text66", "Neu:", &E::Text60, "Text60", &E::Text61, "Text61", P::neu, true, true, false},
        {&E::Text78, "Text78", "Neu.Band#", &E::Text76, "Text76", &E::Text77, "Text77", P::bandati, true, true, true},
        {&E::Text65, "Text65", "Lym:", &E::Text58, "Text58", &E::Text59, "Text59", P::lym, true, true, false},
        {&E::Text64, "Text64", "Mono:", &E::Text56, "Text56", &E::Text57, "Text57", P::mono, true, true, false},
        {&E::Text63, "Text63", "Eos:", &E::Text54, "Text54", &E::Text55, "Text55", P::eos, true, true, false},
        {&E::Text62, "Text62", "Baso:", &E::Text52, "Text52", &E::Text53, "Text53", P::baso, true, true, false},
    },
};

// The filtered limit boxes in the order "Punto" and "Virgola" go through them.
const char* const kConversionOrder[] = {"Text33", "Text34", "Text35", "Text36", "Text37", "Text38", "Text39", "Text40",
                                        "Text41", "Text42", "Text4",  "Text5",  "Text8",  "Text9",  "Text10", "Text11",
                                        "Text12", "Text13", "Text14", "Text15", "Text16", "Text17", "Text24", "Text25",
                                        "Text26", "Text27", "Text45", "Text46", "Text47", "Text48", "Text49", "Text50",
                                        "Text52", "Text53", "Text54", "Text55", "Text56", "Text57", "Text58", "Text59",
                                        "Text60", "Text61", "Text74", "Text75", "Text76", "Text77"};

// Calcolo Automatico: the box filled, and the WBC and percentage boxes it comes
// from. Low limits pair with low limits, high with high.
struct CountStep {
    Box target, wbc, percent;
    bool speciesOnly;
};
const CountStep kCountSteps[] = {
    {&E::Text60, &E::Text4, &E::Text33, false}, {&E::Text58, &E::Text4, &E::Text35, false},
    {&E::Text56, &E::Text4, &E::Text37, false}, {&E::Text54, &E::Text4, &E::Text39, false},
    {&E::Text52, &E::Text4, &E::Text41, false}, {&E::Text76, &E::Text4, &E::Text74, true},
    {&E::Text77, &E::Text5, &E::Text75, true},  {&E::Text61, &E::Text5, &E::Text34, false},
    {&E::Text59, &E::Text5, &E::Text36, false}, {&E::Text57, &E::Text5, &E::Text38, false},
    {&E::Text55, &E::Text5, &E::Text40, false}, {&E::Text53, &E::Text5, &E::Text42, false}};

QLabel* makeCaption(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QLineEdit* makeBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QString& tip = QString()) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(tip);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

RangeEditor::RangeEditor(const QString& formName, RangeTable table) : Form(formName), table_(table) {
    setWindowTitle(table == RangeTable::Human ? QStringLiteral("Valori di Riferimento")
                                              : QStringLiteral("Valori di Riferimento - Veterinaria"));
    buildWindow();
}

void RangeEditor::buildWindow() {
    const bool species = table_ == RangeTable::Species;
    filter_ = new NumberKeyFilter(this);

    // Menu.
    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    utilitymenu = menuBar->addMenu(QStringLiteral("Utility"));
    utilitymenu->setObjectName(QStringLiteral("utilitymenu"));
    separatoremenu = utilitymenu->addMenu(QStringLiteral("Separatore Decimale"));
    separatoremenu->setObjectName(species ? QStringLiteral("separatore") : QStringLiteral("separatoremenu"));
    virgolamenu = separatoremenu->addAction(QStringLiteral("Virgola"));
    virgolamenu->setObjectName(QStringLiteral("virgolamenu"));
    puntomenu = separatoremenu->addAction(QStringLiteral("Punto"));
    puntomenu->setObjectName(QStringLiteral("puntomenu"));

    // Top row: NUOVO, the number, the name, ELIMINA.
    Command6 = makeButton(this, "Command6", QStringLiteral("NUOVO"));
    Text1 = makeCaption(this, "Text1", QStringLiteral("Limite:"));
    Text2 = makeBox(this, "Text2");
    Text6 = makeBox(this, "Text6");
    Command4 = makeButton(this, "Command4", QStringLiteral("ELIMINA"));
    QFont large = Text2->font();
    large.setPointSize(18);
    Text2->setFont(large);
    Text6->setFont(large);
    Text2->setFixedWidth(QFontMetrics(large).horizontalAdvance(QStringLiteral("0000")) + 16);
    Text6->setMinimumWidth(QFontMetrics(large).horizontalAdvance(QStringLiteral("Inserire nome limite")) + 24);
    auto* top = new QHBoxLayout;
    top->addWidget(Command6);
    top->addSpacing(12);
    top->addWidget(Text1);
    top->addWidget(Text2);
    top->addWidget(Text6, 1);
    top->addSpacing(12);
    top->addWidget(Command4);

    // The four groups of limit rows.
    QHash<QString, QLineEdit*> byName;
    QHash<QString, QLineEdit*> byColumn;
    const int boxWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000.000")) + 12;
    auto* groups = new QHBoxLayout;
    groups->setSpacing(24);
    for (int g = 0; g < 4; ++g) {
        auto* grid = new QGridLayout;
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(4);
        int row = 0;
        for (const LimitRow& r : kGroups[g]) {
            if (r.speciesOnly && !species)
                continue;
            QString text = QString::fromLatin1(r.text);
            // The species editor names the segmented neutrophils apart from the band ones.
            if (species && r.caption == &E::Text28)
                text = QStringLiteral("Neu.Segm%:");
            if (species && r.caption == &E::Text66)
                text = QStringLiteral("Neu.Segm#");
            if (r.caption == &E::Text51)
                grid->setRowMinimumHeight(row++, 12);  // Ret% is set apart below PDW
            QLabel* caption = makeCaption(this, r.captionName, text);
            QLineEdit* low = makeBox(this, r.lowName);
            QLineEdit* high = makeBox(this, r.highName);
            this->*r.caption = caption;
            this->*r.low = low;
            this->*r.high = high;
            for (QLineEdit* box : {low, high}) {
                box->setFixedWidth(boxWidth);
                limitBoxes_.push_back(box);
                byName.insert(box->objectName(), box);
                if (r.filtered)
                    filter_->watch(box);
            }
            const ParameterInfo& info = parameterInfo(r.parameter);
            byColumn.insert((r.count ? info.countLow : info.low).toCaseFolded(), low);
            byColumn.insert((r.count ? info.countHigh : info.high).toCaseFolded(), high);
            grid->addWidget(caption, row, 0);
            grid->addWidget(low, row, 1);
            grid->addWidget(high, row, 2);
            ++row;
        }
        if (g == 3) {
            Command5 = makeButton(this, "Command5", QStringLiteral("Calcolo Automatico"));
            grid->setRowMinimumHeight(row++, 8);
            grid->addWidget(Command5, row++, 0, 1, 3);
        }
        grid->setRowStretch(row, 1);
        groups->addLayout(grid);
    }
    for (const char* name : kConversionOrder)
        if (QLineEdit* box = byName.value(QLatin1String(name)))
            filteredBoxes_.push_back(box);

    // The same box-to-column pairs show and save a set, in the order the columns are written.
    byColumn.insert(QStringLiteral("limite"), Text2);
    byColumn.insert(QStringLiteral("valori"), Text6);
    // Limits are kept as typed, so one typed "1,5" may sit beside a shipped "3.4":
    // each shows in the configured mark, and only a box the user changes is rewritten.
    for (const QString& column : rangeSetColumns(table_)) {
        QLineEdit* box = byColumn.value(column.toCaseFolded());
        binder_.bind(box, column, box == Text2 || box == Text6 ? FieldKind::Text : FieldKind::NumberText);
    }

    // Bottom row: browsing and SALVA.
    Command7 = makeButton(this, "Command7", QStringLiteral("<<<"), QStringLiteral("Torna al primo record"));
    Command1 = makeButton(this, "Command1", QStringLiteral("<"), QStringLiteral("Record Precedente"));
    Command2 = makeButton(this, "Command2", QStringLiteral(">"), QStringLiteral("Record Successivo"));
    Command8 = makeButton(this, "Command8", QStringLiteral(">>>"), QStringLiteral("Vai all'ultimo record"));
    Command3 = makeButton(this, "Command3", QStringLiteral("SALVA"));
    auto* bottom = new QHBoxLayout;
    for (QPushButton* b : {Command7, Command1, Command2, Command8})
        bottom->addWidget(b);
    bottom->addStretch(1);
    bottom->addWidget(Command3);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addLayout(top);
    layout->addSpacing(10);
    layout->addLayout(groups);
    layout->addSpacing(10);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const std::pair<QPushButton*, void (RangeEditor::*)()> clicks[] = {
        {Command7, &E::Command7_Click}, {Command1, &E::Command1_Click}, {Command2, &E::Command2_Click},
        {Command8, &E::Command8_Click}, {Command6, &E::Command6_Click}, {Command3, &E::Command3_Click},
        {Command4, &E::Command4_Click}, {Command5, &E::Command5_Click}};
    for (const auto& entry : clicks) {
        const auto click = entry.second;
        connect(entry.first, &QPushButton::clicked, this,
                [this, click] { guard([this, click] { (this->*click)(); }); });
    }
    connect(puntomenu, &QAction::triggered, this, [this] { guard([this] { punto(); }); });
    connect(virgolamenu, &QAction::triggered, this, [this] { guard([this] { virgola(); }); });
}

void RangeEditor::logFailure() {
    const CaughtError e = describeCurrentException();
    logerrore(e.number, e.description, formName());
}

void RangeEditor::Form_Load() {
    try {
        const QString lingua = windowLanguageFile();
        applyCaptions(this, lingua, kSection,
                      {{"", "titolo"},
                       {"Text1", "text1"},
                       {"Command3", "cmd3"},
                       {"Command4", "cmd4"},
                       {"Command5", "cmd5"},
                       {"Command6", "cmd6"},
                       {separatoremenu->objectName(), QStringLiteral("menu11")},
                       {"virgolamenu", "menu111"},
                       {"puntomenu", "menu112"}});
        msg1_ = caption(lingua, kSection, QStringLiteral("msg1"));
        msg2_ = caption(lingua, kSection, QStringLiteral("msg2"));
        msg3_ = caption(lingua, kSection, QStringLiteral("msg3"));
        msg4_ = caption(lingua, kSection, QStringLiteral("msg4"));
        separatorCode_ = separatorCodeFor(
            leggiini(QStringLiteral("separatore"), QStringLiteral("decimale"), file::generalIni, 8), separatorCode_);
        filter_->setSeparatorCode(separatorCode_);
        binder_.setDecimalMark(configuredDecimalMark());
        rs_.open(Session::get().cnlimit, rangeSetsSql(table_));
        if (rs_.recordCount() == 0) {
            // Nothing to browse, save or delete until a set has been begun.
            for (QPushButton* b : {Command1, Command2, Command3, Command4, Command7, Command8})
                b->setEnabled(false);
        }
    } catch (...) {
        logFailure();
        return;
    }
    popola();
}

void RangeEditor::Form_Unload(bool& cancel) {
    (void)cancel;
    // A set begun with NUOVO and not saved goes with the recordset.
    rs_.close();
}

void RangeEditor::popola() {
    try {
        if (!rs_.isOpen() || rs_.bof() || rs_.eof()) {
            binder_.clear();
            throw AppError(err::NoCurrentRecord, QStringLiteral("No reference-range set to show."));
        }
        binder_.show(rs_);
    } catch (...) {
        logFailure();
    }
}

void RangeEditor::Command7_Click() {
    rs_.moveFirst();
    popola();
}

void RangeEditor::Command1_Click() {
    movePreviousOrBeep(rs_);
    popola();
}

void RangeEditor::Command2_Click() {
    moveNextOrBeep(rs_);
    popola();
}

void RangeEditor::Command8_Click() {
    rs_.moveLast();
    popola();
}

void RangeEditor::Command6_Click() {
    // Begun here, stored only by SALVA: a move, another NUOVO, ELIMINA or
    // closing the window lets it go, so no empty set ever slips in.
    rs_.addNew();
    // The stored sets, not counting this one: after sets 0 to n - 1 it is set
    // n, at the position its number plus one names.
    Text2->setText(QString::number(rs_.recordCount()));
    Text6->setText(kNewSetName);
    for (QLineEdit* box : limitBoxes_)
        box->setText(QStringLiteral("0"));
    Command3->setEnabled(true);
}

void RangeEditor::Command3_Click() {
    const bool wasNew = rs_.isNewRow();
    try {
        (void)rangeSetNumber(Text2->text());
    } catch (...) {
        // Nothing is written; the user is told which box to correct.
        logFailure();
        refuseBox(Text2, msg4_ + QStringLiteral(" \"") + Text2->text() + QLatin1Char('"'));
        return;
    }
    try {
        binder_.write(rs_);
        rs_.update();
    } catch (...) {
        // The boxes keep what was typed. A new set that failed to be stored
        // stays a new set, so the next SALVA cannot overwrite the set before it.
        if (wasNew && !rs_.isNewRow())
            ignoring([&] { rs_.addNew(); });
        else if (!wasNew)
            rs_.cancelUpdate();
        logFailure();
        return;
    }
    msgBox(msg3_, MsgButtons::OK, MsgIcon::Information, appTitle());
}

void RangeEditor::Command4_Click() {
    deleteRangeSets(Session::get().cnlimit, table_, Text2->text());
    msgBox(msg1_, MsgButtons::OK, MsgIcon::Information, appTitle());
    rs_.requery();
    if (rs_.recordCount() > 0) {
        rs_.moveFirst();
        popola();
        return;
    }
    msgBox(msg2_, MsgButtons::OK, MsgIcon::Information, appTitle());
    unloadSelf();
}

void RangeEditor::Command5_Click() {
    // Every limit is computed before any box changes: a box that does not
    // hold a number leaves them all as they were.
    const bool species = table_ == RangeTable::Species;
    std::vector<std::pair<QLineEdit*, QString>> results;
    for (const CountStep& step : kCountSteps) {
        if (step.speciesOnly && !species)
            continue;
        QLineEdit* wbc = this->*step.wbc;
        QLineEdit* percent = this->*step.percent;
        try {
            results.emplace_back(this->*step.target,
                                 absoluteLimit(wbc->text(), percent->text(), configuredDecimalMark()));
        } catch (const AppError& e) {
            throw AppError(e.number(), QStringLiteral("%1: %2 \"%3\" x %4 \"%5\"")
                                           .arg(e.description(), wbc->objectName(), wbc->text(), percent->objectName(),
                                                percent->text()));
        }
    }
    for (const auto& [box, text] : results)
        box->setText(text);
}

void RangeEditor::punto() {
    for (QLineEdit* box : filteredBoxes_)
        box->setText(box->text().replace(QLatin1Char(','), QLatin1Char('.')));
}

void RangeEditor::virgola() {
    for (QLineEdit* box : filteredBoxes_)
        box->setText(box->text().replace(QLatin1Char('.'), QLatin1Char(',')));
}

}  // namespace zv
