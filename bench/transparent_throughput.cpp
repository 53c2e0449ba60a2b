// Transparent data through the whole tool: the real main window (offscreen) with its
// transparent page in front, connected to the virtual module on a pseudo-terminal paced
// at 921600 baud, every packet logged to the view and the session log file.
//
//   BM_SendFile/mtu/credits   streams a file to an echoing peer ("Start Tx", one round):
//                             bytes per second sent (until the last block's Command
//                             Complete) and echoed back, against the protocol bound with
//                             one command in flight (block bytes / line time of the
//                             command packet plus its Command Complete) and against the
//                             line bound, which also counts the echo where the return
//                             direction carries more than the exchange. credits 0 turns
//                             flow control off and sends 640-byte blocks.
//   BM_ReceiveStream/seconds  a peer streams 20-byte pieces at the full line rate: bytes
//                             received against bytes sent, the file checked byte for byte,
//                             the longest UI-thread stall, resident memory over the run.
//
// Run from a release build: build/bench/transparent_throughput

#include "app/CKelvra_V1_4_TEST_TOOLDlg.h"
#include "app/PageSet.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "sim/PtySimulator.h"
#include "sim/Scenario.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>

using namespace nuvex3;

namespace {

constexpr int kBaud = 921600;
constexpr double kLineBytesPerSecond = kBaud / 10.0;
constexpr int kSendFileBytes = 200'000;

// Answers the file dialogs with a prepared path; messages are counted, not shown.
class BenchPrompts final : public Prompts {
public:
    QString file;
    int messages = 0;
    void message(const QString&, PromptIcon) override { ++messages; }
    bool askYesNo(const QString&) override { return false; }
    QString openFile(const QString&, const QString&) override { return file; }
    QString saveFile(const QString&, const QString&) override { return {}; }
    void openUrl(const QString&) override {}
};

// The module with one peer at 0A0B0C0D0E0F that has the transparent service.
sim::Scenario scenarioWith(const sim::PeerConfig& settings) {
    sim::Scenario scenario;
    scenario.module.localServices = sim::defaultLocalServices(scenario.module.name);
    sim::PeerConfig peer = settings;
    peer.address = {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
    peer.name = "NVX-BENCH";
    peer.connectDelay = std::chrono::milliseconds(10);
    peer.services = {sim::transparentService(0x0050)};
    scenario.peers = {peer};
    return scenario;
}

constexpr int kPacketOverhead = 5;                       // 0xAA, length (2), opcode, checksum
constexpr int kCommandComplete = 7;                      // its packet: opcode and status
constexpr int kCreditNotification = kPacketOverhead + 8; // link, attribute handle, 5 bytes

// One command in flight: the block's packet (its link and data) and its Command Complete
// on the line, one after the other. The bound the transfer is measured against.
double oneInFlightBound(int block) {
    return block / ((block + kPacketOverhead + 1 + kCommandComplete) / kLineBytesPerSecond);
}

// What comes back on the other direction of the line for each block: its Command
// Complete, the echo (one packet per piece of mtu - 3 bytes, each with its link) and the
// block's share of the credit notifications (the simulated peer hands back credits / 2
// at a time).
double returnBytesPerBlock(int block, int mtu, int credits) {
    const int piece = mtu - 3;
    const int pieces = (block + piece - 1) / piece;
    double bytes = kCommandComplete + block + pieces * (kPacketOverhead + 1);
    if (credits > 0)
        bytes += static_cast<double>(kCreditNotification) / std::max(1, credits / 2);
    return bytes;
}

// The line is full duplex: the echo costs time only where it is longer than the exchange
// itself, because the next Command Complete then waits behind it. The lower of the two.
double lineBound(int block, int mtu, int credits) {
    const double exchange = block + kPacketOverhead + 1 + kCommandComplete;
    return block /
           (std::max(exchange, returnBytesPerBlock(block, mtu, credits)) / kLineBytesPerSecond);
}

// The two bounds and the rate against each.
void countBounds(benchmark::State& state, int block, int mtu, int credits, double rate) {
    state.counters["bound_one_in_flight"] = oneInFlightBound(block);
    state.counters["bound_line"] = lineBound(block, mtu, credits);
    state.counters["tx_ratio_one_in_flight"] = rate / oneInFlightBound(block);
    state.counters["tx_ratio_line"] = rate / lineBound(block, mtu, credits);
}

// Runs the UI thread's event loop, as the program does, until pred holds or the bound
// passes. (QTest::qWaitFor sleeps between its looks, which would delay every event.)
bool runUntil(const std::function<bool()>& pred, int boundMs) {
    if (pred())
        return true;
    QEventLoop loop;
    QTimer look;
    look.setInterval(2);
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (pred())
            loop.quit();
    });
    QTimer::singleShot(boundMs, &loop, &QEventLoop::quit);
    look.start();
    loop.exec();
    return pred();
}

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

