#include <QTest>

#include <algorithm>
#include <cmath>

#include "core/config.h"
#include "core/language.h"
#include "core/session.h"
#include "model/reportdata.h"
#include "model/resultstore.h"
#include "platform/forms.h"
#include "platform/printer.h"
#include "report/cupsqueue.h"
#include "report/pdftext.h"
#include "report/stampa.h"
#include "support/results.h"
#include "support/window_fixture.h"
#include "viewer/anagrafiche.h"
#include "viewer/formricerca.h"
#include "viewer/leggi.h"

namespace zv {
namespace {

using P = ResultParameter;

ResultRecord stored(const QString& id, const QString& name, std::optional<double> band = std::nullopt) {
    ResultRecord r;
    r.specId = id;
    r.specName = name;
    r.date = QStringLiteral("08/12/26");
    r.Limits = 1;
    r.value(P::WBC) = 75;
    r.value(P::RBC) = 465;
    r.value(P::HGB) = 142;
    r.value(P::MCV) = 880;
    r.value(P::HCT) = 409;
    r.value(P::MCH) = 305;
    r.value(P::MCHC) = 347;
    r.value(P::RDW) = 125;
    r.value(P::PLT) = 210;
    r.value(P::MPV) = 84;
    r.value(P::neu) = 600;
    r.value(P::lym) = 300;
    r.value(P::mono) = 60;
    r.value(P::eos) = 30;
    r.value(P::baso) = 10;
    r.value(P::bandati) = band;
    for (Histogram& h : r.histograms)
        for (auto& c : h.channels)
            c = QStringLiteral("000");
    return r;
}

class Lists : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        scriviini("database", "last", "08/12/26", "general.ini");
        scriviini("separatore", "decimale", ".", "general.ini");
        Forms::load("frmSplash");
        ASSERT_NE(Session::current(), nullptr);
    }
    void TearDown() override {
        Printer::redirectSystemPrinter(QString());
        WindowTest::TearDown();
    }
    Session& s() { return Session::get(); }
    void instrument(const char* model) { scriviini("general", "instrument", model, "port.ini"); }
    QString logText() { return QString::fromUtf8(fileBytes(path("log/08.12.26.log"))); }
    QString row(const anagrafiche* a, int r) {
        QStringList cells;
        for (int c = 0; c < a->model().columnCount(); ++c)
            cells << a->model().index(r, c).data().toString();
        return cells.join(QLatin1Char('|'));
    }
};

TEST_F(Lists, TheWorksheetShowsTheDaysResultsDividedByTheAnalyserModel) {
    struct Case {
        const char* model;
        const char* first;
    };
    const Case cases[] = {
        {"CD3000", "1|A-1|Rossi Mario|7.5|4.65|14.2|88|40.9|30.5|34.7|12.5|210|8.4|60|30|6|3|1|"},
        {"CD3500", "1|A-1|Rossi Mario|75|465|142|880|409|305|347|125|210|84|600|300|60|30|10|"},
        {"CD9999", "1|A-1|Rossi Mario|||||||||210|||||||"},
    };
    s().cn.execute("delete from datinumerici");
    addResult(s().cn, stored("A-1", "Rossi Mario"));
    addResult(s().cn, stored("A-2", "D'Amico Anna", 25));
    addResult(s().cn, stored("A-3", "O'Neil", 0));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        instrument(c.model);
        auto* a = Forms::show<anagrafiche>();
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->model().rowCount(), 3);
        EXPECT_EQ(row(a, 0).toStdString(), c.first);
        EXPECT_EQ(a->model().index(1, 2).data().toString(), "D'Amico Anna");
        EXPECT_EQ(a->model().index(2, 0).data().toString(), "3");
        Forms::unload<anagrafiche>();
    }
    instrument("CD3000");
    auto* a = Forms::show<anagrafiche>();
    EXPECT_EQ(a->model().index(1, 18).data().toString(), "2.5");
    EXPECT_EQ(a->model().headerData(13, Qt::Horizontal).toString(), "%Neu");
    EXPECT_EQ(a->windowTitle(), languageText(s().linguax, "anagrafiche", "titolo"));
    EXPECT_TRUE(logText().isEmpty()) << logText().toStdString();
}

TEST_F(Lists, TheArchiveWorksheetListsTheWorkDateOnly) {
    ResultRecord other = stored("O-1", "Altro");
    other.date = "07/12/26";
    addResult(s().cntot, other);
    addResult(s().cntot, stored("T-1", "Oggi"));
    s().setArchiveMode(true);
    auto* a = Forms::show<anagrafiche>();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->model().rowCount(), 1);
    EXPECT_EQ(a->model().index(0, 1).data().toString(), "T-1");
    Forms::unload<anagrafiche>();
    s().setWorkDate("06/12/26");
    EXPECT_EQ(Forms::show<anagrafiche>(), nullptr);
    const auto messages = prompts_->takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, languageText(s().linguax, "anagrafiche", "msg1"));
    EXPECT_FALSE(Forms::isLoaded("anagrafiche"));
}

