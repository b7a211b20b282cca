#pragma once
// Whole database files: checking, compacting, making one from SQL text (a
// back-up copy: platform/databasebackup.h).
#include <QString>
#include <QStringList>

#include "platform/errors.h"

namespace zv {

// A database file that fails SQLite's integrity check, or is too damaged to
// be walked by it.
class DamagedDatabase : public AppError {
public:
    using AppError::AppError;
};

// How much of a database file checkDatabase reads.
enum class DatabaseCheck {
    Tables,  // the header and the schema: a file that is a database with the named tables
    Whole,   // the same, and every page through SQLite's integrity check
};

// Tells, by an AppError naming the file, why the database at `path` cannot be
// used: missing, empty, no database, lacking one of `tables` (tables or
// views), or, with DatabaseCheck::Whole, failing SQLite's integrity check.
// Nothing is written into the file, not even a header into an empty one; only
// a journal left by a crash is rolled back first, as any connection would.
void checkDatabase(const QString& path, const QStringList& tables, DatabaseCheck depth);

// Removes a database file and its rollback journal: a journal left beside a
// name would be rolled into whatever database is put under that name next.
void removeDatabaseFile(const QString& path);

// Compacts the database at `path` by VACUUM INTO a scratch file `scratch`
// beside it, fsyncs it and renames it over the original (folder fsynced), so
// there is never a moment when the scratch file holds the only copy. Where
// `path` is a symbolic link to a file in another folder, the scratch file is
// "<that file>.tmp-<pid>" beside it instead, and the link stays a link. The
// compacted file keeps the original's permission bits. The
// compacted file records its page count in its header (user_version).
// Refuses (err::PathFileAccess) when `scratch` already exists.
void compactDatabase(const QString& path, const QString& scratch);

// Compacts as compactDatabase does where that reclaims something worth a
// rewrite: when a tenth of the file or more is free pages, or the file has
// grown by a tenth since its last compaction (the
// roll-over appends every day's rows to the five tables at once, interleaving
// their pages, so a scan reads ever more pages than a compacted file needs).
// Otherwise the file is left byte for byte as it is; its header is read on a
// plain handle, without its schema. A file this cannot read (missing, no
// database, a journal left by a crash) is compacted, and fails as
// compactDatabase fails. Refuses (err::PathFileAccess) when `scratch` already
// exists, whatever the file needs. Returns whether it compacted.
bool compactIfWorthwhile(const QString& path, const QString& scratch);
// Whether compactIfWorthwhile would compact the file at `path`.
bool compactionWorthwhile(const QString& path);

// What the file at `path` is when it exists and is not an empty file or an
// SQLite database by its first 16 bytes ("a folder", "a named pipe", "a
// device", "a file of another kind", "a file that cannot be read (<why>)");
// empty otherwise, so a copy may replace it without destroying anything that
// is not a database. What is no regular file is told by its kind alone and
// never opened; a file is read without waiting.
QString nonDatabaseFileAt(const QString& path);

// Makes a new database file at `path` from SQL text (used only by the set-up
// of a program folder and by tests). Fails when `path` exists.
void createDatabaseFromSql(const QString& path, const QString& sqlText);

}  // namespace zv
