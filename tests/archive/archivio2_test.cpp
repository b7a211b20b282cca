#include <QFile>
#include <QTest>

#include <sys/stat.h>

#include "archive/archive_records.h"
#include "archive/archivio2.h"
#include "core/config.h"
#include "core/language.h"
#include "core/notifier.h"
#include "core/programfiles.h"
#include "core/session.h"
#include "model/resultstore.h"
#include "platform/forms.h"
#include "platform/recordsetmodel.h"
#include "support/results.h"
#include "support/window_fixture.h"
#include "viewer/leggi.h"

namespace zv {
namespace {

class ArchiveWindow : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        scriviini("separatore", "decimale", ",", "general.ini");
        scriviini("database", "last", "08/12/26", "general.ini");
        Forms::load("frmSplash");
        ASSERT_NE(Session::current(), nullptr);
        QObject::connect(&notifier(), &Notifier::windowOpened, &log, [this](const QString& name, bool open) {
            opened.push_back({name, open});
        });
    }
    Session& s() { return Session::get(); }
    Archivio2* open() {
        Forms::show("Archivio2");
        return Forms::get<Archivio2>();
    }
    QString text(const char* key) { return languageText(s().linguax, "archivio2", key); }
    QString logText() { return QString::fromUtf8(fileBytes(path("log/08.12.26.log"))); }
    // One message box, with its text and title.
    void expectMessage(const char* key, const QString& title) {
        const auto messages = prompts_->takeMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, text(key));
        EXPECT_FALSE(messages[0].text.isEmpty()) << key;
        EXPECT_EQ(messages[0].title, title);
    }
    static void pick(QListWidget* list, int row) {
        list->setCurrentRow(row);
        emit list->itemDoubleClicked(list->item(row));
    }
    static QStringList lines(QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    static QStringList rowsOf(QTableView* view) {
        QStringList out;
        auto* model = view->model();
        for (int r = 0; r < model->rowCount(); ++r)
            out << model->index(r, 0).data().toString() + "|" + model->index(r, 1).data().toString();
        return out;
    }
    // Browses down to the day `dayRow` of the month `monthRow` of the first year.
    void browseTo(Archivio2* w, int monthRow, int dayRow) {
        w->Command8->click();
        pick(w->List2, 0);
        pick(w->List3, monthRow);
        pick(w->List4, dayRow);
    }
    // Three results in March and two in July 2026, in the archive.
    void fillArchive() {
        march = {test::archive(s().cntot, "01/03/26", "A-1", "Rossi Mario"),
                 test::archive(s().cntot, "15/03/26", "A-2", "D'Amico Anna"),
                 test::archive(s().cntot, "15/03/26", "A-3")};
        test::archive(s().cntot, "02/07/26", "L-1");
        test::archive(s().cntot, "02/07/26", "L-2");
    }

    QObject log;
    std::vector<std::pair<QString, bool>> opened;
    QList<int64_t> march;
};

TEST_F(ArchiveWindow, OpensOnTheArchiveWithCopyChosenAndItsCaptions) {
    scriviini("back-up", "pathautobackup", "/media/usb/zarviumtotale.mdb", "general.ini");
    Archivio2* w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Gestione Archivio");
    EXPECT_EQ(w->SSTab1->tabText(1), "Archivio Giornaliero");
    EXPECT_EQ(w->Command1->text(), "E S E G U I");
    EXPECT_EQ(w->Option1->text(), "Sposta");
    EXPECT_TRUE(w->Option2->isChecked());
    EXPECT_TRUE(w->Command5->isVisibleTo(w) && w->Label8->isVisibleTo(w) && w->Label10->isVisibleTo(w));
    EXPECT_EQ(w->Label9->text(), path(file::archiveDb));
    EXPECT_EQ(w->Label32->text(), "/media/usb/zarviumtotale.mdb");
    EXPECT_EQ(w->Label35->text(), "Default");
    EXPECT_EQ(w->SSTab1->currentIndex(), 0);
    EXPECT_TRUE(w->Label14->text().startsWith("( ")) << w->Label14->text().toStdString();
    w->Option3->setChecked(true);
    EXPECT_FALSE(w->Command5->isVisibleTo(w));
    w->Option1->setChecked(true);
    EXPECT_TRUE(w->Command5->isVisibleTo(w));
    Forms::unload("Archivio2");
    EXPECT_EQ(opened, (std::vector<std::pair<QString, bool>>{{"Archivio2", true}, {"Archivio2", false}}));
}

