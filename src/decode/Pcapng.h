#pragma once
// pcapng files of a session, for Wireshark and tshark: a section header, one interface of
// link type USER0 (147) with microsecond times, and one enhanced packet block per packet
// holding the whole packet as it went over the wire (0xAA to the checksum), its time, its
// direction in the packet flags (outbound: sent to the module; inbound: received) and a
// comment where the tool has something to say about it (pairing, no answer).

#include "decode/DecodedPacket.h"
#include "decode/Session.h"

#include <cstdint>
#include <ostream>
#include <span>
#include <string>

namespace nuvex3::decode {

inline constexpr std::uint16_t kLinkTypeUser0 = 147;

class PcapngWriter {
public:
    // Writes the section header and the interface description.
    PcapngWriter(std::ostream& out, const std::string& application,
                 const std::string& interfaceName, const std::string& sectionComment = {});

    void packet(Direction direction, std::int64_t unixUs, std::span<const std::uint8_t> wire,
                const std::string& comment = {});

    std::size_t packets() const { return packets_; }
    bool good() const { return out_.good(); }

private:
    std::ostream& out_;
    std::size_t packets_ = 0;
};

// Writes every packet row of the session (time-out notes become comments of their
// command). False when the stream failed.
bool writeSessionPcapng(const Session& session, std::ostream& out, const std::string& application,
                        const std::string& interfaceName);

} // namespace nuvex3::decode
