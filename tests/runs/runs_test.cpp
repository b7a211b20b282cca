// The report runs as a user meets them: the batch window over the day's (or
// an archive day's) results, and the automatic report of each result the
// analyser sends through a real pseudo-terminal. The system printer writes
// PDF files; each printed page is kept under its own name as it comes out.
#include <QClipboard>
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QTest>

#include "core/config.h"
#include "core/language.h"
#include "core/notifier.h"
#include "core/session.h"
#include "link/comcd.h"
#include "model/resultstore.h"
#include "platform/clock.h"
#include "platform/forms.h"
#include "platform/printer.h"
#include "report/cupsqueue.h"
#include "report/pdftext.h"
#include "report/reportturns.h"
#include "report/stampa.h"
#include "runs/autostampa.h"
#include "runs/refertazionex.h"
#include "runs/reportrun.h"
#include "support/environment.h"
#include "support/pty.h"
#include "support/results.h"
#include "support/transmission.h"
#include "support/window_fixture.h"
#include "viewer/leggi.h"

namespace zv {
namespace {

using test::waitFor;

// A stored result with every measured value, flags and histograms; ret% and
// band % are never sent by the analyser and stay NULL.
ResultRecord received(const QString& id, const QString& name, double wbc, std::optional<int> limits = 0) {
    ResultRecord r;
    r.seq = QStringLiteral("7");
    r.specId = id;
    r.specName = name;
    r.date = QStringLiteral("08/12/26");
    r.Limits = limits;
    const double values[] = {wbc,  55.2, 30.1, 8,    4.5, 2.2, 0,   4.52, 13.8, 40.5,
                             89.6, 30.5, 34.1, 12.9, 0,   250, 9.1, 0.23, 16.4};
    for (int i = 0; i < kParameterCount; ++i)
        r.values[std::size_t(i)] = values[i];
    r.value(ResultParameter::bandati).reset();
    r.value(ResultParameter::ret).reset();
    for (const auto& [field, member] : AlarmFlags::textFlags())
        r.flags.*member = QStringLiteral("0");
    r.flags.SamplError = 0;
    for (Histogram& h : r.histograms)
        for (std::size_t c = 0; c < h.channels.size(); ++c)
            h.channels[c] = QStringLiteral("%1").arg(c * 7 % 90, 3, 10, QLatin1Char('0'));
    return r;
}

class ReportRuns : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        scriviini("separatore", "decimale", ",", "general.ini");
        scriviini("database", "last", "08/12/26", "general.ini");
        scriviini("auto", "stampa_auto", "0", "print.ini");
        scriviini("port", "porta", pty.slavePath(), "port.ini");
        scriviini("general", "instrument", "CD3500", "port.ini");
        pdf_ = path("printed.pdf");
        Printer::redirectSystemPrinter(pdf_);
        // Every printed page under its own name, in the order printed.
        QObject::connect(&notifier(), &Notifier::reportPrinted, &news_, [this](qint64 id1) {
            const QString copy = path(QStringLiteral("page-%1.pdf").arg(printed.size() + 1));
            QFile::remove(copy);
            QFile::copy(pdf_, copy);
            printed.push_back(id1);
        });
    }
    void TearDown() override {
        Printer::redirectSystemPrinter(QString());
        WindowTest::TearDown();
    }

