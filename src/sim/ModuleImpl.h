#pragma once
// Inside the virtual module: shared by VirtualModule.cpp (core and device commands),
// ModuleGap.cpp (scanning, connections, links), ModuleGatt.cpp (GATT client, server and
// transparent data) and ModulePairing.cpp (pairing and bonds). Not part of the library's
// interface.

#include "link/Packet.h"
#include "sim/GattDatabase.h"
#include "sim/VirtualModule.h"

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace nuvex3::sim {

// What a timed action belongs to, so that it can be cancelled with it.
enum class TaskTag {
    Persistent, // scenario events: survive reset
    Scan,
    Connecting,
    Standby,
    Link,    // one link's notifications, peer actions and pairing
    Pairing, // one link's pairing time-out
    Input,   // the time-out of a command whose bytes stopped coming
};

struct Task {
    TaskTag tag;
    std::uint64_t link = 0; // for Link and Pairing
    std::function<void()> run;
};

struct Link {
    std::uint64_t id = 0;
    std::uint8_t handle = 0;
    std::size_t slot = 0;
    std::size_t peer = 0;
    std::uint8_t role = 0; // 0 master (module connected out), 1 slave
    std::uint16_t interval = 0, latency = 0, timeout = 0;
    GattDatabase db; // the peer's attribute table as this link sees it

    int gattRequests = 0; // GATT client requests so far, for a peer that stops answering

    bool transparent = false;
    int creditsConsumed = 0;            // blocks the peer took since it last granted credits
    std::uint64_t transparentSent = 0;  // data bytes the peer sent (echoed or streamed)
    std::uint64_t streamed = 0;         // bytes of the peer's own stream so far
    std::uint64_t streamGeneration = 0; // the live stream loop
    Clock::time_point streamStart{};

    enum class PairingPhase { None, Running, WaitPasskey, WaitConfirm };
    PairingPhase pairing = PairingPhase::None;
    std::string entered; // digits typed for a pass key entry
    bool encrypted = false;

    std::map<std::uint16_t, std::size_t> notifyCursor;       // value handle -> next value
    std::map<std::uint16_t, std::uint64_t> notifyGeneration; // value handle -> live loop

    // The peer's write to the module's table that awaits the host's write response: the
    // attribute and the value it had before, restored when the response carries an error.
    struct PendingWrite {
        std::uint16_t handle = 0;
        Bytes previous;
    };
    std::optional<PendingWrite> pendingWrite;
};

struct VirtualModule::Impl {
    using TimePoint = VirtualModule::TimePoint;

    explicit Impl(Scenario s);

    Scenario scenario;
    GattDatabase local; // the module's own attribute table

    // ---- time and output ----
    TimePoint now{};
    std::uint64_t taskSeq = 0;
    std::map<std::pair<TimePoint, std::uint64_t>, Task> tasks;
    std::vector<Bytes> output;
    std::vector<std::string> log; // lines for the simulator's log, oldest first

    void at(TimePoint when, TaskTag tag, std::uint64_t link, std::function<void()> fn);
    void after(Millis delay, TaskTag tag, std::uint64_t link, std::function<void()> fn) {
        at(now + delay, tag, link, std::move(fn));
    }
    void cancel(TaskTag tag, std::uint64_t link = 0);
    void cancelAllButPersistent();
    void runDue(TimePoint until);

    void sendEvent(std::uint8_t opcode, const Bytes& params);
    void complete(std::uint8_t command, std::uint8_t status, const Bytes& data = {});

    // ---- input ----
    Reassembler reassembler;
    void feed(std::uint8_t byte);
    void onCommand(std::uint8_t opcode, const Bytes& params);
    bool wake(); // true when the module was asleep
    void fireEvent(std::size_t index);

    // ---- module state ----
    bool shutdown = false;
    bool scanning = false;
    bool activeScan = false;
    bool filterDuplicates = false;
    std::set<std::pair<DeviceAddress, bool>> reported; // (address, scan response)
    bool connecting = false;
    std::optional<std::size_t> connectTarget;
    bool standby = false;
    std::uint8_t standbyMode = 0;
    std::optional<std::array<std::uint8_t, 5>> lastStatus;

    // Settings kept by the module.
    std::uint8_t pairingMode = kIoKeyboardOnly;
    std::string deviceName;
    Bytes advData, scanResponseData;
    std::uint16_t advInterval = 0x0800;
    std::uint8_t advType = 0;
    std::uint16_t scanInterval = 0x0010, scanWindow = 0x0010;
    std::uint8_t scanType = 0;
    std::array<std::uint8_t, 4> dioOutputEnable{}, dioLevel{};
    struct Pwm {
        bool enabled = false;
        std::uint8_t clock = 0, inverse = 0;
        std::uint16_t top = 0, compare = 0;
    };
    std::array<Pwm, 5> pwm{};
    std::vector<std::uint8_t> memory; // debug memory, 64 KiB
    std::vector<std::uint8_t> eflash; // 1024 bytes
    std::vector<Bond> bondList;

    // ---- links ----
    static constexpr std::size_t kMaxLinks = 4;
    std::array<std::optional<Link>, kMaxLinks> linkSlots;
    std::uint64_t nextLinkId = 1;

    Link* linkByHandle(std::uint8_t handle);
    Link* linkById(std::uint64_t id);
    std::size_t linkCount() const;
    std::optional<std::size_t> peerByAddress(const DeviceAddress& a) const;
    bool linkedTo(std::size_t peer) const;
    const PeerConfig& peerOf(const Link& l) const { return scenario.peers[l.peer]; }

    std::uint8_t currentState() const;
    void reportStatus(bool force);

    void resetModule();
    void stopScanning();
    void scheduleAdvertiser(std::size_t peer, TimePoint when);
    void advertise(std::size_t peer);
    void establishLink(std::size_t peer, std::uint8_t role);
    void dropLink(std::uint8_t handle, std::uint8_t reason);
    void scheduleStandbyConnection();
    void runPowerOnCommands(); // ModuleAutomation.cpp

    // ---- commands (one handler per opcode; params without the opcode) ----
    using Handler = void (Impl::*)(const Bytes&);
    struct CommandEntry {
        std::uint8_t opcode;
        std::size_t minParams;
        std::size_t maxParams;
        Handler handler;
    };
    static const std::vector<CommandEntry>& commandTable();

    // device (VirtualModule.cpp)
    void cmdReadLocalInformation(const Bytes&);
    void cmdReset(const Bytes&);
    void cmdReadStatus(const Bytes&);
    void cmdReadAdc(const Bytes&);
    void cmdShutdown(const Bytes&);
    void cmdDebug(const Bytes&);
    void cmdReadDeviceName(const Bytes&);
    void cmdWriteDeviceName(const Bytes&);
    void cmdReadPairingMode(const Bytes&);
    void cmdWritePairingMode(const Bytes&);
    void cmdDioControl(const Bytes&);
    void cmdPwmControl(const Bytes&);
    // GAP (ModuleGap.cpp)
    void cmdReadRssi(const Bytes&);
    void cmdWriteAdvData(const Bytes&);
    void cmdWriteScanResData(const Bytes&);
    void cmdSetAdvertisingParameter(const Bytes&);
    void cmdSetScanParameters(const Bytes&);
    void cmdSetScanEnable(const Bytes&);
    void cmdCreateConnection(const Bytes&);
    void cmdCreateConnectionCancel(const Bytes&);
    void cmdConnectionParameterUpdate(const Bytes&);
    void cmdDisconnect(const Bytes&);
    void cmdSetAdvEnable(const Bytes&);
    void cmdReadRemoteName(const Bytes&);
    // GATT and transparent (ModuleGatt.cpp)
    void cmdDiscoverAllPrimaryServices(const Bytes&);
    void cmdDiscoverCharacteristics(const Bytes&);
    void cmdReadValue(const Bytes&);
    void cmdReadByUuid(const Bytes&);
    void cmdWriteValue(const Bytes&);
    void cmdEnableTransparent(const Bytes&);
    void cmdSendCharacteristicValue(const Bytes&);
    void cmdUpdateCharacteristicValue(const Bytes&);
    void cmdReadLocalValue(const Bytes&);
    void cmdReadLocalAllPrimaryServices(const Bytes&);
    void cmdReadLocalSpecificPrimaryService(const Bytes&);
    void cmdSendWriteResponse(const Bytes&);
    void cmdSendTransparentData(const Bytes&);
    // pairing (ModulePairing.cpp)
    void cmdEraseBonds(const Bytes&);
    void cmdReadBonds(const Bytes&);
    void cmdDeleteBond(const Bytes&);
    void cmdPasskeyEntryReply(const Bytes&);
    void cmdPasskeyConfirmReply(const Bytes&);
    void cmdPairingRequest(const Bytes&);

    // ---- GATT helpers (ModuleGatt.cpp) ----
    // Counts a GATT client request on the link of `connHandle`; false when its peer no
    // longer answers, so the request gets nothing back.
    bool peerAnswers(std::uint8_t connHandle);
    void notifyLoop(std::uint64_t linkId, std::uint16_t valueHandle, std::uint64_t generation);
    void sendNotification(Link& l, std::uint16_t valueHandle, const Bytes& value);
    void grantCredits(Link& l, int credits);
    // Transparent data from the peer (Received Transparent Data), with the scenario's
    // corrupted byte.
    void sendTransparent(Link& l, Bytes data);
    void startStream(Link& l);
    void streamLoop(std::uint64_t linkId, std::uint64_t generation);
    void schedulePeerWrites(const Link& l);
    // Local GATT server (ModuleGattServer.cpp): the peer of link `linkId` writes the
    // module's table, and answers a value the module sent it.
    void peerWrite(std::uint64_t linkId, const PeerWrite& write);
    void answerSentValue(const Link& l, const GattCharacteristic& c);
    // The simulator's log of what peers receive and write (ModulePeerLog.cpp).
    void logPeerReceived(const Link& l, const GattCharacteristic& c, const Bytes& value);
    void logPeerWrote(const Link& l, std::uint16_t handle, const Bytes& value);

    // ---- pairing helpers (ModulePairing.cpp) ----
    void startPairing(std::uint64_t linkId);
    void finishPairing(Link& l, std::uint8_t result);
    bool bonded(const PeerConfig& p) const;
    void addBond(const PeerConfig& p);
};

// The eFlash contents of a module fresh from the factory (ModuleMaintenance.cpp).
Bytes eflashImage(const ModuleConfig& module);

// Value limits shared by the GATT client and the local GATT server.
inline constexpr std::uint16_t kLocalMtu = 247; // result packets of the module's own table
inline constexpr std::size_t kMaxAttributeValue = 512;
// The tool takes these values' lengths from the low byte of the packet length, so each
// event stays below 256 bytes: L = 4 + value for 0x93 and 0x98, 3 + value for the answers
// of 0x32 and 0x3A, 5 + value for the answer of 0x33.
inline constexpr std::size_t kMaxNotifiedValue = 251;
inline constexpr std::size_t kMaxReadValue = 252;

// The value cut to `max` bytes and to what one event carries.
inline Bytes truncated(Bytes v, std::size_t max, std::size_t eventMax) {
    v.resize(std::min({v.size(), max, eventMax}));
    return v;
}

// Small byte helpers.
inline Bytes be16(std::uint16_t v) {
    return {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v & 0xFF)};
}
inline std::uint16_t readBe16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
}
inline Bytes reversedBytes(const Bytes& b) {
    return Bytes(b.rbegin(), b.rend());
}
inline Bytes addressOnAir(const DeviceAddress& a) {
    return Bytes(a.rbegin(), a.rend());
}
inline void append(Bytes& to, const Bytes& more) {
    to.insert(to.end(), more.begin(), more.end());
}

} // namespace nuvex3::sim
