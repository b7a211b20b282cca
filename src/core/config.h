#pragma once
// The configuration store over the INI files of the program folder, and the error log.
#include <QString>

#include <cstdint>
#include <optional>

#include "core/notifier.h"
#include "platform/errors.h"

namespace zv {

// The program folder: the INI files, the databases, log/, rxlog/, back-up/ ...
const QString& programFolder();
void setProgramFolder(const QString& folder);
// The folder the program uses when none is given: $XDG_DATA_HOME/zarvium,
// else ~/.local/share/zarvium.
QString defaultProgramFolder();
// programFolder() + "/" + relative.
QString programPath(const QString& relative);
// The program's own file that `path` names, now or once it is made (see
// files::namesSameFile), as programPath gives it; empty when none. Own files
// are those the program keeps open or may write: the four databases, the
// archive template and the compaction's scratch file, each with its journal
// (beside the real file where a database is a link to one elsewhere),
// the settings and language files, and the instance lock.
QString programFileNamedBy(const QString& path);

// Reads one key. An empty folder means the program folder. The value comes
// back cut to size - 1 characters; a missing file, section or key reads "".
QString leggiini(const QString& section, const QString& key, const QString& file, int32_t size,
                 const QString& folder = QString());
// One key read by leggiini as a number or a switch. A value that does not
// convert fails as the conversion does (13, or 6 out of range), and the
// description names the file, the section, the key and the value, so the
// error log tells which setting to mend.
int16_t leggiiniInt16(const QString& section, const QString& key, const QString& file, int32_t size);
// With `decimal` as the decimal mark; a null one is the regional mark.
double leggiiniDouble(const QString& section, const QString& key, const QString& file, int32_t size,
                      QChar decimal = QChar());
bool leggiiniBool(const QString& section, const QString& key, const QString& file, int32_t size);
// `e`, raised by the value of one key, with the file, the section, the key
// and the value named after its description, as the readers above name a
// value they cannot convert: for a setting that reads but is refused by what
// it is handed to (a negative buffer size, a baud rate the port cannot take).
AppError settingError(const AppError& e, const QString& section, const QString& key, const QString& file,
                      const QString& value);
// Writes one key; a failed write is not reported (the old value stays).
void scriviini(const QString& section, const QString& key, const QString& value, const QString& file,
               const QString& folder = QString());

// The decimal mark of general.ini [separatore] decimale when it is exactly
// "," or "."; the regional one otherwise. Typed numbers and stored factors
// are read with it.
QChar configuredDecimalMark();

// Appends one record to today's error log (log/dd.mm.yy.log) and puts the
// error on the status line through the notifier. Never throws; tells whether
// the record reached the log. `said`, when given, is what the window told the
// user in their language; the status line shows it in place of the log's
// description, which stays in the log for whoever mends the cause.
bool logerrore(int32_t number, const QString& description, const QString& window, const QString& said = QString());

// The last error logged while nothing showed logged errors, kept for the
// main window to show at its load; taking it clears it.
std::optional<LoggedError> takePendingError();

}  // namespace zv
