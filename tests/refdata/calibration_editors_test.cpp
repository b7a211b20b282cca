#include <QLocale>

#include <array>
#include <functional>

#include "refdata/calfact.h"
#include "refdata/editor_fixture.h"
#include "refdata/vet.h"
#include "support/marks.h"

namespace zv {
namespace {

class CalibrationEditors : public test::EditorTest {
protected:
    Connection veterinary() { return Connection(path("vet.mdb")); }
    int64_t rows() { return veterinary().scalar("SELECT count(*) FROM cal").toLongLong(); }
    QString stored(const QString& sql) { return veterinary().scalar(sql).toString(); }
    QString cal(const char* key) { return leggiini("cal", QLatin1String(key), "general.ini", 255); }
    QByteArray generalIni() { return fileBytes(path("general.ini")); }
};

TEST_F(CalibrationEditors, HumanFactorsShownAndWrittenByOk) {
    scriviini("cal", "mpv", "1,0234567", "general.ini");  // longer than a box holds
    start();
    calfact* w = Forms::show<calfact>();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), say("calfact", "titolo"));
    EXPECT_EQ(w->Label17->text(), say("calfact", "lbl17"));
    EXPECT_EQ(w->Text1->text(), QStringLiteral("1"));
    EXPECT_EQ(w->Text13->text(), QStringLiteral("1"));
    EXPECT_EQ(w->Text12->text(), QStringLiteral("1,023"));  // 7 characters read, 5 shown

    // Closed without OK: nothing written.
    const QByteArray before = generalIni();
    type(w->Text1, "2");
    w->close();
    ASSERT_TRUE(waitUnloaded("calfact"));
    EXPECT_EQ(generalIni(), before);

    w = Forms::show<calfact>();
    type(w->Text1, "1,05");
    type(w->Text7, "0,9");
    click(w->Command1);
    EXPECT_TRUE(shown().isEmpty());
    ASSERT_TRUE(waitUnloaded("calfact"));
    EXPECT_EQ(cal("wbc"), QStringLiteral("1,05"));
    EXPECT_EQ(cal("rbc"), QStringLiteral("0,9"));
    EXPECT_EQ(cal("mpv"), QStringLiteral("1,023"));
    EXPECT_EQ(cal("pdw"), QStringLiteral("1"));
    EXPECT_FALSE(QFile::exists(path("log/08.12.26.log"))) << logText().toStdString();
}