    Session& start() {
        Forms::load(QStringLiteral("frmSplash"));
        EXPECT_NE(Session::current(), nullptr);
        return Session::get();
    }
    int64_t store(const ResultRecord& r) { return addResult(Session::get().cn, r); }
    // The words of the n-th printed page (1-based).
    std::vector<test::PdfWord> page(int n) { return test::pdfWords(path(QStringLiteral("page-%1.pdf").arg(n))); }
    bool pageShows(int n, const QString& text) { return !test::findText(page(n), text).empty(); }
    QString errorLog() const { return QString::fromUtf8(fileBytes(path("log/08.12.26.log"))); }
    static bool closed(const QString& window) {
        QCoreApplication::sendPostedEvents();
        return !Forms::isLoaded(window);
    }
    Refertazionex* openBatch() { return Forms::show<Refertazionex>(); }
    void run(Refertazionex* w, const QString& first, const QString& last) {
        w->Text1->setText(first);
        w->Text2->setText(last);
        QTest::mouseClick(w->Command1, Qt::LeftButton);
    }
    ComCD* goOnLine() {
        ComCD* rx = Forms::load<ComCD>();
        EXPECT_TRUE(rx && rx->MSComm1->isOpen());
        return rx;
    }
    QByteArray transmission(const QString& id, const QString& name) {
        test::SampleValues s = test::normalSample(InstrumentModel::CD3500);
        s.specId = id;
        s.specName = name;
        return test::transmission(InstrumentModel::CD3500, s);
    }
    int64_t stored() { return test::rowCountOf(Session::get().cn); }
    void removeLogo() { QFile::rename(path("logo/logo.bmp"), path("logo/logo.bak")); }
    void restoreLogo() { QFile::rename(path("logo/logo.bak"), path("logo/logo.bmp")); }

    test::PseudoTerminal pty;
    QString pdf_;
    std::vector<qint64> printed;
    QObject news_;
};

TEST_F(ReportRuns, BatchPrintsEachResultOfTheDayOnItsOwnPage) {
    start();
    const int64_t a = store(received(QStringLiteral("S-1"), QStringLiteral("Rossi Mario"), 5.5));
    const int64_t b = store(received(QStringLiteral("S-2"), QStringLiteral("D'Amico Anna"), 7.46));
    const int64_t c = store(received(QStringLiteral("S-3"), QStringLiteral("Bianchi Ugo"), 6.1, 1));
    Refertazionex* w = openBatch();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Text1->text(), QStringLiteral("1"));
    EXPECT_EQ(w->Text2->text(), QStringLiteral("3"));
    EXPECT_EQ(w->Command1->text(), languageText(QStringLiteral("it.ini"), "refertazionex", "cmd1"));

    // The pictures go straight into the report: what the user copied stays.
    QGuiApplication::clipboard()->setText(QStringLiteral("copiato dall'utente"));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("copiato dall'utente"));
    EXPECT_EQ(printed, (std::vector<qint64>{a, b, c}));
    EXPECT_EQ(w->ProgressBar1->maximum(), 3);
    EXPECT_EQ(w->ProgressBar1->value(), 3);
    EXPECT_TRUE(closed(QStringLiteral("Refertazionex")));
    EXPECT_EQ(test::pdfPageCount(path("page-1.pdf")), 1);
    EXPECT_TRUE(pageShows(1, QStringLiteral("Rossi Mario")));
    EXPECT_TRUE(pageShows(2, QStringLiteral("D'Amico Anna")));
    EXPECT_TRUE(pageShows(2, QStringLiteral("7,46")));
    EXPECT_FALSE(pageShows(2, QStringLiteral("Rossi")));
    // Limits 0 is the first human set, 1 the second, whatever the viewer would choose.
    Recordset sets(Session::get().cnlimit, "select * from limiti order by limite");
    EXPECT_TRUE(pageShows(1, sets.text("valori")));
    sets.moveNext();
    EXPECT_TRUE(pageShows(3, sets.text("valori")));
    EXPECT_TRUE(prompts_->takeMessages().empty());
    EXPECT_EQ(errorLog(), QString());
}

