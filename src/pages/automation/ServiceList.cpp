#include "pages/automation/ServiceList.h"

#include <array>
#include <utility>

namespace nuvex3 {

namespace {

constexpr std::size_t kUuidKindAt = 4; // 1: 16-bit UUID, otherwise 128-bit
constexpr std::size_t kUuidAt = 9;     // most significant byte first

} // namespace

QString serviceName(std::uint16_t uuid) {
    static const std::array<std::pair<std::uint16_t, const char*>, 22> names{{
        {0x1800, "Generic Access"},
        {0x1801, "Generic Attribute"},
        {0x1802, "Immediate Alert"},
        {0x1803, "Link Loss"},
        {0x1804, "Tx Power"},
        {0x1805, "Current Time Service"},
        {0x1806, "Reference Time Update Service"},
        {0x1807, "Next DST Change Service"},
        {0x1808, "Glucose"},
        {0x1809, "Health Thermometer"},
        {0x180A, "Device Information"},
        {0x180D, "Heart Rate"},
        {0x180E, "Phone Alert Status Service"},
        {0x180F, "Battery Service"},
        {0x1810, "Blood Pressure"},
        {0x1811, "Alert Notification Service"},
        {0x1812, "Human Interface Device"},
        {0x1813, "Scan Parameters"},
        {0x1814, "Running Speed and Cadence"},
        {0x1815, "Automation IO"},
        {0x1816, "Cycling Speed and Cadence"},
        {0x1818, "Cycling Power Service"},
    }};
    for (const auto& [value, name] : names)
        if (value == uuid)
            return QString::fromLatin1(name);
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
