#include "link/CKelvra_CmdSet_Layer.h"

#include "link/BridgeAdapter.h"
#include "link/Clock.h"
#include "link/EventDecoder.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace nuvex3 {

namespace {

// Parameters of one command, appended field by field.
class Params {
public:
    Params& u8(std::uint8_t v) {
        put(v);
        return *this;
    }
    Params& u16(std::uint16_t v) { // most significant byte first
        put(static_cast<std::uint8_t>(v >> 8));
        put(static_cast<std::uint8_t>(v & 0xFF));
        return *this;
    }
    Params& bytes(std::span<const std::uint8_t> b) {
        for (std::uint8_t v : b)
            put(v);
        return *this;
    }
    // Exactly n bytes of b: missing bytes are 0.
    Params& bytes(std::span<const std::uint8_t> b, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            put(i < b.size() ? b[i] : 0);
        return *this;
    }
    Params& reversed(std::span<const std::uint8_t> b, std::size_t n) {
        for (std::size_t i = n; i-- > 0;)
            put(i < b.size() ? b[i] : 0);
        return *this;
    }
    Params& address(const Address& a) { return reversed(a, a.size()); }
    // A 2- or 16-byte UUID by its kind; no bytes for other kinds.
    Params& uuid(UuidKind kind, std::span<const std::uint8_t> u, bool reverse) {
        const std::size_t n = kind == UuidKind::Bits16 ? 2 : kind == UuidKind::Bits128 ? 16 : 0;
        return reverse ? reversed(u, n) : bytes(u, n);
    }
    // More parameters than a record holds come out as a full record, which QueueCommand
    // refuses because its packet would not fit one write.
    std::span<const std::uint8_t> view() const { return std::span(data_).first(size_); }

private:
    void put(std::uint8_t v) {
        if (size_ < data_.size())
            data_[size_++] = v;
    }
    std::array<std::uint8_t, kMaxCommandParams> data_{};
    std::size_t size_ = 0;
};

} // namespace

struct CKelvra_CmdSet_Layer::Impl {
    LayerSettings settings;
    EventCallback callback;
    BridgeAdapter bridge;

    std::atomic<bool> portOpen{false};
    std::atomic<bool> awaiting{false};
    std::atomic<bool> readStatusPending{false};
    std::atomic<bool> resetPending{false};
    std::atomic<bool> stopping{false};

    std::mutex queueMutex;
    std::deque<Record> queue;

    std::mutex sendMutex; // one packet (with its pin timing) at a time

    Reassembler reassembler;
    std::array<std::uint8_t, kTxBufferSize> lastPacket{};
    std::uint32_t lastPacketLength = 0;

    // The pump worker: runs queue pumps and watches the awaited answer's time-out.
    std::thread worker;
    std::mutex workerMutex;
    std::condition_variable workerCv;
    int pumpRequests = 0;
    bool stopWorker = false;
    bool armed = false;          // a command awaits its answer
    std::uint64_t armedSeq = 0;  // changes with every send
    Clock::time_point armedAt{}; // when it was written
    Record armedCommand{};       // what was written

    Impl(const LayerSettings& s, EventCallback cb, MessageSink messages)
        : settings(s), callback(std::move(cb)), bridge(std::move(messages)) {}

    void report(int kind, const Record& r) const {
        if (callback)
            callback(kind, r);
    }

    // A pump for a clearing event: only when something waits in the queue. (A command
    // issued after the flag was cleared finds the queue empty and goes out itself; one
    // queued before is seen here.)
    void pumpIfQueued() {
        {
            std::lock_guard g(queueMutex);
            if (queue.empty())
                return;
        }
        requestPump();
    }

    void requestPump() {
        std::lock_guard g(workerMutex);
        ++pumpRequests;
        workerCv.notify_all();
    }

    void arm(const Record& command) {
        std::lock_guard g(workerMutex);
        armed = true;
        ++armedSeq;
        armedAt = clock().now();
        armedCommand = command;
        workerCv.notify_all();
    }

    void disarm() {
        std::lock_guard g(workerMutex);
        if (!armed)
            return;
        armed = false;
        workerCv.notify_all();
    }
};

CKelvra_CmdSet_Layer::CKelvra_CmdSet_Layer(const LayerSettings& settings, EventCallback callback,
                                           MessageSink messages)
    : CUART(settings.portName, settings.baudRate, settings.hardwareFlowControl, settings.parity,
            settings.stopBits, messages),
      d(std::make_unique<Impl>(settings, std::move(callback), messages)) {
    if (settings.useBridge)
        d->bridge.initialise(settings.baudRate, settings.hardwareFlowControl);
    d->worker = std::thread([this] { runWorker(); });
}

