#include <QSignalSpy>
#include <QTest>

#include "core/config.h"
#include "core/language.h"
#include "core/notifier.h"
#include "core/session.h"
#include "model/resultstore.h"
#include "platform/beep.h"
#include "platform/clock.h"
#include "platform/forms.h"
#include "platform/refusal.h"
#include "support/notifierlog.h"
#include "support/results.h"
#include "support/window_fixture.h"
#include "viewer/leggi.h"

namespace zv {
namespace {

using P = ResultParameter;

ResultRecord sample(const QString& id, const QString& name, double wbc) {
    ResultRecord r;
    r.specId = id;
    r.specName = name;
    r.seq = QStringLiteral("7");
    r.date = QStringLiteral("08/12/26");
    r.Limits = 1;
    r.value(P::WBC) = wbc;
    r.value(P::neu) = 60;
    r.value(P::lym) = 30;
    r.value(P::mono) = 6;
    r.value(P::eos) = 3;
    r.value(P::baso) = 1;
    r.value(P::RBC) = 4.87;
    r.value(P::HGB) = 14.2;
    r.value(P::HCT) = 42.5;
    r.value(P::MCV) = 88;
    r.value(P::MCH) = 29.1;
    r.value(P::MCHC) = 33.4;
    r.value(P::RDW) = 12.5;
    r.value(P::PLT) = 250;
    r.value(P::MPV) = 8.4;
    r.value(P::PCT) = 0.21;
    r.value(P::PDW) = 16.2;
    for (const auto& [field, member] : AlarmFlags::textFlags())
        r.flags.*member = QStringLiteral("0");
    r.flags.SamplError = 0;
    for (Histogram& h : r.histograms)
        for (auto& c : h.channels)
            c = QStringLiteral("047");
    return r;
}

class Viewer : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        scriviini("separatore", "decimale", ",", "general.ini");
        scriviini("database", "last", "08/12/26", "general.ini");
        Forms::load("frmSplash");
        ASSERT_NE(Session::current(), nullptr);
        QObject::connect(&notifier(), &Notifier::windowOpened, &log, [this](const QString& name, bool open) {
            opened.push_back({name, open});
        });
    }
    Session& s() { return Session::get(); }
    int64_t add(const ResultRecord& r, bool archive = false) { return addResult(archive ? s().cntot : s().cn, r); }
    void addThree() {
        ids[0] = add(sample("A-1", "Rossi Mario", 7.46));
        ids[1] = add(sample("A-2", "D'Amico Anna", 3.2));
        ids[2] = add(sample("A-3", "Verdi Luca", 12));
    }
    leggi* open() {
        Forms::show("leggi");
        return Forms::get<leggi>();
    }
    QString msg1() { return languageText(s().linguax, "leggi", "msg1"); }
    void expectEmptyMessage() {
        const auto messages = prompts_->takeMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, msg1());
        EXPECT_FALSE(msg1().isEmpty());
    }
    // One refusal box, with the window's own text.
    void expectRefusal(bool boxMarked = true) {
        const auto messages = prompts_->takeMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, languageText(s().linguax, "leggi", "msg2"));
        EXPECT_FALSE(messages[0].text.isEmpty());
        // "correct the highlighted field": one field is marked.
        int marked = 0;
        if (leggi* v = Forms::get<leggi>())
            for (const QLineEdit* box : v->findChildren<QLineEdit*>())
                marked += isMarkedRefused(box) ? 1 : 0;
        EXPECT_EQ(marked, boxMarked ? 1 : 0);
    }
    QString logText() { return QString::fromUtf8(fileBytes(path("log/08.12.26.log"))); }
    static void enter(QLineEdit* box) { QTest::keyClick(box, Qt::Key_Return); }

    QObject log;
    std::vector<std::pair<QString, bool>> opened;
    int64_t ids[3] = {};
};

TEST_F(Viewer, OpensOnTheDailyDatabaseAtTheLowestIdAndClosesAgain) {
    addThree();
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(s().statoformleggi);
    EXPECT_EQ(v->Text24->text(), "3");
    EXPECT_EQ(v->Text20->text(), "1");
    EXPECT_EQ(v->Text10->text(), "A-1");
    EXPECT_EQ(v->Text1->text(), "Rossi Mario");
    EXPECT_EQ(v->Label11->text(), "7,46");  // the configured decimal mark
    EXPECT_EQ(v->Label13->text(), "4,87");
    EXPECT_EQ(v->Label26->text(), "12,5");
    EXPECT_EQ(v->Text12->text(), "7");
    EXPECT_EQ(v->Text22->text(), "08/12/26");
    EXPECT_TRUE(v->Command16->isHidden());
    Forms::unload("leggi");
    EXPECT_FALSE(s().statoformleggi);
    EXPECT_EQ(opened, (std::vector<std::pair<QString, bool>>{{"leggi", true}, {"leggi", false}}));
    EXPECT_TRUE(logText().isEmpty()) << logText().toStdString();
}

TEST_F(Viewer, AnEmptySourceShowsItsMessageAndClosesBeforeShowing) {
    EXPECT_EQ(open(), nullptr);
    expectEmptyMessage();
    EXPECT_FALSE(Forms::isLoaded("leggi"));
    EXPECT_FALSE(s().statoformleggi);
    EXPECT_EQ(opened, (std::vector<std::pair<QString, bool>>{{"leggi", true}, {"leggi", false}}));

    // A search that finds nothing is consumed: the next opening is the daily list again.
    add(sample("A-1", "Rossi", 5));
    s().queryricerca = "select * from datiQgrafici where specId like 'nothing' order by ID1";
    s().leggiOricerca = 1;
    EXPECT_EQ(open(), nullptr);
    expectEmptyMessage();
    EXPECT_EQ(s().leggiOricerca, 0);
    // So is a search that cannot run.
    s().queryricerca = "select * from nowhere";
    s().leggiOricerca = 1;
    EXPECT_EQ(open(), nullptr);
    expectEmptyMessage();
    ASSERT_NE(open(), nullptr);
    EXPECT_EQ(Forms::get<leggi>()->Text24->text(), "1");
}