TEST_F(ArchiveWindow, BrowsesYearsMonthsDaysAndRecordsWithTheirTotals) {
    fillArchive();
    Archivio2* w = open();
    w->Command8->click();
    EXPECT_EQ(lines(w->List2), QStringList{"2026"});  // general.ini starts the archive in 26
    EXPECT_EQ(w->Label30->text(), "5");
    pick(w->List2, 0);
    EXPECT_EQ(lines(w->List3), (QStringList{"Marzo", "Luglio"}));
    EXPECT_EQ(w->Label22->text(), "5");
    pick(w->List3, 0);
    EXPECT_EQ(lines(w->List4), (QStringList{"01", "15"}));
    EXPECT_EQ(w->Label24->text(), "3");
    pick(w->List4, 1);
    EXPECT_EQ(rowsOf(w->List5), (QStringList{"A-2|D'Amico Anna", "A-3|"}));
    EXPECT_EQ(w->Label26->text(), "2");
    // Backspace empties that list alone.
    QTest::keyClick(w->List3, Qt::Key_Backspace);
    EXPECT_EQ(w->List3->count(), 0);
    EXPECT_EQ(w->List4->count(), 2);
    EXPECT_TRUE(prompts_->takeMessages().empty());
    EXPECT_TRUE(logText().isEmpty()) << logText().toStdString();
}

TEST_F(ArchiveWindow, ALevelWithoutASelectionSaysSo) {
    fillArchive();
    Archivio2* w = open();
    w->Command8->click();
    emit w->List2->itemDoubleClicked(nullptr);
    expectMessage("msg7", "Zarvium - Gestione Archivio");
    emit w->List3->itemDoubleClicked(nullptr);
    expectMessage("msg8", "Zarvium");
    w->Command1->click();
    expectMessage("msg6", "Zarvium");
}

TEST_F(ArchiveWindow, AnUnreadableStartYearIsLoggedAndSaid) {
    scriviini("database", "start", "abc", "general.ini");
    Archivio2* w = open();
    w->Command8->click();
    expectMessage("err3", "Zarvium");
    EXPECT_TRUE(logText().contains("Archivio2")) << logText().toStdString();
    // The line says what to mend, and where.
    EXPECT_TRUE(logText().contains("general.ini [database] start = \"abc\"")) << logText().toStdString();
}

TEST_F(ArchiveWindow, ARecordOpensInTheViewerFromItsOwnFile) {
    fillArchive();
    // Another archive file whose first result shares an ID1 with the archive's.
    const QString other = path("storico.mdb");
    ASSERT_TRUE(QFile::copy(path(file::archiveTemplate), other));
    QFile(other).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    {
        Connection cn(other);
        test::archive(cn, "01/03/26", "OTHER-1", "Bianchi");
    }
    Archivio2* w = open();
    browseTo(w, 0, 0);
    w->List5->setCurrentIndex(w->recordsModel()->index(0, 0));
    emit w->List5->doubleClicked(w->List5->currentIndex());
    leggi* v = Forms::get<leggi>();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Text10->text(), "A-1");
    Forms::unload("leggi");

    prompts_->files.push_back(other);
    w->Command4->click();
    EXPECT_EQ(w->dbsorgente, other);
    browseTo(w, 0, 0);
    w->List5->setCurrentIndex(w->recordsModel()->index(0, 0));
    emit w->List5->doubleClicked(w->List5->currentIndex());
    v = Forms::get<leggi>();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Text10->text(), "OTHER-1");  // never the archive's A-1 of the same ID1
    EXPECT_EQ(s().dbricerca, other);
    Forms::unload("leggi");
    Forms::unload("Archivio2");
    EXPECT_TRUE(s().queryricerca.isEmpty());
    EXPECT_TRUE(s().dbricerca.isEmpty());
    EXPECT_TRUE(logText().isEmpty()) << logText().toStdString();
}

