// How fast the "Decoded" view takes packets, compared with the line rate, and what a long
// session costs in memory. An advertising report with 31 data bytes is 46 bytes on the
// wire (10 bits each), so 921600 baud carries at most 2003 of them a second.
//
//   BM_DecodeAndShow      what the UI thread does per packet: the record into the model,
//                         one flush and one repaint of the list (which decodes the rows in
//                         view) per 40 ms of line time, on a model already holding `rows`
//   BM_DecodeEveryRow     decoding and formatting every row (what a text filter or the
//                         command-line decoder does per packet)
//   BM_MillionPackets     resident memory after 1,000,000 packets in the model (the
//                         default row limit), against the memory before
//   BM_SimulatorFlood     the whole path: the virtual module scanning 40 advertisers at
//                         921600 baud on a pseudo-terminal, the real main window with the
//                         "Decoded" tab shown and its session log file; rows shown per
//                         second and the longest UI-thread stall

#include "app/CKelvra_V1_4_TEST_TOOLDlg.h"
#include "app/DecodedModel.h"
#include "app/DecodedView.h"
#include "decode/Session.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "link/Clock.h"
#include "sim/PtySimulator.h"
#include "sim/Scenario.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <atomic>
#include <fstream>
#include <string>

using namespace nuvex3;