TEST_F(Viewer, NavigationBeepsAtEitherEndAndFocusesTheSampleId) {
    addThree();
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    struct Step {
        QPushButton* leggi::*button;
        const char* position;
        int beeps;
    } steps[] = {
        {&leggi::Command2, "1", 1},                                                          // previous on the first
        {&leggi::Command1, "2", 1}, {&leggi::Command1, "3", 1}, {&leggi::Command1, "3", 2},  // next on the last
        {&leggi::Command3, "1", 2},  // first and last never beep
        {&leggi::Command3, "1", 2}, {&leggi::Command4, "3", 2}, {&leggi::Command4, "3", 2}, {&leggi::Command2, "2", 2},
    };
    int beeps = 0;
    const auto sound = setBeepHook([&beeps] { ++beeps; });
    v->activateWindow();
    for (const Step& step : steps) {
        QTest::mouseClick(v->*step.button, Qt::LeftButton);
        EXPECT_EQ(v->Text20->text(), step.position);
        EXPECT_EQ(beeps, step.beeps);
        EXPECT_EQ(v->Text10->cursorPosition(), v->Text10->text().size());
    }
    EXPECT_EQ(v->Text10->text(), "A-2");
    setBeepHook(sound);
}

TEST_F(Viewer, GoToTakesOnlyTheNumberOfAResult) {
    addThree();
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    const std::pair<const char*, const char*> cases[] = {{"3", "A-3"},   {"", "A-3"},  {"0", "A-3"},
                                                         {"-1", "A-3"},  {"4", "A-3"}, {"x", "A-3"},
                                                         {"1.5", "A-3"}, {"2", "A-2"}, {"99999999999999", "A-2"},
                                                         {" 1 ", "A-1"}};
    for (const bool byEnter : {false, true}) {
        for (const auto& [typed, shown] : cases) {
            SCOPED_TRACE(typed);
            v->Text20->setText(typed);
            if (byEnter)
                enter(v->Text20);
            else
                QTest::mouseClick(v->Command12, Qt::LeftButton);
            EXPECT_EQ(v->Text10->text(), shown);
        }
    }
    EXPECT_TRUE(logText().isEmpty()) << logText().toStdString();
}

TEST_F(Viewer, RefreshBringsInTheNewResultAndKeepsTheOneShown) {
    addThree();
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    QTest::mouseClick(v->Command1, Qt::LeftButton);
    add(sample("A-4", "Neri", 5));
    emit notifier().resultStored(ids[2] + 1);
    EXPECT_FALSE(v->Command16->isHidden());
    QTest::mouseClick(v->Command16, Qt::LeftButton);
    EXPECT_TRUE(v->Command16->isHidden());
    EXPECT_EQ(v->Text24->text(), "4");
    EXPECT_EQ(v->Text10->text(), "A-2");
    QTest::mouseClick(v->Command4, Qt::LeftButton);
    EXPECT_EQ(v->Text10->text(), "A-4");

    // A number that names nothing changes nothing, and the window says so
    // in its language with the number box marked.
    emit notifier().resultStored(99);
    for (const char* typed : {"abc", "", "0", "-1", "1.5"}) {
        SCOPED_TRACE(typed);
        v->Text20->setText(QString::fromUtf8(typed));
        QTest::mouseClick(v->Command16, Qt::LeftButton);
        EXPECT_FALSE(v->Command16->isHidden());
        EXPECT_EQ(v->Text10->text(), "A-4");
        const auto messages = prompts_->takeMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, languageText(s().linguax, "leggi", "msg3") + QStringLiteral(" \"%1\"").arg(typed));
        EXPECT_TRUE(isMarkedRefused(v->Text20));
    }
    EXPECT_FALSE(languageText(s().linguax, "leggi", "msg3").isEmpty());

    // Fewer rows than the position: the last is shown.
    for (int64_t id : {ids[1], ids[2]})
        deleteResult(s().cn, id);
    v->Text20->setText("4");
    QTest::mouseClick(v->Command16, Qt::LeftButton);
    EXPECT_EQ(v->Text24->text(), "2");
    EXPECT_EQ(v->Text20->text(), "2");
    EXPECT_EQ(v->Text10->text(), "A-4");

    // None at all: closed as an empty source is.
    s().cn.execute("delete from graficiWB1");
    s().cn.execute("delete from graficiWB2");
    s().cn.execute("delete from GraficiRBC");
    s().cn.execute("delete from GraficiPLT");
    s().cn.execute("delete from datinumerici");
    emit notifier().resultStored(100);
    QTest::mouseClick(v->Command16, Qt::LeftButton);
    expectEmptyMessage();
    EXPECT_FALSE(Forms::isLoaded("leggi"));
    EXPECT_FALSE(s().statoformleggi);
}

