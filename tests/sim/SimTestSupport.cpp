#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace nuvex3::sim::test {

Bytes hex(std::string_view text) {
    Bytes out;
    std::string digits;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return out;
}

std::string toHex(const Bytes& bytes) {
    std::string s;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
        s += buf;
    }
    return s;
}

void PrintTo(const Ev& e, std::ostream* os) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", e.op);
    *os << "{" << buf << " [" << toHex(e.params) << "]}";
}

Evs unframe(const std::vector<Bytes>& packets) {
    Evs out;
    for (const Bytes& p : packets) {
        if (p.size() < 5 || p[0] != 0xAA) {
            ADD_FAILURE() << "malformed packet " << toHex(p);
            continue;
        }
        const std::size_t len = (static_cast<std::size_t>(p[1]) << 8) | p[2];
        if (len + 4 != p.size()) {
            ADD_FAILURE() << "length field does not match " << toHex(p);
            continue;
        }
        unsigned sum = 0;
        for (std::size_t i = 1; i < p.size(); ++i)
            sum += p[i];
        if ((sum & 0xFF) != 0)
            ADD_FAILURE() << "bad checksum " << toHex(p);
        out.push_back({p[3], Bytes(p.begin() + 4, p.end() - 1)});
    }
    return out;
}

Harness::Harness(Scenario s, bool powerOn) : module(std::move(s)) {
    if (powerOn) {
        module.powerOn(now);
        module.takeOutput();
    }
}

Evs Harness::command(std::uint8_t opcode, const Bytes& params) {
    return raw(framePacket(opcode, params));
}

Evs Harness::raw(const Bytes& bytes) {
    module.receive(bytes, now);
    return unframe(module.takeOutput());
}

Evs Harness::wait(std::chrono::milliseconds d) {
    now += d;
    module.advance(now);
    return unframe(module.takeOutput());
}

Ev cc(std::uint8_t command, std::uint8_t st, const Bytes& data) {
    Bytes p{command, st};
    p.insert(p.end(), data.begin(), data.end());
    return {0x80, p};
}

Ev status(std::uint8_t state, std::uint8_t l1, std::uint8_t l2, std::uint8_t l3, std::uint8_t l4) {
    return {0x81, {state, l1, l2, l3, l4}};
}

Scenario smallScenario() {
    Scenario s;
    s.module.address = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    s.module.name = "SIM";
    s.module.version = {0x01, 0x02, 0x03, 0x04};
    s.module.deviceType = 0x02;
    s.module.ioCapability = kIoKeyboardOnly;
    s.module.passKey = "123456";
    s.module.localServices = {
        ServiceDef{
            Uuid::of16(0x1800), 0, {CharacteristicDef{Uuid::of16(0x2A00), kPropRead, {'S'}}}},
        ServiceDef{Uuid::of16(0x180D),
                   0,
                   {CharacteristicDef{Uuid::of16(0x2A37),
                                      kPropNotify,
                                      {0x00, 0x40},
                                      {DescriptorDef{Uuid::of16(kUuidCccd), {0x00, 0x00}}}},
                    CharacteristicDef{Uuid::of16(0x2A39), kPropWrite, {0x00}}}},
    };

    PeerConfig a;
    a.address = {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
    a.name = "A";
    a.advData = {0x02, 0x01, 0x06, 0x02, 0x09, 'A'};
    a.scanResponse = {0x02, 0xFF, 0x01};
    a.rssi = -60;
    a.advInterval = std::chrono::milliseconds(100);
    a.connectDelay = std::chrono::milliseconds(30);
    a.ioCapability = kIoDisplayOnly;
    a.passKey = "602491";
    a.echo = true;
    a.credits = 4;
    a.mtu = 23;
    CharacteristicDef hrm{Uuid::of16(0x2A37),
                          kPropNotify,
                          {0x00, 0x48},
                          {DescriptorDef{Uuid::of16(kUuidCccd), {0x00, 0x00}}}};
    hrm.notifyInterval = std::chrono::milliseconds(1000);
    hrm.notifyValues = {{0x00, 0x50}, {0x00, 0x51}};
    ServiceDef transparent;
    transparent.uuid = transparentServiceUuid();
    transparent.startHandle = 0x0050;
    transparent.characteristics = {
        CharacteristicDef{transparentTxUuid(),
                          kPropNotify,
                          {0x00},
                          {DescriptorDef{Uuid::of16(kUuidCccd), {0x00, 0x00}}}},
        CharacteristicDef{transparentRxUuid(), kPropWrite | kPropWriteNoResponse, {0x00}},
        CharacteristicDef{transparentCreditUuid(),
                          kPropWrite | kPropNotify,
                          {0x00},
                          {DescriptorDef{Uuid::of16(kUuidCccd), {0x00, 0x00}}}},
    };
    a.services = {
        ServiceDef{
            Uuid::of16(0x1800), 0x0001, {CharacteristicDef{Uuid::of16(0x2A00), kPropRead, {'A'}}}},
        ServiceDef{Uuid::of16(0x180D),
                   0x0010,
                   {hrm, CharacteristicDef{Uuid::of16(0x2A39), kPropWrite, {0x00}}}},
        transparent,
    };

    PeerConfig b;
    b.address = {0x66, 0x55, 0x44, 0x33, 0x22, 0x11};
    b.addressType = 1;
    b.advEventType = 3;
    b.connectable = false;
    b.advData = {0x02, 0x01, 0x04};
    b.rssi = -80;
    b.advInterval = std::chrono::milliseconds(300);

    s.peers = {a, b};
    return s;
}

} // namespace nuvex3::sim::test
