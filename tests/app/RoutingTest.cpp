// What the window does with the module's events, played on a pseudo-terminal: the module
// status combos, the link table and its copies in the pages, and the messages of errors,
// disconnections, pairing and configure mode.

#include "AppTestSupport.h"
#include "PtyPair.h"

#include "app/MainTimers.h"
#include "app/PacketLog.h"
#include "app/PageSet.h"
#include "link/Clock.h"

#include <QComboBox>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <algorithm>

namespace nuvex3::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Handles = std::vector<std::uint8_t>;

class Routing : public ::testing::Test {
protected:
    void SetUp() override {
        h.connectTo(QString::fromStdString(pty.slavePath()));
        ASSERT_TRUE(h.dialog().connected());
    }

    // Sends an event and waits until the window has handled it: a packet the layer does
    // not decode follows it, and the window handles records in the order the layer reports
    // them, so once that packet is in the log every record of the event has been routed.
    void event(std::uint8_t code, const Bytes& params) {
        pty.write(framePacket(code, params));
        const Bytes sync = framePacket(0xEE, Bytes{++syncCount});
        pty.write(sync);
        const Bytes afterStart(sync.begin() + 1, sync.end() - 1);
        ASSERT_TRUE(h.waitForLine("--> " + QString::fromStdString(bytesToHexText(afterStart))));
    }
    static std::string bytesToHexText(const Bytes& b) {
        std::string s;
        for (auto v : b) {
            static const char* d = "0123456789ABCDEF";
            s += d[v >> 4];
            s += d[v & 15];
        }
        return s;
    }
    void status(std::uint8_t state) { event(0x81, {state}); }
    void status(std::uint8_t state, Bytes links) {
        links.insert(links.begin(), state);
        event(0x81, links);
    }
    void connectionComplete(std::uint8_t handle, std::uint8_t status = 0) {
        event(0x71, {status, handle, 0x00, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, handle, 0x00, 0x28,
                     0x00, 0x00, 0x01, 0xF4});
    }
    std::vector<CPageBase*> allPages() { return h.dialog().pages().all(); }

    PtyPair pty;
    MainWindowHarness h;
    std::uint8_t syncCount = 0;
};

TEST_F(Routing, StatusReportsSelectTheCombosByPrefix) {
    auto status0 = h.ui().status;
    // Length 2: the module state only; the link combos stay as they are.
    status(0x01);
    EXPECT_EQ(status0[0]->currentText(), "0x01: Scanning Mode");
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(status0[i]->currentIndex(), -1);

    status(0x09, {0x0C, 0x09, 0x08, 0x00});
    EXPECT_EQ(status0[0]->currentText(), "0x09: Idle Mode.");
    EXPECT_EQ(status0[1]->currentText(), "0x0c: BLE Connected Mode");
    EXPECT_EQ(status0[2]->currentText(), "0x09: Idle Mode.");
    EXPECT_EQ(status0[3]->currentText(), "0x08: Transparent Service Enabled Mode");
    EXPECT_EQ(status0[4]->currentText(), "0x00: Poawer On");

    // A state without an entry leaves the combo without selection.
    status(0x04);
    EXPECT_EQ(status0[0]->currentIndex(), -1);
    EXPECT_EQ(status0[1]->currentText(), "0x0c: BLE Connected Mode");
}

TEST_F(Routing, LinkTableFollowsConnectionsAndEveryPageHoldsACopy) {
    connectionComplete(0x00);
    connectionComplete(0x01);
    EXPECT_EQ(h.dialog().linkTable(), Handles({0x00, 0x01}));
    for (CPageBase* page : allPages())
        EXPECT_EQ(page->linkTable(), Handles({0x00, 0x01})) << page->caption().toStdString();

    event(0x72, {0x00, 0x13});
    EXPECT_EQ(h.dialog().linkTable(), Handles({0x01}));
    for (CPageBase* page : allPages())
        EXPECT_EQ(page->linkTable(), Handles({0x01})) << page->caption().toStdString();
    EXPECT_EQ(h.prompts().messages(),
              QStringList({"Terminate Connection Handle: 0x00\nReason: Remote User Terminated "
                           "Connection(0x13)"}));

    // A handle the table does not hold changes nothing; the reason text may be empty.
    event(0x72, {0x07, 0x04});
    EXPECT_EQ(h.dialog().linkTable(), Handles({0x01}));
    EXPECT_EQ(h.prompts().messages().last(), "Terminate Connection Handle: 0x07\nReason: (0x04)");
}

