#include "viewer/anagrafiche.h"

#include <QHeaderView>
#include <QLocale>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "core/captions.h"
#include "core/config.h"
#include "core/notifier.h"
#include "core/programfiles.h"
#include "core/session.h"
#include "model/resultselection.h"
#include "platform/busy.h"
#include "platform/clock.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/printer.h"
#include "platform/prompts.h"
#include "platform/widgets.h"

namespace zv {

namespace {

const QString kSection = QStringLiteral("anagrafiche");

enum class Divide { None, RowNumber, Value, RedCells, One };

struct Column {
    const char* field;
    const char* header;
    int width;  // twips
    Divide divide;
};

// Column 0 is the row number; the field named there only gives the model a column.
constexpr Column kColumns[] = {
    {"ID1", "N.", 500, Divide::RowNumber},    {"SpecId", "Id.", 2200, Divide::None},
    {"SpecName", "Nome", 1200, Divide::None}, {"wbc", "WBC", 550, Divide::Value},
    {"rbc", "RBC", 550, Divide::RedCells},    {"hgb", "HGB", 550, Divide::Value},
    {"mcv", "MCV", 550, Divide::Value},       {"hct", "HCT", 550, Divide::Value},
    {"mch", "MCH", 550, Divide::Value},       {"mchc", "MCHC", 550, Divide::Value},
    {"rdw", "RDW", 550, Divide::Value},       {"plt", "PLT", 550, Divide::One},
    {"mpv", "MPV", 550, Divide::Value},       {"neu%", "%Neu", 550, Divide::Value},
    {"lym%", "%Lym", 550, Divide::Value},     {"mono%", "%Mono", 550, Divide::Value},
    {"eos%", "%Eos", 550, Divide::Value},     {"baso%", "%Baso", 550, Divide::Value},
    {"bandati", "%Band", 600, Divide::Value},
};

std::vector<RecordsetColumn> recordsetColumns() {
    std::vector<RecordsetColumn> columns;
    for (const Column& c : kColumns)
        columns.push_back({QLatin1String(c.field), QLatin1String(c.header)});
    return columns;
}

// Room for the last column's heading at the page's right edge (twips).
constexpr double kLastColumn = 900;

// The printed x of grid column c (twips). The value columns are 800 twips
// apart, closer when the last of them would not fit on the page.
double columnX(int c, double pageWidth) {
    if (c == 1)
        return 500;
    if (c == 2)
        return 2000;
    if (c == 3)
        return 4500;
    const double step = std::min(800.0, (pageWidth - kLastColumn - 2900) / 17);
    return 2900 + step * (c - 1);
}

// The headings' size: 11 pt, or less, in half points, when the widest of them
// for its column would reach the next heading (a narrow page draws the columns
// closer than the headings' width). Two blanks stay between any two of them.
double headingSize(Printer& p, int columns) {
    constexpr double kFull = 11;
    p.FontSize = kFull;
    const double gap = p.textWidth(QStringLiteral("  "));
    const double page = p.scaleWidth();
    double scale = 1;
    for (int c = 1; c < columns; ++c) {
        const double next = c + 1 < columns ? columnX(c + 1, page) : columnX(c, page) + kLastColumn;
        const double room = next - columnX(c, page) - gap;
        const double width = p.textWidth(QLatin1String(kColumns[c].header));
        if (width > room)
            scale = std::min(scale, room / width);
    }
    return std::floor(kFull * scale * 2) / 2;
}

}  // namespace

WorksheetModel::Divisors WorksheetModel::divisorsFor(const QString& instrument) {
    if (instrument == QLatin1String("CD3000"))
        return {10, 100};
    if (instrument == QLatin1String("CD3200") || instrument == QLatin1String("CD3500") ||
        instrument == QLatin1String("CD3700"))
        return {1, 1};
    return {};
}

WorksheetModel::WorksheetModel(Divisors divisors, QChar decimal, QObject* parent)
    : RecordsetTableModel(recordsetColumns(), decimal, parent), divisors_(divisors), decimal_(decimal) {}

QString WorksheetModel::cellText(int row, int column) const {
    const Column& c = kColumns[column];
    if (c.divide == Divide::RowNumber)
        return QString::number(row + 1);
    if (c.divide == Divide::None)
        return RecordsetTableModel::data(index(row, column)).toString();
    const double divisor =
        c.divide == Divide::One ? 1 : (c.divide == Divide::RedCells ? divisors_.redCells : divisors_.value);
    if (divisor == 0)
        return QString();
    // A cell that cannot be made (an empty value) stays empty; the row goes on.
    QString text;
    ignoring([&] {
        const QVariant v = recordAt(row).field(QLatin1String(c.field));
        if (!v.isNull())
            text = numberText(v.toDouble() / divisor, decimal_.isNull() ? regionalDecimal() : decimal_);
    });
    return text;
}

QVariant WorksheetModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::TextAlignmentRole && index.column() >= 3)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    // A name cut short by its column reads whole in the tip.
    const bool tip = role == Qt::ToolTipRole && (index.column() == 1 || index.column() == 2);
    if ((role != Qt::DisplayRole && !tip) || !index.isValid() || index.row() >= rowCount() ||
        index.column() >= columnCount())
        return {};
    return cellText(index.row(), index.column());
}

anagrafiche::anagrafiche() : Form(QString(kName)) {
    // As wide as a 1024-pixel screen allows, so that every column shows.
    setupUi(this);
    connect(Command1, &QPushButton::clicked, this, [this] { guard([this] { Command1_Click(); }); });
}

