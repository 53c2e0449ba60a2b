#include "link/AdStructures.h"

#include <array>
#include <optional>

namespace nuvex3 {

namespace {

// Reads the structure at offset; nullopt when the walk must stop there.
std::optional<AdStructure> structureAt(std::span<const std::uint8_t> data, std::size_t offset) {
    if (offset >= data.size())
        return std::nullopt;
    const std::size_t len = data[offset];
    if (len == 0 || len > kAdvDataMax || offset + len >= data.size())
        return std::nullopt;
    AdStructure s;
    s.type = data[offset + 1];
    s.data.assign(data.begin() + static_cast<std::ptrdiff_t>(offset + 2),
                  data.begin() + static_cast<std::ptrdiff_t>(offset + len + 1));
    return s;
}

constexpr std::array kAdTypes = {
    AdTypeName{0x01, "Flags"},
    AdTypeName{0x02, "Incomplete List of 16-bit Service UUIDs"},
    AdTypeName{0x03, "Complete List of 16-bit Service UUIDs"},
    AdTypeName{0x04, "Incomplete List of 32-bit Service UUIDs"},
    AdTypeName{0x05, "Complete List of 32-bit Service UUIDs"},
    AdTypeName{0x06, "Incomplete List of 128-bit Service UUIDs"},
    AdTypeName{0x07, "Complete List of 128-bit Service UUIDs"},
    AdTypeName{0x08, "Shortened Local Name"},
    AdTypeName{0x09, "Complete Local Name"},
    AdTypeName{0x0A, "Tx Power Level"},
    AdTypeName{0x0D, "Class of Device"},
    AdTypeName{0x12, "Peripheral Connection Interval Range"},
    AdTypeName{0x14, "List of 16-bit Service Solicitation UUIDs"},
    AdTypeName{0x15, "List of 128-bit Service Solicitation UUIDs"},
    AdTypeName{0x16, "Service Data - 16-bit UUID"},
    AdTypeName{0x17, "Public Target Address"},
    AdTypeName{0x18, "Random Target Address"},
    AdTypeName{0x19, "Appearance"},
    AdTypeName{0x1A, "Advertising Interval"},
    AdTypeName{0x1B, "LE Bluetooth Device Address"},
    AdTypeName{0x1C, "LE Role"},
    AdTypeName{0x20, "Service Data - 32-bit UUID"},
    AdTypeName{0x21, "Service Data - 128-bit UUID"},
    AdTypeName{0x24, "URI"},
    AdTypeName{0xFF, "Manufacturer Specific Data"},
};

} // namespace

std::vector<AdStructure> walkReportData(std::span<const std::uint8_t> data) {
    std::vector<AdStructure> out;
    std::size_t offset = 0;
    while (offset < kAdvDataMax) {
        auto s = structureAt(data, offset);
        if (!s)
            break;
        offset += data[offset] + 1u;
        out.push_back(std::move(*s));
    }
    return out;
}

std::vector<AdStructure> walkEditorData(std::span<const std::uint8_t> data, std::size_t start) {
    std::vector<AdStructure> out;
    std::size_t offset = start;
    for (;;) {
        auto s = structureAt(data, offset);
        if (!s)
            break;
        offset += data[offset] + 1u;
        out.push_back(std::move(*s));
        if (offset > 30)
            break;
    }
    return out;
}

std::size_t walkedBytes(const std::vector<AdStructure>& structures) {
    std::size_t n = 0;
    for (const AdStructure& s : structures)
        n += s.data.size() + 2;
    return n;
}

std::span<const AdTypeName> adTypeNames() {
    return kAdTypes;
}

const char* adTypeName(std::uint8_t type) {
    for (const AdTypeName& t : kAdTypes)
        if (t.type == type)
            return t.name;
    return nullptr;
}

} // namespace nuvex3
