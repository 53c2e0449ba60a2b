// The whole receive path as the user meets it: a module on a pseudo-terminal floods the
// real main window (offscreen, the GAP page shown, a session log file open); a run ends
// when the last packet's line is in the log file.
//
//   BM_MinimalReader/<kind>    the baseline: a plain read() loop on the same kind of
//                              pseudo-terminal that only counts the packets
//   BM_WholePath/<kind>        the window: reports per second, as a multiple of the
//                              921600-baud line rate and as a share of the baseline
//   BM_Memory/<rows>/<shown>   resident memory after 100,000, 1,000,000 and 2,000,000 packets;
//                              <rows>: the decoded view's row limit (0: the default,
//                              1,000,000, so the decoded ring fills up to the millionth
//                              packet and stays flat after it; rows beyond the newest 32,768
//                              go to the session's temporary file); <shown>: 1 with the
//                              "Decoded" tab shown instead of "Raw" (its list then keeps a
//                              row header entry for every row)
//   BM_StallAtLineRate/<s>     the module paced at 921600 baud for <s> seconds: the longest
//                              time the window's thread went without running a 10 ms ticker
//
// kind 0: advertising reports with 31 data bytes (46 bytes on the wire, 2,003 a second at
// 921600 baud); kind 1: status reports with the four link states (10 bytes, 9,216 a second).
//
// Run from a release build: build-rel/bench/window_flood

#include "app/CKelvra_V1_4_TEST_TOOLDlg.h"
#include "app/DecodedView.h"
#include "app/PacketLog.h"
#include "app/PageSet.h"
#include "framework/ViewLimits.h"
#include "link/Packet.h"
#include "pages/gap/CPageGAP.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace nuvex3;

namespace {

constexpr double kLineBytesPerSecond = 921600.0 / 10.0;

using Bytes = std::vector<std::uint8_t>;

struct Stream {
    Bytes bytes;
    std::size_t packets = 0;
    QByteArray lastLine; // the log file's line of the last packet, with CR LF
    double linePacketsPerSecond = 0;
};

QByteArray logLine(const Bytes& packet) {
    QByteArray line("--> ");
    line += QByteArray(reinterpret_cast<const char*>(packet.data()) + 1,
                       static_cast<qsizetype>(packet.size()) - 2)
                .toHex()
                .toUpper();
    return line + "\r\n";
}

// Advertising reports of 40 advertisers with 31 bytes of data, or status reports; every
// packet differs from the one before it, so the last line names the last packet.
Stream makeStream(int kind, std::size_t packets) {
    Stream s;
    s.packets = packets;
    Bytes p;
    for (std::size_t i = 0; i < packets; ++i) {
        if (kind == 0) {
            Bytes params = {0x03, 0x01, static_cast<std::uint8_t>(i % 40), 0x00, 0x00, 0x00, 0x00,
                            0xC0, 31};
            const std::uint8_t data[] = {0x02, 0x01, 0x06, 0x09, 0x09, 'N',  'V',
                                         'X',  '-',  'F',  'L',  'O',  'D',  0x05,
                                         0x03, 0x0D, 0x18, 0x0F, 0x18, 0x0B, 0xFF};
            params.insert(params.end(), std::begin(data), std::end(data));
            for (int k = 0; k < 10; ++k)
                params.push_back(static_cast<std::uint8_t>(i >> (8 * (k % 4))));
            params.push_back(static_cast<std::uint8_t>(0xC4 - i % 30));
            p = framePacket(0x70, params);
        } else {
            const std::array<std::uint8_t, 5> params = {
                static_cast<std::uint8_t>(i % 2 ? 0x01 : 0x0C), 0x09, 0x09,
                static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)};
            p = framePacket(0x81, params);
        }
        s.bytes.insert(s.bytes.end(), p.begin(), p.end());
    }
    s.lastLine = logLine(p);
    s.linePacketsPerSecond = kLineBytesPerSecond / static_cast<double>(p.size());
    return s;
}

