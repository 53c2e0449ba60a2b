#pragma once
// The assigned-number catalogue: readable names for the UUIDs that the GATT pages, the
// decoded protocol view and the command-line decoder show. Constant tables compiled into
// the program and the four look-ups over them. Names are kept exactly as the tool has
// always shown them, trailing blanks and spelling included. A UUID the catalogue does not
// know has no name; callers then show the UUID text alone.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace nuvex3::assigned {

struct Entry16 {
    std::uint16_t uuid;
    const char* name;
};

struct Entry128 {
    const char* uuid; // 32 upper-case hexadecimal digits, most significant byte first
    const char* name;
};

// Services 0x1800 to 0x1820 (30 rows).
std::span<const Entry16> services();
// Characteristics 0x2A00 to 0x2AAC (149 rows) followed by the descriptors 0x2900 to
// 0x290E (15 rows): one combined table of 164 rows.
std::span<const Entry16> characteristicsAndDescriptors();
// The 15 descriptor rows (the tail of the combined table).
std::span<const Entry16> descriptors();
// The vendor and Apple 128-bit UUIDs (16 rows).
std::span<const Entry128> uuids128();

// How many service rows each page consults: the GATT client page names 0x1800 to 0x1818,
// the attribute-table pages 0x1800 to 0x181F; nothing names 0x1820.
inline constexpr std::size_t kClientPageServices = 22;
inline constexpr std::size_t kTablePageServices = 29;
// The characteristic look-up covers all 149 characteristics and the descriptors 0x2900 to
// 0x2909 of the combined table.
inline constexpr std::size_t kCharacteristicRows = 159;

// The name of a service UUID text, read as a hexadecimal number (an optional "0x" and
// leading blanks accepted, reading stops at the first other character), among the first
// `rows` rows of the service table; the first match wins.
std::optional<std::string_view> serviceName(std::string_view uuidText, std::size_t rows);
// The name of a 16-bit characteristic UUID text among the first kCharacteristicRows rows
// of the combined table.
std::optional<std::string_view> characteristicName(std::string_view uuidText);
// The name of a 16-bit descriptor UUID text among the 15 descriptor rows.
std::optional<std::string_view> descriptorName(std::string_view uuidText);
// The name of a 32-digit UUID text: exact comparison, so a lower-case text finds nothing.
std::optional<std::string_view> name128(std::string_view uuidText);

// A UUID text read as a hexadecimal number the way the look-ups read it; saturates at
// 0xFFFFFFFF, so a 128-bit text matches no 16-bit row.
std::uint32_t readHexNumber(std::string_view text);

} // namespace nuvex3::assigned
