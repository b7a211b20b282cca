#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/captions.h"
#include "core/config.h"
#include "platform/widgets.h"
#include "support/fixture.h"

namespace zv {
namespace {

// A window built the way the windows are: every control named, items inside
// their menus, one action held by the window itself, every caption "design".
struct Window {
    QWidget w;
    Label* Label20 = new Label(QStringLiteral("Label20"), &w);
    QPushButton* Command1 = new QPushButton(QStringLiteral("design"), &w);
    QCheckBox* Check1 = new QCheckBox(QStringLiteral("design"), &w);
    QGroupBox* Frame1 = new QGroupBox(QStringLiteral("design"), &w);
    QLineEdit* Text1 = new QLineEdit(QStringLiteral("typed"), &w);
    QMenuBar* bar = new QMenuBar(&w);
    QMenu* File_menu = bar->addMenu(QStringLiteral("design"));
    QAction* Esci_menu = File_menu->addAction(QStringLiteral("design"));
    QAction* prnt = new QAction(QStringLiteral("design"), &w);

    Window() {
        w.setObjectName(QStringLiteral("principale"));
        w.setWindowTitle(QStringLiteral("design"));
        Label20->setText(QStringLiteral("design"));
        Command1->setObjectName(QStringLiteral("Command1"));
        Check1->setObjectName(QStringLiteral("Check1"));
        Frame1->setObjectName(QStringLiteral("Frame1"));
        Text1->setObjectName(QStringLiteral("Text1"));
        File_menu->setObjectName(QStringLiteral("File_menu"));
        Esci_menu->setObjectName(QStringLiteral("Esci_menu"));
        prnt->setObjectName(QStringLiteral("prnt"));
    }

