#pragma once
// One packet on the wire turned into what a protocol analyser shows: the command or event
// name and every parameter named and formatted, from the field lists of the command, event
// and Command Complete tables. Packets that do not match their layout (too short, bytes
// left over, a bad checksum, counts that promise more than the packet holds) are decoded
// as far as they go and say what is wrong; nothing is read past the packet.

#include "link/Packet.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace nuvex3::decode {

enum class Direction : std::uint8_t { Sent, Received };

struct Field {
    std::string name;
    std::string value;
    std::size_t offset = 0; // first byte in the wire packet (0xAA is byte 0)
    std::size_t length = 0;
    std::vector<Field> children; // entries of a list, structures of advertising data
};

struct DecodedPacket {
    Direction direction = Direction::Received;
    std::uint8_t opcode = 0;
    bool known = false; // the opcode is in the command or event table
    std::string name;
    std::vector<Field> fields;
    std::vector<std::string> problems;
    bool error = false; // an error status or result, or a problem
    // Received packets: the event kinds the command layer reports for it, in order.
    std::vector<int> kinds;

    // "Name: value, Name: value" of the top-level fields.
    std::string summary() const;
    // The name, then ", " and the summary when there are fields.
    std::string info() const;
};

// `wire` is a whole packet: 0xAA, length, opcode, parameters, checksum.
DecodedPacket decodeWire(Direction direction, std::span<const std::uint8_t> wire);

// The wire packet of a command record (kind 0) and of a received packet record (kind 1).
std::vector<std::uint8_t> wireFromCommand(const Record& command);
std::vector<std::uint8_t> wireFromReceived(const Record& packet);
// The same, appended to `out`.
void appendWireFromReceived(const Record& packet, std::vector<std::uint8_t>& out);

// "Name" of a command or event opcode as the decoded view shows it.
std::string commandName(std::uint8_t opcode);
std::string eventName(std::uint8_t opcode);

// Bytes as upper-case hexadecimal pairs separated by blanks.
std::string spacedHex(std::span<const std::uint8_t> bytes);

} // namespace nuvex3::decode