TEST_F(Viewer, NothingOfThePreviousResultStaysOnTheWindow) {
    ResultRecord typed = sample("A-1", "Rossi", 7.5);
    typed.value(P::ret) = 1.5;
    typed.value(P::bandati) = 4;
    typed.DdN = "01/02/60";
    typed.sesso = "M";
    typed.note = "ok";
    typed.flags.Band = "1";
    typed.histogram(HistogramKind::RBC).channel(94) = "200";
    add(typed);
    ResultRecord received = sample("A-2", "Bianchi", 5);
    received.value(P::HGB).reset();
    received.seq.reset();
    received.Limits.reset();
    received.histogram(HistogramKind::RBC).channel(94).reset();
    add(received);  // stored without band or Ret %
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Text25->text(), "1,5");
    EXPECT_EQ(v->Label94->text(), "0,07");  // 4.87 x 1.5 / 100 to two decimals
    EXPECT_EQ(v->Label103->text(), "4");
    EXPECT_EQ(v->MSChart2->bars()[20], 200);  // channel 094 is bar 21
    EXPECT_FALSE(v->Label45->isHidden());
    QTest::mouseClick(v->Command1, Qt::LeftButton);
    for (QLineEdit* box : {v->Text25, v->Text14, v->Text16, v->Text17, v->Text12, v->Text18})
        EXPECT_EQ(box->text(), "") << box->objectName().toStdString();
    for (Label* label : {v->Label94, v->Label103, v->Label12})
        EXPECT_EQ(label->text(), "") << label->objectName().toStdString();
    EXPECT_EQ(v->MSChart2->bars()[20], 0);
    EXPECT_EQ(v->MSChart2->bars()[21], 47);
    EXPECT_TRUE(v->Label45->isHidden());
}

TEST_F(Viewer, AlarmLabelsFollowTheFlagsSetToOne) {
    struct Case {
        const char* flag;
        const char* value;
        std::vector<Label * leggi::*> shown;
    } cases[] = {
        {"SamplError", "1", {&leggi::Label65, &leggi::Label52}},
        {"WicError", "1", {&leggi::Label65, &leggi::Label67}},
        {"WicError", "2", {&leggi::Label67}},
        {"RbcError", "1", {&leggi::Label65, &leggi::Label66}},
        {"RbcError", "2", {&leggi::Label66}},
        {"Band", "1", {&leggi::Label45}},
        {"Band", "-1", {}},  // Boolean true is not 1
        {"IG", "1", {&leggi::Label46}},
        {"VarLym", "1", {&leggi::Label48}},
        {"Blast", "1", {&leggi::Label47}},
        {"NRBC", "1", {&leggi::Label49}},
        {"RRBC", "1", {&leggi::Label50}},
        {"DFLT", "1", {&leggi::Label51}},
        {"URI", "1", {&leggi::Label53}},
        {"LRI", "1", {&leggi::Label53}},
        {"NWBC", "1", {&leggi::Label58}},
        {"NWBC", "x", {}},
    };
    for (const Case& c : cases) {
        ResultRecord r = sample("F", "Flag", 5);
        if (QString(c.flag) == "SamplError")
            r.flags.SamplError = 1;
        else
            for (const auto& [field, member] : AlarmFlags::textFlags())
                if (field == c.flag)
                    r.flags.*member = QString(c.value);
        add(r);
    }
    ResultRecord both = sample("F", "Flag", 5);
    both.flags.URI = "1";
    both.flags.LRI = "2";  // their OR is 3
    add(both);
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    const std::vector<Label* leggi::*> all = {&leggi::Label65, &leggi::Label52, &leggi::Label45, &leggi::Label46,
                                              &leggi::Label47, &leggi::Label48, &leggi::Label49, &leggi::Label50,
                                              &leggi::Label51, &leggi::Label53, &leggi::Label58, &leggi::Label66,
                                              &leggi::Label67};
    for (std::size_t i = 0; i <= std::size(cases); ++i) {
        SCOPED_TRACE(i < std::size(cases) ? std::string(cases[i].flag) + "=" + cases[i].value : "URI|LRI");
        for (auto label : all) {
            const bool expected =
                i < std::size(cases) && std::count(cases[i].shown.begin(), cases[i].shown.end(), label);
            EXPECT_EQ(!(v->*label)->isHidden(), expected) << (v->*label)->objectName().toStdString();
        }
        QTest::mouseClick(v->Command1, Qt::LeftButton);
    }
}

TEST_F(Viewer, AValueNobodyMeasuredAndALimitNobodySetShowNoColour) {
    // Received results, which carry neither Ret % nor band %, one of them with
    // a band % typed later, judged against each shipped human set.
    struct Case {
        int limits;
        std::optional<double> band;
        const char* shown;
    };
    const Case cases[] = {{0, std::nullopt, ""}, {0, 3, "3"}, {1, std::nullopt, ""}, {1, 3, "3"}};
    for (const Case& c : cases) {
        ResultRecord r = sample("B-1", "Verdi", 7);
        r.Limits = c.limits;
        r.value(P::bandati) = c.band;
        add(r);
    }
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "Limits " << c.limits << ", band " << c.shown);
        EXPECT_EQ(v->Text25->text(), "");  // Ret %
        EXPECT_EQ(v->Text25->palette().color(QPalette::Text), QColor(0, 0, 0));
        EXPECT_EQ(v->Label94->text(), "");  // Ret #
        EXPECT_EQ(v->Label103->text(), c.shown);
        EXPECT_EQ(v->Label103->foreColor(), QColor(0, 0, 0));
        EXPECT_EQ(v->Label104->text(), "( - )");  // the human sets have no band limits
        QTest::mouseClick(v->Command1, Qt::LeftButton);
    }
}

