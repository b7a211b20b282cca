#include <QFontMetricsF>
#include <QLocale>

#include "model/referencerange.h"
#include "platform/refusal.h"
#include "refdata/editor_fixture.h"
#include "refdata/limiti.h"
#include "support/marks.h"
#include "viewer/rangecheck.h"

namespace zv {
namespace {

class RangeEditors : public test::EditorTest {
protected:
    // The reference database as the program does not hold it: opened on its own.
    Connection reference() { return Connection(path("riferimenti.mdb")); }
    int64_t sets(const char* table = "limiti") {
        return reference().scalar(QStringLiteral("SELECT count(*) FROM ") + QLatin1String(table)).toLongLong();
    }
    QString stored(const QString& sql) { return reference().scalar(sql).toString(); }
    // Human sets numbered as given, each named "set<number>" with WBC limits <number> and 10.
    void humanSets(std::initializer_list<int> numbers) {
        Connection cn = reference();
        cn.execute("DELETE FROM limiti");
        for (int n : numbers)
            cn.execute("INSERT INTO limiti (limite, valori, wbcL, wbcH) VALUES (?1, ?2, ?3, '10')",
                       {n, QStringLiteral("set%1").arg(n), QString::number(n)});
    }
    Limiti* human() {
        Limiti* w = Forms::show<Limiti>();
        EXPECT_NE(w, nullptr);
        return w;
    }
    limitivet* species() {
        limitivet* w = Forms::show<limitivet>();
        EXPECT_NE(w, nullptr);
        return w;
    }
};

TEST_F(RangeEditors, OpenOnTheFirstShippedSetWithoutAnError) {
    start();
    Limiti* h = human();
    EXPECT_EQ(h->windowTitle(), say("limiti", "titolo"));
    EXPECT_EQ(h->Text2->text(), QStringLiteral("0"));
    EXPECT_EQ(h->Text6->text(), QStringLiteral("Adulti"));
    EXPECT_EQ(h->Text4->text(), QStringLiteral("4"));   // wbcL
    EXPECT_EQ(h->Text5->text(), QStringLiteral("10"));  // wbcH
    EXPECT_EQ(h->Text33->text(), QStringLiteral("40"));
    EXPECT_EQ(h->Text60->text(), QStringLiteral("1,6"));   // cNeul, shipped as "1.6", in the configured mark
    EXPECT_EQ(h->Text67->text(), QStringLiteral("18"));    // pdwH
    EXPECT_EQ(h->Text70->text(), QStringLiteral("0,15"));  // pctL
    EXPECT_EQ(h->Text74, nullptr);                         // no band rows for humans
    EXPECT_EQ(h->Text28->text(), QStringLiteral("Neu%:"));
    for (QAbstractButton* b : {h->Command1, h->Command2, h->Command3, h->Command4, h->Command7, h->Command8})
        EXPECT_TRUE(b->isEnabled());

    limitivet* s = species();
    EXPECT_EQ(s->windowTitle(), say("limiti", "titolo"));
    EXPECT_EQ(s->Text2->text(), QStringLiteral("0"));
    EXPECT_EQ(s->Text6->text(), QStringLiteral("CANE"));
    EXPECT_EQ(s->Text4->text(), QStringLiteral("6"));
    EXPECT_EQ(s->Text75->text(), QStringLiteral("3"));     // bandatiH
    EXPECT_EQ(s->Text77->text(), QStringLiteral("0,51"));  // cBandatiH
    EXPECT_EQ(s->Text28->text(), QStringLiteral("Neu.Segm%:"));
    EXPECT_EQ(s->Text78->text(), QStringLiteral("Neu.Band#"));
    EXPECT_EQ(s->separatoremenu->objectName(), QStringLiteral("separatore"));

    EXPECT_FALSE(QFile::exists(path("log/08.12.26.log"))) << logText().toStdString();
}

TEST_F(RangeEditors, CaptionsAndMessagesInEveryLanguage) {
    for (const char* lingua : {"it", "en", "de", "fr", "es", "ru"}) {
        SCOPED_TRACE(lingua);
        scriviini("language", "lingua", lingua, "general.ini");
        restart();
        Limiti* h = human();
        limitivet* s = species();
        for (RangeEditor* w : std::initializer_list<RangeEditor*>{h, s}) {
            for (const auto& [key, text] :
                 {std::pair{"titolo", w->windowTitle()}, std::pair{"text1", w->Text1->text()},
                  std::pair{"cmd3", w->Command3->text()}, std::pair{"cmd4", w->Command4->text()},
                  std::pair{"cmd5", w->Command5->text()}, std::pair{"cmd6", w->Command6->text()},
                  std::pair{"menu11", w->separatoremenu->title()}, std::pair{"menu111", w->virgolamenu->text()},
                  std::pair{"menu112", w->puntomenu->text()}}) {
                EXPECT_FALSE(text.isEmpty()) << key;
                EXPECT_EQ(text, say("limiti", key)) << key;
            }
        }
        h->Text2->setText("99");
        click(h->Command4);
        click(h->Command3);
        EXPECT_EQ(shown(), QStringList({say("limiti", "msg1"), say("limiti", "msg3")}));
        for (const char* key : {"msg1", "msg2", "msg3", "msg4", "msg5"})
            EXPECT_FALSE(say("limiti", key).isEmpty()) << key;
    }
}

TEST_F(RangeEditors, BrowsingBeepsPastEitherEnd) {
    humanSets({2, 0, 1});
    start();
    Limiti* w = human();
    EXPECT_EQ(w->Text2->text(), QStringLiteral("0"));  // number order, not stored order
    struct Step {
        QPushButton* RangeEditor::*button;
        const char* number;
        int beeps;
    } steps[] = {{&RangeEditor::Command1, "0", 1}, {&RangeEditor::Command2, "1", 1}, {&RangeEditor::Command2, "2", 1},
                 {&RangeEditor::Command2, "2", 2}, {&RangeEditor::Command7, "0", 2}, {&RangeEditor::Command8, "2", 2},
                 {&RangeEditor::Command1, "1", 2}, {&RangeEditor::Command7, "0", 2}};
    int i = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(i++);
        click(w->*s.button);
        EXPECT_EQ(w->Text2->text(), QLatin1String(s.number));
        EXPECT_EQ(w->Text4->text(), QLatin1String(s.number));
        EXPECT_EQ(beeps, s.beeps);
    }
    EXPECT_EQ(logLines(), 0);
}

TEST_F(RangeEditors, NewSetIsNumberedAfterTheStoredOnesAndStoredBySave) {
    start();
    Limiti* w = human();
    click(w->Command6);
    EXPECT_EQ(w->Text2->text(), QStringLiteral("2"));
    EXPECT_EQ(w->Text6->text(), QStringLiteral("Inserire nome limite"));
    for (QLineEdit* box : {w->Text4, w->Text5, w->Text33, w->Text42, w->Text27, w->Text49, w->Text50, w->Text52,
                           w->Text61, w->Text67, w->Text68, w->Text69, w->Text70})
        EXPECT_EQ(box->text(), QStringLiteral("0")) << box->objectName().toStdString();
    EXPECT_EQ(sets(), 2);  // nothing stored yet

    type(w->Text6, "Neonati");
    type(w->Text4, "9");
    click(w->Command3);
    EXPECT_EQ(shown(), QStringList{say("limiti", "msg3")});
    EXPECT_EQ(sets(), 3);
    EXPECT_EQ(stored("SELECT valori FROM limiti WHERE limite = 2"), QStringLiteral("Neonati"));
    EXPECT_EQ(stored("SELECT wbcL FROM limiti WHERE limite = 2"), QStringLiteral("9"));
    EXPECT_EQ(stored("SELECT pdwH FROM limiti WHERE limite = 2"), QStringLiteral("0"));
    // Set 2 is at position 3, where a result's Limits 2 reaches it.
    Connection cn = reference();
    EXPECT_EQ(humanRangeSetAt(cn, 3)->valori, QStringLiteral("Neonati"));

    // The species editor: NUOVO and SALVA alone store "0" in the four band columns too.
    limitivet* s = species();
    click(s->Command6);
    EXPECT_EQ(s->Text74->text(), QStringLiteral("0"));
    click(s->Command3);
    EXPECT_EQ(shown(), QStringList{say("limiti", "msg3")});
    EXPECT_EQ(sets("vet"), 3);
    for (const char* column : {"bandatiL", "bandatiH", "cBandatiL", "cBandatiH", "wbcL", "pctL"})
        EXPECT_EQ(stored(QStringLiteral("SELECT %1 FROM vet WHERE limite = 2").arg(QLatin1String(column))),
                  QStringLiteral("0"))
            << column;
    EXPECT_EQ(stored("SELECT valori FROM vet WHERE limite = 2"), QStringLiteral("Inserire nome limite"));
    EXPECT_EQ(sets("limiti"), 3);
    EXPECT_EQ(logLines(), 0);
}

TEST_F(RangeEditors, NewSetLeftWithoutSaveIsDiscarded) {
    enum class Leave { Move, First, NewAgain, Delete, Close };
    struct Case {
        const char* name;
        Leave leave;
    } cases[] = {{"move on", Leave::Move},
                 {"first", Leave::First},
                 {"NUOVO again", Leave::NewAgain},
                 {"ELIMINA", Leave::Delete},
                 {"close", Leave::Close}};
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Limiti* w = human();
        click(w->Command6);
        switch (c.leave) {
        case Leave::Move:
            click(w->Command2);
            EXPECT_EQ(w->Text6->text(), QStringLiteral("Bambini"));
            click(w->Command3);  // saves the set shown, adds nothing
            EXPECT_EQ(shown(), QStringList{say("limiti", "msg3")});
            EXPECT_EQ(stored("SELECT wbcL FROM limiti WHERE limite = 1"), QStringLiteral("4.5"));
            break;
        case Leave::First:
            click(w->Command7);
            EXPECT_EQ(w->Text6->text(), QStringLiteral("Adulti"));
            EXPECT_EQ(w->Text4->text(), QStringLiteral("4"));
            break;
        case Leave::NewAgain:
            click(w->Command6);
            click(w->Command3);  // one new set, not two
            EXPECT_EQ(shown(), QStringList{say("limiti", "msg3")});
            EXPECT_EQ(sets(), 3);
            reference().execute("DELETE FROM limiti WHERE limite = 2");
            break;
        case Leave::Delete:
            click(w->Command4);  // the proposed number 2: no such set
            EXPECT_EQ(shown(), QStringList{say("limiti", "msg1")});
            EXPECT_EQ(w->Text6->text(), QStringLiteral("Adulti"));
            break;
        case Leave::Close: w->close(); ASSERT_TRUE(waitUnloaded("Limiti"));
        }
        EXPECT_EQ(sets(), 2);
        EXPECT_EQ(stored("SELECT group_concat(valori, ',') FROM (SELECT valori FROM limiti ORDER BY limite)"),
                  QStringLiteral("Adulti,Bambini"));
        Forms::unload<Limiti>();
        ASSERT_TRUE(waitUnloaded("Limiti"));
    }
    EXPECT_EQ(logLines(), 0);
}