namespace {

constexpr double kLineBaud = 921600.0;
constexpr double kReportWireBytes = 46.0;
constexpr double kLinePacketsPerSecond = kLineBaud / 10.0 / kReportWireBytes;

const std::uint8_t kAdvData[31] = {0x02, 0x01, 0x06, 0x09, 0x09, 'N',  'V',  'X',  '-',  'F',  'L',
                                   'O',  'D',  0x05, 0x03, 0x0D, 0x18, 0x0F, 0x18, 0x0B, 0xFF, 0x4E,
                                   0x56, 1,    2,    3,    4,    5,    6,    7,    8};

// A received advertising report record (kind 1): the packet without its start byte.
Record reportPacket(int i) {
    std::vector<std::uint8_t> params = {static_cast<std::uint8_t>(i % 5),
                                        static_cast<std::uint8_t>(i & 1),
                                        static_cast<std::uint8_t>(i),
                                        static_cast<std::uint8_t>(i >> 8),
                                        0x00,
                                        0x00,
                                        0x00,
                                        0xC0,
                                        31};
    params.insert(params.end(), std::begin(kAdvData), std::end(kAdvData));
    params.push_back(static_cast<std::uint8_t>(-40 - i % 50));
    const auto wire = framePacket(0x70, params);
    Record r{};
    std::copy(wire.begin() + 1, wire.end(), r.begin());
    return r;
}

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

// First, so that the memory before is that of a fresh process.
void BM_MillionPackets(benchmark::State& state) {
    for (auto _ : state) {
        const long before = residentKb();
        auto model = std::make_unique<DecodedModel>();
        model->setRowLimit(1'000'000);
        model->startSession(nuvex3::clock().now(), 0);
        QElapsedTimer run;
        run.start();
        for (int i = 0; i < 1'000'000; ++i) {
            model->add(kKindPacketReceived, reportPacket(i), nuvex3::clock().now());
            if (i % 4096 == 4095)
                model->flush();
        }
        model->flush();
        const double seconds = run.elapsed() / 1000.0;
        const long after = residentKb();
        state.counters["rows"] = model->rowCount();
        state.counters["packets_per_s"] = 1'000'000 / seconds;
        state.counters["x_line_rate"] = 1'000'000 / seconds / kLinePacketsPerSecond;
        state.counters["rss_before_mb"] = before / 1024.0;
        state.counters["rss_after_mb"] = after / 1024.0;
        state.counters["rss_per_row_bytes"] = (after - before) * 1024.0 / 1'000'000;
        // A million more: the oldest go, memory stays where it is.
        for (int i = 0; i < 1'000'000; ++i) {
            model->add(kKindPacketReceived, reportPacket(i), nuvex3::clock().now());
            if (i % 4096 == 4095)
                model->flush();
        }
        model->flush();
        state.counters["rss_after_2m_mb"] = residentKb() / 1024.0;
    }
}
BENCHMARK(BM_MillionPackets)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_DecodeAndShow(benchmark::State& state) {
    const int existing = static_cast<int>(state.range(0));
    // The packets of one flush interval when they arrive at `times` the line rate.
    const double times = static_cast<double>(state.range(1));
    const int batch =
        static_cast<int>(kLinePacketsPerSecond * times * DecodedModel::kFlushMs / 1000.0);
    DecodedModel model;
    model.startSession(nuvex3::clock().now(), 0);
    DecodedView view(&model);
    view.resize(1200, 800);
    view.show();
    for (int i = 0; i < existing; ++i)
        model.add(kKindPacketReceived, reportPacket(i), nuvex3::clock().now());
    model.flush();
    QTableView* list = view.controls().list;
    int i = existing;
    for (auto _ : state) {
        for (int k = 0; k < batch; ++k)
            model.add(kKindPacketReceived, reportPacket(i++), nuvex3::clock().now());
        model.flush();
        list->scrollToBottom();
        list->viewport()->repaint();
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * batch);
    // Packets taken per second of UI-thread time, as a multiple of the line rate.
    state.counters["x_line_rate"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * batch / kLinePacketsPerSecond,
                           benchmark::Counter::kIsRate);
    state.counters["batch"] = batch;
    state.counters["rows_at_end"] = model.rowCount();
}
// Rows already in the model; packets arriving at 1 and at 50 times the line rate.
BENCHMARK(BM_DecodeAndShow)
    ->Args({0, 1})
    ->Args({0, 50})
    ->Args({1'000'000, 1})
    ->Args({1'000'000, 50})
    ->Unit(benchmark::kMillisecond);

void BM_DecodeEveryRow(benchmark::State& state) {
    decode::Session session(1'000);
    session.start(nuvex3::clock().now(), 0);
    for (int i = 0; i < 1'000; ++i)
        session.addReceived(nuvex3::clock().now(), reportPacket(i));
    std::uint64_t seq = 0;
    std::size_t chars = 0;
    for (auto _ : state) {
        const decode::RowTexts t = session.texts(seq);
        chars += t.fields.size();
        seq = seq + 1 == session.store().endSeq() ? 0 : seq + 1;
    }
    benchmark::DoNotOptimize(chars);
    state.SetItemsProcessed(state.iterations());
    state.counters["x_line_rate"] =
        benchmark::Counter(static_cast<double>(state.iterations()) / kLinePacketsPerSecond,
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeEveryRow);

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
        peer.advData.assign(std::begin(kAdvData), std::end(kAdvData));
        peer.advData.back() = static_cast<std::uint8_t>(p);
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
        // The real window on the simulator's terminal, the "Decoded" tab shown and a
        // session log file open, as a user watching a scan has it.
        QTemporaryDir logs;
        DialogOptions dialogOptions;
        dialogOptions.startDirectory = logs.path();
        dialogOptions.extraPorts = {QString::fromStdString(simulator.slavePath())};
        dialogOptions.portSource = [] { return QStringList(); };
        CKelvra_V1_4_TEST_TOOLDlg window(dialogOptions);
        window.resize(1280, 800);
        window.show();
        window.controls().logTabs->setCurrentWidget(window.controls().decoded);
        window.connectOrDisconnect();
        if (!window.connected()) {
            state.SkipWithError("the window did not open the simulator's terminal");
            return;
        }
        qint64 maxStallMs = 0;
        QElapsedTimer sinceTick;
        sinceTick.start();
        QTimer ticker;
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout,
                         [&] { maxStallMs = std::max(maxStallMs, sinceTick.restart()); });
        ticker.start();

        window.layer()->SetScanEnable(1, 0);
        QElapsedTimer run;
        run.start();
        QTest::qWait(seconds * 1000);
        const double elapsed = static_cast<double>(run.elapsed()) / 1000.0;
        ticker.stop();
        const std::int64_t rows = window.decodedModel().rowCount();
        window.connectOrDisconnect();
        simulator.stop();

        state.counters["rows_shown_per_s"] = static_cast<double>(rows) / elapsed;
        state.counters["x_line_rate"] = static_cast<double>(rows) / elapsed / kLinePacketsPerSecond;
        state.counters["max_ui_stall_ms"] = static_cast<double>(maxStallMs);
    }
}
BENCHMARK(BM_SimulatorFlood)->Arg(5)->Iterations(1)->Unit(benchmark::kMillisecond);

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