TEST_F(Lists, TheWorksheetPrintsLandscapeAndTheNextReportIsPortrait) {
    instrument("CD3000");
    for (int i = 1; i <= 40; ++i)
        addResult(s().cn, stored(QStringLiteral("S-%1").arg(i), i == 7 ? "D'Amico Anna" : "Rossi"));
    const QString pdf = path("list.pdf");
    Printer::redirectSystemPrinter(pdf);
    auto* a = Forms::show<anagrafiche>();
    ASSERT_NE(a, nullptr);
    QTest::mouseClick(a->Command1, Qt::LeftButton);
    EXPECT_FALSE(Forms::isLoaded("anagrafiche"));  // closed after printing
    ASSERT_EQ(test::pdfPageCount(pdf), 1);
    const QImage page = test::pdfPage(pdf, 1, 20);
    EXPECT_GT(page.width(), page.height());
    // Ghostscript, as printer drivers draw the page, leaves out nothing poppler draws.
    EXPECT_LT(test::rendererMismatch(pdf, 1, 60), 0.05);
    const auto words = test::pdfWords(pdf);
    // The last column stays on the page.
    const auto band = test::findText(words, "%Band");
    ASSERT_FALSE(band.empty());
    EXPECT_LT(band.front().xMax, page.width() * 72 / 20.0);
    EXPECT_FALSE(test::findText(words, "S-40").empty());
    EXPECT_FALSE(test::findText(words, "D'Amico").empty());
    const auto wbc = test::findText(words, "WBC");
    const auto first = test::findText(words, "S-1");
    ASSERT_FALSE(wbc.empty());
    ASSERT_FALSE(first.empty());
    EXPECT_NEAR(wbc.front().xMin, 4500 / 20.0, 2);  // twips to points
    EXPECT_NEAR(first.front().xMin, 500 / 20.0, 2);
    EXPECT_TRUE(logText().isEmpty()) << logText().toStdString();

    // The next report goes out upright.
    const QString report = path("report.pdf");
    Printer::redirectSystemPrinter(report);
    Recordset rs(s().cn, "select * from datiQgrafici order by ID1");
    printShownReport(readResult(rs), LimitsRow(), {}, Qt::black);
    prompts_->takeMessages();
    if (test::pdfPageCount(report) == 1) {
        const QImage upright = test::pdfPage(report, 1, 20);
        EXPECT_LT(upright.width(), upright.height());
    } else {
        ADD_FAILURE() << logText().toStdString();
    }
}

// Every heading of the printed worksheet reads apart from the next, however
// narrow the page makes the columns: none runs into its neighbour.
TEST_F(Lists, ThePrintedHeadingsStandApart) {
    instrument("CD3500");
    addResult(s().cn, stored(QStringLiteral("S-1"), QStringLiteral("Rossi")));
    const QString pdf = path("list.pdf");
    Printer::redirectSystemPrinter(pdf);
    auto* a = Forms::show<anagrafiche>();
    ASSERT_NE(a, nullptr);
    QTest::mouseClick(a->Command1, Qt::LeftButton);
    const auto words = test::pdfWords(pdf);
    const auto id = test::findText(words, QStringLiteral("Id."));
    ASSERT_FALSE(id.empty());
    std::vector<test::PdfWord> line;
    for (const test::PdfWord& w : words)
        if (w.page == id.front().page && std::abs(w.yMin - id.front().yMin) < 1.0)
            line.push_back(w);
    std::sort(line.begin(), line.end(), [](const auto& x, const auto& y) { return x.xMin < y.xMin; });
    QStringList headings;
    for (const test::PdfWord& w : line)
        headings << w.text;
    EXPECT_EQ(headings.join(QLatin1Char(' ')),
              QStringLiteral("Id. Nome WBC RBC HGB MCV HCT MCH MCHC RDW PLT MPV %Neu %Lym %Mono %Eos %Baso %Band"));
    // Two blanks between one heading and the next: over 4 points at the sizes they print in.
    for (std::size_t i = 1; i < line.size(); ++i)
        EXPECT_GE(line[i].xMin - line[i - 1].xMax, 4.0) << line[i - 1].text.toStdString();
    EXPECT_TRUE(logText().isEmpty()) << logText().toStdString();
}

TEST_F(Lists, AFailedPrintLeavesNoHalfDocumentAndTheListOpen) {
    addResult(s().cn, stored("A-1", "Rossi"));
    // A destination that cannot be written.
    Printer::redirectSystemPrinter(path("no-such-folder/list.pdf"));
    auto* a = Forms::show<anagrafiche>();
    ASSERT_NE(a, nullptr);
    QTest::mouseClick(a->Command1, Qt::LeftButton);
    EXPECT_TRUE(Forms::isLoaded("anagrafiche"));
    EXPECT_FALSE(QFileInfo::exists(path("no-such-folder/list.pdf")));
    EXPECT_TRUE(logText().contains("\tanagrafiche\t482\t")) << logText().toStdString();
}