TEST_F(Viewer, RangeCheckColoursEachValueAgainstItsSet) {
    ResultRecord r = sample("A-1", "Rossi", 3.5);  // Limits 1: the second human set, Bambini (4.5 - 13.5)
    r.value(P::RBC) = 9;
    r.value(P::ret) = 5;
    add(r);
    ResultRecord none = sample("A-2", "Bianchi", 3.5);
    none.Limits = 7;  // no such set
    add(none);
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Text19->text(), "Bambini");
    EXPECT_EQ(v->Label79->text(), "(4,5 - 13,5)");
    EXPECT_EQ(v->Label11->foreColor(), QColor(0, 0, 255));
    EXPECT_EQ(v->Label13->foreColor(), QColor(255, 0, 0));
    EXPECT_EQ(v->Label12->foreColor(), QColor(0, 0, 0));
    EXPECT_EQ(v->Text25->palette().color(QPalette::Text), QColor(255, 0, 0));  // Ret % 5 above its high
    ASSERT_TRUE(v->rangeSet().has_value());
    EXPECT_EQ(v->rangeSet()->valori, "Bambini");
    // Every row is judged, the band and Ret rows included.
    for (Label* range : {v->Label104, v->Label56, v->Label77, v->Label78, v->Label95})
        EXPECT_TRUE(range->text().startsWith("(")) << range->objectName().toStdString();

    QTest::mouseClick(v->Command1, Qt::LeftButton);
    EXPECT_EQ(v->Text19->text(), "");
    EXPECT_EQ(v->Label79->text(), "");
    EXPECT_EQ(v->Label11->foreColor(), QColor(0, 0, 0));
    EXPECT_FALSE(v->rangeSet().has_value());

    // The selector typed and entered is stored, judged and hands the focus on.
    v->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(v));
    v->Text18->setFocus();
    v->Text18->setText("0");
    enter(v->Text18);
    Recordset stored(s().cn, "select Limits from datinumerici where specId = 'A-2'");
    EXPECT_EQ(stored.field("Limits").toInt(), 0);
    EXPECT_EQ(v->Text19->text(), "Adulti");
    EXPECT_EQ(v->Label11->foreColor(), QColor(0, 0, 255));  // 3.5 under 4
    EXPECT_TRUE(v->Text16->hasFocus());

    // A selector that is not a whole number is refused and the row keeps its own.
    v->Text18->setText("ab");
    enter(v->Text18);
    stored.requery();
    EXPECT_EQ(stored.field("Limits").toInt(), 0);
    EXPECT_EQ(v->Text19->text(), "Adulti");
    EXPECT_TRUE(logText().contains("leggi")) << logText().toStdString();
    expectRefusal();
}

TEST_F(Viewer, SpeciesSetsAreFoundByNamesWithApostrophes) {
    Connection& ref = s().cnlimit;
    ref.execute("insert into vet (limite, valori, wbcL, wbcH) values (5, 'D''Amico Anna', '1', '3')");
    add(sample("A-1", "D'Amico Anna", 3.2));
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Text19->text(), "D'Amico Anna");
    EXPECT_EQ(v->Label79->text(), "(1 - 3)");
    EXPECT_EQ(v->Label11->foreColor(), QColor(255, 0, 0));
}

TEST_F(Viewer, RetPercentIsStoredOnEnterAndRefusedWhenNotANumber) {
    ResultRecord r = sample("A-1", "Rossi", 7);
    r.value(P::RBC) = 4.5;
    const int64_t id = add(r);
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    auto storedRet = [&] {
        return s().cn.scalar("select \"ret%\" from datinumerici where ID1 = ?1", {QVariant::fromValue(id)});
    };
    v->Text25->setText("12");
    enter(v->Text25);
    EXPECT_EQ(storedRet().toDouble(), 12);
    EXPECT_EQ(v->Label94->text(), "0,54");
    v->Text25->setText("1,5x");
    enter(v->Text25);
    EXPECT_EQ(storedRet().toDouble(), 12);  // the row keeps what it had
    EXPECT_TRUE(logText().contains("leggi")) << logText().toStdString();
    expectRefusal();
    // The next edit still works.
    v->Text25->setText("2,5");
    enter(v->Text25);
    EXPECT_EQ(storedRet().toDouble(), 2.5);
}

TEST_F(Viewer, ArchiveDayAndSearchModes) {
    ResultRecord today = sample("T-1", "Oggi", 5);
    ResultRecord other = sample("O-1", "Altro", 5);
    other.date = "07/12/26";
    add(other, true);
    add(today, true);
    add(sample("D-1", "Daily", 5));
    s().setArchiveMode(true);
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Text24->text(), "1");
    EXPECT_EQ(v->Text10->text(), "T-1");
    EXPECT_TRUE(v->Text10->isEnabled());
    Forms::unload("leggi");

    s().queryricerca = "select * from datiQgrafici where specName like 'A%' order by ID1";
    s().leggiOricerca = 1;
    v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(s().leggiOricerca, 0);
    EXPECT_EQ(v->Text10->text(), "O-1");
    EXPECT_EQ(v->palette().color(QPalette::Window), QColor(255, 255, 192));
    for (QLineEdit* box : {v->Text10, v->Text1, v->Text18, v->Text16, v->Text14, v->Text17})
        EXPECT_FALSE(box->isEnabled());
    EXPECT_TRUE(v->Text25->isEnabled());
}

TEST_F(Viewer, WhiteCellChartsSwapAndEveryChartShowsChannels006To230) {
    ResultRecord r = sample("A-1", "Rossi", 5);
    Histogram& plt = r.histogram(HistogramKind::PLT);
    plt.channel(2) = "999";
    plt.channel(6) = "010";
    plt.channel(46) = "011";
    plt.channel(54) = "012";
    plt.channel(226) = "013";
    plt.channel(230) = "014";
    r.histogram(HistogramKind::WB1).channel(6) = "101";
    r.histogram(HistogramKind::WB2).channel(6) = "102";
    add(r);
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    const auto& bars = v->MSChart1->bars();
    EXPECT_EQ(bars[0], 10);
    EXPECT_EQ(bars[10], 11);
    EXPECT_EQ(bars[11], 12);
    EXPECT_EQ(bars[50], 13);
    EXPECT_EQ(bars[51], 14);
    EXPECT_EQ(v->MSChart4->bars()[0], 101);
    EXPECT_EQ(v->MSChart3->bars()[0], 102);
    EXPECT_FALSE(v->MSChart3->isHidden());
    EXPECT_FALSE(v->MSChart4->isHidden());
    QTest::mouseClick(v->MSChart3, Qt::LeftButton);
    EXPECT_TRUE(v->MSChart3->isHidden());
    EXPECT_FALSE(v->MSChart4->isHidden());
    QTest::mouseClick(v->MSChart4, Qt::LeftButton);
    EXPECT_FALSE(v->MSChart3->isHidden());
    EXPECT_TRUE(v->MSChart4->isHidden());

    // The hidden chart is fed too, and the choice holds from result to result.
    ResultRecord next = sample("A-2", "Bianchi", 5);
    next.histogram(HistogramKind::WB1).channel(6) = "201";
    add(next);
    emit notifier().resultStored(2);
    QTest::mouseClick(v->Command16, Qt::LeftButton);
    QTest::mouseClick(v->Command4, Qt::LeftButton);
    EXPECT_TRUE(v->MSChart4->isHidden());
    EXPECT_EQ(v->MSChart4->bars()[0], 201);
}

