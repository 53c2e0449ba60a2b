#pragma once
// Hex literals and packets for the decoded view's tests.

#include "decode/DecodedPacket.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nuvex3::decode {
class Session;
}

namespace nuvex3::decode::test {

// "AA 00 01" -> bytes (blanks ignored).
std::vector<std::uint8_t> hex(std::string_view text);
std::string toHex(std::span<const std::uint8_t> bytes);
std::string hex8(unsigned v);

// The wire packet of an opcode and parameters given in hex.
std::vector<std::uint8_t> wire(std::string_view body);
DecodedPacket sent(std::string_view body);
DecodedPacket received(std::string_view body);

// Plays a session of the simulated module into `session` (started here).
void playSimulatorSession(Session& session);

} // namespace nuvex3::decode::test
