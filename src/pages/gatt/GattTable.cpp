#include "pages/gatt/GattTable.h"

#include "link/AssignedNumbers.h"

#include <algorithm>

namespace nuvex3::gatt {

namespace {

QString hex(const std::uint8_t* bytes, std::size_t n) {
    QString s;
    s.reserve(static_cast<qsizetype>(2 * n));
    for (std::size_t i = 0; i < n; ++i)
        s += QString::asprintf("%02X", bytes[i]);
    return s;
}

QString hex16(const Record& r, std::size_t at) {
    return QString::asprintf("%02X%02X", r[at], r[at + 1]);
}

// The UUID of a discovery record at `at`: 2 bytes for format 1, 16 otherwise.
QString uuidAt(const Record& r, std::size_t at) {
    return hex(r.data() + at, r[4] == 1 ? 2 : 16);
}

std::optional<QString> named(std::optional<std::string_view> name) {
    if (!name)
        return std::nullopt;
    return QString::fromLatin1(name->data(), static_cast<qsizetype>(name->size()));
}

std::string latin(const QString& s) {
    return s.toLatin1().toStdString();
}

} // namespace

QString propertiesText(std::uint8_t properties) {
    static const char* const kBits[] = {"B/", "R/", "WO/", "W/", "N/", "I/", "A/", "E/"};
    QString s;
    for (int bit = 0; bit < 8; ++bit)
        if (properties & (1u << bit))
            s += QLatin1String(kBits[bit]);
    if (s.isEmpty())
        return QStringLiteral("N/A");
    s.chop(1);
    return s;
}

std::uint32_t hexValue(const QString& text) {
    return assigned::readHexNumber(latin(text));
}

bool sameHandle(const QString& a, const QString& b) {
    return !a.isEmpty() && !b.isEmpty() && hexValue(a) == hexValue(b);
}

std::optional<QString> serviceName(const QString& uuid, std::size_t serviceRows) {
    if (uuid.size() == 32)
        return named(assigned::name128(latin(uuid)));
    return named(assigned::serviceName(latin(uuid), serviceRows));
}

std::optional<QString> characteristicName(const QString& uuid) {
    if (uuid.size() == 32)
        return named(assigned::name128(latin(uuid)));
    return named(assigned::characteristicName(latin(uuid)));
}

std::optional<QString> descriptorName(const QString& uuid) {
    return named(assigned::descriptorName(latin(uuid)));
}

QString linkText(const Record& record) {
    return QString::asprintf("%02X", record[3]);
}

bool has16BitUuid(const Record& record) {
    return record[4] == 1;
}

Service serviceOf(const Record& r) {
    Service s;
    s.startHandle = hex16(r, 5);
    s.endHandle = hex16(r, 7);
    s.uuid = uuidAt(r, 9);
    return s;
}

Characteristic characteristicOf(const Record& r) {
    Characteristic c;
    c.declarationHandle = hex16(r, 5);
    c.properties = r[7];
    c.valueHandle = hex16(r, 8);
    c.uuid = uuidAt(r, 10);
    return c;
}

Descriptor descriptorOf(const Record& r) {
    Descriptor d;
    d.handle = hex16(r, 5);
    d.uuid = uuidAt(r, 7);
    return d;
}

QString valueText(const std::uint8_t* bytes, std::size_t n) {
    return QStringLiteral("0x") + hex(bytes, n);
}

ValueRecord receivedValueOf(const Record& r) {
    // The record holds the handle least significant byte first.
    return {linkText(r), QString::asprintf("%02X%02X", r[5], r[4]), valueText(r.data() + 7, r[6])};
}

ValueRecord readReplyOf(const Record& r) {
    return {QString(), QString(), valueText(r.data() + 6, r[5])};
}

ValueRecord readByUuidReplyOf(const Record& r) {
    return {QString(), hex16(r, 5), valueText(r.data() + 8, r[7])};
}

Link* findLink(Table& table, const QString& handle) {
    return const_cast<Link*>(findLink(static_cast<const Table&>(table), handle));
}

const Link* findLink(const Table& table, const QString& handle) {
    for (const Link& l : table)
        if (sameHandle(l.handle, handle))
            return &l;
    return nullptr;
}

bool addService(Table& table, const QString& link, Service service) {
    Link* l = findLink(table, link);
    if (!l) {
        table.push_back(Link{link, {}});
        l = &table.back();
    }
    for (const Service& s : l->services)
        if (s.uuid == service.uuid)
            return false;
    l->services.push_back(std::move(service));
    return true;
}

bool addCharacteristic(Table& table, const QString& link, const QString& serviceUuid,
                       Characteristic characteristic) {
    Link* l = findLink(table, link);
    if (!l)
        return false;
    for (Service& s : l->services) {
        if (s.uuid != serviceUuid)
            continue;
        for (const Characteristic& c : s.characteristics)
            if (c.declarationHandle == characteristic.declarationHandle)
                return false;
        s.characteristics.push_back(std::move(characteristic));
        return true;
    }
    return false;
}

bool addDescriptor(Table& table, const QString& link, Descriptor descriptor) {
    Link* l = findLink(table, link);
    if (!l)
        return false;
    const std::uint32_t h = hexValue(descriptor.handle);
    for (Service& s : l->services) {
        if (!(hexValue(s.startHandle) < h && hexValue(s.endHandle) >= h))
            continue;
        auto& chars = s.characteristics;
        Characteristic* owner = nullptr;
        for (Characteristic& c : chars)
            if (hexValue(c.valueHandle) + 1 == h) {
                owner = &c;
                break;
            }
        for (std::size_t i = 0; !owner && i + 1 < chars.size(); ++i)
            if (hexValue(chars[i].valueHandle) < h && hexValue(chars[i + 1].valueHandle) > h)
                owner = &chars[i];
        if (!owner && !chars.empty() && hexValue(chars.back().valueHandle) < h)
            owner = &chars.back();
        if (!owner)
            return false;
        owner->descriptors.push_back(std::move(descriptor));
        return true;
    }
    return false;
}

bool placeValue(Table& table, const QString& link, const QString& handle, const QString& value) {
    Link* l = findLink(table, link);
    if (!l)
        return false;
    for (Service& s : l->services)
        for (Characteristic& c : s.characteristics)
            if (sameHandle(c.valueHandle, handle)) {
                c.value = value;
                return true;
            }
    for (Service& s : l->services)
        for (Characteristic& c : s.characteristics)
            for (Descriptor& d : c.descriptors)
                if (sameHandle(d.handle, handle)) {
                    d.value = value;
                    return true;
                }
    return false;
}

} // namespace nuvex3::gatt
