// The virtual module's GATT client (against each peer's attribute table) and transparent
// data with echo and credit flow control. Its local GATT server is in ModuleGattServer.cpp.

#include "sim/GattWire.h"
#include "sim/ModuleImpl.h"

#include <algorithm>

namespace nuvex3::sim {

namespace {

constexpr std::size_t kMaxReadByUuidValue = 250;

Uuid uuidFromAir(const Bytes& p, std::size_t from) {
    return Uuid{Bytes(p.rbegin(), p.rend() - static_cast<long>(from))};
}

} // namespace

// ---------------------------------------------------------------------------------------
// Helpers

void VirtualModule::Impl::sendNotification(Link& l, std::uint16_t valueHandle, const Bytes& value) {
    Bytes e{l.handle};
    append(e, be16(valueHandle));
    append(e, value);
    sendEvent(kEvCharacteristicValue, e);
}

// The peer sends its characteristic's values while its Client Characteristic
// Configuration has notifications or indications on; a newer loop replaces an older one.
void VirtualModule::Impl::notifyLoop(std::uint64_t linkId, std::uint16_t valueHandle,
                                     std::uint64_t generation) {
    Link* l = linkById(linkId);
    if (!l || l->notifyGeneration[valueHandle] != generation)
        return;
    GattCharacteristic* c = l->db.characteristicByValueHandle(valueHandle);
    const auto* config = c ? c->cccd() : nullptr;
    if (!c || !config || config->value.empty() || (config->value[0] & 0x03) == 0)
        return;
    if (!c->notifyValues.empty()) {
        std::size_t& cursor = l->notifyCursor[valueHandle];
        c->value = c->notifyValues[cursor % c->notifyValues.size()];
        ++cursor;
    }
    sendNotification(*l, valueHandle, truncated(c->value, peerOf(*l).mtu - 3u, kMaxNotifiedValue));
    after(c->notifyInterval, TaskTag::Link, linkId,
          [this, linkId, valueHandle, generation] { notifyLoop(linkId, valueHandle, generation); });
}

// Credit notification: payload size in value bytes 2 and 3, new credits in byte 4.
void VirtualModule::Impl::grantCredits(Link& l, int credits) {
    const std::uint16_t mtu = peerOf(l).mtu;
    sendNotification(l, kCreditValueHandle,
                     {0x00, 0x00, static_cast<std::uint8_t>(mtu >> 8),
                      static_cast<std::uint8_t>(mtu & 0xFF), static_cast<std::uint8_t>(credits)});
}

void VirtualModule::Impl::sendTransparent(Link& l, Bytes data) {
    const long long corrupt = peerOf(l).corruptByte;
    if (corrupt >= 0 && static_cast<std::uint64_t>(corrupt) >= l.transparentSent &&
        static_cast<std::uint64_t>(corrupt) < l.transparentSent + data.size())
        data[static_cast<std::size_t>(static_cast<std::uint64_t>(corrupt) - l.transparentSent)] ^=
            0xFF;
    l.transparentSent += data.size();
    Bytes e{l.handle};
    append(e, data);
    sendEvent(kEvTransparentData, e);
}

// The peer's own stream: pieces of mtu - 3 bytes, each at the time the rate allows for
// the bytes before it (so a late piece does not slow the rate down).
void VirtualModule::Impl::startStream(Link& l) {
    const PeerConfig& peer = peerOf(l);
    if (peer.streamBytesPerSecond == 0)
        return;
    const std::uint64_t id = l.id;
    const std::uint64_t generation = ++l.streamGeneration;
    l.streamed = 0;
    l.streamStart = now + peer.streamAfter;
    at(l.streamStart, TaskTag::Link, id, [this, id, generation] { streamLoop(id, generation); });
}

void VirtualModule::Impl::streamLoop(std::uint64_t linkId, std::uint64_t generation) {
    Link* l = linkById(linkId);
    if (!l || !l->transparent || l->streamGeneration != generation)
        return;
    const PeerConfig& peer = peerOf(*l);
    std::uint64_t size = peer.mtu - 3u;
    if (peer.streamTotalBytes > 0)
        size = std::min(size, peer.streamTotalBytes - l->streamed);
    Bytes data(static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = streamByte(l->streamed + i);
    l->streamed += size;
    sendTransparent(*l, std::move(data));
    if (peer.streamTotalBytes > 0 && l->streamed >= peer.streamTotalBytes)
        return;
    const auto due =
        l->streamStart +
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
            static_cast<double>(l->streamed) / static_cast<double>(peer.streamBytesPerSecond)));
    at(due, TaskTag::Link, linkId, [this, linkId, generation] { streamLoop(linkId, generation); });
}

