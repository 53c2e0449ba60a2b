// The virtual module alone: exact bytes of every answer and event, states, links,
// pairing, attribute tables, transparent data and timed behaviour.

#include "SimTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace nuvex3::sim {
namespace {

using namespace std::chrono_literals;
using test::cc;
using test::Ev;
using test::Evs;
using test::hex;
using test::status;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ModuleTest : public ::testing::Test {
protected:
    Scenario scenario = test::smallScenario();
    std::unique_ptr<test::Harness> h;

    test::Harness& m() {
        if (!h)
            h = std::make_unique<test::Harness>(scenario);
        return *h;
    }
    Evs cmd(std::uint8_t op, const char* params = "") { return m().command(op, hex(params)); }
    Evs wait(std::chrono::milliseconds d) { return m().wait(d); }

    // Connects peer A (handle 01) and returns nothing more to see.
    void connectA() {
        ASSERT_THAT(cmd(0x17, "00 00 0F 0E 0D 0C 0B 0A"), ElementsAre(cc(0x17), status(0x02)));
        ASSERT_THAT(wait(30ms), ElementsAre(Ev{0x71, hex("00 01 00 00 0F 0E 0D 0C 0B 0A 00 18 "
                                                         "00 00 00 48")},
                                            status(0x0C, 0x0C)));
    }
};

// ---- wire ----------------------------------------------------------------------------

TEST_F(ModuleTest, AnswersABadChecksumWithCommandCompleteForCommandZeroStatusFF) {
    m().module.receive(hex("AA 00 01 01 00"), m().now);
    const auto out = m().module.takeOutput();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(test::toHex(out[0]), "AA 00 03 80 00 FF 7E");
    // The next good command is answered normally.
    EXPECT_THAT(m().raw(hex("AA 00 01 07 F8")), ElementsAre(cc(0x07, 0, hex("53 49 4D"))));
}

TEST_F(ModuleTest, AnswersUnknownOpcodesAndWrongParameterCounts) {
    EXPECT_THAT(cmd(0x14), ElementsAre(cc(0x14, 0x01)));
    EXPECT_THAT(cmd(0x00), ElementsAre(cc(0x00, 0x01)));
    EXPECT_THAT(cmd(0x10), ElementsAre(cc(0x10, 0x12)));
    EXPECT_THAT(cmd(0x01, "00"), ElementsAre(cc(0x01, 0x12)));
}

TEST_F(ModuleTest, FindsCommandsInNoiseAndAcrossPieces) {
    EXPECT_THAT(m().raw(hex("55 00 AA 00")), IsEmpty());
    EXPECT_THAT(m().raw(hex("01 0A")), IsEmpty());
    EXPECT_THAT(m().raw(hex("F5")), ElementsAre(cc(0x0A, 0, hex("02"))));
}

TEST_F(ModuleTest, DropsACommandWhoseBytesStopComingAndSaysSo) {
    EXPECT_THAT(m().raw(hex("AA 00 02 10")), IsEmpty());
    EXPECT_THAT(wait(199ms), IsEmpty());
    EXPECT_THAT(wait(1ms), ElementsAre(cc(0x00, 0xFF)));
    EXPECT_THAT(cmd(0x0A), ElementsAre(cc(0x0A, 0, hex("02"))));
}

TEST_F(ModuleTest, AnswersAnOversizeLengthAsADamagedCommand) {
    EXPECT_THAT(m().raw(hex("AA FF FF")), ElementsAre(cc(0x00, 0xFF)));
}

// ---- device commands -----------------------------------------------------------------

TEST_F(ModuleTest, PowerOnReportsPowerOnThenIdle) {
    VirtualModule fresh(scenario);
    fresh.powerOn(m().now);
    EXPECT_THAT(test::unframe(fresh.takeOutput()), ElementsAre(status(0x00), status(0x09)));
}

TEST_F(ModuleTest, ReadLocalInformationGivesVersionAddressLeastSignificantFirstAndType) {
    EXPECT_THAT(cmd(0x01), ElementsAre(cc(0x01, 0, hex("01 02 03 04 55 44 33 22 11 00 02"))));
}

TEST_F(ModuleTest, ReadStatusAlwaysReports) {
    EXPECT_THAT(cmd(0x03), ElementsAre(status(0x09)));
    EXPECT_THAT(cmd(0x03), ElementsAre(status(0x09)));
}

TEST_F(ModuleTest, ReadAdcGivesRangeAndValue) {
    EXPECT_THAT(cmd(0x04, "03"), ElementsAre(cc(0x04, 0, hex("02 00 23"))));
    EXPECT_THAT(cmd(0x04, "10"), ElementsAre(cc(0x04, 0, hex("01 00 21"))));
    EXPECT_THAT(cmd(0x04, "11"), ElementsAre(cc(0x04, 0, hex("00 00 19"))));
    EXPECT_THAT(cmd(0x04, "12"), ElementsAre(cc(0x04, 0x12)));
}

TEST_F(ModuleTest, DebugCommandReadsAndWritesMemoryAndTheEflash) {
    EXPECT_THAT(cmd(0x06, "01 02 12 34"), ElementsAre(cc(0x06, 0, hex("01 26 27"))));
    EXPECT_THAT(cmd(0x06, "02 02 12 34 AB CD"), ElementsAre(cc(0x06, 0, hex("02"))));
    EXPECT_THAT(cmd(0x06, "01 02 12 34"), ElementsAre(cc(0x06, 0, hex("01 AB CD"))));
    // eFlash starts with the module address and name, then erased bytes.
    EXPECT_THAT(cmd(0x06, "03 08 00 00"),
                ElementsAre(cc(0x06, 0, hex("03 00 11 22 33 44 55 FF FF"))));
    EXPECT_THAT(cmd(0x06, "04 04 03 FC DE AD BE EF"), ElementsAre(cc(0x06, 0, hex("04"))));
    EXPECT_THAT(cmd(0x06, "03 04 03 FC"), ElementsAre(cc(0x06, 0, hex("03 DE AD BE EF"))));
    EXPECT_THAT(cmd(0x06, "03 20 03 F0"), ElementsAre(cc(0x06, 0x12)));    // past 1024 bytes
    EXPECT_THAT(cmd(0x06, "03 00 00 00"), ElementsAre(cc(0x06, 0x12)));    // length 0
    EXPECT_THAT(cmd(0x06, "03 21 00 00"), ElementsAre(cc(0x06, 0x12)));    // above 32
    EXPECT_THAT(cmd(0x06, "04 02 00 00 01"), ElementsAre(cc(0x06, 0x12))); // short data
    EXPECT_THAT(cmd(0x06, "05 01 00 00"), ElementsAre(cc(0x06, 0x12)));    // debug opcode
}

TEST_F(ModuleTest, DumpingTheWholeEflashIn32ByteBlocksCovers1024Bytes) {
    std::size_t total = 0;
    for (unsigned a = 0; a < 1024; a += 32) {
        const Bytes p{0x03, 0x20, static_cast<std::uint8_t>(a >> 8),
                      static_cast<std::uint8_t>(a & 0xFF)};
        const Evs e = m().command(0x06, p);
        ASSERT_EQ(e.size(), 1u);
        ASSERT_EQ(e[0].params.size(), 3u + 32u);
        total += 32;
    }
    EXPECT_EQ(total, 1024u);
}

TEST_F(ModuleTest, DeviceNameAndPairingModeAreKept) {
    EXPECT_THAT(cmd(0x08, "00 4E 45 57"), ElementsAre(cc(0x08)));
    EXPECT_THAT(cmd(0x07), ElementsAre(cc(0x07, 0, hex("4E 45 57"))));
    EXPECT_THAT(cmd(0x08, "00 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41"),
                ElementsAre(cc(0x08, 0x12))); // 17 characters
    EXPECT_THAT(cmd(0x0B, "00 04"), ElementsAre(cc(0x0B)));
    EXPECT_THAT(cmd(0x0A), ElementsAre(cc(0x0A, 0, hex("04"))));
    EXPECT_THAT(cmd(0x0B, "00 05"), ElementsAre(cc(0x0B, 0x12)));
}

TEST_F(ModuleTest, DioControlKeepsPinsAndReportsTheirLevels) {
    // P00 output high, P13 input, P37 output low; unselected pins read as pulled up.
    EXPECT_THAT(cmd(0x0E, "01 00 00 80 01 00 00 00 01 08 00 80"),
                ElementsAre(cc(0x0E, 0, hex("FF FF FF 7F"))));
    // Unselecting P37 leaves it an output low.
    EXPECT_THAT(cmd(0x0E, "00 00 00 00 00 00 00 00 00 00 00 00"),
                ElementsAre(cc(0x0E, 0, hex("FF FF FF 7F"))));
    EXPECT_THAT(cmd(0x0E, "00 00 00 00 00 00 00 00 00 00 00 80"),
                ElementsAre(cc(0x0E, 0, hex("FF FF FF FF"))));
}

TEST_F(ModuleTest, PwmControlChecksItsSettings) {
    EXPECT_THAT(cmd(0x0F, "00 01 01 00 01 00 00 00"), ElementsAre(cc(0x0F)));
    EXPECT_THAT(cmd(0x0F, "00 01 01 00 01 00 01 00"), ElementsAre(cc(0x0F, 0x12)));
    EXPECT_THAT(cmd(0x0F, "04 00"), ElementsAre(cc(0x0F)));
    EXPECT_THAT(cmd(0x0F, "05 00"), ElementsAre(cc(0x0F, 0x12)));
    EXPECT_THAT(cmd(0x0F, "00 00 01 00 01 00 00 00"), ElementsAre(cc(0x0F, 0x12)));
}

// ---- scanning ------------------------------------------------------------------------

TEST_F(ModuleTest, ActiveScanWithDuplicateFilterReportsEachAdvertiserAndScanResponseOnce) {
    EXPECT_THAT(cmd(0x15, "00 10 00 10 01"), ElementsAre(cc(0x15)));
    EXPECT_THAT(cmd(0x16, "01 01"), ElementsAre(cc(0x16), status(0x01)));
    EXPECT_THAT(wait(5ms),
                ElementsAre(Ev{0x70, hex("00 00 0F 0E 0D 0C 0B 0A 06 02 01 06 02 09 41 C4")},
                            Ev{0x70, hex("04 00 0F 0E 0D 0C 0B 0A 03 02 FF 01 C4")}));
    EXPECT_THAT(wait(5ms), ElementsAre(Ev{0x70, hex("03 01 11 22 33 44 55 66 03 02 01 04 B0")}));
    EXPECT_THAT(wait(2000ms), IsEmpty());
    EXPECT_THAT(cmd(0x16, "00 00"), ElementsAre(cc(0x16), status(0x09)));
}

TEST_F(ModuleTest, PassiveScanWithoutFilterReportsAtTheAdvertisingIntervals) {
    EXPECT_THAT(cmd(0x16, "01 00"), ElementsAre(cc(0x16), status(0x01)));
    const Evs e = wait(1000ms); // A at 5, 105, ... 905 ms; B at 10, 310, 610, 910 ms
    const auto fromA =
        std::count_if(e.begin(), e.end(), [](const Ev& x) { return x.params[2] == 0x0F; });
    const auto fromB =
        std::count_if(e.begin(), e.end(), [](const Ev& x) { return x.params[2] == 0x11; });
    EXPECT_EQ(fromA, 10);
    EXPECT_EQ(fromB, 4);
    for (const Ev& x : e)
        EXPECT_NE(x.params[0], 0x04) << "no scan response in passive scanning";
    EXPECT_THAT(cmd(0x16, "00 00"), ElementsAre(cc(0x16), status(0x09)));
    EXPECT_THAT(wait(1000ms), IsEmpty());
}

TEST_F(ModuleTest, ScanParametersAreCheckedAndRefusedWhileScanning) {
    EXPECT_THAT(cmd(0x15, "00 10 00 11 00"), ElementsAre(cc(0x15, 0x12))); // window > interval
    EXPECT_THAT(cmd(0x15, "00 03 00 03 00"), ElementsAre(cc(0x15, 0x12)));
    EXPECT_THAT(cmd(0x16, "01 01"), ElementsAre(cc(0x16), status(0x01)));
    EXPECT_THAT(cmd(0x15, "00 10 00 10 00"), ElementsAre(cc(0x15, 0x0C)));
}

// ---- connections ---------------------------------------------------------------------

TEST_F(ModuleTest, CreateConnectionWhileScanningStopsTheScanAndConnects) {
    EXPECT_THAT(cmd(0x16, "01 01"), ElementsAre(cc(0x16), status(0x01)));
    connectA();
    EXPECT_THAT(wait(1000ms), IsEmpty()); // no more reports, no peer activity
    EXPECT_EQ(m().module.linkHandles(), std::vector<std::uint8_t>{0x01});
}

TEST_F(ModuleTest, ConnectingToAnUnknownOrUnconnectableDeviceWaitsUntilCancelled) {
    EXPECT_THAT(cmd(0x18), ElementsAre(cc(0x18, 0x0C)));
    EXPECT_THAT(cmd(0x17, "00 01 11 22 33 44 55 66"), ElementsAre(cc(0x17), status(0x02)));
    EXPECT_THAT(wait(10s), IsEmpty());
    EXPECT_THAT(cmd(0x17, "00 00 0F 0E 0D 0C 0B 0A"), ElementsAre(cc(0x17, 0x0C)));
    EXPECT_THAT(cmd(0x16, "01 01"), ElementsAre(cc(0x16, 0x0C)));
    EXPECT_THAT(cmd(0x18), ElementsAre(cc(0x18), status(0x09)));
    EXPECT_THAT(cmd(0x17, "00 00 01 02 03 04 05 06"), ElementsAre(cc(0x17), status(0x02)));
    EXPECT_THAT(cmd(0x18), ElementsAre(cc(0x18), status(0x09)));
}

TEST_F(ModuleTest, ConnectingTwiceToOnePeerIsRefused) {
    connectA();
    EXPECT_THAT(cmd(0x17, "00 00 0F 0E 0D 0C 0B 0A"), ElementsAre(cc(0x17, 0x0B)));
}

TEST_F(ModuleTest, AtMostFourLinks) {
    for (std::uint8_t i = 0; i < 4; ++i) {
        PeerConfig p = scenario.peers[0];
        p.address = {0xC0, 0, 0, 0, 0, i};
        scenario.peers.push_back(p);
    }
    for (std::uint8_t i = 0; i < 4; ++i) {
        // Filter policy, address type, then the address least significant byte first.
        const Bytes params{0x00, 0x00, i, 0x00, 0x00, 0x00, 0x00, 0xC0};
        EXPECT_THAT(m().command(0x17, params), ElementsAre(cc(0x17), ::testing::_));
        const Evs e = wait(30ms);
        ASSERT_EQ(e.size(), 2u);
        EXPECT_EQ(e[0].params[1], i + 1); // handles 01 to 04
    }
    EXPECT_THAT(m().module.linkHandles(), ElementsAre(1, 2, 3, 4));
    EXPECT_THAT(cmd(0x03), ElementsAre(status(0x0C, 0x0C, 0x0C, 0x0C, 0x0C)));
    EXPECT_THAT(cmd(0x17, "00 00 0F 0E 0D 0C 0B 0A"), ElementsAre(cc(0x17, 0x09)));
    EXPECT_THAT(cmd(0x1C, "01"), ElementsAre(cc(0x1C, 0x0C)));
}

TEST_F(ModuleTest, DisconnectEndsTheLinkWithReason16) {
    connectA();
    EXPECT_THAT(cmd(0x1B, "07"), ElementsAre(cc(0x1B, 0x02)));
    EXPECT_THAT(cmd(0x1B, "01"), ElementsAre(cc(0x1B), Ev{0x72, hex("01 16")}, status(0x09)));
    EXPECT_THAT(cmd(0x10, "01"), ElementsAre(cc(0x10, 0x02)));
}

TEST_F(ModuleTest, APeerMayDisconnectByItself) {
    scenario.peers[0].disconnectAfter = 500ms;
    connectA();
    EXPECT_THAT(wait(499ms), IsEmpty());
    EXPECT_THAT(wait(1ms), ElementsAre(Ev{0x72, hex("01 13")}, status(0x09)));
}

TEST_F(ModuleTest, ConnectionParameterUpdateAnswersThenReportsTheNewParameters) {
    connectA();
    EXPECT_THAT(cmd(0x19, "01 01 90 00 00 0C 80"), ElementsAre(cc(0x19)));
    EXPECT_THAT(wait(50ms), ElementsAre(Ev{0x73, hex("01 01 90 00 00 0C 80")}));
    EXPECT_THAT(cmd(0x19, "01 00 05 00 00 00 0A"), ElementsAre(cc(0x19, 0x12)));
    EXPECT_THAT(cmd(0x19, "01 00 06 00 00 00 09"), ElementsAre(cc(0x19, 0x12)));
    EXPECT_THAT(cmd(0x19, "02 00 06 00 00 00 0A"), ElementsAre(cc(0x19, 0x02)));
    EXPECT_THAT(wait(100ms), IsEmpty());
}

TEST_F(ModuleTest, RssiAndRemoteNameOfALink) {
    connectA();
    EXPECT_THAT(cmd(0x10, "01"), ElementsAre(cc(0x10, 0, hex("C4"))));
    EXPECT_THAT(cmd(0x1F, "01"), ElementsAre(cc(0x1F, 0, hex("41"))));
    EXPECT_THAT(cmd(0x1F, "02"), ElementsAre(cc(0x1F, 0x02)));
}

TEST_F(ModuleTest, StandbyLetsACentralConnect) {
    PeerConfig phone;
    phone.address = {0x5A, 0x00, 0x00, 0x00, 0x00, 0x01};
    phone.addressType = 1;
    phone.advInterval = 0ms;
    phone.connectsToStandby = true;
    phone.connectDelay = 50ms;
    scenario.peers.push_back(phone);
    EXPECT_THAT(cmd(0x1C, "00"), ElementsAre(cc(0x1C, 0x0C)));
    EXPECT_THAT(cmd(0x1C, "03"), ElementsAre(cc(0x1C, 0x12)));
    EXPECT_THAT(cmd(0x1C, "01"), ElementsAre(cc(0x1C), status(0x03)));
    EXPECT_THAT(cmd(0x13, "08 00 00 00 0A 0B 0C 0D 0E 0F"), ElementsAre(cc(0x13, 0x0C)));
    EXPECT_THAT(wait(50ms),
                ElementsAre(Ev{0x71, hex("00 01 01 01 01 00 00 00 00 5A 00 18 00 00 00 48")},
                            status(0x0C, 0x0C)));
}

TEST_F(ModuleTest, LeavingStandbyStopsTheCentralAndNonConnectableAdvertisingIsBroadcast) {
    PeerConfig phone;
    phone.address = {0x5A, 0x00, 0x00, 0x00, 0x00, 0x01};
    phone.advInterval = 0ms;
    phone.connectsToStandby = true;
    phone.connectDelay = 50ms;
    scenario.peers.push_back(phone);
    EXPECT_THAT(cmd(0x1C, "01"), ElementsAre(cc(0x1C), status(0x03)));
    EXPECT_THAT(cmd(0x1C, "00"), ElementsAre(cc(0x1C), status(0x09)));
    EXPECT_THAT(wait(100ms), IsEmpty());
    EXPECT_THAT(cmd(0x13, "08 00 03 00 0A 0B 0C 0D 0E 0F"), ElementsAre(cc(0x13)));
    EXPECT_THAT(cmd(0x1C, "01"), ElementsAre(cc(0x1C), status(0x05)));
    EXPECT_THAT(wait(100ms), IsEmpty());
}

TEST_F(ModuleTest, ShutdownDropsLinksAndAnyCommandWakesTheModule) {
    connectA();
    EXPECT_THAT(cmd(0x05), ElementsAre(cc(0x05), Ev{0x72, hex("01 16")}, status(0x0A)));
    EXPECT_THAT(cmd(0x01),
                ElementsAre(status(0x09), cc(0x01, 0, hex("01 02 03 04 55 44 33 22 11 00 02"))));
    EXPECT_THAT(cmd(0x05), ElementsAre(cc(0x05), status(0x0A)));
    EXPECT_THAT(cmd(0x02), ElementsAre(status(0x09))); // Reset wakes with one report
    EXPECT_THAT(cmd(0x05), ElementsAre(cc(0x05), status(0x0A)));
    EXPECT_THAT(cmd(0x03), ElementsAre(status(0x09)));
}

TEST_F(ModuleTest, ResetForgetsLinksScanningAndStandbyButKeepsBonds) {
    connectA();
    EXPECT_THAT(cmd(0x42, "01"), ElementsAre(cc(0x42), Ev{0x60, hex("01")}));
    for (const char* d : {"36", "30", "32", "34", "39", "31"})
        cmd(0x40, (std::string("01 01 ") + d).c_str());
    EXPECT_THAT(cmd(0x40, "01 04"), ElementsAre(cc(0x40), Ev{0x61, hex("01 00")}));
    EXPECT_THAT(cmd(0x16, "01 01"), ElementsAre(cc(0x16), status(0x01, 0x0C)));
    EXPECT_THAT(cmd(0x02), ElementsAre(status(0x09)));
    EXPECT_THAT(wait(1000ms), IsEmpty());
    EXPECT_TRUE(m().module.linkHandles().empty());
    EXPECT_EQ(m().module.bonds().size(), 1u);
}

// ---- pairing -------------------------------------------------------------------------

class PairingTest : public ModuleTest {
protected:
    Evs typeKey(const std::string& key) {
        Evs all;
        for (char c : key) {
            const Evs e = m().command(0x40, {0x01, 0x01, static_cast<std::uint8_t>(c)});
            all.insert(all.end(), e.begin(), e.end());
        }
        return all;
    }
};

TEST_F(PairingTest, PasskeyEntryWithTheRightKeyBondsThePeer) {
    connectA();
    EXPECT_THAT(cmd(0x42, "01"), ElementsAre(cc(0x42), Ev{0x60, hex("01")}));
    EXPECT_THAT(typeKey("602491"),
                ::testing::AllOf(::testing::SizeIs(6), ::testing::Each(cc(0x40))));
    EXPECT_THAT(cmd(0x40, "01 04"), ElementsAre(cc(0x40), Ev{0x61, hex("01 00")}));
    EXPECT_THAT(cmd(0x0C), ElementsAre(cc(0x0C, 0, hex("01 00 01 0F 0E 0D 0C 0B 0A"))));
    EXPECT_THAT(cmd(0x40, "01 04"), ElementsAre(cc(0x40, 0x0C))); // nothing pending now
}

TEST_F(PairingTest, AWrongKeyFailsAndErasingAndClearingAreHonoured) {
    connectA();
    cmd(0x42, "01");
    typeKey("602490");
    EXPECT_THAT(cmd(0x40, "01 04"), ElementsAre(cc(0x40), Ev{0x61, hex("01 01")}));
    EXPECT_THAT(cmd(0x0C), ElementsAre(cc(0x0C, 0, hex("00"))));

    cmd(0x42, "01");
    typeKey("999");
    EXPECT_THAT(cmd(0x40, "01 03"), ElementsAre(cc(0x40))); // cleared
    typeKey("602499");
    EXPECT_THAT(cmd(0x40, "01 02"), ElementsAre(cc(0x40))); // last digit erased
    typeKey("1");
    EXPECT_THAT(cmd(0x40, "01 01 41"), ElementsAre(cc(0x40, 0x12))); // not a digit
    EXPECT_THAT(cmd(0x40, "01 04"), ElementsAre(cc(0x40), Ev{0x61, hex("01 00")}));
}

TEST_F(PairingTest, NoAnswerInTimeGivesResult2) {
    connectA();
    cmd(0x42, "01");
    EXPECT_THAT(cmd(0x42, "01"), ElementsAre(cc(0x42, 0x0C))); // already pairing
    EXPECT_THAT(wait(29999ms), IsEmpty());
    EXPECT_THAT(wait(1ms), ElementsAre(Ev{0x61, hex("01 02")}));
}

TEST_F(PairingTest, NumericComparisonShowsThePeersCodeAndTakesTheAnswer) {
    scenario.peers[0].ioCapability = kIoDisplayYesNo;
    connectA();
    EXPECT_THAT(cmd(0x0B, "00 01"), ElementsAre(cc(0x0B)));
    EXPECT_THAT(cmd(0x41, "01 00"), ElementsAre(cc(0x41, 0x0C)));
    EXPECT_THAT(cmd(0x42, "01"), ElementsAre(cc(0x42), Ev{0x62, hex("01 36 30 32 34 39 31")}));
    EXPECT_THAT(cmd(0x41, "01 01"), ElementsAre(cc(0x41), Ev{0x61, hex("01 01")}));
    EXPECT_THAT(cmd(0x42, "01"), ElementsAre(cc(0x42), Ev{0x62, hex("01 36 30 32 34 39 31")}));
    EXPECT_THAT(cmd(0x41, "01 02"), ElementsAre(cc(0x41, 0x12)));
    EXPECT_THAT(cmd(0x41, "01 00"), ElementsAre(cc(0x41), Ev{0x61, hex("01 00")}));
}

TEST_F(PairingTest, JustWorksAndDisplayedKeysNeedNoAnswer) {
    connectA();
    EXPECT_THAT(cmd(0x0B, "00 03"), ElementsAre(cc(0x0B))); // no input, no output
    EXPECT_THAT(cmd(0x42, "01"), ElementsAre(cc(0x42), Ev{0x61, hex("01 00")}));
    EXPECT_THAT(cmd(0x09), ElementsAre(cc(0x09)));
    // The module shows its key (123456) and the peer types its own (602491): no match.
    scenario.peers[0].ioCapability = kIoKeyboardOnly;
    h.reset();
    connectA();
    EXPECT_THAT(cmd(0x0B, "00 00"), ElementsAre(cc(0x0B)));
    EXPECT_THAT(cmd(0x42, "01"), ElementsAre(cc(0x42), Ev{0x61, hex("01 01")}));
}

TEST_F(PairingTest, ABondedPeerPairsAgainWithoutAKeyUnlessTheScenarioSaysOtherwise) {
    connectA();
    cmd(0x42, "01");
    typeKey("602491");
    cmd(0x40, "01 04");
    cmd(0x1B, "01");
    connectA();
    EXPECT_THAT(cmd(0x42, "01"), ElementsAre(cc(0x42), Ev{0x61, hex("01 00")}));

    scenario.module.rebondWithoutKey = false;
    h.reset();
    connectA();
    cmd(0x42, "01");
    typeKey("602491");
    cmd(0x40, "01 04");
    cmd(0x1B, "01");
    connectA();
    EXPECT_THAT(cmd(0x42, "01"), ElementsAre(cc(0x42), Ev{0x60, hex("01")}));
}

TEST_F(PairingTest, PairedDeviceListEraseAndDelete) {
    for (std::uint8_t i = 0; i < 9; ++i) {
        PeerConfig p = scenario.peers[0];
        p.address = {0xC0, 0, 0, 0, 0, i};
        scenario.peers.push_back(p);
    }
    EXPECT_THAT(cmd(0x0B, "00 03"), ElementsAre(cc(0x0B)));
    for (std::uint8_t i = 0; i < 9; ++i) { // nine bonds: the oldest is forgotten
        m().command(0x17, {0x00, 0x00, i, 0, 0, 0, 0, 0xC0});
        wait(30ms);
        EXPECT_THAT(cmd(0x42, "01"), ElementsAre(cc(0x42), Ev{0x61, hex("01 00")}));
        cmd(0x1B, "01");
    }
    const Evs list = cmd(0x0C);
    ASSERT_EQ(list.size(), 1u);
    ASSERT_EQ(list[0].params.size(), 3u + 8 * 8);
    EXPECT_EQ(list[0].params[2], 8); // count
    // Newest first with priority 1; it took the index the forgotten oldest bond had.
    EXPECT_EQ(Bytes(list[0].params.begin() + 3, list[0].params.begin() + 11),
              hex("00 01 08 00 00 00 00 C0"));
    EXPECT_THAT(cmd(0x0D, "03"), ElementsAre(cc(0x0D)));
    EXPECT_THAT(cmd(0x0D, "03"), ElementsAre(cc(0x0D, 0x12)));
    EXPECT_EQ(m().module.bonds().size(), 7u);
    EXPECT_THAT(cmd(0x09), ElementsAre(cc(0x09)));
    EXPECT_THAT(cmd(0x0C), ElementsAre(cc(0x0C, 0, hex("00"))));
}

TEST_F(PairingTest, APeerThatAsksForPairingStartsItOnConnection) {
    scenario.peers[0].initiatesPairing = true;
    EXPECT_THAT(cmd(0x17, "00 00 0F 0E 0D 0C 0B 0A"), ElementsAre(cc(0x17), status(0x02)));
    EXPECT_THAT(wait(30ms), ElementsAre(::testing::Field(&Ev::op, 0x71), status(0x0C, 0x0C),
                                        Ev{0x60, hex("01")}));
}

TEST_F(PairingTest, DisconnectingCancelsAPendingPairing) {
    connectA();
    cmd(0x42, "01");
    cmd(0x1B, "01");
    EXPECT_THAT(wait(60s), IsEmpty());
}

TEST(DemoScenario, TheThermometerPairsByEveryMethodTheModulesPairingModeAllows) {
    Scenario s = defaultScenario();
    s.module.powerOnReport = false;
    test::Harness h(s);
    auto connectThermo = [&] {
        h.command(0x17, hex("00 00 11 22 33 44 55 66"));
        const Evs e = h.wait(100ms);
        EXPECT_EQ(e.size(), 3u);
        return e.empty() ? Ev{} : e.back();
    };
    // KeyboardOnly (default): the module asks for the pass key.
    EXPECT_EQ(connectThermo(), (Ev{0x60, hex("01")}));
    h.command(0x1B, hex("01"));
    // DisplayYesNo: the module asks to confirm the thermometer's key.
    h.command(0x0B, hex("00 01"));
    EXPECT_EQ(connectThermo(), (Ev{0x62, hex("01 36 30 32 34 39 31")}));
    h.command(0x1B, hex("01"));
    // DisplayOnly: the thermometer types the module's key, which matches.
    h.command(0x0B, hex("00 00"));
    EXPECT_EQ(connectThermo(), (Ev{0x61, hex("01 00")}));
}

// ---- GATT client ---------------------------------------------------------------------

TEST_F(ModuleTest, DiscoverAllPrimaryServicesGroupsEntriesBySizeAndMtu) {
    connectA();
    EXPECT_THAT(cmd(0x30, "01"),
                ElementsAre(Ev{0x90, hex("01 06 01 00 03 00 00 18 10 00 15 00 0D 18")},
                            Ev{0x90, hex("01 14 50 00 58 00 55 E4 05 D2 AF 9F A9 8F E5 4A 7D "
                                         "FE 54 4C 4F 4B")},
                            cc(0x30)));
    EXPECT_THAT(cmd(0x30, "02"), ElementsAre(cc(0x30, 0x02)));
}

TEST_F(ModuleTest, DiscoverCharacteristicsAndDescriptorsOfOneService) {
    connectA();
    EXPECT_THAT(cmd(0x31, "01 0D 18"),
                ElementsAre(Ev{0x91, hex("01 07 11 00 10 12 00 37 2A 14 00 08 15 00 39 2A")},
                            Ev{0x92, hex("01 01 13 00 02 29")}, cc(0x31)));
    EXPECT_THAT(cmd(0x31, "01 0F 18"), ElementsAre(cc(0x31, 0x8A)));
    EXPECT_THAT(cmd(0x31, "01 0D"), ElementsAre(cc(0x31, 0x12)));
    // The 128-bit transparent service: 21-byte entries, one per packet at MTU 23.
    const Evs t = cmd(0x31, "01 55 E4 05 D2 AF 9F A9 8F E5 4A 7D FE 54 4C 4F 4B");
    ASSERT_EQ(t.size(), 3u + 1u + 1u);
    EXPECT_EQ(t[0], (Ev{0x91, hex("01 15 51 00 10 52 00 16 96 24 47 C6 23 61 BA D9 4B 4D 1E 54 "
                                  "4C 4F 4B")}));
    EXPECT_EQ(t[3], (Ev{0x92, hex("01 01 53 00 02 29 58 00 02 29")}));
    EXPECT_EQ(t[4], cc(0x31));
}

TEST_F(ModuleTest, ReadsFollowThePermissions) {
    connectA();
    EXPECT_THAT(cmd(0x32, "01 00 03"), ElementsAre(cc(0x32, 0, hex("41"))));
    EXPECT_THAT(cmd(0x32, "01 00 10"), ElementsAre(cc(0x32, 0, hex("0D 18"))));
    EXPECT_THAT(cmd(0x32, "01 00 11"), ElementsAre(cc(0x32, 0, hex("10 12 00 37 2A"))));
    EXPECT_THAT(cmd(0x32, "01 00 13"), ElementsAre(cc(0x32, 0, hex("00 00"))));
    EXPECT_THAT(cmd(0x32, "01 00 12"), ElementsAre(cc(0x32, 0x82)));
    EXPECT_THAT(cmd(0x32, "01 00 99"), ElementsAre(cc(0x32, 0x81)));
    EXPECT_THAT(cmd(0x33, "01 00 2A"), ElementsAre(cc(0x33, 0, hex("03 00 41"))));
    EXPECT_THAT(cmd(0x33, "01 37 2A"), ElementsAre(cc(0x33, 0x82)));
    EXPECT_THAT(cmd(0x33, "01 19 2A"), ElementsAre(cc(0x33, 0x8A)));
}

TEST_F(ModuleTest, WritesFollowThePermissions) {
    connectA();
    EXPECT_THAT(cmd(0x34, "01 00 00 15 01"), ElementsAre(cc(0x34)));
    EXPECT_THAT(cmd(0x34, "01 01 00 15 01"), ElementsAre(cc(0x34, 0x83))); // no write w/o rsp
    EXPECT_THAT(cmd(0x34, "01 00 00 12 01"), ElementsAre(cc(0x34, 0x83)));
    EXPECT_THAT(cmd(0x34, "01 00 00 11 01"), ElementsAre(cc(0x34, 0x83)));
    EXPECT_THAT(cmd(0x34, "01 00 00 99 01"), ElementsAre(cc(0x34, 0x81)));
    EXPECT_THAT(cmd(0x34, "01 00 00 13 01"), ElementsAre(cc(0x34, 0x8D)));
    EXPECT_THAT(cmd(0x34, "01 02 00 15 01"), ElementsAre(cc(0x34, 0x12)));
}

TEST_F(ModuleTest, EnablingNotificationsMakesThePeerSendValuesAtItsRate) {
    connectA();
    EXPECT_THAT(cmd(0x34, "01 00 00 13 01 00"), ElementsAre(cc(0x34)));
    EXPECT_THAT(cmd(0x34, "01 00 00 13 01 00"), ElementsAre(cc(0x34))); // still one stream
    EXPECT_THAT(wait(999ms), IsEmpty());
    EXPECT_THAT(wait(1ms), ElementsAre(Ev{0x93, hex("01 00 12 00 50")}));
    EXPECT_THAT(wait(1000ms), ElementsAre(Ev{0x93, hex("01 00 12 00 51")}));
    EXPECT_THAT(wait(1000ms), ElementsAre(Ev{0x93, hex("01 00 12 00 50")}));
    EXPECT_THAT(cmd(0x32, "01 00 13"), ElementsAre(cc(0x32, 0, hex("01 00"))));
    EXPECT_THAT(cmd(0x34, "01 00 00 13 00 00"), ElementsAre(cc(0x34)));
    EXPECT_THAT(wait(5000ms), IsEmpty());
}

TEST_F(ModuleTest, LongValuesAreCutToTheMtuAndToWhatOneEventCarries) {
    scenario.peers[0].mtu = 517;
    scenario.peers[0].services[0].characteristics[0].value = Bytes(400, 0x5A);
    connectA();
    const Evs r = cmd(0x32, "01 00 03");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].params.size(), 2u + 252u); // L = 255
    const Evs u = cmd(0x33, "01 00 2A");
    ASSERT_EQ(u.size(), 1u);
    EXPECT_EQ(u[0].params.size(), 2u + 2u + 250u);
    scenario.peers[0].mtu = 23;
    h.reset();
    connectA();
    EXPECT_EQ(cmd(0x32, "01 00 03").at(0).params.size(), 2u + 22u);
}

