#pragma once
// The settings dialog: the serial line to the analyser, the analyser model,
// the block-log switch, the decimal separator and the date format. It writes
// port.ini and general.ini on OK and nothing else; every reader picks the new
// values up at its own next run.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QString>

#include "platform/forms.h"
#include "ui_setting.h"

namespace zv {

// The form's controls: the analyser line and model (Combo1 to Combo6, Check2,
// Check1), the work-list line (Combo7 to Combo11: shown, never saved), the
// decimal separator (Combo12) and the date formats (Option1 to Option6).
class setting : public Form, public Ui::setting {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"setting"};

    setting();
    void Form_Load() override;

    // The date format picked with the option buttons; OK writes it to
    // general.ini [date] format.
    QString formatdata;

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    QPoint screenCorner() const;
    void loadCaptions();

    void Command1_Click();
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void Option5_Click();
    void Option6_Click();

    QString msg1_;
    // Shown, waiting for the window manager's frame to place it.
    bool placeFrame_ = false;
};

}  // namespace zv
