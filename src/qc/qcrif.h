#pragma once
// The QC lot editor: one lot of the table `qc` at a time, in number order,
// shown and typed as a target and a range per parameter; new lots, saving,
// deleting by name and filling a new lot from a control-assay file.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <cstdint>

#include "platform/binder.h"
#include "platform/database.h"
#include "platform/forms.h"
#include "qc/qclot.h"

namespace zv {

class qcrif : public Form {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"qcrif"};
    qcrif();

    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

    // Shows the current lot; without one (an empty table) the boxes are emptied.
    void popola();
    // Begins a new lot; nothing reaches the table until it is saved.
    void nuovo();

    // The lot counter: the lots counted at the last display, plus one per new lot since.
    int64_t numlotti() const { return numlotti_; }
    const Recordset& lots() const { return rs_; }
    // The last assay file chosen.
    const QString& chosenFile() const { return chosenFile_; }

    // ---- controls -----------------------------------------------------------
    QLineEdit* Text6 = nullptr;  // lot name
    QLabel *Label4 = nullptr, *Label7 = nullptr, *Label6 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label5 = nullptr;
    // Parameter captions (read-only boxes).
    QLineEdit *Text3 = nullptr, *Text7 = nullptr, *Text18 = nullptr, *Text19 = nullptr, *Text20 = nullptr,
              *Text21 = nullptr, *Text22 = nullptr, *Text23 = nullptr, *Text43 = nullptr, *Text44 = nullptr,
              *Text28 = nullptr, *Text29 = nullptr, *Text30 = nullptr, *Text31 = nullptr, *Text32 = nullptr;
    // Targets and ranges.
    QLineEdit *Text4 = nullptr, *Text5 = nullptr, *Text8 = nullptr, *Text9 = nullptr, *Text10 = nullptr,
              *Text11 = nullptr, *Text12 = nullptr, *Text13 = nullptr, *Text14 = nullptr, *Text15 = nullptr,
              *Text16 = nullptr, *Text17 = nullptr, *Text24 = nullptr, *Text25 = nullptr, *Text26 = nullptr,
              *Text27 = nullptr, *Text45 = nullptr, *Text46 = nullptr, *Text47 = nullptr, *Text48 = nullptr,
              *Text33 = nullptr, *Text34 = nullptr, *Text35 = nullptr, *Text36 = nullptr, *Text37 = nullptr,
              *Text38 = nullptr, *Text39 = nullptr, *Text40 = nullptr, *Text41 = nullptr, *Text42 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr, *Command5 = nullptr,
                *Command6 = nullptr, *Command7 = nullptr, *Command8 = nullptr, *Command9 = nullptr;

    // The target and range boxes of each parameter, in qcParameters() order.
    QLineEdit* targetBox(int parameter) const { return targets_[parameter]; }
    QLineEdit* rangeBox(int parameter) const { return ranges_[parameter]; }

private:
    void buildWindow();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void fail(const QString& message);

    Recordset rs_;
    FieldBinder binder_;
    int64_t numlotti_ = 0;
    QChar decimal_;
    QString chosenFile_;
    QString txt6_, msg1_, msg2_, msg3_, msg4_, msg5_, msg6_, msg7_;
    std::array<QLineEdit*, kQcParameterCount> targets_{};
    std::array<QLineEdit*, kQcParameterCount> ranges_{};
};

}  // namespace zv
