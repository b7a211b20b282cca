#pragma once
// Saving a dialog's keys into the INI files of the program folder: one write
// per key, in the order given, stopping at the first write the file refuses so
// that a failed save is never taken for a successful one.
#include <QString>

#include <optional>
#include <vector>

namespace zv {

struct IniWrite {
    QString file;  // an INI file of the program folder ("print.ini", "general.ini")
    QString section;
    QString key;
    QString value;
};

// Writes each key in turn. Returns the first write that failed (the writes
// before it are in the file, the ones after it were not tried), or nullopt
// when every key was written.
std::optional<IniWrite> writeKeys(const std::vector<IniWrite>& writes);

// A font size as the layout file keeps it: the shortest text that reads back
// as the same single-precision number, with the given decimal mark.
QString sizeText(float size, QChar decimal);

}  // namespace zv