class Pty {
public:
    Pty() {
        std::array<char, 256> name{};
        if (openpty(&master_, &slave_, name.data(), nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        path_ = name.data();
        termios t{};
        for (int fd : {master_, slave_}) {
            tcgetattr(fd, &t);
            cfmakeraw(&t);
            tcsetattr(fd, TCSANOW, &t);
        }
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() {
        ::close(master_);
        ::close(slave_);
    }
    const std::string& path() const { return path_; }
    int master() const { return master_; }
    int slave() const { return slave_; }

    // Writes everything, as fast as the reader takes it, or paced at the line rate.
    void write(const Bytes& bytes, bool paced, const std::atomic<bool>& stop) {
        using clock = std::chrono::steady_clock;
        const auto start = clock::now();
        std::size_t off = 0;
        while (off < bytes.size() && !stop) {
            std::size_t n = bytes.size() - off;
            if (paced) {
                const double due = std::chrono::duration<double>(clock::now() - start).count() *
                                   kLineBytesPerSecond;
                if (static_cast<double>(off) >= due) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    continue;
                }
                n = std::min(n, static_cast<std::size_t>(due) - off + 1);
            }
            const ssize_t w = ::write(master_, bytes.data() + off, n);
            if (w > 0) {
                off += static_cast<std::size_t>(w);
                continue;
            }
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 100); // the reader holds back: wait until it takes more
        }
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

long residentKiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The real window on a pseudo-terminal, the GAP page shown, connected.
class Window {
public:
    Window() {
        DialogOptions options;
        options.startDirectory = dir_.path();
        options.extraPorts = {QString::fromStdString(pty_.path())};
        options.portSource = [] { return QStringList(); };
        dialog_ = std::make_unique<CKelvra_V1_4_TEST_TOOLDlg>(options);
        dialog_->resize(1280, 800);
        dialog_->show();
        dialog_->controls().sheet->setCurrentWidget(&dialog_->pages().gap);
        dialog_->connectOrDisconnect();
        if (!dialog_->connected())
            throw std::runtime_error("the window did not connect");
    }
    ~Window() {
        if (dialog_->connected())
            dialog_->connectOrDisconnect();
    }
    Pty& pty() { return pty_; }
    CKelvra_V1_4_TEST_TOOLDlg& dialog() { return *dialog_; }

    // Runs the window's event loop for `ms` (the views take what they have been given).
    void settle(int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }

    // Runs the window until the log file ends with `line`; false after `boundMs`.
    bool runUntilLogged(const QByteArray& line, int boundMs) {
        QFile file(dialog_->packetLog().filePath());
        QEventLoop loop;
        QTimer poll;
        bool found = false;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!file.isOpen() && !file.open(QIODevice::ReadOnly))
                return;
            const qint64 size = file.size();
            if (size < line.size() || !file.seek(size - line.size()))
                return;
            if (file.read(line.size()) == line) {
                found = true;
                loop.quit();
            }
        });
        poll.start(2);
        QTimer::singleShot(boundMs, &loop, &QEventLoop::quit);
        loop.exec();
        return found;
    }

private:
    QTemporaryDir dir_;
    Pty pty_;
    std::unique_ptr<CKelvra_V1_4_TEST_TOOLDlg> dialog_;
};

constexpr std::size_t kPackets[2] = {400000, 1000000};