TEST_F(ArchiveWindow, MovesCopiesAndDeletesWithTheirMessages) {
    fillArchive();
    Archivio2* w = open();
    const QString target = path("storico2026.mdb");
    // No destination yet: the copy is refused and nothing is made.
    browseTo(w, 0, 1);
    w->Command1->click();
    expectMessage("msg2", "Copia Records");
    prompts_->files.push_back(target);
    w->Command5->click();
    EXPECT_EQ(w->Label10->text(), target);
    // A copy or move adds to the file: the dialog asks nothing of an existing one.
    EXPECT_EQ(prompts_->saveDialogs, std::vector<ExistingFile>{ExistingFile::AddedTo});
    w->Option1->setChecked(true);
    w->Command1->click();  // moves the 15th of March
    expectMessage("msg4", "Spostamento Records");
    {
        Connection dst(target);
        EXPECT_EQ(test::rowCountOf(dst), 2);
    }
    EXPECT_EQ(test::rowCountOf(s().cntot), 3);
    // The lists still show the moved day: a second move finds nothing, changes nothing.
    w->Command1->click();
    expectMessage("msg4", "Spostamento Records");
    EXPECT_EQ(test::rowCountOf(s().cntot), 3);
    // A record chosen in the record list: that record alone.
    w->Option2->setChecked(true);
    browseTo(w, 0, 0);
    w->List5->setCurrentIndex(w->recordsModel()->index(0, 0));
    w->Command1->click();
    expectMessage("msg3", "Copia Records");
    {
        Connection dst(target);
        EXPECT_EQ(test::rowCountOf(dst), 3);
    }
    // Deleting a year asks nothing and removes it.
    w->Option3->setChecked(true);
    w->List5->clearSelection();
    w->List5->setCurrentIndex(QModelIndex());
    w->List4->setCurrentRow(-1);
    w->List3->setCurrentRow(-1);
    w->List2->setCurrentRow(0);
    w->Command1->click();
    expectMessage("msg1", "Eliminazione Records");
    EXPECT_EQ(test::rowCountOf(s().cntot), 0);
    EXPECT_TRUE(logText().isEmpty()) << logText().toStdString();
}

