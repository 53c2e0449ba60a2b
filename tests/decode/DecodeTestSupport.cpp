#include "DecodeTestSupport.h"

#include "link/Packet.h"
#include "ui/ValueEntry.h"

#include <cstdio>

namespace nuvex3::decode::test {

std::vector<std::uint8_t> hex(std::string_view text) {
    return hexToBytes(text);
}

std::string toHex(std::span<const std::uint8_t> bytes) {
    return spacedHex(bytes);
}

std::string hex8(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", v);
    return buf;
}

std::vector<std::uint8_t> wire(std::string_view body) {
    const auto b = hex(body);
    return framePacket(b.at(0), std::span(b).subspan(1));
}

DecodedPacket sent(std::string_view body) {
    return decodeWire(Direction::Sent, wire(body));
}

DecodedPacket received(std::string_view body) {
    return decodeWire(Direction::Received, wire(body));
}

} // namespace nuvex3::decode::test
