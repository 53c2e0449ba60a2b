// The auto test run as a user starts it from the "Auto Test" page, against the simulated
// module through the main window's routing: the rounds, the exact log and the exact
// commands on the wire, each way a run fails, Stop during the long wait and Disconnect
// during a run. The module and the waits run on the test clock.

#include "AutomationTestSupport.h"

#include "app/PageSet.h"
#include "pages/automation/CPageAutoTest.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

using namespace std::chrono_literals;

const QString kPeer = QStringLiteral("333333333333"); // NVX-AUTO, pass key 758214

class AutoTestRunSim : public ::testing::Test {
protected:
    explicit AutoTestRunSim(const QString& scenario = QStringLiteral("auto-test")) : h(scenario) {}

    void SetUp() override {
        h.dialog().show();
        h.window().ui().sheet->setCurrentWidget(&page());
        h.connect();
    }
    CPageAutoTest& page() { return h.pages().autoTest; }
    QTextEdit* log() { return page().controls().log; }
    QStringList lines() { return AutomationHarness::lines(log()); }
    bool stopped() { return !page().run().running() && lines().contains(kStopLine); }
    // Loads the settings as a script, sets the rounds and presses "Start".
    void start(const AutoTestSettings& s, int rounds = 1) {
        h.loadScript(h.writeIni("run.ini", s));
        page().controls().executionTimes->setText(QString::number(rounds));
        h.pressStart();
        ASSERT_TRUE(page().run().running());
        EXPECT_EQ(page().controls().start->text(), "Stop");
    }
    void runToStop(std::chrono::seconds bound = 900s) {
        ASSERT_TRUE(h.runUntil([&] { return stopped(); }, bound))
            << lines().join('\n').toStdString();
        EXPECT_EQ(page().controls().start->text(), "Start");
    }

    AutomationHarness h;
};

TEST_F(AutoTestRunSim, OneRoundWithoutOptionalStepsLogsExactlyThePartsExample) {
    start(AutoTestSettings{});
    runToStop();
    EXPECT_EQ(lines(), QStringList({kStartLine, "", "--Test Round 1 Start--", kResetLine, kScanLine,
                                    kConnectLine, kWaitLine, kDisconnectLine,
                                    "--Test Round 1 Finish--", "", kStopLine}));
    // Each step's command on the wire: Reset, Set Scan Enable 01 01, LE Create Connection
    // to 333333333333 (least significant byte first), Disconnect of the link's handle.
    EXPECT_EQ(h.packets("<-- "), QStringList({"<-- 000102", "<-- 0003160101",
                                              "<-- 0009170000333333333333", "<-- 00021B01"}));
}

