#include "link/Packet.h"

#include <algorithm>

namespace nuvex3 {

std::uint8_t packetChecksum(std::span<const std::uint8_t> afterStart) {
    unsigned sum = 0;
    for (std::uint8_t b : afterStart)
        sum += b;
    return static_cast<std::uint8_t>((0x100 - (sum & 0xFF)) & 0xFF);
}

std::vector<std::uint8_t> framePacket(std::uint8_t opcode, std::span<const std::uint8_t> params) {
    const std::size_t len = params.size() + 1;
    std::vector<std::uint8_t> out;
    out.reserve(len + 4);
    out.push_back(kStartByte);
    out.push_back(static_cast<std::uint8_t>(len >> 8));
    out.push_back(static_cast<std::uint8_t>(len & 0xFF));
    out.push_back(opcode);
    out.insert(out.end(), params.begin(), params.end());
    out.push_back(packetChecksum(std::span(out).subspan(1)));
    return out;
}

Record makeCommandRecord(std::uint8_t opcode, std::span<const std::uint8_t> params) {
    Record r{};
    const std::size_t n = std::min(params.size(), kMaxCommandParams);
    r[0] = static_cast<std::uint8_t>(n >> 8);
    r[1] = static_cast<std::uint8_t>(n & 0xFF);
    r[2] = opcode;
    std::copy_n(params.begin(), n, r.begin() + 3);
    return r;
}

std::vector<std::uint8_t> frameCommandRecord(const Record& record) {
    const std::size_t n = commandParamCount(record);
    if (n > kMaxCommandParams)
        return {};
    return framePacket(record[2], std::span(record).subspan(3, n));
}

Reassembler::Result Reassembler::feed(std::uint8_t byte) {
    if (fill_ < 0) {
        if (byte == kStartByte)
            fill_ = 0;
        return Result::None;
    }
    buf_[static_cast<std::size_t>(fill_)] = byte;
    ++fill_;
    if (fill_ < 2)
        return Result::None;
    const int len = (buf_[0] << 8) | buf_[1];
    if (len == 0) {
        fill_ = -1;
        return Result::None;
    }
    if (static_cast<std::size_t>(len) + 3 > kReassemblySize) {
        fill_ = -1;
        return Result::Oversize;
    }
    if (fill_ < len + 3)
        return Result::None;
    last_ = static_cast<std::size_t>(fill_);
    fill_ = -1;
    unsigned sum = 0;
    for (std::size_t i = 0; i < last_; ++i)
        sum += buf_[i];
    return (sum & 0xFF) == 0 ? Result::Packet : Result::BadChecksum;
}

} // namespace nuvex3
