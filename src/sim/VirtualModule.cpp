// The virtual module's core: time, input and dispatch, states, the device commands and
// the public interface.

#include "sim/ModuleImpl.h"

#include <algorithm>
#include <limits>

namespace nuvex3::sim {

namespace {

constexpr std::size_t kAny = std::numeric_limits<std::size_t>::max();
constexpr Millis kCommandByteTimeout{200}; // a command whose bytes stop coming is dropped
constexpr std::size_t kMemorySize = 0x10000;
constexpr std::size_t kMaxDebugLength = 32;
constexpr std::size_t kMaxNameLength = 16;
constexpr std::size_t kMaxAdvData = 31;

} // namespace

// ---------------------------------------------------------------------------------------
// Construction

VirtualModule::Impl::Impl(Scenario s) : scenario(std::move(s)) {
    if (scenario.module.localServices.empty())
        scenario.module.localServices = defaultLocalServices(scenario.module.name);
    std::string why;
    if (auto db = GattDatabase::build(scenario.module.localServices, &why))
        local = std::move(*db);
    pairingMode = scenario.module.ioCapability;
    deviceName = scenario.module.name;
    memory.resize(kMemorySize);
    for (std::size_t i = 0; i < memory.size(); ++i)
        memory[i] = static_cast<std::uint8_t>((i & 0xFF) ^ (i >> 8));
    eflash = eflashImage(scenario.module);
}

VirtualModule::VirtualModule(Scenario scenario) : d(std::make_unique<Impl>(std::move(scenario))) {}

VirtualModule::~VirtualModule() = default;

// ---------------------------------------------------------------------------------------
// Time and output

void VirtualModule::Impl::at(TimePoint when, TaskTag tag, std::uint64_t link,
                             std::function<void()> fn) {
    tasks.emplace(std::make_pair(when, taskSeq++), Task{tag, link, std::move(fn)});
}

void VirtualModule::Impl::cancel(TaskTag tag, std::uint64_t link) {
    std::erase_if(tasks, [&](const auto& kv) {
        return kv.second.tag == tag && (link == 0 || kv.second.link == link);
    });
}

void VirtualModule::Impl::cancelAllButPersistent() {
    std::erase_if(tasks, [](const auto& kv) {
        return kv.second.tag != TaskTag::Persistent && kv.second.tag != TaskTag::Input;
    });
}

void VirtualModule::Impl::runDue(TimePoint until) {
    while (!tasks.empty() && tasks.begin()->first.first <= until) {
        auto node = tasks.extract(tasks.begin());
        now = node.key().first;
        node.mapped().run();
    }
    if (until > now)
        now = until;
}

void VirtualModule::Impl::sendEvent(std::uint8_t opcode, const Bytes& params) {
    output.push_back(framePacket(opcode, params));
}

void VirtualModule::Impl::complete(std::uint8_t command, std::uint8_t status, const Bytes& data) {
    Bytes p{command, status};
    append(p, data);
    sendEvent(kEvCommandComplete, p);
}

// ---------------------------------------------------------------------------------------
// Input

void VirtualModule::Impl::feed(std::uint8_t byte) {
    switch (reassembler.feed(byte)) {
    case Reassembler::Result::None:
        break;
    case Reassembler::Result::Packet: {
        const auto& buf = reassembler.buffer();
        const std::size_t len = (static_cast<std::size_t>(buf[0]) << 8) | buf[1];
        const std::uint8_t opcode = buf[2];
        // Reset and Read NUVEX3 Status are answered by the wake-up's Status Report.
        if (wake() && (opcode == 0x02 || opcode == 0x03))
            break;
        onCommand(opcode, Bytes(buf.begin() + 3, buf.begin() + 2 + static_cast<long>(len)));
        break;
    }
    case Reassembler::Result::BadChecksum:
    case Reassembler::Result::Oversize:
        // A command damaged on the line: the host learns it so that it does not wait.
        wake();
        complete(0x00, kStatusChecksumError);
        break;
    }
}

// Any command wakes the module from shutdown; it reports idle before answering.
bool VirtualModule::Impl::wake() {
    if (!shutdown)
        return false;
    shutdown = false;
    reportStatus(true);
    return true;
}

void VirtualModule::Impl::fireEvent(std::size_t index) {
    const TimedEvent& e = scenario.events[index];
    if (!shutdown)
        sendEvent(e.opcode, e.params);
    if (e.repeat.count() > 0)
        after(e.repeat, TaskTag::Persistent, 0, [this, index] { fireEvent(index); });
}

void VirtualModule::Impl::onCommand(std::uint8_t opcode, const Bytes& params) {
    const auto& table = commandTable();
    const auto it = std::find_if(table.begin(), table.end(),
                                 [&](const CommandEntry& c) { return c.opcode == opcode; });
    if (it == table.end()) {
        complete(opcode, kStatusUnknownCommand);
        return;
    }
    if (params.size() < it->minParams || params.size() > it->maxParams) {
        complete(opcode, kStatusInvalidParameters);
        return;
    }
    (this->*(it->handler))(params);
}

const std::vector<VirtualModule::Impl::CommandEntry>& VirtualModule::Impl::commandTable() {
    static const std::vector<CommandEntry> table = {
        {0x01, 0, 0, &Impl::cmdReadLocalInformation},
        {0x02, 0, 0, &Impl::cmdReset},
        {0x03, 0, 0, &Impl::cmdReadStatus},
        {0x04, 1, 1, &Impl::cmdReadAdc},
        {0x05, 0, 0, &Impl::cmdShutdown},
        {0x06, 4, 4 + 255, &Impl::cmdDebug},
        {0x07, 0, 0, &Impl::cmdReadDeviceName},
        {0x08, 2, 1 + kMaxNameLength, &Impl::cmdWriteDeviceName},
        {0x09, 0, 0, &Impl::cmdEraseBonds},
        {0x0A, 0, 0, &Impl::cmdReadPairingMode},
        {0x0B, 2, 2, &Impl::cmdWritePairingMode},
        {0x0C, 0, 0, &Impl::cmdReadBonds},
        {0x0D, 1, 1, &Impl::cmdDeleteBond},
        {0x0E, 12, 12, &Impl::cmdDioControl},
        {0x0F, 2, 8, &Impl::cmdPwmControl},
        {0x10, 1, 1, &Impl::cmdReadRssi},
        {0x11, 1, 1 + kMaxAdvData, &Impl::cmdWriteAdvData},
        {0x12, 1, 1 + kMaxAdvData, &Impl::cmdWriteScanResData},
        {0x13, 10, 10, &Impl::cmdSetAdvertisingParameter},
        {0x15, 5, 5, &Impl::cmdSetScanParameters},
        {0x16, 2, 2, &Impl::cmdSetScanEnable},
        {0x17, 8, 8, &Impl::cmdCreateConnection},
        {0x18, 0, 0, &Impl::cmdCreateConnectionCancel},
        {0x19, 7, 7, &Impl::cmdConnectionParameterUpdate},
        {0x1B, 1, 1, &Impl::cmdDisconnect},
        {0x1C, 1, 1, &Impl::cmdSetAdvEnable},
        {0x1F, 1, 1, &Impl::cmdReadRemoteName},
        {0x30, 1, 1, &Impl::cmdDiscoverAllPrimaryServices},
        {0x31, 3, 17, &Impl::cmdDiscoverCharacteristics},
        {0x32, 3, 3, &Impl::cmdReadValue},
        {0x33, 3, 17, &Impl::cmdReadByUuid},
        {0x34, 4, kAny, &Impl::cmdWriteValue},
        {0x35, 3, 3, &Impl::cmdEnableTransparent},
        {0x38, 3, kAny, &Impl::cmdSendCharacteristicValue},
        {0x39, 2, kAny, &Impl::cmdUpdateCharacteristicValue},
        {0x3A, 2, 2, &Impl::cmdReadLocalValue},
        {0x3B, 0, 0, &Impl::cmdReadLocalAllPrimaryServices},
        {0x3C, 2, 16, &Impl::cmdReadLocalSpecificPrimaryService},
        {0x3D, 5, 5, &Impl::cmdSendWriteResponse},
        {0x3F, 2, kAny, &Impl::cmdSendTransparentData},
        {0x40, 2, 3, &Impl::cmdPasskeyEntryReply},
        {0x41, 2, 2, &Impl::cmdPasskeyConfirmReply},
        {0x42, 1, 1, &Impl::cmdPairingRequest},
    };
    return table;
}

// ---------------------------------------------------------------------------------------
// State

std::uint8_t VirtualModule::Impl::currentState() const {
    if (shutdown)
        return kStateShutdown;
    if (connecting)
        return kStateConnecting;
    if (scanning)
        return kStateScanning;
    if (standby)
        return advType == 0x03 ? kStateBroadcast : kStateStandby;
    if (linkCount() > 0)
        return kStateConnected;
    return kStateIdle;
}

// Sends a Status Report when the module or a link changed state since the last one, or
// always when forced (Read NUVEX3 Status, Reset, wake-up).
void VirtualModule::Impl::reportStatus(bool force) {
    std::array<std::uint8_t, 5> s{currentState(), kStateIdle, kStateIdle, kStateIdle, kStateIdle};
    for (std::size_t i = 0; i < kMaxLinks; ++i)
        if (linkSlots[i])
            s[i + 1] = kStateConnected;
    if (!force && lastStatus && *lastStatus == s)
        return;
    lastStatus = s;
    sendEvent(kEvStatusReport, Bytes(s.begin(), s.end()));
}

Link* VirtualModule::Impl::linkByHandle(std::uint8_t handle) {
    for (auto& s : linkSlots)
        if (s && s->handle == handle)
            return &*s;
    return nullptr;
}

Link* VirtualModule::Impl::linkById(std::uint64_t id) {
    for (auto& s : linkSlots)
        if (s && s->id == id)
            return &*s;
    return nullptr;
}

std::size_t VirtualModule::Impl::linkCount() const {
    return static_cast<std::size_t>(std::count_if(linkSlots.begin(), linkSlots.end(),
                                                  [](const auto& s) { return s.has_value(); }));
}

std::optional<std::size_t> VirtualModule::Impl::peerByAddress(const DeviceAddress& a) const {
    for (std::size_t i = 0; i < scenario.peers.size(); ++i)
        if (scenario.peers[i].address == a)
            return i;
    return std::nullopt;
}

bool VirtualModule::Impl::linkedTo(std::size_t peer) const {
    return std::any_of(linkSlots.begin(), linkSlots.end(),
                       [&](const auto& s) { return s && s->peer == peer; });
}

// Everything stops and every link is gone; settings and bonds stay.
void VirtualModule::Impl::resetModule() {
    cancelAllButPersistent();
    scanning = connecting = standby = false;
    connectTarget.reset();
    for (auto& s : linkSlots)
        s.reset();
}

// ---------------------------------------------------------------------------------------
// Device commands

void VirtualModule::Impl::cmdReadLocalInformation(const Bytes&) {
    const auto& m = scenario.module;
    Bytes data(m.version.begin(), m.version.end());
    append(data, addressOnAir(m.address));
    data.push_back(m.deviceType);
    complete(0x01, kStatusSuccess, data);
}

void VirtualModule::Impl::cmdReset(const Bytes&) {
    resetModule();
    reportStatus(true);
}

void VirtualModule::Impl::cmdReadStatus(const Bytes&) {
    reportStatus(true);
}

// Channels 0 to 15 read the pins in steps of 0.05 V, 16 the battery in steps of 0.1 V,
// 17 the temperature in degrees.
void VirtualModule::Impl::cmdReadAdc(const Bytes& p) {
    const std::uint8_t ch = p[0];
    if (ch > 17) {
        complete(0x04, kStatusInvalidParameters);
        return;
    }
    Bytes data;
    if (ch < 16)
        data = {0x02, 0x00, static_cast<std::uint8_t>(0x20 + ch)};
    else if (ch == 16)
        data = {0x01, 0x00, 0x21};
    else
        data = {0x00, 0x00, 0x19};
    complete(0x04, kStatusSuccess, data);
}

void VirtualModule::Impl::cmdShutdown(const Bytes&) {
    complete(0x05, kStatusSuccess);
    for (auto& s : linkSlots)
        if (s)
            dropLink(s->handle, kStatusLocalHostTerminated);
    resetModule();
    shutdown = true;
    reportStatus(false);
}

void VirtualModule::Impl::cmdDebug(const Bytes& p) {
    const std::uint8_t op = p[0];
    const std::size_t n = p[1];
    const std::size_t address = readBe16(p, 2);
    const bool read = op == 0x01 || op == 0x03;
    const bool write = op == 0x02 || op == 0x04;
    auto& store = (op == 0x01 || op == 0x02) ? memory : eflash;
    const bool fits = n >= 1 && n <= kMaxDebugLength && address + n <= store.size();
    const bool sized = read ? p.size() == 4 : p.size() == 4 + n;
    if (!(read || write) || !fits || !sized) {
        complete(0x06, kStatusInvalidParameters);
        return;
    }
    Bytes data(read ? 1 + n : 1);
    data[0] = op;
    if (read)
        std::copy_n(store.begin() + static_cast<long>(address), n, data.begin() + 1);
    else
        std::copy(p.begin() + 4, p.end(), store.begin() + static_cast<long>(address));
    complete(0x06, kStatusSuccess, data);
}

void VirtualModule::Impl::cmdReadDeviceName(const Bytes&) {
    complete(0x07, kStatusSuccess, Bytes(deviceName.begin(), deviceName.end()));
}

void VirtualModule::Impl::cmdWriteDeviceName(const Bytes& p) {
    deviceName.assign(p.begin() + 1, p.end());
    const GattCharacteristic* nameChar = local.characteristicByUuid(Uuid::of16(0x2A00));
    if (nameChar)
        local.writeValue(nameChar->valueHandle, Bytes(p.begin() + 1, p.end()));
    complete(0x08, kStatusSuccess);
}

void VirtualModule::Impl::cmdReadPairingMode(const Bytes&) {
    complete(0x0A, kStatusSuccess, {pairingMode});
}

void VirtualModule::Impl::cmdWritePairingMode(const Bytes& p) {
    if (p[1] > kIoKeyboardDisplay) {
        complete(0x0B, kStatusInvalidParameters);
        return;
    }
    pairingMode = p[1];
    complete(0x0B, kStatusSuccess);
}

// Selected pins become outputs at the given level or inputs. The answer carries the level
// of every pin, port 0 first: outputs read back their level, inputs are pulled high.
void VirtualModule::Impl::cmdDioControl(const Bytes& p) {
    Bytes levels;
    for (std::size_t k = 0; k < 4; ++k) {
        const std::uint8_t sel = p[8 + k];
        dioOutputEnable[k] = static_cast<std::uint8_t>((dioOutputEnable[k] & ~sel) | (p[k] & sel));
        dioLevel[k] = static_cast<std::uint8_t>((dioLevel[k] & ~sel) | (p[4 + k] & sel));
        levels.push_back(
            static_cast<std::uint8_t>((dioLevel[k] & dioOutputEnable[k]) | ~dioOutputEnable[k]));
    }
    complete(0x0E, kStatusSuccess, levels);
}

void VirtualModule::Impl::cmdPwmControl(const Bytes& p) {
    const std::uint8_t ch = p[0];
    const std::uint8_t enable = p[1];
    bool ok = ch < pwm.size() && enable <= 1 && p.size() == (enable ? 8u : 2u);
    if (ok && enable) {
        const std::uint16_t top = readBe16(p, 3), compare = readBe16(p, 5);
        ok = p[2] <= 2 && p[7] <= 1 && compare < top;
        if (ok)
            pwm[ch] = {true, p[2], p[7], top, compare};
    } else if (ok) {
        pwm[ch].enabled = false;
    }
    complete(0x0F, ok ? kStatusSuccess : kStatusInvalidParameters);
}

// ---------------------------------------------------------------------------------------
// Public interface

void VirtualModule::powerOn(TimePoint now) {
    d->now = now;
    if (d->scenario.module.powerOnReport) {
        d->sendEvent(kEvStatusReport,
                     {kStatePowerOn, kStateIdle, kStateIdle, kStateIdle, kStateIdle});
        d->reportStatus(true);
    }
    d->runPowerOnCommands();
    for (std::size_t i = 0; i < d->scenario.events.size(); ++i)
        d->at(now + d->scenario.events[i].at, TaskTag::Persistent, 0,
              [impl = d.get(), i] { impl->fireEvent(i); });
}

void VirtualModule::receive(std::span<const std::uint8_t> bytes, TimePoint now) {
    d->runDue(now);
    for (std::uint8_t b : bytes)
        d->feed(b);
    d->cancel(TaskTag::Input);
    if (!d->reassembler.hunting())
        d->after(kCommandByteTimeout, TaskTag::Input, 0, [impl = d.get()] {
            impl->reassembler.reset();
            impl->wake();
            impl->complete(0x00, kStatusChecksumError);
        });
    d->runDue(now);
}

void VirtualModule::advance(TimePoint now) {
    d->runDue(now);
}

std::optional<VirtualModule::TimePoint> VirtualModule::nextDue() const {
    if (d->tasks.empty())
        return std::nullopt;
    return d->tasks.begin()->first.first;
}

std::vector<Bytes> VirtualModule::takeOutput() {
    return std::exchange(d->output, {});
}

std::vector<std::string> VirtualModule::takeLog() {
    return std::exchange(d->log, {});
}

std::uint8_t VirtualModule::state() const {
    return d->currentState();
}

std::vector<std::uint8_t> VirtualModule::linkHandles() const {
    std::vector<std::uint8_t> out;
    for (const auto& s : d->linkSlots)
        if (s)
            out.push_back(s->handle);
    return out;
}

std::vector<Bond> VirtualModule::bonds() const {
    return d->bondList;
}

const Scenario& VirtualModule::scenario() const {
    return d->scenario;
}

} // namespace nuvex3::sim
