// The QC statistics window in a started program: a lot's runs from the
// archive, marked and summarised; delete mode; the printed page.
#include <QAbstractItemModel>
#include <QColor>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>

#include "model/result.h"
#include "model/resultstore.h"
#include "platform/errors.h"
#include "platform/printer.h"
#include "qc/qc.h"
#include "qc/qclot.h"
#include "qc/qcprint.h"
#include "refdata/editor_fixture.h"
#include "report/cupsqueue.h"
#include "report/pdftext.h"
#include "support/results.h"

namespace zv {
namespace {

const ResultParameter kOrder[kQcParameterCount] = {
    ResultParameter::WBC, ResultParameter::RBC,  ResultParameter::HGB,  ResultParameter::MCV, ResultParameter::HCT,
    ResultParameter::MCH, ResultParameter::MCHC, ResultParameter::RDW,  ResultParameter::PLT, ResultParameter::MPV,
    ResultParameter::neu, ResultParameter::lym,  ResultParameter::mono, ResultParameter::eos, ResultParameter::baso};

class QcStatisticsWindow : public test::EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        pdf_ = path("printed.pdf");
        Printer::redirectSystemPrinter(pdf_);
        Connection(path("riferimenti.mdb")).execute("DELETE FROM qc");
    }
    void TearDown() override {
        Printer::redirectSystemPrinter(QString());
        EditorTest::TearDown();
    }
    // A lot: WBC 4 to 6, PLT 200 to 240, every other parameter 1 to 9.
    void lot(const QString& name) {
        Connection cn(path("riferimenti.mdb"));
        QString sql = QStringLiteral("INSERT INTO qc (limite, valori");
        QString values = QStringLiteral(") VALUES (1, ?1");
        QVariantList params{name};
        for (const QcParameter& p : qcParameters()) {
            sql += QStringLiteral(", %1, %2").arg(p.low(), p.high());
            values += QStringLiteral(", ?%1, ?%2").arg(params.size() + 1).arg(params.size() + 2);
            const QString& low = p.low();
            params << (low == QLatin1String("wbcL")   ? 4.0
                       : low == QLatin1String("pltL") ? 200.0
                                                      : 1.0)
                   << (low == QLatin1String("wbcL")   ? 6.0
                       : low == QLatin1String("pltL") ? 240.0
                                                      : 9.0);
        }
        cn.execute(sql + values + QStringLiteral(")"), params);
    }
    // A run in the archive: WBC as given, PLT 220, every other value 5.
    int64_t run(const QString& id, const QString& name, double wbc, const char* date = "07/12/26") {
        ResultRecord r;
        r.specId = id;
        r.specName = name;
        r.date = QString::fromLatin1(date);
        for (ResultParameter p : kOrder)
            r.value(p) = 5.0;
        r.value(ResultParameter::WBC) = wbc;
        r.value(ResultParameter::PLT) = 220.0;
        return addResult(Session::get().cntot, r);
    }
    qc* window() {
        qc* w = Forms::show<qc>();
        EXPECT_NE(w, nullptr);
        return w;
    }
    void display(qc* w, const QString& name) {
        w->Text1->setText(name);
        click(w->Command1);
    }
    static QString cell(qc* w, int row, int column) { return w->runs()->index(row, column).data().toString(); }
    static QColor colour(qc* w, int row, int column) {
        return w->runs()->index(row, column).data(Qt::ForegroundRole).value<QColor>();
    }
    static void doubleClick(qc* w, int row) {
        QTableView* grid = w->MSFlexGrid1;
        const QRect rect = grid->visualRect(grid->model()->index(row, 5));
        // The row is picked first, as the hand does before it double-clicks.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }
    QString pdf_;
};

TEST_F(QcStatisticsWindow, OpensEmptySearchingTheSampleIdentifier) {
    start();
    qc* w = window();
    EXPECT_EQ(w->windowTitle(), say("qc", "titolo"));
    EXPECT_TRUE(w->Option1->isChecked());
    EXPECT_FALSE(w->Option2->isChecked());
    EXPECT_FALSE(w->Option3->isChecked());
    EXPECT_EQ(w->camporicerca(), QStringLiteral("specid"));
    EXPECT_EQ(w->runs()->columnCount(), 18);
    EXPECT_EQ(w->runs()->rowCount(), 0);
    const char* headers[] = {"N.",   "Id.", "Data", "WBC", "RBC",  "HGB",  "MCV",   "HCT",  "MCH",
                             "MCHC", "RDW", "PLT",  "MPV", "%Neu", "%Lym", "%Mono", "%Eos", "%Baso"};
    for (int c = 0; c < 18; ++c)
        EXPECT_EQ(w->runs()->headerData(c, Qt::Horizontal).toString(), QLatin1String(headers[c]));
    EXPECT_TRUE(w->Label13->text().isEmpty());
    EXPECT_TRUE(w->meanLabel(0)->text().isEmpty());
    EXPECT_EQ(w->Label15->text(), QStringLiteral("CV %"));
    EXPECT_TRUE(prompts_->messages.empty());
}

TEST_F(QcStatisticsWindow, RunsOfTheLotMarkedAndSummarised) {
    start();
    lot(QStringLiteral("QC1"));
    const int64_t first = run("QC1-a", "", 4);
    run("other", "", 99);
    run("xqc1", "", 6.5);  // letter case ignored
    run("QC1-c", "", 3.5);
    qc* w = window();
    display(w, QStringLiteral("QC1"));
    EXPECT_TRUE(prompts_->messages.empty());
    EXPECT_EQ(w->Label13->text(), QStringLiteral("3"));
    ASSERT_EQ(w->runs()->rowCount(), 3);
    EXPECT_EQ(cell(w, 0, 0), QStringLiteral("1"));
    EXPECT_EQ(cell(w, 0, 1), QString::number(first));
    EXPECT_EQ(cell(w, 0, 2), QStringLiteral("07/12/26"));
    EXPECT_EQ(cell(w, 1, 3), QStringLiteral("6,5"));
    EXPECT_EQ(cell(w, 0, 11), QStringLiteral("220"));
    // The limits themselves are in range; below is blue, above red.
    EXPECT_FALSE(colour(w, 0, 3).isValid());
    EXPECT_EQ(colour(w, 1, 3), QColor(255, 0, 0));
    EXPECT_EQ(colour(w, 2, 3), QColor(0, 0, 255));
    EXPECT_FALSE(colour(w, 2, 4).isValid());
    // WBC: 4, 6.5, 3.5 -> mean 4.67, deviation around 4.67.
    EXPECT_EQ(w->meanLabel(0)->text(), QStringLiteral("4,67"));
    EXPECT_EQ(w->deviationLabel(0)->text(), QStringLiteral("1,61"));
    EXPECT_EQ(w->targetLabel(0)->text(), QStringLiteral("5"));
    EXPECT_EQ(w->rangeLabel(0)->text(), QStringLiteral("1"));
    EXPECT_EQ(w->targetLabel(8)->text(), QStringLiteral("220"));
    EXPECT_EQ(w->rangeLabel(8)->text(), QStringLiteral("20"));
    EXPECT_EQ(w->meanLabel(14)->text(), QStringLiteral("5"));
    EXPECT_EQ(w->deviationLabel(14)->text(), QStringLiteral("0"));
    EXPECT_EQ(w->Label7, w->meanLabel(0));
    EXPECT_EQ(w->Label80, w->rangeLabel(14));
    EXPECT_EQ(logLines(), 0) << logText().toStdString();
}

TEST_F(QcStatisticsWindow, ByNameAndWithoutWildcards) {
    start();
    run("A", "Ctrl 50% high", 5);
    run("B", "Ctrl 500 high", 5);
    run("C50%", "x", 5);
    qc* w = window();
    lot(QStringLiteral("50%"));
    struct Case {
        QRadioButton* qc::*option;
        const char* field;
        const char* name;
        const char* count;
    } cases[] = {{&qc::Option2, "specname", "50%", "1"},
                 {&qc::Option2, "specname", "Ctrl 5", "2"},
                 {&qc::Option1, "specid", "50%", "1"},
                 {&qc::Option1, "specid", "_", "0"},
                 {&qc::Option1, "specid", "", "3"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        click(w->*c.option);
        EXPECT_EQ(w->camporicerca(), QLatin1String(c.field));
        display(w, QString::fromUtf8(c.name));
        prompts_->takeMessages();  // the lot may not exist
        EXPECT_EQ(w->Label13->text(), QLatin1String(c.count));
        EXPECT_EQ(w->runs()->rowCount(), QString::fromLatin1(c.count).toInt());
    }
}

TEST_F(QcStatisticsWindow, AnUnknownLotGoesOnWithTheDefaultLimits) {
    start();
    run("NOPE-1", "", 100);
    qc* w = window();
    display(w, QStringLiteral("NOPE"));
    const auto m = prompts_->takeMessages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, say("qc", "msg1"));
    EXPECT_EQ(m[0].title, QStringLiteral("Controllo Qualità"));
    EXPECT_EQ(m[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(w->targetLabel(0)->text(), QStringLiteral("49,5"));
    EXPECT_EQ(w->rangeLabel(0)->text(), QStringLiteral("49,5"));
    EXPECT_EQ(w->targetLabel(8)->text(), QStringLiteral("499,5"));
    EXPECT_EQ(colour(w, 0, 3), QColor(255, 0, 0));  // WBC 100 > 99
    EXPECT_FALSE(colour(w, 0, 11).isValid());       // PLT 220 < 999
    EXPECT_EQ(w->meanLabel(0)->text(), QStringLiteral("100"));
}

TEST_F(QcStatisticsWindow, OneOrNoRunNeverShowsTheLotBefore) {
    start();
    lot(QStringLiteral("TWO"));
    lot(QStringLiteral("ONE"));
    lot(QStringLiteral("NONE"));
    run("TWO-1", "", 4);
    run("TWO-2", "", 6);
    run("ONE-1", "", 5.5);
    qc* w = window();
    display(w, QStringLiteral("TWO"));
    ASSERT_EQ(w->deviationLabel(0)->text(), QStringLiteral("1,41"));

    display(w, QStringLiteral("ONE"));
    EXPECT_EQ(w->Label13->text(), QStringLiteral("1"));
    EXPECT_EQ(w->runs()->rowCount(), 1);
    EXPECT_EQ(w->meanLabel(0)->text(), QStringLiteral("5,5"));
    for (int p = 0; p < kQcParameterCount; ++p)
        EXPECT_TRUE(w->deviationLabel(p)->text().isEmpty()) << p;

    display(w, QStringLiteral("NONE"));
    EXPECT_EQ(w->Label13->text(), QStringLiteral("0"));
    EXPECT_EQ(w->runs()->rowCount(), 0);
    for (int p = 0; p < kQcParameterCount; ++p) {
        EXPECT_TRUE(w->meanLabel(p)->text().isEmpty()) << p;
        EXPECT_TRUE(w->deviationLabel(p)->text().isEmpty()) << p;
    }
    EXPECT_EQ(w->targetLabel(0)->text(), QStringLiteral("5"));
    EXPECT_TRUE(prompts_->messages.empty());
    EXPECT_EQ(logLines(), 0) << logText().toStdString();
}

TEST_F(QcStatisticsWindow, DeleteModeTakesItsOwnOkAndDeletesTheWholeResult) {
    start();
    lot(QStringLiteral("QC1"));
    run("QC1-a", "", 4);
    const int64_t bad = run("QC1-b", "", 60);
    run("QC1-c", "", 6);
    qc* w = window();
    click(w->Option2);
    display(w, QStringLiteral("QC1"));
    ASSERT_EQ(w->runs()->rowCount(), 0);  // by name: nothing
    click(w->Option1);
    display(w, QStringLiteral("QC1"));
    ASSERT_EQ(w->runs()->rowCount(), 3);

    // Not in delete mode: a double click deletes nothing.
    doubleClick(w, 1);
    EXPECT_EQ(test::rowCountOf(Session::get().cntot), 3);

    // Cancel leaves no option chosen and the search field as it was.
    click(w->Option2);
    prompts_->answers.push_back(MsgResult::Cancel);
    click(w->Option3);
    EXPECT_FALSE(w->Option1->isChecked() || w->Option2->isChecked() || w->Option3->isChecked());
    EXPECT_EQ(w->camporicerca(), QStringLiteral("specname"));
    click(w->Option1);
    auto m = prompts_->takeMessages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, say("qc", "alert"));
    EXPECT_EQ(m[0].buttons, MsgButtons::OKCancel);

    prompts_->answers.push_back(MsgResult::OK);
    click(w->Option3);
    EXPECT_TRUE(w->deleteMode());
    EXPECT_FALSE(w->Option1->isChecked());
    doubleClick(w, 1);
    m = prompts_->takeMessages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[1].text, say("qc", "msg4"));
    EXPECT_FALSE(w->deleteMode());
    Connection& archive = Session::get().cntot;
    for (const char* table : {"datinumerici", "graficiWB1", "graficiWB2", "GraficiRBC", "GraficiPLT"}) {
        EXPECT_EQ(archive
                      .scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE ID1 = ?1").arg(QLatin1String(table)),
                              {qlonglong(bad)})
                      .toLongLong(),
                  0)
            << table;
        EXPECT_EQ(test::rowCount(archive, QLatin1String(table)), 2) << table;
    }
    // Listed again: the run after it moved up, its colour follows its value.
    ASSERT_EQ(w->runs()->rowCount(), 2);
    EXPECT_EQ(cell(w, 1, 3), QStringLiteral("6"));
    EXPECT_FALSE(colour(w, 1, 3).isValid());
    EXPECT_EQ(w->meanLabel(0)->text(), QStringLiteral("5"));

