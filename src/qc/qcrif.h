#pragma once
// The QC lot editor: one lot of the table `qc` at a time, in number order,
// shown and typed as a target and a range per parameter; new lots, saving,
// deleting by name and filling a new lot from a control-assay file.
#include <array>
#include <cstdint>

#include "platform/binder.h"
#include "platform/database.h"
#include "platform/forms.h"
#include "qc/qclot.h"
#include "ui_qcrif.h"

namespace zv {

class qcrif : public Form, public Ui::qcrif {
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

    // The target and range boxes of each parameter, in qcParameters() order.
    QLineEdit* targetBox(int parameter) const;
    QLineEdit* rangeBox(int parameter) const;

private:
    void wireWindow();
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
    // Refuses the first box that holds no number, named and marked; false when every box holds one.
    bool refuseUnreadableBox();

    Recordset rs_;
    FieldBinder binder_;
    int64_t numlotti_ = 0;
    QChar decimal_;
    QString chosenFile_;
    QString txt6_, msg1_, msg2_, msg3_, msg4_, msg5_, msg6_, msg7_, msg8_;
};

}  // namespace zv
