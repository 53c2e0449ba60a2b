// The command layer end to end on a pseudo-terminal: line settings, every command's bytes
// on the wire, the queue rules, the command time-out, a lost port and closing while the
// module keeps sending.

#include "LinkTestSupport.h"
#include "PtyPair.h"

#include "link/CKelvra_CmdSet_Layer.h"
#include "link/Clock.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <optional>
#include <thread>

namespace nuvex3 {
namespace {

using test::hex;
using test::toHex;
using ::testing::ElementsAre;

std::vector<std::uint8_t> commandComplete(std::uint8_t command, std::uint8_t status = 0) {
    const std::array<std::uint8_t, 2> p{command, status};
    return framePacket(0x80, p);
}

class LayerOnPty : public ::testing::Test {
protected:
    test::PtyPair pty;
    test::EventLog events;
    test::MessageLog messages;
    // The clock outlives the layer: its threads may be waiting on it until it is gone.
    ManualClock manual;
    std::optional<ScopedClock> manualClock;
    std::unique_ptr<CKelvra_CmdSet_Layer> layer;

    void useManualClock() { manualClock.emplace(manual); }
    void TearDown() override { layer.reset(); }

    void open(LayerSettings s = {}) {
        s.portName = pty.slavePath();
        layer = std::make_unique<CKelvra_CmdSet_Layer>(s, events.callback(), messages.sink());
        ASSERT_TRUE(layer->Connect());
        ASSERT_TRUE(layer->portOpen());
    }

    // Bytes the layer wrote, exactly n of them (bounded wait on the pty).
    std::string wire(std::size_t n) { return toHex(pty.read(n)); }

    // The module answers `command` and the layer has taken the answer in.
    void answer(std::uint8_t command) {
        const std::size_t before = events.count(kKindCommandComplete);
        pty.write(commandComplete(command));
        ASSERT_TRUE(events.waitForCount(kKindCommandComplete, before + 1));
    }

    termios slaveTermios() {
        const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        ::tcgetattr(fd, &t);
        ::close(fd);
        return t;
    }
};

TEST_F(LayerOnPty, OpensTheNamedPortWithTheChosenLineSettings) {
    LayerSettings s;
    s.baudRate = 921600;
    s.parity = 2; // even
    s.stopBits = 2;
    s.hardwareFlowControl = true;
    open(s);
    const termios t = slaveTermios();
    EXPECT_EQ(cfgetispeed(&t), B921600);
    EXPECT_EQ(cfgetospeed(&t), B921600);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    // Even parity (a pseudo-terminal clears PARENB itself; parity checking stays on).
    EXPECT_FALSE(t.c_cflag & PARODD);
    EXPECT_FALSE(t.c_cflag & CMSPAR);
    EXPECT_TRUE(t.c_iflag & INPCK);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    // Bytes with framing errors and breaks are dropped by the driver.
    EXPECT_TRUE(t.c_iflag & IGNPAR);
    EXPECT_TRUE(t.c_iflag & IGNBRK);
    EXPECT_TRUE(messages.texts().empty());
}

TEST_F(LayerOnPty, ParityChoicesAndOneStopBit) {
    struct Case {
        std::uint8_t parity;
        bool enabled, odd, mark;
    };
    for (const Case c : {Case{0, false, false, false}, Case{1, true, true, false},
                         Case{3, true, true, true}, Case{4, true, false, true}}) {
        LayerSettings s;
        s.parity = c.parity;
        open(s);
        const termios t = slaveTermios();
        EXPECT_EQ(static_cast<bool>(t.c_iflag & INPCK), c.enabled) << int(c.parity);
        EXPECT_EQ(static_cast<bool>(t.c_cflag & PARODD), c.odd) << int(c.parity);
        EXPECT_EQ(static_cast<bool>(t.c_cflag & CMSPAR), c.mark) << int(c.parity);
        EXPECT_FALSE(t.c_cflag & CSTOPB);
        EXPECT_FALSE(t.c_cflag & CRTSCTS);
        EXPECT_EQ(cfgetospeed(&t), B115200);
        layer.reset();
    }
}

TEST_F(LayerOnPty, OpenFailureShowsTheMessageWithThePortName) {
    LayerSettings s;
    s.portName = "/dev/nuvex3-no-such-port";
    CKelvra_CmdSet_Layer l(s, events.callback(), messages.sink());
    EXPECT_FALSE(l.Connect());
    EXPECT_FALSE(l.portOpen());
    EXPECT_THAT(messages.texts(), ElementsAre("Open /dev/nuvex3-no-such-port Fail!"));
    // Sending tries to open again under the stored name and fails the same way.
    EXPECT_TRUE(l.ReadLocalInformation()); // the command layer reports true whatever
    EXPECT_EQ(messages.texts().size(), 2u);
    EXPECT_EQ(events.count(kKindCommandSent), 1u);
}

TEST_F(LayerOnPty, BytesFromTheModuleArriveAsCallbacks) {
    open();
    pty.write(hex("55 AA 00 02 81 09 74"));
    ASSERT_TRUE(events.waitForCount(kKindStatusReport, 1));
    const auto ev = events.events();
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].kind, kKindPacketReceived);
    EXPECT_EQ(toHex(test::head(ev[0].record, 5)), "00 02 81 09 74");
    EXPECT_EQ(ev[1].kind, kKindStatusReport);
    EXPECT_EQ(toHex(test::head(ev[1].record, 5)), "00 02 81 09 74");
}

