#include "report/reportturns.h"

#include <stdexcept>

#include "support/fixture.h"

namespace zv {
namespace {

// Automatic reports wait for the page in progress, then run in the order asked.
class Turns : public test::ProgramFolderTest {
protected:
    std::vector<qint64> ran;
    std::function<void(qint64)> report() {
        return [this](qint64 id1) { ran.push_back(id1); };
    }
};

TEST_F(Turns, WithNoPageInProgressAReportRunsAtOnce) {
    ReportTurns& t = ReportTurns::get();
    t.requestAutoReport(7, report());
    EXPECT_EQ(ran, std::vector<qint64>{7});
    EXPECT_FALSE(t.pageInProgress());
}

TEST_F(Turns, ReportsWaitForTheOutermostPageAndRunInOrder) {
    ReportTurns& t = ReportTurns::get();
    {
        const ReportTurns::Page batchPage;
        t.requestAutoReport(1, report());
        {
            const ReportTurns::Page inner;  // a page inside (a viewer print from a box)
            t.requestAutoReport(2, report());
        }
        EXPECT_TRUE(ran.empty());
        t.requestAutoReport(3, report());
        EXPECT_EQ(t.waiting(), (std::vector<qint64>{1, 2, 3}));
    }
    EXPECT_EQ(ran, (std::vector<qint64>{1, 2, 3}));
    EXPECT_TRUE(t.waiting().empty());
}

TEST_F(Turns, AReportAskedForDuringAnotherRunsAfterItNotInsideIt) {
    ReportTurns& t = ReportTurns::get();
    std::vector<std::string> events;
    std::function<void(qint64)> nested = [&](qint64 id1) {
        events.push_back("begin " + std::to_string(id1));
        EXPECT_TRUE(t.pageInProgress());
        EXPECT_EQ(t.autoReportResult(), id1);
        if (id1 == 1)
            t.requestAutoReport(2, nested);  // arrived while its error box was open
        events.push_back("end " + std::to_string(id1));
    };
    t.requestAutoReport(1, nested);
    EXPECT_EQ(events, (std::vector<std::string>{"begin 1", "end 1", "begin 2", "end 2"}));
    EXPECT_EQ(t.autoReportResult(), 0);
}

TEST_F(Turns, AFailingReportIsLoggedAndTheNextStillRuns) {
    ReportTurns& t = ReportTurns::get();
    {
        const ReportTurns::Page page;
        t.requestAutoReport(1, [](qint64) { throw std::runtime_error("printer on fire"); });
        t.requestAutoReport(2, report());
    }
    EXPECT_EQ(ran, std::vector<qint64>{2});
    EXPECT_TRUE(QString::fromUtf8(fileBytes(path("log/08.12.26.log"))).contains(QStringLiteral("\tautostampa\t")));
}

}  // namespace
}  // namespace zv
