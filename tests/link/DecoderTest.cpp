// Every event decoder and every Command Complete condition: the exact record bytes for a
// sample, and the too-short cases that give no decoded record.

#include "LinkTestSupport.h"

#include "link/EventDecoder.h"

#include <gtest/gtest.h>

namespace nuvex3 {
namespace {

using test::hex;
using test::toHex;

// Decodes opcode + parameters given as hex, framed like a received packet.
std::vector<test::Event> decode(std::string_view body) {
    const auto b = hex(body);
    const auto packet = framePacket(b[0], std::span(b).subspan(1));
    std::vector<test::Event> out;
    decodePacket(std::span(packet).subspan(1), [&](int kind, const Record& r) {
        out.push_back({kind, r});
    });
    return out;
}

std::string rec(const test::Event& e, std::size_t n) {
    return toHex(test::head(e.record, n));
}

std::string at(const test::Event& e, std::size_t from, std::size_t n) {
    return toHex({e.record.begin() + static_cast<std::ptrdiff_t>(from),
                  e.record.begin() + static_cast<std::ptrdiff_t>(from + n)});
}

std::string repeat(std::string_view unit, int times) {
    std::string s;
    for (int i = 0; i < times; ++i)
        s.append(unit).append(" ");
    return s;
}

TEST(EventDecoder, PairingEvents) {
    auto ev = decode("60 80");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindPasskeyEntryRequest);
    EXPECT_EQ(rec(ev[0], 4), "00 02 60 80");

    ev = decode("61 80 02");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindPairingComplete);
    EXPECT_EQ(rec(ev[0], 5), "00 03 61 80 02");

    ev = decode("62 80 31 32 33 34 35 36");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindPasskeyConfirmRequest);
    EXPECT_EQ(rec(ev[0], 10), "00 08 62 80 31 32 33 34 35 36");

    // One byte short, a field would be the checksum: received packets only.
    EXPECT_TRUE(decode("60").empty());
    EXPECT_TRUE(decode("61 80").empty());
    EXPECT_TRUE(decode("62 80 31 32 33 34 35").empty());
}

TEST(EventDecoder, AdvertisingReportReversesTheAddressAndMovesTheRssi) {
    const auto ev = decode("70 00 01 11 22 33 44 55 66 03 02 01 06 C5");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindAdvertisingReport);
    EXPECT_EQ(rec(ev[0], 16), "00 0E 70 00 01 66 55 44 33 22 11 03 02 01 06 C5");
    EXPECT_EQ(ev[0].record[43], 0xC5);

    // 31 bytes of data: the RSSI lands at [43], directly after the data.
    const auto full = decode("70 00 00 11 22 33 44 55 66 1F " + repeat("A5", 31) + "B0");
    ASSERT_EQ(full.size(), 1u);
    EXPECT_EQ(at(full[0], 12, 31), toHex(hex(repeat("A5", 31))));
    EXPECT_EQ(full[0].record[43], 0xB0);

    EXPECT_TRUE(decode("70 00 00 11 22 33 44 55 66").empty()); // L 10
    // A data length the packet does not hold, or one that would run into the RSSI.
    EXPECT_TRUE(decode("70 00 01 11 22 33 44 55 66 05 02 01 06 C5").empty());
    EXPECT_TRUE(decode("70 00 00 11 22 33 44 55 66 20 " + repeat("A5", 32) + "B0").empty());
}

TEST(EventDecoder, ConnectionEvents) {
    auto ev = decode("71 00 80 01 00 11 22 33 44 55 66 00 06 00 00 01 F4");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindConnectionComplete);
    EXPECT_EQ(rec(ev[0], 20), "00 11 71 00 80 01 00 66 55 44 33 22 11 00 06 00 00 01 F4 9D");
    EXPECT_TRUE(decode("71 00 80 01 00 11 22 33 44 55 66 00 06 00 00 01").empty());

    ev = decode("72 80 13");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindDisconnectionComplete);
    EXPECT_EQ(rec(ev[0], 6), "00 03 72 80 13 F8");
    EXPECT_TRUE(decode("72 80").empty());

    ev = decode("73 80 00 06 00 01 01 F4");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindConnectionParameterUpdate);
    EXPECT_EQ(rec(ev[0], 10), "00 08 73 80 00 06 00 01 01 F4");
    EXPECT_TRUE(decode("73 80 00 06 00 01 01").empty());
}

