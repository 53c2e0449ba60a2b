#pragma once
// Advertising data: the structures (a length byte covering type and data, the AD type,
// the data) that advertising and scan response data are made of, the two walks the tool
// makes over them, and the names of the AD types.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace nuvex3 {

inline constexpr std::size_t kAdvDataMax = 31;

// One advertising data structure: a length byte (type + data), the type, the data.
struct AdStructure {
    std::uint8_t type = 0;
    std::vector<std::uint8_t> data;
};

// The walk of a received report: from the first byte; stops at a zero length, a length
// above 31, when the offset reaches 31, or at a structure that runs past the data.
std::vector<AdStructure> walkReportData(std::span<const std::uint8_t> data);

// The walk of the editor: from `start`; stops at a zero length, a length above 31, when
// the next offset passes 30, or at a structure that runs past the data.
std::vector<AdStructure> walkEditorData(std::span<const std::uint8_t> data, std::size_t start);

// Bytes the report walk takes: the structures it returns with their length bytes.
std::size_t walkedBytes(const std::vector<AdStructure>& structures);

struct AdTypeName {
    std::uint8_t type;
    const char* name;
};
// The AD types the Bluetooth assigned numbers name and the tool shows.
std::span<const AdTypeName> adTypeNames();
// The name of an AD type; nullptr when it has none.
const char* adTypeName(std::uint8_t type);

} // namespace nuvex3