CKelvra_CmdSet_Layer::~CKelvra_CmdSet_Layer() {
    // Nothing is sent from here on; once the I/O thread and the pump worker are joined
    // nothing calls the callback any more.
    d->stopping = true;
    ClosePort();
    {
        std::lock_guard g(d->workerMutex);
        d->stopWorker = true;
        d->workerCv.notify_all();
    }
    d->worker.join();
}

bool CKelvra_CmdSet_Layer::Connect() {
    const bool ok = SendData(nullptr, 0, d->lastPacket.data(), &d->lastPacketLength, 0);
    d->portOpen = ok;
    return ok;
}

bool CKelvra_CmdSet_Layer::portOpen() const {
    return d->portOpen && isOpen();
}
bool CKelvra_CmdSet_Layer::bridgeInUse() const {
    return d->bridge.inUse();
}
bool CKelvra_CmdSet_Layer::awaitingResponse() const {
    return d->awaiting;
}

std::size_t CKelvra_CmdSet_Layer::queuedCommands() const {
    std::lock_guard g(d->queueMutex);
    return d->queue.size();
}

bool CKelvra_CmdSet_Layer::QueueCommand(std::uint8_t opcode, std::span<const std::uint8_t> params) {
    if (d->stopping || params.size() > kMaxWireParams)
        return false;
    const Record record = makeCommandRecord(opcode, params);
    bool sendNow = false;
    {
        std::lock_guard g(d->queueMutex);
        sendNow = !d->awaiting && d->queue.empty();
        if (sendNow)
            d->awaiting = true; // claimed here so that no other caller overtakes it
        else
            d->queue.push_back(record);
    }
    return sendNow ? SendCommand(record) : true;
}

bool CKelvra_CmdSet_Layer::SendCommand(const Record& command) {
    if (d->stopping || commandParamCount(command) > kMaxWireParams)
        return false;
    const std::vector<std::uint8_t> packet = frameCommandRecord(command);
    std::lock_guard send(d->sendMutex);
    if (d->stopping)
        return false;
    d->report(kKindCommandSent, command);
    d->awaiting = true;
    d->arm(command);
    const bool bridge = d->bridge.inUse();
    if (bridge) {
        d->bridge.clearPin(0);
        DelayTenthMilliseconds(d->settings.rxIndDelayBefore);
    }
    SendData(packet.data(), packet.size(), d->lastPacket.data(), &d->lastPacketLength, 0);
    if (bridge) {
        DelayTenthMilliseconds(d->settings.rxIndDelayAfter);
        d->bridge.setPin(0);
        DelayMilliseconds(1);
    }
    return true;
}

bool CKelvra_CmdSet_Layer::SetBridgePin1(bool high) {
    if (!d->bridge.inUse())
        return false;
    if (high)
        d->bridge.setPin(1);
    else
        d->bridge.clearPin(1);
    return true;
}

void CKelvra_CmdSet_Layer::SendNextQueued() {
    Record next;
    {
        std::lock_guard g(d->queueMutex);
        if (d->queue.empty())
            return;
        next = d->queue.front();
        d->queue.pop_front();
        d->awaiting = true;
    }
    SendCommand(next);
}

void CKelvra_CmdSet_Layer::runWorker() {
    std::unique_lock lock(d->workerMutex);
    for (;;) {
        if (d->stopWorker)
            return;
        if (d->pumpRequests > 0) {
            --d->pumpRequests;
            lock.unlock();
            SendNextQueued();
            lock.lock();
            continue;
        }
        if (!d->armed) {
            d->workerCv.wait(lock,
                             [&] { return d->stopWorker || d->pumpRequests > 0 || d->armed; });
            continue;
        }
        const std::uint64_t seq = d->armedSeq;
        const Clock::time_point deadline = d->armedAt + kCommandTimeout;
        const bool woken = clock().waitUntil(lock, d->workerCv, deadline, [&] {
            return d->stopWorker || d->pumpRequests > 0 || !d->armed || d->armedSeq != seq;
        });
        if (woken)
            continue;
        d->armed = false;
        const Record command = d->armedCommand;
        lock.unlock();
        onCommandTimeout(command);
        lock.lock();
    }
}

void CKelvra_CmdSet_Layer::onCommandTimeout(const Record& command) {
    if (d->stopping || !d->awaiting.exchange(false))
        return;
    // An unanswered Reset or Read NUVEX3 Status must not block the next one for good.
    if (command[2] == 0x02)
        d->resetPending = false;
    if (command[2] == 0x03)
        d->readStatusPending = false;
    d->report(kKindCommandTimeout, command);
    d->requestPump();
}