TEST_F(ArchiveWindow, AFailedTransferIsLoggedAndChangesNothing) {
    fillArchive();
    const QString target = path("notadatabase.mdb");
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is not a database, only text");
    }
    Archivio2* w = open();
    browseTo(w, 0, 1);
    prompts_->files.push_back(target);
    w->Command5->click();
    w->Option1->setChecked(true);
    w->Command1->click();
    const auto messages = prompts_->takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith(text("err7")));
    EXPECT_EQ(messages[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(logText().contains("Archivio2")) << logText().toStdString();
    EXPECT_EQ(test::rowCountOf(s().cntot), 5);
    EXPECT_EQ(fileBytes(target), QByteArray("this is not a database, only text"));
}

TEST_F(ArchiveWindow, TheDailyListDeletesTheResultItsLineWasMadeFrom) {
    QList<int64_t> ids;
    for (const char* id : {"D-1", "D-2", "D-3", "D-4", "D-5"})
        ids << test::addTestResult(s().cn, id, "Nome");
    Archivio2* w = open();
    w->Command6->click();
    ASSERT_EQ(w->dailyModel()->rowCount(), 5);
    // The first result leaves the daily database another way after the listing:
    // the third line must still delete D-3, not the result now third.
    deleteResult(s().cn, ids[0]);
    w->List1->setCurrentIndex(w->dailyModel()->index(2, 0));
    w->Command7->click();
    EXPECT_TRUE(prompts_->takeMessages().empty());
    Recordset rs(s().cn, "select * from datiQgrafici order by ID1");
    QStringList left;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        left << rs.text("specId");
    EXPECT_EQ(left, (QStringList{"D-2", "D-4", "D-5"}));
    EXPECT_EQ(test::rowCount(s().cn, "GraficiPLT"), 3);
    // Nothing chosen: the message, nothing deleted.
    w->Command7->click();
    expectMessage("msg6", "Zarvium");
    // A line whose result is gone (a roll-over emptied the day): the error, logged.
    w->List1->setCurrentIndex(w->dailyModel()->index(0, 0));
    for (int64_t id : ids)
        deleteResult(s().cn, id);
    w->Command7->click();
    expectMessage("err2", "Zarvium - Archivio Giornaliero");
    EXPECT_TRUE(logText().contains("Archivio2"));
}

TEST_F(ArchiveWindow, ABackUpTargetIsChosenWrittenAndCopied) {
    Archivio2* w = open();
    const QString target = path("back-up/copia.mdb");
    prompts_->files.push_back(target);
    w->Command2->click();
    EXPECT_EQ(prompts_->saveDialogs, std::vector<ExistingFile>{ExistingFile::Replaced});  // a back-up replaces it
    auto messages = prompts_->takeMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, text("common2"));
    EXPECT_EQ(messages[1].text, text("msg5"));
    EXPECT_EQ(messages[1].title, "Gestione Archivio");
    EXPECT_EQ(w->Label32->text(), target);
    EXPECT_EQ(leggiini("back-up", "pathautobackup", "general.ini", 255), target);
    {
        Connection copy(target);
        EXPECT_EQ(test::rowCountOf(copy), test::rowCountOf(s().cntot));
    }
    // A cancel is an empty name, never the archive's target chosen before.
    prompts_->files.push_back(QString());
    w->Command3->click();
    messages = prompts_->takeMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, text("err1"));
    EXPECT_EQ(w->Label35->text(), "Default");
    EXPECT_EQ(leggiini("back-up", "pathautobackupriferimenti", "general.ini", 255), "");
    // The live reference database itself is refused: nothing written, nothing copied.
    const QByteArray reference = fileBytes(path(file::referenceDb));
    prompts_->files.push_back(path(file::referenceDb));
    w->Command11->click();
    messages = prompts_->takeMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, text("err1") + "\n" + text("err8"));
    EXPECT_EQ(w->Label37->text(), "Default");
    EXPECT_EQ(leggiini("back-up", "pathautobackupvet", "general.ini", 255), "");
    EXPECT_EQ(fileBytes(path(file::referenceDb)), reference);
    EXPECT_TRUE(
        logText().contains(QString("general.ini [back-up] pathautobackupvet = \"%1\": %1 names the program's own file")
                               .arg(path(file::referenceDb))))
        << logText().toStdString();
}