TEST_F(AutoTestRunSim, EveryOptionalStepTwoRoundsAndTheFileInChunksOf20) {
    AutoTestSettings s;
    s.pairing = true;
    s.applyPairingRule(); // Reconnection, second Disconnect, Erase Paired Device
    s.sendData = true;
    s.sendFile =
        h.writeFile("send.txt", QByteArray("0123456789ABCDEFGHIJ0123456789ABCDEFGHIJ+-*/=")); // 45
    s.updateParameters = true;
    s.interval = "0190";
    s.timeout = "0C80";
    s.discover = true;
    s.shutdown = true;
    s.wakeUp = true;
    s.pairing2 = true;
    s.shutdown2 = true;
    start(s, 2);
    runToStop(1800s);
    const QStringList l = lines();
    EXPECT_EQ(l.filter("--Test Round").size(), 4);
    EXPECT_TRUE(l.contains("--Test Round 2 Finish--"));
    EXPECT_EQ(l.indexOf("--Test Round 2 Finish--") + 2, l.indexOf(kStopLine));
    EXPECT_EQ(l.count("Enter passkey \"758214\""), 2);
    EXPECT_EQ(l.count("Send \"Pairing Request\" command."), 4);
    EXPECT_EQ(l.count(kWaitLine), 4);
    EXPECT_EQ(l.count("Module is disconnected"), 2);
    EXPECT_EQ(l.count("Send \"Reset\" command, Check Module wake up and enter Idle Mode"), 2);
    // The services found are listed under their heading, known ones by name, in blue.
    const int heading = l.indexOf("==Remote supported service list==");
    ASSERT_GE(heading, 0);
    EXPECT_EQ(l.value(heading + 1), "\t Generic Access (0x1800)");
    EXPECT_TRUE(l.contains("\t Heart Rate (0x180D)"));
    EXPECT_EQ(AutomationHarness::colourOf(log(), "\t Heart Rate (0x180D)"), QColor(0, 0, 255));

    const QStringList sent = h.packets("<-- ");
    // The pass key, digit by digit, then "entry completed"; the chunks 20, 20 and 5.
    const QStringList key = {"<-- 000440010137", "<-- 000440010135", "<-- 000440010138",
                             "<-- 000440010132", "<-- 000440010131", "<-- 000440010134",
                             "<-- 0003400104"};
    const int k = static_cast<int>(sent.indexOf(key.first()));
    ASSERT_GE(k, 0);
    EXPECT_EQ(sent.mid(k, 7), key);
    EXPECT_EQ(sent.filter("<-- 0004350101").size(), 2); // Enable Transparent h 01 01
    const QStringList chunks =
        sent.filter("<-- 00163F01").mid(0, 2) + sent.filter("<-- 00073F01").mid(0, 1);
    EXPECT_EQ(chunks,
              QStringList({"<-- 00163F01" + QByteArray("0123456789ABCDEFGHIJ").toHex().toUpper(),
                           "<-- 00163F01" + QByteArray("0123456789ABCDEFGHIJ").toHex().toUpper(),
                           "<-- 00073F01" + QByteArray("+-*/=").toHex().toUpper()}));
    EXPECT_EQ(sent.filter("3F01").size(), 6); // 3 chunks in each round
    EXPECT_EQ(sent.count("<-- 00081901019000000C80"), 2);
    EXPECT_EQ(sent.count("<-- 00023001"), 2);
    EXPECT_EQ(sent.count("<-- 000105"), 4); // both shutdowns of both rounds
    EXPECT_EQ(sent.count("<-- 000109"), 2);
    EXPECT_EQ(page().run().fileOffset(), 0);
    EXPECT_TRUE(h.prompts().messages().isEmpty()) << h.prompts().messages().join('|').toStdString();
}

TEST_F(AutoTestRunSim, AnEndlessRunKeepsRepeatingAndItsLogStaysShort) {
    start(AutoTestSettings{}, 0); // "Execution Times" 0: until Stop
    ASSERT_TRUE(h.runUntil([&] { return page().run().currentRound() > 16; }, 5000s))
        << lines().join('\n').toStdString();
    EXPECT_TRUE(page().run().running());
    // Above 5000 characters the oldest 4000 go: the log never holds much more than that,
    // and the newest round is still in it.
    const QString text = log()->toPlainText();
    EXPECT_LE(text.size(), 5000 + 200);
    EXPECT_GE(text.size(), 1000);
    EXPECT_TRUE(lines().contains("--Test Round 16 Finish--"));
    EXPECT_FALSE(lines().contains("--Test Round 1 Finish--"));
    EXPECT_FALSE(lines().contains(kStartLine));
    QTest::mouseClick(page().controls().start, Qt::LeftButton);
    EXPECT_EQ(lines().last(), kStopLine);
}

TEST_F(AutoTestRunSim, APairingWithoutPassKeyWhileTheKeyStepWaitsMeansARecordExists) {
    // Bonds are not erased: the second round's pairing completes without a key.
    AutoTestSettings s;
    s.pairing = true;
    s.applyPairingRule();
    s.erasePaired = false;
    start(s, 2);
    runToStop(1800s);
    const QStringList l = lines();
    EXPECT_TRUE(l.contains("--Test Round 1 Finish--"));
    EXPECT_FALSE(l.contains("--Test Round 2 Finish--"));
    EXPECT_EQ(l.mid(l.size() - 3), QStringList({"Error: Pairing record exists", "", kStopLine}));
    EXPECT_EQ(AutomationHarness::colourOf(log(), "Error: Pairing record exists"),
              QColor(255, 0, 0));
    EXPECT_FALSE(h.prompts().messages().contains("Pairing Complete with Connection Handle(0x01)"));
}

TEST_F(AutoTestRunSim, AStateOtherThanTheExpectedOneEndsTheRun) {
    // No Disconnect step: the shutdown step finds the module still connected.
    AutoTestSettings s;
    s.disconnect = false;
    s.shutdown = true;
    start(s);
    runToStop();
    const QStringList l = lines();
    EXPECT_EQ(l.mid(l.size() - 3),
              QStringList({"Error: Module is in wrong State (12)", "", kStopLine}));
    EXPECT_EQ(AutomationHarness::colourOf(log(), "Error: Module is in wrong State (12)"),
              QColor(0, 0, 0));
    EXPECT_FALSE(h.packets("<-- ").contains("<-- 000105"));
}

