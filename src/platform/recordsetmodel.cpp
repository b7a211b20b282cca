#include "platform/recordsetmodel.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/conversions.h"
#include "platform/errors.h"

namespace zv {

RecordsetTableModel::RecordsetTableModel(std::vector<RecordsetColumn> columns, QChar decimal, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)), decimal_(decimal) {}

RecordsetTableModel::~RecordsetTableModel() = default;

int RecordsetTableModel::totalRows() const {
    if (!rs_.isOpen())
        return 0;
    // A view counts its rows in int.
    return static_cast<int>(std::min<int64_t>(rs_.recordCount(), std::numeric_limits<int>::max()));
}

void RecordsetTableModel::restart() {
    fetched_ = std::min(batch_, totalRows());
    failureReported_ = false;
}

void RecordsetTableModel::setRecordset(Recordset recordset) {
    beginResetModel();
    rs_ = std::move(recordset);
    restart();
    endResetModel();
}

void RecordsetTableModel::reload() {
    if (!rs_.isOpen())
        return;
    beginResetModel();
    try {
        rs_.requery();
    } catch (...) {
        fetched_ = std::min(fetched_, totalRows());
        endResetModel();
        throw;
    }
    restart();
    endResetModel();
}

void RecordsetTableModel::setBatchSize(int rows) { batch_ = std::max(1, rows); }

int64_t RecordsetTableModel::key(int row) const { return recordAt(row).currentKey(); }

const Recordset& RecordsetTableModel::recordAt(int row) const {
    if (row < 0 || row >= fetched_)
        throw AppError(err::InvalidCall,
                       QStringLiteral("Row %1 is not in the list of %2 rows.").arg(row).arg(fetched_));
    rs_.setAbsolutePosition(row + 1);
    return rs_;
}

int RecordsetTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : fetched_; }

int RecordsetTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QString RecordsetTableModel::shown(const QVariant& value) const {
    if (value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: return numberText(value.toDouble(), decimal_.isNull() ? regionalDecimal() : decimal_);
    case QMetaType::QByteArray: return QString::fromUtf8(value.toByteArray());
    default: return value.toString();
    }
}

QVariant RecordsetTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= fetched_ ||
        index.column() >= static_cast<int>(columns_.size()))
        return {};
    try {
        rs_.setAbsolutePosition(index.row() + 1);
        return shown(rs_.field(columns_[static_cast<std::size_t>(index.column())].field));
    } catch (...) {
        // Painting goes on with an empty cell; nothing may cross the event loop.
        if (!failureReported_) {
            failureReported_ = true;
            const CaughtError e = describeCurrentException();
            reportToSink(e.number, e.description, objectName());
        }
        return {};
    }
}

QVariant RecordsetTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < static_cast<int>(columns_.size()))
        return columns_[static_cast<std::size_t>(section)].header;
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool RecordsetTableModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && fetched_ < totalRows();
}

void RecordsetTableModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid())
        return;
    const int more = std::min(batch_, totalRows() - fetched_);
    if (more <= 0)
        return;
    beginInsertRows(QModelIndex(), fetched_, fetched_ + more - 1);
    fetched_ += more;
    endInsertRows();
}

}  // namespace zv