TEST_F(CalibrationEditors, HumanFactorThatIsNotANumberIsRefused) {
    start();
    calfact* w = Forms::show<calfact>();
    const QByteArray before = generalIni();
    for (const char* typed : {"", ",", "1,1,1", ",,5"}) {
        SCOPED_TRACE(typed);
        type(w->Text3, QString::fromUtf8(typed));
        click(w->Command1);
        const auto messages = prompts_->takeMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, say("calfact", "msg1") + " LYM% \"" + QString::fromUtf8(typed) + "\"");
        EXPECT_EQ(messages[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(generalIni(), before);  // not one key written
        EXPECT_TRUE(Forms::isLoaded("calfact"));
        EXPECT_EQ(w->focusWidget(), w->Text3);  // where the user corrects it
    }
    type(w->Text3, "1,1");
    click(w->Command1);
    ASSERT_TRUE(waitUnloaded("calfact"));
    EXPECT_EQ(cal("lym"), QStringLiteral("1,1"));
}

TEST_F(CalibrationEditors, FactorBoxesTakeFiveDigitsAndTheSeparator) {
    struct Case {
        const char* decimale;
        const char* typed;
        const char* kept;
    } cases[] = {{",", "1.5a2", "1,52"},  // the other mark types the configured one
                 {".", "1,5a2", "1.52"},
                 {"", "1,5.2", "152"},
                 {",", "1234567", "12345"},
                 {",", "1\u00bc", "1\u00bc"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        scriviini("separatore", "decimale", QString::fromUtf8(c.decimale), "general.ini");
        restart();
        calfact* h = Forms::show<calfact>();
        vet* s = Forms::show<vet>();
        type(h->Text5, QString::fromUtf8(c.typed));
        type(s->Text5, QString::fromUtf8(c.typed));
        EXPECT_EQ(h->Text5->text(), QString::fromUtf8(c.kept));
        EXPECT_EQ(s->Text5->text(), QString::fromUtf8(c.kept));
        type(s->Text14, "Cane d'Amico, 5%");  // the name takes everything
        EXPECT_EQ(s->Text14->text(), QStringLiteral("Cane d'Amico, 5%"));
    }
}

TEST_F(CalibrationEditors, SpeciesRowsBrowsedInNameOrder) {
    start();
    vet* w = Forms::show<vet>();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), say("vet", "titolo"));
    EXPECT_EQ(w->Label1->text(), say("vet", "label1"));
    EXPECT_EQ(w->Command4->text(), say("vet", "cmd4"));
    EXPECT_EQ(w->Text14->text(), QStringLiteral("CANE"));
    EXPECT_EQ(w->Text1->text(), QStringLiteral("1"));
    struct Step {
        QPushButton* vet::*button;
        const char* name;
        int beeps;
    } steps[] = {{&vet::Command1, "CANE", 1}, {&vet::Command2, "GATTO", 1}, {&vet::Command2, "GATTO", 2},
                 {&vet::Command7, "CANE", 2}, {&vet::Command8, "GATTO", 2}, {&vet::Command1, "CANE", 2}};
    for (const Step& s : steps) {
        click(w->*s.button);
        EXPECT_EQ(w->Text14->text(), QLatin1String(s.name));
        EXPECT_EQ(beeps, s.beeps);
    }
    EXPECT_FALSE(QFile::exists(path("log/08.12.26.log"))) << logText().toStdString();
}

TEST_F(CalibrationEditors, NewSpeciesIsStoredBySaveOnly) {
    start();
    vet* w = Forms::show<vet>();
    click(w->Command4);
    const auto asked = prompts_->takeMessages();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, say("vet", "msg2"));  // before the row is begun
    EXPECT_EQ(asked[0].icon, MsgIcon::Information);
    EXPECT_EQ(w->Text14->text(), say("vet", "txt14"));
    for (QLineEdit* box : {w->Text1, w->Text7, w->Text13})
        EXPECT_EQ(box->text(), QStringLiteral("1"));
    EXPECT_TRUE(w->browse().isNewRow());

    // Moving away, or closing, lets it go.
    click(w->Command2);
    EXPECT_EQ(w->Text14->text(), QStringLiteral("GATTO"));
    click(w->Command4);
    w->close();
    ASSERT_TRUE(waitUnloaded("vet"));
    EXPECT_EQ(shown(), QStringList{say("vet", "msg2")});
    EXPECT_EQ(rows(), 2);

    w = Forms::show<vet>();
    click(w->Command4);
    type(w->Text14, "CAVALLO  ");  // stored as typed
    type(w->Text1, "1,2");
    click(w->Command3);
    EXPECT_EQ(shown(), QStringList({say("vet", "msg2"), say("vet", "msg1")}));
    EXPECT_EQ(rows(), 3);
    EXPECT_EQ(stored("SELECT wbc FROM cal WHERE animale = 'CAVALLO  '"), QStringLiteral("1,2"));
    EXPECT_EQ(stored("SELECT pdw FROM cal WHERE animale = 'CAVALLO  '"), QStringLiteral("1"));
    // The new row comes after the last one until the window is opened again.
    click(w->Command1);
    EXPECT_EQ(w->Text14->text(), QStringLiteral("GATTO"));
    EXPECT_EQ(logLines(), 0);
}