TEST(EventDecoder, StatusAndModeReports) {
    auto ev = decode("81 0C 01 00 00 00");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindStatusReport);
    EXPECT_EQ(rec(ev[0], 9), "00 06 81 0C 01 00 00 00 6C");
    EXPECT_TRUE(decode("81").empty());

    ev = decode("8F 01");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindConfigureModeStatus);
    EXPECT_EQ(rec(ev[0], 4), "00 02 8F 01");
    EXPECT_TRUE(decode("8F").empty());
    EXPECT_TRUE(decode("55 01 02").empty()); // no row: kind 1 only
}

TEST(EventDecoder, PrimaryServicesOneRecordPerEntry) {
    // e = 6, L = 21: three entries.
    auto ev = decode("90 80 06 01 00 05 00 00 18 06 00 0B 00 01 18 0C 00 FF FF 0F 18");
    ASSERT_EQ(ev.size(), 3u);
    for (const auto& e : ev)
        EXPECT_EQ(e.kind, kKindPrimaryServiceResult);
    EXPECT_EQ(rec(ev[0], 11), "00 0A 90 80 01 00 01 00 05 18 00");
    EXPECT_EQ(rec(ev[1], 11), "00 0A 90 80 01 00 06 00 0B 18 01");
    EXPECT_EQ(rec(ev[2], 11), "00 0A 90 80 01 00 0C FF FF 18 0F");

    // e = 20: a 16-byte UUID, reversed.
    ev = decode("90 81 14 10 00 20 00 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(rec(ev[0], 25),
              "00 18 90 81 02 00 10 00 20 0F 0E 0D 0C 0B 0A 09 08 07 06 05 04 03 02 01 00");

    EXPECT_TRUE(decode("90 80 00 01 00 05 00 00 18").empty()); // entry length 0
    EXPECT_TRUE(decode("90 80 06 01 00 05 00 00").empty());    // L 8
    // Only whole entries the packet holds: a trailing partial entry is not read.
    EXPECT_EQ(decode("90 80 06 01 00 05 00 00 18 06 00 0B 00").size(), 1u);
}

TEST(EventDecoder, CharacteristicsOneRecordPerEntry) {
    auto ev = decode("91 80 07 02 00 0A 03 00 00 2A 04 00 02 05 00 01 2A");
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].kind, kKindCharacteristicResult);
    EXPECT_EQ(rec(ev[0], 12), "00 0B 91 80 01 00 02 0A 00 03 2A 00");
    EXPECT_EQ(rec(ev[1], 12), "00 0B 91 80 01 00 04 02 00 05 2A 01");

    ev = decode("91 80 15 02 00 0A 03 00 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(rec(ev[0], 26),
              "00 19 91 80 02 00 02 0A 00 03 0F 0E 0D 0C 0B 0A 09 08 07 06 05 04 03 02 01 00");
    EXPECT_TRUE(decode("91 80 00 02 00 0A 03 00 00 2A").empty());
    EXPECT_TRUE(decode("91 80 07 02 00 0A 03 00 00").empty()); // L 9
}

TEST(EventDecoder, DescriptorsOneRecordPerEntry) {
    // f = 1, L = 11: two entries.
    auto ev = decode("92 80 01 04 00 02 29 05 00 01 29");
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].kind, kKindDescriptorResult);
    EXPECT_EQ(rec(ev[0], 9), "00 0B 92 80 01 00 04 29 02");
    EXPECT_EQ(rec(ev[1], 9), "00 0B 92 80 01 00 05 29 01");

    ev = decode("92 80 02 06 00 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(rec(ev[0], 23),
              "00 15 92 80 02 00 06 0F 0E 0D 0C 0B 0A 09 08 07 06 05 04 03 02 01 00");
    EXPECT_TRUE(decode("92 80 03 04 00 02 29").empty()); // unknown format
    EXPECT_TRUE(decode("92 80 01 04").empty());          // L 4
}

