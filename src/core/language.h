#pragma once
#include <QString>
#include <QStringList>

namespace zv {

// The language file for a general.ini [language] lingua value: "it", "en",
// "de", "fr", "es" or "ru" (exactly, letter case included) give their own
// file, anything else "en.ini".
QString languageFileFor(const QString& lingua);
// The six language files, "it.ini" ... "ru.ini".
QStringList languageFiles();
// The language file chosen by general.ini now.
QString configuredLanguageFile();
// One text of a window's section of a language file (at most 254 characters).
QString languageText(const QString& languageFile, const QString& section, const QString& key);

// Qt's own texts (the print, font, colour and file dialogs, the calendars'
// month and day names) in the language of `languageFile` ("de.ini"), and
// that language's locale as the program's default, so its regional number
// and date formats go with it. Replaces what an earlier call installed.
// Returns false when Qt has no translation of its own for it.
bool useLanguageForQt(const QString& languageFile);

}  // namespace zv
