#pragma once
#include <QString>

namespace zv {

// The language file for a general.ini [language] lingua value: "it", "en",
// "de", "fr", "es" or "ru" (exactly, letter case included) give their own
// file, anything else "en.ini".
QString languageFileFor(const QString& lingua);
// The language file chosen by general.ini now.
QString configuredLanguageFile();
// One text of a window's section of a language file (at most 254 characters).
QString languageText(const QString& languageFile, const QString& section, const QString& key);

}  // namespace zv