// The longest time the UI thread went without running a 5 ms ticker.
class StallMeter {
public:
    StallMeter() {
        since_.start();
        ticker_.setInterval(5);
        QObject::connect(&ticker_, &QTimer::timeout,
                         [this] { longest_ = std::max(longest_, since_.restart()); });
        ticker_.start();
    }
    qint64 longestMs() const { return longest_; }

private:
    QElapsedTimer since_;
    QTimer ticker_;
    qint64 longest_ = 0;
};

// The window connected to a module with one peer, link 01 open, its transparent service
// on.
class Session {
public:
    bool open(const sim::PeerConfig& settings, std::string* error) {
        sim::SimOptions options;
        options.baud = kBaud;
        simulator_ = std::make_unique<sim::PtySimulator>(scenarioWith(settings), options);
        QString why;
        if (!simulator_->start(&why)) {
            *error = why.toStdString();
            return false;
        }
        DialogOptions o;
        o.startDirectory = dir_.path();
        o.extraPorts = {QString::fromStdString(simulator_->slavePath())};
        o.portSource = [] { return QStringList(); };
        dialog_ = std::make_unique<CKelvra_V1_4_TEST_TOOLDlg>(o);
        dialog_->resize(1280, 820);
        dialog_->show();
        dialog_->controls().baud->setCurrentIndex(0); // "921600"
        dialog_->controls().sheet->setCurrentWidget(&page());
        dialog_->connectOrDisconnect();
        if (!dialog_->connected()) {
            *error = "the window did not connect";
            return false;
        }
        dialog_->layer()->LECreateConnection(0, 0, {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F});
        if (!runUntil([&] { return page().receiveTable().find("01").has_value(); }, 5000)) {
            *error = "no link";
            return false;
        }
        dialog_->layer()->EnableTransparent(0x01, 0x01, 0x01);
        if (settings.credits > 0 &&
            !runUntil([&] { return page().sender().flow().credit > 0; }, 5000)) {
            *error = "no credits";
            return false;
        }
        return true;
    }

    CPageTransparent& page() { return dialog_->pages().transparent; }
    ReceiveEntry entry() { return page().receiveTable().find("01").value_or(ReceiveEntry{}); }
    QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    BenchPrompts& prompts() { return prompts_; }

    ~Session() {
        dialog_.reset();
        simulator_.reset();
    }

private:
    QTemporaryDir dir_;
    BenchPrompts prompts_;
    ScopedPrompts scoped_{prompts_};
    std::unique_ptr<sim::PtySimulator> simulator_;
    std::unique_ptr<CKelvra_V1_4_TEST_TOOLDlg> dialog_;
};

