// How many advertising reports per second the GAP page (its list) and the advertising
// data editor absorb, compared with the line rate. A report with 31 data bytes is 46 bytes
// on the wire (10 bits each), so 921600 baud carries at most 2003 reports a second.
//
//   BM_ReceiveReports      the UI-thread work per report (record -> list queue + editor)
//   BM_ReceiveAndShow      the same plus inserting and painting the list every 40 ms of
//                          line time, on a list that already holds `rows` reports
//   BM_SimulatorFlood      the whole path: the virtual module scanning 40 advertisers at
//                          921600 baud, the real serial port, the layer, the pages; counts
//                          reports shown per second and the longest UI-thread stall

#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/gap/AdvReportModel.h"
#include "pages/gap/CPageAdvEditor.h"
#include "pages/gap/CPageGAP.h"
#include "sim/PtySimulator.h"
#include "sim/Scenario.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <atomic>

#include <sys/resource.h>

using namespace nuvex3;

namespace {

constexpr double kLineBaud = 921600.0;
// 0xAA, length (2), opcode, parameters (type, address type, address, length, 31 data
// bytes, RSSI: 41), checksum.
constexpr double kReportWireBytes = 46.0;
constexpr double kLineReportsPerSecond = kLineBaud / 10.0 / kReportWireBytes;

Record reportRecord(int i) {
    Record r{};
    r[1] = 42;
    r[2] = 0x70;
    r[3] = static_cast<std::uint8_t>(i % 5);
    r[4] = static_cast<std::uint8_t>(i & 1);
    r[5] = 0xC0;
    r[9] = static_cast<std::uint8_t>(i >> 8);
    r[10] = static_cast<std::uint8_t>(i);
    r[11] = 31;
    const std::uint8_t data[31] = {0x02, 0x01, 0x06, 0x09, 0x09, 'N',  'V',  'X',  '-',  'F',  'L',
                                   'O',  'D',  0x05, 0x03, 0x0D, 0x18, 0x0F, 0x18, 0x0B, 0xFF, 0x4E,
                                   0x56, 1,    2,    3,    4,    5,    6,    7,    8};
    std::copy(std::begin(data), std::end(data), r.begin() + 12);
    r[43] = static_cast<std::uint8_t>(-40 - i % 50);
    return r;
}

void BM_ReceiveReports(benchmark::State& state) {
    CPageGAP gap;
    CPageAdvEditor editor;
    int i = 0;
    for (auto _ : state) {
        const Record r = reportRecord(i++);
        gap.receive(kKindAdvertisingReport, r);
        editor.receive(kKindAdvertisingReport, r);
    }
    gap.flushReports();
    state.SetItemsProcessed(state.iterations());
    state.counters["line_rate_reports_per_s"] = kLineReportsPerSecond;
}
BENCHMARK(BM_ReceiveReports);

void BM_ReceiveAndShow(benchmark::State& state) {
    const int existing = static_cast<int>(state.range(0));
    // What the line delivers in one 40 ms flush interval.
    const int batch = static_cast<int>(kLineReportsPerSecond * 0.040);
    CPageGAP gap;
    CPageAdvEditor editor;
    gap.resize(1200, 800);
    gap.show();
    for (int i = 0; i < existing; ++i)
        gap.receive(kKindAdvertisingReport, reportRecord(i));
    gap.flushReports();
    QTableView* view = gap.reportView();
    int i = existing;
    for (auto _ : state) {
        for (int k = 0; k < batch; ++k) {
            const Record r = reportRecord(i++);
            gap.receive(kKindAdvertisingReport, r);
            editor.receive(kKindAdvertisingReport, r);
        }
        gap.flushReports();
        view->scrollToBottom();
        view->viewport()->repaint();
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * batch);
    state.counters["line_rate_reports_per_s"] = kLineReportsPerSecond;
    state.counters["rows_at_end"] = gap.reportModel()->rowCount();
}
BENCHMARK(BM_ReceiveAndShow)->Arg(0)->Arg(100000)->Unit(benchmark::kMillisecond);

// A scenario of 40 advertisers each sending a 31-byte report every 10 ms: 4000 reports a
// second offered, about twice what the line carries, so the line is always full.
sim::Scenario floodScenario() {
    sim::Scenario s;
    for (int p = 0; p < 40; ++p) {
        sim::PeerConfig peer;
        peer.address = {0xC0, 0x00, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(p)};
        peer.addressType = 1;
        peer.advEventType = 3;
        peer.connectable = false;
        peer.advInterval = sim::Millis(10);
        peer.rssi = static_cast<std::int8_t>(-40 - p);
        peer.advData = {0x02,
                        0x01,
                        0x06,
                        0x09,
                        0x09,
                        'N',
                        'V',
                        'X',
                        '-',
                        'F',
                        'L',
                        'O',
                        'D',
                        0x05,
                        0x03,
                        0x0D,
                        0x18,
                        0x0F,
                        0x18,
                        0x0B,
                        0xFF,
                        0x4E,
                        0x56,
                        1,
                        2,
                        3,
                        4,
                        5,
                        6,
                        7,
                        static_cast<std::uint8_t>(p)};
        s.peers.push_back(peer);
    }
    return s;
}

void BM_SimulatorFlood(benchmark::State& state) {
    const int seconds = static_cast<int>(state.range(0));
    for (auto _ : state) {
        sim::SimOptions options;
        options.baud = static_cast<int>(kLineBaud);
        sim::PtySimulator simulator(floodScenario(), options);
        QString error;
        if (!simulator.start(&error)) {
            state.SkipWithError(error.toStdString().c_str());
            return;
        }
        CPageGAP gap;
        CPageAdvEditor editor;
        gap.resize(1200, 800);
        gap.show();
        std::atomic<long long> delivered{0};
        QObject router;
        LayerSettings settings;
        settings.portName = simulator.slavePath();
        settings.baudRate = static_cast<std::uint32_t>(kLineBaud);
        auto layer =
            std::make_unique<CKelvra_CmdSet_Layer>(settings, [&](int kind, const Record& r) {
                if (kind != kKindAdvertisingReport)
                    return;
                ++delivered;
                QMetaObject::invokeMethod(
                    &router,
                    [&gap, &editor, r] {
                        gap.receive(kKindAdvertisingReport, r);
                        editor.receive(kKindAdvertisingReport, r);
                    },
                    Qt::QueuedConnection);
            });
        if (!layer->Connect()) {
            state.SkipWithError("the layer did not open the simulator's terminal");
            return;
        }
        gap.setLayer(layer.get());

        // The longest time the UI thread went without running a 10 ms ticker.
        qint64 maxStallMs = 0;
        QElapsedTimer sinceTick;
        sinceTick.start();
        QTimer ticker;
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout,
                         [&] { maxStallMs = std::max(maxStallMs, sinceTick.restart()); });
        ticker.start();

        layer->SetScanEnable(1, 0);
        QElapsedTimer run;
        run.start();
        QTest::qWait(seconds * 1000);
        const double elapsed = run.elapsed() / 1000.0;
        layer->SetScanEnable(0, 0);
        layer.reset();
        QCoreApplication::processEvents();
        gap.flushReports();

        const double shown = gap.reportModel()->rowCount();
        state.counters["reports_shown_per_s"] = shown / elapsed;
        state.counters["reports_from_line_per_s"] = static_cast<double>(delivered) / elapsed;
        state.counters["line_rate_reports_per_s"] = kLineReportsPerSecond;
        state.counters["rows"] = shown;
        state.counters["max_ui_stall_ms"] = static_cast<double>(maxStallMs);
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        state.counters["max_rss_mb"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
        simulator.stop();
    }
}
BENCHMARK(BM_SimulatorFlood)->Arg(5)->Arg(60)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
