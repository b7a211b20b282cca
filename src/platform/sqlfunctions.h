#pragma once
// Letter case. SQLite's own LIKE and NOCASE fold only A-Z; names such as
// NICOLÒ or Müller must match whatever case they were typed in.
struct sqlite3;

namespace zv::sqlite {

// Replaces like() and the NOCASE collation on `db`.
void registerFunctions(sqlite3* db);

}  // namespace zv::sqlite