class Search : public Lists {
protected:
    void SetUp() override {
        Lists::SetUp();
        ResultRecord anna = stored("123-A", "D'Amico Anna");
        anna.value(P::WBC) = 5;
        addResult(s().cntot, anna);
        addResult(s().cntot, stored("9123", "O'Neil Mary"));
        addResult(s().cntot, stored("77", "Rossi"));
    }
    formricerca* open() { return Forms::show<formricerca>(); }
};

TEST_F(Search, BuildsTheQueryAndOpensTheViewerOnIt) {
    struct Case {
        const char* id;
        const char* name;
        bool exact;
        const char* sql;
        int rows;
    };
    const Case cases[] = {
        {"123", "", false, "select * from datiQgrafici where specId like '%123%' order by ID1", 2},
        {"123", "", true, "select * from datiQgrafici where specId like '123' order by ID1", 0},
        {"", "D'Amico Anna", true, "select * from datiQgrafici where specName like 'D''Amico Anna' order by ID1", 1},
        {"", "o'neil", false, "select * from datiQgrafici where specName like '%o''neil%' order by ID1", 1},
        {"", "R%i", true, "select * from datiQgrafici where specName like 'R%i' order by ID1", 1},
    };
    formricerca* f = open();
    ASSERT_NE(f, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        f->Text10->setText(c.id);
        f->Text1->setText(c.name);
        f->Check1->setChecked(c.exact);
        QTest::mouseClick(f->Command1, Qt::LeftButton);
        EXPECT_EQ(s().leggiOricerca, 0);  // consumed at once
        leggi* v = Forms::get<leggi>();
        if (c.rows == 0) {
            EXPECT_EQ(prompts_->takeMessages().size(), 1u);
            continue;
        }
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->Text24->text(), QString::number(c.rows));
    }
    // The last search reloaded the open viewer: Rossi, not the first search's rows.
    EXPECT_EQ(Forms::get<leggi>()->Text1->text(), "Rossi");
    EXPECT_TRUE(logText().isEmpty()) << logText().toStdString();
}

TEST_F(Search, EmptyCriteriaAreRefusedAndTypingOneBoxEmptiesTheOther) {
    formricerca* f = open();
    ASSERT_NE(f, nullptr);
    s().queryricerca = "kept";
    QTest::mouseClick(f->Command1, Qt::LeftButton);
    const auto messages = prompts_->takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Inserire almeno un criterio di Ricerca");
    EXPECT_EQ(messages[0].title, "Ricerca");
    EXPECT_EQ(s().queryricerca, "kept");
    EXPECT_FALSE(Forms::isLoaded("leggi"));

    QTest::keyClicks(f->Text10, "123");
    QTest::keyClicks(f->Text1, "Ros");
    EXPECT_EQ(f->Text10->text(), "");
    QTest::keyClicks(f->Text10, "77");
    EXPECT_EQ(f->Text1->text(), "");
    QTest::keyClick(f->Text10, Qt::Key_Return);  // Enter searches
    ASSERT_NE(Forms::get<leggi>(), nullptr);
    EXPECT_EQ(Forms::get<leggi>()->Text10->text(), "77");
}

TEST_F(Search, TheWindowFoldsAndPicksADatabaseAndClosesClean) {
    formricerca* f = open();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(s().dbricerca, programFolder() + "/zarviumtotale.mdb");
    EXPECT_EQ(f->Label9->text(), s().dbricerca);
    EXPECT_EQ(f->Command1->text(), languageText(s().linguax, "formricerca", "cmd1"));
    const int folded = f->height();
    QTest::mouseClick(f->Command2, Qt::LeftButton);
    EXPECT_EQ(f->Command2->text(), "<<<");
    EXPECT_GT(f->height(), folded);
    EXPECT_TRUE(f->Label9->geometry().bottom() < f->height());
    QTest::mouseClick(f->Command2, Qt::LeftButton);
    EXPECT_EQ(f->Command2->text(), ">>>");
    EXPECT_EQ(f->height(), folded);
    EXPECT_TRUE(f->collapsed());

    prompts_->files.push_back(path("altro.mdb"));
    prompts_->files.push_back("");  // cancelled: the pick stays
    QTest::mouseClick(f->Command4, Qt::LeftButton);
    QTest::mouseClick(f->Command4, Qt::LeftButton);
    EXPECT_EQ(s().dbricerca, path("altro.mdb"));
    EXPECT_EQ(f->Label9->text(), path("altro.mdb"));

    s().queryricerca = "select 1";
    Forms::unload<formricerca>();
    EXPECT_EQ(s().queryricerca, "");
    EXPECT_EQ(s().dbricerca, "");
}

}  // namespace
}  // namespace zv