TEST_F(ReportRuns, BatchRangesAsTyped) {
    struct Case {
        const char* first;
        const char* last;
        std::vector<int> positions;  // printed, 1-based
        bool closes;
        int progressMax, progress;
    } cases[] = {
        {"2,5", "3,5", {2, 3, 4}, true, 3, 3},                               // halves to the even neighbour: 2 to 4
        {"5", "5", {5}, true, 1, 1},           {"4", "2", {}, false, 1, 0},  // backwards: logged, nothing printed
        {"4", "7", {4, 5}, false, 4, 3},  // beyond the last: the rest printed, then logged
        {"0", "3", {}, false, 4, 1},      // before the first
        {"uno", "3", {}, false, 1, 0},    // no number
        {"1", "40000", {}, false, 1, 0},  // beyond a 16-bit position
    };
    start();
    std::vector<int64_t> ids;
    for (int i = 1; i <= 5; ++i)
        ids.push_back(store(received(QStringLiteral("S-%1").arg(i), QStringLiteral("Paziente %1").arg(i), 5)));
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " to " + c.last);
        printed.clear();
        QFile::remove(path("log/08.12.26.log"));
        Refertazionex* w = openBatch();
        ASSERT_NE(w, nullptr);
        run(w, QString::fromUtf8(c.first), QString::fromUtf8(c.last));
        std::vector<qint64> expected;
        for (int p : c.positions)
            expected.push_back(ids[std::size_t(p - 1)]);
        EXPECT_EQ(printed, expected);
        EXPECT_EQ(w->ProgressBar1->maximum(), c.progressMax);
        EXPECT_EQ(w->ProgressBar1->value(), c.progress);
        EXPECT_EQ(closed(QStringLiteral("Refertazionex")), c.closes);
        EXPECT_EQ(errorLog().contains(QStringLiteral("\tRefertazionex\t")), !c.closes);
        Forms::unload<Refertazionex>();
    }
    EXPECT_TRUE(prompts_->takeMessages().empty());
}

TEST_F(ReportRuns, NothingToReportIsSaidAndTheWindowCloses) {
    Session& s = start();
    store(received(QStringLiteral("S-1"), QStringLiteral("Oggi"), 5));
    // An archive day with no result, then a day with one.
    s.oggi2 = QStringLiteral("01/12/26");
    s.setArchiveMode(true);
    EXPECT_EQ(Forms::show<Refertazionex>(), nullptr);
    const auto boxes = prompts_->takeMessages();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, languageText(QStringLiteral("it.ini"), "refertazionex", "msg1"));
    EXPECT_FALSE(boxes[0].text.isEmpty());

    ResultRecord archived = received(QStringLiteral("A-9"), QStringLiteral("Archiviato"), 6);
    archived.date = QStringLiteral("01/12/26");
    addResult(s.cntot, archived);
    Refertazionex* w = openBatch();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Text2->text(), QStringLiteral("1"));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_TRUE(pageShows(1, QStringLiteral("Archiviato")));
    EXPECT_TRUE(closed(QStringLiteral("Refertazionex")));

    // Range sets that cannot be read: the database's error is logged with its
    // own number, the same message is shown, and the window closes.
    s.cnlimit.execute("ALTER TABLE limiti RENAME TO limiti_old");
    EXPECT_EQ(Forms::show<Refertazionex>(), nullptr);
    EXPECT_EQ(prompts_->takeMessages().size(), 1u);
    EXPECT_TRUE(errorLog().contains(QStringLiteral("\tRefertazionex\t"))) << errorLog().toStdString();
}

TEST_F(ReportRuns, EveryPageCarriesItsOwnResultsBandValue) {
    start();
    // What a viewer print of another patient printed just before.
    ReportData viewer;
    viewer.s_bandati = 12.5;
    viewer.s_bandatiL = ReportValue(2.0);
    viewer.s_bandatiH = ReportValue(9.0);
    Stampa::printPage({viewer, {}});
    prompts_->takeMessages();
    ResultRecord typed = received(QStringLiteral("S-1"), QStringLiteral("Verdi"), 5);
    typed.value(ResultParameter::bandati) = 3.5;
    store(typed);
    store(received(QStringLiteral("S-2"), QStringLiteral("Neri"), 5));  // band and ret% NULL
    Refertazionex* w = openBatch();
    run(w, QStringLiteral("1"), QStringLiteral("1"));
    ASSERT_EQ(printed.size(), 1u) << errorLog().toStdString();
    EXPECT_TRUE(pageShows(1, QStringLiteral("3,5")));
    EXPECT_FALSE(pageShows(1, QStringLiteral("12,5")));
    // The band limits are the chosen set's own (the shipped sets have none), not what the viewer left.
    EXPECT_FALSE(pageShows(1, QStringLiteral("(2 - 9)")));
    w = openBatch();
    run(w, QStringLiteral("2"), QStringLiteral("2"));
    EXPECT_EQ(printed.size(), 2u);  // NULL ret% and band % print as 0
    EXPECT_FALSE(pageShows(2, QStringLiteral("RET:")));
    EXPECT_TRUE(pageShows(2, QStringLiteral("Neri")));
}