    // A second deletion needs its own OK.
    doubleClick(w, 0);
    EXPECT_EQ(test::rowCountOf(archive), 2);
    // Choosing ID ends delete mode too.
    prompts_->answers.push_back(MsgResult::OK);
    click(w->Option3);
    click(w->Option1);
    EXPECT_FALSE(w->deleteMode());
    doubleClick(w, 0);
    EXPECT_EQ(test::rowCountOf(archive), 2);
    EXPECT_EQ(prompts_->takeMessages().size(), 1u);  // the question alone
    EXPECT_EQ(logLines(), 0) << logText().toStdString();
}

TEST_F(QcStatisticsWindow, PrintsTheStatisticsAndEveryRunOnLandscapePages) {
    start();
    lot(QStringLiteral("QC1"));
    for (int i = 0; i < 45; ++i)
        run(QStringLiteral("QC1-%1").arg(i), "", i == 44 ? 7.25 : 5, i == 44 ? "31/12/26" : "07/12/26");
    qc* w = window();
    display(w, QStringLiteral("QC1"));
    ASSERT_EQ(w->runs()->rowCount(), 45);
    click(w->Command2);
    EXPECT_TRUE(prompts_->messages.empty());
    ASSERT_TRUE(QFile::exists(pdf_));

    const auto words = test::pdfWords(pdf_);
    EXPECT_FALSE(test::findText(words, say("qc", "stringa1").trimmed() + QStringLiteral(" QC1")).empty());
    for (const char* text : {"Media", "CV %", "Target", "Range +/-", "%MONO:", "Data", "%Baso", "31/12/26", "7,25"})
        EXPECT_FALSE(test::findText(words, QString::fromUtf8(text)).empty()) << text;
    // The WBC line: mean, deviation, target, range.
    const auto wbc = test::findText(words, QStringLiteral("WBC:"));
    ASSERT_FALSE(wbc.empty());
    QStringList wbcLine;
    for (const test::PdfWord& word : words)
        if (word.page == wbc[0].page && std::abs(word.yMin - wbc[0].yMin) < 2)
            wbcLine << word.text;
    EXPECT_EQ(wbcLine, QStringList({"WBC:", "5,05", "0,34", "5", "1"}));
    // No running number, no ID.
    EXPECT_TRUE(test::findText(words, QStringLiteral("Id.")).empty());
    // Every run: one date per run, over more than one page, the header again on the next.
    int dates = 0, headers = 0;
    for (const test::PdfWord& word : words) {
        dates += word.text == QLatin1String("07/12/26") || word.text == QLatin1String("31/12/26");
        headers += word.text == QLatin1String("%Baso");
    }
    EXPECT_EQ(dates, 45);
    const int pages = test::pdfPageCount(pdf_);
    EXPECT_GE(pages, 2);
    EXPECT_EQ(headers, pages);
    const QImage page = test::pdfPage(pdf_, 1, 20);
    EXPECT_GT(page.width(), page.height());  // landscape
    // Ghostscript, as printer drivers draw the page, leaves out nothing poppler draws.
    EXPECT_LT(test::rendererMismatch(pdf_, 1, 60), 0.05);
    EXPECT_EQ(logLines(), 0) << logText().toStdString();
}

