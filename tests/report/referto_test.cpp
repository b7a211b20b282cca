// The report layout dialog against real layout files: what it loads into
// which box, the keys its save writes (all of them, in their order, in the
// forms the report reads), the exit that writes nothing, and a save the file
// refuses.
#include <QDir>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include "core/config.h"
#include "core/language.h"
#include "platform/forms.h"
#include "platform/profile.h"
#include "report/referto.h"
#include "report/referto2.h"
#include "support/window_fixture.h"

namespace zv {
namespace {

// Each key the dialog edits and its control ("T7" is Text7, "C1" Check1), in
// the order the save writes them.
struct Key {
    const char* section;
    const char* key;
    const char* control;
};
const Key kKeys[] = {
    {"header", "riga1_x", "T7"},
    {"header", "riga1_y", "T8"},
    {"header", "riga2_x", "T9"},
    {"header", "riga2_y", "T10"},
    {"header", "riga3_x", "T11"},
    {"header", "riga3_y", "T12"},
    {"header", "riga4_x", "T69"},
    {"header", "riga4_y", "T70"},
    {"titolo", "titolo_x", "T15"},
    {"titolo", "titolo_y", "T16"},
    {"graph", "scatt_on", "C1"},
    {"graph", "scatt2_on", "C2"},
    {"graph", "mono-poly_on", "C3"},
    {"graph", "lym-mono_on", "C4"},
    {"graph", "rbcgraph_on", "C5"},
    {"graph", "pltgraph_on", "C6"},
    {"graph", "scatt_x", "T18"},
    {"graph", "scatt_y", "T19"},
    {"graph", "scatt2_x", "T20"},
    {"graph", "scatt2_y", "T21"},
    {"graph", "mono-poly_x", "T22"},
    {"graph", "mono-poly_y", "T23"},
    {"graph", "lym-mono_x", "T24"},
    {"graph", "lym-mono_y", "T25"},
    {"graph", "rbcgraph_x", "T26"},
    {"graph", "rbcgraph_y", "T27"},
    {"graph", "pltgraph_x", "T28"},
    {"graph", "pltgraph_y", "T29"},
    {"firma", "firma_on", "C17"},
    {"firma", "firma_x", "T30"},
    {"firma", "firma_y", "T31"},
    {"firma", "firma2_x", "T67"},
    {"firma", "firma2_y", "T68"},
    {"titolo", "titolo_on", "C7"},
    {"morfologia", "morf_on", "C8"},
    {"morfologia", "morf_x", "T1"},
    {"morfologia", "morf_y", "T2"},
    {"rbcleg", "rbcleg_on", "C9"},
    {"rbcleg", "rbcleg_x", "T3"},
    {"rbcleg", "rbcleg_y", "T4"},
    {"calcola", "calcola_on", "C10"},
    {"calcola", "calcola_x", "T5"},
    {"calcola", "calcola_y", "T6"},
    {"logo", "logo_on", "C11"},
    {"logo", "logo_x", "T13"},
    {"logo", "logo_y", "T14"},
    {"note", "note_on", "C12"},
    {"note", "note_x", "T17"},
    {"note", "note_y", "T32"},
    {"analisi", "ppar_x", "T33"},
    {"analisi", "ppar_y", "T34"},
    {"analisi", "par_x", "T35"},
    {"analisi", "unit_x", "T36"},
    {"analisi", "rif_x", "T37"},
    {"anag", "nome_x", "T38"},
    {"anag", "nome_y", "T39"},
    {"anag", "specName_x", "T40"},
    {"anag", "specName_y", "T41"},
    {"anag", "id_x", "T42"},
    {"anag", "id_y", "T43"},
    {"anag", "specId_x", "T44"},
    {"anag", "specId_y", "T45"},
    {"anag", "data_x", "T46"},
    {"anag", "data_y", "T47"},
    {"anag", "specDate_x", "T48"},
    {"anag", "specDate_y", "T49"},
    {"anag", "ddn_x", "T50"},
    {"anag", "ddn_y", "T51"},
    {"anag", "specddn_x", "T52"},
    {"anag", "specddn_y", "T53"},
    {"anag", "sex_x", "T54"},
    {"anag", "sex_y", "T55"},
    {"anag", "sesso_x", "T56"},
    {"anag", "sesso_y", "T57"},
    {"anag", "n_x", "T58"},
    {"anag", "n_y", "T59"},
    {"anag", "nrs_x", "T60"},
    {"anag", "nrs_y", "T61"},
    {"anag", "id_on", "C13"},
    {"anag", "data_on", "C14"},
    {"anag", "ddn_on", "C15"},
    {"anag", "sex_on", "C16"},
    {"anag", "n_on", "C18"},
    {"anag", "limit_on", "C19"},
    {"anag", "name_on", "C20"},
    {"anag", "limit_x", "T62"},
    {"anag", "limit_y", "T63"},
    {"anag", "limitval_x", "T64"},
    {"anag", "limitval_y", "T65"},
    {"anag", "limitnome", "T66"},
    {"analisi", "valori_bold", "C21"},
    {"anag", "seq_on", "C22"},
    {"anag", "seq_x", "T74"},
    {"anag", "seq_y", "T73"},
    {"anag", "seqval_x", "T72"},
    {"anag", "seqval_y", "T71"},
    {"analisi", "pct-pdw", "C23"},
};

bool isSwitch(const Key& k) { return k.control[0] == 'C'; }
int number(const Key& k) { return QByteArray(k.control + 1).toInt(); }

// The file's key=value lines and section headers, blank lines dropped.
QStringList fileLines(const QByteArray& bytes) {
    QStringList lines;
    for (const QString& line : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
        const QString l = QString(line).remove(QLatin1Char('\r'));
        if (!l.trimmed().isEmpty())
            lines << l;
    }
    return lines;
}

class RefertoTest : public test::WindowTest {
protected:
    QString printIni() const { return path(QStringLiteral("print.ini")); }
    QString stateText(const referto* w, const Key& k) const {
        if (!isSwitch(k))
            return w->Text[number(k)]->text();
        switch (w->Check[number(k)]->checkState()) {
        case Qt::Checked: return QStringLiteral("1");
        case Qt::PartiallyChecked: return QStringLiteral("2");
        default: return QStringLiteral("0");
        }
    }
};

TEST_F(RefertoTest, LoadsEveryKeyOfTheShippedLayoutIntoItsControl) {
    auto* w = Forms::show<referto>();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(std::size(kKeys), 97u);
    for (const Key& k : kKeys) {
        const QString stored = profile::read(printIni(), QLatin1String(k.section), QLatin1String(k.key));
        ASSERT_FALSE(stored.isEmpty()) << k.key;
        EXPECT_EQ(stateText(w, k), stored) << k.section << " " << k.key;
    }
}

TEST_F(RefertoTest, SaveWritesTheNinetySevenKeysInTheirOrder) {
    // Without a layout file every key is created, so the file shows the order.
    ASSERT_TRUE(QFile::remove(printIni()));
    auto* w = Forms::show<referto>();
    ASSERT_NE(w, nullptr);
    for (int i = 1; i <= 74; ++i)
        EXPECT_TRUE(w->Text[i]->text().isEmpty()) << "Text" << i;
    for (int i = 1; i <= 23; ++i)
        EXPECT_EQ(w->Check[i]->checkState(), Qt::Unchecked) << "Check" << i;

    // Each box gets a value of its own; the switches go round 0, 1, 2.
    int n = 0;
    for (const Key& k : kKeys) {
        if (isSwitch(k)) {
            QCheckBox* box = w->Check[number(k)];
            const int state = n++ % 3;
            box->setTristate(state == 2);
            box->setCheckState(state == 0 ? Qt::Unchecked : state == 1 ? Qt::Checked : Qt::PartiallyChecked);
        } else {
            QTest::keyClicks(w->Text[number(k)], QString::number(100 + number(k)));
        }
    }
    QTest::keyClicks(w->Text[66], QStringLiteral(" D'Amico"));
    QStringList expected;
    QStringList sections;
    n = 0;
    for (const Key& k : kKeys) {
        if (!sections.contains(QLatin1String(k.section)))
            sections << QLatin1String(k.section);
    }
    for (const QString& section : sections) {
        expected << QLatin1Char('[') + section + QLatin1Char(']');
        int m = 0;
        for (const Key& k : kKeys) {
            QString value;
            if (isSwitch(k))
                value = QString::number(m++ % 3);
            else
                value = QString::number(100 + number(k)) + (number(k) == 66 ? QStringLiteral(" D'Amico") : QString());
            if (section == QLatin1String(k.section))
                expected << QLatin1String(k.key) + QLatin1Char('=') + value;
        }
    }
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_FALSE(Forms::isLoaded(QStringLiteral("referto")));
    EXPECT_EQ(fileLines(fileBytes(printIni())), expected);
}

TEST_F(RefertoTest, SwitchesLoadAsTheReportReadsThemAndSaveAsDigits) {
    struct Case {
        const char* stored;
        Qt::CheckState shown;
        const char* saved;
    };
    const Case cases[] = {
        {"0", Qt::Unchecked, "0"},  {"1", Qt::Checked, "1"},   {"2", Qt::PartiallyChecked, "2"},
        {"", Qt::Unchecked, "0"},   {"3", Qt::Unchecked, "0"}, {"-1", Qt::Unchecked, "0"},
        {"on", Qt::Unchecked, "0"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(profile::write(printIni(), "graph", "scatt_on", QString::fromUtf8(c.stored)));
        auto* w = Forms::show<referto>();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->Check[1]->checkState(), c.shown) << "stored " << c.stored;
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        EXPECT_EQ(profile::read(printIni(), "graph", "scatt_on"), QString::fromUtf8(c.saved)) << "stored " << c.stored;
    }
}

TEST_F(RefertoTest, AGrayedSwitchTurnsOnOrOffWhenClicked) {
    ASSERT_TRUE(profile::write(printIni(), "logo", "logo_on", "2"));
    auto* w = Forms::show<referto>();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Check[11]->checkState(), Qt::PartiallyChecked);
    QTest::mouseClick(w->Check[11], Qt::LeftButton);
    EXPECT_NE(w->Check[11]->checkState(), Qt::PartiallyChecked);
    const Qt::CheckState after = w->Check[11]->checkState();
    QTest::mouseClick(w->Check[11], Qt::LeftButton);
    QTest::mouseClick(w->Check[11], Qt::LeftButton);
    EXPECT_EQ(w->Check[11]->checkState(), after);
}

TEST_F(RefertoTest, ALongPositionIsCutToNineCharactersAndSavedSo) {
    ASSERT_TRUE(profile::write(printIni(), "header", "riga1_x", "1234567890"));
    ASSERT_TRUE(profile::write(printIni(), "anag", "limitnome", "Riferimenti per l'adulto sano:"));
    auto* w = Forms::show<referto>();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Text[7]->text(), QStringLiteral("123456789"));
    EXPECT_EQ(w->Text[66]->text(), QStringLiteral("Riferimenti per l'adulto sano:"));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_EQ(profile::read(printIni(), "header", "riga1_x"), QStringLiteral("123456789"));
}

