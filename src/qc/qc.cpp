#include "qc/qc.h"

#include <QHeaderView>
#include <QStyle>

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
#include "platform/widgets.h"
#include "qc/qcprint.h"
#include "qc/qcstats.h"

namespace zv {

namespace {

const QString kSection = QStringLiteral("qc");
const QString kQcTitle = QStringLiteral("Controllo Qualità");

// The labels of each parameter's column (qcParameters() order).
struct StatLabels {
    QLabel* Ui::qc::*mean;
    QLabel* Ui::qc::*deviation;
    QLabel* Ui::qc::*target;
    QLabel* Ui::qc::*range;
};
using U = Ui::qc;
const StatLabels kLabels[kQcParameterCount] = {
    {&U::Label7, &U::Label16, &U::Label60, &U::Label75},  {&U::Label23, &U::Label33, &U::Label59, &U::Label74},
    {&U::Label25, &U::Label34, &U::Label58, &U::Label73}, {&U::Label26, &U::Label35, &U::Label57, &U::Label72},
    {&U::Label27, &U::Label36, &U::Label56, &U::Label71}, {&U::Label28, &U::Label37, &U::Label55, &U::Label70},
    {&U::Label29, &U::Label38, &U::Label54, &U::Label69}, {&U::Label30, &U::Label39, &U::Label53, &U::Label68},
    {&U::Label31, &U::Label40, &U::Label52, &U::Label67}, {&U::Label32, &U::Label41, &U::Label51, &U::Label66},
    {&U::Label8, &U::Label17, &U::Label61, &U::Label76},  {&U::Label9, &U::Label18, &U::Label62, &U::Label77},
    {&U::Label10, &U::Label19, &U::Label63, &U::Label78}, {&U::Label11, &U::Label20, &U::Label64, &U::Label79},
    {&U::Label12, &U::Label21, &U::Label65, &U::Label80},
};

// The running number, the ID, the date, then each parameter's value.
constexpr int kFirstValueColumn = 3;
constexpr int kColumnCount = kFirstValueColumn + kQcParameterCount;

std::vector<RecordsetColumn> gridColumns() {
    std::vector<RecordsetColumn> columns{{QStringLiteral("ID1"), QStringLiteral("N.")},
                                         {QStringLiteral("ID1"), QStringLiteral("Id.")},
                                         {QStringLiteral("date"), QStringLiteral("Data")}};
    for (const QcParameter& p : qcParameters())
        columns.push_back({p.resultField(), QLatin1String(p.header)});
    return columns;
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

qc::qc() : Form(QString(kName)) { wireWindow(); }

qc::~qc() = default;

QAbstractItemModel* qc::runs() const { return model_; }
QLabel* qc::meanLabel(int p) const { return this->*kLabels[p].mean; }
QLabel* qc::deviationLabel(int p) const { return this->*kLabels[p].deviation; }
QLabel* qc::targetLabel(int p) const { return this->*kLabels[p].target; }
QLabel* qc::rangeLabel(int p) const { return this->*kLabels[p].range; }

void qc::wireWindow() {
    setupUi(this);
    applyFormPointSizes(this);
    Label13->setMinimumWidth(QFontMetrics(Label13->font()).horizontalAdvance(QStringLiteral("00000")));
    const int valueWidth =
        QFontMetrics(QFont(QStringLiteral("Tahoma"), 10)).horizontalAdvance(QStringLiteral("000.00"));
    for (int p = 0; p < kQcParameterCount; ++p)
        for (QLabel* l : {meanLabel(p), deviationLabel(p), targetLabel(p), rangeLabel(p)})
            l->setMinimumWidth(valueWidth);
    model_ = new QcRunModel(this);
    MSFlexGrid1->setModel(model_);
    sizeGrid();

    connect(Command1, &QPushButton::clicked, this, [this] { guard([this] { Command1_Click(); }); });
    connect(Command2, &QPushButton::clicked, this, [this] { guard([this] { Command2_Click(); }); });
    connect(Option1, &QRadioButton::clicked, this, [this] { guard([this] { Option1_Click(); }); });
    connect(Option2, &QRadioButton::clicked, this, [this] { guard([this] { Option2_Click(); }); });
    connect(Option3, &QRadioButton::clicked, this, [this] { guard([this] { Option3_Click(); }); });
    connect(MSFlexGrid1, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { guard([this, index] { MSFlexGrid1_DblClick(index.row()); }); });
}

void qc::sizeGrid() {
    const QFont gridFont = MSFlexGrid1->font();
    MSFlexGrid1->horizontalHeader()->setFont(gridFont);
    // The widths the grid was laid out with, widened where this font needs it.
    const int twip = 15;  // twips per pixel on the screens the widths were set for
    QFont boldGrid = gridFont;
    boldGrid.setBold(true);
    const QFontMetrics header(boldGrid);
    const QFontMetrics cells(gridFont);
    int total = 0;
    for (int c = 0; c < kColumnCount; ++c) {
        const int designed = (c == 0 ? 500 : c == 1 ? 1250 : c == 2 ? 900 : 645) / twip;
        // Values as the analyser gives them ("250", "12.5", "0.21") read whole.
        const QString heading = model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        const int needed = std::max(header.horizontalAdvance(heading),
                                    cells.horizontalAdvance(QLatin1String(c == 2 ? "00/00/0000" : "000.00"))) +
                           8;
        MSFlexGrid1->setColumnWidth(c, std::max(designed, needed));
        total += std::max(designed, needed);
    }
    // Every column in sight, with room for the vertical scroll bar.
    MSFlexGrid1->setMinimumWidth(total + 2 * MSFlexGrid1->frameWidth() +
                                 MSFlexGrid1->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4);
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(cells.height() + 6);
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
            for (int p = 0; p < kQcParameterCount; ++p)
                lot.high[p] = qcParameters()[p].parameter == ResultParameter::PLT ? 999 : 99;
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
        lines[p] = {QLatin1String(qcParameters()[p].printed), meanLabel(p)->text(), deviationLabel(p)->text(),
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
