#include "qc/qc.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/captions.h"
#include "core/config.h"
#include "core/notifier.h"
#include "core/session.h"
#include "model/resultstore.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/printer.h"
#include "platform/prompts.h"
#include "platform/recordset.h"
#include "platform/recordsetmodel.h"
#include "qc/qcprint.h"
#include "qc/qcstats.h"

namespace zv {

namespace {

const QString kSection = QStringLiteral("qc");
const QString kQcTitle = QStringLiteral("Controllo Qualità");

using L = QLabel* qc::*;

// Per parameter (qcParameters() order): the caption label and its text, and
// the labels of the four rows.
struct StatColumn {
    L caption;
    const char* captionName;
    const char* text;
    L mean;
    const char* meanName;
    L deviation;
    const char* deviationName;
    L target;
    const char* targetName;
    L range;
    const char* rangeName;
    const char* printed;  // the caption on paper
};
#define ZV_L(n) &qc::Label##n, "Label" #n
const StatColumn kColumns[kQcParameterCount] = {
    {ZV_L(1), "WBC", ZV_L(7), ZV_L(16), ZV_L(60), ZV_L(75), "WBC:"},
    {ZV_L(2), "RBC", ZV_L(23), ZV_L(33), ZV_L(59), ZV_L(74), "RBC:"},
    {ZV_L(3), "HGB", ZV_L(25), ZV_L(34), ZV_L(58), ZV_L(73), "HGB:"},
    {ZV_L(4), "MCV", ZV_L(26), ZV_L(35), ZV_L(57), ZV_L(72), "MCV:"},
    {ZV_L(5), "HCT", ZV_L(27), ZV_L(36), ZV_L(56), ZV_L(71), "HCT:"},
    {ZV_L(6), "MCH", ZV_L(28), ZV_L(37), ZV_L(55), ZV_L(70), "MCH:"},
    {ZV_L(42), "MCHC", ZV_L(29), ZV_L(38), ZV_L(54), ZV_L(69), "MCHC:"},
    {ZV_L(43), "RDW", ZV_L(30), ZV_L(39), ZV_L(53), ZV_L(68), "RDW:"},
    {ZV_L(44), "PLT", ZV_L(31), ZV_L(40), ZV_L(52), ZV_L(67), "PLT:"},
    {ZV_L(45), "MPV", ZV_L(32), ZV_L(41), ZV_L(51), ZV_L(66), "MPV:"},
    {ZV_L(46), "NEU%", ZV_L(8), ZV_L(17), ZV_L(61), ZV_L(76), "%NEU:"},
    {ZV_L(47), "LYM%", ZV_L(9), ZV_L(18), ZV_L(62), ZV_L(77), "%LYM:"},
    {ZV_L(48), "MON%", ZV_L(10), ZV_L(19), ZV_L(63), ZV_L(78), "%MONO:"},
    {ZV_L(49), "EOS%", ZV_L(11), ZV_L(20), ZV_L(64), ZV_L(79), "%EOS:"},
    {ZV_L(50), "BAS%", ZV_L(12), ZV_L(21), ZV_L(65), ZV_L(80), "%BASO:"},
};
#undef ZV_L

const char* const kGridHeaders[] = {"N.",   "Id.", "Data", "WBC", "RBC",  "HGB",  "MCV",   "HCT",  "MCH",
                                    "MCHC", "RDW", "PLT",  "MPV", "%Neu", "%Lym", "%Mono", "%Eos", "%Baso"};
constexpr int kFirstValueColumn = 3;

std::vector<RecordsetColumn> gridColumns() {
    std::vector<RecordsetColumn> columns{{QStringLiteral("ID1"), QLatin1String(kGridHeaders[0])},
                                         {QStringLiteral("ID1"), QLatin1String(kGridHeaders[1])},
                                         {QStringLiteral("date"), QLatin1String(kGridHeaders[2])}};
    for (int i = 0; i < kQcParameterCount; ++i)
        columns.push_back({qcParameters()[i].resultField(), QLatin1String(kGridHeaders[kFirstValueColumn + i])});
    return columns;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, double points, bool bold) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    QFont f = label->font();
    f.setPointSizeF(points);
    f.setBold(bold);
    label->setFont(f);
    return label;
}

}  // namespace

