#pragma once
// Whole database files: compacting, copying, making one from SQL text.
#include <QString>

namespace zv {

// Compacts the database at `path` by VACUUM INTO a scratch file `scratch`
// beside it, fsyncs it and renames it over the original (folder fsynced), so
// there is never a moment when the scratch file holds the only copy.
// Refuses (err::PathFileAccess) when `scratch` already exists.
void compactDatabase(const QString& path, const QString& scratch);

// Copies an open-able database file to `target` through SQLite's backup API:
// written beside the target, fsynced, renamed over it. A missing target is created.
void backupDatabase(const QString& source, const QString& target);

// Makes a new database file at `path` from SQL text (used only by the set-up
// of a program folder and by tests). Fails when `path` exists.
void createDatabaseFromSql(const QString& path, const QString& sqlText);

}  // namespace zv
