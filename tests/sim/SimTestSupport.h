#pragma once
// Helpers for the virtual module tests: hex literals, decoded event packets and a harness
// that drives a VirtualModule with explicit times.

#include "link/Packet.h"
#include "sim/VirtualModule.h"

#include <chrono>
#include <ostream>
#include <string_view>
#include <vector>

namespace nuvex3::sim::test {

// "AA 00 01" -> bytes.
Bytes hex(std::string_view text);
std::string toHex(const Bytes& bytes);

// One packet from the module: event opcode and parameters.
struct Ev {
    std::uint8_t op;
    Bytes params;
    bool operator==(const Ev&) const = default;
};
void PrintTo(const Ev& e, std::ostream* os);
using Evs = std::vector<Ev>;

// Unframes packets; a packet with a bad start byte, length or checksum fails the test.
Evs unframe(const std::vector<Bytes>& packets);

// Drives a module: commands in, events out, time moved by hand.
class Harness {
public:
    explicit Harness(Scenario s, bool powerOn = true);

    // Sends one well-formed command and returns what the module answered at once.
    Evs command(std::uint8_t opcode, const Bytes& params = {});
    // Sends raw bytes.
    Evs raw(const Bytes& bytes);
    // Moves the time forward and returns what became due.
    Evs wait(std::chrono::milliseconds d);

    VirtualModule module;
    VirtualModule::TimePoint now{std::chrono::hours(10)};
};

// Event builders for expectations.
Ev cc(std::uint8_t command, std::uint8_t status = 0, const Bytes& data = {});
Ev status(std::uint8_t state, std::uint8_t l1 = 0x09, std::uint8_t l2 = 0x09,
          std::uint8_t l3 = 0x09, std::uint8_t l4 = 0x09);

// A small scenario: module 00:11:22:33:44:55 (keyboard only, pass key 123456) and
// peer A (0A0B0C0D0E0F: advertises every 100 ms, display only with pass key 602491,
// attribute table with a notifying heart rate measurement, echo with 4 credits) and
// peer B (665544332211: non-connectable beacon every 300 ms).
Scenario smallScenario();

} // namespace nuvex3::sim::test