void VirtualModule::Impl::schedulePeerWrites(const Link& link) {
    const std::uint64_t id = link.id;
    for (const PeerWrite& w : peerOf(link).writes)
        after(w.after, TaskTag::Link, id, [this, id, w] { peerWrite(id, w); });
}

// ---------------------------------------------------------------------------------------
// GATT client

bool VirtualModule::Impl::peerAnswers(std::uint8_t connHandle) {
    Link* l = linkByHandle(connHandle);
    if (!l)
        return true; // the module itself answers: unknown connection
    const int silentAfter = peerOf(*l).gattSilentAfter;
    return silentAfter < 0 || ++l->gattRequests <= silentAfter;
}

void VirtualModule::Impl::cmdDiscoverAllPrimaryServices(const Bytes& p) {
    if (!peerAnswers(p[0]))
        return;
    const Link* l = linkByHandle(p[0]);
    if (!l) {
        complete(0x30, kStatusUnknownConnection);
        return;
    }
    const auto packets = primaryServiceResults(l->db, l->handle, peerOf(*l).mtu);
    for (const auto& r : packets)
        sendEvent(kEvPrimaryServiceResult, r);
    complete(0x30, packets.empty() ? kStatusAttributeNotFound : kStatusSuccess);
}

void VirtualModule::Impl::cmdDiscoverCharacteristics(const Bytes& p) {
    if (!peerAnswers(p[0]))
        return;
    const Link* l = linkByHandle(p[0]);
    if (p.size() != 3 && p.size() != 17) {
        complete(0x31, kStatusInvalidParameters);
        return;
    }
    if (!l) {
        complete(0x31, kStatusUnknownConnection);
        return;
    }
    const GattService* s = l->db.findService(uuidFromAir(p, 1));
    std::vector<Bytes> chars, descriptors;
    if (s) {
        chars = characteristicResults(*s, l->handle, peerOf(*l).mtu);
        descriptors = descriptorResults(*s, l->handle, peerOf(*l).mtu);
    }
    for (const auto& r : chars)
        sendEvent(kEvCharacteristicResult, r);
    for (const auto& r : descriptors)
        sendEvent(kEvDescriptorResult, r);
    complete(0x31, chars.empty() ? kStatusAttributeNotFound : kStatusSuccess);
}

void VirtualModule::Impl::cmdReadValue(const Bytes& p) {
    if (!peerAnswers(p[0]))
        return;
    const Link* l = linkByHandle(p[0]);
    if (!l) {
        complete(0x32, kStatusUnknownConnection);
        return;
    }
    const std::uint16_t handle = readBe16(p, 1);
    const auto where = l->db.locate(handle);
    if (where.kind == GattDatabase::Kind::None) {
        complete(0x32, kStatusInvalidHandle);
        return;
    }
    if (where.kind == GattDatabase::Kind::Value &&
        !(l->db.characteristicByValueHandle(handle)->properties & kPropRead)) {
        complete(0x32, kStatusReadNotPermitted);
        return;
    }
    complete(0x32, kStatusSuccess,
             truncated(*l->db.readValue(handle), peerOf(*l).mtu - 1u, kMaxReadValue));
}

void VirtualModule::Impl::cmdReadByUuid(const Bytes& p) {
    if (!peerAnswers(p[0]))
        return;
    const Link* l = linkByHandle(p[0]);
    if (p.size() != 3 && p.size() != 17) {
        complete(0x33, kStatusInvalidParameters);
        return;
    }
    if (!l) {
        complete(0x33, kStatusUnknownConnection);
        return;
    }
    const GattCharacteristic* c = l->db.characteristicByUuid(uuidFromAir(p, 1));
    if (!c) {
        complete(0x33, kStatusAttributeNotFound);
        return;
    }
    if (!(c->properties & kPropRead)) {
        complete(0x33, kStatusReadNotPermitted);
        return;
    }
    Bytes data{static_cast<std::uint8_t>(c->valueHandle & 0xFF),
               static_cast<std::uint8_t>(c->valueHandle >> 8)};
    append(data, truncated(c->value, peerOf(*l).mtu - 4u, kMaxReadByUuidValue));
    complete(0x33, kStatusSuccess, data);
}

