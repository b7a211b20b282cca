#pragma once
// The error-log viewer: the error log of one day, picked in a month calendar.
// It only reads the log.
#include <QCalendarWidget>
#include <QPlainTextEdit>
#include <QString>

#include "platform/forms.h"
#include "ui_errlogmod.h"

namespace zv {

class errlogmod : public Form, public Ui::errlogmod {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"errlogmod"};

    errlogmod();
    void Form_Load() override;

    // Shows the error log of the chosen day in Text1, or the fixed notice when
    // that day has no log that can be read.
    void vislog();
    // The chosen day as the error log names its files: "dd.mm.yy".
    const QString& chosenDay() const { return giorno_; }

private:
    void MonthView1_DateClick(const QDate& day);

    QString giorno_;
};

}  // namespace zv
