#include "pages/gatt/ServReference.h"

#include <QList>

#include <algorithm>
#include <cctype>
#include <optional>

namespace nuvex3::gatt {

namespace {

constexpr std::uint16_t kTypeService = 0x2800;
constexpr std::uint16_t kTypeCharacteristic = 0x2803;

struct Line {
    int number = 0;
    std::uint16_t handle = 0;
    std::uint16_t type = 0;
    QByteArray value;
};

QString hexOf(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QString reversedHex(const QByteArray& bytes) {
    QByteArray r(bytes);
    std::reverse(r.begin(), r.end());
    return hexOf(r);
}

QString handleText(std::uint16_t h) {
    return QString::asprintf("%04X", h);
}

std::uint16_t le16(const QByteArray& b, qsizetype at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) |
                                      (static_cast<std::uint8_t>(b[at + 1]) << 8));
}

std::uint16_t be16(const QByteArray& b, qsizetype at) {
    return static_cast<std::uint16_t>((static_cast<std::uint8_t>(b[at]) << 8) |
                                      static_cast<std::uint8_t>(b[at + 1]));
}

std::variant<Line, ReferenceError> parseLine(const QByteArray& digits, int number) {
    auto fail = [number](const QString& why) { return ReferenceError{number, why}; };
    for (char c : digits)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return fail(QStringLiteral("\"%1\" is not a hexadecimal digit").arg(QLatin1Char(c)));
    if (digits.size() % 2 != 0)
        return fail(QStringLiteral("odd number of hexadecimal digits"));
    const QByteArray bytes = QByteArray::fromHex(digits);
    if (bytes.size() < 6)
        return fail(QStringLiteral("too short for length, handle and type"));
    const std::uint16_t length = be16(bytes, 0);
    if (length != bytes.size() - 2)
        return fail(QStringLiteral("the length %1 does not match the %2 bytes that follow it")
                        .arg(QString::asprintf("%04X", length))
                        .arg(bytes.size() - 2));
    Line l;
    l.number = number;
    l.handle = be16(bytes, 2);
    l.type = be16(bytes, 4);
    l.value = bytes.mid(6);
    return l;
}

// A comparison that ignores the "0x" in front of value texts.
QString bare(const QString& value) {
    return value.startsWith(QLatin1String("0x")) ? value.mid(2) : value;
}

} // namespace

QString ReferenceError::text() const {
    return QStringLiteral("Line %1 of the reference file: %2").arg(line).arg(message);
}

std::variant<Reference, ReferenceError> parseReference(const QByteArray& content) {
    Reference ref;
    Characteristic* current = nullptr;
    std::optional<std::uint16_t> lastHandle;
    int read = 0;
    int number = 0;
    auto closeService = [&] {
        if (!ref.empty() && lastHandle)
            ref.back().endHandle = handleText(*lastHandle);
    };
    for (const QByteArray& raw : content.split('\n')) {
        ++number;
        QByteArray digits;
        for (char c : raw)
            if (c != ' ' && c != '\t' && c != '\r')
                digits += c;
        if (digits.isEmpty())
            continue;
        if (read++ == kMaxReferenceLines)
            break;
        auto parsed = parseLine(digits, number);
        if (auto* error = std::get_if<ReferenceError>(&parsed))
            return *error;
        const Line& line = std::get<Line>(parsed);
        const QByteArray& v = line.value;
        if (line.type == kTypeService) {
            if (v.size() != 2 && v.size() != 16)
                return ReferenceError{number, QStringLiteral("a service UUID has 2 or 16 bytes")};
            closeService();
            ref.push_back(Service{handleText(line.handle), {}, reversedHex(v), {}});
            current = nullptr;
        } else if (line.type == kTypeCharacteristic) {
            // Properties, value handle and UUID; a reference may carry one byte more after
            // the UUID, which is not part of it.
            qsizetype u = v.size() - 3;
            if (u == 3 || u == 17)
                --u;
            if (u != 2 && u != 16)
                return ReferenceError{number, QStringLiteral("a characteristic declaration holds "
                                                             "properties, value handle and a "
                                                             "UUID of 2 or 16 bytes")};
            if (ref.empty())
                return ReferenceError{number, QStringLiteral("a characteristic outside a service")};
            Characteristic c;
            c.declarationHandle = handleText(line.handle);
            c.properties = static_cast<std::uint8_t>(v[0]);
            c.valueHandle = handleText(le16(v, 1));
            c.uuid = reversedHex(v.mid(3, u));
            ref.back().characteristics.push_back(std::move(c));
            current = &ref.back().characteristics.back();
        } else if ((line.type & 0xFF00) == 0x2900) {
            if (current)
                current->descriptors.push_back(
                    {handleText(line.handle), handleText(line.type),
                     v.isEmpty() ? QString() : QStringLiteral("0x") + hexOf(v)});
        } else if (current) {
            current->value = v.isEmpty() ? QString() : QStringLiteral("0x") + hexOf(v);
        }
        lastHandle = line.handle;
    }
    closeService();
    return ref;
}