TEST_F(AutoTestRunSim, AMissingSendFileEndsTheRunAtItsStep) {
    AutoTestSettings s;
    s.sendData = true;
    s.sendFile = h.writeFile("gone.txt", "x");
    QFile::remove(s.sendFile);
    start(s);
    runToStop();
    const QStringList l = lines();
    EXPECT_EQ(l.mid(l.size() - 3),
              QStringList({"Error: Can not open the send file", "", kStopLine}));
    EXPECT_EQ(AutomationHarness::colourOf(log(), "Error: Can not open the send file"),
              QColor(255, 0, 0));
    EXPECT_TRUE(h.packets("<-- ").filter("3F01").isEmpty());
}

TEST_F(AutoTestRunSim, StopDuringTheLongWaitStopsAtOnceAndSendsNothingMore) {
    start(AutoTestSettings{});
    ASSERT_TRUE(h.runUntil([&] { return lines().contains(kWaitLine); }));
    h.runFor(30s);
    QTest::mouseClick(page().controls().start, Qt::LeftButton);
    EXPECT_FALSE(page().run().running());
    EXPECT_EQ(lines().last(), kStopLine);
    const QStringList before = h.packets("<-- ");
    h.runFor(200s); // well past the end of the 120 seconds
    EXPECT_EQ(h.packets("<-- "), before);
    EXPECT_FALSE(lines().contains(kDisconnectLine));
    EXPECT_EQ(lines().last(), kStopLine);
    // The link is still up: Start again runs a fresh round from Reset.
    h.pressStart();
    ASSERT_TRUE(h.runUntil([&] { return lines().size() >= 4; }));
    EXPECT_EQ(lines().mid(0, 4),
              QStringList({kStartLine, "", "--Test Round 1 Start--", kResetLine}));
    EXPECT_TRUE(h.runUntil([&] { return stopped(); }));
}

TEST_F(AutoTestRunSim, DisconnectDuringARunEndsItSafely) {
    start(AutoTestSettings{});
    ASSERT_TRUE(h.runUntil([&] { return lines().contains(kWaitLine); }));
    h.window().pressConnectButton();
    EXPECT_FALSE(h.dialog().connected());
    EXPECT_FALSE(page().run().running());
    EXPECT_EQ(lines().last(), kStopLine);
    EXPECT_FALSE(page().controls().start->isEnabled());
    h.runFor(200s);
    EXPECT_FALSE(lines().contains(kDisconnectLine));
}

class AutoTestLinkFailures : public AutoTestRunSim {
protected:
    AutoTestLinkFailures() : AutoTestRunSim(QStringLiteral("link-loss")) {}
};

TEST_F(AutoTestLinkFailures, ALinkLostWhileTheTestWaitsIsAnUnexpectedDisconnect) {
    AutoTestSettings s;
    s.address = "0A0B0C0D0E0F";
    start(s);
    runToStop();
    const QStringList l = lines();
    const QString error = "Error: Module is unexpected Disconnect (0x08)";
    EXPECT_EQ(l.mid(l.size() - 3), QStringList({error, "", kStopLine}));
    EXPECT_EQ(AutomationHarness::colourOf(log(), error), QColor(255, 0, 0));
    EXPECT_FALSE(l.contains(kDisconnectLine));
    EXPECT_TRUE(h.packets("<-- ").filter("<-- 00021B").isEmpty());
    // The run took the event: no message box.
    EXPECT_TRUE(h.prompts().messages().filter("Terminate Connection").isEmpty());
}

class AutoTestFailedLink : public AutoTestRunSim {
protected:
    AutoTestFailedLink() : AutoTestRunSim(QStringLiteral("failed-link")) {}
};

TEST_F(AutoTestFailedLink, ALinkThatFailsToBeEstablishedAsksForARestart) {
    AutoTestSettings s;
    s.address = "0A0B0C0D0E0F";
    start(s);
    runToStop();
    const QString error = "Connection Failed to be Established(0x3E), please restart the test.";
    EXPECT_EQ(lines().mid(lines().size() - 3), QStringList({error, "", kStopLine}));
    EXPECT_EQ(AutomationHarness::colourOf(log(), error), QColor(255, 0, 0));
}

} // namespace
} // namespace nuvex3::test
