#include "shell/language.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

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

bool useLanguageForQt(const QString& languageFile) {
    static std::unique_ptr<QTranslator> installed;
    const QLocale locale(QFileInfo(languageFile).completeBaseName().toLower());
    QLocale::setDefault(locale);
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
    return true;
}

QString languageText(const QString& languageFile, const QString& section, const QString& key) {
    return leggiini(section, key, languageFile, 255);
}

}  // namespace zv
