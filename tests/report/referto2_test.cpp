// The report texts-and-fonts dialog against real files: the seven items with
// their fonts and colours and the alarm texts loaded from print.ini and
// general.ini, the font and colour dialogs (a cancelled one changes nothing),
// the 46 keys of the save in order and form, the exit that writes nothing,
// and a save the file refuses.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include "core/captions.h"
#include "core/windowlanguage.h"
#include "platform/forms.h"
#include "platform/profile.h"
#include "report/referto.h"
#include "report/referto2.h"
#include "support/window_fixture.h"

namespace zv {
namespace {

QStringList fileLines(const QByteArray& bytes) {
    QStringList lines;
    for (const QString& line : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
        const QString l = QString(line).remove(QLatin1Char('\r'));
        if (!l.trimmed().isEmpty())
            lines << l;
    }
    return lines;
}

QFont face(const char* family, double size, bool bold, bool italic) {
    QFont f;
    f.setFamily(QString::fromUtf8(family));
    f.setPointSizeF(size);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

class Referto2Test : public test::WindowTest {
protected:
    QString printIni() const { return path(QStringLiteral("print.ini")); }
    QString generalIni() const { return path(QStringLiteral("general.ini")); }
    void writeFile(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    // general.ini without its [alarm] section.
    void dropAlarmSection() {
        QString text = QString::fromUtf8(fileBytes(generalIni()));
        text.remove(QRegularExpression(QStringLiteral("\\[alarm\\][^\\[]*")));
        writeFile(generalIni(), text.toUtf8());
    }
};

TEST_F(Referto2Test, LoadsTheShippedTextsFontsAndAlarmTexts) {
    auto* w = Forms::show<Referto2>();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Text1->text(), QStringLiteral("Laboratorio Analisi Cliniche"));
    EXPECT_EQ(w->Text2->text(), QStringLiteral("Via, numero civico - CAP Città"));
    EXPECT_EQ(w->Text9->text(), QStringLiteral("Settore di Ematologia"));
    EXPECT_EQ(w->Text4->text(), QStringLiteral("ESAME EMOCROMOCITOMETRICO"));
    const Referto2::ItemFont& riga1 = w->itemFont(0);
    EXPECT_EQ(riga1.name, QStringLiteral("Arial"));
    EXPECT_TRUE(riga1.bold);
    EXPECT_FALSE(riga1.italic);
    EXPECT_EQ(riga1.size, 16.0f);
    EXPECT_EQ(riga1.colour, 8388608);
    EXPECT_TRUE(w->itemFont(3).italic);
    EXPECT_EQ(w->itemFont(4).colour, 128);
    // The box previews the item as the report prints it.
    EXPECT_TRUE(w->Text1->font().bold());
    EXPECT_EQ(w->Text1->font().pointSizeF(), 16.0);
    EXPECT_EQ(w->Text1->palette().color(QPalette::Text), QColor(0, 0, 128));
    EXPECT_TRUE(w->Text9->font().italic());
    EXPECT_TRUE(w->Check1->isChecked());
    EXPECT_EQ(w->Text6->text(), QStringLiteral("L"));
    EXPECT_EQ(w->Text7->text(), QStringLiteral("H"));
    EXPECT_EQ(w->Text10->text(), QStringLiteral("----"));
}

TEST_F(Referto2Test, StyleFlagsLoadFromWordsOrNumbersAndBadValuesLeaveTheBoxAlone) {
    struct Case {
        const char* bold;
        const char* size;
        const char* colour;
        bool boldShown;
        float sizeShown;
        int32_t colourShown;
    };
    const Case cases[] = {
        {"True", "12", "255", true, 12.0f, 255},
        {"1", "9.75", "65280", true, 9.75f, 65280},
        {"0", "10", "-2147483640", false, 10.0f, Referto2::kWindowText},
        {"false", "11", "0", false, 11.0f, 0},
        // Not convertible: the box keeps what it had before the read.
        {"", "", "", false, 0.0f, Referto2::kWindowText},
        {"vero", "grande", "rosso", false, 0.0f, Referto2::kWindowText},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(profile::write(printIni(), "firma", "firma_bold", QString::fromUtf8(c.bold)));
        ASSERT_TRUE(profile::write(printIni(), "firma", "firma_size", QString::fromUtf8(c.size)));
        ASSERT_TRUE(profile::write(printIni(), "firma", "firma_color", QString::fromUtf8(c.colour)));
        auto* w = Forms::show<Referto2>();
        ASSERT_NE(w, nullptr);
        const Referto2::ItemFont& f = w->itemFont(5);
        EXPECT_EQ(f.bold, c.boldShown) << c.bold;
        EXPECT_EQ(f.size, c.sizeShown) << c.size;
        EXPECT_EQ(f.colour, c.colourShown) << c.colour;
        QTest::mouseClick(w->Command8, Qt::LeftButton);
    }
}

TEST_F(Referto2Test, SaveWritesTheFortySixKeysInOrderAndForm) {
    // Without the keys in the files every key is created, so the files show the order.
    ASSERT_TRUE(QFile::remove(printIni()));
    dropAlarmSection();
    auto* w = Forms::show<Referto2>();
    ASSERT_NE(w, nullptr);
    QLineEdit* const boxes[7] = {w->Text1, w->Text2, w->Text3, w->Text9, w->Text4, w->Text5, w->Text8};
    QPushButton* const buttons[7] = {w->Command1, w->Command2, w->Command3, w->Command10,
                                     w->Command4, w->Command5, w->Command9};
    for (int i = 0; i < 7; ++i) {
        QTest::keyClicks(boxes[i], QStringLiteral("Riga %1 dell'Ospedale ").arg(i));
        prompts_->fonts.push_back(
            face(i % 2 ? "Liberation Serif" : "DejaVu Sans", i == 2 ? 9.75 : 8 + i, i % 2 == 0, i % 3 == 0));
        prompts_->colours.push_back(QColor(i * 10, 20, 30 + i));
        QTest::mouseClick(buttons[i], Qt::LeftButton);
    }
    w->Check1->setChecked(true);
    QTest::keyClicks(w->Text6, QStringLiteral("<"));
    QTest::keyClicks(w->Text7, QStringLiteral(">"));
    QTest::keyClicks(w->Text10, QStringLiteral("n.m."));
    QTest::mouseClick(w->Command6, Qt::LeftButton);
    EXPECT_FALSE(Forms::isLoaded(QStringLiteral("Referto2")));

    const char* const items[7][3] = {{"header", "riga1", "riga1"},        {"header", "riga2", "riga2"},
                                     {"header", "riga3", "riga3"},        {"header", "riga4", "riga4"},
                                     {"titolo", "titolo_text", "titolo"}, {"firma", "firma", "firma"},
                                     {"firma", "firma2", "firma2"}};
    const QChar mark = QLocale().decimalPoint().at(0);
    QStringList expected;
    QString section;
    for (int i = 0; i < 7; ++i) {
        if (section != QLatin1String(items[i][0])) {
            section = QLatin1String(items[i][0]);
            expected << QLatin1Char('[') + section + QLatin1Char(']');
        }
        const QString p = QLatin1String(items[i][2]);
        expected << QLatin1String(items[i][1]) + QStringLiteral("=Riga %1 dell'Ospedale ").arg(i)
                 << p + QStringLiteral("_font=") + (i % 2 ? "Liberation Serif" : "DejaVu Sans")
                 << p + QStringLiteral("_bold=") + (i % 2 == 0 ? "True" : "False")
                 << p + QStringLiteral("_italic=") + (i % 3 == 0 ? "True" : "False")
                 << p + QStringLiteral("_size=") +
                        (i == 2 ? QStringLiteral("9") + mark + QStringLiteral("75") : QString::number(8 + i))
                 << p + QStringLiteral("_color=") + QString::number(i * 10 + 256 * 20 + 65536 * (30 + i));
    }
    EXPECT_EQ(fileLines(fileBytes(printIni())), expected);
    const QStringList general = fileLines(fileBytes(generalIni()));
    const QStringList alarm = {"[alarm]", "sign=1", "simboloL=<", "simboloH=>", "errore=n.m."};
    EXPECT_EQ(general.mid(general.size() - 5), alarm);
}

TEST_F(Referto2Test, SizesFollowTheUsersDecimalMark) {
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    ASSERT_TRUE(profile::write(printIni(), "titolo", "titolo_size", "9,75"));
    ASSERT_TRUE(profile::write(printIni(), "firma", "firma_size", "12"));
    auto* w = Forms::show<Referto2>();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->itemFont(4).size, 9.75f);
    QTest::mouseClick(w->Command6, Qt::LeftButton);
    EXPECT_EQ(profile::read(printIni(), "titolo", "titolo_size"), QStringLiteral("9,75"));
    EXPECT_EQ(profile::read(printIni(), "firma", "firma_size"), QStringLiteral("12"));
}

TEST_F(Referto2Test, AColourNeverChosenIsSavedAsTheWindowTextColour) {
    ASSERT_TRUE(profile::write(printIni(), "firma", "firma2_color", ""));
    auto* w = Forms::show<Referto2>();
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w->Command6, Qt::LeftButton);
    EXPECT_EQ(profile::read(printIni(), "firma", "firma2_color"), QStringLiteral("-2147483640"));
}

TEST_F(Referto2Test, ACancelledFontOrColourDialogChangesNothingInTheBox) {
    struct Case {
        bool fontChosen, colourChosen;
    };
    for (const Case c : {Case{false, false}, Case{true, false}, Case{false, true}, Case{true, true}}) {
        auto* w = Forms::show<Referto2>();
        ASSERT_NE(w, nullptr);
        const Referto2::ItemFont before = w->itemFont(0);
        prompts_->fonts.push_back(c.fontChosen ? std::optional<QFont>(face("DejaVu Serif", 20, false, true))
                                               : std::nullopt);
        prompts_->colours.push_back(c.colourChosen ? std::optional<QColor>(QColor(255, 0, 0)) : std::nullopt);
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        const Referto2::ItemFont& after = w->itemFont(0);
        EXPECT_EQ(after.name, c.fontChosen ? QStringLiteral("DejaVu Serif") : before.name);
        EXPECT_EQ(after.size, c.fontChosen ? 20.0f : before.size);
        EXPECT_EQ(after.bold, c.fontChosen ? false : before.bold);
        EXPECT_EQ(after.italic, c.fontChosen ? true : before.italic);
        EXPECT_EQ(after.colour, c.colourChosen ? 255 : before.colour);
        QTest::mouseClick(w->Command8, Qt::LeftButton);
    }
}

TEST_F(Referto2Test, EachDialogOpensOnTheLastConfirmedChoice) {
    auto* w = Forms::show<Referto2>();
    ASSERT_NE(w, nullptr);
    prompts_->fonts.push_back(face("DejaVu Serif", 13, true, false));
    prompts_->colours.push_back(QColor(1, 2, 3));
    QTest::mouseClick(w->Command5, Qt::LeftButton);
    prompts_->fonts.push_back(std::nullopt);
    prompts_->colours.push_back(std::nullopt);
    QTest::mouseClick(w->Command9, Qt::LeftButton);
    prompts_->fonts.push_back(std::nullopt);
    prompts_->colours.push_back(std::nullopt);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    ASSERT_EQ(prompts_->fontsOffered.size(), 3u);
    // First: no face, 8 points, regular, black.
    EXPECT_TRUE(prompts_->fontsOffered[0].family().isEmpty());
    EXPECT_EQ(prompts_->fontsOffered[0].pointSizeF(), 8.0);
    EXPECT_FALSE(prompts_->fontsOffered[0].bold());
    EXPECT_EQ(prompts_->coloursOffered[0], QColor(Qt::black));
    for (int i : {1, 2}) {
        EXPECT_EQ(prompts_->fontsOffered[static_cast<std::size_t>(i)].family(), QStringLiteral("DejaVu Serif"));
        EXPECT_EQ(prompts_->coloursOffered[static_cast<std::size_t>(i)], QColor(1, 2, 3));
    }
}

TEST_F(Referto2Test, ExitAndCloseLeaveBothFilesByteForByte) {
    const QByteArray print = fileBytes(printIni());
    const QByteArray general = fileBytes(generalIni());
    for (bool byFrame : {false, true}) {
        auto* w = Forms::show<Referto2>();
        ASSERT_NE(w, nullptr);
        QTest::keyClicks(w->Text1, QStringLiteral(" nuovo"));
        QTest::keyClicks(w->Text10, QStringLiteral("x"));
        w->Check1->setChecked(false);
        prompts_->fonts.push_back(face("DejaVu Serif", 30, true, true));
        prompts_->colours.push_back(QColor(9, 9, 9));
        QTest::mouseClick(w->Command4, Qt::LeftButton);
        if (byFrame)
            w->close();
        else
            QTest::mouseClick(w->Command8, Qt::LeftButton);
        EXPECT_FALSE(Forms::isLoaded(QStringLiteral("Referto2")));
        EXPECT_EQ(fileBytes(printIni()), print);
        EXPECT_EQ(fileBytes(generalIni()), general);
    }
}

TEST_F(Referto2Test, TheNotMeasuredTextTakesAtMostTwentyFourCharactersAndReadsBackAsTwentyThree) {
    auto* w = Forms::show<Referto2>();
    ASSERT_NE(w, nullptr);
    w->Text10->clear();
    QTest::keyClicks(w->Text10, QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ(w->Text10->text(), QStringLiteral("abcdefghijklmnopqrstuvwx"));
    QTest::mouseClick(w->Command6, Qt::LeftButton);
    EXPECT_EQ(profile::read(generalIni(), "alarm", "errore"), QStringLiteral("abcdefghijklmnopqrstuvwx"));
    w = Forms::show<Referto2>();
    EXPECT_EQ(w->Text10->text(), QStringLiteral("abcdefghijklmnopqrstuvw"));
}

TEST_F(Referto2Test, ASaveGeneralIniRefusesSaysSoAndKeepsTheWindowOpen) {
    auto* w = Forms::show<Referto2>();
    ASSERT_NE(w, nullptr);
    w->Text6->setText(QStringLiteral("!"));
    const QByteArray saved = fileBytes(generalIni());
    ASSERT_TRUE(QFile::remove(generalIni()));
    ASSERT_TRUE(QDir().mkdir(generalIni()));
    QTest::mouseClick(w->Command6, Qt::LeftButton);
    const auto shown = prompts_->takeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(shown[0].text.contains(QLatin1String("general.ini"))) << shown[0].text.toStdString();
    EXPECT_TRUE(Forms::isLoaded(QStringLiteral("Referto2")));
    EXPECT_EQ(w->Text6->text(), QStringLiteral("!"));
    const QString log = QString::fromUtf8(fileBytes(path(QStringLiteral("log/08.12.26.log"))));
    EXPECT_TRUE(log.contains(QLatin1String("Referto2")) && log.contains(QLatin1String("general.ini")))
        << log.toStdString();
    ASSERT_TRUE(QDir().rmdir(generalIni()));
    writeFile(generalIni(), saved);
}

TEST_F(Referto2Test, EveryLanguageNamesEveryControlOfBothDialogs) {
    const std::pair<const char*, QStringList> sections[] = {
        {"referto", {"titolo",  "label6",  "label2",  "label3",  "label21", "label25", "label26", "label27", "label28",
                     "label29", "label30", "label23", "label24", "label31", "label7",  "label15", "label16", "label17",
                     "label18", "label4",  "label5",  "label20", "cmd1",    "cmd2",    "msg1"}},
        {"referto2",
         {"titolo", "label2", "label6", "label7", "label1", "label4", "label3", "label5", "cmd6", "cmd7", "cmd8",
          "cmdx", "msg1"}},
    };
    for (const char* language : {"it.ini", "en.ini", "de.ini", "fr.ini", "es.ini", "ru.ini"})
        for (const auto& [section, keys] : sections)
            for (const QString& key : keys)
                EXPECT_FALSE(caption(QLatin1String(language), QLatin1String(section), key).trimmed().isEmpty())
                    << language << " [" << section << "] " << key.toStdString();
}

TEST_F(Referto2Test, CaptionsComeFromTheLanguageFile) {
    const QString lingua = windowLanguageFile();
    auto* w = Forms::show<Referto2>();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), caption(lingua, "referto2", "titolo"));
    EXPECT_EQ(w->Label5->text(), caption(lingua, "referto2", "label5"));
    EXPECT_EQ(w->Command6->text(), caption(lingua, "referto2", "cmd6"));
    for (QPushButton* button :
         {w->Command1, w->Command2, w->Command3, w->Command4, w->Command5, w->Command9, w->Command10})
        EXPECT_EQ(button->text(), caption(lingua, "referto2", "cmdx"));
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    auto* layout = Forms::get<referto>();
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->windowTitle(), caption(lingua, "referto", "titolo"));
    EXPECT_EQ(layout->Label[21]->text(), caption(lingua, "referto", "label21"));
    EXPECT_EQ(layout->Command2->text(), caption(lingua, "referto", "cmd2"));
    // Captions the language file does not carry keep their fixed text.
    EXPECT_EQ(layout->Label[9]->text(), QStringLiteral("Scatter 1"));
    EXPECT_FALSE(w->Label5->text().isEmpty());
}

}  // namespace
}  // namespace zv
