// The seven test cases of the "Test Page" as a user runs them against the simulated module
// through the main window: each one's rounds with its exact log and commands, the events
// that drive them, and the ways they fail. The module and the waits run on the test clock.

#include "AutomationTestSupport.h"

#include "app/PageSet.h"
#include "pages/automation/CTestCasePage.h"
#include "pages/automation/ServiceList.h"
#include "sim/Scenario.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

using namespace std::chrono_literals;

const QStringList kRoundOneStart = {kStartLine, "", "--Test Round 1 Start--"};
const QStringList kRoundOneEnd = {"--Test Round 1 Finish--", "", kStopLine};

class TestCasesSim : public ::testing::Test {
protected:
    explicit TestCasesSim(const QString& scenario = {}) : h(scenario) {}

    void SetUp() override {
        h.dialog().show();
        h.window().ui().sheet->setCurrentWidget(&h.pages().testPage);
        h.connect();
    }
    CTestCasePage& page(int n) { return h.pages().testPage.page(n); }
    QStringList lines(int n) { return AutomationHarness::lines(page(n).logView()); }
    bool stopped(int n) { return !page(n).run().running() && lines(n).contains(kStopLine); }
    void start(int n, int rounds = 1) {
        h.pages().testPage.sheet()->setCurrentWidget(&page(n));
        page(n).executionTimesEdit()->setText(QString::number(rounds));
        h.pressTestCaseStart(n);
        ASSERT_TRUE(page(n).run().running());
        EXPECT_EQ(page(n).startButton()->text(), "Stop");
    }
    void runToStop(int n, std::chrono::seconds bound = 900s) {
        ASSERT_TRUE(h.runUntil([&] { return stopped(n); }, bound))
            << lines(n).join('\n').toStdString();
        EXPECT_EQ(page(n).startButton()->text(), "Start");
    }
    // The commands sent since `from` sent lines.
    QStringList sentAfter(qsizetype from) { return h.packets("<-- ").mid(from); }

    AutomationHarness h;
};

TEST_F(TestCasesSim, WakeupSlaveShutsDownWakesAdvertisesAndDisconnectsTheCentral) {
    const qsizetype before = h.packets("<-- ").size();
    start(1);
    runToStop(1);
    EXPECT_EQ(
        lines(1),
        (kRoundOneStart +
         QStringList{"Check Module is enter Idle Mode", "Send \"Into Power down Mode\" command.",
                     "Check Module is enter Shutdown Mode", "Wait for 3 seconds.",
                     "Check Module is enter Idle Mode", "Send \"Into Standby Mode\" command.",
                     "Check Module is enter Standby Mode", "Module is enter Connecteed Mode",
                     "Wait for 3 seconds.", "Send \"Disconnect\" command.",
                     "Check Module is enter Idle Mode"} +
         kRoundOneEnd));
    // Read NUVEX3 Status, Into Shutdown Mode, Read Local Information, Set Adv Enable 01,
    // Disconnect of the central's link.
    EXPECT_EQ(sentAfter(before), QStringList({"<-- 000103", "<-- 000105", "<-- 000101",
                                              "<-- 00021C01", "<-- 00021B01"}));
    // The central paired and was disconnected: the run took both, no message box.
    EXPECT_TRUE(h.prompts().messages().isEmpty()) << h.prompts().messages().join('|').toStdString();
}

TEST_F(TestCasesSim, RoundsRepeatWithTheDelayBetweenThem) {
    page(1).delayEdit()->setText("1");
    start(1, 2);
    runToStop(1);
    const QStringList l = lines(1);
    const int first = static_cast<int>(l.indexOf("--Test Round 1 Finish--"));
    ASSERT_GE(first, 0);
    EXPECT_EQ(l.mid(first, 4), QStringList({"--Test Round 1 Finish--", "Delay 1 Seconds", "",
                                            "--Test Round 2 Start--"}));
    EXPECT_EQ(l.mid(l.size() - 3), QStringList({"--Test Round 2 Finish--", "", kStopLine}));
}