TEST_F(Viewer, ScattergramDotsLandInTheirPopulationsPlaces) {
    add(sample("A-1", "Rossi", 30));
    ResultRecord zero = sample("A-2", "Zero", 0);
    add(zero);
    clock::seedRandom(1);
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    const QImage dots = v->Picture1->canvas();
    const QColor neutrophil(255, 200, 0), lymphocyte(0, 0, 255);
    int neutrophils = 0, lymphocytes = 0;
    for (int y = 0; y < dots.height(); ++y)
        for (int x = 0; x < dots.width(); ++x) {
            const QColor c = dots.pixelColor(x, y);
            const double tx = x * 15.0, ty = y * 15.0;  // twips
            if (c == neutrophil) {
                ++neutrophils;
                EXPECT_TRUE(tx >= 780 && tx <= 1700 && ty >= 180 && ty <= 1015) << tx << "," << ty;
            } else if (c == lymphocyte) {
                ++lymphocytes;
                EXPECT_TRUE(tx >= 330 && tx <= 715 && ty >= 985 && ty <= 1365) << tx << "," << ty;
            }
        }
    EXPECT_GT(neutrophils, 300);
    EXPECT_GT(lymphocytes, 100);
    // The template carries the population outlines; WBC 0 leaves the dots' picture with its frame only.
    QTest::mouseClick(v->Command1, Qt::LeftButton);
    const QImage empty = v->Picture1->canvas();
    for (int y = 0; y < empty.height(); ++y)
        for (int x = 0; x < empty.width(); ++x) {
            const QColor c = empty.pixelColor(x, y);
            ASSERT_TRUE(c == Qt::white || (c.red() == c.green() && c.green() == c.blue())) << x << "," << y;
        }
    int outline = 0;
    const QImage shape = v->Picture2->canvas();
    for (int y = 0; y < shape.height(); ++y)
        for (int x = 0; x < shape.width(); ++x)
            outline += shape.pixelColor(x, y) == neutrophil;
    EXPECT_GT(outline, 50);
}

QVariant storedField(Connection& cn, int64_t id, const char* field) {
    return cn.scalar(QStringLiteral("select \"%1\" from datiQgrafici where ID1 = ?1").arg(QLatin1String(field)),
                     {QVariant::fromValue(id)});
}

bool navigationEnabled(leggi* v) {
    return v->Command1->isEnabled() && v->Command2->isEnabled() && v->Command3->isEnabled() &&
           v->Command4->isEnabled() && v->Command12->isEnabled() && v->Command16->isEnabled();
}

bool navigationDisabled(leggi* v) {
    return !v->Command1->isEnabled() && !v->Command2->isEnabled() && !v->Command3->isEnabled() &&
           !v->Command4->isEnabled() && !v->Command12->isEnabled() && !v->Command16->isEnabled();
}

TEST_F(Viewer, RedCellGroupOpensOverItsValuesAndSavesTheTypedNumbers) {
    addThree();
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    QTest::mouseClick(v->Command15, Qt::LeftButton);
    EXPECT_TRUE(navigationDisabled(v));
    EXPECT_TRUE(v->Command15->isHidden());
    EXPECT_FALSE(v->Command11->isHidden());
    EXPECT_FALSE(v->Text28->isHidden());
    EXPECT_EQ(v->Text28->text(), "4,87");
    EXPECT_EQ(v->Text34->text(), "12,5");
    EXPECT_TRUE(v->Text28->geometry().contains(v->Label13->geometry()));

    v->Text28->setText("4,5");
    v->Text31->setText("05");
    QTest::mouseClick(v->Command11, Qt::LeftButton);
    EXPECT_EQ(storedField(s().cn, ids[0], "rbc").toDouble(), 4.5);
    EXPECT_EQ(storedField(s().cn, ids[0], "mcv").toDouble(), 5);
    EXPECT_EQ(v->Label13->text(), "4,5");
    EXPECT_EQ(v->Label14->text(), "05");  // as typed until the row is shown again
    EXPECT_TRUE(v->Text28->isHidden());
    EXPECT_FALSE(v->Command15->isHidden());
    EXPECT_TRUE(navigationEnabled(v));
    EXPECT_TRUE(logText().isEmpty()) << logText().toStdString();
}

