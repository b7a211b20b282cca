// The QC lot editor in a started program: lots shown as target and range,
// saved back as limits, deleted by name, new lots, the assay file import.
#include <QFile>
#include <QLocale>

#include "app/principale.h"
#include "platform/refusal.h"
#include "qc/qclot.h"
#include "qc/qcrif.h"
#include "refdata/editor_fixture.h"

namespace zv {
namespace {

class QcLotEditor : public test::EditorTest {
protected:
    Connection reference() { return Connection(path("riferimenti.mdb")); }
    int64_t lots() { return reference().scalar(QStringLiteral("SELECT count(*) FROM qc")).toLongLong(); }
    QVariant stored(const QString& sql) { return reference().scalar(sql); }
    // A lot with every parameter 1 to 9 but WBC, given as its limits.
    void lot(int number, const QString& name, double wbcLow = 7.2, double wbcHigh = 8.8) {
        Connection cn = reference();
        QString sql = QStringLiteral("INSERT INTO qc (limite, valori");
        QString values = QStringLiteral(") VALUES (?1, ?2");
        QVariantList params{number, name};
        for (const QcParameter& p : qcParameters()) {
            sql += QStringLiteral(", %1, %2").arg(p.low(), p.high());
            values += QStringLiteral(", ?%1, ?%2").arg(params.size() + 1).arg(params.size() + 2);
            const bool wbc = p.low() == QLatin1String("wbcL");
            params << (wbc ? wbcLow : 1.0) << (wbc ? wbcHigh : 9.0);
        }
        cn.execute(sql + values + QStringLiteral(")"), params);
    }
    void noLots() { reference().execute("DELETE FROM qc"); }
    qcrif* editor() {
        qcrif* w = Forms::show<qcrif>();
        EXPECT_NE(w, nullptr);
        return w;
    }
    QString assay(const QByteArray& bytes) {
        const QString file = path(QStringLiteral("assay%1.dat").arg(++assays_));
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return file;
    }
    int assays_ = 0;
};

TEST_F(QcLotEditor, OpensOnTheLastLotAsTargetAndRange) {
    noLots();
    lot(2, QStringLiteral("HIGH"), 1, 1.5);
    lot(1, QStringLiteral("LOW"));
    start();
    qcrif* w = editor();
    EXPECT_EQ(w->windowTitle(), say("qcrif", "titolo"));
    EXPECT_EQ(w->Text6->text(), QStringLiteral("HIGH"));
    EXPECT_EQ(w->Label4->text(), QStringLiteral("2"));
    EXPECT_EQ(w->Label6->text(), QStringLiteral("2"));
    EXPECT_EQ(w->Text4->text(), QStringLiteral("1,25"));  // target, not rounded, in the configured mark
    EXPECT_EQ(w->Text5->text(), QStringLiteral("0,2"));   // 0.25 to even
    EXPECT_EQ(w->Text45->text(), QStringLiteral("5"));    // PLT 1..9
    EXPECT_EQ(w->Text46->text(), QStringLiteral("4"));
    EXPECT_FALSE(w->Command7->isEnabled());
    for (QPushButton* b : {w->Command1, w->Command2, w->Command3, w->Command4, w->Command8, w->Command9})
        EXPECT_TRUE(b->isEnabled());

    click(w->Command1);
    EXPECT_EQ(w->Text6->text(), QStringLiteral("LOW"));
    EXPECT_EQ(w->Text4->text(), QStringLiteral("8"));
    EXPECT_EQ(w->Text5->text(), QStringLiteral("0,8"));
    click(w->Command4);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(w->Text6->text(), QStringLiteral("LOW"));
    click(w->Command8);
    click(w->Command2);
    EXPECT_EQ(beeps, 2);
    EXPECT_EQ(w->Text6->text(), QStringLiteral("HIGH"));
    EXPECT_EQ(logLines(), 0) << logText().toStdString();
}

TEST_F(QcLotEditor, AnEmptyTableOpensWithoutAnError) {
    noLots();
    start();
    qcrif* w = editor();
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_EQ(w->Label6->text(), QStringLiteral("0"));
    EXPECT_TRUE(w->Text4->text().isEmpty());
    for (QPushButton* b : {w->Command1, w->Command2, w->Command3, w->Command4, w->Command7, w->Command8, w->Command9})
        EXPECT_FALSE(b->isEnabled());
    EXPECT_TRUE(w->Command5->isEnabled());

    // The first lot of an empty table.
    click(w->Command5);
    EXPECT_EQ(w->Text6->text(), say("qcrif", "txt6"));
    EXPECT_TRUE(w->Command3->isEnabled());
    EXPECT_TRUE(w->Command7->isEnabled());
    click(w->Command3);
    EXPECT_EQ(shown(), QStringList{say("qcrif", "msg1")});
    EXPECT_EQ(lots(), 1);
    EXPECT_EQ(stored("SELECT wbcL FROM qc").toDouble(), -99);
    EXPECT_EQ(stored("SELECT pltH FROM qc").toDouble(), 99);
    EXPECT_EQ(stored("SELECT limite FROM qc").toLongLong(), 1);
    EXPECT_EQ(stored("SELECT valori FROM qc").toString(), say("qcrif", "txt6"));
    EXPECT_FALSE(w->Command7->isEnabled());
    EXPECT_FALSE(QFile::exists(path("log/08.12.26.log")));
}

TEST_F(QcLotEditor, AShownLotSavedKeepsItsNumberAndStoresTargetMinusPlusRange) {
    noLots();
    lot(7, QStringLiteral("L7"));
    lot(9, QStringLiteral("L9"), 80, 85.5);
    start();
    qcrif* w = editor();
    ASSERT_EQ(w->Text6->text(), QStringLiteral("L9"));
    EXPECT_EQ(w->Text4->text(), QStringLiteral("82,75"));
    EXPECT_EQ(w->Text5->text(), QStringLiteral("2,8"));
    click(w->Command3);
    EXPECT_EQ(shown(), QStringList{say("qcrif", "msg1")});
    EXPECT_EQ(lots(), 2);
    EXPECT_DOUBLE_EQ(stored("SELECT wbcL FROM qc WHERE valori = 'L9'").toDouble(), 79.95);
    EXPECT_DOUBLE_EQ(stored("SELECT wbcH FROM qc WHERE valori = 'L9'").toDouble(), 85.55);
    EXPECT_EQ(stored("SELECT limite FROM qc WHERE valori = 'L9'").toLongLong(), 9);  // not the lot count

    // Typed with either mark; renamed.
    type(w->Text4, "7,5");
    type(w->Text5, "0.5");
    w->Text6->setText(QStringLiteral("L9 bis"));
    click(w->Command3);
    EXPECT_EQ(shown(), QStringList{say("qcrif", "msg1")});
    EXPECT_DOUBLE_EQ(stored("SELECT wbcL FROM qc WHERE limite = 9").toDouble(), 7);
    EXPECT_DOUBLE_EQ(stored("SELECT wbcH FROM qc WHERE limite = 9").toDouble(), 8);
    EXPECT_EQ(stored("SELECT valori FROM qc WHERE limite = 9").toString(), QStringLiteral("L9 bis"));
    EXPECT_EQ(lots(), 2);
}

// A box that holds no number is refused as manual entry refuses one: the
// message names the parameter and what the box holds, the box is marked, and
// nothing of the lot is stored.
TEST_F(QcLotEditor, ABoxThatIsNoNumberIsNamedAndStoresNothingAtAll) {
    noLots();
    lot(1, QStringLiteral("L1"));
    start();
    qcrif* w = editor();
    const QString before = stored("SELECT group_concat(wbcL || valori || mpvH) FROM qc").toString();
    struct Case {
        QLineEdit* qcrif::*box;
        const char* text;
        const char* name;
    } cases[] = {{&qcrif::Text48, "", "MPV"},
                 {&qcrif::Text4, "", "WBC"},
                 {&qcrif::Text41, "1.234,5", "Baso%"},
                 {&qcrif::Text9, "1,2,3", "RBC"},
                 {&qcrif::Text34, "74,,5", "Neu%"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        click(w->Command8);
        w->Text6->setText(QStringLiteral("renamed"));
        type(w->Text5, "3");
        (w->*c.box)->setText(QString::fromUtf8(c.text));  // as pasted
        click(w->Command3);
        const auto m = prompts_->takeMessages();
        ASSERT_EQ(m.size(), 1u);
        const QString said = say("qcrif", "msg8") + QStringLiteral(" %1 \"%2\"").arg(c.name, c.text);
        EXPECT_EQ(m[0].text, said);
        EXPECT_EQ(m[0].icon, MsgIcon::Exclamation);
        EXPECT_TRUE(isMarkedRefused(w->*c.box));
        EXPECT_EQ(stored("SELECT group_concat(wbcL || valori || mpvH) FROM qc").toString(), before);
        EXPECT_TRUE(logText().contains(QStringLiteral("\tqcrif\t13\t"))) << logText().toStdString();
        // The status line says it in the user's language; the log keeps the cause.
        EXPECT_EQ(Forms::get<Principale>()->Label24->text(), QStringLiteral("qcrif - 13 - ") + said);
    }
    EXPECT_EQ(lots(), 1);
}

TEST_F(QcLotEditor, APendingNewLotIsDroppedByMoveNewDeleteAndClose) {
    noLots();
    lot(1, QStringLiteral("L1"));
    lot(2, QStringLiteral("L2"));
    start();
    struct Case {
        const char* what;
        std::function<void(qcrif*)> act;
    } cases[] = {
        {"first", [](qcrif* w) { click(w->Command1); }}, {"previous", [](qcrif* w) { click(w->Command4); }},
        {"next", [](qcrif* w) { click(w->Command2); }},  {"last", [](qcrif* w) { click(w->Command8); }},
        {"close", [](qcrif* w) { click(w->Command6); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        qcrif* w = editor();
        click(w->Command5);
        c.act(w);
        Forms::unload<qcrif>();
        EXPECT_EQ(lots(), 2);
    }
    qcrif* w = editor();
    click(w->Command5);
    click(w->Command5);  // the first new lot goes, the second is saved alone
    EXPECT_EQ(w->numlotti(), 3);
    click(w->Command3);
    shown();
    EXPECT_EQ(lots(), 3);
    EXPECT_EQ(stored("SELECT max(limite) FROM qc").toLongLong(), 3);

    click(w->Command5);
    w->Text6->setText(QStringLiteral("L1"));
    click(w->Command9);  // deletes L1; the new lot goes with the requery
    EXPECT_EQ(shown(), QStringList{say("qcrif", "msg4")});
    EXPECT_EQ(lots(), 2);
    EXPECT_EQ(w->Text6->text(), QStringLiteral("L2"));
    EXPECT_EQ(logLines(), 0) << logText().toStdString();
}

TEST_F(QcLotEditor, DeleteTakesTheExactNameAsItIs) {
    noLots();
    lot(1, QStringLiteral("L'Aquila"));
    lot(2, QStringLiteral("A100%"));
    lot(3, QStringLiteral("A1009"));
    lot(4, QStringLiteral("a1009"));
    start();
    qcrif* w = editor();
    struct Case {
        const char* name;
        int64_t left;
    } cases[] = {{"%", 4}, {"A100", 4}, {"l'aquila", 3}, {"A100%", 2}, {"A1009", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        w->Text6->setText(QString::fromUtf8(c.name));
        click(w->Command9);
        EXPECT_EQ(lots(), c.left);
        QStringList expected{say("qcrif", "msg4")};
        if (c.left == 0)
            expected << say("qcrif", "msg5");
        EXPECT_EQ(shown(), expected);
    }
    // The last lot gone: a new one is begun, browsing and delete are off.
    EXPECT_EQ(w->Text6->text(), say("qcrif", "txt6"));
    for (QPushButton* b : {w->Command1, w->Command2, w->Command4, w->Command8, w->Command9})
        EXPECT_FALSE(b->isEnabled());
    for (QPushButton* b : {w->Command3, w->Command5, w->Command7})
        EXPECT_TRUE(b->isEnabled());
    EXPECT_EQ(logLines(), 0) << logText().toStdString();
}

TEST_F(QcLotEditor, AFailedDeleteIsShownAndLogged) {
    lot(1, QStringLiteral("L1"));
    start();
    qcrif* w = editor();
    Session::get().cnlimit.execute(
        "CREATE TEMP TRIGGER refuse BEFORE DELETE ON qc BEGIN "
        "SELECT RAISE(ABORT, 'the lot is locked'); END");
    w->Text6->setText(QStringLiteral("L1"));
    click(w->Command9);
    const auto m = prompts_->takeMessages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, say("qcrif", "msg7"));
    EXPECT_EQ(m[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(logText().contains(QStringLiteral("the lot is locked"))) << logText().toStdString();
    EXPECT_EQ(stored("SELECT count(*) FROM qc WHERE valori = 'L1'").toLongLong(), 1);
}

TEST_F(QcLotEditor, ValueBoxesTakeDigitsAndEitherDecimalMarkOnly) {
    lot(1, QStringLiteral("L1"));
    start();
    qcrif* w = editor();
    struct Case {
        const char* typed;
        const char* box;
    } cases[] = {{"12,5", "12,5"}, {"12.5", "12,5"}, {"-3a 4e", "34"}, {"1'000", "1000"}};
    for (const Case& c : cases) {
        type(w->Text5, QString::fromUtf8(c.typed));
        EXPECT_EQ(w->Text5->text(), QLatin1String(c.box)) << c.typed;
    }
    // The name takes anything.
    type(w->Text6, "L-1.a");
    EXPECT_EQ(w->Text6->text(), QStringLiteral("L-1.a"));
}

TEST_F(QcLotEditor, TheAssayFileFillsANewLotAndStoresNothing) {
    noLots();
    lot(1, QStringLiteral("L1"));
    start();
    qcrif* w = editor();
    click(w->Command5);
    const QString file = assay("Assay\r\nLOT 4711\r\nWBC\t7.5\t1.0\r\nMCH\t30.1\t2.0\r\nMCHC\t34.0\t2.5\r\n");
    prompts_->files.push_back(file);
    click(w->Command7);
    EXPECT_EQ(w->Text6->text(), QStringLiteral("LOT 4711"));
    EXPECT_EQ(w->Text4->text(), QStringLiteral("7,5"));  // the configured mark
    EXPECT_EQ(w->Text5->text(), QStringLiteral("1,0"));
    EXPECT_EQ(w->Text16->text(), QStringLiteral("30,1"));
    EXPECT_EQ(w->Text24->text(), QStringLiteral("34,0"));
    EXPECT_EQ(w->Text8->text(), QStringLiteral("0"));  // RBC not named
    EXPECT_EQ(w->Text9->text(), QStringLiteral("99"));
    EXPECT_EQ(w->chosenFile(), file);
    EXPECT_EQ(lots(), 1);

    // A cancelled dialog reads nothing.
    prompts_->files.push_back(QString());
    w->Text4->setText(QStringLiteral("6"));
    click(w->Command7);
    EXPECT_EQ(w->Text4->text(), QStringLiteral("6"));

    click(w->Command3);
    EXPECT_EQ(shown(), QStringList{say("qcrif", "msg1")});
    EXPECT_DOUBLE_EQ(stored("SELECT wbcL FROM qc WHERE valori = 'LOT 4711'").toDouble(), 5);
    EXPECT_DOUBLE_EQ(stored("SELECT mchH FROM qc WHERE valori = 'LOT 4711'").toDouble(), 32.1);
    EXPECT_DOUBLE_EQ(stored("SELECT mchcL FROM qc WHERE valori = 'LOT 4711'").toDouble(), 31.5);
    EXPECT_EQ(logLines(), 0) << logText().toStdString();
}

TEST_F(QcLotEditor, AnAssayFileThatCannotBeReadChangesNoBox) {
    start();
    qcrif* w = editor();
    click(w->Command5);
    for (const QString& file :
         {assay("Assay\r\nLOT 9\r\nWBC\t7.5\t1.0\r\nRBC\t4.5\r\n"), path(QStringLiteral("missing.dat"))}) {
        SCOPED_TRACE(file.toStdString());
        prompts_->files.push_back(file);
        click(w->Command7);
        const auto m = prompts_->takeMessages();
        ASSERT_EQ(m.size(), 1u);
        EXPECT_EQ(m[0].text, say("qcrif", "msg3"));
        EXPECT_EQ(m[0].icon, MsgIcon::Critical);
        EXPECT_EQ(w->Text6->text(), say("qcrif", "txt6"));
        EXPECT_EQ(w->Text4->text(), QStringLiteral("0"));
        EXPECT_TRUE(w->Command7->isEnabled());
    }
    EXPECT_EQ(logLines(), 2) << logText().toStdString();
}

TEST_F(QcLotEditor, CaptionsInEveryLanguage) {
    for (const char* lingua : {"it", "en", "de", "fr", "es", "ru"}) {
        SCOPED_TRACE(lingua);
        scriviini("language", "lingua", lingua, "general.ini");
        restart();
        qcrif* w = editor();
        for (const auto& [key, text] :
             {std::pair{"titolo", w->windowTitle()}, std::pair{"cmd3", w->Command3->text()},
              std::pair{"cmd5", w->Command5->text()}, std::pair{"cmd6", w->Command6->text()},
              std::pair{"cmd7", w->Command7->text()}, std::pair{"cmd9", w->Command9->text()}}) {
            EXPECT_FALSE(text.isEmpty()) << key;
            EXPECT_EQ(text, say("qcrif", key)) << key;
        }
        for (const char* key : {"txt6", "msg1", "msg2", "msg3", "msg4", "msg5", "msg6", "msg7", "msg8"})
            EXPECT_FALSE(say("qcrif", key).isEmpty()) << key;
    }
}

TEST_F(QcLotEditor, ALotThatCannotBeShownIsReportedAtLoad) {
    noLots();
    lot(1, QStringLiteral("GOOD"));
    lot(2, QStringLiteral("BROKEN"));
    {
        // Text where a number belongs: what a copy that checks nothing leaves.
        Connection cn = reference();
        cn.execute("PRAGMA ignore_check_constraints = ON");
        cn.execute("UPDATE qc SET rdwL = 'n/a' WHERE limite = 2");
    }
    start();
    qcrif* w = editor();
    const auto m = prompts_->takeMessages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, say("qcrif", "msg6"));
    EXPECT_EQ(m[0].icon, MsgIcon::Exclamation);
    EXPECT_TRUE(logText().contains(QStringLiteral("\tqcrif\t13\t"))) << logText().toStdString();
    EXPECT_TRUE(logText().contains(QStringLiteral("rdwL"))) << logText().toStdString();
    // The good lot is still there to browse.
    click(w->Command1);
    EXPECT_EQ(w->Text6->text(), QStringLiteral("GOOD"));
    EXPECT_EQ(w->Text4->text(), QStringLiteral("8"));
}

TEST_F(QcLotEditor, AnEmptyLimitShowsEmptyBoxesAndLocksNothing) {
    noLots();
    lot(1, QStringLiteral("FIRST"));
    lot(2, QStringLiteral("HOLES"), 7.2, 8.8);
    // An older copy, an import or a hand left these limits empty.
    reference().execute("UPDATE qc SET wbcL = NULL, pltH = NULL, basoL = NULL, basoH = NULL WHERE limite = 2");
    start();
    qcrif* w = editor();
    EXPECT_TRUE(shown().isEmpty());
    ASSERT_EQ(w->Text6->text(), QStringLiteral("HOLES"));
    for (QLineEdit* box : {w->Text4, w->Text5, w->Text45, w->Text46, w->Text41, w->Text42})
        EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
    EXPECT_EQ(w->Text8->text(), QStringLiteral("5"));  // RBC 1..9, whole
    EXPECT_EQ(w->Text9->text(), QStringLiteral("4"));

    // The other lots are still there to browse, and the boxes follow them.
    click(w->Command1);
    EXPECT_EQ(w->Text6->text(), QStringLiteral("FIRST"));
    EXPECT_EQ(w->Text4->text(), QStringLiteral("8"));
    click(w->Command8);
    EXPECT_TRUE(w->Text4->text().isEmpty());
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_EQ(logLines(), 0) << logText().toStdString();
}

TEST_F(QcLotEditor, TheLotCounterPassesSixteenBits) {
    noLots();
    QString columns, values;
    for (const QcParameter& p : qcParameters()) {
        columns += QStringLiteral(", %1, %2").arg(p.low(), p.high());
        values += QStringLiteral(", 1, 9");
    }
    reference().execute(QStringLiteral("INSERT INTO qc (limite, valori") + columns +
                        QStringLiteral(") WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < "
                                       "33000) SELECT x, 'L' || x") +
                        values + QStringLiteral(" FROM n"));
    start();
    qcrif* w = editor();
    EXPECT_EQ(w->Label4->text(), QStringLiteral("33000"));
    EXPECT_EQ(w->Label6->text(), QStringLiteral("33000"));
    click(w->Command5);
    click(w->Command3);
    EXPECT_EQ(shown(), QStringList{say("qcrif", "msg1")});
    EXPECT_EQ(stored("SELECT max(limite) FROM qc").toLongLong(), 33001);
    EXPECT_EQ(logLines(), 0) << logText().toStdString();
}

TEST_F(QcLotEditor, UnderACommaLocaleAPointConfigurationTakesBothMarks) {
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    scriviini("separatore", "decimale", ".", "general.ini");
    noLots();
    lot(1, QStringLiteral("L1"));
    start();
    qcrif* w = editor();
    EXPECT_EQ(w->Text4->text(), QStringLiteral("8"));
    EXPECT_EQ(w->Text5->text(), QStringLiteral("0.8"));  // shown in the configured mark, not the regional one
    type(w->Text4, "7.5");
    EXPECT_EQ(w->Text4->text(), QStringLiteral("7.5"));
    type(w->Text5, "0,5");
    EXPECT_EQ(w->Text5->text(), QStringLiteral("0.5"));  // the comma types the configured point
    click(w->Command3);
    EXPECT_EQ(shown(), QStringList{say("qcrif", "msg1")});
    EXPECT_DOUBLE_EQ(stored("SELECT wbcL FROM qc").toDouble(), 7);
    EXPECT_DOUBLE_EQ(stored("SELECT wbcH FROM qc").toDouble(), 8);
}

}  // namespace
}  // namespace zv