QString verifyTable(const Reference& reference, const Link* link) {
    static const Link kEmpty;
    const Link& table = link ? *link : kEmpty;
    for (const Service& ref : reference) {
        const auto found = std::find_if(table.services.begin(), table.services.end(),
                                        [&](const Service& s) { return s.uuid == ref.uuid; });
        if (found == table.services.end())
            return QStringLiteral("Cannot find the Service[%1]").arg(ref.uuid);
        const Service& s = *found;
        const QString& su = ref.uuid;
        if (!sameHandle(s.startHandle, ref.startHandle))
            return QStringLiteral("Service[%1] StartHandle Handle is not match [%2]")
                .arg(su, ref.startHandle);
        if (!sameHandle(s.endHandle, ref.endHandle))
            return QStringLiteral("Service[%1] EndHandle Handle is not match [%2]")
                .arg(su, ref.endHandle);
        if (s.characteristics.size() != ref.characteristics.size())
            return QStringLiteral("Service[%1] CharacteristicList size is not match").arg(su);
        for (std::size_t i = 0; i < ref.characteristics.size(); ++i) {
            const Characteristic& rc = ref.characteristics[i];
            const Characteristic& c = s.characteristics[i];
            const QString& ch = rc.declarationHandle;
            if (!sameHandle(c.declarationHandle, ch))
                return QStringLiteral("Service[%1] Characteristic Handle is not match [%2]")
                    .arg(su, ch);
            const QString head =
                QStringLiteral("Service[%1] Characteristic Handle[%2]\n").arg(su, ch);
            if (c.uuid != rc.uuid)
                return head + QStringLiteral("Characteristic UUID is not match [%1]").arg(rc.uuid);
            if (c.properties != rc.properties)
                return head + QString::asprintf("Characteristic properties is not match [%02X]",
                                                rc.properties);
            if (!sameHandle(c.valueHandle, rc.valueHandle))
                return head + QStringLiteral("CharacteristicValueHandle is not match [%1]")
                                  .arg(rc.valueHandle);
            if (!c.value.isEmpty() && bare(c.value) != bare(rc.value))
                return head + QStringLiteral("CharacteristicValue is not match [%1]").arg(rc.value);
            if (c.descriptors.size() != rc.descriptors.size())
                return QStringLiteral("Service[%1] Characteristic Handle[%2] Descriptor size is "
                                      "not match")
                    .arg(su, ch);
            for (std::size_t j = 0; j < rc.descriptors.size(); ++j) {
                const Descriptor& rd = rc.descriptors[j];
                const Descriptor& d = c.descriptors[j];
                if (!sameHandle(d.handle, rd.handle))
                    return head +
                           QStringLiteral("Descriptor Handle is not match [%1]").arg(rd.handle);
                if (d.uuid != rd.uuid)
                    return head + QStringLiteral("Descriptor Handle[%1] Descriptor UUID is not "
                                                 "match[%2]")
                                      .arg(rd.handle, rd.uuid);
                if (bare(d.value) != bare(rd.value))
                    return head + QStringLiteral("Descriptor Handle[%1] Descriptor Value is not "
                                                 "match[%2]")
                                      .arg(rd.handle, rd.value);
            }
        }
    }
    return kVerifySuccess;
}

} // namespace nuvex3::gatt
