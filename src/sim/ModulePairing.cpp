// Pairing on the virtual module: the method follows the IO capabilities of the module
// (its pairing mode setting) and the peer; bonds go into the paired-device list.

#include "sim/ModuleImpl.h"

#include <algorithm>

namespace nuvex3::sim {

namespace {

constexpr std::size_t kMaxBonds = 8;

enum class Method { JustWorks, ModuleEnters, ModuleDisplays, NumericComparison };

bool hasKeyboard(std::uint8_t io) {
    return io == kIoKeyboardOnly || io == kIoKeyboardDisplay;
}
bool hasYesNo(std::uint8_t io) {
    return io == kIoDisplayYesNo || io == kIoKeyboardDisplay;
}

Method pairingMethod(std::uint8_t module, std::uint8_t peer) {
    if (module == kIoNoInputNoOutput || peer == kIoNoInputNoOutput)
        return Method::JustWorks;
    if (hasYesNo(module) && hasYesNo(peer))
        return Method::NumericComparison;
    if (module == kIoKeyboardOnly || (module == kIoKeyboardDisplay && !hasKeyboard(peer)))
        return Method::ModuleEnters;
    if (hasKeyboard(peer))
        return Method::ModuleDisplays;
    return Method::JustWorks; // neither side can enter a key
}

} // namespace

bool VirtualModule::Impl::bonded(const PeerConfig& p) const {
    return std::any_of(bondList.begin(), bondList.end(),
                       [&](const Bond& b) { return b.address == p.address; });
}

// The newest bond comes first; a full list forgets its oldest bond.
void VirtualModule::Impl::addBond(const PeerConfig& p) {
    std::erase_if(bondList, [&](const Bond& b) { return b.address == p.address; });
    if (bondList.size() >= kMaxBonds)
        bondList.pop_back();
    std::uint8_t index = 0;
    while (std::any_of(bondList.begin(), bondList.end(),
                       [&](const Bond& b) { return b.index == index; }))
        ++index;
    bondList.insert(bondList.begin(), Bond{index, 0, p.address, p.addressType});
    for (std::size_t i = 0; i < bondList.size(); ++i)
        bondList[i].priority = static_cast<std::uint8_t>(i + 1);
}

void VirtualModule::Impl::startPairing(std::uint64_t linkId) {
    Link* l = linkById(linkId);
    if (!l || l->pairing != Link::PairingPhase::None)
        return;
    const PeerConfig& peer = peerOf(*l);
    l->pairing = Link::PairingPhase::Running;
    if (bonded(peer) && scenario.module.rebondWithoutKey) {
        finishPairing(*l, 0);
        return;
    }
    switch (pairingMethod(pairingMode, peer.ioCapability)) {
    case Method::JustWorks:
        finishPairing(*l, 0);
        return;
    case Method::ModuleDisplays:
        finishPairing(*l, peer.passKey == scenario.module.passKey ? 0 : 1);
        return;
    case Method::ModuleEnters:
        l->pairing = Link::PairingPhase::WaitPasskey;
        l->entered.clear();
        sendEvent(kEvPasskeyEntryRequest, {l->handle});
        break;
    case Method::NumericComparison: {
        l->pairing = Link::PairingPhase::WaitConfirm;
        Bytes e{l->handle};
        append(e, Bytes(peer.passKey.begin(), peer.passKey.end()));
        sendEvent(kEvPasskeyConfirmRequest, e);
        break;
    }
    }
    after(scenario.module.pairingTimeout, TaskTag::Pairing, linkId, [this, linkId] {
        if (Link* link = linkById(linkId))
            finishPairing(*link, 2);
    });
}

void VirtualModule::Impl::finishPairing(Link& l, std::uint8_t result) {
    cancel(TaskTag::Pairing, l.id);
    l.pairing = Link::PairingPhase::None;
    l.entered.clear();
    if (result == 0) {
        l.encrypted = true;
        addBond(peerOf(l));
    }
    sendEvent(kEvPairingComplete, {l.handle, result});
}

void VirtualModule::Impl::cmdPairingRequest(const Bytes& p) {
    Link* l = linkByHandle(p[0]);
    if (!l) {
        complete(0x42, kStatusUnknownConnection);
        return;
    }
    if (l->pairing != Link::PairingPhase::None) {
        complete(0x42, kStatusDisallowed);
        return;
    }
    complete(0x42, kStatusSuccess);
    startPairing(l->id);
}

// Keypress notifications: 1 digit entered (with the ASCII digit), 2 digit erased,
// 3 cleared, 4 entry completed (then the typed key is checked).
void VirtualModule::Impl::cmdPasskeyEntryReply(const Bytes& p) {
    Link* l = linkByHandle(p[0]);
    if (!l) {
        complete(0x40, kStatusUnknownConnection);
        return;
    }
    if (l->pairing != Link::PairingPhase::WaitPasskey) {
        complete(0x40, kStatusDisallowed);
        return;
    }
    const std::uint8_t type = p[1];
    const bool wellFormed = type == 1 ? p.size() == 3 && p[2] >= '0' && p[2] <= '9'
                                      : type >= 2 && type <= 4 && p.size() == 2;
    if (!wellFormed) {
        complete(0x40, kStatusInvalidParameters);
        return;
    }
    complete(0x40, kStatusSuccess);
    switch (type) {
    case 1:
        if (l->entered.size() < 6)
            l->entered.push_back(static_cast<char>(p[2]));
        break;
    case 2:
        if (!l->entered.empty())
            l->entered.pop_back();
        break;
    case 3:
        l->entered.clear();
        break;
    case 4:
        finishPairing(*l, l->entered == peerOf(*l).passKey ? 0 : 1);
        break;
    }
}

// 0x00 accepts the shown code, 0x01 rejects it.
void VirtualModule::Impl::cmdPasskeyConfirmReply(const Bytes& p) {
    Link* l = linkByHandle(p[0]);
    if (!l) {
        complete(0x41, kStatusUnknownConnection);
        return;
    }
    if (l->pairing != Link::PairingPhase::WaitConfirm) {
        complete(0x41, kStatusDisallowed);
        return;
    }
    if (p[1] > 1) {
        complete(0x41, kStatusInvalidParameters);
        return;
    }
    complete(0x41, kStatusSuccess);
    finishPairing(*l, p[1] == 0 && peerOf(*l).confirmsPasskey ? 0 : 1);
}

void VirtualModule::Impl::cmdEraseBonds(const Bytes&) {
    bondList.clear();
    complete(0x09, kStatusSuccess);
}

void VirtualModule::Impl::cmdReadBonds(const Bytes&) {
    Bytes data{static_cast<std::uint8_t>(bondList.size())};
    for (const Bond& b : bondList) {
        data.push_back(b.index);
        data.push_back(b.priority);
        append(data, addressOnAir(b.address));
    }
    complete(0x0C, kStatusSuccess, data);
}

void VirtualModule::Impl::cmdDeleteBond(const Bytes& p) {
    const auto removed = std::erase_if(bondList, [&](const Bond& b) { return b.index == p[0]; });
    for (std::size_t i = 0; i < bondList.size(); ++i)
        bondList[i].priority = static_cast<std::uint8_t>(i + 1);
    complete(0x0D, removed ? kStatusSuccess : kStatusInvalidParameters);
}

} // namespace nuvex3::sim
