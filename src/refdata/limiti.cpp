#include "refdata/limiti.h"

#include <QHash>

#include <algorithm>
#include <functional>
#include <utility>

#include "core/captions.h"
#include "core/config.h"
#include "core/language.h"
#include "core/session.h"
#include "core/windowlanguage.h"
#include "model/rangelimits.h"
#include "model/result.h"
#include "platform/errors.h"
#include "platform/prompts.h"
#include "platform/refusal.h"
#include "platform/rowediting.h"
#include "platform/widgets.h"
#include "refdata/limits.h"

namespace zv {

namespace {

const QString kSection = QStringLiteral("limiti");
const QString kNewSetName = QStringLiteral("Inserire nome limite");
// QLineEdit's own bound: no bound at all.
constexpr int kUnbounded = 32767;

using U = Ui::RangeEditor;
using P = ResultParameter;
using Box = QLineEdit* U::*;

// The form's limit boxes by parameter: the low and high limits, or the
// absolute-count limits, and the caption of the row. This one table shows,
// saves, converts the separator and works out the absolute counts.
struct LimitRow {
    ResultParameter parameter;
    bool count;  // the absolute-count limits
    QLabel* U::*caption;
    Box low, high;
    bool filtered;  // PCT and PDW take every character
};

const LimitRow kLimitRows[] = {
    {P::WBC, false, &U::Text3, &U::Text4, &U::Text5, true},
    {P::neu, false, &U::Text28, &U::Text33, &U::Text34, true},
    {P::bandati, false, &U::Text73, &U::Text74, &U::Text75, true},
    {P::lym, false, &U::Text29, &U::Text35, &U::Text36, true},
    {P::mono, false, &U::Text30, &U::Text37, &U::Text38, true},
    {P::eos, false, &U::Text31, &U::Text39, &U::Text40, true},
    {P::baso, false, &U::Text32, &U::Text41, &U::Text42, true},
    {P::RBC, false, &U::Text7, &U::Text8, &U::Text9, true},
    {P::HGB, false, &U::Text18, &U::Text10, &U::Text11, true},
    {P::MCV, false, &U::Text19, &U::Text12, &U::Text13, true},
    {P::HCT, false, &U::Text20, &U::Text14, &U::Text15, true},
    {P::MCH, false, &U::Text21, &U::Text16, &U::Text17, true},
    {P::MCHC, false, &U::Text22, &U::Text24, &U::Text25, true},
    {P::RDW, false, &U::Text23, &U::Text26, &U::Text27, true},
    {P::PLT, false, &U::Text43, &U::Text45, &U::Text46, true},
    {P::MPV, false, &U::Text44, &U::Text47, &U::Text48, true},
    {P::PCT, false, &U::Text72, &U::Text70, &U::Text69, false},
    {P::PDW, false, &U::Text71, &U::Text68, &U::Text67, false},
    {P::ret, false, &U::Text51, &U::Text49, &U::Text50, true},
    {P::neu, true, &U::Text66, &U::Text60, &U::Text61, true},
    {P::bandati, true, &U::Text78, &U::Text76, &U::Text77, true},
    {P::lym, true, &U::Text65, &U::Text58, &U::Text59, true},
    {P::mono, true, &U::Text64, &U::Text56, &U::Text57, true},
    {P::eos, true, &U::Text63, &U::Text54, &U::Text55, true},
    {P::baso, true, &U::Text62, &U::Text52, &U::Text53, true},
};

const LimitRow& rowOf(ResultParameter parameter, bool count) {
    for (const LimitRow& row : kLimitRows)
        if (row.parameter == parameter && row.count == count)
            return row;
    throw AppError(err::InvalidCall, QStringLiteral("No limit row for %1.").arg(parameterInfo(parameter).field));
}

}  // namespace

RangeEditor::RangeEditor(const QString& formName, RangeTable table) : Form(formName), table_(table) {
    setupUi(this);
    windowLayout->setMenuBar(menuBar);
    if (table == RangeTable::Species) {
        setWindowTitle(QStringLiteral("Valori di Riferimento - Veterinaria"));
        separatoremenu->setObjectName(QStringLiteral("separatore"));
        // The species editor names the segmented neutrophils apart from the band ones.
        Text28->setText(QStringLiteral("Neu.Segm%:"));
        Text66->setText(QStringLiteral("Neu.Segm#"));
    } else {
        setWindowTitle(QStringLiteral("Valori di Riferimento"));
    }
    bindLimitBoxes();

    connectBrowsing(*this, rs_, {Command7, Command1, Command2, Command8}, [this] { popola(); });
    const std::pair<QPushButton*, std::function<void()>> clicks[] = {{Command6, [this] { Command6_Click(); }},
                                                                     {Command3, [this] { Command3_Click(); }},
                                                                     {Command4, [this] { Command4_Click(); }},
                                                                     {Command5, [this] { Command5_Click(); }}};
    for (const auto& [button, click] : clicks)
        connect(button, &QPushButton::clicked, this, [this, click] { guard(click); });
    connect(puntomenu, &QAction::triggered, this, [this] { guard([this] { punto(); }); });
    connect(virgolamenu, &QAction::triggered, this, [this] { guard([this] { virgola(); }); });
}

void RangeEditor::bindLimitBoxes() {
    filter_ = new NumberKeyFilter(this);
    const QStringList& columns = rangeSetColumns(table_);
    QHash<QString, QLineEdit*> byColumn{{QStringLiteral("limite"), Text2}, {QStringLiteral("valori"), Text6}};
    for (const LimitRow& row : kLimitRows) {
        const ParameterInfo& info = parameterInfo(row.parameter);
        const QString low = row.count ? info.countLow : info.low;
        const QString high = row.count ? info.countHigh : info.high;
        if (!columns.contains(low, Qt::CaseInsensitive)) {
            // The table keeps no such limits: the row goes from the window.
            for (QWidget* control :
                 std::initializer_list<QWidget*>{this->*row.caption, this->*row.low, this->*row.high})
                delete control;
            this->*row.caption = nullptr;
            this->*row.low = this->*row.high = nullptr;
            continue;
        }
        for (const auto& [box, column] : {std::pair{this->*row.low, low}, std::pair{this->*row.high, high}}) {
            const int shown = charactersShown(box);
            limitBoxes_.push_back({box, this->*row.caption, column, shown});
            // What the user edits never grows past what the box shows: a longer
            // text the window put there can only be cut down.
            connect(box, &QLineEdit::textEdited, box,
                    [box, shown] { box->setMaxLength(std::max(shown, int(box->text().size()))); });
            if (row.filtered) {
                filter_->watch(box);
                filteredBoxes_.push_back(box);
            }
        }
        byColumn.insert(low.toCaseFolded(), this->*row.low);
        byColumn.insert(high.toCaseFolded(), this->*row.high);
    }
    // The same box-to-column pairs show and save a set, in the order the columns are written.
    // Limits are kept as typed, so one typed "1,5" may sit beside a shipped "3.4":
    // each shows in the configured mark, and only a box the user changes is rewritten.
    for (const QString& column : columns) {
        QLineEdit* box = byColumn.value(column.toCaseFolded());
        binder_.bind(box, column, box == Text2 || box == Text6 ? FieldKind::Text : FieldKind::NumberText);
    }
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
        msg5_ = caption(lingua, kSection, QStringLiteral("msg5"));
        filter_->readConfiguredSeparator();
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
    unboundTyping();
    try {
        if (!rs_.isOpen() || rs_.bof() || rs_.eof()) {
            binder_.clear();
            throw AppError(err::NoCurrentRecord, QStringLiteral("No reference-range set to show."));
        }
        binder_.show(rs_);
    } catch (...) {
        logFailure();
    }
    boundTyping();
}

void RangeEditor::unboundTyping() {
    for (const LimitBox& l : limitBoxes_)
        l.box->setMaxLength(kUnbounded);
}

void RangeEditor::boundTyping() {
    for (const LimitBox& l : limitBoxes_)
        l.box->setMaxLength(std::max(l.shown, int(l.box->text().size())));
}

void RangeEditor::Command6_Click() {
    // Begun here, stored only by SALVA: a move, another NUOVO, ELIMINA or
    // closing the window lets it go, so no empty set ever slips in.
    rs_.addNew();
    // The stored sets, not counting this one: after sets 0 to n - 1 it is set
    // n, at the position its number plus one names.
    Text2->setText(QString::number(rs_.recordCount()));
    Text6->setText(kNewSetName);
    for (const LimitBox& l : limitBoxes_)
        l.box->setText(QStringLiteral("0"));
    boundTyping();
    Command3->setEnabled(true);
}

bool RangeEditor::refusesNumber() {
    try {
        (void)rangeSetNumber(Text2->text());
        return false;
    } catch (...) {
        // Nothing is written; the user is told which box to correct.
        logFailure();
        refuseBox(Text2, msg4_ + QStringLiteral(" \"") + Text2->text() + QLatin1Char('"'));
        return true;
    }
}

bool RangeEditor::refusesLimit() {
    // Read as the viewer, the page and the QC grid read it: what they would
    // take for no limit is refused, unless the box is empty.
    const QChar mark = binder_.decimalMark();
    for (const LimitBox& l : limitBoxes_) {
        const QString text = binder_.toStore(l.box);
        if (storableLimit(text, mark))
            continue;
        const QString said = naming(msg5_, l.caption->text(), l.box);
        logerrore(err::TypeMismatch, QStringLiteral("Type mismatch: %1 \"%2\" is no number").arg(l.column, text),
                  formName(), said);
        refuseBox(l.box, said);
        return true;
    }
    return false;
}

void RangeEditor::Command3_Click() {
    const bool wasNew = rs_.isNewRow();
    if (refusesNumber() || refusesLimit())
        return;
    try {
        binder_.write(rs_);
        rs_.update();
    } catch (...) {
        keepEditAfterFailedSave(rs_, wasNew);
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
    // hold a number leaves them all as they were. Low limits come from low
    // limits, high from high.
    const LimitRow& wbcRow = rowOf(P::WBC, false);
    std::vector<std::pair<QLineEdit*, QString>> results;
    for (const Box LimitRow::*side : {&LimitRow::low, &LimitRow::high})
        for (const LimitRow& row : kLimitRows) {
            QLineEdit* target = this->*(row.*side);
            if (!row.count || target == nullptr)
                continue;
            QLineEdit* wbc = this->*(wbcRow.*side);
            QLineEdit* percent = this->*(rowOf(row.parameter, false).*side);
            try {
                results.emplace_back(target, absoluteLimit(wbc->text(), percent->text(), configuredDecimalMark()));
            } catch (const AppError& e) {
                throw AppError(e.number(), QStringLiteral("%1: %2 \"%3\" x %4 \"%5\"")
                                               .arg(e.description(), wbc->objectName(), wbc->text(),
                                                    percent->objectName(), percent->text()));
            }
        }
    unboundTyping();
    for (const auto& [box, text] : results)
        box->setText(text);
    boundTyping();
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
