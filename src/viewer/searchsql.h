#pragma once
// The SQL texts the searches hand to the viewer over the record source.
#include <QString>

namespace zv {

enum class SearchField { specId, specName };

// "select * from datiQgrafici where <field> like '<text>' order by ID1", the
// text between % signs unless `exact`. Quotes are doubled, so a name such as
// D'Amico is searched as typed; % and _ keep their LIKE meaning.
QString searchSql(SearchField field, const QString& text, bool exact);

// The text the viewer's history search looks for: the box's text without its
// % and & signs (a sample id typed as 12% is searched as 12).
QString historySearchText(const QString& box);

}  // namespace zv