TEST_F(RangeEditors, EmptyColumnShowsEmptyAndTheOthersAreStillFilled) {
    reference().execute("UPDATE limiti SET wbcH = NULL, pctL = NULL WHERE limite = 0");
    start();
    Limiti* w = human();
    EXPECT_EQ(w->Text5->text(), QString());
    EXPECT_EQ(w->Text70->text(), QString());
    EXPECT_EQ(w->Text33->text(), QStringLiteral("40"));
    EXPECT_EQ(w->Text69->text(), QStringLiteral("0,4"));
    click(w->Command2);
    EXPECT_EQ(w->Text5->text(), QStringLiteral("13,5"));
    EXPECT_EQ(w->Text70->text(), QStringLiteral("0,15"));
    click(w->Command1);
    // Nothing of the set shown before stays behind for SALVA to write into this one.
    EXPECT_EQ(w->Text5->text(), QString());
    EXPECT_EQ(w->Text70->text(), QString());
    EXPECT_EQ(w->Text6->text(), QStringLiteral("Adulti"));
    click(w->Command3);
    EXPECT_EQ(shown(), QStringList{say("limiti", "msg3")});
    EXPECT_EQ(stored("SELECT ifnull(wbcH, '') || '|' || ifnull(pctL, '') FROM limiti WHERE limite = 0"),
              QStringLiteral("|"));
    EXPECT_EQ(stored("SELECT wbcH FROM limiti WHERE limite = 1"), QStringLiteral("13.5"));
    EXPECT_EQ(logLines(), 0);
}

