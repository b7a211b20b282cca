#include <QStringList>

#include "shell/language.h"
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
                EXPECT_FALSE(languageText(language, section, key).trimmed().isEmpty())
                    << language << " [" << section << "] " << key.toStdString();
}

}  // namespace
}  // namespace zv
