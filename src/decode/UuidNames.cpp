#include "decode/UuidNames.h"

namespace nuvex3::decode {

// The assigned-number catalogue joins here once it is part of link.

std::string uuidName(std::span<const std::uint8_t>) {
    return {};
}

std::vector<std::pair<std::uint16_t, std::string>> uuid16Names() {
    return {};
}

std::vector<std::pair<std::string, std::string>> uuid128Names() {
    return {};
}

} // namespace nuvex3::decode
