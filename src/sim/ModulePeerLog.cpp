// What the connected peers receive from the module's own table and what they write to it,
// as lines of the simulator's log: "EX-PHONE received 2A37 at 0x0017: 00 48".

#include "sim/ModuleImpl.h"

#include <cstdio>

namespace nuvex3::sim {

namespace {

std::string hexOf(const Bytes& bytes, const char* separator) {
    std::string text;
    char digits[3];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
        if (i > 0)
            text += separator;
        text += digits;
    }
    return text;
}

std::string handleText(std::uint16_t handle) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", handle);
    return text;
}

} // namespace

void VirtualModule::Impl::logPeerReceived(const Link& l, const GattCharacteristic& c,
                                          const Bytes& value) {
    std::string line = peerOf(l).name + " received " + hexOf(c.uuid.bytes, "") + " at " +
                       handleText(c.valueHandle) + ": " + hexOf(value, " ");
    // A peer takes notifications and indications only once it switched them on.
    for (const auto& d : c.descriptors) {
        if (d.uuid != Uuid::of16(kUuidCccd))
            continue;
        const Bytes config = local.readValue(d.handle).value_or(Bytes{});
        if (config.empty() || (config[0] & 0x03) == 0)
            line += " (not subscribed)";
    }
    log.push_back(std::move(line));
}

void VirtualModule::Impl::logPeerWrote(const Link& l, std::uint16_t handle, const Bytes& value) {
    log.push_back(peerOf(l).name + " wrote " + handleText(handle) + ": " + hexOf(value, " "));
}

} // namespace nuvex3::sim
