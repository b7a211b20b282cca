#pragma once
// Whole database files: compacting, copying, making one from SQL text.
#include <QString>

namespace zv {

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
// target is created; a failed copy leaves the old target as it was.
void backupDatabase(const QString& source, const QString& target);

// Makes a new database file at `path` from SQL text (used only by the set-up
// of a program folder and by tests). Fails when `path` exists.
void createDatabaseFromSql(const QString& path, const QString& sqlText);

}  // namespace zv
