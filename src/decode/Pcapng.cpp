#include "decode/Pcapng.h"

#include <vector>

namespace nuvex3::decode {

namespace {

constexpr std::uint32_t kSectionHeader = 0x0A0D0D0A;
constexpr std::uint32_t kInterfaceDescription = 1;
constexpr std::uint32_t kEnhancedPacket = 6;
constexpr std::uint32_t kByteOrderMagic = 0x1A2B3C4D;
constexpr std::uint16_t kOptEnd = 0;
constexpr std::uint16_t kOptComment = 1;
constexpr std::uint16_t kShbUserApplication = 4;
constexpr std::uint16_t kIfName = 2;
constexpr std::uint16_t kIfTsResolution = 9;
constexpr std::uint16_t kEpbFlags = 2;
constexpr std::uint32_t kFlagInbound = 1;
constexpr std::uint32_t kFlagOutbound = 2;

// A block under construction, little-endian.
class Block {
public:
    explicit Block(std::uint32_t type) {
        u32(type);
        u32(0); // total length, set by finish()
    }
    void u16(std::uint16_t v) {
        b_.push_back(static_cast<std::uint8_t>(v));
        b_.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void bytes(std::span<const std::uint8_t> d) {
        b_.insert(b_.end(), d.begin(), d.end());
        while (b_.size() % 4)
            b_.push_back(0);
    }
    void option(std::uint16_t code, std::span<const std::uint8_t> value) {
        u16(code);
        u16(static_cast<std::uint16_t>(value.size()));
        bytes(value);
        options_ = true;
    }
    void option(std::uint16_t code, const std::string& text) {
        if (!text.empty())
            option(code, std::span(reinterpret_cast<const std::uint8_t*>(text.data()),
                                   std::min<std::size_t>(text.size(), 0xFFFC)));
    }
    void write(std::ostream& out) {
        if (options_) {
            u16(kOptEnd);
            u16(0);
        }
        const auto total = static_cast<std::uint32_t>(b_.size() + 4);
        u32(total);
        for (std::size_t i = 0; i < 4; ++i)
            b_[4 + i] = static_cast<std::uint8_t>(total >> (8 * i));
        out.write(reinterpret_cast<const char*>(b_.data()),
                  static_cast<std::streamsize>(b_.size()));
    }

private:
    std::vector<std::uint8_t> b_;
    bool options_ = false;
};

} // namespace

PcapngWriter::PcapngWriter(std::ostream& out, const std::string& application,
                           const std::string& interfaceName, const std::string& sectionComment)
    : out_(out) {
    Block shb(kSectionHeader);
    shb.u32(kByteOrderMagic);
    shb.u16(1); // version 1.0
    shb.u16(0);
    shb.u32(0xFFFFFFFF); // section length not given
    shb.u32(0xFFFFFFFF);
    shb.option(kOptComment, sectionComment);
    shb.option(kShbUserApplication, application);
    shb.write(out_);

    Block idb(kInterfaceDescription);
    idb.u16(kLinkTypeUser0);
    idb.u16(0);
    idb.u32(0); // no snapshot limit
    idb.option(kIfName, interfaceName);
    const std::uint8_t microseconds = 6;
    idb.option(kIfTsResolution, std::span(&microseconds, 1));
    idb.write(out_);
}

void PcapngWriter::packet(Direction direction, std::int64_t unixUs,
                          std::span<const std::uint8_t> wire, const std::string& comment) {
    const auto t = static_cast<std::uint64_t>(unixUs);
    Block epb(kEnhancedPacket);
    epb.u32(0); // interface
    epb.u32(static_cast<std::uint32_t>(t >> 32));
    epb.u32(static_cast<std::uint32_t>(t));
    epb.u32(static_cast<std::uint32_t>(wire.size()));
    epb.u32(static_cast<std::uint32_t>(wire.size()));
    epb.bytes(wire);
    epb.option(kOptComment, comment);
    const std::uint32_t flags = direction == Direction::Sent ? kFlagOutbound : kFlagInbound;
    const std::uint8_t flagBytes[4] = {static_cast<std::uint8_t>(flags), 0, 0, 0};
    epb.option(kEpbFlags, flagBytes);
    epb.write(out_);
    ++packets_;
}

bool writeSessionPcapng(const Session& session, std::ostream& out, const std::string& application,
                        const std::string& interfaceName) {
    const std::string note =
        session.syntheticTimes()
            ? "Times are synthetic: a session log file holds no times, so packets are 1 ms apart "
              "in log order."
            : std::string();
    PcapngWriter writer(out, application, interfaceName, note);
    const PacketStore& store = session.store();
    // Frame numbers of the packet rows (time-out notes are no frames).
    std::vector<std::uint64_t> frames(store.size());
    std::uint64_t frame = 0;
    for (std::uint64_t seq = store.firstSeq(); seq < store.endSeq(); ++seq)
        frames[seq - store.firstSeq()] = session.isPacket(seq) ? ++frame : 0;
    const auto frameName = [&](std::uint64_t seq) {
        return "frame " + std::to_string(frames[seq - store.firstSeq()]);
    };
    for (std::uint64_t seq = store.firstSeq(); seq < store.endSeq(); ++seq) {
        if (!session.isPacket(seq))
            continue;
        // The comment first: it may read another row, and a row read back from the
        // session's temporary file may take the place of the one whose bytes are written.
        const std::string comment = session.pairingText(seq, frameName);
        writer.packet(session.direction(seq), session.wallStartUs() + store.row(seq).timeUs,
                      store.bytes(seq), comment);
    }
    out.flush();
    return out.good();
}

} // namespace nuvex3::decode
