#pragma once
// A back-up copy of a database file: read under one lock, copied on a thread
// of its own while SQLite checks it on the caller's, renamed into place only
// once both have ended well.
#include <QString>

#include <functional>

#include "platform/dbfiles.h"

namespace zv {

using BackupProgress = std::function<void(int percent)>;

// How a back-up's bytes went.
struct BackupCopied {
    // Inside the kernel from file to file, as cp copies; otherwise (another
    // file system, say) through this process's memory, in part or whole.
    bool inKernel = false;
    // The descriptor read through was found in SQLite's own file object (not
    // looked up among the process's open files).
    bool throughSqliteFile = false;
};

// Copies a database file byte for byte to `target`, holding a read lock on it
// so that no writer changes it meanwhile: written beside the file `target`
// names (its final symbolic links followed, files::resolvedFile) as
// "<file>.tmp-<pid>" with the source's permission bits, fsynced, renamed over
// it, folder fsynced. A missing target is created; a failed copy leaves the
// old target as it was. Under the same lock the source passes SQLite's
// integrity check, run beside the copy: a damaged file never replaces what
// may be the last good copy (the failure, a DamagedDatabase, names the file),
// and a copy that fails stops the check and is what is reported. A source
// left in write-ahead-log mode by another program is refused (err::Database):
// what its -wal file holds would be missing from a copy of the file.
// `progress`, when given, is called with a percentage that only grows, from
// either thread, 100 once the copy is in place; whatever it throws fails the
// back-up as an AppError.
BackupCopied backupDatabase(const QString& source, const QString& target, const BackupProgress& progress = {});

// The descriptor this process holds open on the file `path` names, found
// under /proc/self/fd by device and inode without opening the file (a close
// of a second descriptor would drop the process's locks on it); -1 where
// there is none.
int openDescriptorOf(const QString& path);

}  // namespace zv