// ---- transparent data ----------------------------------------------------------------

TEST_F(ModuleTest, TransparentDataIsEchoedWithCreditNotificationsOnHandle0057) {
    connectA();
    EXPECT_THAT(cmd(0x3F, "01 41"), ElementsAre(cc(0x3F, 0x0C))); // not enabled yet
    EXPECT_THAT(cmd(0x35, "01 01 02"), ElementsAre(cc(0x35, 0x12)));
    // Enabled: the peer grants its 4 credits for 23-byte packets (payload 20).
    EXPECT_THAT(cmd(0x35, "01 01 01"),
                ElementsAre(cc(0x35), Ev{0x93, hex("01 00 57 00 00 00 17 04")}));
    EXPECT_THAT(cmd(0x3F, "01 68 69"), ElementsAre(cc(0x3F), Ev{0x9A, hex("01 68 69")}));
    // After two blocks the peer hands two credits back.
    EXPECT_THAT(cmd(0x3F, "01 21"), ElementsAre(cc(0x3F), Ev{0x9A, hex("01 21")},
                                                Ev{0x93, hex("01 00 57 00 00 00 17 02")}));
    // Echoes are cut to the payload size.
    Bytes block{0x01};
    for (int i = 0; i < 45; ++i)
        block.push_back(static_cast<std::uint8_t>(i));
    const Evs e = m().command(0x3F, block);
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[1].params.size(), 21u);
    EXPECT_EQ(e[2].params.size(), 21u);
    EXPECT_EQ(e[3].params.size(), 6u);
    EXPECT_EQ(e[3].params.back(), 44);
    EXPECT_THAT(cmd(0x35, "01 00 00"), ElementsAre(cc(0x35)));
    EXPECT_THAT(cmd(0x3F, "01 41"), ElementsAre(cc(0x3F, 0x0C)));
}

