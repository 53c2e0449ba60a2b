#pragma once
// The attribute table that the table pages walk, fill and show: link records in discovery
// order, each with its services, their characteristics and the characteristics'
// descriptors, all held as the texts the pages show. Also what both GATT pages read from
// the discovery and value records, the properties text and the names of the catalogue.
// Widget-free; the remote table fills it from peers, the local table from the module.

#include "link/Packet.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace nuvex3::gatt {

struct Descriptor {
    QString handle; // "%02X%02X"
    QString uuid;   // "%04X" for 16-bit UUIDs, 32 digits for 128-bit ones
    QString value;  // "0x" and the bytes as "%02X", empty until read
};

struct Characteristic {
    QString declarationHandle;
    QString uuid;
    std::uint8_t properties = 0;
    QString valueHandle;
    QString value; // "0x" and the bytes, empty until read
    std::vector<Descriptor> descriptors;
};

struct Service {
    QString startHandle;
    QString endHandle;
    QString uuid; // 4 or 32 hexadecimal digits, most significant first
    std::vector<Characteristic> characteristics;
};

struct Link {
    QString handle; // "%02X"
    std::vector<Service> services;
};

using Table = std::vector<Link>;

// Characteristic properties bits.
enum Property : std::uint8_t {
    kPropBroadcast = 0x01,
    kPropRead = 0x02,
    kPropWriteNoResponse = 0x04,
    kPropWrite = 0x08,
    kPropNotify = 0x10,
    kPropIndicate = 0x20,
    kPropAuthenticatedWrite = 0x40,
    kPropExtended = 0x80,
};

inline const QString kCccdUuid = QStringLiteral("2902");

// "B/", "R/", "WO/", "W/", "N/", "I/", "A/", "E/" for each set bit, in that order, without
// the last "/"; "N/A" when no bit is set. 0x1A gives "R/W/N".
QString propertiesText(std::uint8_t properties);

// A hexadecimal handle or UUID text read as a number (0 for an empty text).
std::uint32_t hexValue(const QString& text);
// Two texts naming the same handle ("000B" and "0B" alike).
bool sameHandle(const QString& a, const QString& b);

// ---- names from the catalogue ----------------------------------------------------------

// A service name: 4-digit UUIDs among the first `serviceRows` service rows, 32-digit
// UUIDs in the 128-bit table.
std::optional<QString> serviceName(const QString& uuid, std::size_t serviceRows);
// A characteristic name: 4-digit UUIDs in the characteristic look-up, 32-digit ones in the
// 128-bit table.
std::optional<QString> characteristicName(const QString& uuid);
// A descriptor name from the descriptor rows.
std::optional<QString> descriptorName(const QString& uuid);

// ---- what the event records carry (record bytes as the decoders lay them out) -----------

// The connection handle of a discovery or value record ([3]) as "%02X".
QString linkText(const Record& record);
// Discover All Primary Service Result (kind 19).
Service serviceOf(const Record& record);
// UUID format of a discovery record: true for a 16-bit UUID ([4] == 1).
bool has16BitUuid(const Record& record);
// Discover Characteristics Result (kind 20).
Characteristic characteristicOf(const Record& record);
// Discover Descriptors Result (kind 21).
Descriptor descriptorOf(const Record& record);

// A value as the pages show it: "0x" followed by the bytes as "%02X".
QString valueText(const std::uint8_t* bytes, std::size_t n);

// A value and the attribute it belongs to.
struct ValueRecord {
    QString link;   // "%02X"; empty when the record does not say
    QString handle; // "%02X%02X"; empty when the record does not say
    QString value;  // "0x" and the bytes
};
// Characteristic Value Received (kind 22): link, handle (least significant byte first in
// the record) and value.
ValueRecord receivedValueOf(const Record& record);
// The Command Complete of Read Characteristics Value (kind 13): the value only.
ValueRecord readReplyOf(const Record& record);
// The Command Complete of Read Using Characteristics UUID (kind 14): handle and value.
ValueRecord readByUuidReplyOf(const Record& record);

// ---- filling the table -----------------------------------------------------------------

// The link record with this handle text, or nullptr.
Link* findLink(Table& table, const QString& handle);
const Link* findLink(const Table& table, const QString& handle);

// A service found on a link: the link record is appended when there is none; the service
// is appended unless one with the same UUID text is there. True when it was added.
bool addService(Table& table, const QString& link, Service service);
// A characteristic found while discovering the service with UUID `serviceUuid`: added to
// that service unless one with the same declaration handle is there. True when added.
bool addCharacteristic(Table& table, const QString& link, const QString& serviceUuid,
                       Characteristic characteristic);
// A descriptor found on a link: it goes to the service whose start handle is below its
// handle and whose end handle is not, and there to the characteristic whose value handle
// is its handle minus 1, or else the one whose value handle is below it while the next
// one's is above it, or else the last one when its value handle is below. True when added.
bool addDescriptor(Table& table, const QString& link, Descriptor descriptor);
// A value read from a link: it goes to the characteristic whose value handle is `handle`,
// or else to the descriptor with that handle. True when an attribute took it.
bool placeValue(Table& table, const QString& link, const QString& handle, const QString& value);

} // namespace nuvex3::gatt