TEST_F(CalibrationEditors, SaveOverwritesTheRowShownUnlessAFactorIsNoNumber) {
    start();
    vet* w = Forms::show<vet>();
    type(w->Text14, "DOG");
    type(w->Text8, "1,1");
    click(w->Command3);
    EXPECT_EQ(shown(), QStringList{say("vet", "msg1")});
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(stored("SELECT hgb FROM cal WHERE animale = 'DOG'"), QStringLiteral("1,1"));
    EXPECT_EQ(stored("SELECT count(*) FROM cal WHERE animale = 'CANE'"), QStringLiteral("0"));

    type(w->Text14, "CANE");
    type(w->Text5, "");
    click(w->Command3);
    const auto refused = prompts_->takeMessages();
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].text, say("vet", "msg4") + " EOS% \"\"");
    EXPECT_EQ(stored("SELECT count(*) FROM cal WHERE animale = 'DOG' AND eos = '1'"), QStringLiteral("1"));
    EXPECT_TRUE(Forms::isLoaded("vet"));
    EXPECT_EQ(w->Text14->text(), QStringLiteral("CANE"));  // what was typed stays
    EXPECT_EQ(logLines(), 0);
}

// Factors are kept as typed, so a "1.05" can sit beside a "0,98": each shows
// in the configured mark whatever the system's (the default locale has the
// other one), and SALVA rewrites only the factor the user changed.
// Both editors show every factor in the configured mark, whichever mark it
// is kept in, and save the text of a factor nobody edited as it was.
TEST_F(CalibrationEditors, FactorsShowInTheConfiguredMarkAndUneditedOnesKeepTheirText) {
    struct Editor {
        const char* name;
        std::function<void()> keep;                       // wbc 1.05, rbc 0,98, hgb 1
        std::function<std::array<QLineEdit*, 3>()> show;  // the wbc, rbc and hgb boxes
        std::function<void()> save;
        std::function<QStringList()> said;
        std::function<QString()> kept;  // wbc|rbc|hgb
    };
    const Editor editors[] = {
        {"vet",
         [&] { veterinary().execute("UPDATE cal SET wbc = '1.05', rbc = '0,98', hgb = '1' WHERE animale = 'CANE'"); },
         [&] {
             vet* w = Forms::show<vet>();
             return w ? std::array{w->Text1, w->Text7, w->Text8} : std::array<QLineEdit*, 3>{};
         },
         [&] { click(Forms::get<vet>()->Command3); }, [&] { return QStringList{say("vet", "msg1")}; },
         [&] { return stored("SELECT wbc || '|' || rbc || '|' || hgb FROM cal WHERE animale = 'CANE'"); }},
        {"calfact",
         [&] {
             scriviini("cal", "wbc", "1.05", "general.ini");
             scriviini("cal", "rbc", "0,98", "general.ini");
             scriviini("cal", "hgb", "1", "general.ini");
         },
         [&] {
             calfact* w = Forms::show<calfact>();
             return w ? std::array{w->Text1, w->Text7, w->Text8} : std::array<QLineEdit*, 3>{};
         },
         [&] {
             click(Forms::get<calfact>()->Command1);
             EXPECT_TRUE(waitUnloaded("calfact"));  // OK closes it
         },
         [&] { return QStringList{}; },
         [&] {
             return QStringList{cal("wbc"), cal("rbc"), cal("hgb")}.join(QLatin1Char('|'));
         }},
    };
    const QLocale before;
    for (const Editor& e : editors)
        for (const test::MarkCase& c : test::markCases()) {
            SCOPED_TRACE(std::string(e.name) + " " + c.mark + " " + c.lingua);
            const QString m = QString::fromLatin1(c.mark);
            auto inMark = [&](const char* text) { return QString::fromLatin1(text).replace(QLatin1Char('#'), m); };
            QLocale::setDefault(c.system);
            scriviini("separatore", "decimale", m, "general.ini");
            scriviini("language", "lingua", c.lingua, "general.ini");
            e.keep();
            restart();
            const auto [wbc, rbc, hgb] = e.show();
            ASSERT_NE(wbc, nullptr);
            EXPECT_EQ(wbc->text(), inMark("1#05"));
            EXPECT_EQ(rbc->text(), inMark("0#98"));
            EXPECT_EQ(hgb->text(), QStringLiteral("1"));
            type(hgb, inMark("1#1"));  // the one box edited
            e.save();
            EXPECT_EQ(shown(), e.said());
            EXPECT_EQ(e.kept(), QStringLiteral("1.05|0,98|") + inMark("1#1"));
            Forms::unloadAll();
        }
    QLocale::setDefault(before);
    EXPECT_EQ(logLines(), 0);
}