TEST_F(ModuleTest, APeerStreamsAtItsRateWhileTransparentIsOnAndCorruptsTheChosenByte) {
    // 1000 bytes a second in 20-byte pieces: one piece every 20 ms, 50 bytes in all, and
    // the 30th byte the peer sends (counting its echoes) inverted.
    scenario.peers[0].credits = 0;
    scenario.peers[0].streamBytesPerSecond = 1000;
    scenario.peers[0].streamAfter = 100ms;
    scenario.peers[0].streamTotalBytes = 50;
    scenario.peers[0].corruptByte = 29;
    connectA();
    EXPECT_THAT(wait(1000ms), IsEmpty()); // not before the service is on
    EXPECT_THAT(cmd(0x35, "01 01 01"), ElementsAre(cc(0x35)));
    EXPECT_THAT(wait(99ms), IsEmpty());
    EXPECT_THAT(wait(1ms), ElementsAre(Ev{0x9A, hex("01 30313233343536373839414243444546"
                                                    "4748494A")}));
    EXPECT_THAT(cmd(0x3F, "01 21 22 23"), ElementsAre(cc(0x3F), Ev{0x9A, hex("01 21 22 23")}));
    EXPECT_THAT(wait(19ms), IsEmpty());
    // Stream bytes 20 to 39 are the 24th to 43rd bytes sent: the 30th is stream byte 26,
    // "Q" (51), which arrives as AE.
    EXPECT_THAT(wait(1ms), ElementsAre(Ev{0x9A, hex("01 4B4C4D4E4F50AE52535455565758595A"
                                                    "61626364")}));
    EXPECT_THAT(wait(20ms), ElementsAre(Ev{0x9A, hex("01 65666768696A6B6C6D6E")}));
    EXPECT_THAT(wait(1000ms), IsEmpty()); // 50 bytes in all
    EXPECT_EQ(streamByte(63), '\n');
    EXPECT_EQ(streamByte(64), '0');

    // Switching the service off stops an endless stream; on again starts it afresh.
    scenario.peers[0].streamTotalBytes = 0;
    h.reset();
    connectA();
    EXPECT_THAT(cmd(0x35, "01 01 01"), ElementsAre(cc(0x35)));
    EXPECT_EQ(wait(200ms).size(), 6u); // at 100, 120, ... 200 ms
    EXPECT_THAT(cmd(0x35, "01 00 00"), ElementsAre(cc(0x35)));
    EXPECT_THAT(wait(1000ms), IsEmpty());
    EXPECT_THAT(cmd(0x35, "01 01 01"), ElementsAre(cc(0x35)));
    const Evs again = wait(100ms);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].params[1], '0');
}

