// The pseudo-terminal server with raw frames: power-on reports, answers, restart, and a
// clock-driven scan.

#include "SimTestSupport.h"

#include "link/Clock.h"
#include "sim/PtySimulator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace nuvex3::sim {
namespace {

using namespace std::chrono_literals;
using test::hex;
using test::toHex;

// The tool's side of the line, opened like a serial port.
class Line {
public:
    explicit Line(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
        termios t{};
        ::tcgetattr(fd_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd_, TCSANOW, &t); // no flush: bytes already sent stay readable
    }
    ~Line() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    void write(const Bytes& b) { ASSERT_EQ(::write(fd_, b.data(), b.size()), ssize_t(b.size())); }
    // Reads exactly n bytes, or what came before the line stayed quiet for `quiet`.
    Bytes read(std::size_t n, std::chrono::milliseconds quiet = 5s) {
        Bytes out;
        while (out.size() < n) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(quiet.count())) <= 0)
                break;
            std::uint8_t buf[256];
            const ssize_t got = ::read(fd_, buf, std::min(sizeof buf, n - out.size()));
            if (got <= 0)
                break;
            out.insert(out.end(), buf, buf + got);
        }
        return out;
    }

private:
    int fd_;
};

TEST(PtySimulator, ReportsPowerOnAndAnswersCommands) {
    PtySimulator sim(test::smallScenario());
    QString error;
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();
    EXPECT_TRUE(sim.running());
    EXPECT_THAT(sim.slavePath(), ::testing::StartsWith("/dev/pts/"));
    Line line(sim.slavePath());
    ASSERT_TRUE(line.ok());
    EXPECT_EQ(toHex(line.read(20)), "AA 00 06 81 00 09 09 09 09 55 AA 00 06 81 09 09 09 09 09 4C");
    line.write(hex("AA 00 01 07 F8"));
    EXPECT_EQ(toHex(line.read(10)), "AA 00 06 80 07 00 53 49 4D 8A");
    line.write(hex("AA 00 01 07 00")); // damaged on the way
    EXPECT_EQ(toHex(line.read(7)), "AA 00 03 80 00 FF 7E");
    EXPECT_EQ(sim.bytesReceived(), 10u);
}

TEST(PtySimulator, AfterStopStartPowersAFreshModuleOnTheSameTerminal) {
    PtySimulator sim(test::smallScenario());
    ASSERT_TRUE(sim.start(nullptr));
    const std::string path = sim.slavePath();
    Line line(path);
    EXPECT_EQ(line.read(20).size(), 20u);
    line.write(hex("AA 00 02 1C 01 E1")); // standby
    EXPECT_EQ(toHex(line.read(17)), "AA 00 03 80 1C 00 61 AA 00 06 81 03 09 09 09 09 52");
    sim.stop();
    EXPECT_FALSE(sim.running());
    sim.stop(); // twice is harmless
    ASSERT_TRUE(sim.start(nullptr));
    EXPECT_EQ(sim.slavePath(), path);
    EXPECT_EQ(toHex(line.read(20)), "AA 00 06 81 00 09 09 09 09 55 AA 00 06 81 09 09 09 09 09 4C");
}

TEST(PtySimulator, TimedBehaviourFollowsTheInstalledClock) {
    ManualClock manual;
    ScopedClock scoped(manual);
    Scenario s = test::smallScenario();
    s.module.powerOnReport = false;
    PtySimulator sim(s);
    ASSERT_TRUE(sim.start(nullptr));
    Line line(sim.slavePath());
    line.write(hex("AA 00 03 16 01 01 E5"));
    EXPECT_EQ(toHex(line.read(17)), "AA 00 03 80 16 00 67 AA 00 06 81 01 09 09 09 09 54");
    EXPECT_TRUE(line.read(1, 50ms).empty()); // no report before the time has come
    manual.advance(5ms);
    EXPECT_EQ(toHex(line.read(21)),
              "AA 00 11 70 00 00 0F 0E 0D 0C 0B 0A 06 02 01 06 02 09 41 C4 15");
}

} // namespace
} // namespace nuvex3::sim
