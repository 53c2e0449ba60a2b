// The virtual module's eFlash image: what a Read eFlash (Debug Command 0x03) returns until
// the host writes it.
//
//   0x000  device address (6 bytes, as shown), 2 bytes erased
//   0x008  firmware version (4), device type, pairing mode, 2 bytes erased
//   0x010  device name (16, erased after its end)
//   0x020  pass key (6 ASCII digits), erased to 0x040
//   0x040  patch area: a pattern in which every 32-byte block differs from the others

#include "sim/ModuleImpl.h"

#include <algorithm>

namespace nuvex3::sim {

namespace {
constexpr std::size_t kEflashSize = 1024;
constexpr std::size_t kNameLength = 16;
constexpr std::size_t kPatchArea = 0x040;
} // namespace

Bytes eflashImage(const ModuleConfig& m) {
    Bytes e(kEflashSize, 0xFF);
    std::copy(m.address.begin(), m.address.end(), e.begin());
    std::copy(m.version.begin(), m.version.end(), e.begin() + 0x08);
    e[0x0C] = m.deviceType;
    e[0x0D] = m.ioCapability;
    std::copy_n(m.name.begin(), std::min(m.name.size(), kNameLength), e.begin() + 0x10);
    std::copy_n(m.passKey.begin(), std::min<std::size_t>(m.passKey.size(), 6), e.begin() + 0x20);
    for (std::size_t i = kPatchArea; i < kEflashSize; ++i)
        e[i] = static_cast<std::uint8_t>((i * 37 + (i >> 8) * 11) & 0xFF);
    return e;
}

Bytes VirtualModule::eflash() const {
    return d->eflash;
}

} // namespace nuvex3::sim
