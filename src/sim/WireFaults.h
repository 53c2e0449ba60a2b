#pragma once
// Faults injected on the line between the virtual module and the tool, for tests: damaged
// checksums, oversize lengths, dropped or late answers, commands damaged on the way in,
// bytes trickling out one at a time and a line closed in the middle of a packet.

#include "sim/Scenario.h"

#include <cstdint>
#include <optional>
#include <span>

namespace nuvex3::sim {

// Selects packets: every `every`-th packet whose opcode is `opcode` (any opcode when -1).
// every = 0 turns the fault off; every = 1 hits every matching packet.
struct PacketFault {
    unsigned every = 0;
    int opcode = -1;
};

struct FaultOptions {
    PacketFault corruptChecksum; // the event's checksum byte is wrong
    PacketFault oversizeLength;  // the event's length field announces 0xFFFF bytes
    PacketFault dropAnswer;      // the event is never sent
    PacketFault delayAnswer;     // the event (and what follows it) goes out `delay` later
    Millis delay{500};
    PacketFault badCommandChecksum; // the command (selected by its opcode) arrives damaged
    Millis byteGap{0};              // > 0: bytes go out one at a time, this far apart
    long long closeAfterBytes = -1; // >= 0: the line closes after this many bytes went out
};

// The packet-level faults, applied to whole packets (no I/O, no clock).
class WireFaults {
public:
    explicit WireFaults(FaultOptions options) : o_(options) {}

    struct Outbound {
        Bytes bytes;
        Millis delay{0};
    };
    // One framed event from the module; nothing when it is dropped.
    std::optional<Outbound> outbound(Bytes packet);
    // Bytes from the tool; complete commands that are selected get a wrong checksum.
    Bytes inbound(std::span<const std::uint8_t> bytes);

    const FaultOptions& options() const { return o_; }

private:
    struct Counter {
        unsigned seen = 0;
    };
    static bool hits(const PacketFault& f, std::uint8_t opcode, Counter& c);

    FaultOptions o_;
    Counter corrupt_, oversize_, drop_, delay_, badCommand_;
    Bytes pending_; // bytes of a command being collected
    int fill_ = -1; // -1 hunting, else bytes collected after the start byte
};

} // namespace nuvex3::sim
