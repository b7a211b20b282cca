#pragma once
// The archive manager: browses an archive file by year, month, day and
// result, copies, moves or deletes the selection, lists the daily database
// with single deletes, and keeps the automatic back-up targets.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>

#include <array>

#include "archive/archivebrowse.h"
#include "platform/database.h"
#include "platform/errors.h"
#include "platform/forms.h"

namespace zv {

class RecordsetTableModel;

// Hands one result to the viewer as a read-only search. A result of another
// archive file than the program's archive is looked up in that file, never in
// the archive row that happens to share its ID1.
void showResultInViewer(const QString& database, int64_t id1);

class Archivio2 : public Form {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"Archivio2"};

    Archivio2();
    ~Archivio2() override;
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

    // Sets `criterio` from the deepest list with a selected line (records,
    // days, months, years); with none it shows msg6 and leaves it empty.
    void identifica();

    // Window state.
    QString dbsorgente;
    QString dbdestinazione;
    QStringList chiavianni, chiavimesi, chiavigiorni;  // the key of each line of List2, List3, List4
    Selection criterio;                                // empty `where` when nothing is selected

    QTabWidget* SSTab1 = nullptr;
    // Tab 0: the browser and the transfer.
    QLabel *Label18 = nullptr, *Label19 = nullptr, *Label20 = nullptr, *Label28 = nullptr, *Label29 = nullptr;
    QListWidget *List2 = nullptr, *List3 = nullptr, *List4 = nullptr;
    QTableView* List5 = nullptr;
    QPushButton* Command8 = nullptr;
    QLabel *Label27 = nullptr, *Label30 = nullptr, *Label21 = nullptr, *Label22 = nullptr, *Label23 = nullptr,
           *Label24 = nullptr, *Label25 = nullptr, *Label26 = nullptr;
    QLabel *Label7 = nullptr, *Label9 = nullptr, *Label8 = nullptr, *Label10 = nullptr;
    QPushButton *Command4 = nullptr, *Command5 = nullptr, *Command1 = nullptr;
    QRadioButton *Option1 = nullptr, *Option2 = nullptr, *Option3 = nullptr;
    // Tab 1: the daily database.
    QPushButton *Command6 = nullptr, *Command7 = nullptr;
    QTableView* List1 = nullptr;
    // Tab 2: folders and back-up targets.
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label5 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
           *Label6 = nullptr, *Label11 = nullptr, *Label12 = nullptr, *Label13 = nullptr, *Label14 = nullptr,
           *Label15 = nullptr, *Label17 = nullptr, *Label31 = nullptr, *Label33 = nullptr, *Label32 = nullptr,
           *Label34 = nullptr, *Label35 = nullptr, *Label36 = nullptr, *Label37 = nullptr;
    QPushButton *Command9 = nullptr, *Command10 = nullptr, *Command2 = nullptr, *Command3 = nullptr,
                *Command11 = nullptr;

    RecordsetTableModel* recordsModel() const { return records_; }
    RecordsetTableModel* dailyModel() const { return daily_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTab0(QWidget* tab);
    void buildTab1(QWidget* tab);
    void buildTab2(QWidget* tab);
    void loadTexts();
    void showFolderStatistics();

    void Command8_Click();
    void List2_DblClick();
    void List3_DblClick();
    void List4_DblClick();
    void List5_DblClick();
    void Command1_Click();
    void Command4_Click();
    void Command5_Click();
    void Option_Click();
    void Command6_Click();
    void Command7_Click();
    void backupTarget(int row);
    void openFolder(const QString& relative);

    // A level's failure: logged under the window's name, then its message.
    void levelFailed(const AppError& e, const QString& text);
    void clearRecords();

    std::array<QString, 10> txt_msg;    // msg1 .. msg9
    std::array<QString, 7> txt_common;  // common1 .. common6
    std::array<QString, 8> txt_err;     // err1 .. err7
    // What each file dialog returned last: a cancel offers it again.
    QString lastSource_, lastDestination_;

    // The lists of results are live views: each keeps its own connection.
    Connection cnarch;   // the source file, for List5
    Connection cndaily;  // the daily database, for List1
    RecordsetTableModel* records_ = nullptr;
    RecordsetTableModel* daily_ = nullptr;
};

}  // namespace zv
