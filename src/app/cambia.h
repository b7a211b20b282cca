#pragma once
// The work-date dialogs. `cambia` sets the day results are stamped with and
// switches the lists between the daily database (today) and the archive
// (any other day). `Cambia2` shows the same calendar; a pick only closes it.
#include <QCalendarWidget>
#include <QDate>
#include <QLabel>
#include <QString>

#include "platform/forms.h"
#include "ui_cambia.h"

namespace zv {

// A day as the work date: in the session's date format when that is one of
// the six the settings offer (letter case aside), else in the start form
// "dd/mm/yy", so that no result is ever stamped with an empty or unreadable date.
QString workDateText(const QDate& day, const QString& formato);

class cambia : public Form, public Ui::cambia {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"cambia"};

    cambia();
    void Form_Load() override;

private:
    void MonthView1_DateClick(const QDate& day);
};

// The same form as the work-date dialog.
class Cambia2 : public Form, public Ui::cambia {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"Cambia2"};

    Cambia2();
    void Form_Load() override;

private:
    void MonthView1_DateClick(const QDate& day);
};

}  // namespace zv
