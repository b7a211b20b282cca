#pragma once
// Whole database files: compacting, copying, making one from SQL text.
#include <QString>
#include <QStringList>

#include <functional>

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
// there is never a moment when the scratch file holds the only copy. The
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

// Copies a database file byte for byte to `target`, holding a read lock on it
// so that no writer changes it meanwhile: written beside the target
// ("<target>.tmp-<pid>"), fsynced, renamed over it, folder fsynced. A missing
// target is created; a failed copy leaves the old target as it was. Under the
// same lock the source passes SQLite's integrity check, run beside the copy:
// a damaged file never replaces what may be the last good copy (the failure,
// a DamagedDatabase, names the file). `progress`, when given, is called with
// a percentage that only grows, from threads of its own, 100 once the copy is
// in place.
using BackupProgress = std::function<void(int percent)>;
void backupDatabase(const QString& source, const QString& target, const BackupProgress& progress = {});

// What the file at `path` is when it exists, is not empty and is no SQLite
// database by its first 16 bytes ("a folder", "a file that is not a
// database", "a file that cannot be read: <why>"); empty otherwise, so a copy
// may replace it without destroying anything that is not a database.
QString nonDatabaseFileAt(const QString& path);

// Makes a new database file at `path` from SQL text (used only by the set-up
// of a program folder and by tests). Fails when `path` exists.
void createDatabaseFromSql(const QString& path, const QString& sqlText);

}  // namespace zv