TEST_F(TestCasesSim, EflashCentralTypesTheFixedKeyAndErasesTheBond) {
    const qsizetype before = h.packets("<-- ").size();
    start(3);
    runToStop(3);
    EXPECT_EQ(
        lines(3),
        (kRoundOneStart +
         QStringList{"Check Module is enter Idle Mode", "Send \"LE Create Connection\" command.",
                     "Module is enter BLE Connected Mode", "Send passkey.", "Wait for 3 seconds.",
                     "Send \"Into Shutdown Mode\" command.", "Check Module is enter Shutdown Mode",
                     "Check Module is enter Idle Mode",
                     "Send \"Erase All Paired Device Information\" "
                     "command.",
                     "Module is enter Idle Mode"} +
         kRoundOneEnd));
    EXPECT_EQ(sentAfter(before),
              QStringList({"<-- 000103", "<-- 0009170000112233445566", "<-- 000440010136",
                           "<-- 000440010130", "<-- 000440010132", "<-- 000440010134",
                           "<-- 000440010139", "<-- 000440010131", "<-- 0003400104", "<-- 000105",
                           "<-- 000102", "<-- 000109"}));
    // The pass key request went to nobody: no keypad message.
    EXPECT_TRUE(h.prompts().messages().isEmpty()) << h.prompts().messages().join('|').toStdString();
}

TEST_F(TestCasesSim, EflashPeripheralIsPairedByTheCentralThenErasesTheBond) {
    const qsizetype before = h.packets("<-- ").size();
    start(4);
    runToStop(4);
    EXPECT_EQ(lines(4),
              (kRoundOneStart +
               QStringList{"Check Module is enter Idle Mode", "Send \"Into Standby Mode\" command.",
                           "Check Module is enter Standby Mode", "Wait for 3 seconds.",
                           "Send \"Into Shutdown Mode\" command.",
                           "Check Module is enter Shutdown Mode", "Check Module is enter Idle Mode",
                           "Send \"Erase All Paired Device Information\" "
                           "command.",
                           "Module is enter Idle Mode"} +
               kRoundOneEnd));
    EXPECT_EQ(sentAfter(before), QStringList({"<-- 000103", "<-- 00021C01", "<-- 000105",
                                              "<-- 000102", "<-- 000109"}));
}

TEST_F(TestCasesSim, UpdateIntervalStartedWhileIdleStopsAtTheWrongState) {
    start(5);
    runToStop(5);
    EXPECT_EQ(lines(5),
              (kRoundOneStart + QStringList{"Check NUVEX3 is status",
                                            "Error: Module is in wrong State (9)", "", kStopLine}));
}

TEST_F(TestCasesSim, SdkSlaveConnectsTwiceWithShutdownAndWakeBetween) {
    const qsizetype before = h.packets("<-- ").size();
    start(6);
    runToStop(6);
    EXPECT_EQ(
        lines(6),
        (kRoundOneStart +
         QStringList{"Send \"Reset\" command, check Module is enter Idle Mode.",
                     "Send \"Into Standby Mode\" command, check Module is enter Standby Mode.",
                     "Module is connected.", "Module is disconnected.",
                     "Send \"Into Power down Mode\" command, check Module is enter Shutdown Mode.",
                     "Send \"Reset\" command, check Module wake up and enter Idle Mode",
                     "Send \"Into Standby Mode\" command, check Module is enter Standby Mode.",
                     "Module is connected", "Module is disconnected",
                     "Send \"Erase All Paired Device Information\" command.",
                     "Send \"Into Power down Mode\" command, check Module is enter Shutdown Mode.",
                     "Send \"Reset\" command, Check Module wake up and enter Idle Mode"} +
         kRoundOneEnd));
    EXPECT_EQ(sentAfter(before),
              QStringList({"<-- 000102", "<-- 00021C01", "<-- 000105", "<-- 000102", "<-- 00021C01",
                           "<-- 000109", "<-- 000105", "<-- 000102"}));
    // The central left by itself twice: expected, no message box.
    EXPECT_TRUE(h.prompts().messages().isEmpty()) << h.prompts().messages().join('|').toStdString();
}