TEST_F(QcStatisticsWindow, APrintThatFailsIsShownLoggedAndLeavesNoPaper) {
    start();
    qc* w = window();
    Printer::redirectSystemPrinter(QString());
    Session::get().printer = QStringLiteral("zv-no-such-printer");
    click(w->Command2);
    const auto m = prompts_->takeMessages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, say("qc", "msg3"));
    EXPECT_EQ(m[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(logText().contains(QStringLiteral("\tqc\t482\t"))) << logText().toStdString();
    EXPECT_FALSE(QFile::exists(pdf_));
}

TEST_F(QcStatisticsWindow, CaptionsInEveryLanguage) {
    for (const char* lingua : {"it", "en", "de", "fr", "es", "ru"}) {
        SCOPED_TRACE(lingua);
        scriviini("language", "lingua", lingua, "general.ini");
        restart();
        qc* w = window();
        for (const auto& [key, text] :
             {std::pair{"titolo", w->windowTitle()}, std::pair{"label14", w->Label14->text()},
              std::pair{"label81", w->Label81->text()}, std::pair{"cmd1", w->Command1->text()},
              std::pair{"cmd2", w->Command2->text()}, std::pair{"opt2", w->Option2->text()}}) {
            EXPECT_FALSE(text.isEmpty()) << key;
            EXPECT_EQ(text, say("qc", key)) << key;
        }
        for (const char* key : {"msg1", "msg2", "msg3", "msg4", "msg5", "alert", "stringa1"})
            EXPECT_FALSE(say("qc", key).isEmpty()) << key;
    }
}

TEST_F(QcStatisticsWindow, AFailedDisplayIsLoggedAndLeavesNoFigures) {
    start();
    lot(QStringLiteral("GOOD"));
    lot(QStringLiteral("BROKEN"));
    {
        // Text where a number belongs: what a copy that checks nothing leaves.
        Connection cn(path("riferimenti.mdb"));
        cn.execute("PRAGMA ignore_check_constraints = ON");
        cn.execute("UPDATE qc SET mpvH = 'n/a' WHERE valori = 'BROKEN'");
    }
    run("GOOD-1", "", 4);
    run("GOOD-2", "", 6);
    qc* w = window();
    display(w, QStringLiteral("GOOD"));
    ASSERT_EQ(w->runs()->rowCount(), 2);
    display(w, QStringLiteral("BROKEN"));
    const auto m = prompts_->takeMessages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, say("qc", "msg2"));
    EXPECT_EQ(m[0].title, QStringLiteral("Controllo Qualità"));
    EXPECT_TRUE(logText().contains(QStringLiteral("\tqc\t13\t"))) << logText().toStdString();
    EXPECT_TRUE(logText().contains(QStringLiteral("mpvH"))) << logText().toStdString();
    EXPECT_EQ(w->runs()->rowCount(), 0);
    EXPECT_TRUE(w->Label13->text().isEmpty());
    EXPECT_TRUE(w->meanLabel(0)->text().isEmpty());
    EXPECT_TRUE(w->targetLabel(0)->text().isEmpty());
}