TEST_F(RangeEditors, DeleteTakesTheNumberLiterally) {
    start();
    Limiti* w = human();
    for (const char* number : {"'", "%", "_", "1' or '1'='1", "0 or 1=1", "99", "1.0"}) {
        SCOPED_TRACE(number);
        w->Text2->setText(QString::fromUtf8(number));
        click(w->Command4);
        EXPECT_EQ(shown(), QStringList{say("limiti", "msg1")});  // also when nothing matched
        EXPECT_EQ(sets(), 2);
        EXPECT_EQ(w->Text6->text(), QStringLiteral("Adulti"));
    }
    EXPECT_EQ(logLines(), 0);

    // Every set with the number goes.
    reference().execute("INSERT INTO limiti (limite, valori) VALUES (1, 'Bambini bis')");
    restart();
    w = human();
    click(w->Command8);
    EXPECT_EQ(w->Text2->text(), QStringLiteral("1"));
    click(w->Command4);
    EXPECT_EQ(shown(), QStringList{say("limiti", "msg1")});
    EXPECT_EQ(sets(), 1);
    EXPECT_EQ(w->Text6->text(), QStringLiteral("Adulti"));

    // The last set: both messages, and the window closes itself.
    click(w->Command4);
    EXPECT_EQ(shown(), QStringList({say("limiti", "msg1"), say("limiti", "msg2")}));
    EXPECT_TRUE(waitUnloaded("Limiti"));
    EXPECT_EQ(sets(), 0);

    // A species set: only the table vet.
    limitivet* s = species();
    click(s->Command4);
    EXPECT_EQ(shown(), QStringList{say("limiti", "msg1")});
    EXPECT_EQ(sets("vet"), 1);
    EXPECT_EQ(s->Text6->text(), QStringLiteral("GATTO"));
    EXPECT_EQ(logLines(), 0);
}

