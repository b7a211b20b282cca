#include <gtest/gtest.h>

#include "viewer/searchsql.h"

namespace zv {
namespace {

TEST(SearchSql, BuildsTheFourQueriesWithQuotesDoubled) {
    struct Case {
        SearchField field;
        const char* text;
        bool exact;
        const char* sql;
    };
    const Case cases[] = {
        {SearchField::specId, "123", true, "select * from datiQgrafici where specId like '123' order by ID1"},
        {SearchField::specId, "123", false, "select * from datiQgrafici where specId like '%123%' order by ID1"},
        {SearchField::specName, "Rossi", true, "select * from datiQgrafici where specName like 'Rossi' order by ID1"},
        {SearchField::specName, "Rossi", false,
         "select * from datiQgrafici where specName like '%Rossi%' order by ID1"},
        {SearchField::specName, "D'Amico", true,
         "select * from datiQgrafici where specName like 'D''Amico' order by ID1"},
        {SearchField::specName, "O'Neil'", false,
         "select * from datiQgrafici where specName like '%O''Neil''%' order by ID1"},
        // A typed % stays a wildcard, and %1 in a name is no placeholder.
        {SearchField::specName, "Ro%si %1", true,
         "select * from datiQgrafici where specName like 'Ro%si %1' order by ID1"},
        {SearchField::specId, "", false, "select * from datiQgrafici where specId like '%%' order by ID1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(searchSql(c.field, QString::fromUtf8(c.text), c.exact), QString::fromUtf8(c.sql)) << c.text;
}

TEST(SearchSql, TheHistorySearchDropsPercentAndAmpersandOnly) {
    EXPECT_EQ(historySearchText("12%"), "12");
    EXPECT_EQ(historySearchText("A&B%C_D'E"), "ABC_D'E");
}

}  // namespace
}  // namespace zv
