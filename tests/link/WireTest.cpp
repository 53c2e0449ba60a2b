// The packet format and the receive path of the command layer: golden vectors, and one
// stream fed whole, byte by byte and split at every boundary giving identical callbacks.

#include "LinkTestSupport.h"

#include "link/CKelvra_CmdSet_Layer.h"

#include <gtest/gtest.h>

namespace nuvex3 {
namespace {

using test::hex;
using test::toHex;

// The command layer without a port: bytes are handed to its receive operation directly.
class ReceivingLayer : public CKelvra_CmdSet_Layer {
public:
    explicit ReceivingLayer(EventCallback cb) : CKelvra_CmdSet_Layer(LayerSettings{}, cb) {}
    bool feed(std::span<const std::uint8_t> bytes) {
        return OnReceive(bytes.data(), static_cast<int>(bytes.size()), rx.data(), &rxLength);
    }
    std::array<std::uint8_t, kTxBufferSize> rx{};
    std::uint32_t rxLength = 0;
};

// Kinds and the bytes of each record that matter (length field + 3).
std::vector<std::string> summary(const std::vector<test::Event>& events) {
    std::vector<std::string> out;
    for (const auto& e : events) {
        const std::size_t n = ((e.record[0] << 8) | e.record[1]) + 3;
        out.push_back(std::to_string(e.kind) + ": " + toHex(test::head(e.record, n)));
    }
    return out;
}

TEST(Framing, GoldenVectors) {
    EXPECT_EQ(toHex(framePacket(0x01, {})), "AA 00 01 01 FE");
    EXPECT_EQ(toHex(framePacket(0x02, {})), "AA 00 01 02 FD");
    EXPECT_EQ(toHex(framePacket(0x16, hex("01 00"))), "AA 00 03 16 01 00 E6");
    EXPECT_EQ(packetChecksum(hex("00 02 81 09")), 0x74);
    EXPECT_EQ(packetChecksum(hex("00 01 00")), 0xFF);
    EXPECT_EQ(packetChecksum(hex("00 01 FF")), 0x00);

    const Record r = makeCommandRecord(0x17, hex("00 01 55 44 33 22 11 00"));
    EXPECT_EQ(toHex(test::head(r, 11)), "00 08 17 00 01 55 44 33 22 11 00");
    EXPECT_EQ(commandParamCount(r), 8u);
    EXPECT_EQ(toHex(frameCommandRecord(r)), "AA 00 09 17 00 01 55 44 33 22 11 00 E0");

    // A length field larger than 255 goes most significant byte first.
    const std::vector<std::uint8_t> params(300, 0x01);
    const auto big = framePacket(0x3F, params);
    EXPECT_EQ(toHex({big.begin(), big.begin() + 4}), "AA 01 2D 3F");
    EXPECT_EQ(big.size(), 305u);
    Record bad{};
    bad[0] = 0x06; // 1536 parameters do not fit a record
    EXPECT_TRUE(frameCommandRecord(bad).empty());
}

// A stream with garbage, a 0xAA inside a packet, a zero length, a bad checksum followed by
// a good packet, an oversize length, and several kinds of events.
std::vector<std::uint8_t> mixedStream() {
    std::vector<std::uint8_t> s = hex("55 01 FF"); // garbage before the first packet
    auto add = [&](const std::vector<std::uint8_t>& b) { s.insert(s.end(), b.begin(), b.end()); };
    add(hex("AA 00 02 81 09 74"));                 // status report
    add(framePacket(0x9A, hex("80 AA AA 00 AA"))); // 0xAA inside the parameters
    add(hex("AA 00 00"));                          // zero length: dropped
    add(hex("AA 00 03 80 16 00 66"));              // checksum off by one
    add(hex("AA 00 03 80 16 00 67"));              // then a good Command Complete
    add(hex("AA 05 DD 01 02 03"));                 // announces more than fits
    add(framePacket(0x90, hex("80 06 01 00 05 00 00 18 06 00 0B 00 01 18"))); // two entries
    add(framePacket(0x70, hex("00 01 11 22 33 44 55 66 03 02 01 06 C5")));
    add(framePacket(0xAA, hex("AA"))); // opcode and parameter 0xAA
    return s;
}

const std::vector<std::string> kExpected = {
    "1: 00 02 81 09 74",
    "12: 00 02 81 09 74",
    "1: 00 06 9A 80 AA AA 00 AA E2",
    "25: 00 06 9A 80 04 00 00 00 AA",
    "1: 00 03 80 16 00 66",
    "31: 00 03 80 16 00 66",
    "1: 00 03 80 16 00 67",
    "2: 00 03 80 16 00 67",
    "1: 00 0F 90 80 06 01 00 05 00 00 18 06 00 0B 00 01 18 93",
    "19: 00 0A 90 80 01 00 01 00 05 18 00 00 00",
    "19: 00 0A 90 80 01 00 06 00 0B 18 01 00 00",
    "1: 00 0E 70 00 01 11 22 33 44 55 66 03 02 01 06 C5 4B",
    "15: 00 0E 70 00 01 66 55 44 33 22 11 03 02 01 06 C5 4B",
    "1: 00 02 AA AA AA",
};

TEST(Reassembly, MixedStreamGivesTheExpectedCallbacks) {
    test::EventLog log;
    ReceivingLayer layer(log.callback());
    layer.feed(mixedStream());
    EXPECT_EQ(summary(log.events()), kExpected);
}

TEST(Reassembly, WholeByteByByteAndEverySplitGiveIdenticalCallbacks) {
    const auto stream = mixedStream();
    test::EventLog whole;
    {
        ReceivingLayer layer(whole.callback());
        layer.feed(stream);
    }
    const auto reference = whole.events();
    auto same = [&](const std::vector<test::Event>& got) {
        if (got.size() != reference.size())
            return false;
        for (std::size_t i = 0; i < got.size(); ++i)
            if (got[i].kind != reference[i].kind || got[i].record != reference[i].record)
                return false;
        return true;
    };

    test::EventLog bytewise;
    {
        ReceivingLayer layer(bytewise.callback());
        for (std::uint8_t b : stream)
            layer.feed(std::span(&b, 1));
    }
    EXPECT_TRUE(same(bytewise.events()));

    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
        test::EventLog split;
        ReceivingLayer layer(split.callback());
        layer.feed(std::span(stream).first(cut));
        layer.feed(std::span(stream).subspan(cut));
        EXPECT_TRUE(same(split.events())) << "split at " << cut;
    }
}

TEST(Reassembly, ValidPacketIsCopiedAndSignalsAResponse) {
    test::EventLog log;
    ReceivingLayer layer(log.callback());
    EXPECT_FALSE(layer.feed(hex("AA 00 03 80 01 00")));
    EXPECT_EQ(layer.rxLength, 0u);
    EXPECT_TRUE(layer.feed(hex("7C")));
    EXPECT_EQ(layer.rxLength, 6u);
    EXPECT_EQ(toHex({layer.rx.begin(), layer.rx.begin() + 6}), "00 03 80 01 00 7C");
    // A bad checksum is no response; its length is still recorded.
    EXPECT_FALSE(layer.feed(hex("AA 00 02 81 09 75")));
    EXPECT_EQ(layer.rxLength, 5u);
}

TEST(Reassembly, LargestPacketFitsAndOneMoreIsDropped) {
    test::EventLog log;
    ReceivingLayer layer(log.callback());
    const std::vector<std::uint8_t> data(1496, 0x42);
    std::vector<std::uint8_t> params{0x80};
    params.insert(params.end(), data.begin(), data.end());
    layer.feed(framePacket(0x9A, params)); // L = 1498
    ASSERT_EQ(log.count(kKindTransparentData), 1u);
    EXPECT_EQ(layer.rxLength, kTxBufferSize); // the last-packet copy keeps 1500 bytes

    params.push_back(0x42); // L = 1499: does not fit the 1501-byte buffer
    log.clear();
    layer.feed(framePacket(0x9A, params));
    layer.feed(hex("AA 00 02 81 09 74"));
    EXPECT_EQ(log.kinds(), (std::vector<int>{kKindPacketReceived, kKindStatusReport}));
}

TEST(Reassembler, ReportsEachOutcome) {
    Reassembler r;
    using R = Reassembler::Result;
    EXPECT_TRUE(r.hunting());
    EXPECT_EQ(r.feed(0x00), R::None);
    EXPECT_EQ(r.feed(0xAA), R::None);
    EXPECT_FALSE(r.hunting());
    EXPECT_EQ(r.feed(0x05), R::None);
    EXPECT_EQ(r.feed(0xDC), R::Oversize); // 1500 + 3 > 1501
    EXPECT_TRUE(r.hunting());
    for (std::uint8_t b : hex("AA 00 01 07"))
        EXPECT_EQ(r.feed(b), R::None);
    EXPECT_EQ(r.feed(0xF8), R::Packet);
    EXPECT_EQ(r.size(), 4u);
    for (std::uint8_t b : hex("AA 00 01 07"))
        r.feed(b);
    EXPECT_EQ(r.feed(0xF7), R::BadChecksum);
}

} // namespace
} // namespace nuvex3
