#pragma once
// The value of a Client Write Characteristic Value record (kind 23): [3] connection handle,
// [4..5] attribute handle (least significant byte first), [6] value length, [7..] value.

#include "link/Packet.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace nuvex3::profiles {

// The written bytes (never more than the record holds).
std::vector<std::uint8_t> writtenValue(const Record& record);
// The written bytes as "%02X" each, joined.
QString writtenValueText(const Record& record);

} // namespace nuvex3::profiles
