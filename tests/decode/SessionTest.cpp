// Sessions: answers paired with their commands and round-trip times on the test clock,
// unpaired answers and time-outs, the bounded row store, and the view's filter.

#include "DecodeTestSupport.h"

#include "decode/RowFilter.h"
#include "decode/Session.h"
#include "link/Clock.h"

#include <gtest/gtest.h>

#include <chrono>

namespace nuvex3::decode {
namespace {

using namespace std::chrono_literals;
using test::hex;

Record commandRecord(std::string_view body) {
    const auto b = hex(body);
    return makeCommandRecord(b.at(0), std::span(b).subspan(1));
}

Record packetRecord(std::string_view body) {
    const auto w = test::wire(body);
    Record r{};
    std::copy(w.begin() + 1, w.end(), r.begin());
    return r;
}

class SessionTest : public ::testing::Test {
protected:
    SessionTest() { session.start(clock.now(), 1'700'000'000'000'000); }

    std::uint64_t send(std::string_view body) {
        return session.addSent(clock.now(), commandRecord(body));
    }
    std::uint64_t receive(std::string_view body) {
        return session.addReceived(clock.now(), packetRecord(body));
    }
    RowTexts row(std::uint64_t seq) { return session.texts(seq); }

    ManualClock clock;
    ScopedClock scoped{clock};
    Session session;
};

TEST_F(SessionTest, CommandCompletePairsWithItsCommand) {
    clock.advance(1500us);
    const auto cmd = send("16 01 00");
    clock.advance(3456us);
    const auto cc = receive("80 16 00");

    const RowTexts c = row(cmd);
    EXPECT_EQ(c.number, "1");
    EXPECT_EQ(c.time, "1.500");
    EXPECT_EQ(c.direction, "Sent");
    EXPECT_EQ(c.opcode, "0x16");
    EXPECT_EQ(c.name, "Set Scan Enable");
    EXPECT_EQ(c.roundTrip, "3.456 ms");
    EXPECT_EQ(c.pairing, "answered by #2 after 3.456 ms");
    EXPECT_FALSE(c.error);

    const RowTexts a = row(cc);
    EXPECT_EQ(a.time, "4.956");
    EXPECT_EQ(a.direction, "Received");
    EXPECT_EQ(a.roundTrip, "3.456 ms");
    EXPECT_EQ(a.pairing, "answers #1 (Set Scan Enable) after 3.456 ms");
}

TEST_F(SessionTest, AnswersGoToTheOldestCommandWaitingForThem) {
    const auto first = send("16 01 00");
    clock.advance(1ms);
    const auto read = send("01");
    clock.advance(1ms);
    const auto second = send("16 00 00");
    clock.advance(1ms);
    receive("80 01 00 01000307 554433221100 02");
    clock.advance(1ms);
    const auto cc1 = receive("80 16 00");
    clock.advance(1ms);
    const auto cc2 = receive("80 16 00");

    EXPECT_EQ(row(read).pairing, "answered by #4 after 2.000 ms");
    EXPECT_EQ(row(cc1).pairing, "answers #1 (Set Scan Enable) after 4.000 ms");
    EXPECT_EQ(row(cc2).pairing, "answers #3 (Set Scan Enable) after 3.000 ms");
    EXPECT_EQ(row(first).roundTrip, "4.000 ms");
    EXPECT_EQ(row(second).roundTrip, "3.000 ms");
}

TEST_F(SessionTest, ResetIsAnsweredByTheStatusReport) {
    const auto unsolicited = receive("81 09 09 09 09 09");
    const auto reset = send("02");
    clock.advance(20ms);
    const auto report = receive("81 09 09 09 09 09");
    EXPECT_EQ(row(unsolicited).pairing, "");
    EXPECT_EQ(row(unsolicited).roundTrip, "");
    EXPECT_EQ(row(reset).pairing, "answered by #3 after 20.000 ms");
    EXPECT_EQ(row(report).pairing, "answers #2 (Reset) after 20.000 ms");
}

TEST_F(SessionTest, FinalAnswersFollowTheCommandComplete) {
    const auto create = send("17 00 00 0F0E0D0C0B0A");
    clock.advance(2ms);
    receive("80 17 00");
    clock.advance(148ms);
    const auto connected = receive("71 00 01 00 00 0F0E0D0C0B0A 0018 0000 0048");
    EXPECT_EQ(row(create).pairing, "answered by #2 after 2.000 ms");
    EXPECT_EQ(row(connected).pairing, "answers #1 (LE Create Connection) after 150.000 ms");

    // Disconnect waits for the Disconnection Complete of its own handle.
    const auto disconnect = send("1B 01");
    clock.advance(1ms);
    receive("80 1B 00");
    const auto other = receive("72 02 13");
    clock.advance(9ms);
    const auto own = receive("72 01 16");
    EXPECT_EQ(row(other).pairing, "");
    EXPECT_EQ(row(own).pairing, "answers #4 (Disconnect) after 10.000 ms");
    EXPECT_EQ(row(disconnect).roundTrip, "1.000 ms");
}

TEST_F(SessionTest, UnpairedAnswersAndTimeOutsAreShown) {
    const auto stray = receive("80 10 00 C4");
    EXPECT_EQ(row(stray).roundTrip, "no command");
    EXPECT_EQ(row(stray).pairing, "answers no command sent in this session");

    const auto cmd = send("16 01 00");
    clock.advance(10s);
    const auto note = session.addTimeout(clock.now(), commandRecord("16 01 00"));
    const RowTexts n = row(note);
    EXPECT_EQ(n.direction, "");
    EXPECT_EQ(n.opcode, "0x16");
    EXPECT_EQ(n.name, "No response");
    EXPECT_EQ(n.fields, "No response to command 0x16 (Set Scan Enable)");
    EXPECT_EQ(n.pairing, "command #2");
    EXPECT_TRUE(n.error);
    EXPECT_FALSE(session.isPacket(note));
    const RowTexts c = row(cmd);
    EXPECT_EQ(c.roundTrip, "no response");
    EXPECT_EQ(c.pairing, "no answer in time");
    EXPECT_TRUE(c.error);
    // An answer after the time-out answers no command any more.
    const auto late = receive("80 16 00");
    EXPECT_EQ(row(late).roundTrip, "no command");
    EXPECT_EQ(row(cmd).roundTrip, "no response");
}

TEST_F(SessionTest, ChecksumErrorReportAnswersTheCommandWaiting) {
    const auto cmd = send("10 01");
    clock.advance(2ms);
    const auto report = receive("80 00 FF");
    EXPECT_EQ(row(report).pairing, "answers #1 (Read RSSI Value) after 2.000 ms");
    EXPECT_TRUE(row(report).error);
    EXPECT_EQ(row(cmd).roundTrip, "2.000 ms");
}

TEST_F(SessionTest, BadChecksumRowsAreRed) {
    auto r = packetRecord("81 09");
    r[4] ^= 0x01;
    const auto seq = session.addReceived(clock.now(), r);
    EXPECT_TRUE(row(seq).error);
    EXPECT_EQ(session.decode(seq).problems.front(), "checksum 0x75, should be 0x74");
}

TEST_F(SessionTest, SyntheticTimesPairWithoutRoundTrips) {
    session.start({}, 0);
    session.setSyntheticTimes(true);
    session.addPacket(Direction::Sent, 0, test::wire("07"));
    session.addPacket(Direction::Received, 1000, test::wire("80 07 00 4E5558"));
    EXPECT_EQ(row(0).roundTrip, "");
    EXPECT_EQ(row(0).pairing, "answered by #2");
    EXPECT_EQ(row(1).pairing, "answers #1 (Read Device Name)");
    EXPECT_EQ(row(1).time, "1.000");
}

TEST_F(SessionTest, TheRingKeepsTheLastRowsAndTheirNumbers) {
    session.setMaxRows(3);
    send("16 01 00");
    for (int i = 0; i < 4; ++i) {
        clock.advance(1ms);
        receive("70 00 00 0F0E0D0C0B0A 06 020106 020941 C4");
    }
    clock.advance(1ms);
    const auto cc = receive("80 16 00");
    const PacketStore& store = session.store();
    EXPECT_EQ(store.size(), 3u);
    EXPECT_EQ(store.firstSeq(), 3u);
    EXPECT_EQ(row(cc).number, "6");
    EXPECT_EQ(row(cc).roundTrip, "5.000 ms");
    EXPECT_EQ(row(cc).pairing, "answers a command before the first row kept after 5.000 ms");
    EXPECT_EQ(row(3).fields, "Event Type: 0x00 (ADV_IND), Address Type: 0x00 (Public), Address: "
                             "0A:0B:0C:0D:0E:0F, Data Length: 6, Data: {Flags: 0x06, Complete "
                             "Local Name: \"A\"}, RSSI: -60 dBm");
}

TEST(PacketStore, BytesStayIntactWhileOldRowsGoAndMemoryStaysFlat) {
    PacketStore store(1000);
    std::vector<std::uint8_t> packet(1500);
    std::size_t peak = 0;
    for (std::uint64_t i = 0; i < 20'000; ++i) {
        for (std::size_t k = 0; k < packet.size(); ++k)
            packet[k] = static_cast<std::uint8_t>(i + k);
        StoredRow row;
        row.timeUs = static_cast<std::int64_t>(i);
        const std::size_t size = 1 + i % packet.size();
        EXPECT_EQ(store.append(row, std::span(packet).first(size)), i);
        peak = std::max(peak, store.memoryBytes());
    }
    EXPECT_EQ(store.size(), 1000u);
    EXPECT_EQ(store.firstSeq(), 19'000u);
    for (std::uint64_t i = store.firstSeq(); i < store.endSeq(); ++i) {
        const auto b = store.bytes(i);
        ASSERT_EQ(b.size(), 1 + i % packet.size());
        EXPECT_EQ(b.front(), static_cast<std::uint8_t>(i));
        EXPECT_EQ(b.back(), static_cast<std::uint8_t>(i + b.size() - 1));
        EXPECT_EQ(store.row(i).timeUs, static_cast<std::int64_t>(i));
    }
    // 1000 rows of at most 1500 bytes: the segments they need and one being filled.
    const std::size_t segment =
        PacketStore::kSegmentRows * sizeof(StoredRow) + PacketStore::kSegmentBytes;
    EXPECT_LE(peak, (1000 * 1500 / PacketStore::kSegmentBytes + 2) * segment);

    store.setCapacity(10);
    EXPECT_EQ(store.size(), 10u);
    EXPECT_EQ(store.firstSeq(), 19'990u);
    EXPECT_EQ(store.bytes(19'995).front(), static_cast<std::uint8_t>(19'995));
    store.clear();
    EXPECT_EQ(store.size(), 0u);
    EXPECT_EQ(store.append({}, {}), 0u);
    EXPECT_TRUE(store.bytes(0).empty());
}

class FilterTest : public SessionTest {
protected:
    FilterTest() {
        send("16 01 00");                                     // 1
        receive("80 16 00");                                  // 2
        receive("70 00 00 0F0E0D0C0B0A 06 020106 020941 C4"); // 3
        send("10 01");                                        // 4
        receive("80 10 02");                                  // 5
        receive("72 02 13");                                  // 6
        send("17 00 00 0F0E0D0C0B0A");                        // 7
        session.addTimeout(clock.now(), commandRecord("17")); // 8
    }
    std::string matching(const std::string& text) {
        const RowFilter filter(text);
        std::string rows;
        for (std::uint64_t seq = 0; seq < session.store().endSeq(); ++seq)
            if (filter.matches(session, seq))
                rows += (rows.empty() ? "" : " ") + std::to_string(seq + 1);
        return rows;
    }
};

TEST_F(FilterTest, TermsByOpcodeHandleErrorDirectionAndText) {
    EXPECT_TRUE(RowFilter("").empty());
    EXPECT_EQ(matching(""), "1 2 3 4 5 6 7 8");
    EXPECT_EQ(matching("0x16"), "1 2");
    EXPECT_EQ(matching("0x17"), "7 8");
    EXPECT_EQ(matching("handle:01"), "4");
    EXPECT_EQ(matching("h=0x02"), "6");
    EXPECT_EQ(matching("is:error"), "5 7 8");
    EXPECT_EQ(matching("is:sent"), "1 4 7");
    EXPECT_EQ(matching("is:received 0x80"), "2 5");
    EXPECT_EQ(matching("ADV_IND"), "3");
    // Names and field texts: row 3 holds a "Complete Local Name".
    EXPECT_EQ(matching("complete"), "2 3 5 6");
    EXPECT_EQ(matching("\"unknown connection\""), "5");
    EXPECT_EQ(matching("unknown connection"), "5");
    EXPECT_EQ(matching("no response"), "8");
    EXPECT_EQ(matching("0a:0b:0c"), "3 7");
}

} // namespace
} // namespace nuvex3::decode
