#include "sim/GattWire.h"

#include <algorithm>

namespace nuvex3::sim {

namespace {

void putLe16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putUuid(Bytes& out, const Uuid& u) {
    out.insert(out.end(), u.bytes.rbegin(), u.bytes.rend());
}

// Groups consecutive entries of the same size into packets: [conn][header][entries...].
// `header` is the entry length (0x90, 0x91) or the UUID format (0x92).
class Packer {
public:
    Packer(std::uint8_t conn, std::uint16_t mtu) : conn_(conn), mtu_(mtu) {}

    void add(std::uint8_t header, std::size_t entrySize, const Bytes& entry) {
        if (current_.empty() || header != header_ || count_ >= entriesPerPacket(entrySize, mtu_)) {
            flush();
            start(header);
        }
        current_.insert(current_.end(), entry.begin(), entry.end());
        ++count_;
    }

    std::vector<Bytes> finish() {
        flush();
        return std::move(packets_);
    }

private:
    void start(std::uint8_t header) {
        header_ = header;
        current_ = {conn_, header};
        count_ = 0;
    }
    void flush() {
        if (count_ > 0)
            packets_.push_back(current_);
        current_.clear();
        count_ = 0;
    }

    std::uint8_t conn_;
    std::uint16_t mtu_;
    std::uint8_t header_ = 0;
    Bytes current_;
    std::size_t count_ = 0;
    std::vector<Bytes> packets_;
};

} // namespace

std::size_t entriesPerPacket(std::size_t entrySize, std::uint16_t mtu) {
    const std::size_t byMtu = mtu > 2 ? (mtu - 2u) / entrySize : 0;
    const std::size_t byLength = (255u - 3u) / entrySize;
    return std::max<std::size_t>(1, std::min(byMtu, byLength));
}

std::vector<Bytes> primaryServiceResults(const GattDatabase& db, std::uint8_t connHandle,
                                         std::uint16_t mtu) {
    Packer p(connHandle, mtu);
    for (const auto& s : db.services()) {
        const std::uint8_t e = static_cast<std::uint8_t>(4 + s.uuid.bytes.size());
        Bytes entry;
        putLe16(entry, s.startHandle);
        putLe16(entry, s.endHandle);
        putUuid(entry, s.uuid);
        p.add(e, e, entry);
    }
    return p.finish();
}

std::vector<Bytes> characteristicResults(const GattService& service, std::uint8_t connHandle,
                                         std::uint16_t mtu) {
    Packer p(connHandle, mtu);
    for (const auto& c : service.characteristics) {
        const std::uint8_t e = static_cast<std::uint8_t>(5 + c.uuid.bytes.size());
        Bytes entry;
        putLe16(entry, c.declHandle);
        entry.push_back(c.properties);
        putLe16(entry, c.valueHandle);
        putUuid(entry, c.uuid);
        p.add(e, e, entry);
    }
    return p.finish();
}

std::vector<Bytes> descriptorResults(const GattService& service, std::uint8_t connHandle,
                                     std::uint16_t mtu) {
    Packer p(connHandle, mtu);
    for (const auto& c : service.characteristics)
        for (const auto& d : c.descriptors) {
            const std::uint8_t format = d.uuid.is16() ? 1 : 2;
            Bytes entry;
            putLe16(entry, d.handle);
            putUuid(entry, d.uuid);
            p.add(format, 2 + d.uuid.bytes.size(), entry);
        }
    return p.finish();
}

} // namespace nuvex3::sim
