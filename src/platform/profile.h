#pragma once
// INI ("profile") files with the classic profile-function semantics:
// section, key and file names match without regard to case, a missing file,
// section or key reads as "", a write creates what is missing and keeps every
// other line of the file byte for byte. UTF-8.
#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>

namespace zv::profile {

// The existing file whose name matches `path`'s file name without regard to
// case, in the same folder; `path` itself when none exists.
QString resolvePath(const QString& path);

// The value of `key` in `section`, or "" when missing. Surrounding blanks of
// the value are trimmed. The caller applies its own buffer cut. A file is
// parsed once per version (its inode, size and times to the nanosecond), so a
// file changed by anyone since is read afresh. A file that exists but cannot
// be read also reads as ""; `failure`, when given, then receives the system's
// reason (and stays empty otherwise).
QString read(const QString& path, const QString& section, const QString& key, QString* failure = nullptr);

// Writes `key` = `value` in `section`, creating the file, section or key when
// missing. The file is replaced atomically (temporary file, fsync, rename).
// A key that already holds `value` leaves the file untouched. Returns false
// when the write failed; the old file is then untouched.
bool write(const QString& path, const QString& section, const QString& key, const QString& value);

// A file read once and then looked up key by key, each lookup giving what
// read() would give for the file as it was when the snapshot was taken.
class Snapshot {
public:
    // A missing or unreadable file gives a snapshot in which every key reads "".
    explicit Snapshot(const QString& path);
    // The values of a file's bytes held in memory (texts built into the program).
    static Snapshot ofBytes(const QByteArray& bytes);
    QString read(const QString& section, const QString& key) const;

private:
    Snapshot() = default;
    // Section -> key -> value, names case-folded; the first section of a name
    // and the first key of a name in it, as read() finds them.
    std::shared_ptr<const QHash<QString, QHash<QString, QString>>> values_;
};

}  // namespace zv::profile
