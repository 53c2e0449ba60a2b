// Fuzz target for the receive path: arbitrary bytes, handed over in arbitrary chunks, go
// through packet reassembly and the event decoders. Every delivered packet must be exactly
// its length field plus the two length bytes and the checksum, and every decoded record
// must carry a known event kind.

#include "link/EventDecoder.h"
#include "link/Packet.h"

#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

bool knownKind(int kind) {
    return kind >= nuvex3::kKindCommandComplete && kind <= nuvex3::kKindEventC0 &&
           kind != nuvex3::kKindChecksumError;
}

void check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte seeds the chunk sizes; the rest is the byte stream.
    std::uint32_t seed = data[0] * 2654435761u + 1;
    const std::span<const std::uint8_t> stream(data + 1, size - 1);

    nuvex3::Reassembler reassembler;
    const nuvex3::DecodeSink sink = [](int kind, const nuvex3::Record&) { check(knownKind(kind)); };
    std::size_t offset = 0;
    while (offset < stream.size()) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t chunk =
            std::min<std::size_t>(1 + (seed >> 16) % 64, stream.size() - offset);
        for (std::uint8_t byte : stream.subspan(offset, chunk)) {
            const auto result = reassembler.feed(byte);
            if (result != nuvex3::Reassembler::Result::Packet &&
                result != nuvex3::Reassembler::Result::BadChecksum)
                continue;
            const auto& buf = reassembler.buffer();
            const std::size_t length = (static_cast<std::size_t>(buf[0]) << 8) | buf[1];
            check(reassembler.size() == length + 3);
            check(reassembler.size() <= nuvex3::kReassemblySize);
            if (result == nuvex3::Reassembler::Result::Packet)
                nuvex3::decodePacket(std::span(buf).first(reassembler.size()), sink);
        }
        offset += chunk;
    }
    return 0;
}
