// Fuzz target for what the decoded view and nuvex3-decode read from outside: session log
// files (lines to packets, then decoded rows, the filter and pcapng) and raw packets given
// straight to the decoder.

#include "decode/DecodedPacket.h"
#include "decode/LogDecoder.h"
#include "decode/LogReader.h"
#include "decode/Pcapng.h"
#include "decode/RowFilter.h"
#include "decode/Session.h"

#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nuvex3::decode;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    const LogContents log = readLog(in);

    Session session(64);
    session.start({}, 0);
    session.setSyntheticTimes(true);
    std::int64_t t = 0;
    for (const LogEntry& e : log.entries) {
        if (e.kind == LogEntry::Kind::Sent || e.kind == LogEntry::Kind::Received) {
            const std::size_t length = (static_cast<std::size_t>(e.wire.at(1)) << 8) | e.wire[2];
            if (e.wire.size() != length + 4 || e.wire[0] != 0xAA)
                __builtin_trap();
        }
        addLogEntry(session, e, t += 1000);
    }
    const RowFilter filter("handle:01 0x80 is:error \"Complete\"");
    for (std::uint64_t seq = session.store().firstSeq(); seq < session.store().endSeq(); ++seq) {
        (void)session.texts(seq);
        (void)filter.matches(session, seq);
    }
    std::ostringstream pcapng;
    writeSessionPcapng(session, pcapng, "fuzz", "fuzz");

    // The same bytes as one packet in each direction.
    const std::span<const std::uint8_t> bytes(data, size);
    for (Direction d : {Direction::Sent, Direction::Received})
        for (const Field& f : decodeWire(d, bytes).fields)
            if (f.offset + f.length > size)
                __builtin_trap();
    return 0;
}