TEST(EventDecoder, ValuesFromThePeer) {
    auto ev = decode("93 80 12 00 AA BB");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindCharacteristicValueReceived);
    EXPECT_EQ(rec(ev[0], 9), "00 06 93 80 00 12 02 AA BB");
    EXPECT_TRUE(decode("93 80 12 00").empty());

    ev = decode("98 80 34 00 01");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindClientWrite);
    EXPECT_EQ(rec(ev[0], 8), "00 05 98 80 00 34 01 01");
    EXPECT_TRUE(decode("98 80 34").empty());

    // A value longer than the one-byte length can say: 255 bytes kept, nothing beyond.
    ev = decode("93 80 12 00 " + repeat("5A", 296));
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].record[6], 0xFF);
    EXPECT_EQ(ev[0].record[7 + 254], 0x5A);
    EXPECT_EQ(ev[0].record[7 + 255], 0x00);
}

TEST(EventDecoder, TransparentData) {
    auto ev = decode("9A 80 01 AA 03");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindTransparentData);
    EXPECT_EQ(rec(ev[0], 11), "00 05 9A 80 03 00 00 00 01 AA 03");

    // The largest packet that fits: the whole data arrives, with its 32-bit count.
    const std::string big = "9A 80 " + repeat("C3", 1496);
    ev = decode(big);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(rec(ev[0], 8), "05 DA 9A 80 D8 05 00 00");
    EXPECT_EQ(ev[0].record[8 + 1495], 0xC3);
    // A length of 1 holds no handle and no data.
    EXPECT_TRUE(decode("9A").empty());
}

TEST(EventDecoder, ReservedAndDemoEvents) {
    auto ev = decode("C0 01 02 03 04");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindEventC0);
    EXPECT_EQ(rec(ev[0], 7), "00 05 C0 01 02 03 04");
    EXPECT_EQ(at(ev[0], 260, 4), "02 00 00 00");
    EXPECT_TRUE(decode("C0 01").empty());

    ev = decode("F0 01 02 03");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindCustomerDemo);
    EXPECT_EQ(rec(ev[0], 6), "00 04 F0 01 02 03");

    ev = decode("F9 01 02 03");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindEventF9);
    EXPECT_EQ(rec(ev[0], 7), "00 04 F9 01 02 03 FD");
    EXPECT_EQ(at(ev[0], 204, 4), "02 00 00 00");
    EXPECT_TRUE(decode("F9").empty());

    // A packet that would reach the count: the record keeps what fits before it.
    ev = decode("F9 " + repeat("11", 300));
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(at(ev[0], 200, 8), "11 11 11 11 C8 00 00 00");
}

TEST(CommandCompleteDecoder, NoReturnedDataAndOtherCommands) {
    auto ev = decode("80 16 00");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindCommandComplete);
    EXPECT_EQ(rec(ev[0], 6), "00 03 80 16 00 67");

    ev = decode("80 16 00 01");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindCommandComplete);
    EXPECT_EQ(rec(ev[0], 7), "00 04 80 16 00 01 65");
    // Without a status byte there is nothing to decode.
    EXPECT_TRUE(decode("80 16").empty());
}

TEST(CommandCompleteDecoder, ModuleInformation) {
    auto ev = decode("80 01 00 01 02 03 04 11 22 33 44 55 66 03");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindLocalInformation);
    EXPECT_EQ(rec(ev[0], 17), "00 0E 80 01 00 01 02 03 04 66 55 44 33 22 11 03 FF");
    // Without the device type the checksum would be taken for it.
    EXPECT_TRUE(decode("80 01 00 01 02 03 04 11 22 33 44 55 66").empty()); // L 13

    ev = decode("80 04 00 01 02 03");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindAdcValue);
    EXPECT_EQ(rec(ev[0], 8), "00 06 80 04 00 01 02 03");
    EXPECT_TRUE(decode("80 04 00").size() == 1u);  // L 3 is a plain Command Complete
    EXPECT_TRUE(decode("80 04 00 01 02").empty()); // the value's low byte is missing

    ev = decode("80 06 00 01 AA BB");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindDebugData);
    EXPECT_EQ(rec(ev[0], 6), "00 06 80 06 00 01");
    EXPECT_EQ(at(ev[0], 8, 6), "02 00 00 00 AA BB");
    EXPECT_TRUE(decode("80 06 00").size() == 1u);
    EXPECT_EQ(decode("80 06 00").front().kind, kKindCommandComplete);
    EXPECT_TRUE(decode("80 06 00 01").empty());

    ev = decode("80 07 00 4E 55 56");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindDeviceName);
    EXPECT_EQ(rec(ev[0], 8), "00 06 80 07 00 4E 55 56");
    EXPECT_EQ(at(ev[0], 40, 4), "03 00 00 00");
    // A name that would reach the length field keeps its first 35 characters.
    ev = decode("80 07 00 " + repeat("41", 40));
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(at(ev[0], 38, 6), "41 41 23 00 00 00");

    ev = decode("80 0A 00 01");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindPairingMode);
    EXPECT_EQ(rec(ev[0], 7), "00 04 80 0A 00 01 71");
}

