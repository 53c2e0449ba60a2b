#include "decode/UuidNames.h"

#include "link/AssignedNumbers.h"

#include <cstdio>

namespace nuvex3::decode {

namespace {

std::string trimmed(std::string_view s) {
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return std::string(s);
}

} // namespace

// The whole service table, then the whole characteristic and descriptor table: the
// decoded view names every UUID the catalogue knows, whichever page would show it.
std::string uuidName(std::span<const std::uint8_t> msbFirst) {
    if (msbFirst.size() == 2) {
        const auto uuid = static_cast<std::uint16_t>((msbFirst[0] << 8) | msbFirst[1]);
        for (const assigned::Entry16& e : assigned::services())
            if (e.uuid == uuid)
                return trimmed(e.name);
        for (const assigned::Entry16& e : assigned::characteristicsAndDescriptors())
            if (e.uuid == uuid)
                return trimmed(e.name);
        return {};
    }
    if (msbFirst.size() == 16) {
        char digits[33];
        for (std::size_t i = 0; i < 16; ++i)
            std::snprintf(digits + 2 * i, 3, "%02X", msbFirst[i]);
        if (const auto name = assigned::name128(std::string_view(digits, 32)))
            return trimmed(*name);
    }
    return {};
}

std::vector<std::pair<std::uint16_t, std::string>> uuid16Names() {
    std::vector<std::pair<std::uint16_t, std::string>> out;
    for (const assigned::Entry16& e : assigned::services())
        out.emplace_back(e.uuid, trimmed(e.name));
    for (const assigned::Entry16& e : assigned::characteristicsAndDescriptors())
        out.emplace_back(e.uuid, trimmed(e.name));
    return out;
}

std::vector<std::pair<std::string, std::string>> uuid128Names() {
    std::vector<std::pair<std::string, std::string>> out;
    for (const assigned::Entry128& e : assigned::uuids128())
        out.emplace_back(e.uuid, trimmed(e.name));
    return out;
}

} // namespace nuvex3::decode
