#pragma once
// Which command a received packet answers. Each command sent waits for the event its row
// of the command table names (Command Complete for the same opcode, or the Status Report
// for Reset and Read NUVEX3 Status) and, for some, a final event later (Connection
// Complete after LE Create Connection, Disconnection Complete for the same handle after
// Disconnect, ...). An answer goes to the oldest command waiting for it: the module
// answers in order. The list of waiting commands is bounded; the oldest go first.

#include <cstdint>
#include <deque>
#include <optional>
#include <span>

namespace nuvex3::decode {

class AnswerPairing {
public:
    static constexpr std::size_t kMaxWaiting = 256;

    struct Match {
        std::uint64_t command; // its row
        std::int64_t sentUs;   // its time
        bool final;            // the final answer, not the first
    };

    // A command went out as row `seq` at `timeUs`; `wire` is its packet.
    void sent(std::uint64_t seq, std::int64_t timeUs, std::span<const std::uint8_t> wire);
    // A packet was received: the command it answers, if one waits for it.
    std::optional<Match> received(std::span<const std::uint8_t> wire);
    // The command layer gave up waiting for the answer to a command with this opcode.
    std::optional<Match> timedOut(std::uint8_t opcode);

    void clear() { waiting_.clear(); }
    std::size_t waiting() const { return waiting_.size(); }

private:
    struct Waiting {
        std::uint8_t event;  // that answers
        std::uint8_t opcode; // of the command
        std::int16_t handle; // the answer must name it; -1: any
        bool final;
        std::uint64_t seq;
        std::int64_t sentUs;
    };
    std::optional<Match> take(std::deque<Waiting>::iterator it);

    std::deque<Waiting> waiting_;
};

} // namespace nuvex3::decode
