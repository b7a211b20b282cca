#include "model/referencerange.h"

#include "model/result.h"
#include "platform/database.h"
#include "platform/errors.h"
#include "support/fixture.h"

namespace zv {
namespace {

class RangeSetStore : public test::ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        cn.open(path("riferimenti.mdb"));
    }
    // Human sets numbered as given, named "set<number>".
    void humanSets(std::initializer_list<int> numbers) {
        cn.execute("DELETE FROM limiti");
        for (int n : numbers)
            cn.execute("INSERT INTO limiti (limite, valori, wbcL) VALUES (?1, ?2, '4')",
                       {n, QStringLiteral("set%1").arg(n)});
    }
    QStringList namesInOrder(const QString& table) {
        QStringList names;
        Recordset rs(cn, "select * from " + table + " order by limite, valori");
        for (; !rs.eof(); rs.moveNext())
            names << rs.text("valori");
        return names;
    }
    Connection cn;
};

TEST_F(RangeSetStore, EditorsWriteEveryColumnOfTheirTable) {
    const QStringList& human = rangeSetColumns(RangeTable::Human);
    const QStringList& species = rangeSetColumns(RangeTable::Species);
    ASSERT_EQ(human.size(), 48);
    ASSERT_EQ(species.size(), 52);
    EXPECT_EQ(human.mid(0, 6), QStringList({"limite", "valori", "wbcL", "wbcH", "neuL", "neuH"}));
    EXPECT_EQ(human.mid(44), QStringList({"pdwH", "pdwL", "pctH", "pctL"}));
    // The species set: the band limits right after neuH, their counts last.
    EXPECT_EQ(species.mid(4, 5), QStringList({"neuL", "neuH", "bandatiL", "bandatiH", "lymL"}));
    EXPECT_EQ(species.mid(50), QStringList({"cBandatiL", "cBandatiH"}));
    // Every column is in the shipped table, and no column is written twice.
    for (RangeTable table : {RangeTable::Human, RangeTable::Species}) {
        Recordset rs(cn, rangeSetsSql(table));
        const QStringList& columns = rangeSetColumns(table);
        for (const QString& column : columns) {
            EXPECT_TRUE(rs.hasField(column)) << column.toStdString();
            EXPECT_EQ(columns.count(column), 1) << column.toStdString();
        }
    }
    // The species editor writes the shipped layout's columns in their order;
    // the human one the same but for the band columns, which it has no boxes for.
    Recordset shipped(cn, rangeSetsSql(RangeTable::Species));
    QStringList layout;
    for (int i = 0; i < shipped.fieldCount(); ++i)
        layout << shipped.fieldName(i).toCaseFolded();
    const auto folded = [](QStringList columns) {
        for (QString& c : columns)
            c = c.toCaseFolded();
        return columns;
    };
    EXPECT_EQ(folded(species), layout);
    const ParameterInfo& band = parameterInfo(ResultParameter::bandati);
    for (const QString& column : {band.low, band.high, band.countLow, band.countHigh})
        layout.removeAll(column.toCaseFolded());
    EXPECT_EQ(folded(human), layout);
    // Each limit the parameter table names has its column, the band's on species sets alone.
    for (const ParameterInfo& p : resultParameters()) {
        QStringList limits{p.low, p.high};
        if (!p.countLow.isEmpty())
            limits << p.countLow << p.countHigh;
        for (const QString& column : limits) {
            EXPECT_TRUE(species.contains(column, Qt::CaseInsensitive)) << column.toStdString();
            EXPECT_EQ(human.contains(column, Qt::CaseInsensitive), p.parameter != ResultParameter::bandati)
                << column.toStdString();
        }
    }
}