void CKelvra_CmdSet_Layer::applyQueueEffect(std::uint8_t eventOpcode) {
    switch (queueEffect(eventOpcode)) {
    case QueueEffect::None:
        return;
    case QueueEffect::ClearAwaiting:
        d->awaiting = false;
        d->disarm();
        return;
    case QueueEffect::ClearAndPump:
        d->awaiting = false;
        d->disarm();
        d->pumpIfQueued();
        return;
    case QueueEffect::ClearAndPumpStatus:
        d->awaiting = false;
        d->disarm();
        d->pumpIfQueued();
        if (d->readStatusPending.exchange(false) || d->resetPending.exchange(false))
            d->pumpIfQueued();
        return;
    }
}

std::chrono::steady_clock::duration CKelvra_CmdSet_Layer::receiveGap() const {
    // Ten bits a character (start, eight data bits, stop).
    const auto baud = std::max<std::uint32_t>(d->settings.baudRate, 1);
    const auto characters = std::chrono::microseconds(20LL * 10 * 1'000'000 / baud);
    return std::max<std::chrono::steady_clock::duration>(kMinReceiveGap, characters);
}

void CKelvra_CmdSet_Layer::OnLineQuiet(std::chrono::steady_clock::duration quiet) {
    // Garbage that announced a long packet must not swallow the valid traffic after it.
    if (quiet > receiveGap())
        d->reassembler.reset();
}

bool CKelvra_CmdSet_Layer::OnReceive(const std::uint8_t* data, int count, std::uint8_t* rxBuffer,
                                     std::uint32_t* rxLength) {
    bool complete = false;
    for (int i = 0; i < count; ++i)
        complete = receiveByte(data[i], rxBuffer, rxLength) || complete;
    return complete;
}

bool CKelvra_CmdSet_Layer::receiveByte(std::uint8_t byte, std::uint8_t* rxBuffer,
                                       std::uint32_t* rxLength) {
    const Reassembler::Result result = d->reassembler.feed(byte);
    if (result != Reassembler::Result::Packet && result != Reassembler::Result::BadChecksum)
        return false;

    const auto& buf = d->reassembler.buffer();
    const std::size_t size = d->reassembler.size();
    Record raw{};
    std::copy_n(buf.begin(), size, raw.begin());
    d->report(kKindPacketReceived, raw);

    if (result == Reassembler::Result::BadChecksum) {
        if (rxLength)
            *rxLength = static_cast<std::uint32_t>(size);
        d->report(kKindChecksumError, raw);
        return false;
    }

    applyQueueEffect(buf[2]);
    decodePacket(std::span(buf).first(size),
                 [this](int kind, const Record& r) { d->report(kind, r); });

    const std::size_t keep = std::min(size, kTxBufferSize);
    if (rxBuffer)
        std::copy_n(buf.begin(), keep, rxBuffer);
    if (rxLength)
        *rxLength = static_cast<std::uint32_t>(keep);
    return true;
}

// ---- the command catalogue -------------------------------------------------------------

namespace {
std::span<const std::uint8_t> none() {
    return {};
}

// The commands whose only parameter is one byte (a handle, an index, a mode).
bool queueOneByte(CKelvra_CmdSet_Layer& layer, std::uint8_t opcode, std::uint8_t value) {
    const std::uint8_t params[1] = {value};
    return layer.QueueCommand(opcode, params);
}
} // namespace

bool CKelvra_CmdSet_Layer::ReadLocalInformation() {
    return QueueCommand(0x01, none());
}

bool CKelvra_CmdSet_Layer::Reset() {
    if (d->resetPending.exchange(true))
        return true;
    return QueueCommand(0x02, none());
}

bool CKelvra_CmdSet_Layer::ReadStatus() {
    if (d->readStatusPending.exchange(true))
        return true;
    return QueueCommand(0x03, none());
}

bool CKelvra_CmdSet_Layer::ReadADCValue(std::uint8_t channel) {
    const std::array<std::uint8_t, 1> p{channel};
    return QueueCommand(0x04, p);
}

bool CKelvra_CmdSet_Layer::IntoShutdownMode() {
    return QueueCommand(0x05, none());
}

bool CKelvra_CmdSet_Layer::DebugCommand(std::uint8_t debugOpcode, std::uint8_t length,
                                        std::array<std::uint8_t, 2> address,
                                        std::span<const std::uint8_t> data) {
    Params p;
    p.u8(debugOpcode).u8(length).bytes(address);
    if (debugOpcode != 0x01 && debugOpcode != 0x03)
        p.bytes(data, length);
    return QueueCommand(0x06, p.view());
}