// Each box laid over a value writes that value's own field: a box wired to
// the wrong parameter stores a number where another belongs.
TEST_F(Viewer, EachEditBoxSavesIntoItsOwnField) {
    addThree();
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    struct Group {
        QPushButton* open;
        QPushButton* save;
        std::vector<std::pair<QLineEdit*, const char*>> boxes;
    };
    const Group groups[] = {
        {v->Command15,
         v->Command11,
         {{v->Text28, "RBC"},
          {v->Text29, "HGB"},
          {v->Text30, "HCT"},
          {v->Text31, "MCV"},
          {v->Text32, "MCH"},
          {v->Text33, "MCHC"},
          {v->Text34, "RDW"}}},
        {v->Command14, v->Command5, {{v->Text26, "PLT"}, {v->Text27, "MPV"}}},
        {v->Command6,
         v->Command8,
         {{v->Text7, "WBC"},
          {v->Text2, "neu%"},
          {v->Text35, "bandati"},
          {v->Text3, "lym%"},
          {v->Text4, "mono%"},
          {v->Text5, "eos%"},
          {v->Text6, "baso%"}}},
    };
    int typed = 10;
    for (const Group& g : groups) {
        QTest::mouseClick(g.open, Qt::LeftButton);
        int n = typed;
        for (const auto& [box, field] : g.boxes)
            box->setText(QStringLiteral("%1,5").arg(n++));
        QTest::mouseClick(g.save, Qt::LeftButton);
        for (const auto& [box, field] : g.boxes) {
            SCOPED_TRACE(box->objectName().toStdString());
            EXPECT_EQ(storedField(s().cn, ids[0], field).toDouble(), typed++ + 0.5);
        }
    }
    EXPECT_TRUE(prompts_->takeMessages().empty());
}

TEST_F(Viewer, TextThatIsNoNumberIsRefusedAndTheGroupStaysOpen) {
    addThree();
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    // Typed past the key filter (pasted, or the one key code it lets through).
    const QString refused[] = {"", " ", ",", QString(QChar(188)), "abc", "4,5,6"};
    struct Group {
        QPushButton* opener;
        QPushButton* saver;
        QLineEdit* box;
        const char* field;
    };
    const Group groups[] = {{v->Command15, v->Command11, v->Text28, "rbc"},
                            {v->Command14, v->Command5, v->Text26, "plt"},
                            {v->Command6, v->Command8, v->Text7, "wbc"},
                            {v->Command6, v->Command7, v->Text2, "neu%"}};
    for (const Group& g : groups) {
        const double before = storedField(s().cn, ids[0], g.field).toDouble();
        QTest::mouseClick(g.opener, Qt::LeftButton);
        for (const QString& typed : refused) {
            SCOPED_TRACE(g.box->objectName().toStdString() + " \"" + typed.toStdString() + "\"");
            g.box->setText(typed);
            QTest::mouseClick(g.saver, Qt::LeftButton);
            expectRefusal();
            EXPECT_EQ(storedField(s().cn, ids[0], g.field).toDouble(), before);
            EXPECT_FALSE(g.box->isHidden());
            EXPECT_FALSE(g.saver->isHidden());
            EXPECT_TRUE(navigationDisabled(v));
        }
        // Corrected, the same group saves.
        g.box->setText("7");
        QTest::mouseClick(g.saver, Qt::LeftButton);
        EXPECT_TRUE(g.box->isHidden());
        EXPECT_TRUE(navigationEnabled(v));
    }
    EXPECT_EQ(storedField(s().cn, ids[0], "rbc").toDouble(), 7);
    EXPECT_EQ(storedField(s().cn, ids[0], "plt").toDouble(), 7);
    EXPECT_EQ(storedField(s().cn, ids[0], "wbc").toDouble(), 7);
    // Each refusal is logged under the viewer's name with its 32-bit number.
    EXPECT_EQ(logText().count("\tleggi\t13\t"), 4 * int(std::size(refused))) << logText().toStdString();
}

TEST_F(Viewer, AnUpdateTheDatabaseRefusesKeepsTheRowAndLogsItsFullNumber) {
    addThree();
    s().cn.execute(
        "create trigger refuse_rbc before update of rbc on datinumerici when new.rbc = 99 "
        "begin select raise(abort, 'rbc refused'); end");
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    QTest::mouseClick(v->Command15, Qt::LeftButton);
    v->Text28->setText("99");
    v->Text29->setText("15");
    QTest::mouseClick(v->Command11, Qt::LeftButton);
    expectRefusal(false);  // no box holds a wrong value
    EXPECT_EQ(storedField(s().cn, ids[0], "rbc").toDouble(), 4.87);
    EXPECT_EQ(storedField(s().cn, ids[0], "hgb").toDouble(), 14.2);
    EXPECT_FALSE(v->Command11->isHidden());
    EXPECT_TRUE(navigationDisabled(v));
    EXPECT_TRUE(logText().contains("\tleggi\t-2147467259\t")) << logText().toStdString();
    // Corrected, it saves.
    v->Text28->setText("5");
    QTest::mouseClick(v->Command11, Qt::LeftButton);
    EXPECT_EQ(storedField(s().cn, ids[0], "rbc").toDouble(), 5);
    EXPECT_EQ(storedField(s().cn, ids[0], "hgb").toDouble(), 15);
}

TEST_F(Viewer, AnEmptyBandOrRetBoxClearsItsValue) {
    ResultRecord r = sample("A-1", "Rossi", 7);
    r.value(P::bandati) = 4;
    r.value(P::ret) = 1.5;
    const int64_t id = add(r);
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Label103->text(), "4");
    QTest::mouseClick(v->Command6, Qt::LeftButton);
    EXPECT_EQ(v->Text35->text(), "4");
    v->Text35->clear();
    QTest::mouseClick(v->Command8, Qt::LeftButton);
    EXPECT_TRUE(storedField(s().cn, id, "bandati").isNull());
    EXPECT_EQ(v->Label103->text(), "");
    v->Text25->clear();
    enter(v->Text25);
    EXPECT_TRUE(storedField(s().cn, id, "ret%").isNull());
    EXPECT_EQ(v->Label94->text(), "");
    EXPECT_TRUE(logText().isEmpty()) << logText().toStdString();
}