TEST_F(ModuleTest, TransparentNeedsThePeersTransparentService) {
    scenario.peers[0].services.pop_back();
    connectA();
    EXPECT_THAT(cmd(0x35, "01 01 01"), ElementsAre(cc(0x35, 0x0C)));
    EXPECT_THAT(cmd(0x35, "02 01 01"), ElementsAre(cc(0x35, 0x02)));
}

TEST_F(ModuleTest, WritingTheTransparentReceiveCharacteristicIsEchoedOnTransmit) {
    connectA();
    EXPECT_THAT(cmd(0x34, "01 01 00 55 41 42"), ElementsAre(cc(0x34))); // notify off: no echo
    EXPECT_THAT(cmd(0x34, "01 00 00 53 01 00"), ElementsAre(cc(0x34)));
    EXPECT_THAT(cmd(0x34, "01 01 00 55 41 42"),
                ElementsAre(cc(0x34), Ev{0x93, hex("01 00 52 41 42")}));
}

// ---- local GATT server ---------------------------------------------------------------

TEST_F(ModuleTest, LocalTableResultsCarryConnectionHandleZero) {
    EXPECT_THAT(cmd(0x3B),
                ElementsAre(Ev{0x90, hex("00 06 01 00 03 00 00 18 04 00 09 00 0D 18")}, cc(0x3B)));
    EXPECT_THAT(cmd(0x3C, "18 0D"),
                ElementsAre(Ev{0x91, hex("00 07 05 00 10 06 00 37 2A 08 00 08 09 00 39 2A")},
                            Ev{0x92, hex("00 01 07 00 02 29")}, cc(0x3C)));
    EXPECT_THAT(cmd(0x3C, "0D 18"), ElementsAre(cc(0x3C, 0x8A))); // most significant first
    EXPECT_THAT(cmd(0x3C, "18"), ElementsAre(cc(0x3C, 0x12)));
}

