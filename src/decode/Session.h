#pragma once
// One session of the decoded view: every packet sent and received since Connect (or read
// from a session log file), in order, with its time, its pairing with the command it
// answers and the round-trip time. Rows are stored compact and decoded when they are
// looked at, so a long session costs little more than its bytes.

#include "decode/AnswerPairing.h"
#include "decode/DecodedPacket.h"
#include "decode/PacketStore.h"
#include "link/Packet.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace nuvex3::decode {

// The texts of one row as the view and the command-line decoder show them.
struct RowTexts {
    std::string number;    // from 1 for the first row of the session
    std::string time;      // milliseconds since the session started, 3 decimals
    std::string direction; // "Sent", "Received", empty for a note
    std::string opcode;    // "0x16"
    std::string name;
    std::string fields;
    std::string roundTrip; // "3.456 ms", "no response", "no command"
    std::string pairing;   // "answers #12 (Set Scan Enable) after 3.456 ms" ...
    bool error = false;
};

class Session {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr std::size_t kDefaultRows = 1'000'000;

    explicit Session(std::size_t maxRows = kDefaultRows,
                     std::size_t segmentRows = PacketStore::kSegmentRows);

    // Starts a new, empty session: `steady` is when it starts on the clock the packets are
    // timed with, `wallUs` the same moment in microseconds since 1970 (pcapng times).
    void start(TimePoint steady, std::int64_t wallUs);
    // Times given in microseconds since the start are not measured (log files).
    void setSyntheticTimes(bool synthetic) { synthetic_ = synthetic; }
    bool syntheticTimes() const { return synthetic_; }

    // A command record (kind 0), a received packet record (kind 1), a command the layer
    // gave up waiting for (its record).
    std::uint64_t addSent(TimePoint at, const Record& command);
    std::uint64_t addReceived(TimePoint at, const Record& packet);
    std::uint64_t addTimeout(TimePoint at, const Record& command);
    // The same with wire packets and times since the start.
    std::uint64_t addPacket(Direction direction, std::int64_t timeUs,
                            std::span<const std::uint8_t> wire);
    std::uint64_t addTimeout(std::int64_t timeUs, std::uint8_t opcode);
    // A message the tool showed (a line of a session log file that is no packet).
    std::uint64_t addMessage(std::int64_t timeUs, std::string_view text);

    const PacketStore& store() const { return store_; }
    // Older rows go to a temporary file (PacketStore::enableSpool).
    void enableSpool(SpoolSettings settings) { store_.enableSpool(std::move(settings)); }
    void setMaxRows(std::size_t rows) { store_.setCapacity(rows); }
    std::size_t maxRows() const { return store_.capacity(); }
    void dropOldest(std::size_t rows) { store_.dropOldest(rows); }
    std::int64_t wallStartUs() const { return wallStartUs_; }
    // Microseconds from the session's start to `t`.
    std::int64_t sinceStart(TimePoint t) const;

    bool isPacket(std::uint64_t seq) const { return !(store_.row(seq).flags & StoredRow::Note); }
    Direction direction(std::uint64_t seq) const {
        return store_.row(seq).flags & StoredRow::Sent ? Direction::Sent : Direction::Received;
    }
    // The decoded packet of a packet row.
    DecodedPacket decode(std::uint64_t seq) const;
    RowTexts texts(std::uint64_t seq) const;
    // Texts when the row's packet is already decoded.
    RowTexts texts(std::uint64_t seq, const DecodedPacket& decoded) const;

    // The row's pairing told with other rows named by `name` (for example "#13", or the
    // frame number in an exported file); `name` is not called for rows no longer kept.
    using RowName = std::function<std::string(std::uint64_t seq)>;
    std::string pairingText(std::uint64_t seq, const RowName& name) const;
    std::string roundTripText(std::uint64_t seq) const;

private:
    void pair(std::uint64_t seq, const AnswerPairing::Match& m, std::int64_t timeUs);

    PacketStore store_;
    AnswerPairing pairing_;
    TimePoint start_{};
    std::int64_t wallStartUs_ = 0;
    bool synthetic_ = false;
};

// "1234.567": milliseconds with three decimals.
std::string millisecondsText(std::int64_t us);

} // namespace nuvex3::decode