TEST_F(CalibrationEditors, EmptyFieldShowsEmptyAndTheOthersAreStillFilled) {
    veterinary().execute("UPDATE cal SET mpv = NULL, wbc = '1,1' WHERE animale = 'CANE'");
    start();
    vet* w = Forms::show<vet>();
    EXPECT_EQ(w->Text12->text(), QString());
    EXPECT_EQ(w->Text1->text(), QStringLiteral("1,1"));
    EXPECT_EQ(w->Text13->text(), QStringLiteral("1"));
    EXPECT_EQ(w->Text14->text(), QStringLiteral("CANE"));
    click(w->Command2);
    click(w->Command1);
    EXPECT_EQ(w->Text12->text(), QString());
    EXPECT_EQ(w->Text1->text(), QStringLiteral("1,1"));
    EXPECT_FALSE(QFile::exists(path("log/08.12.26.log"))) << logText().toStdString();
}

TEST_F(CalibrationEditors, EmptyTableIsReportedAndTheFirstRowCanBeAdded) {
    veterinary().execute("DELETE FROM cal");
    start();
    vet* w = Forms::show<vet>();
    ASSERT_NE(w, nullptr);
    const auto messages = prompts_->takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, say("vet", "msg3"));
    EXPECT_EQ(messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(logLines(), 1);
    EXPECT_TRUE(logText().contains("\t\tvet\t3021\t")) << logText().toStdString();
    EXPECT_EQ(w->Text14->text(), QString());

    // Browsing nothing is logged and the program goes on.
    click(w->Command2);
    EXPECT_EQ(logLines(), 2);
    click(w->Command4);
    click(w->Command3);
    EXPECT_EQ(shown(), QStringList({say("vet", "msg2"), say("vet", "msg1")}));
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(stored("SELECT animale FROM cal"), say("vet", "txt14"));
}

TEST_F(CalibrationEditors, CaptionsAndMessagesInEveryLanguage) {
    for (const char* lingua : {"it", "en", "de", "fr", "es", "ru"}) {
        SCOPED_TRACE(lingua);
        scriviini("language", "lingua", lingua, "general.ini");
        restart();
        calfact* h = Forms::show<calfact>();
        vet* s = Forms::show<vet>();
        for (const auto& [section, key, text] :
             {std::tuple{"calfact", "titolo", h->windowTitle()}, std::tuple{"calfact", "lbl17", h->Label17->text()},
              std::tuple{"vet", "titolo", s->windowTitle()}, std::tuple{"vet", "label17", s->Label17->text()},
              std::tuple{"vet", "label1", s->Label1->text()}, std::tuple{"vet", "cmd4", s->Command4->text()},
              std::tuple{"vet", "cmd3", s->Command3->text()}}) {
            EXPECT_FALSE(text.isEmpty()) << section << "/" << key;
            EXPECT_EQ(text, say(section, key)) << section << "/" << key;
        }
        h->Text1->setText("");
        click(h->Command1);
        click(s->Command4);
        s->Text2->setText("x");
        click(s->Command3);
        s->Text2->setText("1");
        click(s->Command3);
        const QStringList messages = shown();
        ASSERT_EQ(messages.size(), 4);
        EXPECT_TRUE(messages[0].startsWith(say("calfact", "msg1")));
        EXPECT_EQ(messages[1], say("vet", "msg2"));
        EXPECT_TRUE(messages[2].startsWith(say("vet", "msg4")));
        EXPECT_EQ(messages[3], say("vet", "msg1"));
        for (const char* key : {"msg1", "msg2", "msg3", "msg4", "txt14"})
            EXPECT_FALSE(say("vet", key).isEmpty()) << key;
        EXPECT_FALSE(say("calfact", "msg1").isEmpty());
    }
}

}  // namespace
}  // namespace zv
