#include "decode/AnswerPairing.h"

#include "link/CommandTable.h"
#include "link/Packet.h"

#include <algorithm>

namespace nuvex3::decode {

namespace {

constexpr std::uint8_t kCommandComplete = 0x80;
constexpr std::uint8_t kStatusChecksumError = 0xFF;
constexpr std::size_t kOpcodeAt = 3; // in the wire packet
constexpr std::size_t kParam0At = 4;

} // namespace

void AnswerPairing::sent(std::uint64_t seq, std::int64_t timeUs,
                         std::span<const std::uint8_t> wire) {
    if (wire.size() <= kOpcodeAt)
        return;
    const std::uint8_t opcode = wire[kOpcodeAt];
    const CommandRow* row = findCommand(opcode);
    waiting_.push_back({row ? row->answer : kCommandComplete, opcode, -1, false, seq, timeUs});
    if (row && row->finalAnswer) {
        std::int16_t handle = -1;
        if (row->finalSameHandle && wire.size() > kParam0At + 1)
            handle = wire[kParam0At];
        waiting_.push_back({row->finalAnswer, opcode, handle, true, seq, timeUs});
    }
    while (waiting_.size() > kMaxWaiting)
        waiting_.pop_front();
}

std::optional<AnswerPairing::Match> AnswerPairing::take(std::deque<Waiting>::iterator it) {
    if (it == waiting_.end())
        return std::nullopt;
    const Match m{it->seq, it->sentUs, it->final};
    waiting_.erase(it);
    return m;
}

std::optional<AnswerPairing::Match> AnswerPairing::received(std::span<const std::uint8_t> wire) {
    if (wire.size() <= kOpcodeAt)
        return std::nullopt;
    const std::uint8_t event = wire[kOpcodeAt];
    const bool hasParam0 = wire.size() > kParam0At + 1; // a parameter before the checksum
    const int param0 = hasParam0 ? wire[kParam0At] : -1;
    if (event == kCommandComplete) {
        if (!hasParam0)
            return std::nullopt;
        // The module's report of a command that arrived with a bad checksum names command
        // 0x00: it answers whichever command waits.
        const bool checksumError = param0 == 0x00 && wire.size() > kParam0At + 2 &&
                                   wire[kParam0At + 1] == kStatusChecksumError;
        return take(std::find_if(waiting_.begin(), waiting_.end(), [&](const Waiting& w) {
            return w.event == kCommandComplete && (checksumError || w.opcode == param0);
        }));
    }
    return take(std::find_if(waiting_.begin(), waiting_.end(), [&](const Waiting& w) {
        return w.event == event && (w.handle < 0 || w.handle == param0);
    }));
}

std::optional<AnswerPairing::Match> AnswerPairing::timedOut(std::uint8_t opcode) {
    return take(std::find_if(waiting_.begin(), waiting_.end(),
                             [&](const Waiting& w) { return !w.final && w.opcode == opcode; }));
}

} // namespace nuvex3::decode
