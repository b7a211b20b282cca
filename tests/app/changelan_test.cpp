#include <QFile>
#include <QTest>

#include "app/changelan.h"
#include "core/language.h"
#include "platform/forms.h"
#include "support/started_program.h"

namespace zv {
namespace {

class LanguageDialog : public test::StartedProgramTest {
protected:
    changelan* open() {
        changelan* dialog = Forms::show<changelan>();
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
    QString lingua() { return leggiini("language", "lingua", "general.ini", 255); }
    // Takes the confirmation; it must be the one of the language in use.
    void expectConfirmation(const QString& languageFile) {
        const auto shown = prompts_->takeMessages();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, languageText(languageFile, "changelan", "msg1"));
        EXPECT_FALSE(shown[0].text.isEmpty());
        EXPECT_EQ(shown[0].title, QStringLiteral("Zarvium"));
        EXPECT_EQ(shown[0].icon, MsgIcon::Information);
    }
};

TEST_F(LanguageDialog, PickedLanguageIsWrittenOnOk) {
    start();
    changelan* dialog = open();
    EXPECT_EQ(dialog->windowTitle(), languageText("it.ini", "changelan", "titolo"));
    EXPECT_TRUE(dialog->Option1->isChecked());
    EXPECT_EQ(dialog->lin, QStringLiteral("it"));
    EXPECT_TRUE(dialog->Image1->picturePath().endsWith(QStringLiteral("/immagini/italian.gif")));
    EXPECT_TRUE(dialog->Image6->picturePath().endsWith(QStringLiteral("/immagini/russia.gif")));
    QTest::mouseClick(dialog->Option5, Qt::LeftButton);
    EXPECT_EQ(dialog->lin, QStringLiteral("es"));
    QTest::mouseClick(dialog->Command1, Qt::LeftButton);
    expectConfirmation("it.ini");
    EXPECT_TRUE(closed<changelan>());
    EXPECT_EQ(lingua(), QStringLiteral("es"));
    // The running program keeps its language.
    EXPECT_EQ(Session::get().linguax, QStringLiteral("it.ini"));
}

TEST_F(LanguageDialog, StoredCodeChoosesTheOption) {
    struct Case {
        const char* stored;
        int checked;  // 1 ... 6
        const char* written;
        const char* inUse;
    } cases[] = {
        {"ru", 6, "ru", "ru.ini"}, {"fr", 4, "fr", "fr.ini"}, {"pt", 1, "it", "en.ini"}, {"", 1, "it", "en.ini"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        scriviini("language", "lingua", c.stored, "general.ini");
        start();
        changelan* dialog = open();
        QRadioButton* const options[] = {dialog->Option1, dialog->Option2, dialog->Option3,
                                         dialog->Option4, dialog->Option5, dialog->Option6};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(options[i]->isChecked(), i + 1 == c.checked) << "Option" << i + 1;
        QTest::mouseClick(dialog->Command1, Qt::LeftButton);
        expectConfirmation(QString::fromLatin1(c.inUse));
        EXPECT_EQ(lingua(), QString::fromLatin1(c.written));
        Forms::unloadAll();
    }
}

TEST_F(LanguageDialog, OnlyOfferedLanguagesCanBePicked) {
    scriviini("language", "lingua", "de", "general.ini");
    scriviini("language", "de", "False", "general.ini");
    scriviini("language", "fr", "0", "general.ini");
    scriviini("language", "es", "maybe", "general.ini");
    scriviini("language", "en", "TRUE", "general.ini");
    scriviini("language", "it", "-1", "general.ini");
    {
        // [language] ru missing altogether.
        QFile ini(path("general.ini"));
        ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
        QByteArray bytes = ini.readAll();
        ini.close();
        ASSERT_TRUE(bytes.contains("ru=True"));
        bytes.replace("ru=True", "");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(bytes);
    }
    start();
    changelan* dialog = open();
    EXPECT_TRUE(dialog->Option1->isEnabled());
    EXPECT_TRUE(dialog->Option2->isEnabled());
    EXPECT_FALSE(dialog->Option3->isEnabled());
    EXPECT_TRUE(dialog->Option3->isChecked());  // the stored language stays selected
    EXPECT_FALSE(dialog->Option4->isEnabled());
    EXPECT_TRUE(dialog->Option5->isEnabled());
    EXPECT_TRUE(dialog->Option6->isEnabled());
    QTest::mouseClick(dialog->Option4, Qt::LeftButton);
    EXPECT_FALSE(dialog->Option4->isChecked());
    EXPECT_EQ(dialog->lin, QStringLiteral("de"));
    QTest::mouseClick(dialog->Command1, Qt::LeftButton);
    expectConfirmation("de.ini");
    EXPECT_EQ(lingua(), QStringLiteral("de"));
}

TEST_F(LanguageDialog, ClosingWithoutOkWritesNothing) {
    start();
    changelan* dialog = open();
    QTest::mouseClick(dialog->Option2, Qt::LeftButton);
    dialog->close();
    EXPECT_TRUE(closed<changelan>());
    EXPECT_EQ(lingua(), QStringLiteral("it"));
}

}  // namespace
}  // namespace zv
