#pragma once
// File helpers that never leave a half-written file in the place of a good one.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zv::files {

// Writes `data` to a temporary file beside `target`, fsyncs it, renames it
// over `target` and fsyncs the folder. Throws AppError on failure, naming the
// call that failed, its path and the system's reason; the old target is then
// untouched. A symbolic link is replaced through (see resolvedFile).
void replaceAtomically(const QString& target, const QByteArray& data);
// Renames `temp` over `target` with the fsyncs above (temp already written).
void renameOverAtomically(const QString& temp, const QString& target);
// fsync of one file or folder; throws AppError on failure.
void syncPath(const QString& path);
// Removes from `folder` the temporary files that an interrupted replacement
// left beside its target: ".<name>.tmp-<pid>-<n>" (replaceAtomically) and
// "<name>.tmp-<pid>" with its database journal (database copies). With
// `name`, only those of that one target. Call it only while nothing can be
// replacing a file there (the instance lock held). Returns the names removed.
QStringList removeStaleTemporaries(const QString& folder, const QString& name = QString());
// Writes all of `data` to an open descriptor, through short writes and
// interruptions; false on any other failure (errno tells which).
bool writeAll(int fd, const char* data, qsizetype size);
// Whether two paths name one file, now or once it is made: the same device
// and inode where both exist (symbolic links, "..", hard links and letter
// case a file system ignores all resolve so); otherwise the same name in the
// same folder, the name's letter case ignored where that folder's file system
// ignores it. A final symbolic link is followed even where it dangles.
bool namesSameFile(const QString& a, const QString& b);
// The file `path` names once its final symbolic links are followed, a
// dangling one too: what a rename must replace so that the link stays a link
// and the temporary file lies on the file's own file system. Absolute.
QString resolvedFile(const QString& path);
// Whether `path` names something inside `folder` or a folder below it, now or
// once it is made, judged folder by folder as namesSameFile judges.
bool isWithinFolder(const QString& path, const QString& folder);
// Appends bytes and closes (the record is complete on disk when it returns).
// Throws AppError (53/76/75) on failure.
void appendBytes(const QString& path, const QByteArray& data);

}  // namespace zv::files