TEST_F(RefertoTest, ExitAndCloseLeaveTheFileByteForByte) {
    const QByteArray before = fileBytes(printIni());
    for (bool byFrame : {false, true}) {
        auto* w = Forms::show<referto>();
        ASSERT_NE(w, nullptr);
        QTest::keyClicks(w->Text[7], QStringLiteral("99"));
        w->Check[1]->setCheckState(Qt::Unchecked);
        if (byFrame)
            w->close();
        else
            QTest::mouseClick(w->Command2, Qt::LeftButton);
        EXPECT_FALSE(Forms::isLoaded(QStringLiteral("referto")));
        EXPECT_EQ(fileBytes(printIni()), before);
    }
}

TEST_F(RefertoTest, ASaveTheFileRefusesSaysSoAndKeepsTheWindowOpen) {
    auto* w = Forms::show<referto>();
    ASSERT_NE(w, nullptr);
    w->Text[7]->setText(QStringLiteral("2500"));
    // A folder where the file was: no write can succeed, whoever runs the test.
    const QByteArray saved = fileBytes(printIni());
    ASSERT_TRUE(QFile::remove(printIni()));
    ASSERT_TRUE(QDir().mkdir(printIni()));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    const auto shown = prompts_->takeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(shown[0].text.contains(QLatin1String("print.ini"))) << shown[0].text.toStdString();
    ASSERT_TRUE(Forms::isLoaded(QStringLiteral("referto")));
    EXPECT_EQ(w->Text[7]->text(), QStringLiteral("2500"));
    const QString log = QString::fromUtf8(fileBytes(path(QStringLiteral("log/08.12.26.log"))));
    EXPECT_TRUE(log.contains(QLatin1String("referto")) && log.contains(QLatin1String("print.ini")))
        << log.toStdString();

    // Once the file can be written again, the same window saves.
    ASSERT_TRUE(QDir().rmdir(printIni()));
    QFile restored(printIni());
    ASSERT_TRUE(restored.open(QIODevice::WriteOnly));
    restored.write(saved);
    restored.close();
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_FALSE(Forms::isLoaded(QStringLiteral("referto")));
    EXPECT_EQ(profile::read(printIni(), "header", "riga1_x"), QStringLiteral("2500"));
}