// The runs of one lot: the running number in column 0, and each value
// outside the lot's limits in blue (below) or red (above).
class QcRunModel : public RecordsetTableModel {
public:
    explicit QcRunModel(QObject* parent) : RecordsetTableModel(gridColumns(), configuredDecimalMark(), parent) {}

    void setLimits(const QcLot& lot) { lot_ = lot; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        if (index.column() == 0 && role == Qt::DisplayRole)
            return QString::number(index.row() + 1);
        if (role == Qt::ForegroundRole && index.column() >= kFirstValueColumn) {
            const int p = index.column() - kFirstValueColumn;
            std::optional<double> value;
            ignoring([&] {
                const QVariant v = recordAt(index.row()).field(qcParameters()[p].resultField());
                if (!v.isNull())
                    value = v.toDouble();
            });
            if (!value)
                return {};
            switch (qcMark(*value, lot_.low[p], lot_.high[p])) {
            case QcMark::Below: return QColor(0, 0, 255);
            case QcMark::Above: return QColor(255, 0, 0);
            case QcMark::None: return {};
            }
        }
        return RecordsetTableModel::data(index, role);
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::FontRole) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return RecordsetTableModel::headerData(section, orientation, role);
    }

private:
    QcLot lot_;
};

qc::qc() : Form(QString(kName)) {
    setWindowTitle(QStringLiteral("Controllo Qualità - Statistiche"));
    buildWindow();
}

qc::~qc() = default;

QAbstractItemModel* qc::runs() const { return model_; }
QLabel* qc::meanLabel(int p) const { return this->*kColumns[p].mean; }
QLabel* qc::deviationLabel(int p) const { return this->*kColumns[p].deviation; }
QLabel* qc::targetLabel(int p) const { return this->*kColumns[p].target; }
QLabel* qc::rangeLabel(int p) const { return this->*kColumns[p].range; }