TEST_F(RangeEditors, AutomaticCalculationFillsTheAbsoluteCounts) {
    start();
    Limiti* w = human();
    w->Text4->setText("5");
    w->Text5->setText("10");
    w->Text33->setText("40");
    w->Text34->setText("75");
    w->Text35->setText("33.333");
    w->Text36->setText("50");
    click(w->Command5);
    EXPECT_EQ(w->Text60->text(), QStringLiteral("2"));    // cNeul
    EXPECT_EQ(w->Text61->text(), QStringLiteral("7,5"));  // cNeuH, in the configured mark
    EXPECT_EQ(w->Text58->text(), QStringLiteral("1,67"));
    EXPECT_EQ(w->Text59->text(), QStringLiteral("5"));
    EXPECT_EQ(w->Text52->text(), QStringLiteral("0"));                                      // 5 x 0
    EXPECT_EQ(w->Text53->text(), QStringLiteral("0,15"));                                   // 10 x 1.5
    EXPECT_EQ(stored("SELECT cNeul FROM limiti WHERE limite = 0"), QStringLiteral("1.6"));  // nothing saved

    // Whatever the system's mark, "4.5" is four and a half, never 45.
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    w->Text4->setText("4.5");
    click(w->Command5);
    EXPECT_EQ(w->Text60->text(), QStringLiteral("1,8"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    // A box that holds no number: logged, and no box changes.
    w->Text41->setText("");
    click(w->Command5);
    EXPECT_EQ(w->Text60->text(), QStringLiteral("1,8"));
    EXPECT_EQ(logLines(), 1);
    EXPECT_TRUE(logText().contains("\t\tLimiti\t13\t")) << logText().toStdString();
    EXPECT_TRUE(Forms::isLoaded("Limiti"));

    // The species editor adds the band neutrophils.
    limitivet* s = species();
    s->Text4->setText("6");
    s->Text5->setText("17");
    s->Text74->setText("0");
    s->Text75->setText("3");
    click(s->Command5);
    EXPECT_EQ(s->Text76->text(), QStringLiteral("0"));
    EXPECT_EQ(s->Text77->text(), QStringLiteral("0,51"));
    EXPECT_EQ(s->Text61->text(), QStringLiteral("13,09"));
}

TEST_F(RangeEditors, LimitBoxesTakeDigitsAndTheConfiguredSeparator) {
    struct Case {
        const char* decimale;
        QLineEdit* RangeEditor::*box;
        const char* typed;
        const char* kept;
    } cases[] = {
        {",", &RangeEditor::Text4, "4.5a6", "4,56"},  // the other mark types the configured one
        {",", &RangeEditor::Text74, "a1,5", "1,5"},   // species band box
        {",", &RangeEditor::Text50, "2-5 e", "25"},
        {".", &RangeEditor::Text4, "4,5a6", "4.56"},
        {"", &RangeEditor::Text4, "4.5,6", "456"},  // no separator configured: none passes
        {"x", &RangeEditor::Text77, "0.5,1", "051"},
        {",", &RangeEditor::Text68, "ab.c", "ab.c"},  // PDW and PCT take everything
        {",", &RangeEditor::Text69, "x,y", "x,y"},
        {",", &RangeEditor::Text2, "1'", "1'"},  // number and name too
        {",", &RangeEditor::Text6, "D'Amico 5%", "D'Amico 5%"},
        {",", &RangeEditor::Text4, "1\u00bc", "1\u00bc"},  // character 188
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.decimale) + " " + c.typed);
        scriviini("separatore", "decimale", QString::fromUtf8(c.decimale), "general.ini");
        restart();
        limitivet* s = species();
        type(s->*c.box, QString::fromUtf8(c.typed));
        EXPECT_EQ((s->*c.box)->text(), QString::fromUtf8(c.kept));
        EXPECT_EQ(s->separatorCode(), QString::fromUtf8(c.decimale) == "," ? 44 : c.decimale[0] == '.' ? 46 : 0);
    }
}

