#include "shell/language.h"

#include "shell/config.h"
#include "shell/programfiles.h"

namespace zv {

QString languageFileFor(const QString& lingua) {
    static const char* const codes[] = {"it", "en", "de", "fr", "es", "ru"};
    for (const char* code : codes)
        if (lingua == QLatin1String(code))
            return lingua + QStringLiteral(".ini");
    return QStringLiteral("en.ini");
}

QString configuredLanguageFile() {
    return languageFileFor(leggiini(QStringLiteral("language"), QStringLiteral("lingua"), file::generalIni, 8));
}

QString languageText(const QString& languageFile, const QString& section, const QString& key) {
    return leggiini(section, key, languageFile, 255);
}

}  // namespace zv