TEST_F(Routing, FailedConnectionShowsItsErrorAndLeavesTheTableAlone) {
    connectionComplete(0x02, 0x3E);
    EXPECT_TRUE(h.dialog().linkTable().empty());
    EXPECT_EQ(
        h.prompts().messages(),
        QStringList({"Create Connection Error: \nConnection Failed to be Established (0x3E)"}));
    EXPECT_TRUE(h.dialog().pages().gap.linkRecords().empty());
}

TEST_F(Routing, AllIdleStatusForgetsEveryLinkExceptThePassKeyAndAutoTestCopies) {
    connectionComplete(0x00);
    connectionComplete(0x01);
    EXPECT_TRUE(h.dialog().timers().throughputActive());

    // Scanning is not idle.
    status(0x01, {0x09, 0x09, 0x09, 0x09});
    EXPECT_EQ(h.dialog().linkTable(), Handles({0x00, 0x01}));
    // The state alone says nothing about the links.
    status(0x09);
    EXPECT_EQ(h.dialog().linkTable(), Handles({0x00, 0x01}));

    status(0x03, {0x09, 0x09, 0x09, 0x09});
    EXPECT_TRUE(h.dialog().linkTable().empty());
    PageSet& pages = h.dialog().pages();
    for (CPageBase* page : pages.clearedWhenIdle())
        EXPECT_TRUE(page->linkTable().empty()) << page->caption().toStdString();
    EXPECT_EQ(pages.passKey.linkTable(), Handles({0x00, 0x01}));
    EXPECT_EQ(pages.autoTest.linkTable(), Handles({0x00, 0x01}));
    EXPECT_TRUE(pages.gap.linkRecords().empty());
    EXPECT_FALSE(h.dialog().timers().throughputActive());
}

TEST_F(Routing, ErrorMessagesOfCommandsChecksumsPairingAndConfigureMode) {
    event(0x80, {0x16, 0x12});
    event(0x80, {0x00, 0xFF});
    event(0x80, {0x16, 0xFF});
    event(0x80, {0x10, 0x04, 0x00});
    event(0x61, {0x01, 0x00});
    event(0x61, {0x01, 0x01});
    event(0x61, {0x01, 0x02});
    event(0x8F, {0x01});
    event(0x8F, {0x00});
    // A packet whose checksum is wrong: logged as received, then the message.
    pty.write({0xAA, 0x00, 0x02, 0x81, 0x09, 0x00});
    ASSERT_TRUE(h.waitForLine("--> 00028109"));
    ASSERT_TRUE(waitFor([&] { return h.prompts().messages().size() == 10; }));
    EXPECT_EQ(
        h.prompts().messages(),
        QStringList({"Command(0x16) Error: \nInvalid Command Parameters (0x12)",
                     "UART Checksum Error [TX]", "Command(0x16) Error: \nUnknown error (0xFF)",
                     "Command(0x10) Error: \nUnknown error (0x04)",
                     "Pairing Complete with Connection Handle(0x01)", "Pairing Fail",
                     "Pairing Timeout", "Configure Mode is Enable", "Configure Mode is Disable",
                     "UART Checksum Error [RX]"}));
}

TEST(RoutingTimeout, ACommandWithoutAnswerIsLoggedInRed) {
    ManualClock clock;
    ScopedClock scoped(clock);
    PtyPair pty;
    MainWindowHarness h;
    h.connectTo(QString::fromStdString(pty.slavePath()));
    ASSERT_TRUE(h.dialog().connected());
    h.writeRaw("01", "");
    ASSERT_EQ(pty.read(5), framePacket(0x01, Bytes{}));
    ASSERT_TRUE(h.waitForLine("<-- 000101"));
    clock.advance(std::chrono::seconds(11));
    ASSERT_TRUE(h.waitForLine("No response to command 0x01"));
    const auto lines = logLines(h.ui().logView);
    const auto it = std::find_if(lines.begin(), lines.end(), [](const LogLine& l) {
        return l.text == "No response to command 0x01";
    });
    ASSERT_NE(it, lines.end());
    EXPECT_EQ(it->colour, QColor(255, 0, 0));
}

} // namespace
} // namespace nuvex3::test