TEST_F(RangeEditors, PuntoAndVirgolaChangeOnlyTheFilteredLimitBoxes) {
    start();
    limitivet* s = species();
    s->Text4->setText("4,5");
    s->Text74->setText("1,5");
    s->Text77->setText("0,51");
    s->Text61->setText("13,09");
    s->Text68->setText("1,5");  // PDW
    s->Text70->setText("0,1");  // PCT
    s->Text6->setText("CANE, 1");
    s->puntomenu->trigger();
    EXPECT_EQ(s->Text4->text(), QStringLiteral("4.5"));
    EXPECT_EQ(s->Text74->text(), QStringLiteral("1.5"));
    EXPECT_EQ(s->Text77->text(), QStringLiteral("0.51"));
    EXPECT_EQ(s->Text61->text(), QStringLiteral("13.09"));
    EXPECT_EQ(s->Text68->text(), QStringLiteral("1,5"));
    EXPECT_EQ(s->Text70->text(), QStringLiteral("0,1"));
    EXPECT_EQ(s->Text6->text(), QStringLiteral("CANE, 1"));
    s->virgolamenu->trigger();
    EXPECT_EQ(s->Text4->text(), QStringLiteral("4,5"));
    EXPECT_EQ(s->Text77->text(), QStringLiteral("0,51"));
    EXPECT_EQ(s->Text68->text(), QStringLiteral("1,5"));
    // Only the boxes: nothing saved, the setting and the key filter as they were.
    EXPECT_EQ(stored("SELECT cBandatiH FROM vet WHERE limite = 0"), QStringLiteral("0.51"));
    EXPECT_EQ(leggiini("separatore", "decimale", "general.ini", 8), QStringLiteral(","));
    EXPECT_EQ(s->separatorCode(), 44);
}