TEST_F(LayerOnPty, GoldenCommandsOnTheWire) {
    open();
    EXPECT_TRUE(layer->ReadLocalInformation());
    EXPECT_EQ(wire(5), "AA 00 01 01 FE");
    answer(0x01);
    EXPECT_TRUE(layer->Reset());
    EXPECT_EQ(wire(5), "AA 00 01 02 FD");
    // The command record is reported with kind 0 before it goes out.
    const auto ev = events.events();
    ASSERT_GE(ev.size(), 1u);
    EXPECT_EQ(ev.front().kind, kKindCommandSent);
    EXPECT_EQ(toHex(test::head(ev.front().record, 3)), "00 00 01");
}

// Each row: the operation, and its opcode and parameters as they must leave.
struct WireCase {
    const char* name;
    std::function<bool(CKelvra_CmdSet_Layer&)> op;
    const char* packet; // without start byte, length and checksum: opcode + parameters
};

const Address kAddr{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const std::vector<std::uint8_t> kUuid16{0x2A, 0x00};
const std::vector<std::uint8_t> kUuid128{0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                                         0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
const std::vector<std::uint8_t> kData{0xDE, 0xAD, 0xBE};

std::vector<WireCase> wireCases() {
    using L = CKelvra_CmdSet_Layer;
    return {
        {"ReadLocalInformation", [](L& l) { return l.ReadLocalInformation(); }, "01"},
        {"Reset", [](L& l) { return l.Reset(); }, "02"},
        {"ReadStatus", [](L& l) { return l.ReadStatus(); }, "03"},
        {"ReadADCValue", [](L& l) { return l.ReadADCValue(0x05); }, "04 05"},
        {"IntoShutdownMode", [](L& l) { return l.IntoShutdownMode(); }, "05"},
        {"DebugRead",
         [](L& l) {
             return l.DebugCommand(0x01, 0x10, {0x12, 0x34}, kData);
         },
         "06 01 10 12 34"},
        {"DebugReadFlash",
         [](L& l) {
             return l.DebugCommand(0x03, 0x08, {0x80, 0x00}, kData);
         },
         "06 03 08 80 00"},
        {"DebugWrite",
         [](L& l) {
             return l.DebugCommand(0x02, 0x03, {0x12, 0x34}, kData);
         },
         "06 02 03 12 34 DE AD BE"},
        {"DebugWriteShortData",
         [](L& l) {
             return l.DebugCommand(0x04, 0x04, {0x00, 0x10}, kData);
         },
         "06 04 04 00 10 DE AD BE 00"},
        {"ReadDeviceName", [](L& l) { return l.ReadDeviceName(); }, "07"},
        {"WriteDeviceName",
         [](L& l) {
             const std::string n = "NUV";
             return l.WriteDeviceName(
                 std::span(reinterpret_cast<const std::uint8_t*>(n.data()), n.size()));
         },
         "08 00 4E 55 56"},
        {"EraseAllPaired", [](L& l) { return l.EraseAllPairedDeviceInformation(); }, "09"},
        {"ReadPairingMode", [](L& l) { return l.ReadPairingModeSetting(); }, "0A"},
        {"WritePairingMode", [](L& l) { return l.WritePairingModeSetting(0x03); }, "0B 00 03"},
        {"ReadAllPaired", [](L& l) { return l.ReadAllPairedDeviceInformation(); }, "0C"},
        {"DeletePaired", [](L& l) { return l.DeletePairedDevice(0x02); }, "0D 02"},
        {"DIOControl",
         [](L& l) {
             return l.DIOControl({0x01, 0x02, 0x03, 0x04}, {0x11, 0x12, 0x13, 0x14},
                                 {0x21, 0x22, 0x23, 0x24});
         },
         "0E 01 02 03 04 11 12 13 14 21 22 23 24"},
        {"PWMOn", [](L& l) { return l.PWMControl(0x01, 0x01, 0x02, 0x1234, 0x0567, 0x01); },
         "0F 01 01 02 12 34 05 67 01"},
        {"PWMOff", [](L& l) { return l.PWMControl(0x01, 0x00, 0x02, 0x1234, 0x0567, 0x01); },
         "0F 01 00"},
        {"ReadRSSI", [](L& l) { return l.ReadRSSIValue(0x80); }, "10 80"},
        {"WriteAdvData", [](L& l) { return l.WriteAdvData(0x01, kData); }, "11 01 DE AD BE"},
        {"WriteScanResData", [](L& l) { return l.WriteScanResData(0x00, kData); },
         "12 00 DE AD BE"},
        {"SetAdvertisingParameter",
         [](L& l) { return l.SetAdvertisingParameter(0x0640, 0x01, 0x00, kAddr); },
         "13 06 40 01 00 55 44 33 22 11 00"},
        {"SetScanParameters", [](L& l) { return l.SetScanParameters(0x0010, 0x0020, 0x01); },
         "15 00 10 00 20 01"},
        {"SetScanEnable", [](L& l) { return l.SetScanEnable(0x01, 0x00); }, "16 01 00"},
        {"LECreateConnection", [](L& l) { return l.LECreateConnection(0x00, 0x01, kAddr); },
         "17 00 01 55 44 33 22 11 00"},
        {"LECreateConnectionCancel", [](L& l) { return l.LECreateConnectionCancel(); }, "18"},
        {"ConnectionParameterUpdate",
         [](L& l) { return l.ConnectionParameterUpdateReq(0x80, 0x0006, 0x0001, 0x01F4); },
         "19 80 00 06 00 01 01 F4"},
        {"Disconnect", [](L& l) { return l.Disconnect(0x80); }, "1B 80"},
        {"SetAdvEnable", [](L& l) { return l.SetAdvEnable(0x02); }, "1C 02"},
        {"ReadRemoteDeviceName", [](L& l) { return l.ReadRemoteDeviceName(0x80); }, "1F 80"},
        {"DiscoverAllPrimaryService", [](L& l) { return l.DiscoverAllPrimaryService(0x80); },
         "30 80"},
        {"DiscoverSpecific16",
         [](L& l) {
             return l.DiscoverCharacteristicsAndDescriptors(0x80, UuidKind::Bits16, kUuid16);
         },
         "31 80 00 2A"},
        {"DiscoverSpecific128",
         [](L& l) {
             return l.DiscoverCharacteristicsAndDescriptors(0x80, UuidKind::Bits128, kUuid128);
         },
         "31 80 0F 0E 0D 0C 0B 0A 09 08 07 06 05 04 03 02 01 00"},
        {"DiscoverSpecificNoUuid",
         [](L& l) {
             return l.DiscoverCharacteristicsAndDescriptors(0x80, UuidKind::None, kUuid16);
         },
         "31 80"},
        {"ReadCharacteristicsValue", [](L& l) { return l.ReadCharacteristicsValue(0x80, 0x0012); },
         "32 80 00 12"},
        {"ReadUsingUuid16",
         [](L& l) { return l.ReadUsingCharacteristicsUUID(0x80, UuidKind::Bits16, kUuid16); },
         "33 80 00 2A"},
        {"ReadUsingUuid128",
         [](L& l) { return l.ReadUsingCharacteristicsUUID(0x80, UuidKind::Bits128, kUuid128); },
         "33 80 0F 0E 0D 0C 0B 0A 09 08 07 06 05 04 03 02 01 00"},
        {"WriteCharacteristicsValue",
         [](L& l) { return l.WriteCharacteristicsValue(0x80, 0x01, 0x0012, kData); },
         "34 80 01 00 12 DE AD BE"},
        {"EnableTransparent", [](L& l) { return l.EnableTransparent(0x80, 0x01, 0x00); },
         "35 80 01 00"},
        {"SendCharacteristicValue",
         [](L& l) { return l.SendCharacteristicValue(0x80, 0x0102, kData); },
         "38 80 01 02 DE AD BE"},
        {"UpdateCharacteristicValue",
         [](L& l) { return l.UpdateCharacteristicValue(0x0102, kData); }, "39 01 02 DE AD BE"},
        {"ReadLocalCharacteristicValue",
         [](L& l) { return l.ReadLocalCharacteristicValue(0x0102); }, "3A 01 02"},
        {"ReadLocalAllPrimaryService", [](L& l) { return l.ReadLocalAllPrimaryService(); }, "3B"},
        {"ReadLocalSpecific16",
         [](L& l) { return l.ReadLocalSpecificPrimaryService(UuidKind::Bits16, kUuid16); },
         "3C 2A 00"},
        {"ReadLocalSpecific128",
         [](L& l) { return l.ReadLocalSpecificPrimaryService(UuidKind::Bits128, kUuid128); },
         "3C 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"},
        {"SendWriteResponse", [](L& l) { return l.SendWriteResponse(0x80, 0x12, 0x0034, 0x03); },
         "3D 80 12 00 34 03"},
        {"SendTransparentData", [](L& l) { return l.SendTransparentData(0x80, kData); },
         "3F 80 DE AD BE"},
        {"PasskeyEntryDigit", [](L& l) { return l.PasskeyEntryReply(0x80, 0x01, 0x37); },
         "40 80 01 37"},
        {"PasskeyEntryOther", [](L& l) { return l.PasskeyEntryReply(0x80, 0x02, 0x37); },
         "40 80 02"},
        {"PasskeyConfirmReply", [](L& l) { return l.PasskeyConfirmReply(0x80, 0x01); }, "41 80 01"},
        {"PairingRequest", [](L& l) { return l.PairingRequest(0x80); }, "42 80"},
    };
}

TEST_F(LayerOnPty, EveryCommandOperationPutsItsExactBytesOnTheWire) {
    open();
    for (const WireCase& c : wireCases()) {
        SCOPED_TRACE(c.name);
        const auto body = hex(c.packet);
        const auto expected =
            framePacket(body[0], std::span(body).subspan(1)); // framing has its own golden test
        ASSERT_TRUE(c.op(*layer));
        EXPECT_EQ(wire(expected.size()), toHex(expected));
        answer(body[0]);
        if (body[0] == 0x02 || body[0] == 0x03) { // answered by a Status Report
            const std::size_t n = events.count(kKindStatusReport);
            pty.write(hex("AA 00 02 81 09 74"));
            ASSERT_TRUE(events.waitForCount(kKindStatusReport, n + 1));
        }
    }
    EXPECT_TRUE(messages.texts().empty());
}

TEST_F(LayerOnPty, SecondCommandWaitsForTheFirstOnesCommandComplete) {
    open();
    EXPECT_TRUE(layer->ReadLocalInformation());
    EXPECT_TRUE(layer->ReadDeviceName());
    EXPECT_TRUE(layer->ReadPairingModeSetting());
    EXPECT_EQ(wire(5), "AA 00 01 01 FE");
    EXPECT_EQ(layer->queuedCommands(), 2u);
    // 0x18 and 0x40 bypass the queue while a command waits.
    EXPECT_TRUE(layer->LECreateConnectionCancel());
    EXPECT_EQ(wire(5), "AA 00 01 18 E7");
    EXPECT_TRUE(layer->PasskeyEntryReply(0x80, 0x01, 0x35));
    EXPECT_EQ(wire(8), "AA 00 04 40 80 01 35 06");
    EXPECT_EQ(layer->queuedCommands(), 2u);
    // Each Command Complete lets exactly the next one out, in issue order.
    pty.write(commandComplete(0x01));
    EXPECT_EQ(wire(5), "AA 00 01 07 F8");
    pty.write(commandComplete(0x07));
    EXPECT_EQ(wire(5), "AA 00 01 0A F5");
    EXPECT_EQ(layer->queuedCommands(), 0u);
}

TEST_F(LayerOnPty, ConnectionAndDisconnectionCompleteAlsoPumpTheQueue) {
    open();
    EXPECT_TRUE(layer->LECreateConnection(0, 0, kAddr));
    EXPECT_EQ(wire(13), toHex(hex("AA 00 09 17 00 00 55 44 33 22 11 00 E1")));
    EXPECT_TRUE(layer->ReadRSSIValue(0x80));
    EXPECT_TRUE(layer->Disconnect(0x80));
    pty.write(framePacket(0x71, hex("00 80 00 00 55 44 33 22 11 00 00 06 00 00 01 F4")));
    EXPECT_EQ(wire(6), "AA 00 02 10 80 6E");
    pty.write(framePacket(0x72, hex("80 13")));
    EXPECT_EQ(wire(6), "AA 00 02 1B 80 63");
}

TEST_F(LayerOnPty, PairingCompleteClearsWithoutPumping) {
    open();
    EXPECT_TRUE(layer->PairingRequest(0x80));
    EXPECT_EQ(wire(6), "AA 00 02 42 80 3C");
    EXPECT_TRUE(layer->ReadRSSIValue(0x80)); // queued behind the pairing request
    pty.write(framePacket(0x61, hex("80 00")));
    ASSERT_TRUE(events.waitForCount(kKindPairingComplete, 1));
    EXPECT_FALSE(layer->awaitingResponse());
    EXPECT_EQ(layer->queuedCommands(), 1u); // nothing pumped
    EXPECT_TRUE(layer->Disconnect(0x80));   // the queue is not empty: it waits too
    EXPECT_EQ(layer->queuedCommands(), 2u);
    pty.write(commandComplete(0x16));
    EXPECT_EQ(wire(6), "AA 00 02 10 80 6E");
    pty.write(commandComplete(0x10));
    EXPECT_EQ(wire(6), "AA 00 02 1B 80 63");

    // With an empty queue, a command issued after Pairing Complete goes out at once.
    pty.write(commandComplete(0x1B));
    ASSERT_TRUE(events.waitForCount(kKindCommandComplete, 3));
    EXPECT_TRUE(layer->PairingRequest(0x80));
    EXPECT_EQ(wire(6), "AA 00 02 42 80 3C");
    pty.write(framePacket(0x61, hex("80 01")));
    ASSERT_TRUE(events.waitForCount(kKindPairingComplete, 2));
    EXPECT_TRUE(layer->ReadRSSIValue(0x81));
    EXPECT_EQ(wire(6), "AA 00 02 10 81 6D");
}

TEST_F(LayerOnPty, ResetTwiceSendsOnePacketUntilTheStatusReport) {
    open();
    EXPECT_TRUE(layer->Reset());
    EXPECT_TRUE(layer->Reset()); // skipped: one is pending
    EXPECT_EQ(layer->queuedCommands(), 0u);
    EXPECT_EQ(wire(5), "AA 00 01 02 FD");
    pty.write(hex("AA 00 02 81 09 74"));
    ASSERT_TRUE(events.waitForCount(kKindStatusReport, 1));
    // Both flags are clear now: the next Reset goes out, and nothing went out between.
    EXPECT_TRUE(layer->LECreateConnectionCancel());
    EXPECT_EQ(wire(5), "AA 00 01 18 E7");
    pty.write(commandComplete(0x18));
    ASSERT_TRUE(events.waitForCount(kKindCommandComplete, 1));
    EXPECT_TRUE(layer->Reset());
    EXPECT_EQ(wire(5), "AA 00 01 02 FD");
    EXPECT_EQ(events.count(kKindCommandSent), 3u);
}

TEST_F(LayerOnPty, StatusReportAnsweringReadStatusPumpsTwice) {
    open();
    EXPECT_TRUE(layer->ReadStatus());
    EXPECT_TRUE(layer->ReadStatus()); // pending: skipped
    EXPECT_EQ(wire(5), "AA 00 01 03 FC");
    EXPECT_TRUE(layer->ReadRSSIValue(0x80));
    EXPECT_TRUE(layer->Disconnect(0x80));
    EXPECT_EQ(layer->queuedCommands(), 2u);
    pty.write(hex("AA 00 02 81 09 74"));
    // One pump for the report, a second one because it answered Read NUVEX3 Status.
    EXPECT_EQ(wire(12), "AA 00 02 10 80 6E AA 00 02 1B 80 63");
    EXPECT_EQ(layer->queuedCommands(), 0u);
}

TEST_F(LayerOnPty, UnansweredCommandTimesOutAndLetsTheQueueGo) {
    useManualClock();
    open();
    EXPECT_TRUE(layer->ReadDeviceName());
    EXPECT_TRUE(layer->Reset());
    EXPECT_EQ(wire(5), "AA 00 01 07 F8");
    manual.advance(std::chrono::milliseconds(9999));
    EXPECT_TRUE(layer->awaitingResponse());
    EXPECT_EQ(events.count(kKindCommandTimeout), 0u);
    manual.advance(std::chrono::milliseconds(1));
    ASSERT_TRUE(events.waitForCount(kKindCommandTimeout, 1));
    EXPECT_EQ(wire(5), "AA 00 01 02 FD");
    const auto ev = events.events();
    const auto timeout = std::find_if(
        ev.begin(), ev.end(), [](const test::Event& e) { return e.kind == kKindCommandTimeout; });
    EXPECT_EQ(toHex(test::head(timeout->record, 3)), "00 00 07");
    // The Reset times out too: its pending flag is cleared so a later Reset is sent.
    manual.advance(std::chrono::seconds(10));
    ASSERT_TRUE(events.waitForCount(kKindCommandTimeout, 2));
    EXPECT_TRUE(layer->Reset());
    EXPECT_EQ(wire(5), "AA 00 01 02 FD");
}

TEST_F(LayerOnPty, AnAnswerInTimeDisarmsTheTimeOut) {
    useManualClock();
    open();
    EXPECT_TRUE(layer->ReadDeviceName());
    EXPECT_EQ(wire(5), "AA 00 01 07 F8");
    answer(0x07);
    manual.advance(std::chrono::seconds(60));
    EXPECT_TRUE(layer->ReadPairingModeSetting());
    EXPECT_EQ(wire(5), "AA 00 01 0A F5");
    // The second command's clock starts at its own send.
    manual.advance(std::chrono::seconds(9));
    answer(0x0A);
    manual.advance(std::chrono::seconds(9));
    EXPECT_EQ(events.count(kKindCommandTimeout), 0u);
}

TEST_F(LayerOnPty, LostPortIsReportedOnceAndClosesThePort) {
    std::atomic<int> lostCalls{0};
    LayerSettings s;
    s.portName = pty.slavePath();
    layer = std::make_unique<CKelvra_CmdSet_Layer>(s, events.callback(), messages.sink());
    layer->setPortLostHandler([&] { ++lostCalls; });
    ASSERT_TRUE(layer->Connect());
    pty.closeMaster();
    ASSERT_TRUE(messages.waitFor(1));
    EXPECT_THAT(messages.texts(), ElementsAre("Error in Communications!"));
    EXPECT_TRUE(layer->portLost());
    EXPECT_FALSE(layer->portOpen());
    EXPECT_EQ(lostCalls.load(), 1);
    layer.reset(); // closes and joins cleanly
    EXPECT_EQ(messages.texts().size(), 1u);
}

TEST_F(LayerOnPty, DestroyingTheLayerWhileTheModuleKeepsSendingIsSafe) {
    open();
    std::atomic<bool> stop{false};
    std::thread module([&] { // writes whenever the line takes bytes, until told to stop
        const auto report = framePacket(0x9A, hex("80 01 02 03 04 05 06 07 08"));
        std::vector<std::uint8_t> burst;
        for (int i = 0; i < 50; ++i)
            burst.insert(burst.end(), report.begin(), report.end());
        while (!stop) {
            if (::write(pty.masterFd(), burst.data(), burst.size()) < 0)
                std::this_thread::yield();
        }
    });
    ASSERT_TRUE(events.waitForCount(kKindTransparentData, 100));
    EXPECT_TRUE(layer->ReadRSSIValue(0x80));
    EXPECT_TRUE(layer->Disconnect(0x80));
    layer.reset();
    const std::size_t after = events.events().size();
    stop = true;
    module.join();
    EXPECT_EQ(events.events().size(), after); // nothing reported after destruction
}

TEST_F(LayerOnPty, SendDataRefusesMoreThanOneWrite) {
    open();
    std::vector<std::uint8_t> big(1501, 0x11);
    EXPECT_FALSE(layer->SendData(big.data(), big.size(), nullptr, nullptr, 0));
    // A command whose packet would exceed one write is refused before anything is sent.
    std::vector<std::uint8_t> params(kMaxWireParams + 1, 0x22);
    EXPECT_FALSE(layer->QueueCommand(0x3F, params));
    EXPECT_EQ(events.count(kKindCommandSent), 0u);
    params.pop_back();
    EXPECT_TRUE(layer->QueueCommand(0x3F, params));
    EXPECT_EQ(pty.read(kTxBufferSize).size(), kTxBufferSize);
}

TEST_F(LayerOnPty, SendDataWithATimeOutWaitsForAResponse) {
    useManualClock();
    open();
    std::array<std::uint8_t, kTxBufferSize> rx{};
    std::uint32_t rxLen = 0;
    const auto cmd = hex("AA 00 01 01 FE");
    std::thread answerer([&] {
        pty.read(5);
        pty.write(commandComplete(0x01));
    });
    EXPECT_TRUE(layer->SendData(cmd.data(), cmd.size(), rx.data(), &rxLen, 500));
    answerer.join();
    EXPECT_EQ(rxLen, 6u);
    EXPECT_EQ(toHex({rx.begin(), rx.begin() + 6}), "00 03 80 01 00 7C");
    // No answer: false once the (virtual) time-out has passed.
    std::atomic<bool> done{false};
    std::thread ticker([&] {
        pty.read(5);
        while (!done) {
            manual.advance(std::chrono::milliseconds(100));
            std::this_thread::yield();
        }
    });
    EXPECT_FALSE(layer->SendData(cmd.data(), cmd.size(), rx.data(), &rxLen, 500));
    done = true;
    ticker.join();
}

} // namespace
} // namespace nuvex3

