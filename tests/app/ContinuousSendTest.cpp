// Continuous send: script lines as commands, each next one after a successful Command
// Complete, for a number of rounds; Stop and Disconnect in the middle of a run; and the
// window's return to disconnected when the port goes away.

#include "AppTestSupport.h"
#include "PtyPair.h"

#include "app/ContinuousSend.h"
#include "app/PacketLog.h"
#include "link/Clock.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <sstream>

namespace nuvex3::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

const QString kFinish = QStringLiteral("Continuius_send Finish");

class ContinuousSendRun : public ::testing::Test {
protected:
    void SetUp() override {
        h.connectTo(QString::fromStdString(pty.slavePath()));
        ASSERT_TRUE(h.dialog().connected());
    }

    void loadScript(const QByteArray& text) {
        const QString path = h.directory() + "/script.txt";
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        h.prompts().queueOpenFile(path);
        QTest::mouseClick(h.ui().loadScript, Qt::LeftButton);
        ASSERT_TRUE(h.ui().continuousSend->isEnabled());
    }

    void start(const QString& rounds) {
        h.ui().repeatRounds->setText(rounds);
        QTest::mouseClick(h.ui().continuousSend, Qt::LeftButton);
    }

    // The next n bytes on the wire; the clock moves on so the step's delay passes.
    Bytes next(std::size_t n) {
        Bytes got;
        waitFor([&] {
            clock.advance(10ms);
            const Bytes b = pty.read(n - got.size(), 1ms);
            got.insert(got.end(), b.begin(), b.end());
            return got.size() >= n;
        });
        return got;
    }

    // Whatever arrives while the clock moves a good second on.
    Bytes rest() {
        Bytes got;
        for (int i = 0; i < 20; ++i) {
            clock.advance(60ms);
            QCoreApplication::processEvents();
            const Bytes b = pty.drain(5ms);
            got.insert(got.end(), b.begin(), b.end());
        }
        return got;
    }

    void answer(std::uint8_t opcode) { pty.write(framePacket(0x80, Bytes{opcode, 0x00})); }

    // Answers once the step that sent the command has ended; the next step then waits for
    // its delay, which passes only when the test moves the clock.
    void answerAndWaitForTheNextStep(std::uint8_t opcode) {
        ASSERT_TRUE(waitFor([&] { return !h.dialog().continuousSend().stepUnderWay(); }));
        answer(opcode);
        ASSERT_TRUE(waitFor([&] { return h.dialog().continuousSend().stepUnderWay(); }));
    }

    ManualClock clock;
    ScopedClock scoped{clock};
    PtyPair pty;
    MainWindowHarness h;
};

TEST_F(ContinuousSendRun, ThreeLinesTwoRoundsSendSixCommandsAndFinishOnce) {
    loadScript("01\n\n 1A 2B 3C\r\n0A2B3\n");
    start("2");
    EXPECT_EQ(h.ui().continuousSend->text(), "Stop");
    const std::vector<Bytes> expected = {framePacket(0x01, Bytes{}),
                                         framePacket(0x1A, Bytes{0x2B, 0x3C}),
                                         framePacket(0x0A, Bytes{0x2B})};
    for (int round = 0; round < 2; ++round) {
        for (const Bytes& command : expected) {
            ASSERT_EQ(next(command.size()), command);
            if (&command != &expected.back() || round == 0) {
                EXPECT_EQ(h.countMessages(kFinish), 0);
                answer(command[3]);
            }
        }
    }
    // Right after the sixth command, before its answer.
    ASSERT_TRUE(waitFor([&] { return h.countMessages(kFinish) == 1; }));
    EXPECT_TRUE(waitFor([&] { return h.ui().continuousSend->text() == "Continuous Send"; }));
    answer(0x0A);
    EXPECT_TRUE(rest().empty());
    EXPECT_EQ(h.countMessages(kFinish), 1);
    EXPECT_EQ(h.prompts().icons(), QList<PromptIcon>({PromptIcon::Information}));
    EXPECT_FALSE(h.dialog().continuousSend().running());
}

TEST_F(ContinuousSendRun, AnErrorStatusHoldsTheRunUntilStop) {
    loadScript("01\n02\n");
    start("1");
    ASSERT_EQ(next(5), framePacket(0x01, Bytes{}));
    pty.write(framePacket(0x80, Bytes{0x01, 0x0C}));
    ASSERT_TRUE(waitFor([&] { return h.prompts().messages().size() == 1; }));
    EXPECT_EQ(h.prompts().messages().first(), "Command(0x01) Error: \nCommand Disallowed (0x0C)");
    EXPECT_TRUE(rest().empty());
    EXPECT_TRUE(h.dialog().continuousSend().running());
    QTest::mouseClick(h.ui().continuousSend, Qt::LeftButton);
    EXPECT_EQ(h.ui().continuousSend->text(), "Continuous Send");
    EXPECT_FALSE(h.dialog().continuousSend().running());
    EXPECT_TRUE(rest().empty());
    EXPECT_EQ(h.countMessages(kFinish), 0);
}

