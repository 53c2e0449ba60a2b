#include "link/EventDecoder.h"

#include "link/Vocabulary.h"

#include <algorithm>
#include <array>

namespace nuvex3 {

namespace {

constexpr std::size_t kByteCountMax = 0xFF; // largest count a one-byte field says

// The packet as received; bytes after it are zero.
Record asReceived(const PacketView& p, std::size_t limit = kRecordSize) {
    Record r{};
    const std::size_t n = std::min(p.size(), limit);
    std::copy_n(p.bytes().begin(), n, r.begin());
    return r;
}

// A fresh record: [0] 0, [1] L low byte, [2] opcode.
Record fresh(const PacketView& p) {
    Record r{};
    r[1] = p.lengthLow();
    r[2] = p.opcode();
    return r;
}

void reverse(Record& r, std::size_t from, std::size_t n) {
    std::reverse(r.begin() + static_cast<std::ptrdiff_t>(from),
                 r.begin() + static_cast<std::ptrdiff_t>(from + n));
}

void put32(Record& r, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i)
        r[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Copies packet bytes [from, from + n) to r[to...], never past the packet.
void copyFrom(Record& r, std::size_t to, const PacketView& p, std::size_t from, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        r[to + i] = p.at(from + i);
}

// Parameter bytes from packet offset `from` to the last parameter (L + 1).
std::size_t paramsFrom(const PacketView& p, std::size_t from) {
    const std::size_t end = p.length() + 2; // one past the last parameter
    return end > from ? end - from : 0;
}

// ---- events ---------------------------------------------------------------------------

template <int Kind, std::size_t Fields> void freshFields(const PacketView& p, const DecodeSink& s) {
    Record r = fresh(p);
    copyFrom(r, 3, p, 3, Fields);
    s(Kind, r);
}

template <int Kind> void whole(const PacketView& p, const DecodeSink& s) {
    s(Kind, asReceived(p));
}

void advertisingReport(const PacketView& p, const DecodeSink& s) {
    constexpr std::size_t kRssiAt = 43;
    const std::size_t n = p.at(11);
    // The RSSI follows the data; data that would run into it, or an RSSI that the packet
    // does not hold, make the report undecodable.
    if (12 + n > kRssiAt || 12 + n > p.length() + 1)
        return;
    Record r = asReceived(p);
    reverse(r, 5, 6);
    r[kRssiAt] = p.at(12 + n);
    s(kKindAdvertisingReport, r);
}

void connectionComplete(const PacketView& p, const DecodeSink& s) {
    Record r = asReceived(p);
    reverse(r, 7, 6);
    s(kKindConnectionComplete, r);
}

// Characteristic value received (0x93) and client write (0x98): handle swapped, value.
template <int Kind> void handleAndValue(const PacketView& p, const DecodeSink& s) {
    Record r = fresh(p);
    r[3] = p.at(3);
    r[4] = p.at(5);
    r[5] = p.at(4);
    const std::size_t m = std::min(paramsFrom(p, 6), kByteCountMax);
    r[6] = static_cast<std::uint8_t>(m);
    copyFrom(r, 7, p, 6, m);
    s(Kind, r);
}

void transparentData(const PacketView& p, const DecodeSink& s) {
    Record r{};
    r[0] = p.at(0);
    r[1] = p.at(1);
    r[2] = p.opcode();
    r[3] = p.at(3);
    const std::size_t d = paramsFrom(p, 4);
    put32(r, 4, static_cast<std::uint32_t>(d));
    copyFrom(r, 8, p, 4, d);
    s(kKindTransparentData, r);
}

void eventC0(const PacketView& p, const DecodeSink& s) {
    constexpr std::size_t kCountAt = 260;
    Record r{};
    r[0] = p.at(0);
    r[1] = p.at(1);
    r[2] = p.opcode();
    r[3] = p.at(3);
    r[4] = p.at(4);
    const std::size_t n = std::min(paramsFrom(p, 5), kCountAt - 5);
    copyFrom(r, 5, p, 5, n);
    put32(r, kCountAt, static_cast<std::uint32_t>(n));
    s(kKindEventC0, r);
}

void customerDemo(const PacketView& p, const DecodeSink& s) {
    Record r{};
    copyFrom(r, 0, p, 0, 6);
    s(kKindCustomerDemo, r);
}

void eventF9(const PacketView& p, const DecodeSink& s) {
    constexpr std::size_t kCountAt = 204;
    Record r = asReceived(p, kCountAt);
    put32(r, kCountAt, static_cast<std::uint32_t>(std::min(paramsFrom(p, 4), kCountAt - 4)));
    s(kKindEventF9, r);
}

// Discovery results 0x90 and 0x91: one record per whole entry, [0..1] e + 4, [3] the
// connection handle, [4] 1 for the short (16-bit UUID) entry size and 2 otherwise; `fields`
// fills the entry's handle bytes from record byte 5; the UUID (entry bytes from `uuidAt`)
// follows them reversed.
template <class Fields>
void discoveryEntries(const PacketView& p, const DecodeSink& s, int kind, std::size_t uuidAt,
                      std::size_t shortEntry, Fields fields) {
    const std::size_t e = p.at(4);
    if (e < uuidAt)
        return;
    const std::size_t count = paramsFrom(p, 5) / e;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 5 + i * e;
        Record r{};
        r[0] = static_cast<std::uint8_t>((e + 4) >> 8);
        r[1] = static_cast<std::uint8_t>((e + 4) & 0xFF);
        r[2] = p.opcode();
        r[3] = p.at(3);
        r[4] = e == shortEntry ? 1 : 2;
        fields(r, at);
        copyFrom(r, uuidAt + 5, p, at + uuidAt, e - uuidAt);
        reverse(r, uuidAt + 5, e - uuidAt);
        s(kind, r);
    }
}

void primaryServices(const PacketView& p, const DecodeSink& s) {
    discoveryEntries(p, s, kKindPrimaryServiceResult, 4, 6, [&p](Record& r, std::size_t at) {
        r[5] = p.at(at + 1); // start handle, bytes swapped
        r[6] = p.at(at + 0);
        r[7] = p.at(at + 3); // end handle, bytes swapped
        r[8] = p.at(at + 2);
    });
}

void characteristics(const PacketView& p, const DecodeSink& s) {
    discoveryEntries(p, s, kKindCharacteristicResult, 5, 7, [&p](Record& r, std::size_t at) {
        r[5] = p.at(at + 1); // attribute handle, bytes swapped
        r[6] = p.at(at + 0);
        r[7] = p.at(at + 2); // properties
        r[8] = p.at(at + 4); // value handle, bytes swapped
        r[9] = p.at(at + 3);
    });
}

void descriptors(const PacketView& p, const DecodeSink& s) {
    const std::uint8_t f = p.at(4);
    if (f != 1 && f != 2)
        return;
    const std::size_t u = f == 1 ? 2 : 16;
    const std::size_t count = paramsFrom(p, 5) / (u + 2);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 5 + i * (u + 2);
        Record r = fresh(p);
        r[3] = p.at(3);
        r[4] = f;
        r[5] = p.at(at + 1);
        r[6] = p.at(at + 0);
        copyFrom(r, 7, p, at + 2, u);
        reverse(r, 7, u);
        s(kKindDescriptorResult, r);
    }
}

// ---- the parameters on the wire ---------------------------------------------------------

using namespace field;
namespace v = vocabulary;

constexpr std::uint16_t kUnit1250us = 1250;
constexpr std::uint16_t kUnit10ms = 10000;

constexpr FieldSpec kHandleOnly[] = {connectionHandle()};
constexpr FieldSpec kPairingComplete[] = {connectionHandle(),
                                          failsUnlessZero(choice("Result", v::kPairingResults))};
constexpr FieldSpec kPasskeyConfirm[] = {connectionHandle(), text("Pass Key", 6)};
constexpr FieldSpec kAdvertisingReport[] = {choice("Event Type", v::kAdvEventTypes),
                                            choice("Address Type", v::kPeerAddressTypes),
                                            address("Address"),
                                            decimal("Data Length"),
                                            sizedBy(adData("Data"), 3),
                                            rssi()};
constexpr FieldSpec kConnectionComplete[] = {status(),
                                             connectionHandle(),
                                             choice("Role", v::kRoles),
                                             choice("Peer Address Type", v::kPeerAddressTypes),
                                             address("Peer Address"),
                                             interval("Conn Interval", kUnit1250us),
                                             decimal("Conn Latency", 2),
                                             interval("Supervision Timeout", kUnit10ms)};
constexpr FieldSpec kDisconnection[] = {connectionHandle(), reason("Reason")};
constexpr FieldSpec kParameterUpdate[] = {
    connectionHandle(), interval("Conn Interval", kUnit1250us), decimal("Conn Latency", 2),
    interval("Supervision Timeout", kUnit10ms)};
constexpr FieldSpec kCommandCompleteHead[] = {command("Command"), status()};
constexpr FieldSpec kStatusReport[] = {
    choice("Module State", v::kModuleStates), optional(choice("Link 1", v::kModuleStates)),
    optional(choice("Link 2", v::kModuleStates)), optional(choice("Link 3", v::kModuleStates)),
    optional(choice("Link 4", v::kModuleStates))};
constexpr FieldSpec kConfigureMode[] = {choice("Configure Mode", v::kDisabledEnabled)};
constexpr FieldSpec kServiceEntry[] = {handleLsb("Start Handle"), handleLsb("End Handle"),
                                       uuid("Service UUID")};
constexpr FieldSpec kPrimaryServices[] = {connectionHandle(), decimal("Entry Length"),
                                          listSizedBy("Services", "Service", kServiceEntry, 1)};
constexpr FieldSpec kCharacteristicEntry[] = {handleLsb("Attribute Handle"),
                                              properties("Properties"), handleLsb("Value Handle"),
                                              uuid("Characteristic UUID")};
constexpr FieldSpec kCharacteristics[] = {
    connectionHandle(), decimal("Entry Length"),
    listSizedBy("Characteristics", "Characteristic", kCharacteristicEntry, 1)};
constexpr FieldSpec kDescriptorEntry[] = {handleLsb("Handle"), uuid("UUID")};
constexpr FieldSpec kDescriptors[] = {
    connectionHandle(), choice("UUID Format", v::kUuidFormats),
    listByUuidFormat("Descriptors", "Descriptor", kDescriptorEntry, 2, 1)};
constexpr FieldSpec kValueFromPeer[] = {connectionHandle(), handleLsb("Attribute Handle"),
                                        bytes("Value")};
constexpr FieldSpec kTransparentData[] = {connectionHandle(), bytes("Data")};
constexpr FieldSpec kEventC0[] = {hex("Parameter 1"), hex("Parameter 2"), bytes("Data")};
constexpr FieldSpec kCustomerDemo[] = {hex("Parameter 1"), optional(hex("Parameter 2")),
                                       optional(hex("Parameter 3"))};
constexpr FieldSpec kEventF9[] = {bytes("Data")};

// Returned data of the Command Complete conditions.
constexpr FieldSpec kCcLocalInformation[] = {bytes("FW Version", 4), address("Bluetooth Address"),
                                             optional(hex("HW Version"))};
constexpr FieldSpec kCcAdcValue[] = {choice("ADC Range", v::kAdcRanges), hex("ADC Value", 2)};
constexpr FieldSpec kCcDebugData[] = {choice("Debug OpCode", v::kDebugOpcodes),
                                      optional(bytes("Data"))};
constexpr FieldSpec kCcName[] = {text("Device Name")};
constexpr FieldSpec kCcPairingMode[] = {choice("Pairing Mode", v::kPairingModes)};
constexpr FieldSpec kPairedDevice[] = {decimal("Device Index"), decimal("Priority"),
                                       address("Device Address")};
constexpr FieldSpec kCcPairedDevices[] = {decimal("Count"),
                                          listCounted("Devices", "Device", kPairedDevice, 8, 0)};
constexpr FieldSpec kCcDio[] = {bytes("Pin Levels")};
constexpr FieldSpec kCcRssi[] = {rssi()};
constexpr FieldSpec kCcValue[] = {bytes("Characteristic Value")};
constexpr FieldSpec kCcValueByUuid[] = {handleLsb("Attribute Handle"),
                                        bytes("Characteristic Value")};
constexpr FieldSpec kCcOther[] = {optional(bytes("Data"))};

// ---- Command Complete conditions -------------------------------------------------------

void ccLocalInformation(const PacketView& p, const DecodeSink& s) {
    Record r = asReceived(p);
    reverse(r, 9, 6);
    s(kKindLocalInformation, r);
}

void ccAdcValue(const PacketView& p, const DecodeSink& s) {
    Record r = fresh(p);
    copyFrom(r, 3, p, 3, 5);
    s(kKindAdcValue, r);
}

void ccDebugData(const PacketView& p, const DecodeSink& s) {
    Record r = fresh(p);
    copyFrom(r, 3, p, 3, 3);
    const std::size_t t = paramsFrom(p, 6);
    put32(r, 8, static_cast<std::uint32_t>(t));
    copyFrom(r, 12, p, 6, t);
    s(kKindDebugData, r);
}

// The packet as received with a count of the bytes from [5] at a fixed offset. Bytes that
// would reach the count are left out and the count says what the record holds.
template <int Kind, std::size_t CountAt>
void ccWithCount(const PacketView& p, const DecodeSink& s) {
    Record r = asReceived(p, CountAt);
    put32(r, CountAt, static_cast<std::uint32_t>(std::min(paramsFrom(p, 5), CountAt - 5)));
    s(Kind, r);
}

void ccPairedDevices(const PacketView& p, const DecodeSink& s) {
    const std::size_t count = p.at(5);
    if (p.length() < 4 + 8 * count)
        return;
    Record r = asReceived(p);
    for (std::size_t i = 0; i < count; ++i)
        reverse(r, 8 + 8 * i, 6);
    s(kKindPairedDevices, r);
}

// Read (local) characteristic value: [5] m, [6..] value from packet byte 5.
template <int Kind> void ccValue(const PacketView& p, const DecodeSink& s) {
    Record r = fresh(p);
    r[3] = p.at(3);
    r[4] = p.at(4);
    const std::size_t m = std::min(paramsFrom(p, 5), kByteCountMax);
    r[5] = static_cast<std::uint8_t>(m);
    copyFrom(r, 6, p, 5, m);
    s(Kind, r);
}

void ccValueByUuid(const PacketView& p, const DecodeSink& s) {
    Record r = fresh(p);
    r[3] = p.at(3);
    r[4] = p.at(4);
    r[5] = p.at(6);
    r[6] = p.at(5);
    const std::size_t m = std::min(paramsFrom(p, 7), kByteCountMax);
    r[7] = static_cast<std::uint8_t>(m);
    copyFrom(r, 8, p, 7, m);
    s(kKindValueByUuid, r);
}

// Minimum lengths cover every field a record carries, so that no decoder (nor the window,
// reading the record) takes the checksum byte for a field: local information is command,
// status, version (4), address (6) and device type; the ADC value is command, status,
// channel and a 16-bit value.
constexpr std::array kCommandCompleteRows = {
    CommandCompleteRow{0x01, 14, kKindLocalInformation, ccLocalInformation, kCcLocalInformation},
    CommandCompleteRow{0x04, 6, kKindAdcValue, ccAdcValue, kCcAdcValue},
    CommandCompleteRow{0x06, 5, kKindDebugData, ccDebugData, kCcDebugData},
    CommandCompleteRow{0x07, 4, kKindDeviceName, ccWithCount<kKindDeviceName, 40>, kCcName},
    CommandCompleteRow{0x0A, 4, kKindPairingMode, whole<kKindPairingMode>, kCcPairingMode},
    CommandCompleteRow{0x0C, 4, kKindPairedDevices, ccPairedDevices, kCcPairedDevices},
    CommandCompleteRow{0x0E, 4, kKindDioControl, whole<kKindDioControl>, kCcDio},
    CommandCompleteRow{0x10, 4, kKindRssi, whole<kKindRssi>, kCcRssi},
    CommandCompleteRow{0x1F, 4, kKindRemoteName, ccWithCount<kKindRemoteName, 260>, kCcName},
    CommandCompleteRow{0x32, 4, kKindCharacteristicValue, ccValue<kKindCharacteristicValue>,
                       kCcValue},
    // Handle and at least one value byte, as for 0x32 (a one-byte value is a value too).
    CommandCompleteRow{0x33, 6, kKindValueByUuid, ccValueByUuid, kCcValueByUuid},
    CommandCompleteRow{0x3A, 4, kKindLocalCharacteristicValue,
                       ccValue<kKindLocalCharacteristicValue>, kCcValue},
};

void commandComplete(const PacketView& p, const DecodeSink& s) {
    // Without a status byte there is nothing to decode.
    if (p.length() < 3)
        return;
    if (p.length() == 3) {
        s(kKindCommandComplete, asReceived(p));
        return;
    }
    const std::uint8_t command = p.at(3);
    for (const auto& row : kCommandCompleteRows) {
        if (row.command != command)
            continue;
        if (p.length() >= row.minLength)
            row.decode(p, s);
        return;
    }
    s(kKindCommandComplete, asReceived(p));
}

// The pairing events need their handle (and result, and six digits) in the packet: with a
// shorter length those fields would be the checksum byte and what follows it.
constexpr std::array kEventRows = {
    EventRow{0x60, "Passkey Entry Request", 2, kKindPasskeyEntryRequest,
             freshFields<kKindPasskeyEntryRequest, 1>, kHandleOnly},
    EventRow{0x61, "Pairing Complete", 3, kKindPairingComplete,
             freshFields<kKindPairingComplete, 2>, kPairingComplete},
    EventRow{0x62, "Passkey Confirm Request", 8, kKindPasskeyConfirmRequest,
             freshFields<kKindPasskeyConfirmRequest, 7>, kPasskeyConfirm},
    EventRow{0x70, "Advertising Report", 11, kKindAdvertisingReport, advertisingReport,
             kAdvertisingReport},
    EventRow{0x71, "Connection Complete", 17, kKindConnectionComplete, connectionComplete,
             kConnectionComplete},
    EventRow{0x72, "Disconnection Complete", 3, kKindDisconnectionComplete,
             whole<kKindDisconnectionComplete>, kDisconnection},
    EventRow{0x73, "Connection Parameter Update", 8, kKindConnectionParameterUpdate,
             whole<kKindConnectionParameterUpdate>, kParameterUpdate},
    EventRow{0x80, "Command Complete", 1, kKindCommandComplete, commandComplete,
             kCommandCompleteHead},
    EventRow{0x81, "Status Report", 2, kKindStatusReport, whole<kKindStatusReport>, kStatusReport},
    EventRow{0x8F, "Configure Mode Status", 2, kKindConfigureModeStatus,
             whole<kKindConfigureModeStatus>, kConfigureMode},
    EventRow{0x90, "Discover All Primary Service Result", 9, kKindPrimaryServiceResult,
             primaryServices, kPrimaryServices},
    EventRow{0x91, "Discover Characteristics Result", 10, kKindCharacteristicResult,
             characteristics, kCharacteristics},
    EventRow{0x92, "Discover Descriptors Result", 5, kKindDescriptorResult, descriptors,
             kDescriptors},
    EventRow{0x93, "Characteristic Value Received", 5, kKindCharacteristicValueReceived,
             handleAndValue<kKindCharacteristicValueReceived>, kValueFromPeer},
    EventRow{0x98, "Client Write Characteristic Value", 4, kKindClientWrite,
             handleAndValue<kKindClientWrite>, kValueFromPeer},
    // A length of 1 holds no connection handle and would give a negative data count.
    EventRow{0x9A, "Received Transparent Data", 2, kKindTransparentData, transparentData,
             kTransparentData},
    EventRow{0xC0, "", 3, kKindEventC0, eventC0, kEventC0},
    EventRow{0xF0, "Customer Demo Event", 1, kKindCustomerDemo, customerDemo, kCustomerDemo},
    EventRow{0xF9, "", 2, kKindEventF9, eventF9, kEventF9},
};

} // namespace

