#include "DecodeTestSupport.h"

#include "decode/Session.h"
#include "link/Packet.h"
#include "sim/Scenario.h"
#include "sim/VirtualModule.h"
#include "ui/ValueEntry.h"

#include <chrono>
#include <cstdio>

namespace nuvex3::decode::test {

using namespace std::chrono_literals;

std::vector<std::uint8_t> hex(std::string_view text) {
    return hexToBytes(text);
}

std::string toHex(std::span<const std::uint8_t> bytes) {
    return spacedHex(bytes);
}

std::string hex8(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", v);
    return buf;
}

std::vector<std::uint8_t> wire(std::string_view body) {
    const auto b = hex(body);
    return framePacket(b.at(0), std::span(b).subspan(1));
}

DecodedPacket sent(std::string_view body) {
    return decodeWire(Direction::Sent, wire(body));
}

DecodedPacket received(std::string_view body) {
    return decodeWire(Direction::Received, wire(body));
}

// A session of the simulated module: power on, local information, a scan, a connection,
// discovery, a read, a disconnection, then a packet with a bad checksum, a command of an
// unknown opcode and its time-out.
void playSimulatorSession(Session& session) {
    sim::VirtualModule module(sim::defaultScenario());
    auto now = Clock::time_point(10h);
    session.start(now, 1'700'000'000'000'000);
    auto collect = [&] {
        for (const auto& p : module.takeOutput())
            session.addPacket(
                Direction::Received,
                std::chrono::duration_cast<std::chrono::microseconds>(now - Clock::time_point(10h))
                    .count(),
                p);
    };
    auto command = [&](std::string_view body, std::chrono::milliseconds after) {
        const auto w = test::wire(body);
        session.addSent(now, makeCommandRecord(w[3], std::span(w).subspan(4, w.size() - 5)));
        now += 1ms;
        module.receive(w, now);
        collect();
        const auto until = now + after;
        while (module.nextDue() && *module.nextDue() <= until) {
            now = *module.nextDue();
            module.advance(now);
            collect();
        }
        now = until;
    };
    module.powerOn(now);
    collect();
    command("01", 5ms);
    command("07", 5ms);
    command("16 01 00", 250ms);
    command("16 00 00", 5ms);
    command("17 00 00 0F0E0D0C0B0A", 500ms);
    command("10 01", 5ms);
    command("30 01", 50ms);
    command("32 01 0003", 20ms);
    command("1B 01", 100ms);
    auto bad = test::wire("81 09 09 09 09 09");
    bad.back() ^= 0xFF;
    session.addPacket(Direction::Received, 2'000'000, bad);
    session.addPacket(Direction::Sent, 2'000'100, test::wire("55 01"));
    session.addTimeout(12'000'100, 0x55);
}

} // namespace nuvex3::decode::test