// Limits are kept as typed, so a shipped "3.4" can sit beside a typed "1,5".
// Each shows in the configured mark whatever the system's mark (the default
// locale has the other one), only a box the user changes is written back, and
// the range check and the page read both marks.
TEST_F(RangeEditors, LimitsShowInTheConfiguredMarkAndUneditedOnesKeepTheirText) {
    const QLocale before;
    for (const test::MarkCase& c : test::markCases()) {
        for (const char* table : {"limiti", "vet"}) {
            SCOPED_TRACE(std::string(c.mark) + " " + c.lingua + " " + table);
            const QString m = QString::fromLatin1(c.mark);
            auto inMark = [&](const char* text) { return QString::fromLatin1(text).replace(QLatin1Char('#'), m); };
            QLocale::setDefault(c.system);
            scriviini("separatore", "decimale", m, "general.ini");
            scriviini("language", "lingua", c.lingua, "general.ini");
            reference().execute(
                QStringLiteral("UPDATE %1 SET wbcL = '1,5', wbcH = '10', monoL = '3.4', cNeul = '1.6', pctL = "
                               "'0.15', retH = '2,5', cBasoH = '0.15' WHERE limite = 0")
                    .arg(QLatin1String(table)));
            restart();
            RangeEditor* w = QLatin1String(table) == QLatin1String("vet") ? static_cast<RangeEditor*>(species())
                                                                          : static_cast<RangeEditor*>(human());
            EXPECT_EQ(w->Text4->text(), inMark("1#5"));    // wbcL
            EXPECT_EQ(w->Text37->text(), inMark("3#4"));   // monoL
            EXPECT_EQ(w->Text60->text(), inMark("1#6"));   // cNeul
            EXPECT_EQ(w->Text70->text(), inMark("0#15"));  // pctL, a box without the key filter

            type(w->Text5, inMark("10#5"));  // wbcH, the one box edited
            click(w->Command3);
            EXPECT_EQ(shown(), QStringList{say("limiti", "msg3")});
            auto column = [&](const char* name) {
                return stored(QStringLiteral("SELECT %1 FROM %2 WHERE limite = 0").arg(name, table));
            };
            EXPECT_EQ(column("wbcL"), QStringLiteral("1,5"));
            EXPECT_EQ(column("monoL"), QStringLiteral("3.4"));
            EXPECT_EQ(column("cNeul"), QStringLiteral("1.6"));
            EXPECT_EQ(column("pctL"), QStringLiteral("0.15"));
            EXPECT_EQ(column("wbcH"), inMark("10#5"));

            for (const QChar reading : {QChar(u','), QChar(u'.')}) {
                Recordset rs(Session::get().cnlimit,
                             QStringLiteral("select * from %1 where limite = 0").arg(QLatin1String(table)));
                const RangeSet set = readRangeSet(rs, QLatin1String(table), reading);
                EXPECT_EQ(set.of(ResultParameter::WBC), (RangeLimits{1.5, 10.5}));
                EXPECT_EQ(set.of(ResultParameter::mono).low, 3.4);
                // The page compares these limits as numbers, read in the system's mark.
                ReportData page;
                fillReportData(page, ResultRecord{}, LimitsRow::fromRecordset(rs));
                EXPECT_EQ(page.s_retH.number(reading), 2.5);
                EXPECT_EQ(page.s_basocH.number(reading), 0.15);
            }
        }
    }
    QLocale::setDefault(before);
    EXPECT_FALSE(QFile::exists(path("log/08.12.26.log"))) << logText().toStdString();
}

