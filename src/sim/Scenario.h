#pragma once
// What the virtual module simulates: the module itself, the peers around it (advertisers,
// devices it connects to, centrals that connect to it), their attribute tables, and timed
// events. Loaded from a JSON file or built in.

#include <QString>

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nuvex3::sim {

using Bytes = std::vector<std::uint8_t>;
using DeviceAddress = std::array<std::uint8_t, 6>; // most significant byte first, as shown
using Millis = std::chrono::milliseconds;

// A 16-bit or 128-bit UUID, most significant byte first (as written).
struct Uuid {
    Bytes bytes;
    bool operator==(const Uuid&) const = default;
    bool is16() const { return bytes.size() == 2; }
    std::uint16_t value16() const {
        return is16() ? static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]) : 0;
    }
    static Uuid of16(std::uint16_t v) {
        return Uuid{{static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)}};
    }
};

// Characteristic properties bits.
enum Property : std::uint8_t {
    kPropBroadcast = 0x01,
    kPropRead = 0x02,
    kPropWriteNoResponse = 0x04,
    kPropWrite = 0x08,
    kPropNotify = 0x10,
    kPropIndicate = 0x20,
};

inline constexpr std::uint16_t kUuidCccd = 0x2902;

struct DescriptorDef {
    Uuid uuid;
    Bytes value;
};

struct CharacteristicDef {
    Uuid uuid;
    std::uint8_t properties = kPropRead;
    Bytes value;
    std::vector<DescriptorDef> descriptors;
    // While a client has notifications or indications on, the owner sends a value this
    // often: the next of notifyValues (cycled), or the current value when that is empty.
    Millis notifyInterval{0};
    std::vector<Bytes> notifyValues;
};

struct ServiceDef {
    Uuid uuid;
    std::uint16_t startHandle = 0; // 0: the handle after the previous service
    std::vector<CharacteristicDef> characteristics;
};

// A write that a connected peer makes to one of the module's own characteristics, or to
// one of its descriptors (the configuration descriptor 2902 switches notifications on).
// The module reports it (Client Write Characteristic Value) and the host answers it with
// Send Write Response; an answer with an error code undoes the write.
struct PeerWrite {
    Millis after{0}; // after the connection is established (or the value that is answered)
    Uuid characteristic;
    Bytes value;
    Uuid descriptor; // empty: the characteristic's value
};

// A peer that answers a value the module sends it (Send Characteristic Value, a
// notification or an indication) of one of the module's characteristics with a write.
struct PeerAnswer {
    Uuid notified; // the module's characteristic whose value the peer received
    PeerWrite write;
};

// IO capabilities, also the module's pairing mode setting.
enum IoCapability : std::uint8_t {
    kIoDisplayOnly = 0,
    kIoDisplayYesNo = 1,
    kIoKeyboardOnly = 2,
    kIoNoInputNoOutput = 3,
    kIoKeyboardDisplay = 4,
};

struct PeerConfig {
    DeviceAddress address{};
    std::uint8_t addressType = 0; // 0 public, 1 random
    std::string name;

    // Advertising (advInterval 0: the peer does not advertise).
    std::uint8_t advEventType = 0; // 0 ADV_IND, 1 ADV_DIRECT_IND, 2 ADV_SCAN_IND, 3 ADV_NONCONN_IND
    Bytes advData;
    Bytes scanResponse;
    std::int8_t rssi = -60;
    Millis advInterval{100};
    bool connectable = true;

    // Connections.
    Millis connectDelay{100};             // from LE Create Connection (or standby) to the link
    bool connectsToStandby = false;       // a central that connects when the module advertises
    Millis disconnectAfter{0};            // the peer ends the link by itself after this; 0: never
    std::uint8_t disconnectReason = 0x13; // the reason its Disconnection Complete gives
    std::uint16_t connInterval = 0x0018;
    std::uint16_t connLatency = 0x0000;
    std::uint16_t supervisionTimeout = 0x0048;
    Millis parameterUpdateDelay{50};

