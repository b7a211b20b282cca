// Every list of result columns against what the result store reads and
// writes: a field the store writes and a list leaves out would be stored, then
// dropped without a word by the roll-over or the transfer.
#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "archive/archivebrowse.h"
#include "archive/rollover.h"
#include "archive/transfer.h"
#include "core/programfiles.h"
#include "model/resultfields.h"
#include "model/resultstore.h"
#include "platform/database.h"
#include "support/fixture.h"

namespace zv {
namespace {

// Names in order, as one line a failure shows readably.
std::string listed(const QStringList& names) { return names.join(QLatin1Char(' ')).toStdString(); }
std::string sorted(QStringList names) {
    std::sort(names.begin(), names.end());
    return listed(names);
}

// The columns of a table or view but ID1.
QStringList columnsOf(Connection& cn, const QString& table) {
    Recordset rs(cn, QStringLiteral("select name from pragma_table_info(?1)"), {table});
    QStringList names;
    for (; !rs.eof(); rs.moveNext())
        if (rs.text(QStringLiteral("name")) != QLatin1String("ID1"))
            names << rs.text(QStringLiteral("name"));
    return names;
}

// A result with every field the store walks set to a value of its own.
ResultRecord everyFieldSet() {
    ResultRecord r;
    int n = 0;
    forEachStoredField(
        r, [&n](const QString&, OptionalText& v) { v = QStringLiteral("t%1").arg(++n); },
        [&n](const QString&, std::optional<double>& v) { v = ++n + 0.25; },
        [&n](const QString&, std::optional<int>& v) { v = ++n; });
    return r;
}

class FieldLists : public test::ProgramFolderTest {};

TEST_F(FieldLists, EveryListNamesTheColumnsOfEveryResultsFile) {
    const QStringList stored = rollOverFields();
    EXPECT_EQ(QSet<QString>(stored.begin(), stored.end()).size(), stored.size()) << "a field is named twice";
    for (const QString& file : {QString(file::dailyDb), QString(file::archiveDb), QString(file::archiveTemplate)}) {
        SCOPED_TRACE(file.toStdString());
        Connection cn(path(file));
        EXPECT_EQ(sorted(columnsOf(cn, QString(kResultSource))), sorted(stored));
        EXPECT_EQ(sorted(columnsOf(cn, QStringLiteral("datinumerici"))), sorted(resultValueFields()));
        for (HistogramKind kind : kHistogramKinds) {
            QStringList channels;
            for (const QString& ch : histogramChannels())
                channels << channelField(kind, ch);
            EXPECT_EQ(listed(columnsOf(cn, histogramTable(kind))), listed(channels));
        }
    }
    EXPECT_EQ(listed(resultValueFields() + allChannelFields()), listed(stored));
    EXPECT_EQ(listed(transferredFields(true)), listed(stored));
    const QStringList left{"sesso", "DdN", "note", "bandati"};
    for (const QString& field : left)
        EXPECT_TRUE(stored.contains(field)) << field.toStdString();
    QStringList copied = stored;
    for (const QString& field : left)
        copied.removeAll(field);
    EXPECT_EQ(listed(transferredFields(false)), listed(copied));
}

TEST_F(FieldLists, EveryFieldTheStoreWritesSurvivesTheRollOverAndTheTransfer) {
    const ResultRecord written = everyFieldSet();
    {
        Connection daily(path(file::dailyDb));
        const int64_t id1 = addResult(daily, written);
        Recordset raw(daily, QStringLiteral("select * from datiQgrafici where ID1 = ?1"), {QVariant::fromValue(id1)});
        for (const QString& field : rollOverFields())
            EXPECT_FALSE(raw.field(field).isNull()) << field.toStdString();
    }
    auto readAll = [](const QString& file) {
        Connection cn(file);
        Recordset rs(cn, QStringLiteral("select * from datiQgrafici order by ID1"));
        QList<ResultRecord> results;
        for (; !rs.eof(); rs.moveNext()) {
            ResultRecord r = readResult(rs);
            r.ID1 = 0;
            results << r;
        }
        return results;
    };
    {
        Connection archive(path(file::archiveDb));
        ASSERT_EQ(rollOverDaily(archive, path(file::dailyDb)), 1);
    }
    ASSERT_EQ(readAll(path(file::archiveDb)), QList<ResultRecord>{written});

    const QString copy = path(QStringLiteral("copia.mdb"));
    const QString moved = path(QStringLiteral("spostati.mdb"));
    const QString templ = path(file::archiveTemplate);
    const Selection all{QStringLiteral("1 = 1"), {}};
    ASSERT_EQ(transferResults({TransferMode::Copy, path(file::archiveDb), copy, templ, all}), 1);
    ASSERT_EQ(transferResults({TransferMode::Move, path(file::archiveDb), moved, templ, all}), 1);
    EXPECT_EQ(readAll(moved), QList<ResultRecord>{written});
    // A copy leaves the patient's details and the band count behind: the template's defaults apply.
    QList<ResultRecord> copied = readAll(copy);
    ASSERT_EQ(copied.size(), 1);
    ResultRecord expected = written;
    expected.sesso = copied[0].sesso;
    expected.DdN = copied[0].DdN;
    expected.note = copied[0].note;
    expected.value(ResultParameter::bandati) = copied[0].value(ResultParameter::bandati);
    EXPECT_NE(copied[0].note, written.note);
    EXPECT_EQ(copied[0], expected);
}

}  // namespace
}  // namespace zv