bool CKelvra_CmdSet_Layer::ReadDeviceName() {
    return QueueCommand(0x07, none());
}

bool CKelvra_CmdSet_Layer::WriteDeviceName(std::span<const std::uint8_t> name) {
    Params p;
    p.u8(0x00).bytes(name);
    return QueueCommand(0x08, p.view());
}

bool CKelvra_CmdSet_Layer::EraseAllPairedDeviceInformation() {
    return QueueCommand(0x09, none());
}
bool CKelvra_CmdSet_Layer::ReadPairingModeSetting() {
    return QueueCommand(0x0A, none());
}

bool CKelvra_CmdSet_Layer::WritePairingModeSetting(std::uint8_t mode) {
    Params p;
    p.u8(0x00).u8(mode);
    return QueueCommand(0x0B, p.view());
}

bool CKelvra_CmdSet_Layer::ReadAllPairedDeviceInformation() {
    return QueueCommand(0x0C, none());
}

bool CKelvra_CmdSet_Layer::DeletePairedDevice(std::uint8_t index) {
    return queueOneByte(*this, 0x0D, index);
}

bool CKelvra_CmdSet_Layer::DIOControl(std::array<std::uint8_t, 4> outputEnable,
                                      std::array<std::uint8_t, 4> level,
                                      std::array<std::uint8_t, 4> selected) {
    Params p;
    p.bytes(outputEnable).bytes(level).bytes(selected);
    return QueueCommand(0x0E, p.view());
}

bool CKelvra_CmdSet_Layer::PWMControl(std::uint8_t channel, std::uint8_t enable,
                                      std::uint8_t clockSource, std::uint16_t top,
                                      std::uint16_t compare, std::uint8_t inverse) {
    Params p;
    p.u8(channel).u8(enable);
    if (enable == 1)
        p.u8(clockSource).u16(top).u16(compare).u8(inverse);
    return QueueCommand(0x0F, p.view());
}

bool CKelvra_CmdSet_Layer::ReadRSSIValue(std::uint8_t handle) {
    return queueOneByte(*this, 0x10, handle);
}

bool CKelvra_CmdSet_Layer::WriteAdvData(std::uint8_t option, std::span<const std::uint8_t> data) {
    Params p;
    p.u8(option).bytes(data);
    return QueueCommand(0x11, p.view());
}

bool CKelvra_CmdSet_Layer::WriteScanResData(std::uint8_t option,
                                            std::span<const std::uint8_t> data) {
    Params p;
    p.u8(option).bytes(data);
    return QueueCommand(0x12, p.view());
}

bool CKelvra_CmdSet_Layer::SetAdvertisingParameter(std::uint16_t interval, std::uint8_t type,
                                                   std::uint8_t directAddressType,
                                                   const Address& directAddress) {
    Params p;
    p.u16(interval).u8(type).u8(directAddressType).address(directAddress);
    return QueueCommand(0x13, p.view());
}

bool CKelvra_CmdSet_Layer::SetScanParameters(std::uint16_t interval, std::uint16_t window,
                                             std::uint8_t type) {
    Params p;
    p.u16(interval).u16(window).u8(type);
    return QueueCommand(0x15, p.view());
}

bool CKelvra_CmdSet_Layer::SetScanEnable(std::uint8_t enable, std::uint8_t filterDuplicates) {
    Params p;
    p.u8(enable).u8(filterDuplicates);
    return QueueCommand(0x16, p.view());
}

bool CKelvra_CmdSet_Layer::LECreateConnection(std::uint8_t filterPolicy,
                                              std::uint8_t peerAddressType,
                                              const Address& peerAddress) {
    Params p;
    p.u8(filterPolicy).u8(peerAddressType).address(peerAddress);
    return QueueCommand(0x17, p.view());
}

bool CKelvra_CmdSet_Layer::LECreateConnectionCancel() {
    return SendCommand(makeCommandRecord(0x18, none()));
}

bool CKelvra_CmdSet_Layer::ConnectionParameterUpdateReq(std::uint8_t handle, std::uint16_t interval,
                                                        std::uint16_t latency,
                                                        std::uint16_t timeout) {
    Params p;
    p.u8(handle).u16(interval).u16(latency).u16(timeout);
    return QueueCommand(0x19, p.view());
}

bool CKelvra_CmdSet_Layer::Disconnect(std::uint8_t handle) {
    return queueOneByte(*this, 0x1B, handle);
}

