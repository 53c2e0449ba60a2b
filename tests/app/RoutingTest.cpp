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
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>
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
    // A link ended by a user is news, a link lost otherwise a fault.
    event(0x72, {0x01, 0x16});
    EXPECT_EQ(h.prompts().icons(),
              QList<PromptIcon>(
                  {PromptIcon::Information, PromptIcon::Exclamation, PromptIcon::Information}));
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
    EXPECT_TRUE(pages.transparent.receiveTable().empty());
    EXPECT_FALSE(h.dialog().timers().throughputActive());
}

// A tool that shows "BLE Connected Mode" with no port open reports a wrong state: after
// Disconnect and after the port was lost nothing the module reported is shown any more.
TEST_F(Routing, DisconnectAndALostPortEmptyTheStatusAndTheLinkInformation) {
    CPageGAP& gap = h.dialog().pages().gap;
    const auto moduleReportsALink = [&] {
        status(0x0C, {0x0C, 0x09, 0x09, 0x09});
        connectionComplete(0x01);
        ASSERT_EQ(h.ui().status[0]->currentText(), "0x0c: BLE Connected Mode");
        ASSERT_EQ(h.ui().status[1]->currentText(), "0x0c: BLE Connected Mode");
        gap.flushLinkInfo(); // the page's next refresh
        ASSERT_EQ(gap.handleCombo()->currentText(), "01");
        ASSERT_EQ(gap.addressEdit()->text(), "015544332211");
        ASSERT_EQ(gap.timeoutEdit()->text(), "01F4");
    };
    const auto expectNothingShown = [&](const char* after) {
        for (QComboBox* combo : h.ui().status) {
            EXPECT_EQ(combo->currentIndex(), -1) << after;
            EXPECT_EQ(combo->currentText(), "") << after;
        }
        EXPECT_EQ(gap.handleCombo()->count(), 0) << after;
        for (QLineEdit* e : {gap.roleEdit(), gap.addressTypeEdit(), gap.addressEdit(),
                             gap.intervalEdit(), gap.latencyEdit(), gap.timeoutEdit()})
            EXPECT_EQ(e->text(), "") << after;
        EXPECT_TRUE(gap.linkRecords().empty()) << after;
        EXPECT_TRUE(h.dialog().linkTable().empty()) << after;
        EXPECT_TRUE(gap.linkTable().empty()) << after;
        EXPECT_TRUE(h.dialog().pages().transparent.receiveTable().empty()) << after;
        EXPECT_FALSE(h.dialog().timers().throughputActive()) << after;
    };

    moduleReportsALink();
    h.pressConnectButton();
    ASSERT_FALSE(h.dialog().connected());
    expectNothingShown("Disconnect");

    h.pressConnectButton();
    ASSERT_TRUE(h.dialog().connected());
    moduleReportsALink();
    pty.closeMaster();
    ASSERT_TRUE(waitFor([&] { return !h.dialog().connected(); }));
    EXPECT_TRUE(h.prompts().messages().contains("Error in Communications!"));
    expectNothingShown("port lost");
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
    // Successes and news with the information icon, errors with the warning icon.
    constexpr PromptIcon info = PromptIcon::Information, warning = PromptIcon::Exclamation;
    EXPECT_EQ(h.prompts().icons(), QList<PromptIcon>({warning, warning, warning, warning, info,
                                                      warning, warning, info, info, warning}));
}

// Received transparent data: one entry and one file per link, in the start directory.
class ReceivedData : public InstalledClock, public Routing {
protected:
    void data(std::uint8_t handle, const std::string& bytes) {
        Bytes params{handle};
        params.insert(params.end(), bytes.begin(), bytes.end());
        event(0x9A, params);
    }
    ReceiveTable& table() { return h.dialog().pages().transparent.receiveTable(); }
    CPageTransparent& page() { return h.dialog().pages().transparent; }
    ReceiveEntry entry(const QString& handle) {
        const auto e = table().find(handle);
        EXPECT_TRUE(e.has_value()) << handle.toStdString();
        return e.value_or(ReceiveEntry{});
    }
    static QByteArray contents(const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return f.readAll();
    }
    static void write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
};

