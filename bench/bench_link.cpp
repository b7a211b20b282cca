// Reception figures: recorded transmissions written into a pseudo-terminal
// while the receiver listens on it, each framed, decoded, calibrated and
// stored in the daily database.
// - BM_ReceiveAndStore: ZV_BENCH_TRANSMISSIONS (default 1000) per model, the
//   time per result beside the wire time of one transmission at 9600 baud.
// - BM_ReceiveADay: ZV_BENCH_DAY_RESULTS (default 10000) results into an
//   empty daily database, sent in ten batches; the time per result and the
//   resident memory after each batch, and the median time per result over
//   the last three batches beside the median over the first three, wall and
//   CPU time: storing must not grow dearer as the day fills.
#include <QApplication>
#include <QElapsedTimer>

#include <ctime>

#include "app/appmain.h"
#include "common.h"
#include "core/config.h"
#include "core/programfolder.h"
#include "link/comcd.h"
#include "platform/forms.h"
#include "platform/prompts.h"
#include "program.h"
#include "support/pty.h"
#include "support/transmission.h"

namespace {

using namespace zvbench;

int transmissionCount() { return envNumber("ZV_BENCH_TRANSMISSIONS", 1000); }
int dayResults() { return std::max(10, envNumber("ZV_BENCH_DAY_RESULTS", 10000) / 10 * 10); }

// The wire bytes of samples first to first + count - 1, and the length of one.
QByteArray recordedTransmissions(zv::InstrumentModel model, int first, int count, int* oneTransmission) {
    *oneTransmission = int(zv::test::transmission(model, zv::test::numberedSample(model, first)).size());
    return zv::test::transmissions(model, first, count);
}

// The program started in a fresh folder with the receiver listening on the
// pseudo-terminal (what On Line does); null when the port did not open.
zv::ComCD* startReceiving(zv::test::PseudoTerminal& pty, zv::InstrumentModel model, const QString& name) {
    const QString folder = workDir().path() + QLatin1Char('/') + name;
    useQuietProgramFolder(folder);
    zv::scriviini("port", "porta", pty.slavePath(), "port.ini");
    zv::scriviini("general", "instrument", zv::instrumentText(model), "port.ini");
    zv::shell::registerForms();
    zv::Forms::load(QStringLiteral("frmSplash"));
    auto* rx = zv::Forms::load<zv::ComCD>();
    if (!rx || !rx->MSComm1->isOpen()) {
        zv::Forms::unloadAll();
        return nullptr;
    }
    return rx;
}

// Writes the bytes and waits until `count` more results are stored.
bool receive(zv::test::PseudoTerminal& pty, zv::ComCD* rx, const QByteArray& wire, int count) {
    const int64_t before = rx->storedCount();
    if (!pty.write(wire))
        return false;
    return zv::test::waitFor([&] { return rx->storedCount() - before >= count; }, 600000);
}

void BM_ReceiveAndStore(benchmark::State& state) {
    const auto model = zv::InstrumentModel(state.range(0));
    zv::test::PseudoTerminal pty;
    zv::ComCD* rx = startReceiving(pty, model, QStringLiteral("link%1").arg(state.range(0)));
    if (!rx) {
        state.SkipWithError("the receiver did not open the pseudo-terminal");
        return;
    }
    int oneTransmission = 0;
    const QByteArray wire = recordedTransmissions(model, 1, transmissionCount(), &oneTransmission);
    for (auto _ : state)
        if (!receive(pty, rx, wire, transmissionCount()))
            state.SkipWithError("not every transmission was stored");
    state.counters["ms_per_result"] = benchmark::Counter(double(state.iterations()) * transmissionCount(),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["wire_ms_at_9600"] = oneTransmission * 10.0 / 9600.0 * 1000.0;
    state.counters["bytes_per_transmission"] = oneTransmission;
    zv::Forms::unloadAll();
}

double residentMegabytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

// CPU time of the whole process (the receiver and the writer on the
// terminal), beside the wall time: a busy disk or machine moves the latter.
double processCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// How many batches at each end of the day the ratio compares.
constexpr int kPooled = 3;

std::string batchName(int batch, const char* what) {
    char name[64];
    std::snprintf(name, sizeof name, "day/batch%02d/%s", batch, what);
    return name;
}

// Each repetition receives a whole day into a fresh daily database.
void BM_ReceiveADay(benchmark::State& state) {
    static int day = 0;
    const auto model = zv::InstrumentModel::CD3500;
    const int batch = dayResults() / 10;
    int oneTransmission = 0;
    std::vector<QByteArray> batches;
    for (int b = 0; b < 10; ++b)
        batches.push_back(recordedTransmissions(model, 1 + b * batch, batch, &oneTransmission));
    for (auto _ : state) {
        zv::test::PseudoTerminal pty;
        zv::ComCD* rx = startReceiving(pty, model, QStringLiteral("day%1").arg(++day));
        if (!rx) {
            state.SkipWithError("the receiver did not open the pseudo-terminal");
            return;
        }
        for (int b = 0; b < 10; ++b) {
            QElapsedTimer timer;
            const double cpuBefore = processCpuSeconds();
            timer.start();
            if (!receive(pty, rx, batches[std::size_t(b)], batch)) {
                state.SkipWithError("not every transmission was stored");
                break;
            }
            const double perResult = double(timer.nsecsElapsed()) * 1e-9 / batch;
            const double cpuPerResult = (processCpuSeconds() - cpuBefore) / batch;
            figures->add(batchName(b + 1, "s_per_result"), perResult);
            figures->add(batchName(b + 1, "cpu_s_per_result"), cpuPerResult);
            figures->add(batchName(b + 1, "resident_MB"), residentMegabytes());
            // The first and the last batches pooled: one slow batch cannot move the ratio alone.
            if (const char* part = b < kPooled ? "first" : b >= 10 - kPooled ? "last" : nullptr) {
                figures->add(std::string("day/") + part + "/s_per_result", perResult);
                figures->add(std::string("day/") + part + "/cpu_s_per_result", cpuPerResult);
            }
        }
        zv::Forms::unloadAll();
    }
}

BENCHMARK(BM_ReceiveAndStore)
    ->Arg(int(zv::InstrumentModel::CD3000))
    ->Arg(int(zv::InstrumentModel::CD3200))
    ->Arg(int(zv::InstrumentModel::CD3500))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

BENCHMARK(BM_ReceiveADay)->Unit(benchmark::kSecond)->Iterations(1)->Repetitions(repetitions())->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    const WindowedProgram program(argc, argv);
    Figures reporter;
    runBenchmarks(&argc, argv, reporter);
    std::printf(
        "\n%d transmissions per model; ms_per_result (framing + decoding + storing, through a "
        "pseudo-terminal) beside wire_ms_at_9600 (one transmission on the line)\n",
        transmissionCount());
    const int batch = dayResults() / 10;
    std::printf("\na day of %d results in batches of %d: time per result and resident memory after each batch\n",
                dayResults(), batch);
    reporter.header();
    for (int b = 1; b <= 10; ++b) {
        char work[80];
        std::snprintf(work, sizeof work, "results %d to %d: time per result", (b - 1) * batch + 1, b * batch);
        reporter.single(work, batchName(b, "s_per_result"));
        std::snprintf(work, sizeof work, "results %d to %d: CPU time per result", (b - 1) * batch + 1, b * batch);
        reporter.single(work, batchName(b, "cpu_s_per_result"));
        std::snprintf(work, sizeof work, "results %d to %d: resident memory", (b - 1) * batch + 1, b * batch);
        reporter.single(work, batchName(b, "resident_MB"), 1, "MB");
    }
    char last[80], first[80];
    std::snprintf(last, sizeof last, "time per result, results %d to %d (batches pooled)", (10 - kPooled) * batch + 1,
                  10 * batch);
    std::snprintf(first, sizeof first, "results 1 to %d", kPooled * batch);
    reporter.ratio(last, "day/last/s_per_result", first, "day/first/s_per_result", 1.05);
    std::snprintf(last, sizeof last, "CPU time per result, results %d to %d (batches pooled)",
                  (10 - kPooled) * batch + 1, 10 * batch);
    reporter.ratio(last, "day/last/cpu_s_per_result", first, "day/first/cpu_s_per_result", 1.05);
    benchmark::Shutdown();
    return 0;
}