TEST_F(ModuleTest, LocalValuesAreReadUpdatedAndSent) {
    EXPECT_THAT(cmd(0x3A, "00 03"), ElementsAre(cc(0x3A, 0, hex("53"))));
    EXPECT_THAT(cmd(0x39, "00 06 00 55"), ElementsAre(cc(0x39)));
    EXPECT_THAT(cmd(0x3A, "00 06"), ElementsAre(cc(0x3A, 0, hex("00 55"))));
    EXPECT_THAT(cmd(0x3A, "00 07"), ElementsAre(cc(0x3A, 0, hex("00 00"))));
    EXPECT_THAT(cmd(0x39, "00 50 01"), ElementsAre(cc(0x39, 0x81)));
    EXPECT_THAT(cmd(0x3A, "00 50"), ElementsAre(cc(0x3A, 0x81)));
    EXPECT_THAT(cmd(0x38, "01 00 06 00 60"), ElementsAre(cc(0x38, 0x02)));
    connectA();
    EXPECT_THAT(cmd(0x38, "01 00 06 00 60"), ElementsAre(cc(0x38)));
    EXPECT_THAT(cmd(0x38, "01 00 03 41"), ElementsAre(cc(0x38, 0x0C)));
    EXPECT_THAT(cmd(0x38, "01 00 50 41"), ElementsAre(cc(0x38, 0x81)));
    EXPECT_THAT(cmd(0x3D, "01 12 00 09 00"), ElementsAre(cc(0x3D)));
    EXPECT_THAT(cmd(0x3D, "02 12 00 09 00"), ElementsAre(cc(0x3D, 0x02)));
}

