// Line faults applied to whole packets.

#include "SimTestSupport.h"

#include "sim/WireFaults.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace nuvex3::sim {
namespace {

using test::hex;
using test::toHex;

TEST(WireFaults, SelectsEveryNthPacketOfAnOpcode) {
    FaultOptions o;
    o.corruptChecksum = {2, 0x80};
    WireFaults f(o);
    const Bytes report = framePacket(0x81, hex("09 09 09 09 09"));
    const Bytes answer = framePacket(0x80, hex("01 00"));
    EXPECT_EQ(f.outbound(report)->bytes, report);
    EXPECT_EQ(f.outbound(answer)->bytes, answer);
    EXPECT_EQ(toHex(f.outbound(answer)->bytes), "AA 00 03 80 01 00 26"); // 7C ^ 5A
    EXPECT_EQ(f.outbound(report)->bytes, report);
    EXPECT_EQ(f.outbound(answer)->bytes, answer);
    EXPECT_NE(f.outbound(answer)->bytes, answer);
}

TEST(WireFaults, OversizeDropAndDelay) {
    FaultOptions o;
    o.oversizeLength = {1, 0x70};
    o.dropAnswer = {1, 0x81};
    o.delayAnswer = {3, -1};
    o.delay = std::chrono::milliseconds(250);
    WireFaults f(o);
    EXPECT_EQ(toHex(f.outbound(framePacket(0x70, hex("00")))->bytes), "AA FF FF 70 00 8E");
    EXPECT_FALSE(f.outbound(framePacket(0x81, hex("09"))));
    const auto third = f.outbound(framePacket(0x80, hex("01 00")));
    ASSERT_TRUE(third);
    EXPECT_EQ(third->delay, std::chrono::milliseconds(0)); // the dropped one did not count
    EXPECT_EQ(f.outbound(framePacket(0x80, hex("01 00")))->delay, std::chrono::milliseconds(250));
}

TEST(WireFaults, DamagesSelectedCommandsOnTheWayInAndPassesEverythingElse) {
    FaultOptions o;
    o.badCommandChecksum = {1, 0x03};
    WireFaults f(o);
    EXPECT_EQ(toHex(f.inbound(hex("55 AA 00 01 01"))), "55");
    EXPECT_EQ(toHex(f.inbound(hex("FE AA 00 01"))), "AA 00 01 01 FE");
    EXPECT_EQ(toHex(f.inbound(hex("03 FC"))), "AA 00 01 03 A6");
    EXPECT_EQ(toHex(f.inbound(hex("AA 00 00 AA FF FF"))), "AA 00 00 AA FF FF");

    WireFaults off{FaultOptions{}};
    EXPECT_EQ(toHex(off.inbound(hex("AA 00 01 03"))), "AA 00 01 03");
}

} // namespace
} // namespace nuvex3::sim
