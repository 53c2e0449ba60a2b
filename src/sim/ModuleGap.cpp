// The virtual module's GAP side: scanning with advertising reports, connecting, standby,
// links and their parameters.

#include "sim/ModuleImpl.h"

#include <algorithm>

namespace nuvex3::sim {

namespace {

bool inRange(unsigned v, unsigned lo, unsigned hi) {
    return v >= lo && v <= hi;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Links

void VirtualModule::Impl::establishLink(std::size_t peerIndex, std::uint8_t role) {
    auto free = std::find_if(linkSlots.begin(), linkSlots.end(), [](const auto& s) { return !s; });
    if (free == linkSlots.end())
        return;
    const PeerConfig& p = scenario.peers[peerIndex];
    Link l;
    l.id = nextLinkId++;
    l.slot = static_cast<std::size_t>(free - linkSlots.begin());
    l.handle = static_cast<std::uint8_t>(l.slot + 1);
    l.peer = peerIndex;
    l.role = role;
    l.interval = p.connInterval;
    l.latency = p.connLatency;
    l.timeout = p.supervisionTimeout;
    if (auto db = GattDatabase::build(p.services, nullptr))
        l.db = std::move(*db);
    *free = std::move(l);
    const Link& link = **free;

    connecting = false;
    connectTarget.reset();
    standby = false;
    cancel(TaskTag::Connecting);
    cancel(TaskTag::Standby);

    Bytes cc{kStatusSuccess, link.handle, role, p.addressType};
    append(cc, addressOnAir(p.address));
    append(cc, be16(link.interval));
    append(cc, be16(link.latency));
    append(cc, be16(link.timeout));
    sendEvent(kEvConnectionComplete, cc);
    reportStatus(false);

    const std::uint64_t id = link.id;
    const std::uint8_t handle = link.handle;
    if (p.disconnectAfter.count() > 0)
        after(p.disconnectAfter, TaskTag::Link, id, [this, handle, reason = p.disconnectReason] {
            dropLink(handle, reason);
            reportStatus(false);
        });
    schedulePeerWrites(link);
    if (scenario.module.autoPair || p.initiatesPairing)
        after(Millis(0), TaskTag::Link, id, [this, id] { startPairing(id); });
}

void VirtualModule::Impl::dropLink(std::uint8_t handle, std::uint8_t reason) {
    for (auto& s : linkSlots)
        if (s && s->handle == handle) {
            cancel(TaskTag::Link, s->id);
            cancel(TaskTag::Pairing, s->id);
            s.reset();
            sendEvent(kEvDisconnectionComplete, {handle, reason});
            return;
        }
}

void VirtualModule::Impl::scheduleStandbyConnection() {
    for (std::size_t i = 0; i < scenario.peers.size(); ++i) {
        const PeerConfig& p = scenario.peers[i];
        if (!p.connectsToStandby || linkedTo(i))
            continue;
        const bool trustedOnly = standbyMode == 0x02 || standbyMode == 0x82;
        if (trustedOnly && !bonded(p))
            continue;
        after(p.connectDelay, TaskTag::Standby, 0, [this, i] {
            if (standby && !linkedTo(i))
                establishLink(i, 1);
        });
        return;
    }
}

// ---------------------------------------------------------------------------------------
// Scanning

void VirtualModule::Impl::scheduleAdvertiser(std::size_t peer, TimePoint when) {
    at(when, TaskTag::Scan, 0, [this, peer] { advertise(peer); });
}

void VirtualModule::Impl::advertise(std::size_t peerIndex) {
    if (!scanning)
        return;
    const PeerConfig& p = scenario.peers[peerIndex];
    auto report = [&](std::uint8_t eventType, const Bytes& data, bool scanResponse) {
        if (filterDuplicates && !reported.insert({p.address, scanResponse}).second)
            return;
        Bytes r{eventType, p.addressType};
        append(r, addressOnAir(p.address));
        r.push_back(static_cast<std::uint8_t>(data.size()));
        append(r, data);
        r.push_back(static_cast<std::uint8_t>(p.rssi));
        sendEvent(kEvAdvertisingReport, r);
    };
    const bool linked = linkedTo(peerIndex);
    if (!linked) {
        report(p.advEventType, p.advData, false);
        const bool scannable = p.advEventType == 0 || p.advEventType == 2;
        if (activeScan && scannable && !p.scanResponse.empty())
            report(4, p.scanResponse, true);
    }
    scheduleAdvertiser(peerIndex, now + p.advInterval);
}

void VirtualModule::Impl::stopScanning() {
    scanning = false;
    cancel(TaskTag::Scan);
}

// ---------------------------------------------------------------------------------------
// GAP commands

void VirtualModule::Impl::cmdReadRssi(const Bytes& p) {
    const Link* l = linkByHandle(p[0]);
    if (!l) {
        complete(0x10, kStatusUnknownConnection);
        return;
    }
    complete(0x10, kStatusSuccess, {static_cast<std::uint8_t>(peerOf(*l).rssi)});
}

void VirtualModule::Impl::cmdWriteAdvData(const Bytes& p) {
    advData.assign(p.begin() + 1, p.end());
    complete(0x11, kStatusSuccess);
}

void VirtualModule::Impl::cmdWriteScanResData(const Bytes& p) {
    scanResponseData.assign(p.begin() + 1, p.end());
    complete(0x12, kStatusSuccess);
}

void VirtualModule::Impl::cmdSetAdvertisingParameter(const Bytes& p) {
    const std::uint16_t interval = readBe16(p, 0);
    if (standby) {
        complete(0x13, kStatusDisallowed);
        return;
    }
    if (!inRange(interval, 0x0020, 0x4000) || p[2] > 4 || p[3] > 1) {
        complete(0x13, kStatusInvalidParameters);
        return;
    }
    advInterval = interval;
    advType = p[2];
    complete(0x13, kStatusSuccess);
}

void VirtualModule::Impl::cmdSetScanParameters(const Bytes& p) {
    const std::uint16_t interval = readBe16(p, 0), window = readBe16(p, 2);
    if (scanning) {
        complete(0x15, kStatusDisallowed);
        return;
    }
    if (!inRange(interval, 0x0004, 0x4000) || !inRange(window, 0x0004, interval) || p[4] > 1) {
        complete(0x15, kStatusInvalidParameters);
        return;
    }
    scanInterval = interval;
    scanWindow = window;
    scanType = p[4];
    complete(0x15, kStatusSuccess);
}

void VirtualModule::Impl::cmdSetScanEnable(const Bytes& p) {
    if (p[0] > 1 || p[1] > 1) {
        complete(0x16, kStatusInvalidParameters);
        return;
    }
    if (p[0] == 0) {
        complete(0x16, kStatusSuccess);
        stopScanning();
        reportStatus(false);
        return;
    }
    if (connecting || standby) {
        complete(0x16, kStatusDisallowed);
        return;
    }
    complete(0x16, kStatusSuccess);
    stopScanning();
    scanning = true;
    activeScan = scanType == 1;
    filterDuplicates = p[1] == 1;
    reported.clear();
    for (std::size_t i = 0; i < scenario.peers.size(); ++i)
        if (scenario.peers[i].advInterval.count() > 0)
            scheduleAdvertiser(i, now + Millis(5) * static_cast<int>(i + 1));
    reportStatus(false);
}

void VirtualModule::Impl::cmdCreateConnection(const Bytes& p) {
    const std::uint8_t filterPolicy = p[0];
    DeviceAddress address{};
    std::copy(p.rbegin(), p.rbegin() + 6, address.begin()); // sent least significant first
    if (filterPolicy > 1 || p[1] > 1) {
        complete(0x17, kStatusInvalidParameters);
        return;
    }
    if (connecting || standby) {
        complete(0x17, kStatusDisallowed);
        return;
    }
    if (linkCount() >= kMaxLinks) {
        complete(0x17, kStatusConnectionLimit);
        return;
    }
    std::optional<std::size_t> target;
    if (filterPolicy == 1) {
        for (std::size_t i = 0; i < scenario.peers.size() && !target; ++i)
            if (bonded(scenario.peers[i]))
                target = i;
    } else {
        target = peerByAddress(address);
    }
    if (target && linkedTo(*target)) {
        complete(0x17, kStatusConnectionExists);
        return;
    }
    complete(0x17, kStatusSuccess);
    stopScanning();
    connecting = true;
    connectTarget.reset();
    if (target && scenario.peers[*target].connectable &&
        scenario.peers[*target].advInterval.count() > 0) {
        connectTarget = target;
        const std::size_t peer = *target;
        after(scenario.peers[peer].connectDelay, TaskTag::Connecting, 0,
              [this, peer] { establishLink(peer, 0); });
    }
    reportStatus(false);
}

void VirtualModule::Impl::cmdCreateConnectionCancel(const Bytes&) {
    if (!connecting) {
        complete(0x18, kStatusDisallowed);
        return;
    }
    complete(0x18, kStatusSuccess);
    connecting = false;
    connectTarget.reset();
    cancel(TaskTag::Connecting);
    reportStatus(false);
}

void VirtualModule::Impl::cmdConnectionParameterUpdate(const Bytes& p) {
    Link* l = linkByHandle(p[0]);
    if (!l) {
        complete(0x19, kStatusUnknownConnection);
        return;
    }
    const std::uint16_t interval = readBe16(p, 1), latency = readBe16(p, 3),
                        timeout = readBe16(p, 5);
    if (!inRange(interval, 0x0006, 0x0C80) || latency > 0x01F3 ||
        !inRange(timeout, 0x000A, 0x0C80)) {
        complete(0x19, kStatusInvalidParameters);
        return;
    }
    complete(0x19, kStatusSuccess);
    const std::uint64_t id = l->id;
    after(peerOf(*l).parameterUpdateDelay, TaskTag::Link, id,
          [this, id, interval, latency, timeout] {
              Link* link = linkById(id);
              if (!link)
                  return;
              link->interval = interval;
              link->latency = latency;
              link->timeout = timeout;
              Bytes e{link->handle};
              append(e, be16(interval));
              append(e, be16(latency));
              append(e, be16(timeout));
              sendEvent(kEvConnectionParameterUpdate, e);
          });
}

void VirtualModule::Impl::cmdDisconnect(const Bytes& p) {
    if (!linkByHandle(p[0])) {
        complete(0x1B, kStatusUnknownConnection);
        return;
    }
    complete(0x1B, kStatusSuccess);
    dropLink(p[0], kStatusLocalHostTerminated);
    reportStatus(false);
}

void VirtualModule::Impl::cmdSetAdvEnable(const Bytes& p) {
    const std::uint8_t mode = p[0];
    if (mode != 0x00 && mode != 0x01 && mode != 0x02 && mode != 0x81 && mode != 0x82) {
        complete(0x1C, kStatusInvalidParameters);
        return;
    }
    if (mode == 0x00) {
        if (!standby) {
            complete(0x1C, kStatusDisallowed);
            return;
        }
        complete(0x1C, kStatusSuccess);
        standby = false;
        cancel(TaskTag::Standby);
        reportStatus(false);
        return;
    }
    if (standby || scanning || connecting || linkCount() >= kMaxLinks) {
        complete(0x1C, kStatusDisallowed);
        return;
    }
    complete(0x1C, kStatusSuccess);
    standby = true;
    standbyMode = mode;
    reportStatus(false);
    if (advType != 0x03)
        scheduleStandbyConnection();
}

void VirtualModule::Impl::cmdReadRemoteName(const Bytes& p) {
    const Link* l = linkByHandle(p[0]);
    if (!l) {
        complete(0x1F, kStatusUnknownConnection);
        return;
    }
    const std::string& name = peerOf(*l).name;
    complete(0x1F, kStatusSuccess, Bytes(name.begin(), name.end()));
}

} // namespace nuvex3::sim
