#pragma once
// Discovery results as the module sends them: each result packet carries a list of
// entries of one size, handles and UUIDs least significant byte first. The functions
// return the parameter bytes of each packet (connection handle first), in handle order.

#include "sim/GattDatabase.h"

#include <cstdint>
#include <vector>

namespace nuvex3::sim {

// How many entries of `entrySize` bytes one result packet may carry with this ATT MTU
// (at least one; the packet length stays below 256 so its low byte counts it all).
std::size_t entriesPerPacket(std::size_t entrySize, std::uint16_t mtu);

// Discover All Primary Service Result (0x90): entry length (6 or 20), then entries of
// start handle, end handle and service UUID.
std::vector<Bytes> primaryServiceResults(const GattDatabase& db, std::uint8_t connHandle,
                                         std::uint16_t mtu);

// Discover Characteristics Result (0x91): entry length (7 or 21), then entries of
// declaration handle, properties, value handle and UUID.
std::vector<Bytes> characteristicResults(const GattService& service, std::uint8_t connHandle,
                                         std::uint16_t mtu);

// Discover Descriptors Result (0x92): UUID format (1: 16-bit, 2: 128-bit), then entries of
// handle and UUID.
std::vector<Bytes> descriptorResults(const GattService& service, std::uint8_t connHandle,
                                     std::uint16_t mtu);

} // namespace nuvex3::sim
