// The virtual module's local GATT server: its own attribute table, read, updated and sent
// by the host; the writes its connected peers make to it, which the host answers with a
// write response; and peers that answer the values the module sends them.

#include "sim/GattWire.h"
#include "sim/ModuleImpl.h"

namespace nuvex3::sim {

namespace {

// The attribute a peer's write names: the characteristic's value, or one of its
// descriptors. 0 when the module's table has no such attribute.
std::uint16_t handleOf(const GattDatabase& db, const PeerWrite& w) {
    const GattCharacteristic* c = db.characteristicByUuid(w.characteristic);
    if (!c)
        return 0;
    if (w.descriptor.bytes.empty())
        return c->valueHandle;
    for (const auto& d : c->descriptors)
        if (d.uuid == w.descriptor)
            return d.handle;
    return 0;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Peers writing to the module's table

void VirtualModule::Impl::peerWrite(std::uint64_t linkId, const PeerWrite& w) {
    Link* l = linkById(linkId);
    const std::uint16_t handle = l ? handleOf(local, w) : 0;
    if (!handle)
        return;
    const Bytes value = truncated(w.value, kMaxAttributeValue, kMaxNotifiedValue);
    l->pendingWrite = Link::PendingWrite{handle, local.readValue(handle).value_or(Bytes{})};
    local.writeValue(handle, value);
    logPeerWrote(*l, handle, value);
    Bytes e{l->handle};
    append(e, be16(handle));
    append(e, value);
    sendEvent(kEvClientWrite, e);
}

void VirtualModule::Impl::answerSentValue(const Link& l, const GattCharacteristic& c) {
    const std::uint64_t id = l.id;
    for (const PeerAnswer& a : peerOf(l).answers)
        if (a.notified == c.uuid)
            after(a.write.after, TaskTag::Link, id, [this, id, w = a.write] { peerWrite(id, w); });
}

// ---------------------------------------------------------------------------------------
// Commands

void VirtualModule::Impl::cmdSendCharacteristicValue(const Bytes& p) {
    const Link* l = linkByHandle(p[0]);
    if (!l) {
        complete(0x38, kStatusUnknownConnection);
        return;
    }
    const GattCharacteristic* c = local.characteristicByValueHandle(readBe16(p, 1));
    if (!c) {
        complete(0x38, kStatusInvalidHandle);
        return;
    }
    if (!(c->properties & (kPropNotify | kPropIndicate))) {
        complete(0x38, kStatusDisallowed);
        return;
    }
    complete(0x38, kStatusSuccess);
    logPeerReceived(*l, *c, Bytes(p.begin() + 3, p.end()));
    answerSentValue(*l, *c);
}

void VirtualModule::Impl::cmdUpdateCharacteristicValue(const Bytes& p) {
    const Bytes value(p.begin() + 2, p.end());
    if (value.size() > kMaxAttributeValue) {
        complete(0x39, kStatusInvalidValueLength);
        return;
    }
    complete(0x39, local.writeValue(readBe16(p, 0), value) ? kStatusSuccess : kStatusInvalidHandle);
}

void VirtualModule::Impl::cmdReadLocalValue(const Bytes& p) {
    const auto value = local.readValue(readBe16(p, 0));
    if (!value) {
        complete(0x3A, kStatusInvalidHandle);
        return;
    }
    complete(0x3A, kStatusSuccess, truncated(*value, kLocalMtu - 1u, kMaxReadValue));
}

void VirtualModule::Impl::cmdReadLocalAllPrimaryServices(const Bytes&) {
    const auto packets = primaryServiceResults(local, 0x00, kLocalMtu);
    for (const auto& r : packets)
        sendEvent(kEvPrimaryServiceResult, r);
    complete(0x3B, packets.empty() ? kStatusAttributeNotFound : kStatusSuccess);
}

// The UUID of this command comes most significant byte first.
void VirtualModule::Impl::cmdReadLocalSpecificPrimaryService(const Bytes& p) {
    if (p.size() != 2 && p.size() != 16) {
        complete(0x3C, kStatusInvalidParameters);
        return;
    }
    const GattService* s = local.findService(Uuid{p});
    std::vector<Bytes> chars, descriptors;
    if (s) {
        chars = characteristicResults(*s, 0x00, kLocalMtu);
        descriptors = descriptorResults(*s, 0x00, kLocalMtu);
    }
    for (const auto& r : chars)
        sendEvent(kEvCharacteristicResult, r);
    for (const auto& r : descriptors)
        sendEvent(kEvDescriptorResult, r);
    complete(0x3C, chars.empty() ? kStatusAttributeNotFound : kStatusSuccess);
}

// Connection handle, request opcode, attribute handle (most significant byte first) and
// error code. An error code for the peer's pending write undoes it.
void VirtualModule::Impl::cmdSendWriteResponse(const Bytes& p) {
    Link* l = linkByHandle(p[0]);
    if (!l) {
        complete(0x3D, kStatusUnknownConnection);
        return;
    }
    const std::uint16_t handle = readBe16(p, 2);
    const std::uint8_t error = p[4];
    if (l->pendingWrite && l->pendingWrite->handle == handle) {
        if (error != 0)
            local.writeValue(handle, l->pendingWrite->previous);
        l->pendingWrite.reset();
    }
    complete(0x3D, kStatusSuccess);
}

} // namespace nuvex3::sim
