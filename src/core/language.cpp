#include "core/language.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QSet>
#include <QTranslator>

#include <memory>

#include "core/builtinenglish.h"
#include "core/config.h"
#include "core/programfiles.h"
#include "platform/errors.h"
#include "platform/profile.h"

namespace zv {

namespace {

constexpr int kCaptionBuffer = 255;

const QString& englishFile() {
    static const QString file = QStringLiteral("en.ini");
    return file;
}

// A deleted, emptied or garbled language file would otherwise leave the
// captions empty with nothing to tell why: the first key that a file lacks
// is logged, once per file and run, and the English text shown instead.
void reportLacking(const QString& languageFile, const QString& section, const QString& key) {
    static QSet<QString> reported;
    const QString path = profile::resolvePath(programPath(languageFile));
    if (reported.contains(path))
        return;
    reported.insert(path);
    if (!QFileInfo::exists(path))
        logerrore(err::FileNotFound,
                  QStringLiteral("Language file %1 not found: the English captions are shown").arg(path),
                  QStringLiteral("leggiini"));
    else
        logerrore(err::ItemNotFound,
                  QStringLiteral("Language file %1 lacks captions, [%2] %3 the first: the English ones are shown")
                      .arg(path, section, key),
                  QStringLiteral("leggiini"));
}

QString builtInEnglish(const QString& section, const QString& key) {
    static const profile::Snapshot texts = profile::Snapshot::ofBytes(builtInEnglishIni());
    return texts.read(section, key).left(kCaptionBuffer - 1);
}

}  // namespace

namespace {
const char* const languageCodes[] = {"it", "en", "de", "fr", "es", "ru"};
}  // namespace

QString languageFileFor(const QString& lingua) {
    for (const char* code : languageCodes)
        if (lingua == QLatin1String(code))
            return lingua + QStringLiteral(".ini");
    return englishFile();
}

QStringList languageFiles() {
    QStringList files;
    for (const char* code : languageCodes)
        files << QLatin1String(code) + QStringLiteral(".ini");
    return files;
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
    // No shipped text is empty, so an empty one is a text the file lacks. A
    // key that no file holds is no file's fault and is not reported.
    const QString text = leggiini(section, key, languageFile, kCaptionBuffer);
    if (!text.isEmpty())
        return text;
    const bool english = languageFile.compare(englishFile(), Qt::CaseInsensitive) == 0;
    if (!english) {
        const QString englishText = leggiini(section, key, englishFile(), kCaptionBuffer);
        if (!englishText.isEmpty()) {
            reportLacking(languageFile, section, key);
            return englishText;
        }
    }
    const QString builtIn = builtInEnglish(section, key);
    if (!builtIn.isEmpty()) {
        if (!english)
            reportLacking(languageFile, section, key);
        reportLacking(englishFile(), section, key);
    }
    return builtIn;
}

}  // namespace zv