TEST_F(RangeSetStore, DeleteMatchesTheNumberLiterally) {
    struct Case {
        const char* number;
        QStringList left;
    } cases[] = {
        {"1", {"set0", "set2", "set2b"}},           {"2", {"set0", "set1"}},  // every set with the number goes
        {"'", {"set0", "set1", "set2", "set2b"}},   {"1' or '1'='1", {"set0", "set1", "set2", "set2b"}},
        {"%", {"set0", "set1", "set2", "set2b"}},   {"_", {"set0", "set1", "set2", "set2b"}},
        {"2.0", {"set0", "set1", "set2", "set2b"}}, {"", {"set0", "set1", "set2", "set2b"}},
        {"7", {"set0", "set1", "set2", "set2b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        humanSets({0, 1, 2});
        cn.execute("INSERT INTO limiti (limite, valori) VALUES (2, 'set2b')");
        const int64_t deleted = deleteRangeSets(cn, RangeTable::Human, QString::fromUtf8(c.number));
        EXPECT_EQ(namesInOrder("limiti"), c.left);
        EXPECT_EQ(deleted, 4 - c.left.size());
    }
}

TEST_F(RangeSetStore, DeletingASpeciesSetLeavesTheHumanSets) {
    EXPECT_EQ(deleteRangeSets(cn, RangeTable::Species, "0"), 1);
    EXPECT_EQ(namesInOrder("vet"), QStringList({"GATTO"}));
    EXPECT_EQ(namesInOrder("limiti"), QStringList({"Adulti", "Bambini"}));
}

TEST_F(RangeSetStore, HumanSetsAreReachedByPosition) {
    humanSets({0, 1, 2});
    EXPECT_EQ(humanRangeSetAt(cn, 2)->valori, QStringLiteral("set1"));
    // Deleting a set moves the ones behind it forward: position 2 is now set 2.
    deleteRangeSets(cn, RangeTable::Human, "1");
    EXPECT_EQ(humanRangeSetAt(cn, 2)->valori, QStringLiteral("set2"));
    EXPECT_EQ(humanRangeSetAt(cn, 2)->limite, 2);
    EXPECT_FALSE(humanRangeSetAt(cn, 3).has_value());
    EXPECT_FALSE(humanRangeSetAt(cn, 0).has_value());
}

TEST_F(RangeSetStore, ShippedSetsReadWithTheirLimits) {
    const auto adults = humanRangeSetAt(cn, 1);
    ASSERT_TRUE(adults.has_value());
    EXPECT_EQ(adults->limite, 0);
    EXPECT_EQ(adults->valori, QStringLiteral("Adulti"));
    EXPECT_EQ(adults->limit("wbcL"), QStringLiteral("4"));
    EXPECT_EQ(adults->limit("WBCH"), QStringLiteral("10"));
    EXPECT_EQ(adults->limit("cneuL"), QStringLiteral("1.6"));  // cNeul, whatever the case
    EXPECT_EQ(adults->limit("bandatiH"), QString());           // a human set has no band limits
    EXPECT_EQ(adults->limit("nosuchcolumn"), QString());

    cn.execute("UPDATE limiti SET wbcH = NULL WHERE limite = 0");
    EXPECT_EQ(humanRangeSetAt(cn, 1)->limit("wbcH"), QString());  // no limit on that side
}

TEST_F(RangeSetStore, SpeciesSetByName) {
    struct Case {
        const char* name;
        const char* found;  // "" for none
    } cases[] = {{"CANE", "CANE"}, {"gatto", "GATTO"}, {"CAN_", "CANE"}, {"D'AMICO", ""},       {"%", ""},
                 {"C%", ""},       {"CAVALLO", ""},    {"CANE ", ""},    {"50% \\x", "50% \\x"}};
    cn.execute("INSERT INTO vet (limite, valori) VALUES (5, '50% \\x')");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto set = speciesRangeSet(cn, QString::fromUtf8(c.name));
        EXPECT_EQ(set ? set->valori : QString(), QString::fromUtf8(c.found));
    }
    EXPECT_EQ(speciesRangeSet(cn, "CANE")->limit("cBandatiH"), QStringLiteral("0.51"));
}

TEST_F(RangeSetStore, SetNumbersAreWholeNumbersOnly) {
    struct Case {
        const char* text;
        std::optional<int64_t> number;
    } cases[] = {{"0", 0},
                 {"12", 12},
                 {" 3 ", 3},
                 {"-1", -1},
                 {"+4", 4},
                 {"", std::nullopt},
                 {"2.5", std::nullopt},
                 {"2,0", std::nullopt},
                 {"1e2", std::nullopt},
                 {"abc", std::nullopt},
                 {"'", std::nullopt},
                 {"99999999999999999999", std::nullopt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        if (c.number) {
            EXPECT_EQ(rangeSetNumber(QString::fromUtf8(c.text)), *c.number);
        } else {
            try {
                rangeSetNumber(QString::fromUtf8(c.text));
                ADD_FAILURE() << "accepted";
            } catch (const AppError& e) {
                EXPECT_EQ(e.number(), err::TypeMismatch);
            }
        }
    }
}

}  // namespace
}  // namespace zv