// A limit is a number or nothing. What the viewer, the page and the QC grid
// would take for no limit is refused at SALVA with its row named and its box
// marked, and nothing of the set is written; once the box holds a number, or
// nothing, the same set saves.
TEST_F(RangeEditors, ALimitThatIsNoNumberIsRefusedByNameAndNothingIsWritten) {
    enum class How { Typed, Pasted, Stored };
    struct Case {
        const char* table;
        QLineEdit* RangeEditor::*box;
        const char* column;
        How how;
        const char* text;   // typed key by key (the keypad's "." types the configured ","), pasted or stored
        const char* shown;  // what the box then holds
        const char* name;   // the row's caption, as the message names it
        const char* corrected;
    } cases[] = {
        {"limiti", &RangeEditor::Text34, "neuH", How::Typed, "74..5", "74,,5", "Neu%", "74,5"},  // two marks
        {"vet", &RangeEditor::Text34, "neuH", How::Typed, "74..5", "74,,5", "Neu.Segm%", "74,5"},
        {"limiti", &RangeEditor::Text4, "wbcL", How::Typed, ".", ",", "WBC", "4,5"},           // a lone mark
        {"vet", &RangeEditor::Text75, "bandatiH", How::Pasted, "-", "-", "Neu.Band%", ""},     // a minus alone
        {"limiti", &RangeEditor::Text61, "cNeuH", How::Pasted, "7,4,", "7,4,", "Neu", "7,5"},  // a mark too many
        {"limiti", &RangeEditor::Text67, "pdwH", How::Typed, "n.d.", "n.d.", "PDW", "18"},     // PDW takes letters
        {"vet", &RangeEditor::Text8, "rbcL", How::Stored, "1.234,5", "1.234,5", "RBC", ""},    // grouped, stored so
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.table) + " " + c.column + " " + c.text);
        const QString table = QLatin1String(c.table);
        auto column = [&](const char* name) {
            const QVariant v =
                reference().scalar(QStringLiteral("SELECT %1 FROM %2 WHERE limite = 0").arg(name, table));
            return v.isNull() ? std::string("NULL") : v.toString().toStdString();
        };
        if (c.how == How::Stored)
            reference().execute(QStringLiteral("UPDATE %1 SET %2 = ?1 WHERE limite = 0").arg(table, c.column),
                                {QString::fromUtf8(c.text)});
        restart();
        RangeEditor* w =
            table == QLatin1String("vet") ? static_cast<RangeEditor*>(species()) : static_cast<RangeEditor*>(human());
        const std::string before = column(c.column), wbcHBefore = column("wbcH");
        QLineEdit* box = w->*c.box;
        type(w->Text5, "11");  // wbcH: a good limit typed beside the bad one
        if (c.how == How::Typed)
            type(box, QString::fromUtf8(c.text));
        else if (c.how == How::Pasted)
            box->setText(QString::fromUtf8(c.text));
        EXPECT_EQ(box->text(), QString::fromUtf8(c.shown));
        const int logged = logLines();

        click(w->Command3);
        EXPECT_EQ(shown().join('|').toStdString(),
                  (say("limiti", "msg5") + QStringLiteral(" %1 \"%2\"").arg(c.name, c.shown)).toStdString());
        EXPECT_TRUE(isMarkedRefused(box));
        EXPECT_EQ(column(c.column), before);
        EXPECT_EQ(column("wbcH"), wbcHBefore);
        EXPECT_EQ(logLines(), logged + 1);
        EXPECT_TRUE(logText().contains(QStringLiteral("\t\t%1\t13\t").arg(w->formName()))) << logText().toStdString();

        type(box, QString::fromUtf8(c.corrected));
        EXPECT_FALSE(isMarkedRefused(box));
        click(w->Command3);
        EXPECT_EQ(shown(), QStringList{say("limiti", "msg3")});
        EXPECT_EQ(column(c.column), c.corrected);
        EXPECT_EQ(column("wbcH"), "11");
        EXPECT_EQ(logLines(), logged + 1);
    }
}

// How far a box draws its text scrolled aside with the cursor after the text
// (a grab paints it as the screen would): 0 when the whole text is in sight.
double scrolledAside(QLineEdit* box) {
    box->setCursorPosition(0);
    (void)box->grab();
    const int home = box->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
    box->end(false);
    (void)box->grab();
    const int end = box->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
    return QFontMetricsF(box->font()).horizontalAdvance(box->text()) - (end - home);
}

// Typed or pasted, a limit box takes no more characters than it shows, so no
// limit runs under the next column; a longer limit the window puts there
// itself (stored so, or worked out) stays whole and is saved as it is.
TEST_F(RangeEditors, ALimitBoxTakesNoMoreCharactersThanItShows) {
    const QString stored = QStringLiteral("0,0000000000001");
    reference().execute("UPDATE vet SET neuL = ?1 WHERE limite = 0", {stored});
    start();
    const QString digits = QStringLiteral("1234567890123456789012");
    for (RangeEditor* w : std::initializer_list<RangeEditor*>{human(), species()}) {
        SCOPED_TRACE(w->formName().toStdString());
        int boxes = 0;
        for (QLineEdit* box : w->findChildren<QLineEdit*>()) {
            if (box == w->Text2 || box == w->Text6 || box->isReadOnly())
                continue;
            SCOPED_TRACE(box->objectName().toStdString());
            ++boxes;
            type(box, digits);
            const int kept = int(box->text().size());
            EXPECT_GE(kept, 5);
            EXPECT_EQ(box->text(), digits.left(kept));
            box->setText(digits);  // as pasted
            EXPECT_EQ(box->text().size(), kept);
            // Its whole text in sight with the cursor after it; one character
            // more would push the first out of sight.
            EXPECT_LT(scrolledAside(box), 0.5);
            box->setMaxLength(kept + 1);
            box->setText(digits);
            EXPECT_GE(scrolledAside(box), 0.5);
        }
        EXPECT_EQ(boxes, w->formName() == QLatin1String("Limiti") ? 46 : 50);
    }
    restart();
    limitivet* s = species();
    EXPECT_EQ(s->Text33->text(), stored);  // shown whole
    type(s->Text5, "11");
    click(s->Command3);
    EXPECT_EQ(shown(), QStringList{say("limiti", "msg3")});
    EXPECT_EQ(reference().scalar("SELECT neuL FROM vet WHERE limite = 0").toString(), stored);
    // Edited, it can only be cut down to what the box shows.
    s->Text33->setFocus();
    s->Text33->end(false);
    QTest::keyClick(s->Text33, Qt::Key_Backspace);
    QTest::keyClick(s->Text33, Qt::Key_1);
    EXPECT_EQ(s->Text33->text(), stored.left(stored.size() - 1));
    type(s->Text33, digits);
    EXPECT_LT(s->Text33->text().size(), stored.size());
}