// The service lines of the heart rate sensor's table: named where the name is known.
QStringList heartRateServices() {
    QStringList lines;
    const sim::Scenario demo = sim::defaultScenario();
    for (const sim::ServiceDef& service : demo.peers.front().services) {
        QString uuid = "0x";
        for (std::uint8_t b : service.uuid.bytes)
            uuid += QString::asprintf("%02X", b);
        const QString name = service.uuid.is16() ? serviceName(service.uuid.value16()) : QString();
        lines << (name.isEmpty() ? "\t " + uuid : QString("\t %1 (%2)").arg(name, uuid));
    }
    return lines;
}

TEST_F(TestCasesSim, SdkMasterRunsTheWholeFixedSequenceAndListsTheServices) {
    const qsizetype before = h.packets("<-- ").size();
    start(7);
    runToStop(7);
    const QString scan = "Send \"Set Scan Enable\" command, check Module is enter Scanning Mode.";
    const QString connect =
        "Send \"LE Create Connection\" command, check Module is enter Connected Mode.";
    const QString pairing = "Send \"Pairing Request\" command.";
    const QString wait = "Wait for 120 seconds, whether the link can be kept.";
    const QString disconnect = "Send \"Disconnect\" command, check Module is enter Idle Mode.";
    const QString shutdown =
        "Send \"Into Shutdown Mode\" command, check Module is enter Shutdown Mode.";
    const QString wake = "Send \"Reset\" command, Check Module wake up and enter Idle Mode";
    EXPECT_EQ(lines(7), (kRoundOneStart +
                         QStringList{"Send \"Reset\" command, check Module is enter Idle Mode.",
                                     scan, connect, pairing, "Enter passkey \"602491\".",
                                     "Send \"Discover All Primary Service\" command.",
                                     "==Remote supported service list=="} +
                         heartRateServices() +
                         QStringList{"Send \"Connection Parameter Update Req (500ms)\" command.",
                                     wait, disconnect, shutdown, wake, scan, connect, pairing, wait,
                                     disconnect, "Module is disconnected",
                                     "Send \"Erase All Paired Device Information\" command.",
                                     shutdown, wake, "Module is in Idle Mode"} +
                         kRoundOneEnd));
    EXPECT_EQ(AutomationHarness::colourOf(page(7).logView(), "\t Heart Rate (0x180D)"),
              QColor(0, 0, 255));
    const QStringList sent = sentAfter(before);
    EXPECT_EQ(sent.mid(0, 5),
              QStringList({"<-- 000102", "<-- 0003160101", "<-- 00091700000F0E0D0C0B0A",
                           "<-- 00024201", "<-- 000440010136"}));
    EXPECT_TRUE(sent.contains("<-- 00081901019000000C80"));
    EXPECT_EQ(sent.count("<-- 00021B01"), 2);
    EXPECT_EQ(sent.count("<-- 000109"), 1);
}

TEST_F(TestCasesSim, AnAddressTypedInLowerCaseNeverMatchesAReport) {
    page(7).addressEdit()->setText("0a0b0c0d0e0f");
    start(7);
    h.runFor(60s);
    EXPECT_TRUE(page(7).run().running());
    EXPECT_EQ(page(7).run().step(), 2);
    EXPECT_FALSE(h.packets("<-- ").filter("<-- 000917").size() > 0);
    h.pressTestCaseStart(7); // Stop
    EXPECT_EQ(lines(7).last(), kStopLine);
    EXPECT_EQ(page(7).run().step(), 2); // left as it was
}

