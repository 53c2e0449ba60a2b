#pragma once
// How the parameters of a command or an event lie on the wire: one list of fields per row
// of the command table, the event table and the Command Complete table. The decoded packet
// view, the command-line decoder and the Wireshark dissector all read these lists, so a
// field is named and laid out in one place only.
//
// Fields follow each other from the first parameter byte. A field holds `size` bytes, or
// every byte left (kRest), or as many as an earlier field of the same list says
// (sizeFrom). An optional field is left out when no bytes remain. A List field repeats
// its `entries` layout: entries of a fixed size, of a size an earlier field gives, or of
// the size an earlier UUID format field implies (1: 2-byte UUID, 2: 16-byte UUID, plus
// the `entryBytes` before the UUID); `countFrom` names the field that counts them, else
// as many whole entries as the bytes hold.

#include <cstdint>
#include <span>

namespace nuvex3 {

enum class FieldType : std::uint8_t {
    Hex,          // unsigned, most significant byte first: 0x%02X, 0x%04X, 0x%08X
    Decimal,      // unsigned, most significant byte first, in decimal
    HandleLsb,    // 16-bit handle sent least significant byte first: 0x%04X
    Interval,     // 16-bit, most significant byte first, in units of unitUs: 0x%04X (n ms)
    Enum,         // one byte named from `values`: 0x%02X (name)
    Status,       // a status code with its text; not zero marks the packet as an error
    Reason,       // a reason code with its text
    Rssi,         // a signed byte in dBm
    Address,      // 6 bytes, least significant byte first: AA:BB:CC:DD:EE:FF
    Text,         // characters
    Bytes,        // hexadecimal bytes
    Uuid,         // 2 or 16 bytes, least significant byte first, named when known
    UuidMsbFirst, // 2 or 16 bytes, most significant byte first, named when known
    AdData,       // advertising data structures
    Properties,   // characteristic properties: 0x1A (R/W/N)
    Command,      // a command opcode, named from the command table
    List,         // repeated entries laid out as `entries`
};

struct EnumValue {
    std::uint8_t value;
    const char* text;
};

inline constexpr std::uint16_t kRest = 0;

enum class EntrySize : std::uint8_t {
    Fixed,          // entryBytes
    FromField,      // the value of field entryFrom
    FromUuidFormat, // entryBytes + 2 or 16 by the UUID format in field entryFrom
};

struct FieldSpec {
    const char* name;
    FieldType type = FieldType::Hex;
    std::uint16_t size = 1;    // bytes; kRest: every byte left
    std::int8_t sizeFrom = -1; // index of an earlier field that gives the size
    bool optional = false;     // left out when no bytes remain
    bool error = false;        // a value other than 0 marks the packet as an error
    std::span<const EnumValue> values = {};
    std::uint16_t unitUs = 0; // Interval: microseconds per unit
    // List fields.
    std::span<const FieldSpec> entries = {};
    const char* entryName = nullptr; // "Service" -> "Service 1", "Service 2", ...
    EntrySize entrySize = EntrySize::Fixed;
    std::uint8_t entryBytes = 0;
    std::int8_t entryFrom = -1;
    std::int8_t countFrom = -1; // index of an earlier field that counts the entries
};

using Fields = std::span<const FieldSpec>;

// Building blocks of the field lists.
namespace field {

constexpr FieldSpec hex(const char* name, std::uint16_t size = 1) {
    return {.name = name, .type = FieldType::Hex, .size = size};
}
constexpr FieldSpec decimal(const char* name, std::uint16_t size = 1) {
    return {.name = name, .type = FieldType::Decimal, .size = size};
}
constexpr FieldSpec connectionHandle() {
    return hex("Connection Handle");
}
constexpr FieldSpec handleLsb(const char* name) {
    return {.name = name, .type = FieldType::HandleLsb, .size = 2};
}
constexpr FieldSpec interval(const char* name, std::uint16_t unitUs) {
    return {.name = name, .type = FieldType::Interval, .size = 2, .unitUs = unitUs};
}
constexpr FieldSpec choice(const char* name, std::span<const EnumValue> values) {
    return {.name = name, .type = FieldType::Enum, .values = values};
}
constexpr FieldSpec status(const char* name = "Status") {
    return {.name = name, .type = FieldType::Status, .error = true};
}
constexpr FieldSpec reason(const char* name) {
    return {.name = name, .type = FieldType::Reason};
}
constexpr FieldSpec rssi(const char* name = "RSSI") {
    return {.name = name, .type = FieldType::Rssi};
}
constexpr FieldSpec address(const char* name) {
    return {.name = name, .type = FieldType::Address, .size = 6};
}
constexpr FieldSpec text(const char* name, std::uint16_t size = kRest) {
    return {.name = name, .type = FieldType::Text, .size = size};
}
constexpr FieldSpec bytes(const char* name, std::uint16_t size = kRest) {
    return {.name = name, .type = FieldType::Bytes, .size = size};
}
constexpr FieldSpec uuid(const char* name) {
    return {.name = name, .type = FieldType::Uuid, .size = kRest};
}
constexpr FieldSpec uuidMsbFirst(const char* name) {
    return {.name = name, .type = FieldType::UuidMsbFirst, .size = kRest};
}
constexpr FieldSpec adData(const char* name) {
    return {.name = name, .type = FieldType::AdData, .size = kRest};
}
constexpr FieldSpec properties(const char* name) {
    return {.name = name, .type = FieldType::Properties};
}
constexpr FieldSpec command(const char* name) {
    return {.name = name, .type = FieldType::Command};
}
constexpr FieldSpec optional(FieldSpec f) {
    f.optional = true;
    return f;
}
constexpr FieldSpec failsUnlessZero(FieldSpec f) {
    f.error = true;
    return f;
}
constexpr FieldSpec sizedBy(FieldSpec f, std::int8_t index) {
    f.size = kRest;
    f.sizeFrom = index;
    return f;
}
// Entries to the end of the bytes, each as long as field `from` says.
constexpr FieldSpec listSizedBy(const char* name, const char* entryName, Fields entries,
                                std::int8_t from) {
    return {.name = name,
            .type = FieldType::List,
            .size = kRest,
            .entries = entries,
            .entryName = entryName,
            .entrySize = EntrySize::FromField,
            .entryFrom = from};
}
// Entries to the end of the bytes: `before` bytes and a UUID of the format in field `from`.
constexpr FieldSpec listByUuidFormat(const char* name, const char* entryName, Fields entries,
                                     std::uint8_t before, std::int8_t from) {
    return {.name = name,
            .type = FieldType::List,
            .size = kRest,
            .entries = entries,
            .entryName = entryName,
            .entrySize = EntrySize::FromUuidFormat,
            .entryBytes = before,
            .entryFrom = from};
}
// As many entries of `bytes` bytes as field `count` says.
constexpr FieldSpec listCounted(const char* name, const char* entryName, Fields entries,
                                std::uint8_t bytes, std::int8_t count) {
    return {.name = name,
            .type = FieldType::List,
            .size = kRest,
            .entries = entries,
            .entryName = entryName,
            .entrySize = EntrySize::Fixed,
            .entryBytes = bytes,
            .countFrom = count};
}

} // namespace field

} // namespace nuvex3
