#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <string>

#include "archive/archive_records.h"
#include "archive/transfer.h"
#include "core/programfiles.h"
#include "model/resultfields.h"
#include "model/resultstore.h"
#include "platform/database.h"
#include "platform/errors.h"
#include "support/fixture.h"
#include "support/results.h"
#include "support/smallfs.h"

namespace zv {
namespace {

using Rows = QList<QMap<QString, QVariant>>;

class Transfer : public test::ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        source = path(file::archiveDb);
        target = path("storico2025.mdb");
        templ = path(file::archiveTemplate);
        Connection cn(source);
        other = test::archive(cn, "02/02/26", "feb");
        march = {test::archive(cn, "01/03/26", "A-1", "Rossi Mario"), test::archive(cn, "01/03/26", "A-2"),
                 test::archive(cn, "20/03/26", "A-3", "D'Amico Anna")};
    }
    int64_t run(TransferMode mode, const Selection& s, const QString& to) {
        return transferResults({mode, source, to, templ, s});
    }
    Rows rowsOf(const QString& file) {
        Connection cn(file);
        Rows rows;
        for (int64_t id : test::idsOf(cn))
            rows << test::wholeRow(cn, id);
        return rows;
    }
    // A destination that already holds a result of its own.
    void makeTarget() {
        ASSERT_TRUE(QFile::copy(templ, target));
        QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        Connection cn(target);
        test::archive(cn, "05/05/25", "own");
    }
    Selection marchSel() { return selectionOf(BrowseLevel::Month, "03/26"); }
    QString source, target, templ;
    int64_t other = 0;
    QList<int64_t> march;
};

TEST_F(Transfer, CopyMakesTheFileFromTheTemplateAndAppendsTheTransferList) {
    const Rows before = rowsOf(source);
    EXPECT_EQ(run(TransferMode::Copy, marchSel(), target), 3);
    EXPECT_EQ(rowsOf(source), before);  // the source keeps everything
    Rows copied = rowsOf(target);
    ASSERT_EQ(copied.size(), 3);
    // What an archive file gives a new result that names none of its fields.
    const QString scratch = path("scratch.mdb");
    ASSERT_TRUE(QFile::copy(templ, scratch));
    QFile(scratch).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    QMap<QString, QVariant> fresh;
    {
        Connection cn(scratch);
        fresh = test::wholeRow(cn, addResult(cn, ResultRecord{}));
    }
    for (int i = 0; i < 3; ++i) {
        QMap<QString, QVariant> expected = before[i + 1];
        // The transfer list leaves the patient's sex, birth date, note and band count behind.
        for (const char* dropped : {"sesso", "DdN", "note", "bandati"}) {
            EXPECT_NE(expected.value(dropped), fresh.value(dropped));
            expected[dropped] = fresh.value(dropped);
        }
        for (auto it = expected.begin(); it != expected.end(); ++it)
            EXPECT_EQ(copied[i].value(it.key()).toString(), it.value().toString()) << it.key().toStdString();
    }
    // A second copy of the same selection appends the same results again.
    EXPECT_EQ(run(TransferMode::Copy, marchSel(), target), 3);
    EXPECT_EQ(rowsOf(target).size(), 6);
}

TEST_F(Transfer, MoveCarriesEveryFieldAndDeletesOnlyWhatItCopied) {
    makeTarget();
    const Rows before = rowsOf(source);
    const Rows targetBefore = rowsOf(target);
    EXPECT_EQ(run(TransferMode::Move, marchSel(), target), 3);
    EXPECT_EQ(rowsOf(target), targetBefore + before.mid(1, 3));  // every column, in ID1 order
    EXPECT_EQ(rowsOf(source), before.mid(0, 1));
    Connection src(source);
    for (const QString& table : resultTables())
        EXPECT_EQ(test::rowCount(src, table), 1) << table.toStdString();
}

TEST_F(Transfer, DeleteRemovesTheSelectionFromAllFiveTables) {
    EXPECT_EQ(run(TransferMode::Delete, selectionOf(BrowseLevel::Day, "01/03/26"), QString()), 2);
    Connection src(source);
    EXPECT_EQ(test::idsOf(src), (QList<int64_t>{other, march[2]}));
    for (const QString& table : resultTables())
        EXPECT_EQ(test::rowCount(src, table), 2) << table.toStdString();
}

TEST_F(Transfer, ARecordSelectionHandlesThatRecordAlone) {
    EXPECT_EQ(run(TransferMode::Copy, recordSelection(march[1]), target), 1);
    const Rows copied = rowsOf(target);
    ASSERT_EQ(copied.size(), 1);
    EXPECT_EQ(copied[0].value("specId").toString(), "A-2");
}

TEST_F(Transfer, AnEmptySelectionChangesNothingAndMakesNoFile) {
    const Rows before = rowsOf(source);
    for (TransferMode mode : {TransferMode::Copy, TransferMode::Move, TransferMode::Delete})
        EXPECT_EQ(run(mode, selectionOf(BrowseLevel::Year, "24"), target), 0);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(rowsOf(source), before);
}

