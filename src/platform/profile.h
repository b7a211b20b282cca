#pragma once
// INI ("profile") files with the classic profile-function semantics:
// section, key and file names match without regard to case, a missing file,
// section or key reads as "", a write creates what is missing and keeps every
// other line of the file byte for byte. UTF-8.
#include <QString>

namespace zv::profile {

// The existing file whose name matches `path`'s file name without regard to
// case, in the same folder; `path` itself when none exists.
QString resolvePath(const QString& path);

// The value of `key` in `section`, or "" when missing. Surrounding blanks of
// the value are trimmed. The caller applies its own buffer cut. A file is
// parsed once per version (its inode, size and times to the nanosecond), so a
// file changed by anyone since is read afresh.
QString read(const QString& path, const QString& section, const QString& key);

// Writes `key` = `value` in `section`, creating the file, section or key when
// missing. The file is replaced atomically (temporary file, fsync, rename).
// A key that already holds `value` leaves the file untouched. Returns false
// when the write failed; the old file is then untouched.
bool write(const QString& path, const QString& section, const QString& key, const QString& value);

}  // namespace zv::profile
