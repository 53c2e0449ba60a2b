// Benchmarks of the module link.
//  - ReceivePath: a realistic mix of module events through reassembly, decoding and the
//    callback (which copies each record, as the main window does), one byte at a time as
//    the I/O thread hands them over. Reports the ratio to the 921600-baud line rate.
//  - QueueTurnaround: on a pseudo-terminal, from the last byte of a Command Complete
//    written by the "module" to the first byte of the next queued command arriving.

#include "link/CKelvra_CmdSet_Layer.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <vector>

namespace nuvex3 {
namespace {

constexpr double kLineBytesPerSecond = 92160.0; // 921600 baud, 10 bits per byte

class ReceivingLayer : public CKelvra_CmdSet_Layer {
public:
    explicit ReceivingLayer(EventCallback cb) : CKelvra_CmdSet_Layer(LayerSettings{}, cb) {}
    bool feedByte(std::uint8_t b) { return OnReceive(&b, 1, rx.data(), &rxLength); }
    std::array<std::uint8_t, kTxBufferSize> rx{};
    std::uint32_t rxLength = 0;
};

void append(std::vector<std::uint8_t>& s, std::uint8_t op, std::vector<std::uint8_t> params) {
    const auto p = framePacket(op, params);
    s.insert(s.end(), p.begin(), p.end());
}

// About what a busy session receives: many advertising reports, notifications and
// transparent data, with command answers, status reports and discovery results between.
std::vector<std::uint8_t> realisticStream() {
    std::vector<std::uint8_t> s;
    std::vector<std::uint8_t> adv{0x00, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x1F};
    for (int i = 0; i < 31; ++i)
        adv.push_back(static_cast<std::uint8_t>(i));
    adv.push_back(0xC5);
    std::vector<std::uint8_t> notify{0x80, 0x00, 0x12};
    notify.resize(3 + 20, 0x5A);
    std::vector<std::uint8_t> transparent{0x80};
    transparent.resize(1 + 244, 0xA5);
    for (int round = 0; round < 100; ++round) {
        for (int i = 0; i < 6; ++i)
            append(s, 0x70, adv);
        for (int i = 0; i < 4; ++i)
            append(s, 0x93, notify);
        append(s, 0x9A, transparent);
        append(s, 0x80, {0x16, 0x00});
        append(s, 0x80, {0x32, 0x00, 0x01, 0x02, 0x03, 0x04});
        append(s, 0x81, {0x0C, 0x01, 0x00, 0x00, 0x00});
        append(
            s, 0x90,
            {0x80, 0x06, 0x01, 0x00, 0x05, 0x00, 0x00, 0x18, 0x06, 0x00, 0x0B, 0x00, 0x01, 0x18});
        append(s, 0x73, {0x80, 0x00, 0x06, 0x00, 0x00, 0x01, 0xF4});
    }
    return s;
}

void ReceivePath(benchmark::State& state) {
    const auto stream = realisticStream();
    Record sink{};
    std::size_t records = 0;
    ReceivingLayer layer([&](int, const Record& r) {
        sink = r; // the main window copies every record before posting it
        ++records;
    });
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (std::uint8_t b : stream)
            layer.feedByte(b);
        benchmark::DoNotOptimize(sink);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double bytes =
        static_cast<double>(stream.size()) * static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    // How many times faster than the line delivers (wall-clock time).
    state.counters["x_line_rate"] = bytes / seconds / kLineBytesPerSecond;
    state.counters["records_per_pass"] =
        benchmark::Counter(static_cast<double>(records), benchmark::Counter::kAvgIterations);
    state.counters["bytes_per_pass"] = static_cast<double>(stream.size());
}
BENCHMARK(ReceivePath)->UseRealTime()->Unit(benchmark::kMicrosecond);

// ---- turnaround on a pseudo-terminal --------------------------------------------------

struct Pty {
    int master = -1, slave = -1;
    std::string name;
    Pty() {
        std::array<char, 256> n{};
        if (openpty(&master, &slave, n.data(), nullptr, nullptr) != 0)
            return;
        name = n.data();
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
        tcgetattr(master, &t);
        cfmakeraw(&t);
        tcsetattr(master, TCSANOW, &t);
    }
    ~Pty() {
        ::close(master);
        ::close(slave);
    }
    // Reads exactly n bytes; returns the time the first one became readable.
    std::chrono::steady_clock::time_point read(std::size_t n) {
        std::array<std::uint8_t, 512> buf{};
        std::size_t got = 0;
        std::chrono::steady_clock::time_point first{};
        while (got < n) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0)
                break;
            if (got == 0)
                first = std::chrono::steady_clock::now();
            const ssize_t r = ::read(master, buf.data(), std::min(buf.size(), n - got));
            if (r <= 0)
                break;
            got += static_cast<std::size_t>(r);
        }
        return first;
    }
    void write(const std::vector<std::uint8_t>& b) {
        std::size_t off = 0;
        while (off < b.size()) {
            const ssize_t w = ::write(master, b.data() + off, b.size() - off);
            if (w > 0)
                off += static_cast<std::size_t>(w);
        }
    }
};

void QueueTurnaround(benchmark::State& state) {
    Pty pty;
    LayerSettings settings;
    settings.portName = pty.name;
    settings.baudRate = 921600;
    CKelvra_CmdSet_Layer layer(settings, {});
    if (!layer.Connect()) {
        state.SkipWithError("cannot open the pseudo-terminal");
        return;
    }
    const auto answer = framePacket(0x80, std::vector<std::uint8_t>{0x10, 0x00});
    std::vector<double> samples;
    const std::array<std::uint8_t, 1> handle{0x80};
    for (auto _ : state) {
        layer.QueueCommand(0x10, handle); // goes out at once
        pty.read(6);
        layer.QueueCommand(0x10, handle); // waits for the answer to the first
        // From just before the module's write: the pty hand-over inside write() is
        // counted too, so this is an upper bound of the layer's turnaround.
        const auto sent = std::chrono::steady_clock::now();
        pty.write(answer);
        const auto first = pty.read(6);
        const double seconds = std::chrono::duration<double>(first - sent).count();
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
        pty.write(answer); // answer the second one too
        while (layer.awaitingResponse() || layer.queuedCommands() > 0) {
        }
    }
    std::sort(samples.begin(), samples.end());
    if (!samples.empty()) {
        state.counters["median_us"] = samples[samples.size() / 2] * 1e6;
        state.counters["p99_us"] = samples[samples.size() * 99 / 100] * 1e6;
        state.counters["max_us"] = samples.back() * 1e6;
    }
}
BENCHMARK(QueueTurnaround)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace nuvex3

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
