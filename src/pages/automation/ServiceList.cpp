#include "pages/automation/ServiceList.h"

#include "link/AssignedNumbers.h"

namespace nuvex3 {

namespace {

constexpr std::size_t kUuidKindAt = 4; // 1: 16-bit UUID, otherwise 128-bit
constexpr std::size_t kUuidAt = 9;     // most significant byte first

} // namespace

// The 22 standard services the run logs know, 0x1800 to 0x1818: those the GATT client page
// names.
QString serviceName(std::uint16_t uuid) {
    for (const assigned::Entry16& e : assigned::services().first(assigned::kClientPageServices))
        if (e.uuid == uuid)
            return QString::fromLatin1(e.name);
    return {};
}

QString serviceLine(const Record& record) {
    const bool short16 = record[kUuidKindAt] == 1;
    const std::size_t size = short16 ? 2 : 16;
    QString uuid = QStringLiteral("0x");
    for (std::size_t i = 0; i < size; ++i)
        uuid += QString::asprintf("%02X", record[kUuidAt + i]);
    if (short16) {
        const auto value = static_cast<std::uint16_t>((record[kUuidAt] << 8) | record[kUuidAt + 1]);
        if (const QString name = serviceName(value); !name.isEmpty())
            return QStringLiteral("\t %1 (%2)").arg(name, uuid);
    }
    return QStringLiteral("\t %1").arg(uuid);
}

} // namespace nuvex3