TEST_F(ReceivedData, EachLinkWritesItsDataToItsOwnFileAndCountsIt) {
    connectionComplete(0x05);
    ASSERT_EQ(table().size(), 1u);
    ReceiveEntry e = entry("05");
    EXPECT_EQ(QFileInfo(e.receivedPath).absolutePath(),
              QFileInfo(h.directory()).absoluteFilePath());
    EXPECT_TRUE(QRegularExpression("^BLE_Data-05-\\d{8}_\\d{6}\\.txt$")
                    .match(QFileInfo(e.receivedPath).fileName())
                    .hasMatch())
        << e.receivedPath.toStdString();
    EXPECT_TRUE(QFileInfo::exists(e.receivedPath));
    EXPECT_EQ(contents(e.receivedPath), QByteArray());
    EXPECT_EQ(e.bytesReceived, 0u);
    EXPECT_EQ(e.totalTime, "Total Time :");
    EXPECT_TRUE(h.dialog().timers().throughputActive());

    data(0x05, std::string("ab\0c", 4));
    e = entry("05");
    EXPECT_EQ(contents(e.receivedPath), QByteArray("ab\0c", 4));
    EXPECT_EQ(e.bytesReceived, 4u);
    EXPECT_EQ(e.totalTime, "Total Time :  00:00.0");
    EXPECT_EQ(page().compareResult(), "Compare Result :");

    // Whole hours are dropped from the total time.
    clock.advance(std::chrono::milliseconds(3'723'045));
    data(0x05, "xyz");
    e = entry("05");
    EXPECT_EQ(contents(e.receivedPath), QByteArray("ab\0cxyz", 7));
    EXPECT_EQ(e.bytesReceived, 7u);
    EXPECT_EQ(e.totalTime, "Total Time :  02:03.45");
    EXPECT_EQ(e.lastTick - e.startTick, 3'723'045);

    // Data for a link without an entry is dropped; without "Compare Enable" no compare.
    data(0x06, "lost");
    EXPECT_EQ(table().size(), 1u);
    EXPECT_EQ(contents(e.receivedPath), QByteArray("ab\0cxyz", 7));
    EXPECT_EQ(QDir(h.directory()).entryList({"BLE_Data-*"}, QDir::Files).size(), 1);
    EXPECT_FALSE(h.dialog().timers().compareActive());
    EXPECT_TRUE(h.prompts().messages().isEmpty());
}

TEST_F(ReceivedData, DisconnectionRemovesTheEntryAndTheLastOneStopsTheThroughputTimer) {
    connectionComplete(0x00);
    connectionComplete(0x01);
    EXPECT_EQ(table().size(), 2u);
    event(0x72, {0x00, 0x13});
    ASSERT_EQ(table().size(), 1u);
    EXPECT_EQ(table().first()->handle, "01");
    EXPECT_TRUE(h.dialog().timers().throughputActive());
    event(0x72, {0x01, 0x13});
    EXPECT_TRUE(table().empty());
    EXPECT_FALSE(h.dialog().timers().throughputActive());
}

TEST_F(ReceivedData, AFileThatCannotBeOpenedIsReportedAndTheBytesStillCount) {
    connectionComplete(0x02);
    const QString path = entry("02").receivedPath;
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkdir(path));
    data(0x02, "hi");
    EXPECT_EQ(h.prompts().messages(), QStringList({"Open Receive File Fail , data: hi"}));
    EXPECT_EQ(entry("02").bytesReceived, 2u);
}

TEST_F(ReceivedData, CompareEmptiesAnEqualFileAndNamesBothFilesOfADifferentOne) {
    connectionComplete(0x03);
    connectionComplete(0x04);
    const QString reference = QDir(h.directory()).filePath("sent.txt");
    write(reference, "hello");
    table().setReferencePath("03", reference);
    page().setCompareEnabled(true);
    const QString received = entry("03").receivedPath;

    // The compare runs 5 s after the last data, on the clock.
    data(0x03, "hel");
    EXPECT_TRUE(h.dialog().timers().compareActive());
    EXPECT_EQ(h.dialog().timers().compareDeadline(), clock.now() + std::chrono::seconds(5));
    clock.advance(std::chrono::seconds(2));
    data(0x03, "lo");
    EXPECT_EQ(h.dialog().timers().compareDeadline(), clock.now() + std::chrono::seconds(5));
    clock.advance(std::chrono::seconds(5));
    ASSERT_TRUE(waitFor([&] { return page().compareResult() == "Compare Result : Pass"; }));
    EXPECT_FALSE(h.dialog().timers().compareActive());
    EXPECT_EQ(contents(received), QByteArray());
    EXPECT_EQ(entry("03").startTick, clock.tickMs());
    EXPECT_EQ(entry("03").lastTick, clock.tickMs());
    EXPECT_TRUE(h.prompts().messages().isEmpty());

    data(0x03, "help!");
    EXPECT_EQ(page().compareResult(), "Compare Result :");
    clock.advance(std::chrono::seconds(5));
    ASSERT_TRUE(waitFor([&] { return page().compareResult() == "Compare Result : Fail"; }));
    EXPECT_EQ(h.prompts().messages(),
              QStringList({"Compare Fail (Connection Handle:03) \nReceive File Path: " + received +
                           "\nCompare File Path: " + reference}));
    EXPECT_EQ(contents(received), QByteArray("help!"));

    // Without a reference file the compare fails; it always takes the first entry.
    event(0x72, {0x03, 0x13});
    const QString second = entry("04").receivedPath;
    emit h.dialog().timers().compareDue();
    EXPECT_EQ(page().compareResult(), "Compare Result : Fail");
    EXPECT_EQ(h.prompts().messages().last(),
              "Compare Fail (Connection Handle:04) \nReceive File Path: " + second +
                  "\nCompare File Path: ");
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
