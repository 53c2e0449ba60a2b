#include "sim/WireFaults.h"

#include "link/Packet.h"

namespace nuvex3::sim {

bool WireFaults::hits(const PacketFault& f, std::uint8_t opcode, Counter& c) {
    if (f.every == 0 || (f.opcode >= 0 && f.opcode != opcode))
        return false;
    return ++c.seen % f.every == 0;
}

std::optional<WireFaults::Outbound> WireFaults::outbound(Bytes packet) {
    if (packet.size() < 5)
        return Outbound{std::move(packet)};
    const std::uint8_t opcode = packet[3];
    if (hits(o_.dropAnswer, opcode, drop_))
        return std::nullopt;
    Outbound out;
    if (hits(o_.delayAnswer, opcode, delay_))
        out.delay = o_.delay;
    if (hits(o_.corruptChecksum, opcode, corrupt_))
        packet.back() = static_cast<std::uint8_t>(packet.back() ^ 0x5A);
    if (hits(o_.oversizeLength, opcode, oversize_)) {
        packet[1] = 0xFF;
        packet[2] = 0xFF;
    }
    out.bytes = std::move(packet);
    return out;
}

Bytes WireFaults::inbound(std::span<const std::uint8_t> bytes) {
    if (o_.badCommandChecksum.every == 0)
        return Bytes(bytes.begin(), bytes.end());
    Bytes out;
    for (std::uint8_t b : bytes) {
        if (fill_ < 0) {
            if (b == kStartByte) {
                fill_ = 0;
                pending_ = {b};
            } else {
                out.push_back(b);
            }
            continue;
        }
        pending_.push_back(b);
        ++fill_;
        if (fill_ < 2)
            continue;
        const int len = (pending_[1] << 8) | pending_[2];
        if (len == 0 || static_cast<std::size_t>(len) + 3 > kReassemblySize) {
            out.insert(out.end(), pending_.begin(), pending_.end());
            fill_ = -1;
            continue;
        }
        if (fill_ < len + 3)
            continue;
        if (hits(o_.badCommandChecksum, pending_[3], badCommand_))
            pending_.back() = static_cast<std::uint8_t>(pending_.back() ^ 0x5A);
        out.insert(out.end(), pending_.begin(), pending_.end());
        fill_ = -1;
    }
    return out;
}

} // namespace nuvex3::sim