TEST_F(ContinuousSendRun, StopWhileAStepWaitsSendsNothingMore) {
    loadScript("01\n02\n03\n");
    start("0");
    ASSERT_EQ(next(5), framePacket(0x01, Bytes{}));
    answerAndWaitForTheNextStep(0x01);
    QTest::mouseClick(h.ui().continuousSend, Qt::LeftButton);
    EXPECT_EQ(h.ui().continuousSend->text(), "Continuous Send");
    EXPECT_TRUE(rest().empty());
    EXPECT_EQ(h.countMessages(kFinish), 0);
}

TEST_F(ContinuousSendRun, DisconnectInTheMiddleOfARunSendsNothingAfterIt) {
    loadScript("01\n02\n03\n");
    start("0");
    ASSERT_EQ(next(5), framePacket(0x01, Bytes{}));
    answerAndWaitForTheNextStep(0x01);
    h.pressConnectButton();
    EXPECT_FALSE(h.dialog().connected());
    EXPECT_EQ(h.ui().continuousSend->text(), "Continuous Send");
    EXPECT_FALSE(h.ui().continuousSend->isEnabled());
    EXPECT_FALSE(h.dialog().continuousSend().running());
    EXPECT_TRUE(rest().empty());

    // Connecting again does not resume the run.
    h.connectTo(QString::fromStdString(pty.slavePath()));
    ASSERT_TRUE(h.dialog().connected());
    answer(0x02);
    EXPECT_TRUE(rest().empty());
}

TEST_F(ContinuousSendRun, AScriptThatCannotBeReadIsReported) {
    h.prompts().queueOpenFile(h.directory() + "/missing.txt");
    QTest::mouseClick(h.ui().loadScript, Qt::LeftButton);
    EXPECT_EQ(h.prompts().messages(), QStringList({" Open File Failed "}));
    EXPECT_FALSE(h.ui().continuousSend->isEnabled());
    EXPECT_EQ(h.prompts().fileFilters(), QStringList({"TXT FILE(*.TXT)"}));
}

TEST(ScriptLines, BlanksAreRemovedAndLinesBecomeCommands) {
    std::istringstream in("01\n\n  \n 0 2 0 3 \r\n1A2B3\n5\n");
    const auto lines = parseScript(in);
    EXPECT_EQ(lines, (std::vector<std::string>{"01", "0203", "1A2B3", "5"}));

    EXPECT_EQ(scriptCommand("01").opcode, 0x01);
    EXPECT_TRUE(scriptCommand("01").params.empty());
    // Five characters: one parameter counted, converted from three digits.
    EXPECT_EQ(scriptCommand("1A2B3").opcode, 0x1A);
    EXPECT_EQ(scriptCommand("1A2B3").params, Bytes({0x2B}));
    // A line of one digit has no parameters.
    EXPECT_EQ(scriptCommand("5").opcode, 0x05);
    EXPECT_TRUE(scriptCommand("5").params.empty());
    // Non-hex characters are skipped; the count still follows the length.
    EXPECT_EQ(scriptCommand("10ZZ01").params, Bytes({0x01, 0x00}));
}

TEST(LostPort, AClosedTerminalReturnsTheWindowToDisconnectedWithOneMessage) {
    auto pty = std::make_unique<PtyPair>();
    MainWindowHarness h;
    h.connectTo(QString::fromStdString(pty->slavePath()));
    ASSERT_TRUE(h.dialog().connected());
    h.writeRaw("01", "");
    ASSERT_EQ(pty->read(5), framePacket(0x01, Bytes{}));
    pty->write(framePacket(0x80, Bytes{0x01, 0x00}));
    ASSERT_TRUE(h.waitForLine("--> 0003800100"));

    pty->closeMaster();
    ASSERT_TRUE(waitFor([&] { return !h.dialog().connected(); }));
    EXPECT_TRUE(waitFor([&] { return !h.prompts().messages().isEmpty(); }));
    EXPECT_EQ(h.prompts().messages(), QStringList({"Error in Communications!"}));
    EXPECT_EQ(h.ui().connect->text(), "Connect");
    EXPECT_EQ(h.dialog().layer(), nullptr);
    EXPECT_FALSE(h.ui().writeData->isEnabled());
    EXPECT_TRUE(h.ui().port->isEnabled());
    EXPECT_FALSE(h.dialog().packetLog().fileOpen());
    QFile log(h.directory() + "/" + h.logFiles().first());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray lines = log.readAll();
    EXPECT_TRUE(lines.contains("<-- 000101\r\n--> 0003800100\r\n")) << lines.toStdString();

    // A port that is there again connects as before.
    pty = std::make_unique<PtyPair>();
    h.connectTo(QString::fromStdString(pty->slavePath()));
    ASSERT_TRUE(h.dialog().connected());
    h.writeRaw("02", "");
    EXPECT_EQ(pty->read(5), framePacket(0x02, Bytes{}));
    EXPECT_EQ(h.prompts().messages().size(), 1);
}

} // namespace
} // namespace nuvex3::test
