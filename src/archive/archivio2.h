#pragma once
// The archive manager: browses an archive file by year, month, day and
// result, copies, moves or deletes the selection, lists the daily database
// with single deletes, and keeps the automatic back-up targets.
#include <array>

#include "archive/archivebrowse.h"
#include "platform/database.h"
#include "platform/errors.h"
#include "platform/forms.h"
#include "ui_archivio2.h"

namespace zv {

class RecordsetTableModel;

// Hands one result to the viewer as a read-only search. A result of another
// archive file than the program's archive is looked up in that file, never in
// the archive row that happens to share its ID1.
void showResultInViewer(const QString& database, int64_t id1);

class Archivio2 : public Form, public Ui::Archivio2 {
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

    RecordsetTableModel* recordsModel() const { return records_; }
    RecordsetTableModel* dailyModel() const { return daily_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectControls();
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
    void chooseBackupTarget(int row);
    QString backupFailureReason(const AppError& e) const;
    void openFolder(const QString& relative);

    // A level's failure: logged under the window's name, then its message.
    void levelFailed(const AppError& e, const QString& text);
    void clearRecords();

    std::array<QString, 10> txt_msg;    // msg1 .. msg9
    std::array<QString, 7> txt_common;  // common1 .. common6
    std::array<QString, 12> txt_err;    // err1 .. err11
    // What each file dialog returned last: a cancel offers it again.
    QString lastSource_, lastDestination_;

    // The lists of results are live views: each keeps its own connection.
    Connection cnarch;   // the source file, for List5
    Connection cndaily;  // the daily database, for List1
    RecordsetTableModel* records_ = nullptr;
    RecordsetTableModel* daily_ = nullptr;
};

}  // namespace zv