TEST_F(RangeEditors, FailedSaveLosesNothingAndKeepsTheNewSetNew) {
    start();
    Limiti* w = human();
    click(w->Command6);
    type(w->Text6, "Neonati");
    // A set number must be a whole number: never rounded, never stored as
    // text, and the window says so in its language with the box marked.
    for (const char* number : {"2.5", "1.5", "", "due", "abc"}) {
        SCOPED_TRACE(number);
        w->Text2->setText(QString::fromUtf8(number));
        click(w->Command3);
        EXPECT_EQ(shown(), QStringList{say("limiti", "msg4") + QStringLiteral(" \"%1\"").arg(number)});
        EXPECT_TRUE(isMarkedRefused(w->Text2));
        EXPECT_EQ(sets(), 2);
    }
    EXPECT_FALSE(say("limiti", "msg4").isEmpty());
    EXPECT_EQ(logLines(), 5);
    EXPECT_TRUE(logText().contains("\t\tLimiti\t13\t")) << logText().toStdString();

    // The database refuses the row: its error number is logged whole.
    reference().execute("CREATE TRIGGER refuse BEFORE INSERT ON limiti BEGIN SELECT RAISE(ABORT, 'refused'); END");
    w->Text2->setText("2");
    click(w->Command3);
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_TRUE(logText().contains("\t\tLimiti\t-2147467259\t")) << logText().toStdString();
    EXPECT_EQ(w->Text6->text(), QStringLiteral("Neonati"));

    // Once it is accepted, the set is added: the set shown before NUOVO is untouched.
    reference().execute("DROP TRIGGER refuse");
    click(w->Command3);
    EXPECT_EQ(shown(), QStringList{say("limiti", "msg3")});
    EXPECT_EQ(sets(), 3);
    EXPECT_EQ(stored("SELECT valori FROM limiti WHERE limite = 0"), QStringLiteral("Adulti"));
    EXPECT_EQ(stored("SELECT valori FROM limiti WHERE limite = 2"), QStringLiteral("Neonati"));

    // A stored set keeps its number when the typed one is refused.
    click(w->Command7);
    w->Text2->setText("abc");
    click(w->Command3);
    EXPECT_EQ(shown().size(), 1);
    EXPECT_EQ(stored("SELECT count(*) FROM limiti WHERE limite = 0 AND valori = 'Adulti'"), QStringLiteral("1"));
}

TEST_F(RangeEditors, EmptyTableOpensWithOnlyNewAndCalculation) {
    reference().execute("DELETE FROM limiti");
    start();
    Limiti* w = human();
    for (QLineEdit* box : {w->Text2, w->Text6, w->Text4, w->Text70})
        EXPECT_EQ(box->text(), QString());
    for (QAbstractButton* b : {w->Command1, w->Command2, w->Command3, w->Command4, w->Command7, w->Command8})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(w->Command5->isEnabled());
    EXPECT_TRUE(w->Command6->isEnabled());
    EXPECT_EQ(logLines(), 1);
    EXPECT_TRUE(logText().contains("\t\tLimiti\t3021\t")) << logText().toStdString();

    click(w->Command6);
    EXPECT_EQ(w->Text2->text(), QStringLiteral("0"));
    EXPECT_TRUE(w->Command3->isEnabled());
    type(w->Text6, "Adulti");
    click(w->Command3);
    EXPECT_EQ(shown(), QStringList{say("limiti", "msg3")});
    EXPECT_EQ(sets(), 1);
    EXPECT_EQ(stored("SELECT limite FROM limiti"), QStringLiteral("0"));
}

}  // namespace
}  // namespace zv