std::span<const EventRow> eventTable() {
    return kEventRows;
}
std::span<const CommandCompleteRow> commandCompleteTable() {
    return kCommandCompleteRows;
}

const EventRow* findEvent(std::uint8_t opcode) {
    for (const EventRow& row : kEventRows)
        if (row.opcode == opcode)
            return &row;
    return nullptr;
}

const CommandCompleteRow* findCommandComplete(std::uint8_t command) {
    for (const CommandCompleteRow& row : kCommandCompleteRows)
        if (row.command == command)
            return &row;
    return nullptr;
}

Fields otherCommandCompleteFields() {
    return kCcOther;
}

void decodePacket(std::span<const std::uint8_t> packet, const DecodeSink& sink) {
    if (packet.size() < 4)
        return;
    const PacketView p(packet);
    if (p.size() != p.length() + 3)
        return;
    for (const auto& row : kEventRows) {
        if (row.opcode != p.opcode())
            continue;
        if (p.length() >= row.minLength)
            row.decode(p, sink);
        return;
    }
}

QueueEffect queueEffect(std::uint8_t eventOpcode) {
    switch (eventOpcode) {
    case 0x80:
    case 0x71:
    case 0x72:
        return QueueEffect::ClearAndPump;
    case 0x81:
        return QueueEffect::ClearAndPumpStatus;
    case 0x61:
        return QueueEffect::ClearAwaiting;
    default:
        return QueueEffect::None;
    }
}

} // namespace nuvex3
