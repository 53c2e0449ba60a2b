// The nuvex3-sim program: prints the terminal, links it, serves it, and removes the link
// on SIGTERM; refuses a bad scenario with a clear message.

#include "SimTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace nuvex3::sim {
namespace {

using test::hex;
using test::toHex;

TEST(CommandLine, ServesTheLinkedTerminalUntilTerminated) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath("nuvex3");
    QProcess sim;
    sim.start(SIM_PROGRAM, {"--scenario", SIM_SCENARIO_DIR "/example.json", "--link", link});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(sim.waitForReadyRead(5000));
    const QString path = QString::fromUtf8(sim.readLine()).trimmed();
    EXPECT_TRUE(path.startsWith("/dev/pts/")) << path.toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), path);

    const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    const Bytes readName = hex("AA 00 01 07 F8");
    ASSERT_EQ(::write(fd, readName.data(), readName.size()), 5);
    Bytes answer;
    while (answer.size() < 41) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0)
            break;
        std::uint8_t buf[64];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        answer.insert(answer.end(), buf, buf + n);
    }
    ::close(fd);
    // Power on, idle, then the name "NUVEX3-EXAMPLE".
    EXPECT_EQ(toHex(answer), "AA 00 06 81 00 09 09 09 09 55 AA 00 06 81 09 09 09 09 09 4C "
                             "AA 00 11 80 07 00 4E 55 56 45 58 33 2D 45 58 41 4D 50 4C 45 66");

    sim.terminate(); // SIGTERM
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(link) || QFileInfo(link).isSymLink());
}

TEST(CommandLine, RefusesABadScenarioOrBaudRate) {
    QTemporaryDir dir;
    const QString bad = dir.filePath("bad.json");
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"({"peers": [{"address": "12"}]})");
    f.close();
    QProcess sim;
    sim.start(SIM_PROGRAM, {"--scenario", bad});
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 2);
    EXPECT_EQ(QString::fromUtf8(sim.readAllStandardError()).trimmed().toStdString(),
              "nuvex3-sim: " + bad.toStdString() +
                  ": scenario.peers[0].address: expected 12 hexadecimal digits");

    sim.start(SIM_PROGRAM, {"--baud", "fast"});
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 2);
    EXPECT_EQ(QString::fromUtf8(sim.readAllStandardError()).trimmed(),
              "nuvex3-sim: --baud needs a positive number");
}

} // namespace
} // namespace nuvex3::sim
