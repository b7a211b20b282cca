// The batch run: a day of results printed one page each into a PDF file
// (range set, charts, scattergram, hand-off, page), beside the report page
// printed alone from a hand-off already filled, side by side (common.h).
// Figures are per page, medians over the batches; ZV_BENCH_PAGES sets the
// batch (default 100).
#include <QApplication>
#include <QFile>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "app/appmain.h"
#include "common.h"
#include "core/notifier.h"
#include "core/session.h"
#include "model/resultstore.h"
#include "platform/forms.h"
#include "platform/printer.h"
#include "program.h"
#include "report/stampa.h"
#include "runs/refertazionex.h"
#include "runs/reportrun.h"

namespace {

using namespace zvbench;

zv::ResultRecord result(int n) {
    zv::ResultRecord r;
    r.seq = QString::number(n);
    r.specId = QStringLiteral("B-%1").arg(n);
    r.specName = QStringLiteral("Paziente %1").arg(n);
    r.date = QStringLiteral("08/12/26");
    r.Limits = n % 2;
    const double values[] = {4.0 + n % 9, 55.2, 30.1, 8,    4.5, 2.2, 0,   4.52, 13.8, 40.5,
                             89.6,        30.5, 34.1, 12.9, 0,   250, 9.1, 0.23, 16.4};
    for (int i = 0; i < zv::kParameterCount; ++i)
        r.values[std::size_t(i)] = values[i];
    for (const auto& [field, member] : zv::AlarmFlags::textFlags())
        r.flags.*member = QStringLiteral("0");
    r.flags.SamplError = 0;
    for (zv::Histogram& h : r.histograms)
        for (std::size_t c = 0; c < h.channels.size(); ++c)
            h.channels[c] = QStringLiteral("%1").arg((c * 7 + std::size_t(n)) % 90, 3, 10, QLatin1Char('0'));
    return r;
}

struct Setup {
    QString pdf;
    zv::ReportPage page;  // the last result's page, for the page printer alone
    int printed = 0;
};

Setup& setup() {
    static Setup s = [] {
        Setup s;
        useQuietProgramFolder(workDir().path() + QStringLiteral("/runs"));
        zv::shell::registerForms();
        zv::Forms::load(QStringLiteral("frmSplash"));
        for (int n = 1; n <= pages(); ++n)
            zv::addResult(zv::Session::get().cn, result(n));
        zv::Recordset limiti(zv::Session::get().cnlimit, QStringLiteral("select * from limiti order by limite"));
        s.page = zv::reportPage(result(pages()), zv::reportRangeSet(limiti, result(pages())),
                                zv::reportDraws(result(pages())), Qt::black, zv::kReportDivisors);
        s.pdf = workDir().path() + QStringLiteral("/runs.pdf");
        zv::Printer::redirectSystemPrinter(s.pdf);
        return s;
    }();
    return s;
}

// The batch run beside the page printer alone, side by side; a sample is a
// whole batch, divided by its pages when the figures are printed.
void BM_Batch(benchmark::State& state) {
    Setup& s = setup();
    int printed = 0;
    QObject counter;
    QObject::connect(&zv::notifier(), &zv::Notifier::reportPrinted, &counter, [&] { ++printed; });
    int runs = 0;
    sideBySide(state, {{"batch/run",
                        [&runs] {
                            auto* w = zv::Forms::show<zv::Refertazionex>();
                            if (!w) {
                                std::fprintf(stderr, "the batch window did not open\n");
                                std::abort();
                            }
                            w->Command1->click();
                            QCoreApplication::sendPostedEvents();  // the run closes its window
                            ++runs;
                        }},
                       {"batch/alone", [&s] {
                            for (int n = 0; n < pages(); ++n)
                                zv::Stampa::printPage(s.page);
                        }}});
    if (printed != pages() * runs)
        state.SkipWithError("a page was not printed");
    s.printed += printed;
}

BENCHMARK(BM_Batch)->Unit(benchmark::kMillisecond)->Iterations(iterations(2))->Repetitions(repetitions());

}  // namespace

int main(int argc, char** argv) {
    const WindowedProgram program(argc, argv);
    Figures reporter;
    runBenchmarks(&argc, argv, reporter);
    std::printf("\nbatch of %d reports: %d pages printed, message boxes: %d\n", pages(), setup().printed,
                program.silent.shown);
    reporter.header();
    reporter.ratio("batch run, per page", "batch/run", "page printer alone, per page", "batch/alone", 0, 1e3 / pages());
    zv::Forms::unloadAll();
    benchmark::Shutdown();
    return program.silent.shown == 0 && setup().printed > 0 ? 0 : 1;
}