TEST_F(TestCasesSim, FieldsGetTheirDefaultsBackAndTheAddressIsChecked) {
    CTestCasePage& p = page(2);
    h.pages().testPage.sheet()->setCurrentWidget(&p);
    h.dialog().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&h.dialog()));
    p.executionTimesEdit()->setFocus();
    p.executionTimesEdit()->clear();
    p.delayEdit()->setFocus();
    EXPECT_EQ(p.executionTimesEdit()->text(), "1");
    p.delayEdit()->clear();
    p.addressEdit()->setFocus();
    EXPECT_EQ(p.delayEdit()->text(), "0");
    // Typing: hex digits only, at most 12.
    p.addressEdit()->clear();
    QTest::keyClicks(p.addressEdit(), "0A0B0C0D0E0FAA");
    EXPECT_EQ(p.addressEdit()->text(), "0A0B0C0D0E0F");
    p.addressEdit()->clear();
    QTest::keyClicks(p.addressEdit(), "0A0B0X");
    EXPECT_EQ(p.addressEdit()->text(), "0A0B0");
    EXPECT_TRUE(h.prompts().messages().contains("Input error!! Not Hex mode"));
    h.pressTestCaseStart(2);
    EXPECT_EQ(h.prompts().messages().last(), "Please input 6 bytes for Direct Address");
    EXPECT_FALSE(p.run().running());
    // "Erase Device" of test case 7 sends at once.
    QTest::mouseClick(page(7).eraseButton(), Qt::LeftButton);
    EXPECT_TRUE(h.window().waitForLine("<-- 000109"));
}

TEST_F(TestCasesSim, DisconnectDuringATestCaseStopsItAndDisablesStart) {
    start(7);
    ASSERT_TRUE(h.runUntil(
        [&] { return lines(7).contains("Wait for 120 seconds, whether the link can be kept."); }));
    h.window().pressConnectButton();
    EXPECT_FALSE(page(7).run().running());
    EXPECT_EQ(lines(7).last(), kStopLine);
    for (int n = 1; n <= 7; ++n)
        EXPECT_FALSE(page(n).startButton()->isEnabled());
}

class WakeupMasterSim : public TestCasesSim {
protected:
    WakeupMasterSim() : TestCasesSim(QStringLiteral("wakeup-master")) {}
};

TEST_F(WakeupMasterSim, ThePeerEndsTheLinkAndTheRoundEnds) {
    const qsizetype before = h.packets("<-- ").size();
    start(2, 2);
    runToStop(2);
    const QStringList round = {"Check Module is enter Idle Mode",
                               "Send \"LE Create Connection\" command.",
                               "Module is enter Idle Mode"};
    EXPECT_EQ(lines(2), (kRoundOneStart + round +
                         QStringList{"--Test Round 1 Finish--", "", "--Test Round 2 Start--"} +
                         round + QStringList{"--Test Round 2 Finish--", "", kStopLine}));
    EXPECT_EQ(sentAfter(before), QStringList({"<-- 000103", "<-- 00091700000F0E0D0C0B0A",
                                              "<-- 000103", "<-- 00091700000F0E0D0C0B0A"}));
    EXPECT_TRUE(h.prompts().messages().isEmpty()) << h.prompts().messages().join('|').toStdString();
}

class ConnectedSim : public TestCasesSim {
protected:
    ConnectedSim() : TestCasesSim(QStringLiteral("connected")) {}
};

TEST_F(ConnectedSim, UpdateIntervalAsksForTheFourIntervalsEveryRound) {
    ASSERT_TRUE(h.runUntil([&] { return h.dialog().linkTable().size() == 1; }));
    const qsizetype before = h.packets("<-- ").size();
    start(5, 2);
    runToStop(5);
    const QStringList round = {"Check NUVEX3 is status",
                               "Module is enter Connecteed Mode",
                               "Send \"Connection Parameter Update Req (7.5ms)\" command.",
                               "Wait for 10 seconds.",
                               "Send \"Connection Parameter Update Req (500ms)\" command.",
                               "Wait for 10 seconds.",
                               "Send \"Connection Parameter Update Req (1s)\" command.",
                               "Wait for 10 seconds.",
                               "Send \"Connection Parameter Update Req (2s)\" command."};
    EXPECT_EQ(lines(5), (kRoundOneStart + round +
                         QStringList{"--Test Round 1 Finish--", "", "--Test Round 2 Start--"} +
                         round + QStringList{"--Test Round 2 Finish--", "", kStopLine}));
    EXPECT_EQ(sentAfter(before),
              QStringList({"<-- 000103", "<-- 0008190100060000000A", "<-- 00081901019000000037",
                           "<-- 0008190103200000006E", "<-- 000819010640000000D2", "<-- 000103",
                           "<-- 0008190100060000000A", "<-- 00081901019000000037",
                           "<-- 0008190103200000006E", "<-- 000819010640000000D2"}));
}