void VirtualModule::Impl::cmdWriteValue(const Bytes& p) {
    if (!peerAnswers(p[0]))
        return;
    Link* l = linkByHandle(p[0]);
    const std::uint8_t type = p[1];
    const std::uint16_t handle = readBe16(p, 2);
    const Bytes value(p.begin() + 4, p.end());
    if (type > 1) {
        complete(0x34, kStatusInvalidParameters);
        return;
    }
    if (!l) {
        complete(0x34, kStatusUnknownConnection);
        return;
    }
    const auto where = l->db.locate(handle);
    std::uint8_t status = kStatusSuccess;
    GattCharacteristic* owner = nullptr;
    switch (where.kind) {
    case GattDatabase::Kind::None:
        status = kStatusInvalidHandle;
        break;
    case GattDatabase::Kind::Service:
    case GattDatabase::Kind::Declaration:
        status = kStatusWriteNotPermitted;
        break;
    case GattDatabase::Kind::Value: {
        const std::uint8_t needed = type == 0 ? kPropWrite : kPropWriteNoResponse;
        if (!(l->db.characteristicByValueHandle(handle)->properties & needed))
            status = kStatusWriteNotPermitted;
        break;
    }
    case GattDatabase::Kind::Descriptor:
        owner = l->db.ownerOfDescriptor(handle);
        if (owner->cccd() && owner->cccd()->handle == handle && value.size() != 2)
            status = kStatusInvalidValueLength;
        break;
    }
    if (status == kStatusSuccess && value.size() > kMaxAttributeValue)
        status = kStatusInvalidValueLength;
    if (status != kStatusSuccess) {
        complete(0x34, status);
        return;
    }
    l->db.writeValue(handle, value);
    complete(0x34, kStatusSuccess);

    const PeerConfig& peer = peerOf(*l);
    if (owner && owner->cccd() && owner->cccd()->handle == handle && (value[0] & 0x03) &&
        owner->notifyInterval.count() > 0) {
        const std::uint64_t id = l->id;
        const std::uint16_t valueHandle = owner->valueHandle;
        const std::uint64_t generation = ++l->notifyGeneration[valueHandle];
        after(owner->notifyInterval, TaskTag::Link, id,
              [this, id, valueHandle, generation] { notifyLoop(id, valueHandle, generation); });
    }
    // An echoing peer sends what is written to its transparent receive characteristic back
    // on its transmit characteristic once notifications are on there.
    const GattCharacteristic* rx = l->db.characteristicByUuid(transparentRxUuid());
    const GattCharacteristic* tx = l->db.characteristicByUuid(transparentTxUuid());
    if (peer.echo && rx && tx && rx->valueHandle == handle && tx->cccd() &&
        !tx->cccd()->value.empty() && (tx->cccd()->value[0] & 0x01))
        sendNotification(*l, tx->valueHandle, truncated(value, peer.mtu - 3u, kMaxNotifiedValue));
}

void VirtualModule::Impl::cmdEnableTransparent(const Bytes& p) {
    Link* l = linkByHandle(p[0]);
    if (p[1] > 1 || p[2] > 1) {
        complete(0x35, kStatusInvalidParameters);
        return;
    }
    if (!l) {
        complete(0x35, kStatusUnknownConnection);
        return;
    }
    if (!l->db.findService(transparentServiceUuid())) {
        complete(0x35, kStatusDisallowed);
        return;
    }
    complete(0x35, kStatusSuccess);
    const bool wasOn = l->transparent;
    l->transparent = p[1] == 1;
    const int credits = peerOf(*l).credits;
    if (l->transparent && !wasOn && credits > 0) {
        l->creditsConsumed = 0;
        grantCredits(*l, credits);
    }
    if (l->transparent && !wasOn)
        startStream(*l);
}

void VirtualModule::Impl::cmdSendTransparentData(const Bytes& p) {
    Link* l = linkByHandle(p[0]);
    if (!l) {
        complete(0x3F, kStatusUnknownConnection);
        return;
    }
    if (!l->transparent) {
        complete(0x3F, kStatusDisallowed);
        return;
    }
    complete(0x3F, kStatusSuccess);
    const PeerConfig& peer = peerOf(*l);
    if (peer.echo) {
        const std::size_t chunk = peer.mtu - 3u;
        for (std::size_t off = 1; off < p.size(); off += chunk)
            sendTransparent(*l,
                            Bytes(p.begin() + static_cast<long>(off),
                                  p.begin() + static_cast<long>(std::min(p.size(), off + chunk))));
    }
    if (peer.credits > 0) {
        // The peer consumes each block at once and hands the credits back in batches.
        const int batch = std::max(1, peer.credits / 2);
        if (++l->creditsConsumed >= batch) {
            grantCredits(*l, l->creditsConsumed);
            l->creditsConsumed = 0;
        }
    }
}

} // namespace nuvex3::sim