anagrafiche::~anagrafiche() = default;

void anagrafiche::Form_Load() {
    Session& s = Session::get();
    emit notifier().windowOpened(formName(), true);
    msg1_ = caption(s.linguax, kSection, QStringLiteral("msg1"));
    applyCaptions(this, s.linguax, kSection, {{"", "titolo"}, {"Command1", "cmd1"}});
    const QString instrument = leggiini(QStringLiteral("general"), QStringLiteral("instrument"), file::portIni, 15);
    model_ = std::make_unique<WorksheetModel>(WorksheetModel::divisorsFor(instrument), configuredDecimalMark());
    model_->setObjectName(formName());
    MSFlexGrid1->setModel(model_.get());

    setBusy(true);
    try {
        Recordset rs;
        // The archive day is the work date, as the viewer shows it.
        if (s.dbtotal) {
            const Selection day = daySelection(s.workDate());
            rs.open(s.cntot, selectionQuery(day), day.params);
        } else {
            rs.open(s.cn, QStringLiteral("select * from datiQgrafici order by ID1"));
        }
        model_->setRecordset(std::move(rs));
    } catch (...) {
        const CaughtError e = describeCurrentException();
        setBusy(false);
        msgBox(msg1_, MsgButtons::OK, MsgIcon::Information, appTitle());
        logerrore(e.number, e.description, formName());
        Forms::unload(formName());
        return;
    }
    setBusy(false);
    if (model_->totalRows() < 1) {
        closeEmpty();
        return;
    }
    fitColumns();
}

void anagrafiche::fitColumns() {
    // Every cell reads whole and every column shows without scrolling
    // sideways: each column as wide as its heading and the rows fetched so
    // far; the name takes what is left over, or gives up what is missing (a
    // name cut short reads whole in its tip), then the sample id.
    QTableView* grid = MSFlexGrid1;
    const QFontMetrics header(grid->horizontalHeader()->font());
    const QFontMetrics cells(grid->font());
    const QSize inside = grid->maximumViewportSize();
    int room = inside.width();
    // A list longer than the window has its scroll bar beside the rows.
    const int rowsHeight = grid->horizontalHeader()->sizeHint().height() +
                           model_->totalRows() * grid->verticalHeader()->defaultSectionSize();
    if (rowsHeight > inside.height())
        room -= grid->verticalScrollBar()->sizeHint().width();
    const int rows = std::min(model_->rowCount(), 500);
    int total = 0;
    std::vector<int> headings;
    for (int c = 0; c < model_->columnCount(); ++c) {
        const int heading = header.horizontalAdvance(QLatin1String(kColumns[c].header)) + 12;
        int width = heading;
        for (int r = 0; r < rows; ++r)
            width = std::max(width, cells.horizontalAdvance(model_->cellText(r, c)) + 10);
        grid->setColumnWidth(c, width);
        headings.push_back(heading);
        // The header keeps no column narrower than its least section size.
        total += grid->columnWidth(c);
    }
    for (int c : {2, 1}) {
        const int width = grid->columnWidth(c);
        const int wanted =
            total < room ? width + room - total : std::max(width + room - total, headings[std::size_t(c)]);
        grid->setColumnWidth(c, wanted);
        total += grid->columnWidth(c) - width;
        if (total <= room)
            break;
    }
}

void anagrafiche::closeEmpty() {
    msgBox(msg1_, MsgButtons::OK, MsgIcon::Information, appTitle());
    Forms::unload(formName());
}

void anagrafiche::Form_Unload(bool&) {
    MSFlexGrid1->setModel(nullptr);
    model_.reset();
    emit notifier().windowOpened(formName(), false);
}

void anagrafiche::Command1_Click() {
    const std::unique_ptr<Printer> printer = Printer::to(Session::get().nextPrintDestination());
    try {
        printList(*printer);
        printer->endDoc();
    } catch (...) {
        // Half a list is not printed; the window stays for another try.
        printer->killDoc();
        const CaughtError e = describeCurrentException();
        logerrore(e.number, e.description, formName());
        return;
    }
    Forms::unload(formName());
}

void anagrafiche::printList(Printer& p) {
    // Every row, also those the grid has not fetched yet.
    while (model_->canFetchMore(QModelIndex()))
        model_->fetchMore(QModelIndex());
    const int columns = model_->columnCount();
    p.orientation = Printer::Orientation::Landscape;
    p.CurrentY = 1000;
    p.CurrentX = 7500;
    p.FontSize = 20;
    p.print(QLocale().toString(clock::today(), QLocale::ShortFormat));

    const double headings = headingSize(p, columns);
    auto header = [&](double y) {
        p.CurrentY = y;
        p.FontSize = headings;
        for (int c = 1; c < columns; ++c) {
            p.CurrentX = columnX(c, p.scaleWidth());
            p.print(model_->headerData(c, Qt::Horizontal).toString());
        }
        p.FontSize = 10;
        p.printLine();
    };
    header(2000);
    for (int r = 0; r < model_->rowCount(); ++r) {
        p.printLine();
        // A list longer than the page goes on on the next, under its header.
        if (p.CurrentY + 2 * p.textHeight() > p.scaleHeight()) {
            p.newPage();
            header(1000);
            p.printLine();
        }
        for (int c = 1; c < columns; ++c) {
            p.CurrentX = columnX(c, p.scaleWidth());
            p.print(model_->cellText(r, c));
        }
    }
}

}  // namespace zv