void BM_SendFile(benchmark::State& state) {
    const int mtu = static_cast<int>(state.range(0));
    const int credits = static_cast<int>(state.range(1));
    for (auto _ : state) {
        sim::PeerConfig peer;
        peer.echo = true;
        peer.credits = credits;
        peer.mtu = static_cast<std::uint16_t>(mtu);
        Session s;
        std::string error;
        if (!s.open(peer, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        const int block = credits > 0 ? mtu - 3 : 640;
        const auto& ui = s.page().controls();
        ui.blockSize->setText(QString::number(block));

        QByteArray bytes;
        for (int i = 0; bytes.size() < kSendFileBytes; ++i)
            bytes += QByteArray::number(i) + (i % 16 == 15 ? "\n" : " ");
        bytes.truncate(kSendFileBytes);
        s.prompts().file = s.path("send.txt");
        QFile f(s.prompts().file);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        f.close();
        ui.loadFile->click();
        ui.repeatRounds->setText("1");

        StallMeter stalls;
        QElapsedTimer run;
        run.start();
        ui.startTx->click();
        const bool sent = runUntil(
            [&] { return s.entry().bytesSent == kSendFileBytes && !s.page().sender().busy(); },
            120'000);
        const double sendSeconds = static_cast<double>(run.nsecsElapsed()) / 1e9;
        const bool echoed =
            runUntil([&] { return s.entry().bytesReceived == kSendFileBytes; }, 60'000);
        const double echoSeconds = static_cast<double>(run.nsecsElapsed()) / 1e9;
        if (!sent || !echoed) {
            state.SkipWithError("the file did not go out and come back");
            return;
        }
        QFile back(s.entry().receivedPath);
        back.open(QIODevice::ReadOnly);
        const bool same = back.readAll() == bytes;

        const double sendRate = kSendFileBytes / sendSeconds;
        state.counters["block_bytes"] = block;
        state.counters["tx_bytes_per_s"] = sendRate;
        state.counters["rx_bytes_per_s"] = kSendFileBytes / echoSeconds;
        countBounds(state, block, mtu, credits, sendRate);
        state.counters["echo_equal"] = same ? 1 : 0;
        state.counters["max_ui_stall_ms"] = static_cast<double>(stalls.longestMs());
    }
}
BENCHMARK(BM_SendFile)
    ->Args({23, 8})
    ->Args({247, 8})
    ->Args({517, 8})
    ->Args({23, 0})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The same exchange without the window: a bare command layer on the same paced terminal,
// and one thread that sends the next block as soon as the layer reports the Command
// Complete of the last one. What the terminal, the simulator and the layer allow on this
// machine at this moment; the window's figures above are compared with it.
void BM_SendBaseline(benchmark::State& state) {
    const int mtu = static_cast<int>(state.range(0));
    const int credits = static_cast<int>(state.range(1));
    const int block = credits > 0 ? mtu - 3 : 640;
    for (auto _ : state) {
        sim::PeerConfig peer;
        peer.echo = true;
        peer.credits = credits;
        peer.mtu = static_cast<std::uint16_t>(mtu);
        sim::SimOptions options;
        options.baud = kBaud;
        sim::PtySimulator simulator(scenarioWith(peer), options);
        QString why;
        if (!simulator.start(&why)) {
            state.SkipWithError(why.toStdString().c_str());
            return;
        }
        std::mutex m;
        std::condition_variable cv;
        int completes = 0;
        bool linked = false;
        LayerSettings settings;
        settings.portName = simulator.slavePath();
        settings.baudRate = kBaud;
        CKelvra_CmdSet_Layer layer(settings, [&](int kind, const Record& r) {
            std::lock_guard g(m);
            if (kind == kKindConnectionComplete)
                linked = true;
            if (kind == kKindCommandComplete && (r[3] == 0x3F || r[3] == 0x35))
                ++completes;
            cv.notify_all();
        });
        if (!layer.Connect()) {
            state.SkipWithError("the layer did not open the terminal");
            return;
        }
        auto waitUntil = [&](const std::function<bool()>& pred) {
            std::unique_lock l(m);
            return cv.wait_for(l, std::chrono::seconds(10), pred);
        };
        layer.LECreateConnection(0, 0, {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F});
        if (!waitUntil([&] { return linked; })) {
            state.SkipWithError("no link");
            return;
        }
        layer.EnableTransparent(0x01, 0x01, 0x01);
        waitUntil([&] { return completes == 1; });
        const int blocks = kSendFileBytes / block;
        const std::vector<std::uint8_t> data(static_cast<std::size_t>(block), 'x');
        QElapsedTimer run;
        run.start();
        for (int i = 0; i < blocks; ++i) {
            layer.SendTransparentData(0x01, data);
            if (!waitUntil([&] { return completes == i + 2; })) {
                state.SkipWithError("a block was not answered");
                return;
            }
        }
        const double seconds = static_cast<double>(run.nsecsElapsed()) / 1e9;
        state.counters["block_bytes"] = block;
        state.counters["tx_bytes_per_s"] = blocks * block / seconds;
        countBounds(state, block, mtu, credits, blocks * block / seconds);
    }
}
BENCHMARK(BM_SendBaseline)
    ->Args({23, 8})
    ->Args({247, 8})
    ->Args({517, 8})
    ->Args({23, 0})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_ReceiveStream(benchmark::State& state) {
    const int seconds = static_cast<int>(state.range(0));
    constexpr int kPiece = 20; // mtu 23
    // Every piece is a 26-byte packet: the line carries 20/26 of its bytes as data.
    const double lineRate = kLineBytesPerSecond * kPiece / (kPiece + 6);
    const auto total = static_cast<std::uint64_t>(lineRate * seconds);
    for (auto _ : state) {
        sim::PeerConfig peer;
        peer.mtu = kPiece + 3;
        peer.streamBytesPerSecond = static_cast<std::uint32_t>(lineRate);
        peer.streamTotalBytes = total;
        peer.streamAfter = std::chrono::milliseconds(200);
        Session s;
        std::string error;
        if (!s.open(peer, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        StallMeter stalls;
        QElapsedTimer run;
        run.start();
        long rssEarly = 0, rssMax = 0;
        QTimer sampler;
        sampler.setInterval(1000);
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            const long rss = residentKb();
            if (run.elapsed() >= 5000 && rssEarly == 0)
                rssEarly = rss;
            rssMax = std::max(rssMax, rss);
        });
        sampler.start();
        // Meanwhile the window refreshes the page in front every 500 ms (its own timer).
        const bool complete =
            runUntil([&] { return s.entry().bytesReceived >= total; }, (seconds + 20) * 1000);
        const double elapsed = static_cast<double>(run.nsecsElapsed()) / 1e9;
        sampler.stop();
        const long rssEnd = residentKb();
        const ReceiveEntry e = s.entry();
        QFile file(e.receivedPath);
        file.open(QIODevice::ReadOnly);
        const QByteArray got = file.readAll();
        bool same = got.size() == static_cast<qsizetype>(total);
        for (qsizetype i = 0; same && i < got.size(); ++i)
            same =
                static_cast<std::uint8_t>(got[i]) == sim::streamByte(static_cast<std::uint64_t>(i));
        state.counters["complete"] = complete ? 1 : 0;
        state.counters["bytes_streamed"] = static_cast<double>(total);
        state.counters["bytes_received"] = static_cast<double>(e.bytesReceived);
        state.counters["file_equal"] = same ? 1 : 0;
        state.counters["rx_bytes_per_s"] = static_cast<double>(e.bytesReceived) / elapsed;
        state.counters["line_data_bytes_per_s"] = lineRate;
        state.counters["max_ui_stall_ms"] = static_cast<double>(stalls.longestMs());
        state.counters["rss_mb_at_5s"] = rssEarly / 1024.0;
        state.counters["rss_mb_max"] = rssMax / 1024.0;
        state.counters["rss_mb_end"] = rssEnd / 1024.0;
        state.counters["messages"] = s.prompts().messages;
    }
}
BENCHMARK(BM_ReceiveStream)->Arg(60)->Iterations(1)->Unit(benchmark::kMillisecond);

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