    // Security.
    std::uint8_t ioCapability = kIoDisplayOnly;
    std::string passKey = "602491"; // the key it shows or expects
    bool confirmsPasskey = true;    // its answer in numeric comparison
    bool initiatesPairing = false;  // starts pairing as soon as connected

    // Transparent data.
    bool echo = false;
    int credits = 0; // > 0: credit flow control with this many credits at start
    std::uint16_t mtu = 23;
    // Data the peer sends by itself while the link's transparent service is on:
    // streamBytesPerSecond bytes a second (0: none) in pieces of mtu - 3 bytes, from
    // streamAfter after the service was enabled, streamTotalBytes in all (0: until the
    // service or the link goes). The bytes are streamByte(0), streamByte(1), ...
    std::uint32_t streamBytesPerSecond = 0;
    Millis streamAfter{0};
    std::uint64_t streamTotalBytes = 0;
    // The transparent data byte at this offset (counted from 0 over everything the peer
    // sends on one link, echoed or streamed) arrives with its bits inverted; -1: none.
    long long corruptByte = -1;

    std::vector<ServiceDef> services;
    std::vector<PeerWrite> writes;
    std::vector<PeerAnswer> answers;

    // A peer that stops answering: after this many GATT client requests (0x30 to 0x34) on
    // a link, the module gets no answer from it and sends neither results nor a Command
    // Complete for the requests that follow. -1: it always answers.
    int gattSilentAfter = -1;
};

struct ModuleConfig {
    DeviceAddress address{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    std::string name = "NUVEX3";
    std::array<std::uint8_t, 4> version{0x01, 0x00, 0x03, 0x07};
    std::uint8_t deviceType = 0x00;
    std::uint8_t ioCapability = kIoKeyboardOnly;
    std::string passKey = "602491"; // the key the module shows when it displays one
    bool autoPair = false;          // pairs by itself as soon as a link is up
    bool rebondWithoutKey = true;   // a bonded peer pairs again without a key
    Millis pairingTimeout{30000};
    bool powerOnReport = true; // Status Reports power on and idle when the module starts
    // Commands (opcode and parameters) the module carries out by itself once powered on,
    // as if the host had sent them; their Command Complete is not reported.
    std::vector<Bytes> powerOnCommands;
    std::vector<ServiceDef> localServices; // the module's own attribute table
};

// An event the module sends by itself at a given time after power on, e.g. Configure
// Mode Status (0x8F) or Customer Demo Event (0xF0).
struct TimedEvent {
    Millis at{0};
    Millis repeat{0}; // 0: once
    std::uint8_t opcode = 0;
    Bytes params;
};

struct Scenario {
    ModuleConfig module;
    std::vector<PeerConfig> peers;
    std::vector<TimedEvent> events;
};

// The module's built-in attribute table: Generic Access, Generic Attribute, the
// transparent service, heart rate, health thermometer, blood pressure, weight scale,
// glucose and battery.
std::vector<ServiceDef> defaultLocalServices(const std::string& deviceName);

// The transparent service and its characteristics: transmit (notify), receive (write)
// and credit (write, notify). Starting at 0x0050 puts the credit value at 0x0057.
ServiceDef transparentService(std::uint16_t start = 0);
Uuid transparentServiceUuid();
Uuid transparentTxUuid();
Uuid transparentRxUuid();
Uuid transparentCreditUuid();

// The vendor air patch service and its characteristic.
Uuid airPatchServiceUuid();
Uuid airPatchUuid();

// Byte `index` of the data a streaming peer sends: lines of printable text.
std::uint8_t streamByte(std::uint64_t index);

// A rich demonstration: three advertisers (one with a full attribute table, heart rate
// notifications and an echoing transparent service with credit flow), and a central that
// connects when the module enters standby.
Scenario defaultScenario();

// Reads a scenario from a JSON file; missing fields keep the defaults of the structs
// above. On failure returns nothing and sets *error to a readable message.
std::optional<Scenario> loadScenario(const QString& path, QString* error);
std::optional<Scenario> parseScenario(const QByteArray& json, QString* error);

} // namespace nuvex3::sim