TEST(CommandCompleteDecoder, PairedDevices) {
    auto ev = decode("80 0C 00 02 00 01 11 22 33 44 55 66 01 00 A1 A2 A3 A4 A5 A6");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindPairedDevices);
    EXPECT_EQ(rec(ev[0], 22), "00 14 80 0C 00 02 00 01 66 55 44 33 22 11 01 00 A6 A5 A4 A3 A2 A1");
    // A count that needs more bytes than the packet holds: kind 1 only.
    EXPECT_TRUE(decode("80 0C 00 02 00 01 11 22 33 44 55 66").empty());
    ev = decode("80 0C 00 00");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindPairedDevices);
}

TEST(CommandCompleteDecoder, DioRssiAndRemoteName) {
    auto ev = decode("80 0E 00 01 02");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindDioControl);
    EXPECT_EQ(rec(ev[0], 7), "00 05 80 0E 00 01 02");

    ev = decode("80 10 00 C5");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindRssi);
    EXPECT_EQ(rec(ev[0], 7), "00 04 80 10 00 C5 A7");

    ev = decode("80 1F 00 41 42");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindRemoteName);
    EXPECT_EQ(rec(ev[0], 7), "00 05 80 1F 00 41 42");
    EXPECT_EQ(at(ev[0], 260, 4), "02 00 00 00");
}

TEST(CommandCompleteDecoder, CharacteristicValues) {
    auto ev = decode("80 32 00 01 02 03");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindCharacteristicValue);
    EXPECT_EQ(rec(ev[0], 9), "00 06 80 32 00 03 01 02 03");

    ev = decode("80 33 00 12 00 AA BB");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindValueByUuid);
    EXPECT_EQ(rec(ev[0], 10), "00 07 80 33 00 00 12 02 AA BB");
    // A one-byte value (L 6) is decoded as well; a handle without a value (L 5) is not.
    ev = decode("80 33 00 19 00 57");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindValueByUuid);
    EXPECT_EQ(rec(ev[0], 9), "00 06 80 33 00 00 19 01 57");
    EXPECT_TRUE(decode("80 33 00 19 00").empty());

    ev = decode("80 3A 00 7F");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, kKindLocalCharacteristicValue);
    EXPECT_EQ(rec(ev[0], 7), "00 04 80 3A 00 01 7F");
}

TEST(EventDecoder, TablesCoverEveryEventAndCondition) {
    std::vector<int> opcodes;
    for (const auto& row : eventTable())
        opcodes.push_back(row.opcode);
    EXPECT_EQ(opcodes, (std::vector<int>{0x60, 0x61, 0x62, 0x70, 0x71, 0x72, 0x73, 0x80, 0x81, 0x8F,
                                         0x90, 0x91, 0x92, 0x93, 0x98, 0x9A, 0xC0, 0xF0, 0xF9}));
    std::vector<int> commands;
    for (const auto& row : commandCompleteTable())
        commands.push_back(row.command);
    EXPECT_EQ(commands, (std::vector<int>{0x01, 0x04, 0x06, 0x07, 0x0A, 0x0C, 0x0E, 0x10, 0x1F,
                                          0x32, 0x33, 0x3A}));
    EXPECT_EQ(queueEffect(0x80), QueueEffect::ClearAndPump);
    EXPECT_EQ(queueEffect(0x71), QueueEffect::ClearAndPump);
    EXPECT_EQ(queueEffect(0x72), QueueEffect::ClearAndPump);
    EXPECT_EQ(queueEffect(0x81), QueueEffect::ClearAndPumpStatus);
    EXPECT_EQ(queueEffect(0x61), QueueEffect::ClearAwaiting);
    EXPECT_EQ(queueEffect(0x93), QueueEffect::None);
}

} // namespace
} // namespace nuvex3