namespace nuvex3 {
namespace {

// Waits (bounded, on real progress) until the layer has taken `n` bytes in.
bool waitForBytes(const CKelvra_CmdSet_Layer& layer, std::uint64_t n) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (layer.receivedBytes() < n && std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
    return layer.receivedBytes() == n;
}

TEST_F(LayerOnPty, APacketWhoseBytesStopForLongerThanTheGapIsDroppedAndTheHuntStartsAgain) {
    useManualClock();
    open();
    EXPECT_EQ(layer->receiveGap(), std::chrono::milliseconds(100));
    LayerSettings slow;
    slow.baudRate = 1200; // 20 characters take longer than 100 ms
    EXPECT_EQ(CKelvra_CmdSet_Layer(slow, {}).receiveGap(), std::chrono::microseconds(166666));

    // A pause of exactly the gap keeps the packet open: the next bytes complete it.
    pty.write(hex("AA 00 05 81"));
    ASSERT_TRUE(waitForBytes(*layer, 4));
    manual.advance(layer->receiveGap());
    pty.write(hex("AA 00 02 81 01 7C"));
    ASSERT_TRUE(events.waitForCount(kKindChecksumError, 1));
    ASSERT_TRUE(waitForBytes(*layer, 10));
    EXPECT_EQ(toHex(test::head(events.events().front().record, 8)), "00 05 81 AA 00 02 81 01");
    EXPECT_EQ(events.count(kKindStatusReport), 0u);

    // Longer than the gap: the open packet is dropped and the status report is decoded.
    events.clear();
    pty.write(hex("AA 00 05 81"));
    ASSERT_TRUE(waitForBytes(*layer, 14));
    manual.advance(layer->receiveGap() + std::chrono::milliseconds(1));
    pty.write(hex("AA 00 02 81 01 7C"));
    ASSERT_TRUE(events.waitForCount(kKindStatusReport, 1));
    EXPECT_THAT(events.kinds(), ElementsAre(kKindPacketReceived, kKindStatusReport));
    EXPECT_EQ(toHex(test::head(events.events().front().record, 5)), "00 02 81 01 7C");
}

} // namespace
} // namespace nuvex3