TEST_F(QcStatisticsWindow, AnEmptyLimitIsNoLimit) {
    start();
    lot(QStringLiteral("HOLES"));
    // WBC without its low limit, PLT without either.
    Connection(path("riferimenti.mdb")).execute("UPDATE qc SET wbcL = NULL, pltL = NULL, pltH = NULL");
    run("HOLES-1", "", 0.5);
    run("HOLES-2", "", 6.5);
    run("HOLES-3", "", 5);
    qc* w = window();
    display(w, QStringLiteral("HOLES"));
    EXPECT_TRUE(prompts_->messages.empty());
    EXPECT_EQ(logLines(), 0) << logText().toStdString();
    ASSERT_EQ(w->runs()->rowCount(), 3);
    // Nothing is below a missing low limit; the high one still marks.
    EXPECT_FALSE(colour(w, 0, 3).isValid());
    EXPECT_EQ(colour(w, 1, 3), QColor(255, 0, 0));
    EXPECT_FALSE(colour(w, 2, 3).isValid());
    for (int row = 0; row < 3; ++row)
        EXPECT_FALSE(colour(w, row, 11).isValid()) << row;  // PLT 220, no limits
    // No target or range without both limits; the runs' figures are whole.
    for (int p : {0, 8}) {
        EXPECT_TRUE(w->targetLabel(p)->text().isEmpty()) << p;
        EXPECT_TRUE(w->rangeLabel(p)->text().isEmpty()) << p;
    }
    EXPECT_EQ(w->targetLabel(1)->text(), QStringLiteral("5"));
    EXPECT_EQ(w->rangeLabel(1)->text(), QStringLiteral("4"));
    EXPECT_EQ(w->Label13->text(), QStringLiteral("3"));
    EXPECT_EQ(w->meanLabel(0)->text(), QStringLiteral("4"));  // (0.5 + 6.5 + 5) / 3
    EXPECT_EQ(w->deviationLabel(0)->text(), QStringLiteral("3,12"));
    EXPECT_EQ(w->meanLabel(8)->text(), QStringLiteral("220"));
}