void qc::buildWindow() {
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    QFont big(QStringLiteral("Verdana"));
    big.setPointSizeF(14.25);
    big.setBold(true);
    Text1->setFont(big);
    QFont command(QStringLiteral("Tahoma"));
    command.setPointSizeF(15.75);
    command.setBold(true);
    Command1 = new QPushButton(QStringLiteral("V I S U A L I Z Z A    Q.C."), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("S T A M P A"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    for (QPushButton* b : {Command1, Command2}) {
        b->setFont(command);
        b->setAutoDefault(false);
    }
    QFont option(QStringLiteral("Tahoma"));
    option.setPointSizeF(12);
    option.setBold(true);
    Option1 = new QRadioButton(QStringLiteral("ID"), this);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new QRadioButton(QStringLiteral("Name"), this);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option3 = new QRadioButton(QStringLiteral("Elimina"), this);
    Option3->setObjectName(QStringLiteral("Option3"));
    // One group in which none may be chosen: the window keeps it exclusive itself.
    for (QRadioButton* o : {Option1, Option2, Option3})
        o->setAutoExclusive(false);
    Option1->setFont(option);
    Option2->setFont(option);

    auto* options = new QFrame(this);
    options->setFrameShape(QFrame::Box);
    auto* optionLayout = new QVBoxLayout(options);
    optionLayout->addWidget(Option1, 0, Qt::AlignLeft);
    optionLayout->addWidget(Option2, 0, Qt::AlignLeft);

    Label81 = makeLabel(this, "Label81", QStringLiteral("Records trovati:"), 14.25, true);
    Label13 = makeLabel(this, "Label13", QString(), 14.25, true);
    for (QLabel* l : {Label81, Label13}) {
        QFont f = l->font();
        f.setFamily(QStringLiteral("Verdana"));
        l->setFont(f);
    }
    Label13->setMinimumWidth(QFontMetrics(Label13->font()).horizontalAdvance(QStringLiteral("00000")));

    auto* top = new QGridLayout;
    top->addWidget(Text1, 0, 0);
    top->addWidget(Command1, 1, 0);
    top->addWidget(options, 0, 1, 2, 1);
    auto* count = new QHBoxLayout;
    count->addWidget(Label81);
    count->addWidget(Label13);
    count->addStretch(1);
    top->addLayout(count, 0, 2);
    top->addWidget(Command2, 1, 2);
    top->setColumnStretch(0, 3);
    top->setColumnStretch(2, 2);

    model_ = new QcRunModel(this);
    MSFlexGrid1 = new QTableView(this);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setModel(model_);
    MSFlexGrid1->verticalHeader()->hide();
    MSFlexGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    MSFlexGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Grey where there are no cells, as the grid always was.
    MSFlexGrid1->setStyleSheet(
        QStringLiteral("QTableView { background-color: rgb(128,128,128); }"
                       "QTableView::item { background-color: white; }"));
    QFont gridFont = MSFlexGrid1->font();
    gridFont.setPointSizeF(8.25);
    MSFlexGrid1->setFont(gridFont);
    MSFlexGrid1->horizontalHeader()->setFont(gridFont);
    // The widths the grid was laid out with, widened where this font needs it.
    const int twip = 15;  // twips per pixel on the screens the widths were set for
    QFont boldGrid = gridFont;
    boldGrid.setBold(true);
    const QFontMetrics header(boldGrid);
    const QFontMetrics cells(gridFont);
    int total = 0;
    for (int c = 0; c < 18; ++c) {
        const int designed = (c == 0 ? 500 : c == 1 ? 1250 : c == 2 ? 900 : 645) / twip;
        // Values as the analyser gives them ("250", "12.5", "0.21") read whole.
        const int needed = std::max(header.horizontalAdvance(QLatin1String(kGridHeaders[c])),
                                    cells.horizontalAdvance(QLatin1String(c == 2 ? "00/00/0000" : "000.00"))) +
                           8;
        MSFlexGrid1->setColumnWidth(c, std::max(designed, needed));
        total += std::max(designed, needed);
    }
    // Every column in sight, with room for the vertical scroll bar.
    MSFlexGrid1->setMinimumWidth(total + 2 * MSFlexGrid1->frameWidth() +
                                 MSFlexGrid1->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4);
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(cells.height() + 6);
    MSFlexGrid1->setMinimumHeight(1575 / twip);

    // The statistics block.
    auto* stats = new QFrame(this);
    stats->setFrameShape(QFrame::Box);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    Label14 = makeLabel(this, "Label14", QStringLiteral("Media"), 9, true);
    Label15 = makeLabel(this, "Label15", QStringLiteral("CV %"), 9, true);
    Label22 = makeLabel(this, "Label22", QStringLiteral("Target"), 9, true);
    Label24 = makeLabel(this, "Label24", QStringLiteral("Range +/-"), 9, true);
    const QLabel* rowCaptions[] = {Label14, Label15, Label22, Label24};
    for (int r = 0; r < 4; ++r)
        grid->addWidget(const_cast<QLabel*>(rowCaptions[r]), r + 1, 0);
    // The frame first, so the value labels lie on it.
    grid->addWidget(stats, 1, 1, 4, kQcParameterCount);
    const int valueWidth =
        QFontMetrics(QFont(QStringLiteral("Tahoma"), 10)).horizontalAdvance(QStringLiteral("000.00"));
    for (int p = 0; p < kQcParameterCount; ++p) {
        const StatColumn& c = kColumns[p];
        const bool percent = p >= 10;
        QLabel* caption = makeLabel(this, c.captionName, QLatin1String(c.text), percent ? 8.25 : 9, true);
        caption->setAlignment(Qt::AlignCenter);
        this->*c.caption = caption;
        grid->addWidget(caption, 0, p + 1);
        const std::pair<L, const char*> cells[] = {
            {c.mean, c.meanName}, {c.deviation, c.deviationName}, {c.target, c.targetName}, {c.range, c.rangeName}};
        for (int r = 0; r < 4; ++r) {
            QLabel* value = makeLabel(this, cells[r].second, QString(), 9.75, false);
            value->setAlignment(Qt::AlignCenter);
            value->setMinimumWidth(valueWidth);
            this->*cells[r].first = value;
            grid->addWidget(value, r + 1, p + 1);
        }
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(MSFlexGrid1, 1);
    layout->addWidget(Option3, 0, Qt::AlignLeft);
    layout->addLayout(grid);

    connect(Command1, &QPushButton::clicked, this, [this] { guard([this] { Command1_Click(); }); });
    connect(Command2, &QPushButton::clicked, this, [this] { guard([this] { Command2_Click(); }); });
    connect(Option1, &QRadioButton::clicked, this, [this] { guard([this] { Option1_Click(); }); });
    connect(Option2, &QRadioButton::clicked, this, [this] { guard([this] { Option2_Click(); }); });
    connect(Option3, &QRadioButton::clicked, this, [this] { guard([this] { Option3_Click(); }); });
    connect(MSFlexGrid1, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { guard([this, index] { MSFlexGrid1_DblClick(index.row()); }); });
}

void qc::Form_Load() {
    const QString lingua = Session::get().linguax;
    applyCaptions(this, lingua, kSection,
                  {{"", "titolo"},
                   {"Label14", "label14"},
                   {"Label81", "label81"},
                   {"Command1", "cmd1"},
                   {"Command2", "cmd2"},
                   {"Option2", "opt2"}});
    const std::pair<QString*, const char*> texts[] = {{&msg1_, "msg1"},        {&msg2_, "msg2"}, {&msg3_, "msg3"},
                                                      {&msg4_, "msg4"},        {&msg5_, "msg5"}, {&alert_, "alert"},
                                                      {&stringa1_, "stringa1"}};
    for (const auto& [text, key] : texts)
        *text = caption(lingua, kSection, QLatin1String(key));
    // Figures read as the results are shown everywhere else: with the configured mark.
    decimal_ = configuredDecimalMark();
    emit notifier().windowOpened(formName(), true);
    Option1->setChecked(true);
    camporicerca_ = QStringLiteral("specid");
}

void qc::Form_Unload(bool&) { emit notifier().windowOpened(formName(), false); }

void qc::clearStatistics() {
    model_->setRecordset(Recordset());
    Label13->clear();
    for (int p = 0; p < kQcParameterCount; ++p)
        for (QLabel* l : {meanLabel(p), deviationLabel(p), targetLabel(p), rangeLabel(p)})
            l->clear();
}

void qc::qcStatistics() {
    // Whatever this call does not reach stays empty: nothing of the lot shown
    // before can pass for this one's.
    clearStatistics();
    try {
        Session& s = Session::get();
        const QString name = Text1->text();
        std::optional<QcLot> found = findQcLot(s.cnlimit, name);
        QcLot lot;
        if (found) {
            lot = *found;
        } else {
            msgBox(msg1_, MsgButtons::OK, MsgIcon::Exclamation, kQcTitle);
            lot.low.fill(0);
            lot.high.fill(99);
            lot.high[8] = 999;  // PLT
        }
        // A parameter without both limits has no target and no range: its
        // labels stay empty, and its runs are marked only against the limit it has.
        for (int p = 0; p < kQcParameterCount; ++p)
            if (lot.low[p] && lot.high[p])
                targetLabel(p)->setText(numberText(roundHalfEven((*lot.low[p] + *lot.high[p]) / 2, 2), decimal_));
        for (int p = 0; p < kQcParameterCount; ++p)
            if (lot.low[p] && lot.high[p])
                rangeLabel(p)->setText(numberText(roundHalfEven((*lot.high[p] - *lot.low[p]) / 2, 2), decimal_));

        // camporicerca is one of two field names; the lot name is a bound
        // parameter and a character of the name is never a wildcard.
        Recordset rs(s.cntot,
                     QStringLiteral("select * from datiQgrafici where ") + camporicerca_ +
                         QStringLiteral(" like ?1 escape '\\' order by ID1"),
                     {QStringLiteral("%") + likeLiteral(name) + QStringLiteral("%")});
        const int64_t n = rs.recordCount();
        std::array<std::vector<std::optional<double>>, kQcParameterCount> values;
        for (auto& v : values)
            v.reserve(static_cast<std::size_t>(n));
        for (int64_t i = 1; i <= n; ++i) {
            rs.setAbsolutePosition(i);
            for (int p = 0; p < kQcParameterCount; ++p) {
                const QVariant v = rs.field(qcParameters()[p].resultField());
                values[p].push_back(v.isNull() ? std::nullopt : std::optional<double>(v.toDouble()));
            }
        }
        Label13->setText(QString::number(n));
        model_->setLimits(lot);
        model_->setRecordset(std::move(rs));
        for (int p = 0; p < kQcParameterCount; ++p) {
            if (const auto mean = qcMean(values[p]))
                meanLabel(p)->setText(numberText(*mean, decimal_));
            if (const auto deviation = qcDeviation(values[p]))
                deviationLabel(p)->setText(numberText(*deviation, decimal_));
        }
    } catch (...) {
        const CaughtError e = describeCurrentException();
        logerrore(e.number, e.description, formName());
        msgBox(msg2_, MsgButtons::OK, MsgIcon::Exclamation, kQcTitle);
    }
}

void qc::Command1_Click() { qcStatistics(); }

void qc::Command2_Click() {
    std::array<QcStatLine, kQcParameterCount> lines;
    for (int p = 0; p < kQcParameterCount; ++p)
        lines[p] = {QLatin1String(kColumns[p].printed), meanLabel(p)->text(), deviationLabel(p)->text(),
                    targetLabel(p)->text(), rangeLabel(p)->text()};
    try {
        const std::unique_ptr<Printer> printer = Printer::to(Session::get().nextPrintDestination());
        try {
            printQcStatistics(*printer, stringa1_ + Text1->text(), lines, *model_);
            printer->endDoc();
        } catch (...) {
            // Half a list of runs is worse than none: nothing reaches the paper.
            printer->killDoc();
            throw;
        }
    } catch (...) {
        const CaughtError e = describeCurrentException();
        msgBox(msg3_, MsgButtons::OK, MsgIcon::Critical, appTitle());
        logerrore(e.number, e.description, formName());
    }
}

void qc::Option1_Click() {
    Option1->setChecked(true);
    Option2->setChecked(false);
    Option3->setChecked(false);
    camporicerca_ = QStringLiteral("specid");
}

void qc::Option2_Click() {
    Option1->setChecked(false);
    Option2->setChecked(true);
    Option3->setChecked(false);
    camporicerca_ = QStringLiteral("specname");
}

void qc::Option3_Click() {
    Option1->setChecked(false);
    Option2->setChecked(false);
    Option3->setChecked(true);
    if (msgBox(alert_, MsgButtons::OKCancel, MsgIcon::Critical, appTitle()) != MsgResult::OK)
        Option3->setChecked(false);
}

void qc::MSFlexGrid1_DblClick(int row) {
    if (!Option3->isChecked())
        return;
    if (row < 0 || row >= model_->rowCount())
        return;  // no run there
    const int64_t id1 = model_->key(row);
    try {
        // The whole result goes, from its five tables at once or not at all.
        deleteResult(Session::get().cntot, id1);
    } catch (...) {
        const CaughtError e = describeCurrentException();
        logerrore(e.number, e.description, formName());
        msgBox(msg5_, MsgButtons::OK, MsgIcon::Critical, appTitle());
        return;
    }
    msgBox(msg4_, MsgButtons::OK, MsgIcon::Information, appTitle());
    qcStatistics();
    Option3->setChecked(false);
}

}  // namespace zv