TEST_F(Viewer, NavigationStaysLockedWhileAnyGroupIsOpen) {
    addThree();
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    emit notifier().resultStored(99);  // the refresh button shows
    QTest::mouseClick(v->Command15, Qt::LeftButton);
    QTest::mouseClick(v->Command14, Qt::LeftButton);
    QTest::mouseClick(v->Command6, Qt::LeftButton);
    // Saving one group leaves the row held by the others.
    QTest::mouseClick(v->Command11, Qt::LeftButton);
    EXPECT_TRUE(navigationDisabled(v));
    v->Text20->setText("3");  // read-only now: typed by the program
    enter(v->Text20);
    QTest::mouseClick(v->Command16, Qt::LeftButton);
    QTest::mouseClick(v->Command1, Qt::LeftButton);
    EXPECT_EQ(v->Text10->text(), "A-1");
    QTest::mouseClick(v->Command5, Qt::LeftButton);
    EXPECT_TRUE(navigationDisabled(v));
    // The white group's last save writes into the row it was opened on.
    v->Text7->setText("9");
    QTest::mouseClick(v->Command8, Qt::LeftButton);
    EXPECT_EQ(storedField(s().cn, ids[0], "wbc").toDouble(), 9);
    EXPECT_EQ(storedField(s().cn, ids[2], "wbc").toDouble(), 12);
    EXPECT_TRUE(navigationEnabled(v));
    // The counts hold the row too.
    QTest::mouseClick(v->Command9, Qt::LeftButton);
    EXPECT_TRUE(navigationDisabled(v));
    QTest::mouseClick(v->Command10, Qt::LeftButton);
    EXPECT_TRUE(navigationEnabled(v));
    v->Text20->setText("3");
    enter(v->Text20);
    EXPECT_EQ(v->Text10->text(), "A-3");
}

TEST_F(Viewer, RemainderTo100SetsTheSegmentedAndSavesTheGroup) {
    struct Case {
        const char* name;
        QStringList typed;  // neu, lym, mono, eos, baso, band, wbc
        double neu;
        double lym;
        double wbc;
    };
    const Case cases[] = {
        {"sum 98", {"60", "30", "5", "2", "1", "0", "7"}, 62, 30, 7},
        {"already 100, a new white count", {"60", "30", "6", "3", "1", "0", "9"}, 60, 30, 9},
        {"rounded before the sum", {"50", "12,3456", "5", "2", "1", "", "7"}, 79.65, 12.35, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int64_t id = add(sample("A-1", "Rossi", 7.46));
        leggi* v = open();
        ASSERT_NE(v, nullptr);
        QTest::mouseClick(v->Command4, Qt::LeftButton);
        QTest::mouseClick(v->Command6, Qt::LeftButton);
        const QList<QLineEdit*> boxes = {v->Text2, v->Text3, v->Text4, v->Text5, v->Text6, v->Text35, v->Text7};
        for (int i = 0; i < boxes.size(); ++i)
            boxes[i]->setText(c.typed[i]);
        QTest::mouseClick(v->Command7, Qt::LeftButton);
        EXPECT_EQ(storedField(s().cn, id, "neu%").toDouble(), c.neu);
        EXPECT_EQ(storedField(s().cn, id, "lym%").toDouble(), c.lym);
        EXPECT_EQ(storedField(s().cn, id, "wbc").toDouble(), c.wbc);
        EXPECT_TRUE(v->Text2->isHidden());
        EXPECT_TRUE(v->Command7->isHidden());
        EXPECT_FALSE(v->Command6->isHidden());
        EXPECT_TRUE(navigationEnabled(v));
        Forms::unload("leggi");
    }
    EXPECT_TRUE(logText().isEmpty()) << logText().toStdString();
}

TEST_F(Viewer, ValueBoxesTakeDigitsAndTheConfiguredSeparatorOnly) {
    addThree();
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    QTest::mouseClick(v->Command15, Qt::LeftButton);
    QTest::mouseClick(v->Command6, Qt::LeftButton);
    v->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(v));
    for (QLineEdit* box : {v->Text28, v->Text7, v->Text35}) {
        box->clear();
        box->setFocus();
        QTest::keyClicks(box, "4.5,x-6");
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_Home);
        QTest::keyClicks(box, "9");
        QTest::keyClick(box, Qt::Key_Delete);
    }
    // The comma is the separator here, and the point types it; Backspace,
    // Home and Delete edit as ever.
    EXPECT_EQ(v->Text28->text(), "9,5,");
    EXPECT_EQ(v->Text7->text(), "9,5,");
    EXPECT_EQ(v->Text35->text(), "9.5,x-");  // the band box takes every key
}

TEST_F(Viewer, OnlyTheConfiguredSeparatorPasses) {
    addThree();
    // Either mark types the configured one; with none configured, neither passes.
    struct Case {
        const char* separator;
        const char* keys;
        const char* typed;
    } cases[] = {{".", "1,23", "1.23"}, {",", "1.23", "1,23"}, {"", "1.2,3", "123"}, {";", "1.2,3", "123"}};
    for (const auto& [separator, keys, typed] : cases) {
        SCOPED_TRACE(separator);
        scriviini("separatore", "decimale", separator, "general.ini");
        leggi* v = open();
        ASSERT_NE(v, nullptr);
        QTest::mouseClick(v->Command14, Qt::LeftButton);
        v->Text26->clear();
        QTest::keyClicks(v->Text26, keys);
        EXPECT_EQ(v->Text26->text(), typed);
        QTest::mouseClick(v->Command5, Qt::LeftButton);
        Forms::unload("leggi");
    }
}