TEST_F(QcStatisticsWindow, ARunThatCannotBeDeletedStaysWhole) {
    start();
    lot(QStringLiteral("QC1"));
    const int64_t id = run("QC1-a", "", 4);
    qc* w = window();
    display(w, QStringLiteral("QC1"));
    Connection& archive = Session::get().cntot;
    archive.execute(
        "CREATE TEMP TRIGGER refuse BEFORE DELETE ON GraficiRBC BEGIN "
        "SELECT RAISE(ABORT, 'the archive is locked'); END");
    prompts_->answers.push_back(MsgResult::OK);
    click(w->Option3);
    doubleClick(w, 0);
    const auto m = prompts_->takeMessages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[1].text, say("qc", "msg5"));
    EXPECT_EQ(m[1].icon, MsgIcon::Critical);
    EXPECT_TRUE(logText().contains(QStringLiteral("the archive is locked"))) << logText().toStdString();
    for (const char* table : {"datinumerici", "graficiWB1", "graficiWB2", "GraficiRBC", "GraficiPLT"})
        EXPECT_EQ(archive
                      .scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE ID1 = ?1").arg(QLatin1String(table)),
                              {qlonglong(id)})
                      .toLongLong(),
                  1)
            << table;
    EXPECT_EQ(w->runs()->rowCount(), 1);
}