    std::map<std::string, QString> captions() const {
        return {{"title", w.windowTitle()},       {"Label20", Label20->text()}, {"Command1", Command1->text()},
                {"Check1", Check1->text()},       {"Frame1", Frame1->title()},  {"File_menu", File_menu->title()},
                {"Esci_menu", Esci_menu->text()}, {"prnt", prnt->text()}};
    }
};

class Captions : public test::ProgramFolderTest {
protected:
    void writeLanguageFile(const QString& name, const QByteArray& text) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
};

TEST_F(Captions, EachControlTakesItsOwnKeyAndAMissingOneTheEnglishText) {
    writeLanguageFile(QStringLiteral("partial.ini"), "[principale]\r\ncmd2=Only this one\r\n");
    const std::map<std::string, QString> english{
        {"title", "Zarvium"},     {"Label20", "ANALYSES"}, {"Command1", "SEARCH"}, {"Check1", "Automatic reports:"},
        {"Frame1", "WORK DATE:"}, {"File_menu", "File"},   {"Esci_menu", "Exit"},  {"prnt", "Print reports"}};
    std::map<std::string, QString> partial = english;
    partial["Label20"] = QStringLiteral("Only this one");
    struct Case {
        const char* file;
        std::map<std::string, QString> expected;
    };
    const Case cases[] = {
        {"it.ini",
         {{"title", "Zarvium"},
          {"Label20", "ANALISI"},
          {"Command1", "RICERCA"},
          {"Check1", "Refertazione automatica:"},
          {"Frame1", "DATA DI LAVORO:"},
          {"File_menu", "File"},
          {"Esci_menu", "Esci"},
          {"prnt", "Stampa referti"}}},
        {"en.ini", english},
        {"partial.ini", partial},  // the key it has, the English text for the others
        {"absent.ini", english},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Window window;
        applyCaptions(&window.w, QString::fromLatin1(c.file), QStringLiteral("principale"),
                      {{"", "titolo"},
                       {"Label20", "cmd2"},
                       {"Nowhere", "cmd2"},  // not in this window: passed over
                       {"Command1", "cmd3"},
                       {"Check1", "label9"},
                       {"Frame1", "label1"},
                       {"Text1", "cmd4"},  // a text box has no caption
                       {"File_menu", "menu1"},
                       {"Esci_menu", "menu14"},
                       {"prnt", "menu61"}});
        EXPECT_EQ(window.captions(), c.expected);
        EXPECT_EQ(window.Text1->text(), QStringLiteral("typed"));
    }
}

TEST_F(Captions, TheWindowsOwnNameSetsItsTitleAndListsCanBeBuiltAtRunTime) {
    Window window;
    QList<CaptionKey> keys{{QStringLiteral("principale"), QStringLiteral("menu3")}};
    for (const char* name : {"Label20", "Command1"})
        keys.append({QString::fromLatin1(name), QStringLiteral("menu4")});
    applyCaptions(&window.w, QStringLiteral("it.ini"), QStringLiteral("principale"), keys);
    EXPECT_EQ(window.w.windowTitle(), QStringLiteral("Archivio"));
    EXPECT_EQ(window.Label20->text(), QStringLiteral("Analisi"));
    EXPECT_EQ(window.Command1->text(), QStringLiteral("Analisi"));
    EXPECT_EQ(window.Check1->text(), QStringLiteral("design"));  // not in the list
}

TEST_F(Captions, OneTextFallsBackToEnglishAndIsEmptyOnlyWhereNoFileHasIt) {
    struct Case {
        const char* file;
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"it.ini", "principale", "msg5", "Back-up automatico eseguito"},
        {"en.ini", "principale", "msg5", "Automatic back-up done"},
        {"it.ini", "principale", "nokey", ""},
        {"it.ini", "nosection", "msg5", ""},
        {"absent.ini", "principale", "msg5", "Automatic back-up done"},
        {"absent.ini", "principale", "nokey", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.section + " " + c.key);
        EXPECT_EQ(caption(QString::fromLatin1(c.file), QString::fromLatin1(c.section), QString::fromLatin1(c.key)),
                  QString::fromUtf8(c.expected));
    }
}

// With en.ini gone as well, the English texts built into the program stand
// in; each file that lacks a caption is logged once, naming the file.
TEST_F(Captions, WithoutEnglishFileTheBuiltInTextsAndOneLogLinePerFile) {
    writeLanguageFile(QStringLiteral("partial.ini"), "[principale]\r\ncmd2=Only this one\r\n");
    ASSERT_TRUE(QFile::remove(path("en.ini")));
    const QString shipped = QStringLiteral(ZV_DIST_DIR);
    const struct Case {
        const char* file;
        const char* section;
        const char* key;
    } cases[] = {{"partial.ini", "principale", "cmd2"}, {"partial.ini", "principale", "msg5"},
                 {"partial.ini", "qcrif", "msg6"},      {"absent.ini", "stampa", "wbc"},
                 {"en.ini", "principale", "menu14"},    {"partial.ini", "principale", "nokey"}};
    for (int round = 0; round < 2; ++round)
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.file) + " [" + c.section + "] " + c.key);
            const QString section = QLatin1String(c.section);
            const QString key = QLatin1String(c.key);
            const QString shown = caption(QLatin1String(c.file), section, key);
            if (key == QLatin1String("cmd2"))
                EXPECT_EQ(shown, QStringLiteral("Only this one"));
            else
                EXPECT_EQ(shown, leggiini(section, key, QStringLiteral("en.ini"), 255, shipped));
        }
    const QString log = QString::fromUtf8(fileBytes(path("log/08.12.26.log")));
    const QStringList lines = log.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << log.toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("\t3265\tLanguage file ") + path("partial.ini") +
                                  QStringLiteral(" lacks captions, [principale] msg5 the first")))
        << lines[0].toStdString();
    EXPECT_TRUE(
        lines[1].contains(QStringLiteral("\t53\tLanguage file ") + path("en.ini") + QStringLiteral(" not found")))
        << lines[1].toStdString();
    EXPECT_TRUE(
        lines[2].contains(QStringLiteral("\t53\tLanguage file ") + path("absent.ini") + QStringLiteral(" not found")))
        << lines[2].toStdString();
}

}  // namespace
}  // namespace zv
