#include "decode/Session.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace nuvex3::decode {

namespace {

constexpr std::uint8_t kCommandComplete = 0x80;

std::string hex8(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", v & 0xFFu);
    return buf;
}

} // namespace

std::string millisecondsText(std::int64_t us) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", static_cast<double>(us) / 1000.0);
    return buf;
}

Session::Session(std::size_t maxRows, std::size_t segmentRows) : store_(maxRows, segmentRows) {}

void Session::start(TimePoint steady, std::int64_t wallUs) {
    store_.clear();
    pairing_.clear();
    start_ = steady;
    wallStartUs_ = wallUs;
    synthetic_ = false;
}

std::int64_t Session::sinceStart(TimePoint t) const {
    return std::chrono::duration_cast<std::chrono::microseconds>(t - start_).count();
}

std::uint64_t Session::addSent(TimePoint at, const Record& command) {
    return addPacket(Direction::Sent, sinceStart(at), wireFromCommand(command));
}

std::uint64_t Session::addReceived(TimePoint at, const Record& packet) {
    return addPacket(Direction::Received, sinceStart(at), wireFromReceived(packet));
}

std::uint64_t Session::addTimeout(TimePoint at, const Record& command) {
    return addTimeout(sinceStart(at), command[2]);
}

void Session::pair(std::uint64_t seq, const AnswerPairing::Match& m, std::int64_t timeUs) {
    const auto rtt = static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(timeUs - m.sentUs, 0, std::numeric_limits<std::uint32_t>::max()));
    store_.setPairing(seq, store_.row(seq).flags,
                      static_cast<std::uint32_t>(std::min<std::uint64_t>(
                          seq - m.command, std::numeric_limits<std::uint32_t>::max())),
                      rtt);
    if (store_.contains(m.command)) {
        const StoredRow command = store_.row(m.command);
        if (!(command.flags & (StoredRow::Answered | StoredRow::TimedOut)))
            store_.setPairing(m.command, command.flags | StoredRow::Answered,
                              static_cast<std::uint32_t>(seq - m.command), rtt);
    }
}

std::uint64_t Session::addPacket(Direction direction, std::int64_t timeUs,
                                 std::span<const std::uint8_t> wire) {
    StoredRow row;
    row.timeUs = timeUs;
    row.opcode = wire.size() > 3 ? wire[3] : 0;
    if (direction == Direction::Sent) {
        row.flags = StoredRow::Sent;
        const std::uint64_t seq = store_.append(row, wire);
        pairing_.sent(seq, timeUs, wire);
        return seq;
    }
    const auto match = pairing_.received(wire);
    if (match)
        row.flags = StoredRow::Answer;
    else if (row.opcode == kCommandComplete)
        row.flags = StoredRow::Unpaired;
    const std::uint64_t seq = store_.append(row, wire);
    if (match)
        pair(seq, *match, timeUs);
    return seq;
}

std::uint64_t Session::addTimeout(std::int64_t timeUs, std::uint8_t opcode) {
    StoredRow row;
    row.timeUs = timeUs;
    row.opcode = opcode;
    row.flags = StoredRow::Note;
    const auto match = pairing_.timedOut(opcode);
    const std::uint64_t seq = store_.append(row, {});
    if (match) {
        store_.setPairing(seq, row.flags,
                          static_cast<std::uint32_t>(std::min<std::uint64_t>(
                              seq - match->command, std::numeric_limits<std::uint32_t>::max())),
                          0);
        if (store_.contains(match->command)) {
            const StoredRow command = store_.row(match->command);
            store_.setPairing(match->command, command.flags | StoredRow::TimedOut, command.link,
                              command.rttUs);
        }
    }
    return seq;
}

std::uint64_t Session::addMessage(std::int64_t timeUs, std::string_view text) {
    StoredRow row;
    row.timeUs = timeUs;
    row.flags = StoredRow::Note | StoredRow::Message;
    return store_.append(
        row, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

DecodedPacket Session::decode(std::uint64_t seq) const {
    return decodeWire(direction(seq), store_.bytes(seq));
}

RowTexts Session::texts(std::uint64_t seq) const {
    if (!isPacket(seq))
        return texts(seq, DecodedPacket{});
    return texts(seq, decode(seq));
}

RowTexts Session::texts(std::uint64_t seq, const DecodedPacket& decoded) const {
    const StoredRow row = store_.row(seq);
    RowTexts t;
    t.number = std::to_string(seq + 1);
    t.time = millisecondsText(row.timeUs);
    t.opcode = hex8(row.opcode);
    t.pairing =
        pairingText(seq, [](std::uint64_t other) { return "#" + std::to_string(other + 1); });
    t.roundTrip = roundTripText(seq);
    if (row.flags & StoredRow::Message) {
        const auto bytes = store_.bytes(seq);
        t.opcode.clear();
        t.name = "Message";
        t.fields.assign(bytes.begin(), bytes.end());
        return t;
    }
    if (row.flags & StoredRow::Note) {
        t.name = "No response";
        t.fields = "No response to command " + t.opcode + " (" + commandName(row.opcode) + ")";
        t.error = true;
        return t;
    }
    t.direction = row.flags & StoredRow::Sent ? "Sent" : "Received";
    t.name = decoded.name;
    t.fields = decoded.summary();
    t.error = decoded.error || (row.flags & StoredRow::TimedOut);
    return t;
}

std::string Session::roundTripText(std::uint64_t seq) const {
    const StoredRow row = store_.row(seq);
    if (row.flags & StoredRow::TimedOut)
        return "no response";
    if (row.flags & StoredRow::Unpaired)
        return "no command";
    if (!synthetic_ && (row.flags & (StoredRow::Answered | StoredRow::Answer)))
        return millisecondsText(row.rttUs) + " ms";
    return {};
}

std::string Session::pairingText(std::uint64_t seq, const RowName& name) const {
    const StoredRow row = store_.row(seq);
    const std::string after =
        synthetic_ ? std::string() : " after " + millisecondsText(row.rttUs) + " ms";
    if (row.flags & StoredRow::TimedOut)
        return "no answer in time";
    if (row.flags & StoredRow::Unpaired)
        return "answers no command sent in this session";
    if (row.flags & StoredRow::Answered)
        return "answered by " + name(seq + row.link) + after;
    if (!(row.flags & (StoredRow::Answer | StoredRow::Note)) || row.link == 0)
        return {};
    const std::uint64_t command = seq - row.link;
    if (!store_.contains(command))
        return row.flags & StoredRow::Note ? "command before the first row kept"
                                           : "answers a command before the first row kept" + after;
    if (row.flags & StoredRow::Note)
        return "command " + name(command);
    return "answers " + name(command) + " (" + commandName(store_.row(command).opcode) + ")" +
           after;
}

} // namespace nuvex3::decode
