#include <QFile>
#include <QTest>

#include "core/config.h"
#include "core/language.h"
#include "core/session.h"
#include "model/resultstore.h"
#include "platform/forms.h"
#include "platform/printer.h"
#include "report/cupsqueue.h"
#include "report/pdftext.h"
#include "support/window_fixture.h"
#include "viewer/leggi.h"

namespace zv {
namespace {

// The viewer's print button, on a running program, as a user presses it.
class ViewerPrint : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        scriviini("separatore", "decimale", ",", "general.ini");
        scriviini("database", "last", "08/12/26", "general.ini");
        pdf_ = path("printed.pdf");
        Printer::redirectSystemPrinter(pdf_);
    }
    void TearDown() override {
        Printer::redirectSystemPrinter(QString());
        WindowTest::TearDown();
    }
    QString pdf_;
};

// A received result: every measured value, flags and histograms.
ResultRecord received(const char* id, const char* name, double wbc) {
    ResultRecord r;
    r.seq = QStringLiteral("42");
    r.specId = QString::fromUtf8(id);
    r.specName = QString::fromUtf8(name);
    r.date = QStringLiteral("08/12/26");
    r.Limits = 0;
    const double values[] = {wbc,  55.2, 30.1, 8,    4.5, 2.2, 0,   4.52, 13.8, 40.5,
                             89.6, 30.5, 34.1, 12.9, 0,   250, 9.1, 0.23, 16.4};
    for (int i = 0; i < kParameterCount; ++i)
        r.values[std::size_t(i)] = values[i];
    for (const auto& [name, member] : AlarmFlags::textFlags())
        r.flags.*member = QStringLiteral("0");
    r.flags.SamplError = 0;
    for (Histogram& h : r.histograms)
        for (std::size_t c = 0; c < h.channels.size(); ++c)
            h.channels[c] = QStringLiteral("%1").arg(c * 7 % 90, 3, 10, QLatin1Char('0'));
    return r;
}

TEST_F(ViewerPrint, TheShownResultPrintsOnOnePage) {
    Forms::load("frmSplash");
    Connection& daily = Session::get().cn;
    addResult(daily, received("S-1", "Rossi Mario", 5.5));
    addResult(daily, received("S-2", "D'Amico Anna", 7.46));
    leggi* v = Forms::show<leggi>();
    ASSERT_NE(v, nullptr);
    QTest::mouseClick(v->Command4, Qt::LeftButton);  // the last result
    QTest::mouseClick(v->Command13, Qt::LeftButton);

    ASSERT_TRUE(QFile::exists(pdf_)) << fileBytes(path("log/08.12.26.log")).toStdString();
    EXPECT_EQ(test::pdfPageCount(pdf_), 1);
    const auto words = test::pdfWords(pdf_);
    for (const char* text : {"D'Amico Anna", "S-2", "7,46"})
        EXPECT_FALSE(test::findText(words, QString::fromUtf8(text)).empty()) << text;
    EXPECT_TRUE(test::findText(words, QStringLiteral("Rossi")).empty());
    EXPECT_TRUE(prompts_->takeMessages().empty());
    EXPECT_FALSE(QFile::exists(path("log/08.12.26.log")));
    // The scattergram's dots, as a viewer and as a printer driver draw them.
    const int dots = test::scattergramDots(pdf_, test::Renderer::Poppler);
    EXPECT_GT(dots, 100);
    EXPECT_GE(test::scattergramDots(pdf_, test::Renderer::Ghostscript), dots / 2);

    // Printed twice, the page is the same, scattergram dots included.
    const QImage first = test::pdfPage(pdf_, 1, 72);
    QFile::remove(pdf_);
    QTest::mouseClick(v->Command13, Qt::LeftButton);
    EXPECT_EQ(test::pdfPage(pdf_, 1, 72), first);
}

// A value nobody measured (a result typed or corrected by hand) prints as
// nothing, as the band % the analyser never sends does: never as ",0", and
// the absolute counts worked out from it are empty too. Nothing fails.
TEST_F(ViewerPrint, AValueNobodyMeasuredPrintsNothing) {
    Forms::load("frmSplash");
    const QString lingua = Session::get().linguax;
    auto say = [&](const char* key) { return languageText(lingua, QStringLiteral("stampa"), QLatin1String(key)); };
    auto line = [](const QString& text) { return text.toStdString(); };
    const QString count = say("unitwbc");
    const struct Case {
        ResultParameter parameter;
        QString caption;
        std::vector<std::string> lines;  // how each line it heads goes on right of it, top to bottom
    } cases[] = {
        {ResultParameter::WBC, say("wbc"), {line(say("unitwbc") + " (4 - 10)")}},
        {ResultParameter::neu, say("neu"), {"% (40 - 74)", line(count + " (1,6 - 7,4)")}},
        {ResultParameter::HGB, say("hgb"), {line(say("unithgb") + " (12 - 16)")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption.toStdString());
        ResultRecord r = received("S-9", "Bianchi Ugo", 5.5);
        // As the analyser sends it: no band %, no ret %; and one value nobody measured.
        r.value(ResultParameter::bandati).reset();
        r.value(ResultParameter::ret).reset();
        r.value(c.parameter).reset();
        addResult(Session::get().cn, r);
        leggi* v = Forms::show<leggi>();
        ASSERT_NE(v, nullptr);
        QTest::mouseClick(v->Command4, Qt::LeftButton);  // the result just stored
        QFile::remove(pdf_);
        QTest::mouseClick(v->Command13, Qt::LeftButton);
        Forms::unload<leggi>();

        ASSERT_TRUE(QFile::exists(pdf_)) << fileBytes(path("log/08.12.26.log")).toStdString();
        const auto words = test::pdfWords(pdf_);
        // No value between the caption and the unit; other blocks may go on further right.
        const std::vector<std::string> beside = test::wordsBeside(words, c.caption);
        ASSERT_EQ(beside.size(), c.lines.size());
        for (std::size_t i = 0; i < beside.size(); ++i)
            EXPECT_EQ(beside[i].substr(0, c.lines[i].size()), c.lines[i]) << beside[i];
        for (const test::PdfWord& w : words)
            EXPECT_FALSE(w.text.startsWith(QLatin1Char(','))) << w.text.toStdString();
        EXPECT_TRUE(prompts_->takeMessages().empty());
        EXPECT_FALSE(QFile::exists(path("log/08.12.26.log")));
    }
}

}  // namespace
}  // namespace zv
