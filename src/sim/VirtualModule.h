#pragma once
// The virtual module's protocol logic: command packets in, event packets out, with the
// module's states, links, pairing, attribute tables and timed behaviour. It does no I/O
// and reads no clock: the caller passes the time with every call and collects the framed
// packets with takeOutput(), so it can be driven byte by byte in tests.

#include "link/Clock.h"
#include "sim/Scenario.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace nuvex3::sim {

// Module states reported by Status Report (0x81).
enum ModuleState : std::uint8_t {
    kStatePowerOn = 0x00,
    kStateScanning = 0x01,
    kStateConnecting = 0x02,
    kStateStandby = 0x03,
    kStateBroadcast = 0x05,
    kStateTransparent = 0x08,
    kStateIdle = 0x09,
    kStateShutdown = 0x0A,
    kStateConfigure = 0x0B,
    kStateConnected = 0x0C,
};

// Status codes the module answers with.
enum StatusCode : std::uint8_t {
    kStatusSuccess = 0x00,
    kStatusUnknownCommand = 0x01,
    kStatusUnknownConnection = 0x02,
    kStatusConnectionLimit = 0x09,
    kStatusConnectionExists = 0x0B,
    kStatusDisallowed = 0x0C,
    kStatusInvalidParameters = 0x12,
    kStatusRemoteUserTerminated = 0x13,
    kStatusLocalHostTerminated = 0x16,
    kStatusInvalidHandle = 0x81,
    kStatusReadNotPermitted = 0x82,
    kStatusWriteNotPermitted = 0x83,
    kStatusAttributeNotFound = 0x8A,
    kStatusInvalidValueLength = 0x8D,
    kStatusChecksumError = 0xFF,
};

// Event opcodes.
enum EventOpcode : std::uint8_t {
    kEvPasskeyEntryRequest = 0x60,
    kEvPairingComplete = 0x61,
    kEvPasskeyConfirmRequest = 0x62,
    kEvAdvertisingReport = 0x70,
    kEvConnectionComplete = 0x71,
    kEvDisconnectionComplete = 0x72,
    kEvConnectionParameterUpdate = 0x73,
    kEvCommandComplete = 0x80,
    kEvStatusReport = 0x81,
    kEvConfigureModeStatus = 0x8F,
    kEvPrimaryServiceResult = 0x90,
    kEvCharacteristicResult = 0x91,
    kEvDescriptorResult = 0x92,
    kEvCharacteristicValue = 0x93,
    kEvClientWrite = 0x98,
    kEvTransparentData = 0x9A,
    kEvCustomerDemo = 0xF0,
};

// The attribute handle on which the transparent service announces credits.
inline constexpr std::uint16_t kCreditValueHandle = 0x0057;

struct Bond {
    std::uint8_t index = 0;
    std::uint8_t priority = 0;
    DeviceAddress address{};
    std::uint8_t addressType = 0;
};

class VirtualModule {
public:
    using TimePoint = Clock::time_point;

    explicit VirtualModule(Scenario scenario);
    ~VirtualModule();
    VirtualModule(const VirtualModule&) = delete;
    VirtualModule& operator=(const VirtualModule&) = delete;

    // Starts the module: Status Reports power on, then idle (unless the scenario turns
    // them off), and the scenario's timed events.
    void powerOn(TimePoint now);
    // Bytes from the host. Runs what is due at `now` first, then the commands the bytes
    // complete, then what they made due at once.
    void receive(std::span<const std::uint8_t> bytes, TimePoint now);
    // Runs every timed action due at or before `now`, in time order.
    void advance(TimePoint now);
    // When the next timed action is due, if any.
    std::optional<TimePoint> nextDue() const;
    // The framed packets produced so far, oldest first; the module forgets them.
    std::vector<Bytes> takeOutput();
    // The lines of the simulator's log so far (what the peers received from the module's
    // own table and wrote to it), oldest first; the module forgets them.
    std::vector<std::string> takeLog();

    // Observations for tests and the command line.
    std::uint8_t state() const;
    std::vector<std::uint8_t> linkHandles() const;
    std::vector<Bond> bonds() const;
    Bytes eflash() const; // the 1024 bytes a Read eFlash returns
    const Scenario& scenario() const;

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};

} // namespace nuvex3::sim
