#pragma once
// The QC statistics window: the runs of one control lot found in the archive
// by sample identifier or patient name, each value outside the lot's limits
// coloured, the mean, standard deviation, target and range per parameter,
// the print of all that, and the deletion of a bad run.
#include <array>
#include <cstdint>

#include "platform/forms.h"
#include "qc/qclot.h"
#include "ui_qc.h"

class QAbstractItemModel;

namespace zv {

class QcRunModel;

class qc : public Form, public Ui::qc {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"qc"};
    qc();
    ~qc() override;

    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

    // Lists the runs of the lot named in Text1 and works out their statistics.
    // Failures are logged and shown; what a failed call leaves on screen
    // belongs to no other lot.
    void qcStatistics();

    // "specid" or "specname": the field the lot name is sought in.
    const QString& camporicerca() const { return camporicerca_; }
    bool deleteMode() const { return Option3->isChecked(); }
    // The grid's rows: one per run, 18 columns; text colours mark values out of range.
    QAbstractItemModel* runs() const;

    // The labels of one parameter (qcParameters() order).
    QLabel* meanLabel(int parameter) const;
    QLabel* deviationLabel(int parameter) const;
    QLabel* targetLabel(int parameter) const;
    QLabel* rangeLabel(int parameter) const;

private:
    void wireWindow();
    void sizeGrid();
    void Command1_Click();
    void Command2_Click();
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void MSFlexGrid1_DblClick(int row);
    void clearStatistics();

    QcRunModel* model_ = nullptr;
    QString camporicerca_ = QStringLiteral("specid");
    QChar decimal_;
    QString msg1_, msg2_, msg3_, msg4_, msg5_, alert_, stringa1_;
};

}  // namespace zv