bool CKelvra_CmdSet_Layer::SetAdvEnable(std::uint8_t mode) {
    return queueOneByte(*this, 0x1C, mode);
}

bool CKelvra_CmdSet_Layer::ReadRemoteDeviceName(std::uint8_t handle) {
    return queueOneByte(*this, 0x1F, handle);
}

bool CKelvra_CmdSet_Layer::DiscoverAllPrimaryService(std::uint8_t handle) {
    return queueOneByte(*this, 0x30, handle);
}

bool CKelvra_CmdSet_Layer::DiscoverCharacteristicsAndDescriptors(
    std::uint8_t handle, UuidKind kind, std::span<const std::uint8_t> uuid) {
    Params p;
    p.u8(handle).uuid(kind, uuid, true);
    return QueueCommand(0x31, p.view());
}

bool CKelvra_CmdSet_Layer::ReadCharacteristicsValue(std::uint8_t handle,
                                                    std::uint16_t valueHandle) {
    Params p;
    p.u8(handle).u16(valueHandle);
    return QueueCommand(0x32, p.view());
}

bool CKelvra_CmdSet_Layer::ReadUsingCharacteristicsUUID(std::uint8_t handle, UuidKind kind,
                                                        std::span<const std::uint8_t> uuid) {
    Params p;
    p.u8(handle).uuid(kind, uuid, true);
    return QueueCommand(0x33, p.view());
}

bool CKelvra_CmdSet_Layer::WriteCharacteristicsValue(std::uint8_t handle, std::uint8_t writeType,
                                                     std::uint16_t valueHandle,
                                                     std::span<const std::uint8_t> value) {
    Params p;
    p.u8(handle).u8(writeType).u16(valueHandle).bytes(value);
    return QueueCommand(0x34, p.view());
}

bool CKelvra_CmdSet_Layer::EnableTransparent(std::uint8_t handle, std::uint8_t control,
                                             std::uint8_t mode) {
    Params p;
    p.u8(handle).u8(control).u8(mode);
    return QueueCommand(0x35, p.view());
}

bool CKelvra_CmdSet_Layer::SendCharacteristicValue(std::uint8_t handle, std::uint16_t valueHandle,
                                                   std::span<const std::uint8_t> value) {
    Params p;
    p.u8(handle).u16(valueHandle).bytes(value);
    return QueueCommand(0x38, p.view());
}

bool CKelvra_CmdSet_Layer::UpdateCharacteristicValue(std::uint16_t valueHandle,
                                                     std::span<const std::uint8_t> value) {
    Params p;
    p.u16(valueHandle).bytes(value);
    return QueueCommand(0x39, p.view());
}

bool CKelvra_CmdSet_Layer::ReadLocalCharacteristicValue(std::uint16_t valueHandle) {
    Params p;
    p.u16(valueHandle);
    return QueueCommand(0x3A, p.view());
}

bool CKelvra_CmdSet_Layer::ReadLocalAllPrimaryService() {
    return QueueCommand(0x3B, none());
}

bool CKelvra_CmdSet_Layer::ReadLocalSpecificPrimaryService(UuidKind kind,
                                                           std::span<const std::uint8_t> uuid) {
    Params p;
    p.uuid(kind, uuid, false);
    return QueueCommand(0x3C, p.view());
}

bool CKelvra_CmdSet_Layer::SendWriteResponse(std::uint8_t handle, std::uint8_t requestOpcode,
                                             std::uint16_t attributeHandle,
                                             std::uint8_t errorCode) {
    Params p;
    p.u8(handle).u8(requestOpcode).u16(attributeHandle).u8(errorCode);
    return QueueCommand(0x3D, p.view());
}

bool CKelvra_CmdSet_Layer::SendTransparentData(std::uint8_t handle,
                                               std::span<const std::uint8_t> data) {
    Params p;
    p.u8(handle).bytes(data);
    return QueueCommand(0x3F, p.view());
}

bool CKelvra_CmdSet_Layer::PasskeyEntryReply(std::uint8_t handle, std::uint8_t entryType,
                                             std::uint8_t digit) {
    Params p;
    p.u8(handle).u8(entryType);
    if (entryType == 1)
        p.u8(digit);
    return SendCommand(makeCommandRecord(0x40, p.view()));
}

bool CKelvra_CmdSet_Layer::PasskeyConfirmReply(std::uint8_t handle, std::uint8_t answer) {
    Params p;
    p.u8(handle).u8(answer);
    return QueueCommand(0x41, p.view());
}

bool CKelvra_CmdSet_Layer::PairingRequest(std::uint8_t handle) {
    return queueOneByte(*this, 0x42, handle);
}

} // namespace nuvex3
