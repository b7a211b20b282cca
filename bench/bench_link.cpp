// Reception figures: 1,000 (ZV_BENCH_TRANSMISSIONS) recorded transmissions written into a
// pseudo-terminal while the receiver listens on it, each framed, decoded,
// calibrated and stored in the daily database. Reported as the time per
// result beside the wire time of one transmission at 9600 baud.
#include <QApplication>

#include "common.h"
#include "link/comcd.h"
#include "platform/forms.h"
#include "platform/prompts.h"
#include "program.h"
#include "shell/appmain.h"
#include "shell/config.h"
#include "shell/programfolder.h"
#include "support/pty.h"
#include "support/transmission.h"

namespace {

using namespace zvbench;

// ZV_BENCH_TRANSMISSIONS sets how many per model (default 1000).
int transmissionCount() {
    const QByteArray env = qgetenv("ZV_BENCH_TRANSMISSIONS");
    return env.isEmpty() ? 1000 : env.toInt();
}

QByteArray recordedTransmissions(zv::InstrumentModel model, int count, int* oneTransmission) {
    QByteArray all;
    for (int n = 1; n <= count; ++n) {
        zv::test::SampleValues sample = zv::test::normalSample(model);
        sample.seq = QStringLiteral("%1").arg(n % 10000, 4, 10, QLatin1Char('0'));
        sample.specId = QStringLiteral("S%1").arg(n);
        sample.specName = n % 10 == 0 ? QStringLiteral("CANE") : QStringLiteral("PAZIENTE %1").arg(n);
        const QByteArray one = zv::test::transmission(model, sample);
        *oneTransmission = int(one.size());
        all += one;
    }
    return all;
}

void BM_ReceiveAndStore(benchmark::State& state) {
    const auto model = zv::InstrumentModel(state.range(0));
    zv::test::PseudoTerminal pty;
    const QString folder = workDir().path() + QStringLiteral("/link%1").arg(state.range(0));
    useQuietProgramFolder(folder);
    zv::scriviini("port", "porta", pty.slavePath(), "port.ini");
    zv::scriviini("general", "instrument", zv::instrumentText(model), "port.ini");
    zv::shell::registerForms();
    zv::Forms::load(QStringLiteral("frmSplash"));
    // What On Line does.
    auto* rx = zv::Forms::load<zv::ComCD>();
    if (!rx || !rx->MSComm1->isOpen()) {
        state.SkipWithError("the receiver did not open the pseudo-terminal");
        zv::Forms::unloadAll();
        return;
    }
    int oneTransmission = 0;
    const QByteArray wire = recordedTransmissions(model, transmissionCount(), &oneTransmission);
    for (auto _ : state) {
        const int64_t before = rx->storedCount();
        pty.write(wire);
        if (!zv::test::waitFor([&] { return rx->storedCount() - before >= transmissionCount(); }, 600000))
            state.SkipWithError("not every transmission was stored");
    }
    state.counters["ms_per_result"] = benchmark::Counter(double(state.iterations()) * transmissionCount(),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["wire_ms_at_9600"] = oneTransmission * 10.0 / 9600.0 * 1000.0;
    state.counters["bytes_per_transmission"] = oneTransmission;
    zv::Forms::unloadAll();
}

BENCHMARK(BM_ReceiveAndStore)
    ->Arg(int(zv::InstrumentModel::CD3000))
    ->Arg(int(zv::InstrumentModel::CD3200))
    ->Arg(int(zv::InstrumentModel::CD3500))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    zv::setPrompts(std::make_unique<SilentPrompts>());
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf(
        "\n%d transmissions per model; ms_per_result (framing + decoding + storing, through a "
        "pseudo-terminal) beside wire_ms_at_9600 (one transmission on the line)\n",
        transmissionCount());
    benchmark::Shutdown();
    return 0;
}
