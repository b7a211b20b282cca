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

namespace zv {

class setting : public Form {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"setting"};

    setting();
    void Form_Load() override;

    // The date format picked with the option buttons; OK writes it to
    // general.ini [date] format.
    QString formatdata;

    // ---- controls -----------------------------------------------------------
    // Analyser line and model.
    QComboBox *Combo1 = nullptr, *Combo2 = nullptr, *Combo3 = nullptr, *Combo4 = nullptr, *Combo5 = nullptr,
              *Combo6 = nullptr;
    QCheckBox *Check1 = nullptr, *Check2 = nullptr;
    // Work-list line: shown, never saved.
    QComboBox *Combo7 = nullptr, *Combo8 = nullptr, *Combo9 = nullptr, *Combo10 = nullptr, *Combo11 = nullptr;
    // Decimal separator.
    QComboBox* Combo12 = nullptr;
    // Date formats.
    QRadioButton *Option1 = nullptr, *Option2 = nullptr, *Option3 = nullptr, *Option4 = nullptr, *Option5 = nullptr,
                 *Option6 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
           *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr, *Label9 = nullptr, *Label10 = nullptr,
           *Label11 = nullptr, *Label12 = nullptr, *Label13 = nullptr, *Label14 = nullptr, *Label15 = nullptr,
           *Label16 = nullptr, *Label17 = nullptr, *Label18 = nullptr, *Label19 = nullptr, *Label20 = nullptr,
           *Label21 = nullptr, *Label22 = nullptr, *Label23 = nullptr, *Label24 = nullptr, *Label25 = nullptr,
           *Label26 = nullptr, *Label27 = nullptr;
    QPushButton* Command1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildWindow();
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
