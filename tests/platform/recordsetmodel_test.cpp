#include <QApplication>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/database.h"
#include "platform/errors.h"
#include "platform/recordsetmodel.h"

namespace zv {
namespace {

constexpr int kRows = 3000;

// Every tenth name and every seventh WBC are NULL.
const char* const kSchema = R"(
CREATE TABLE archivio (id INTEGER PRIMARY KEY, nome TEXT, wbc REAL);
INSERT INTO archivio (id, nome, wbc)
  WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)
  SELECT i, CASE WHEN i % 10 = 0 THEN NULL ELSE 'P' || i END, CASE WHEN i % 7 = 0 THEN NULL ELSE i + 0.25 END
  FROM n;
)";

class RecordsetModel : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        const QString file = dir_.filePath(QStringLiteral("archivio.db"));
        createDatabaseFromSql(file, QString::fromUtf8(kSchema));
        cn_.open(file);
        model_.setRecordset(Recordset(cn_, QStringLiteral("SELECT * FROM archivio ORDER BY id DESC")));
    }
    void TearDown() override { setErrorSink(nullptr); }

    QString cell(int row, int column) const { return model_.data(model_.index(row, column)).toString(); }

    QTemporaryDir dir_;
    Connection cn_;
    RecordsetTableModel model_{{{"nome", "Nome"}, {"wbc", "WBC"}}, QLatin1Char(',')};
};

TEST_F(RecordsetModel, AViewGetsOneBatchAtATimeAsItScrollsDown) {
    QTableView view;
    view.setModel(&model_);
    view.resize(400, 300);
    view.show();
    QApplication::processEvents();
    EXPECT_EQ(model_.totalRows(), kRows);
    EXPECT_EQ(model_.rowCount(), RecordsetTableModel::kDefaultBatch);
    EXPECT_TRUE(model_.canFetchMore(QModelIndex()));

    int scrolls = 0;
    int previous = model_.rowCount();
    while (model_.canFetchMore(QModelIndex()) && scrolls < 100) {
        view.scrollToBottom();
        QApplication::processEvents();
        ASSERT_EQ(model_.rowCount(), std::min(previous + RecordsetTableModel::kDefaultBatch, kRows));
        previous = model_.rowCount();
        ++scrolls;
    }
    EXPECT_EQ(model_.rowCount(), kRows);
    EXPECT_EQ(scrolls, (kRows - 1) / RecordsetTableModel::kDefaultBatch);
}

TEST_F(RecordsetModel, CellsShowTheirFieldsWithNullsEmptyAndTheModelsMark) {
    struct Case {
        int row;
        int64_t key;
        const char* nome;
        const char* wbc;
    };
    const Case cases[] = {
        {0, 3000, "", "3000,25"},  // the list runs newest first
        {1, 2999, "P2999", "2999,25"},
        {4, 2996, "P2996", ""},  // 2996 = 7 * 428
        {255, 2745, "P2745", "2745,25"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(cell(c.row, 0), QString::fromLatin1(c.nome));
        EXPECT_EQ(cell(c.row, 1), QString::fromLatin1(c.wbc));
        EXPECT_EQ(model_.key(c.row), c.key);
        EXPECT_EQ(model_.recordAt(c.row).field(QStringLiteral("id")).toLongLong(), c.key);
    }
    EXPECT_EQ(model_.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Nome"));
    EXPECT_EQ(model_.headerData(1, Qt::Horizontal).toString(), QStringLiteral("WBC"));
    EXPECT_EQ(model_.columnCount(), 2);
    try {
        model_.key(RecordsetTableModel::kDefaultBatch);  // not fetched yet
        ADD_FAILURE() << "a row beyond those fetched has no key";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), err::InvalidCall);
    }
}

TEST_F(RecordsetModel, ReloadReadsTheSourceAgainFromItsFirstBatch) {
    model_.fetchMore(QModelIndex());
    ASSERT_EQ(model_.rowCount(), 2 * RecordsetTableModel::kDefaultBatch);
    cn_.execute(QStringLiteral("INSERT INTO archivio (id, nome, wbc) VALUES (3001, 'Nuovo', 5.5)"));
    EXPECT_EQ(model_.totalRows(), kRows);  // the open list does not change under the view

    QSignalSpy resets(&model_, &QAbstractItemModel::modelReset);
    model_.reload();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model_.totalRows(), kRows + 1);
    EXPECT_EQ(model_.rowCount(), RecordsetTableModel::kDefaultBatch);
    EXPECT_EQ(cell(0, 0), QStringLiteral("Nuovo"));
    EXPECT_EQ(cell(0, 1), QStringLiteral("5,5"));

    model_.setRecordset(Recordset());
    EXPECT_EQ(model_.rowCount(), 0);
    EXPECT_FALSE(model_.canFetchMore(QModelIndex()));
    EXPECT_EQ(resets.count(), 2);
}

TEST_F(RecordsetModel, AFailedReadShowsEmptyCellsAndIsLoggedOncePerReset) {
    int reports = 0;
    setErrorSink([&](int32_t, const QString&, const QString& window) {
        ++reports;
        EXPECT_EQ(window, QStringLiteral("lista"));
    });
    model_.setObjectName(QStringLiteral("lista"));
    cn_.close();
    for (int row = 0; row < 40; ++row) {
        EXPECT_EQ(cell(row, 0), QString());
        EXPECT_EQ(cell(row, 1), QString());
    }
    EXPECT_EQ(reports, 1);
}

}  // namespace
}  // namespace zv
