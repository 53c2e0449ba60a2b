#pragma once
// The lines the test runs write for each primary service a discovery reports: the UUID as
// "0x" and hex digits, with its name when it is one of the standard services they know.

#include "link/Packet.h"

#include <QString>

#include <cstdint>

namespace nuvex3 {

// The name of a standard service UUID, or an empty text.
QString serviceName(std::uint16_t uuid);

// The log line of one Discover All Primary Service Result record (kind 19):
// "\t <name> (0x180D)" for a known 16-bit UUID, "\t 0x..." otherwise.
QString serviceLine(const Record& record);

} // namespace nuvex3