TEST_F(ModuleTest, APeerWritesTheLocalControlPoint) {
    scenario.peers[0].writes = {{100ms, Uuid::of16(0x2A39), {0x01, 0x02}}};
    connectA();
    EXPECT_THAT(wait(99ms), IsEmpty());
    EXPECT_THAT(wait(1ms), ElementsAre(Ev{0x98, hex("01 00 09 01 02")}));
    EXPECT_THAT(cmd(0x3A, "00 09"), ElementsAre(cc(0x3A, 0, hex("01 02"))));
}

TEST_F(ModuleTest, AWriteResponseWithAnErrorUndoesThePeersWriteAndOneWithout0KeepsIt) {
    scenario.peers[0].writes = {{100ms, Uuid::of16(0x2A37), {0x01, 0x00}, Uuid::of16(0x2902)},
                                {200ms, Uuid::of16(0x2A39), {0x05}}};
    connectA();
    // The configuration descriptor of the measurement, then the control point's value.
    EXPECT_THAT(wait(100ms), ElementsAre(Ev{0x98, hex("01 00 07 01 00")}));
    EXPECT_THAT(cmd(0x3D, "01 12 00 07 00"), ElementsAre(cc(0x3D)));
    EXPECT_THAT(cmd(0x3A, "00 07"), ElementsAre(cc(0x3A, 0, hex("01 00"))));
    EXPECT_THAT(wait(100ms), ElementsAre(Ev{0x98, hex("01 00 09 05")}));
    EXPECT_THAT(cmd(0x3A, "00 09"), ElementsAre(cc(0x3A, 0, hex("05"))));
    EXPECT_THAT(cmd(0x3D, "01 12 00 09 80"), ElementsAre(cc(0x3D)));
    EXPECT_THAT(cmd(0x3A, "00 09"), ElementsAre(cc(0x3A, 0, hex("00"))));
    // A response for an attribute nobody wrote changes nothing.
    EXPECT_THAT(cmd(0x3D, "01 12 00 07 03"), ElementsAre(cc(0x3D)));
    EXPECT_THAT(cmd(0x3A, "00 07"), ElementsAre(cc(0x3A, 0, hex("01 00"))));
}

