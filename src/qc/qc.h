#pragma once
// The QC statistics window: the runs of one control lot found in the archive
// by sample identifier or patient name, each value outside the lot's limits
// coloured, the mean, standard deviation, target and range per parameter,
// the print of all that, and the deletion of a bad run.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

class QAbstractItemModel;

#include <array>
#include <cstdint>

#include "platform/forms.h"
#include "qc/qclot.h"

namespace zv {

class QcRunModel;

class qc : public Form {
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

    // ---- controls -----------------------------------------------------------
    QLineEdit* Text1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr;
    QRadioButton *Option1 = nullptr, *Option2 = nullptr, *Option3 = nullptr;
    QTableView* MSFlexGrid1 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
           *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr, *Label9 = nullptr, *Label10 = nullptr,
           *Label11 = nullptr, *Label12 = nullptr, *Label13 = nullptr, *Label14 = nullptr, *Label15 = nullptr,
           *Label16 = nullptr, *Label17 = nullptr, *Label18 = nullptr, *Label19 = nullptr, *Label20 = nullptr,
           *Label21 = nullptr, *Label22 = nullptr, *Label23 = nullptr, *Label24 = nullptr, *Label25 = nullptr,
           *Label26 = nullptr, *Label27 = nullptr, *Label28 = nullptr, *Label29 = nullptr, *Label30 = nullptr,
           *Label31 = nullptr, *Label32 = nullptr, *Label33 = nullptr, *Label34 = nullptr, *Label35 = nullptr,
           *Label36 = nullptr, *Label37 = nullptr, *Label38 = nullptr, *Label39 = nullptr, *Label40 = nullptr,
           *Label41 = nullptr, *Label42 = nullptr, *Label43 = nullptr, *Label44 = nullptr, *Label45 = nullptr,
           *Label46 = nullptr, *Label47 = nullptr, *Label48 = nullptr, *Label49 = nullptr, *Label50 = nullptr,
           *Label51 = nullptr, *Label52 = nullptr, *Label53 = nullptr, *Label54 = nullptr, *Label55 = nullptr,
           *Label56 = nullptr, *Label57 = nullptr, *Label58 = nullptr, *Label59 = nullptr, *Label60 = nullptr,
           *Label61 = nullptr, *Label62 = nullptr, *Label63 = nullptr, *Label64 = nullptr, *Label65 = nullptr,
           *Label66 = nullptr, *Label67 = nullptr, *Label68 = nullptr, *Label69 = nullptr, *Label70 = nullptr,
           *Label71 = nullptr, *Label72 = nullptr, *Label73 = nullptr, *Label74 = nullptr, *Label75 = nullptr,
           *Label76 = nullptr, *Label77 = nullptr, *Label78 = nullptr, *Label79 = nullptr, *Label80 = nullptr,
           *Label81 = nullptr;

private:
    void buildWindow();
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