void BM_MinimalReader(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const Stream s = makeStream(kind, kPackets[kind]);
    double perSecond = 0;
    for (auto _ : state) {
        Pty pty;
        std::atomic<bool> stop{false};
        std::size_t counted = 0;
        const auto start = std::chrono::steady_clock::now();
        std::thread writer([&] { pty.write(s.bytes, false, stop); });
        // Hunt 0xAA, take the length, skip the packet: count whole packets.
        std::array<std::uint8_t, 65536> buf{};
        int fill = -1;
        std::size_t need = 0;
        std::uint8_t lengthHigh = 0;
        while (counted < s.packets) {
            const ssize_t n = ::read(pty.slave(), buf.data(), buf.size());
            for (ssize_t i = 0; i < n; ++i) {
                const std::uint8_t b = buf[static_cast<std::size_t>(i)];
                if (fill < 0) {
                    fill = b == kStartByte ? 0 : -1;
                } else if (fill == 0) {
                    lengthHigh = b;
                    fill = 1;
                } else if (fill == 1) {
                    need = ((static_cast<std::size_t>(lengthHigh) << 8) | b) + 1;
                    fill = 2;
                } else if (--need == 0) {
                    ++counted;
                    fill = -1;
                }
            }
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        writer.join();
        state.SetIterationTime(seconds);
        perSecond = static_cast<double>(counted) / seconds;
    }
    state.counters["packets_per_s"] = perSecond;
    state.counters["x_line_rate"] = perSecond / s.linePacketsPerSecond;
}
BENCHMARK(BM_MinimalReader)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_WholePath(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const Stream s = makeStream(kind, kPackets[kind]);
    double perSecond = 0;
    long peakKiB = 0;
    for (auto _ : state) {
        Window w;
        std::atomic<bool> stop{false};
        QElapsedTimer run;
        run.start();
        std::thread writer([&] { w.pty().write(s.bytes, false, stop); });
        const bool done = w.runUntilLogged(s.lastLine, 600000);
        const double seconds = static_cast<double>(run.nsecsElapsed()) / 1e9;
        stop = true;
        writer.join();
        if (!done) {
            state.SkipWithError("the last packet did not reach the log file");
            return;
        }
        state.SetIterationTime(seconds);
        perSecond = static_cast<double>(s.packets) / seconds;
        peakKiB = residentKiB();
        state.counters["queue_peak_kib"] =
            static_cast<double>(w.dialog().recordQueue().peakBytes()) / 1024.0;
    }
    state.counters["packets_per_s"] = perSecond;
    state.counters["x_line_rate"] = perSecond / s.linePacketsPerSecond;
    state.counters["rss_mib"] = static_cast<double>(peakKiB) / 1024.0;
}
BENCHMARK(BM_WholePath)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// After the last line is in the log file the views still show what they were given within
// their flush interval; memory is read once they have.
constexpr int kSettleMs = 200;

void BM_Memory(benchmark::State& state) {
    const Stream first = makeStream(0, 100000);
    const Stream rest = makeStream(0, 900000);
    const Stream more = makeStream(0, 1000000);
    QSettings settings(QStringLiteral("nuvex3"), QStringLiteral("nuvex3-tool"));
    if (state.range(0) > 0)
        settings.setValue(ViewLimits::kDecodedRowsKey, static_cast<int>(state.range(0)));
    else
        settings.remove(ViewLimits::kDecodedRowsKey);
    settings.sync();
    for (auto _ : state) {
        Window w;
        if (state.range(1) != 0)
            w.dialog().controls().logTabs->setCurrentWidget(w.dialog().controls().decoded);
        std::atomic<bool> stop{false};
        std::thread writer([&] { w.pty().write(first.bytes, false, stop); });
        const bool a = w.runUntilLogged(first.lastLine, 600000);
        writer.join();
        w.settle(kSettleMs);
        const long after100k = residentKiB();
        std::thread writer2([&] { w.pty().write(rest.bytes, false, stop); });
        const bool b = w.runUntilLogged(rest.lastLine, 600000);
        writer2.join();
        w.settle(kSettleMs);
        const long after1m = residentKiB();
        std::thread writer3([&] { w.pty().write(more.bytes, false, stop); });
        const bool c = w.runUntilLogged(more.lastLine, 600000);
        writer3.join();
        w.settle(kSettleMs);
        const long after2m = residentKiB();
        if (!a || !b || !c) {
            state.SkipWithError("the last packet did not reach the log file");
            return;
        }
        state.counters["rss_after_100k_mib"] = static_cast<double>(after100k) / 1024.0;
        state.counters["rss_after_1m_mib"] = static_cast<double>(after1m) / 1024.0;
        state.counters["rss_after_2m_mib"] = static_cast<double>(after2m) / 1024.0;
        state.counters["growth_mib"] = static_cast<double>(after1m - after100k) / 1024.0;
        state.counters["growth_1m_to_2m_mib"] = static_cast<double>(after2m - after1m) / 1024.0;
    }
    settings.remove(ViewLimits::kDecodedRowsKey);
}
BENCHMARK(BM_Memory)
    ->Args({0, 0})
    ->Args({100000, 0})
    ->Args({0, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_StallAtLineRate(benchmark::State& state) {
    const int seconds = static_cast<int>(state.range(0));
    // Advertising reports, paced at the line rate for the whole run.
    const Stream s = makeStream(0, static_cast<std::size_t>(2003.0 * seconds));
    for (auto _ : state) {
        Window w;
        qint64 longest = 0;
        QElapsedTimer sinceTick;
        QTimer ticker;
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout,
                         [&] { longest = std::max(longest, sinceTick.restart()); });
        std::atomic<bool> stop{false};
        sinceTick.start();
        ticker.start();
        std::thread writer([&] { w.pty().write(s.bytes, true, stop); });
        const bool done = w.runUntilLogged(s.lastLine, (seconds + 30) * 1000);
        stop = true;
        writer.join();
        if (!done) {
            state.SkipWithError("the last packet did not reach the log file");
            return;
        }
        state.counters["longest_tick_gap_ms"] = static_cast<double>(longest);
        state.counters["rss_mib"] = static_cast<double>(residentKiB()) / 1024.0;
    }
}
BENCHMARK(BM_StallAtLineRate)->Arg(60)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The settings the benchmark writes (the decoded row limit) go to a folder of its own,
    // never into the user's settings.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
