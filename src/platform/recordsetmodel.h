#pragma once
// A list of records for table views and combo boxes: the rows of a keyed
// recordset, handed to the view a batch at a time, each row read only when
// the view asks for it, so the first screen of a long archive comes at once.
#include <QAbstractTableModel>
#include <QChar>
#include <QString>

#include <cstdint>
#include <vector>

#include "platform/database.h"

namespace zv {

struct RecordsetColumn {
    QString field;
    QString header;
};

class RecordsetTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kDefaultBatch = 256;

    // A null mark means the regional one, taken when a number is shown.
    explicit RecordsetTableModel(std::vector<RecordsetColumn> columns, QChar decimal = QChar(),
                                 QObject* parent = nullptr);
    ~RecordsetTableModel() override;

    // Takes over the recordset (the model moves its position at will) and
    // shows its first batch. A closed recordset shows no rows.
    void setRecordset(Recordset recordset);
    // Reads the source again and starts over from its first batch. On failure
    // the rows read before stay and the error is thrown.
    void reload();

    void setBatchSize(int rows);
    int batchSize() const { return batch_; }
    // Rows in the source, fetched or not.
    int totalRows() const;

    // The key of the record shown in `row` (ID1 / rowid), and the recordset
    // positioned on it to read its other fields. A row outside those fetched
    // fails with err::InvalidCall.
    int64_t key(int row) const;
    const Recordset& recordAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    QString shown(const QVariant& value) const;
    void restart();

    std::vector<RecordsetColumn> columns_;
    QChar decimal_;
    mutable Recordset rs_;
    int batch_ = kDefaultBatch;
    int fetched_ = 0;
    // A read that fails fails for every cell of the screen: logged once per reset.
    mutable bool failureReported_ = false;
};

}  // namespace zv