// Each refusal says why in the user's language and leaves one log line that
// names the setting and the file; neither the key nor the file changes.
TEST_F(ArchiveWindow, ARefusedBackUpTargetSaysWhyAndIsLogged) {
    const QString vetBackUp = path("back-up/vet-mio.mdb");
    scriviini("back-up", "pathautobackupvet", vetBackUp, "general.ini");
    {
        QFile notes(path("appunti.txt"));
        ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
        notes.write("ematologia\n");
    }
    const QString pipe = path("tubo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    Archivio2* w = open();
    const struct {
        const char* name;
        QPushButton* command;
        const char* key;
        QString chosen;
        const char* reason;
        QString alsoNamed;
    } cases[] = {
        {"the archive back-up's default file, for vet", w->Command11, "pathautobackupvet",
         path("back-up/zarviumtotale.mdb"), "err9", "pathautobackup (empty: the default"},
        {"vet's file by another spelling, for the archive", w->Command2, "pathautobackup",
         path("log/../back-up/vet-mio.mdb"), "err9", "pathautobackupvet = \"" + vetBackUp + "\""},
        {"a text file", w->Command3, "pathautobackupriferimenti", path("appunti.txt"), "err10",
         "a file of another kind"},
        {"the archive back-up's journal, for vet", w->Command11, "pathautobackupvet",
         path("back-up/zarviumtotale.mdb-journal"), "err9", "journal"},
        {"a named pipe", w->Command3, "pathautobackupriferimenti", pipe, "err10", "a named pipe"},
        {"a file in the log folder, none there yet", w->Command11, "pathautobackupvet", path("log/11.12.26.log"),
         "err8", "log folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString before = leggiini("back-up", c.key, "general.ini", 255);
        const QByteArray bytes = QFileInfo(c.chosen).isFile() ? fileBytes(c.chosen) : QByteArray();
        const qsizetype lines = logText().count("\r\n");
        prompts_->files.push_back(c.chosen);
        c.command->click();
        const auto messages = prompts_->takeMessages();
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[1].text, text("err1") + "\n" + text(c.reason));
        EXPECT_EQ(messages[1].icon, MsgIcon::Exclamation);
        EXPECT_EQ(leggiini("back-up", c.key, "general.ini", 255), before);
        EXPECT_EQ(QFileInfo(c.chosen).isFile() ? fileBytes(c.chosen) : QByteArray(), bytes);
        const QString log = logText();
        EXPECT_EQ(log.count("\r\n"), lines + 1);
        const QString line = log.split("\r\n", Qt::SkipEmptyParts).last();
        EXPECT_TRUE(line.contains(QString("general.ini [back-up] %1 = \"%2\"").arg(c.key, c.chosen)) &&
                    line.contains(c.alsoNamed))
            << line.toStdString();
    }
}

// An archive that fails its check is not copied: the message says so and the
// log names the file; the last good back-up stays what it was.
TEST_F(ArchiveWindow, ADamagedArchiveIsNotBackedUpAndTheMessageSaysWhy) {
    test::addManyResults(s().cntot, 300);
    const QString target = path("back-up/copia.mdb");
    Archivio2* w = open();
    prompts_->files.push_back(target);
    w->Command2->click();
    prompts_->takeMessages();
    const QByteArray good = fileBytes(target);
    test::damageMiddlePage(path(file::archiveDb));
    prompts_->files.push_back(target);
    w->Command2->click();
    const auto messages = prompts_->takeMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, text("err1") + "\n" + text("err11"));
    EXPECT_EQ(fileBytes(target), good);
    EXPECT_TRUE(logText().contains(QString("general.ini [back-up] pathautobackup = \"%1\"").arg(target)))
        << logText().toStdString();
}

TEST_F(ArchiveWindow, ACancelledSourcePickerNeverCreatesADatabase) {
    fillArchive();
    Archivio2* w = open();
    w->Command8->click();
    ASSERT_EQ(w->List2->count(), 1);
    // The first cancel: no source at all, the lists and totals cleared.
    prompts_->files.push_back(QString());
    w->Command4->click();
    EXPECT_TRUE(w->dbsorgente.isEmpty());
    EXPECT_EQ(w->List2->count(), 0);
    EXPECT_TRUE(w->Label30->text().isEmpty());
    w->Command8->click();
    expectMessage("err3", "Zarvium");
    // A file that does not exist is refused as a source and never made.
    const QString missing = path("nonesiste.mdb");
    prompts_->files.push_back(missing);
    w->Command4->click();
    w->Command8->click();
    expectMessage("err3", "Zarvium");
    EXPECT_FALSE(QFile::exists(missing));
    // A later cancel keeps the file chosen before.
    prompts_->files.push_back(QString());
    w->Command4->click();
    EXPECT_EQ(w->dbsorgente, missing);
    EXPECT_TRUE(logText().contains("Archivio2"));
}

}  // namespace
}  // namespace zv