TEST_F(ModuleTest, APeerAnswersAValueTheModuleSendsIt) {
    scenario.peers[0].answers = {{Uuid::of16(0x2A37), {50ms, Uuid::of16(0x2A39), {0x07}}}};
    connectA();
    EXPECT_THAT(cmd(0x38, "01 00 06 00 60"), ElementsAre(cc(0x38)));
    EXPECT_THAT(wait(49ms), IsEmpty());
    EXPECT_THAT(wait(1ms), ElementsAre(Ev{0x98, hex("01 00 09 07")}));
    // A refused send gets no answer.
    EXPECT_THAT(cmd(0x38, "02 00 06 00 61"), ElementsAre(cc(0x38, 0x02)));
    EXPECT_THAT(wait(100ms), IsEmpty());
}

// ---- timed events --------------------------------------------------------------------

TEST_F(ModuleTest, ScenarioEventsComeAtTheirTimesAndNotWhileShutDown) {
    scenario.events = {{1000ms, 0ms, 0x8F, {0x01}}, {500ms, 1000ms, 0xF0, {0x01, 0x02, 0x03}}};
    EXPECT_THAT(wait(499ms), IsEmpty());
    EXPECT_THAT(wait(1ms), ElementsAre(Ev{0xF0, hex("01 02 03")}));
    EXPECT_THAT(wait(500ms), ElementsAre(Ev{0x8F, hex("01")}));
    EXPECT_THAT(wait(500ms), ElementsAre(Ev{0xF0, hex("01 02 03")}));
    EXPECT_THAT(cmd(0x05), ElementsAre(cc(0x05), status(0x0A)));
    EXPECT_THAT(wait(1000ms), IsEmpty());
    EXPECT_THAT(cmd(0x02), ElementsAre(status(0x09)));
    EXPECT_THAT(wait(1000ms), ElementsAre(Ev{0xF0, hex("01 02 03")}));
}

} // namespace
} // namespace nuvex3::sim