// The page itself, on printers the test owns.
class QcPrintedPage : public ::testing::Test {
protected:
    static std::unique_ptr<QStandardItemModel> runs(int count) {
        auto model = std::make_unique<QStandardItemModel>(count, 18);
        for (int c = 0; c < 18; ++c)
            model->setHeaderData(c, Qt::Horizontal, QStringLiteral("H%1").arg(c));
        for (int r = 0; r < count; ++r)
            for (int c = 0; c < 18; ++c)
                model->setItem(r, c, new QStandardItem(QStringLiteral("r%1c%2").arg(r).arg(c)));
        return model;
    }
    std::array<QcStatLine, kQcParameterCount> lines{};
    QTemporaryDir dir;
};

TEST_F(QcPrintedPage, TheNextDocumentIsPortraitAgain) {
    const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
    auto printer = Printer::pdfFile(pdf);
    auto model = runs(3);
    printQcStatistics(*printer, QStringLiteral("T"), lines, *model);
    printer->endDoc();
    EXPECT_EQ(printer->orientation, Printer::Orientation::Portrait);
    QImage landscape = test::pdfPage(pdf, 1, 20);
    EXPECT_GT(landscape.width(), landscape.height());
    printer->printLine(QStringLiteral("next"));
    printer->endDoc();
    QImage portrait = test::pdfPage(pdf, 1, 20);
    EXPECT_LT(portrait.width(), portrait.height());
}

TEST_F(QcPrintedPage, AFailureOnTheWayRisesAndTheDocumentCanBeDropped) {
    // An image has no second page: the runs that pass the first one fail there.
    QImage image(800, 600, QImage::Format_RGB32);
    Printer printer(&image);
    auto model = runs(200);
    try {
        printQcStatistics(printer, QStringLiteral("T"), lines, *model);
        ADD_FAILURE() << "printed";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), err::PrinterError);
    }
    EXPECT_TRUE(printer.documentStarted());
    printer.killDoc();
    EXPECT_FALSE(printer.documentStarted());
}

}  // namespace
}  // namespace zv
