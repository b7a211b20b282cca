#include <QStringList>

#include "core/config.h"
#include "core/language.h"
#include "support/fixture.h"

namespace zv {
namespace {

class DialogTexts : public test::ProgramFolderTest {};

// Every text the shell's small windows and the manual entry read, in every
// language the program ships: a missing one would show as an empty caption.
TEST_F(DialogTexts, EveryLanguageHasEveryKey) {
    const std::pair<const char*, QStringList> sections[] = {
        {"errlog", {"titolo"}},
        {"changelan", {"titolo", "msg1"}},
        {"cambia", {"titolo", "label1"}},
        {"cambia2", {"titolo", "label1"}},
        {"frmlogin", {"titolo"}},
        {"help", {"label2", "label3", "label4"}},
        {"inserimento", {"titolo", "lbl7", "lbl8", "cmd1"}},
    };
    for (const char* language : {"it.ini", "en.ini", "de.ini", "fr.ini", "es.ini", "ru.ini"})
        for (const auto& [section, keys] : sections)
            for (const QString& key : keys)
                EXPECT_FALSE(leggiini(section, key, language, 255).trimmed().isEmpty())
                    << language << " [" << section << "] " << key.toStdString();
}

// A key one file lacks would show the English text there and nobody notice:
// every language file holds every key of the English one, none of them empty.
TEST_F(DialogTexts, EveryLanguageFileHoldsEveryEnglishKey) {
    QStringList keys;  // "section/key"
    QString section;
    for (const QByteArray& raw : fileBytes(path("en.ini")).split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            section = line.mid(1, line.indexOf(QLatin1Char(']')) - 1);
        else if (line.contains(QLatin1Char('=')) && !line.startsWith(QLatin1Char(';')))
            keys << section + QLatin1Char('/') + line.left(line.indexOf(QLatin1Char('='))).trimmed();
    }
    ASSERT_GT(keys.size(), 300);
    for (const char* language : {"it.ini", "en.ini", "de.ini", "fr.ini", "es.ini", "ru.ini"})
        for (const QString& entry : keys) {
            const QString sectionName = entry.section(QLatin1Char('/'), 0, 0);
            const QString key = entry.section(QLatin1Char('/'), 1);
            EXPECT_FALSE(leggiini(sectionName, key, QLatin1String(language), 255).trimmed().isEmpty())
                << language << " [" << sectionName.toStdString() << "] " << key.toStdString();
        }
}

}  // namespace
}  // namespace zv
