#pragma once
// The worksheet list: the day's results as a table, one row per result, and
// its print as a landscape worksheet.
#include <QPushButton>
#include <QTableView>

#include <memory>

#include "platform/forms.h"
#include "platform/recordsetmodel.h"
#include "ui_anagrafiche.h"

namespace zv {

class Printer;

// The list's rows over the result set: the row number, the patient items and
// the values divided as the analyser model stores them.
class WorksheetModel : public RecordsetTableModel {
    Q_OBJECT
public:
    // Divisors by port.ini's analyser model: CD3000 stores tenths and red
    // cells in hundredths; an unknown model gives none, and its values stay empty.
    struct Divisors {
        double value = 0;
        double redCells = 0;
    };
    static Divisors divisorsFor(const QString& instrument);

    // Values are shown with `decimal` (a null mark: the regional one).
    WorksheetModel(Divisors divisors, QChar decimal, QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The text of a cell as the list shows it ("" for a cell that cannot be made).
    QString cellText(int row, int column) const;

private:
    Divisors divisors_;
    QChar decimal_;
};

class anagrafiche : public Form, public Ui::anagrafiche {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"anagrafiche"};

    anagrafiche();
    ~anagrafiche() override;
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

    const WorksheetModel& model() const { return *model_; }

private:
    // Prints the list, then closes the window.
    void Command1_Click();
    void printList(Printer& printer);
    void closeEmpty();
    void fitColumns();

    std::unique_ptr<WorksheetModel> model_;
    QString msg1_;
};

}  // namespace zv