// The analyser never sends a band %: a page must not print one it never
// measured as a measured 0, however the page is printed. A typed one, 0
// included, prints with its mark as ever.
TEST_F(ReportRuns, AnUnmeasuredBandPrintsNothingAndATypedZeroPrintsAsBefore) {
    Session& s = start();
    // A band range, so that a band read as 0 would also be marked low.
    s.cnlimit.execute("UPDATE limiti SET bandatiL = 1, bandatiH = 5, cBandatiL = 1, cBandatiH = 2");
    scriviini("auto", "stampa_auto", "1", "print.ini");
    goOnLine();
    ASSERT_TRUE(pty.write(transmission(QStringLiteral("A-1"), QStringLiteral("VERDI"))));
    ASSERT_TRUE(waitFor([&] { return printed.size() == 1; })) << errorLog().toStdString();
    scriviini("auto", "stampa_auto", "0", "print.ini");
    ResultRecord typed = received(QStringLiteral("A-2"), QStringLiteral("NERI"), 5);
    typed.value(ResultParameter::bandati) = 0.0;
    store(typed);
    run(openBatch(), QStringLiteral("1"), QStringLiteral("2"));
    ASSERT_EQ(printed.size(), 3u) << errorLog().toStdString();
    leggi* viewer = Forms::show<leggi>();
    ASSERT_NE(viewer, nullptr);
    QTest::mouseClick(viewer->Command13, Qt::LeftButton);  // the first result, as the viewer opens

    const QString caption = languageText(s.linguax, QStringLiteral("stampa"), QStringLiteral("bandati"));
    const QString unit = languageText(s.linguax, QStringLiteral("stampa"), QStringLiteral("unitwbc"));
    // The range still stands beside the line; "L" is the low mark right after the value.
    const std::vector<std::string> none{"% (1 - 5)", (unit + QStringLiteral(" (1 - 2)")).toStdString()};
    const std::vector<std::string> zero{"0,0L % (1 - 5)", (QStringLiteral("0,0L ") + unit + " (1 - 2)").toStdString()};
    const struct Case {
        const char* how;
        QString pdf;
        const std::vector<std::string>& band;  // the analysis line, then the absolute count
    } cases[] = {
        {"automatic", path("page-1.pdf"), none},
        {"batch, received", path("page-2.pdf"), none},
        {"batch, typed 0", path("page-3.pdf"), zero},
        {"viewer", pdf_, none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        EXPECT_EQ(test::wordsBeside(test::pdfWords(c.pdf), caption), c.band);
    }
    EXPECT_TRUE(prompts_->takeMessages().empty());
}

TEST_F(ReportRuns, AReceivedResultPrintsItsPageAtOnce) {
    Session& s = start();
    // The lists show an archive day: the report is still of the result received.
    s.oggi2 = QStringLiteral("01/12/26");
    s.setArchiveMode(true);
    scriviini("auto", "stampa_auto", "1", "print.ini");
    goOnLine();
    int stores = 0;
    QObject::connect(&notifier(), &Notifier::resultStored, &news_, [&] { ++stores; });
    ASSERT_TRUE(pty.write(transmission(QStringLiteral("0123"), QStringLiteral("ROSSI MARIO"))));
    ASSERT_TRUE(waitFor([&] { return stores == 1; }));
    ASSERT_EQ(printed.size(), 1u) << errorLog().toStdString();
    EXPECT_EQ(test::pdfPageCount(path("page-1.pdf")), 1);
    for (const char* text : {"ROSSI MARIO", "0123", "7,46"})
        EXPECT_TRUE(pageShows(1, QString::fromUtf8(text))) << text;
    EXPECT_FALSE(Forms::isLoaded(QStringLiteral("autostampa")));

    // Switched off: stored, no page.
    scriviini("auto", "stampa_auto", "0", "print.ini");
    ASSERT_TRUE(pty.write(transmission(QStringLiteral("0124"), QStringLiteral("BIANCHI"))));
    ASSERT_TRUE(waitFor([&] { return stores == 2; }));
    EXPECT_EQ(printed.size(), 1u);
    EXPECT_TRUE(prompts_->takeMessages().empty());
}

// End to end as in the laboratory: the program On Line, the default printer
// a CUPS queue that writes PDF files (the user's default, through LPDEST and PRINTER).
TEST_F(ReportRuns, OnLineAReceivedResultComesOutOfTheDefaultPrinter) {
    const QString missing = test::cupsQueueMissing();
    if (!missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    const test::DefaultQueueOfThisProcess queue(test::testPrintQueue());
    Printer::redirectSystemPrinter(QString());
    Session& s = start();
    s.printer.clear();  // never picked one
    scriviini("auto", "stampa_auto", "1", "print.ini");
    goOnLine();
    // The reference page below takes its scattergram's draws from the same point of the sequence.
    clock::seedRandom(26);
    const QString sampleId =
        QStringLiteral("E%1").arg(QDateTime::currentMSecsSinceEpoch() % 100000, 5, 10, QLatin1Char('0'));
    int stores = 0;
    QObject::connect(&notifier(), &Notifier::resultStored, &news_, [&] { ++stores; });
    ASSERT_TRUE(pty.write(transmission(sampleId, QStringLiteral("VERDI ANNA"))));
    // Handing the page to the spooler takes its time on a loaded machine.
    ASSERT_TRUE(waitFor([&] { return stores == 1 && !printed.empty(); }, 120000)) << errorLog().toStdString();
    ASSERT_EQ(printed.size(), 1u) << errorLog().toStdString();
    // Others may print on the queue meanwhile: ours is the file of our job.
    EXPECT_TRUE(Printer::lastRequest().startsWith(test::testPrintQueue() + '-'))
        << Printer::lastRequest().toStdString();
    QString why;
    const QString fromQueue = test::awaitJobPdf(Printer::lastRequest(), &why);
    ASSERT_FALSE(fromQueue.isEmpty()) << why.toStdString();
    // The same hand-off printed into a file, whose texts a reader can find
    // (the queue's filters turn text into drawings).
    const QString reference = path("reference.pdf");
    Printer::redirectSystemPrinter(reference);
    Recordset rows(Session::get().cn, QStringLiteral("select * from datiQgrafici order by ID1"));
    rows.moveLast();
    Recordset limiti(Session::get().cnlimit, QStringLiteral("select * from limiti order by limite"));
    const ResultRecord result = readResult(rows);
    const LimitsRow limits = reportRangeSet(limiti, result);
    clock::seedRandom(26);
    Stampa::printPage(reportPage(result, limits, reportDraws(result),
                                 QGuiApplication::palette().color(QPalette::WindowText), kReportDivisors));
    test::expectQueuedPageMatches(fromQueue, reference,
                                  {QStringLiteral("VERDI ANNA"), sampleId, QStringLiteral("7,46")});
    QFile::remove(fromQueue);
    EXPECT_TRUE(prompts_->takeMessages().empty());
}

TEST_F(ReportRuns, AResultWithoutARangeSetIsLoggedAndTheNextOneReported) {
    start();
    scriviini("auto", "stampa_auto", "1", "print.ini");
    goOnLine();
    test::SampleValues s = test::normalSample(InstrumentModel::CD3500);
    s.limits = QStringLiteral("2");  // two human sets are shipped
    int stores = 0;
    QObject::connect(&notifier(), &Notifier::resultStored, &news_, [&] { ++stores; });
    ASSERT_TRUE(pty.write(test::transmission(InstrumentModel::CD3500, s)));
    ASSERT_TRUE(waitFor([&] { return stores == 1; }));
    EXPECT_TRUE(printed.empty());
    EXPECT_TRUE(errorLog().contains(QStringLiteral("\tautostampa\t")));
    EXPECT_EQ(stored(), 1);
    ASSERT_TRUE(pty.write(transmission(QStringLiteral("0200"), QStringLiteral("DOPO"))));
    ASSERT_TRUE(waitFor([&] { return stores == 2; }));
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_TRUE(pageShows(1, QStringLiteral("DOPO")));
    EXPECT_TRUE(prompts_->takeMessages().empty());
}

// Results that arrive while a page's error box is open are each printed once,
// in order of arrival, after the page that showed the box.
TEST_F(ReportRuns, ResultsArrivingDuringABatchErrorBoxPrintAfterIt) {
    start();
    const int64_t a = store(received(QStringLiteral("S-1"), QStringLiteral("Primo"), 5));
    const int64_t b = store(received(QStringLiteral("S-2"), QStringLiteral("Secondo"), 5));
    scriviini("auto", "stampa_auto", "1", "print.ini");
    goOnLine();
    removeLogo();  // the first page fails and says so
    std::vector<qint64> waiting;
    prompts_->whileOpen = [&](const MessageRequest&) {
        prompts_->whileOpen = nullptr;
        restoreLogo();
        for (const char* id : {"R-1", "R-2", "R-3"})
            ASSERT_TRUE(pty.write(transmission(QString::fromUtf8(id), QStringLiteral("ARRIVATO"))));
        ASSERT_TRUE(waitFor([&] { return stored() == 5; }));
        waiting = ReportTurns::get().waiting();
        EXPECT_FALSE(Forms::unload<Refertazionex>());  // closed under its own run: it stays
    };
    Refertazionex* w = openBatch();
    run(w, QStringLiteral("1"), QStringLiteral("2"));
    const auto boxes = prompts_->takeMessages();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Errore durante la stampa!"));
    ASSERT_EQ(waiting.size(), 3u);
    EXPECT_GT(waiting[0], b);
    EXPECT_EQ(printed, (std::vector<qint64>{waiting[0], waiting[1], waiting[2], b}));
    EXPECT_NE(printed[0], a);
    EXPECT_TRUE(pageShows(1, QStringLiteral("R-1")));
    EXPECT_TRUE(pageShows(3, QStringLiteral("R-3")));
    EXPECT_TRUE(pageShows(4, QStringLiteral("Secondo")));
    EXPECT_TRUE(ReportTurns::get().waiting().empty());
}

// Reception never waits on a printing failure: a report that cannot print is
// one line of the error log, never a box, and the results keep being stored.
TEST_F(ReportRuns, AutomaticReportsThatCannotPrintAreLoggedWithoutABox) {
    start();
    scriviini("auto", "stampa_auto", "1", "print.ini");
    goOnLine();
    removeLogo();
    prompts_->whileOpen = [](const MessageRequest& box) { ADD_FAILURE() << "box shown: " << box.text.toStdString(); };
    std::vector<qint64> stores;
    QObject::connect(&notifier(), &Notifier::resultStored, &news_, [&](qint64 id1) { stores.push_back(id1); });
    QByteArray burst;
    for (int i = 1; i <= 10; ++i)
        burst += transmission(QStringLiteral("R-%1").arg(i), QStringLiteral("ARRIVATO"));
    ASSERT_TRUE(pty.write(burst));
    ASSERT_TRUE(waitFor([&] { return stores.size() == 10; })) << stores.size();
    EXPECT_TRUE(std::is_sorted(stores.begin(), stores.end()));
    EXPECT_EQ(stored(), 10);
    Recordset rows(Session::get().cn, QStringLiteral("select * from datiQgrafici order by ID1"));
    for (int i = 1; i <= 10; ++i, rows.moveNext())
        EXPECT_EQ(rows.text(QStringLiteral("specId")).trimmed(), QStringLiteral("R-%1").arg(i));
    EXPECT_TRUE(printed.empty());
    EXPECT_TRUE(prompts_->takeMessages().empty());
    const QStringList lines = errorLog().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 10) << errorLog().toStdString();
    for (const QString& line : lines) {
        EXPECT_TRUE(line.contains(QStringLiteral("\tautostampa\t"))) << line.toStdString();
        EXPECT_TRUE(line.contains(QStringLiteral("logo.bmp"))) << line.toStdString();
    }

    // With the logo back the next result prints at once.
    prompts_->whileOpen = nullptr;
    restoreLogo();
    ASSERT_TRUE(pty.write(transmission(QStringLiteral("R-11"), QStringLiteral("DOPO"))));
    ASSERT_TRUE(waitFor([&] { return stores.size() == 11; }));
    ASSERT_EQ(printed, std::vector<qint64>{stores.back()});
    EXPECT_TRUE(pageShows(1, QStringLiteral("R-11")));
}

TEST_F(ReportRuns, AResultArrivingDuringAViewerPrintsErrorBoxPrintsAfterIt) {
    start();
    store(received(QStringLiteral("S-1"), QStringLiteral("Visto"), 5));
    scriviini("auto", "stampa_auto", "1", "print.ini");
    goOnLine();
    leggi* v = Forms::show<leggi>();
    ASSERT_NE(v, nullptr);
    removeLogo();
    size_t printedWhileOpen = 99;
    prompts_->whileOpen = [&](const MessageRequest&) {
        prompts_->whileOpen = nullptr;
        restoreLogo();
        ASSERT_TRUE(pty.write(transmission(QStringLiteral("R-1"), QStringLiteral("ARRIVATO"))));
        ASSERT_TRUE(waitFor([&] { return stored() == 2; }));
        printedWhileOpen = printed.size();
    };
    QTest::mouseClick(v->Command13, Qt::LeftButton);
    EXPECT_EQ(printedWhileOpen, 0u);
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_TRUE(pageShows(1, QStringLiteral("ARRIVATO")));
    EXPECT_EQ(prompts_->takeMessages().size(), 1u);
}

TEST(ReportScattergram, CountsUseTheReportsOwnDivisors) {
    struct Case {
        double wbc, neu, lym, mono, eos, baso;
        std::array<int64_t, scatter::kPopulations> report, screen;
    } cases[] = {
        {10, 0, 0, 0, 3, 0, {0, 0, 0, 2, 0}, {0, 0, 0, 3, 0}},      // 30 / 12 = 2.5: 2
        {7, 0, 0, 0, 6, 0, {0, 0, 0, 4, 0}, {0, 0, 0, 5, 0}},       // 42 / 12 = 3.5: 4
        {7.5, 60, 0, 0, 0, 0, {22, 0, 0, 0, 0}, {30, 0, 0, 0, 0}},  // 450 / 20 = 22.5: 22
        {10, 50, 30, 10, 6, 3, {25, 25, 10, 5, 2}, {33, 30, 12, 7, 3}},
        {0, 50, 30, 10, 6, 3, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        scatter::Input in;
        in.wbc = c.wbc, in.neu = c.neu, in.lym = c.lym, in.mono = c.mono, in.eos = c.eos, in.baso = c.baso;
        EXPECT_EQ(scatter::dotCounts(in, kReportDivisors), c.report) << c.wbc;
        EXPECT_EQ(scatter::dotCounts(in), c.screen) << c.wbc;
    }
    // Dots per population: 20, 6, 9, 10 and 10 per unit of count.
    scatter::Input in;
    in.wbc = 10, in.neu = 50, in.lym = 30, in.mono = 10, in.eos = 6, in.baso = 3;
    std::array<int64_t, scatter::kPopulations> dots{};
    scatter::scatterDots(
        in, [] { return 0.5; }, [&](scatter::Population p, double, double) { ++dots[std::size_t(p)]; },
        kReportDivisors);
    EXPECT_EQ(dots, (std::array<int64_t, scatter::kPopulations>{500, 150, 90, 50, 20}));
}

TEST(ReportScattergram, AFlagShiftsOnlyWhenItReadsAsTrue) {
    const std::pair<std::optional<QString>, bool> cases[] = {
        {QStringLiteral("-1"), true}, {QStringLiteral("True"), true}, {QStringLiteral("1"), false},
        {QStringLiteral("0"), false}, {QStringLiteral("x"), false},   {QString(), false},
        {std::nullopt, false}};
    for (const auto& [stored, set] : cases) {
        ResultRecord r;
        r.flags.Band = r.flags.IG = r.flags.VarLym = r.flags.Blast = stored;
        const scatter::Input in = scatter::inputOf(r);
        EXPECT_EQ(in.band, set) << stored.value_or(QStringLiteral("NULL")).toStdString();
        EXPECT_EQ(in.ig, set);
        EXPECT_EQ(in.varLym, set);
        EXPECT_EQ(in.blast, set);
    }
}

}  // namespace
}  // namespace zv
