#pragma once
// Decoders of the events the module sends. One table row per event opcode (name, minimum
// length, kind, decoder) and one per Command Complete condition. The dispatcher checks
// the length before a decoder runs, so each decoder may rely on the row's minimum.
//
// Lengths announced inside a packet are never trusted beyond the bytes received:
//  - counts derived from the length field use the whole 16-bit length; where a record's
//    one-byte (or fixed-offset) count cannot hold all the bytes, the record carries as
//    many as fit and its count says how many (the raw packet, kind 1, carries all);
//  - a count inside the packet that needs more bytes than the packet holds (advertising
//    data length, paired-device count) gives no decoded record: kind 1 only;
//  - discovery results give one record per whole entry the packet really contains.

#include "link/FieldSpec.h"
#include "link/Packet.h"

#include <cstdint>
#include <functional>
#include <span>

namespace nuvex3 {

// Receives the decoded records of one packet, in order.
using DecodeSink = std::function<void(int kind, const Record& record)>;

// A received packet without its start byte: [0..1] L, [2] opcode, [3..L+1] parameters,
// [L+2] checksum. The span holds exactly L + 3 bytes.
class PacketView {
public:
    explicit PacketView(std::span<const std::uint8_t> bytes) : b_(bytes) {}
    std::size_t length() const { return (static_cast<std::size_t>(b_[0]) << 8) | b_[1]; }
    std::uint8_t lengthLow() const { return b_[1]; }
    std::uint8_t opcode() const { return b_[2]; }
    std::size_t size() const { return b_.size(); }
    // Byte i of the packet; 0 for an index past the received bytes.
    std::uint8_t at(std::size_t i) const { return i < b_.size() ? b_[i] : 0; }
    std::span<const std::uint8_t> bytes() const { return b_; }

private:
    std::span<const std::uint8_t> b_;
};

using EventDecodeFn = void (*)(const PacketView& p, const DecodeSink& sink);

struct EventRow {
    std::uint8_t opcode;
    const char* name;
    std::size_t minLength; // smallest L that is decoded
    int kind;
    EventDecodeFn decode;
    Fields fields; // the parameters on the wire
};

struct CommandCompleteRow {
    std::uint8_t command;  // [3] of the Command Complete
    std::size_t minLength; // smallest L that is decoded
    int kind;
    EventDecodeFn decode;
    Fields fields; // the returned data on the wire, after the command opcode and status
};

std::span<const EventRow> eventTable();
std::span<const CommandCompleteRow> commandCompleteTable();
// The row of an event opcode, of a Command Complete's command; nullptr when none.
const EventRow* findEvent(std::uint8_t opcode);
const CommandCompleteRow* findCommandComplete(std::uint8_t command);
// The returned data of a Command Complete for a command without a row of its own.
Fields otherCommandCompleteFields();

// Reports the decoded records of one packet with a good checksum (nothing for opcodes
// without a row or lengths below the row's minimum).
void decodePacket(std::span<const std::uint8_t> packet, const DecodeSink& sink);

// What a received event does to the command queue.
enum class QueueEffect {
    None,
    ClearAwaiting,      // Pairing Complete: clear, no pump
    ClearAndPump,       // Command Complete, Connection Complete, Disconnection Complete
    ClearAndPumpStatus, // Status Report: also answers Reset and Read NUVEX3 Status
};
QueueEffect queueEffect(std::uint8_t eventOpcode);

} // namespace nuvex3