TEST_F(Transfer, MissingOrEmptyPathsFailAndCreateNothing) {
    const QString missing = path("nothere.mdb");
    EXPECT_THROW(transferResults({TransferMode::Copy, missing, target, templ, marchSel()}), AppError);
    EXPECT_THROW(transferResults({TransferMode::Delete, QString(), QString(), templ, marchSel()}), AppError);
    EXPECT_THROW(run(TransferMode::Copy, marchSel(), QString()), AppError);
    EXPECT_THROW(run(TransferMode::Move, marchSel(), "  "), AppError);
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(rowsOf(source).size(), 4);
    // A missing template makes no destination either.
    templ = path("back-up/startdb/none.mdb");
    EXPECT_THROW(run(TransferMode::Copy, marchSel(), target), AppError);
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(Transfer, TheSourceAsItsOwnDestinationGivesTheResultsNewKeys) {
    const Rows before = rowsOf(source);
    EXPECT_EQ(run(TransferMode::Move, marchSel(), source), 3);
    Connection src(source);
    const QList<int64_t> ids = test::idsOf(src);
    ASSERT_EQ(ids.size(), 4);
    EXPECT_EQ(ids[0], other);
    EXPECT_GT(ids[1], march[2]);
    EXPECT_EQ(rowsOf(source), before);
}

// A failure injected at every write of a move: a trigger refuses one insert
// into one destination table, or one delete from one source table. Each file
// is then as it was before; a destination the move made is gone.
TEST_F(Transfer, AFailureAtAnyWriteOfAMoveLeavesBothFilesAsTheyWere) {
    struct Fault {
        bool atInsert;
        QString table;
        int result;  // 0-based among the three moved
    };
    std::vector<Fault> faults;
    for (const QString& table : resultTables())
        for (int k = 0; k < 3; ++k) {
            faults.push_back({true, table, k});
            faults.push_back({false, table, k});
        }
    const Rows sourceBefore = rowsOf(source);
    const QString pristine = path("pristine.mdb");
    ASSERT_TRUE(QFile::copy(source, pristine));
    for (const Fault& f : faults) {
        SCOPED_TRACE((f.atInsert ? "insert into " : "delete from ") + f.table.toStdString() + " #" +
                     std::to_string(f.result));
        QFile::remove(source);
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(pristine, source));
        QFile(source).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        makeTarget();
        const Rows targetBefore = rowsOf(target);
        {
            Connection cn(f.atInsert ? target : source);
            const QString when = f.atInsert ? QStringLiteral("(SELECT count(*) FROM \"%1\") >= %2")
                                                  .arg(f.table)
                                                  .arg(targetBefore.size() + f.result)
                                            : QStringLiteral("old.ID1 = %1").arg(march[f.result]);
            cn.execute(QStringLiteral("CREATE TRIGGER fault BEFORE %1 ON \"%2\" WHEN %3 BEGIN "
                                      "SELECT RAISE(ABORT, 'injected fault'); END")
                           .arg(f.atInsert ? "INSERT" : "DELETE", f.table, when));
        }
        EXPECT_THROW(run(TransferMode::Move, marchSel(), target), AppError);
        EXPECT_EQ(rowsOf(source), sourceBefore);
        EXPECT_EQ(rowsOf(target), targetBefore);
    }
}

TEST_F(Transfer, AFailedMoveToANewFileLeavesNoFile) {
    Connection(source).execute(
        "CREATE TRIGGER fault BEFORE DELETE ON GraficiPLT BEGIN SELECT RAISE(ABORT, 'injected fault'); END");
    const Rows before = rowsOf(source);
    EXPECT_THROW(run(TransferMode::Move, marchSel(), target), AppError);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(rowsOf(source), before);
}

// On a full disk a copy or a move into a file it made fails; the file goes,
// and so does the journal its failed write left: a database later put under
// that name would have this one's pages rolled into it at its first open.
TEST_F(Transfer, AFailedTransferToANewFileOnAFullDiskLeavesNeitherFileNorJournal) {
    {
        Connection cn(source);
        test::addManyResults(cn, 400);
        cn.execute("UPDATE datinumerici SET date = '01/03/26'");
    }
    // A failed transfer leaves the source as it was, byte for byte.
    const QByteArray before = fileBytes(source);
    // The disk fills at the template's copy, at the journal, at the copied pages.
    for (const qint64 room : {qint64(4 * 1024), qint64(32 * 1024), qint64(256 * 1024)})
        for (const TransferMode mode : {TransferMode::Copy, TransferMode::Move}) {
            SCOPED_TRACE((mode == TransferMode::Copy ? "copy, " : "move, ") + std::to_string(room) + " bytes free");
            test::SmallFileSystem disk(4 * 1024 * 1024);
            if (!disk.mounted())
                GTEST_SKIP() << disk.error().toStdString();
            disk.fillLeaving(QFileInfo(templ).size() + room);
            const QString onDisk = disk.path() + "/nuovo.mdb";
            EXPECT_THROW(run(mode, marchSel(), onDisk), AppError);
            EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"filler"});
            EXPECT_TRUE(fileBytes(source) == before);
        }
}

}  // namespace
}  // namespace zv