// A typing slip in a position would stop every report: the save refuses it,
// names the box in the window's language, and writes nothing.
TEST_F(RefertoTest, APositionThatIsNoNumberIsRefusedByName) {
    struct Case {
        const char* language;
        int box;
        const char* typed;
        const char* named;  // what the message calls the box
    } cases[] = {
        {"it", 7, "2O0", "Intestazione: Riga1 - Pos. X"},
        {"it", 39, "", "Nome - Pos.: Text Y"},
        {"en", 62, "1.2.3", "Ranges - Pos.: Text X"},
        {"de", 40, "12 cm", "Name - Pos.: Val. X"},
        {"ru", 36, "x", "Pos.: Res. X"},
    };
    const QByteArray before = fileBytes(printIni());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.language) + " Text" + std::to_string(c.box));
        scriviini("language", "lingua", QString::fromLatin1(c.language), "general.ini");
        auto* w = Forms::show<referto>();
        ASSERT_NE(w, nullptr);
        w->Text[c.box]->setText(QString::fromUtf8(c.typed));
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        const auto shown = prompts_->takeMessages();
        ASSERT_EQ(shown.size(), 1u);
        const QString expected = languageText(QLatin1String(c.language) + QStringLiteral(".ini"), "referto", "msg2")
                                     .arg(QString::fromUtf8(c.named), QString::fromUtf8(c.typed));
        EXPECT_FALSE(expected.startsWith(QLatin1String("%1")));
        EXPECT_EQ(shown[0].text, expected);
        EXPECT_TRUE(Forms::isLoaded(QStringLiteral("referto")));
        EXPECT_EQ(fileBytes(printIni()), before);
        // Mended, the same window saves.
        w->Text[c.box]->setText(QStringLiteral("250"));
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        EXPECT_TRUE(prompts_->takeMessages().empty());
        EXPECT_FALSE(Forms::isLoaded(QStringLiteral("referto")));
        ASSERT_TRUE(QFile::remove(printIni()));
        QFile restored(printIni());
        ASSERT_TRUE(restored.open(QIODevice::WriteOnly));
        restored.write(before);
    }
}

TEST_F(RefertoTest, TheTextsDialogOpensItAndStaysOpen) {
    auto* texts = Forms::show<Referto2>();
    ASSERT_NE(texts, nullptr);
    QTest::mouseClick(texts->Command7, Qt::LeftButton);
    EXPECT_TRUE(Forms::isLoaded(QStringLiteral("referto")));
    EXPECT_TRUE(Forms::isLoaded(QStringLiteral("Referto2")));
    // Asked again, it is brought forward without loading afresh.
    auto* layout = Forms::get<referto>();
    layout->Text[7]->setText(QStringLiteral("typed"));
    QTest::mouseClick(texts->Command7, Qt::LeftButton);
    EXPECT_EQ(Forms::get<referto>(), layout);
    EXPECT_EQ(layout->Text[7]->text(), QStringLiteral("typed"));
}

}  // namespace
}  // namespace zv