// The ways the two SDK test cases fail: the line in red, the run stopped, no message box
// and nothing sent afterwards.

class TestCaseFailuresSim : public TestCasesSim {
protected:
    explicit TestCaseFailuresSim(const QString& scenario) : TestCasesSim(scenario) {}
    void expectFailure(int n, const QString& error) {
        const QStringList l = lines(n);
        EXPECT_EQ(l.mid(l.size() - 3), QStringList({error, "", kStopLine}))
            << l.join('\n').toStdString();
        EXPECT_EQ(AutomationHarness::colourOf(page(n).logView(), error), QColor(255, 0, 0));
        EXPECT_EQ(page(n).startButton()->text(), "Start");
        const QStringList sent = h.packets("<-- ");
        h.runFor(300s);
        EXPECT_EQ(h.packets("<-- "), sent);
        EXPECT_EQ(lines(n), l);
    }
};

class SdkMasterWrongKeySim : public TestCaseFailuresSim {
protected:
    // NVX-AUTO at 333333333333 expects 758214, not the test case's fixed 602491.
    SdkMasterWrongKeySim() : TestCaseFailuresSim(QStringLiteral("auto-test")) {}
};

TEST_F(SdkMasterWrongKeySim, APairingThatFailsEndsTheRunWithoutAMessage) {
    page(7).addressEdit()->setText("333333333333");
    start(7);
    runToStop(7);
    const QStringList l = lines(7);
    ASSERT_GE(l.size(), 4);
    EXPECT_EQ(l.at(l.size() - 4), "Enter passkey \"602491\".");
    expectFailure(7, "Error: Pairing Fail");
    EXPECT_EQ(h.packets("<-- ").last(), "<-- 0003400104"); // the key's "entry completed"
    EXPECT_TRUE(h.prompts().messages().isEmpty()) << h.prompts().messages().join('|').toStdString();
}

class SdkMasterLinkLossSim : public TestCaseFailuresSim {
protected:
    SdkMasterLinkLossSim() : TestCaseFailuresSim(QStringLiteral("link-loss")) {}
};

TEST_F(SdkMasterLinkLossSim, ALinkLostBeforeTheTestsOwnDisconnectIsUnexpected) {
    start(7);
    runToStop(7);
    expectFailure(7, "Error: Module is unexpected Disconnect");
    EXPECT_FALSE(
        lines(7).contains("Send \"Disconnect\" command, check Module is enter Idle Mode."));
    EXPECT_TRUE(h.packets("<-- ").filter("<-- 00021B").isEmpty());
    EXPECT_TRUE(h.prompts().messages().filter("Terminate Connection").isEmpty());
}

class SdkSlavePairingTimeoutSim : public TestCaseFailuresSim {
protected:
    SdkSlavePairingTimeoutSim() : TestCaseFailuresSim(QStringLiteral("pairing-timeout")) {}
};

TEST_F(SdkSlavePairingTimeoutSim, APassKeyNobodyTypesEndsTheRunWhenThePairingTimesOut) {
    start(6);
    runToStop(6);
    const QStringList expected =
        kRoundOneStart +
        QStringList{"Send \"Reset\" command, check Module is enter Idle Mode.",
                    "Send \"Into Standby Mode\" command, check Module is enter Standby Mode.",
                    "Module is connected.",
                    "Error: Pairing Timeout",
                    "",
                    kStopLine};
    EXPECT_EQ(lines(6), expected);
    expectFailure(6, "Error: Pairing Timeout");
    // The test case ignores the pass key request: no keypad, no message.
    EXPECT_TRUE(h.prompts().messages().isEmpty()) << h.prompts().messages().join('|').toStdString();
}

} // namespace
} // namespace nuvex3::test
