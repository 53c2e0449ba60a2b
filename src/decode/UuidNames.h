#pragma once
// Names of UUIDs for the decoded view, the command-line decoder and the dissector, from the
// assigned-number catalogue: 16-bit UUIDs by the service table, then the characteristic
// and descriptor table; 128-bit UUIDs by the vendor table. Names are given without the
// trailing blanks some catalogue entries carry.

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace nuvex3::decode {

// The name of a UUID given most significant byte first (2 or 16 bytes); empty when the
// catalogue has none.
std::string uuidName(std::span<const std::uint8_t> msbFirst);

// Every name the look-up can give, in look-up order (the dissector's tables).
std::vector<std::pair<std::uint16_t, std::string>> uuid16Names();
// 32 upper-case hexadecimal digits, most significant byte first, and the name.
std::vector<std::pair<std::string, std::string>> uuid128Names();

} // namespace nuvex3::decode