TEST_F(Viewer, EnterWritesEachPatientItemAndWalksTheBoxes) {
    addThree();
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    v->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(v));
    struct Step {
        QLineEdit* box;
        const char* typed;
        const char* field;
        QWidget* next;
    };
    const Step steps[] = {{v->Text10, "B-9", "specId", v->Text1},
                          {v->Text1, "O'Neil Mary", "specName", v->Text18},
                          {v->Text16, "F", "sesso", v->Text14},
                          {v->Text14, "01/02/1980", "DdN", v->Command1},
                          {v->Text17, "Anisocitosi", "note", v->Text17}};
    for (const Step& st : steps) {
        SCOPED_TRACE(st.field);
        st.box->setFocus();
        st.box->setText(QString::fromUtf8(st.typed));
        enter(st.box);
        EXPECT_EQ(storedField(s().cn, ids[0], st.field).toString(), QString::fromUtf8(st.typed));
        EXPECT_TRUE(st.next->hasFocus());
        if (auto* box = qobject_cast<QLineEdit*>(st.next)) {
            EXPECT_EQ(box->cursorPosition(), box->text().size());
        }
    }
    EXPECT_EQ(v->Text16->maxLength(), 1);
    // Other keys write nothing.
    QTest::keyClicks(v->Text17, " e poichilocitosi");
    EXPECT_EQ(storedField(s().cn, ids[0], "note").toString(), "Anisocitosi");
}

TEST_F(Viewer, AbsoluteCountsFollowTheWhiteCountAndThePercentages) {
    ResultRecord r = sample("A-1", "Rossi", 8);
    r.value(P::neu) = 60;
    r.value(P::bandati) = 2;
    r.value(P::lym) = 30;
    r.value(P::mono) = 5;
    r.value(P::eos) = 2;
    r.value(P::baso) = 1;
    add(r);
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    QTest::mouseClick(v->Command9, Qt::LeftButton);
    EXPECT_TRUE(v->Command9->isHidden());
    EXPECT_FALSE(v->Command10->isHidden());
    const std::pair<Label*, const char*> counts[] = {{v->Label38, "4,8"}, {v->Label106, "0,16"}, {v->Label33, "2,4"},
                                                     {v->Label39, "0,4"}, {v->Label40, "0,16"},  {v->Label41, "0,08"}};
    for (const auto& [label, text] : counts) {
        EXPECT_EQ(label->text(), text) << label->objectName().toStdString();
        EXPECT_FALSE(label->isHidden());
    }
    EXPECT_TRUE(v->Label80->isHidden());
    // A white-cell save shows the counts of the saved values.
    QTest::mouseClick(v->Command6, Qt::LeftButton);
    v->Text7->setText("10");
    QTest::mouseClick(v->Command8, Qt::LeftButton);
    EXPECT_EQ(v->Label38->text(), "6");
    EXPECT_FALSE(v->Label38->isHidden());
    QTest::mouseClick(v->Command10, Qt::LeftButton);
    EXPECT_TRUE(v->Label38->isHidden());
    EXPECT_FALSE(v->Label80->isHidden());
}

TEST_F(Viewer, HistorySearchReloadsTheOpenViewerAtOnce) {
    add(sample("12-A", "D'Amico Anna", 5), true);
    add(sample("X-1", "D'Amico Anna", 6), true);
    add(sample("512", "Damico", 7), true);
    add(sample("12-A", "D'Amico Anna", 8));  // today's, in the daily database
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(v->Check1->isVisibleTo(v));

    QTest::mouseClick(v->MSChart3, Qt::LeftButton);  // one white-cell chart clicked away
    ASSERT_FALSE(v->MSChart3->isVisibleTo(v));
    v->Check1->setChecked(true);
    QTest::mouseClick(v->Image2, Qt::LeftButton);
    EXPECT_EQ(s().queryricerca, "select * from datiQgrafici where specName like 'D''Amico Anna' order by ID1");
    for (const HistogramChart* chart : {v->MSChart1, v->MSChart2, v->MSChart3, v->MSChart4})
        EXPECT_TRUE(chart->isVisibleTo(v)) << chart->objectName().toStdString();  // the four, as after a load
    EXPECT_EQ(s().leggiOricerca, 0);
    ASSERT_EQ(Forms::get<leggi>(), v);  // the same window, on the new rows
    EXPECT_EQ(v->Text24->text(), "2");
    EXPECT_EQ(v->Text10->text(), "12-A");
    EXPECT_EQ(v->Label11->text(), "5");
    EXPECT_EQ(v->palette().color(QPalette::Window), QColor(255, 255, 192));
    EXPECT_FALSE(v->Image1->isVisibleTo(v));
    EXPECT_FALSE(v->Command6->isVisibleTo(v));
    Forms::unload("leggi");

    // A partial search drops the % and & typed with the id.
    v = open();
    ASSERT_NE(v, nullptr);
    v->Check1->setChecked(false);
    v->Text10->setText("12%&");
    QTest::mouseClick(v->Image1, Qt::LeftButton);
    EXPECT_EQ(s().queryricerca, "select * from datiQgrafici where specId like '%12%' order by ID1");
    EXPECT_EQ(v->Text24->text(), "2");  // 12-A and 512
    QTest::mouseClick(v->Command4, Qt::LeftButton);
    EXPECT_EQ(v->Text10->text(), "512");
    EXPECT_TRUE(logText().isEmpty()) << logText().toStdString();
}

TEST_F(Viewer, ASearchThatFindsNothingLeavesTheOpenViewerAsItWas) {
    addThree();
    leggi* v = open();
    ASSERT_NE(v, nullptr);
    QTest::mouseClick(v->Command4, Qt::LeftButton);
    showSearchInViewer(searchSql(SearchField::specName, "Nessuno", true));
    expectEmptyMessage();
    ASSERT_EQ(Forms::get<leggi>(), v);
    EXPECT_EQ(s().leggiOricerca, 0);
    EXPECT_EQ(v->Text24->text(), "3");
    EXPECT_EQ(v->Text10->text(), "A-3");
    EXPECT_TRUE(v->Text10->isEnabled());
    // Closed, the viewer opens on the daily list again.
    Forms::unload("leggi");
    v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Text24->text(), "3");
}

}  // namespace
}  // namespace zv
