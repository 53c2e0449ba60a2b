#include "sim/Scenario.h"

#include "sim/GattDatabase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <functional>

namespace nuvex3::sim {

namespace {

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Uuid uuid128(const char* hex32) {
    Uuid u;
    for (int i = 0; i < 32; i += 2)
        u.bytes.push_back(
            static_cast<std::uint8_t>(std::stoi(std::string(hex32 + i, 2), nullptr, 16)));
    return u;
}

Bytes le16(std::uint16_t v) {
    return {static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>(v >> 8)};
}

DescriptorDef cccd() {
    return {Uuid::of16(kUuidCccd), {0x00, 0x00}};
}

CharacteristicDef chr(std::uint16_t uuid, std::uint8_t props, Bytes value,
                      std::vector<DescriptorDef> descriptors = {}) {
    CharacteristicDef c;
    c.uuid = Uuid::of16(uuid);
    c.properties = props;
    c.value = std::move(value);
    c.descriptors = std::move(descriptors);
    return c;
}

CharacteristicDef notifying(CharacteristicDef c, Millis interval, std::vector<Bytes> values) {
    c.notifyInterval = interval;
    c.notifyValues = std::move(values);
    return c;
}

ServiceDef service(std::uint16_t uuid, std::vector<CharacteristicDef> chars,
                   std::uint16_t start = 0) {
    return ServiceDef{Uuid::of16(uuid), start, std::move(chars)};
}

ServiceDef genericAccess(const std::string& name, std::uint16_t appearance,
                         std::uint16_t start = 0) {
    return service(0x1800,
                   {chr(0x2A00, kPropRead, text(name)), chr(0x2A01, kPropRead, le16(appearance)),
                    chr(0x2A04, kPropRead, {0x18, 0x00, 0x28, 0x00, 0x00, 0x00, 0x48, 0x00})},
                   start);
}

ServiceDef genericAttribute(std::uint16_t start = 0) {
    return service(0x1801, {chr(0x2A05, 0x20, {0x01, 0x00, 0xFF, 0xFF}, {cccd()})}, start);
}

// The vendor air patch service: one characteristic that takes the update commands.
ServiceDef airPatchService(std::uint16_t start = 0) {
    CharacteristicDef patch;
    patch.uuid = airPatchUuid();
    patch.properties = kPropWrite | kPropNotify;
    patch.value = {0x00};
    patch.descriptors = {cccd()};
    return ServiceDef{airPatchServiceUuid(), start, {patch}};
}

ServiceDef battery(std::uint8_t level, std::uint16_t start = 0) {
    return service(0x180F, {chr(0x2A19, kPropRead | kPropNotify, {level}, {cccd()})}, start);
}

Bytes adv(std::initializer_list<Bytes> structures) {
    Bytes out;
    for (const auto& s : structures)
        out.insert(out.end(), s.begin(), s.end());
    return out;
}

Bytes adStructure(std::uint8_t type, const Bytes& data) {
    Bytes s{static_cast<std::uint8_t>(data.size() + 1), type};
    s.insert(s.end(), data.begin(), data.end());
    return s;
}

} // namespace

Uuid transparentServiceUuid() {
    return uuid128("4B4F4C54FE7D4AE58FA99FAFD205E455");
}
Uuid transparentTxUuid() {
    return uuid128("4B4F4C541E4D4BD9BA6123C647249616");
}
Uuid transparentRxUuid() {
    return uuid128("4B4F4C54884143F4A8D4ECBE34729BB3");
}
Uuid transparentCreditUuid() {
    return uuid128("4E565833545241000000000000000004");
}

Uuid airPatchServiceUuid() {
    return uuid128("4B4F4C54C9D0CC83A44A6FE238D06D33");
}
Uuid airPatchUuid() {
    return uuid128("4B4F4C54ACA3481C91ECD85E28A60318");
}

ServiceDef transparentService(std::uint16_t start) {
    ServiceDef s;
    s.uuid = transparentServiceUuid();
    s.startHandle = start;
    CharacteristicDef tx;
    tx.uuid = transparentTxUuid();
    tx.properties = kPropNotify;
    tx.value = {0x00};
    tx.descriptors = {cccd()};
    CharacteristicDef rx;
    rx.uuid = transparentRxUuid();
    rx.properties = kPropWrite | kPropWriteNoResponse;
    rx.value = {0x00};
    CharacteristicDef credit;
    credit.uuid = transparentCreditUuid();
    credit.properties = kPropWrite | kPropNotify;
    credit.value = {0x00};
    credit.descriptors = {cccd()};
    s.characteristics = {tx, rx, credit};
    return s;
}

std::uint8_t streamByte(std::uint64_t index) {
    // 64-character lines: 63 characters of the alphabet and digits, then a line break.
    static constexpr char kLine[] =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz-\n";
    return static_cast<std::uint8_t>(kLine[index % 64]);
}

std::vector<ServiceDef> defaultLocalServices(const std::string& deviceName) {
    return {
        genericAccess(deviceName, 0x0000),
        genericAttribute(),
        transparentService(),
        service(0x180D, {chr(0x2A37, kPropNotify, {0x00, 0x48}, {cccd()}),
                         chr(0x2A38, kPropRead, {0x01}), chr(0x2A39, kPropWrite, {0x00})}),
        service(0x1809,
                {chr(0x2A1C, kPropIndicate, {0x00, 0x72, 0x01, 0x00, 0xFF}, {cccd()}),
                 chr(0x2A1D, kPropRead, {0x02}),
                 chr(0x2A1E, kPropNotify, {0x00, 0x70, 0x01, 0x00, 0xFF}, {cccd()}),
                 chr(0x2A21, kPropRead | kPropWrite | kPropIndicate, {0x05, 0x00}, {cccd()})}),
        service(0x1810,
                {chr(0x2A35, kPropIndicate, {0x00, 0x78, 0x00, 0x50, 0x00, 0x5D, 0x00}, {cccd()}),
                 chr(0x2A36, kPropNotify, {0x00, 0x78, 0x00, 0xFF, 0x07, 0xFF, 0x07}, {cccd()}),
                 chr(0x2A49, kPropRead, {0x00, 0x00})}),
        service(0x181D, {chr(0x2A9E, kPropRead, {0x00, 0x00, 0x00, 0x00}),
                         chr(0x2A9D, kPropIndicate, {0x00, 0x30, 0x2A}, {cccd()})}),
        service(0x1808, {chr(0x2A18, kPropNotify, {0x00, 0x01, 0x00}, {cccd()}),
                         chr(0x2A34, kPropNotify, {0x00, 0x01, 0x00}, {cccd()}),
                         chr(0x2A51, kPropRead, {0x00, 0x00}),
                         chr(0x2A52, kPropWrite | kPropIndicate, {0x00}, {cccd()})}),
        battery(100),
    };
}

Scenario defaultScenario() {
    Scenario s;
    s.module.name = "NUVEX3-SIM";
    s.module.localServices = defaultLocalServices(s.module.name);

    // A heart rate sensor with a full attribute table and an echoing transparent service;
    // its address is the one the connection fields propose by default.
    PeerConfig hrm;
    hrm.address = {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
    hrm.name = "NVX-HRM";
    hrm.advData = adv({adStructure(0x01, {0x06}), adStructure(0x09, text(hrm.name)),
                       adStructure(0xFF, {0x4E, 0x56, 0x01, 0x02})});
    hrm.scanResponse =
        adv({adStructure(0x03, {0x0D, 0x18, 0x0F, 0x18}), adStructure(0xFF, text("HRM demo"))});
    hrm.rssi = -52;
    hrm.advInterval = Millis(100);
    hrm.ioCapability = kIoDisplayOnly;
    hrm.echo = true;
    hrm.credits = 8;
    hrm.mtu = 23;
    // Its table has every kind of attribute a table walk meets: characteristics without
    // the read property, a configuration descriptor that reads "on" (battery), another
    // descriptor (the control point's description), a service without characteristics
    // (environmental sensing: its discovery answers "Attribute Not Found"), 128-bit services
    // and characteristics with and without a catalogue name, and more services than one
    // result packet carries at this MTU.
    CharacteristicDef batteryLevel = chr(0x2A19, kPropRead | kPropNotify, {87}, {cccd()});
    batteryLevel.descriptors[0].value = {0x01, 0x00};
    hrm.services = {
        genericAccess(hrm.name, 0x0341, 0x0001),
        genericAttribute(0x0008),
        service(0x180F, {batteryLevel}, 0x0010),
        service(0x180A,
                {chr(0x2A29, kPropRead, text("NUVEX")), chr(0x2A24, kPropRead, text("HRM-1")),
                 chr(0x2A26, kPropRead, text("1.0.7"))},
                0x0018),
        service(0x180D,
                {notifying(chr(0x2A37, kPropNotify, {0x00, 0x48}, {cccd()}), Millis(1000),
                           {{0x00, 0x48}, {0x00, 0x4A}, {0x00, 0x4C}, {0x00, 0x4B}, {0x00, 0x49}}),
                 chr(0x2A38, kPropRead, {0x01}),
                 chr(0x2A39, kPropWrite, {0x00}, {{Uuid::of16(0x2901), text("Energy reset")}})},
                0x0020),
        service(0x181A, {}, 0x0030),
        transparentService(0x0050), // its credit characteristic's value sits at 0x0057
        airPatchService(0x0060),    // the air patch characteristic's value sits at 0x0062
    };

    // A thermometer with keyboard and display that asks for pairing as soon as it is
    // connected: the module's pairing mode decides whether the module asks for the pass
    // key (KeyboardOnly), asks to confirm it (DisplayYesNo) or shows its own (DisplayOnly).
    PeerConfig thermo;
    thermo.address = {0x66, 0x55, 0x44, 0x33, 0x22, 0x11};
    thermo.name = "NVX-THERMO";
    thermo.advData = adv({adStructure(0x01, {0x06}), adStructure(0x09, text(thermo.name)),
                          adStructure(0xFF, {0x4E, 0x56, 0x02, 0x10})});
    thermo.rssi = -67;
    thermo.advInterval = Millis(250);
    thermo.ioCapability = kIoKeyboardDisplay;
    thermo.initiatesPairing = true;
    thermo.services = {
        genericAccess(thermo.name, 0x0300, 0x0001),
        service(0x1809,
                {chr(0x2A1C, kPropIndicate, {0x00, 0x72, 0x01, 0x00, 0xFF}, {cccd()}),
                 chr(0x2A1D, kPropRead, {0x02})},
                0x0010),
        battery(64, 0x0020),
    };

    // A beacon that cannot be connected.
    PeerConfig beacon;
    beacon.address = {0xC1, 0x22, 0x33, 0x44, 0x55, 0x66};
    beacon.addressType = 1;
    beacon.name = "NVX-BEACON";
    beacon.advEventType = 3;
    beacon.connectable = false;
    beacon.advData = adv({adStructure(0x01, {0x04}), adStructure(0x08, text("NVX-BCN")),
                          adStructure(0xFF, {0x4E, 0x56, 0x03, 0x01, 0x02, 0x03, 0x04})});
    beacon.rssi = -80;
    beacon.advInterval = Millis(500);

    // A phone that connects while the module is in standby, pairs without a key, switches
    // the heart rate measurement's notifications and the glucose record access control
    // point's indications on, writes the heart rate control point, asks the glucose record
    // access control point for every stored record, asks again for their number once the
    // module indicates its answer, and leaves again after a while.
    PeerConfig phone;
    phone.address = {0x5A, 0x11, 0x22, 0x33, 0x44, 0x01};
    phone.addressType = 1;
    phone.name = "NVX-PHONE";
    phone.advInterval = Millis(0);
    phone.connectsToStandby = true;
    phone.connectDelay = Millis(1500);
    phone.disconnectAfter = Millis(10000);
    phone.ioCapability = kIoNoInputNoOutput;
    phone.initiatesPairing = true;
    phone.writes = {{Millis(1800), Uuid::of16(0x2A37), {0x01, 0x00}, Uuid::of16(kUuidCccd)},
                    {Millis(2000), Uuid::of16(0x2A39), {0x01}},
                    {Millis(2200), Uuid::of16(0x2A52), {0x02, 0x00}, Uuid::of16(kUuidCccd)},
                    {Millis(2400), Uuid::of16(0x2A52), {0x01, 0x01}}};
    phone.answers = {{Uuid::of16(0x2A52), {Millis(200), Uuid::of16(0x2A52), {0x04, 0x01}}}};
    phone.services = {genericAccess(phone.name, 0x0040, 0x0001)};

    s.peers = {hrm, thermo, beacon, phone};
    return s;
}

// ---------------------------------------------------------------------------------------
// JSON reading

namespace {

class Reader {
public:
    QString error;

    bool failed() const { return !error.isEmpty(); }

    void fail(const QString& path, const QString& what) {
        if (error.isEmpty())
            error = path + ": " + what;
    }

    // Rejects keys that the object may not hold, so typing mistakes do not go unnoticed.
    void checkKeys(const QJsonObject& o, const QString& path, const QSet<QString>& allowed) {
        for (auto it = o.begin(); it != o.end(); ++it)
            if (!allowed.contains(it.key()))
                fail(path, QString("unknown field \"%1\"").arg(it.key()));
    }

    static std::optional<Bytes> hex(QString s) {
        s.remove(' ').remove('-').remove(':');
        if (s.size() % 2 != 0)
            return std::nullopt;
        Bytes out;
        for (int i = 0; i < s.size(); i += 2) {
            bool ok = false;
            const unsigned v = s.mid(i, 2).toUInt(&ok, 16);
            if (!ok)
                return std::nullopt;
            out.push_back(static_cast<std::uint8_t>(v));
        }
        return out;
    }

    void bytes(const QJsonObject& o, const char* key, const QString& path, Bytes& out) {
        if (!o.contains(key))
            return;
        const QJsonValue v = o.value(key);
        const auto b = v.isString() ? hex(v.toString()) : std::nullopt;
        if (!b)
            fail(path + "." + key, "expected a text of hexadecimal byte pairs");
        else
            out = *b;
    }

    void str(const QJsonObject& o, const char* key, const QString& path, std::string& out) {
        if (!o.contains(key))
            return;
        if (!o.value(key).isString())
            fail(path + "." + key, "expected a text");
        else
            out = o.value(key).toString().toStdString();
    }

    void flag(const QJsonObject& o, const char* key, const QString& path, bool& out) {
        if (!o.contains(key))
            return;
        if (!o.value(key).isBool())
            fail(path + "." + key, "expected true or false");
        else
            out = o.value(key).toBool();
    }

    // A number, or a hexadecimal text ("1A"), within [lo, hi].
    template <typename T>
    void number(const QJsonObject& o, const char* key, const QString& path, T& out, long long lo,
                long long hi) {
        if (!o.contains(key))
            return;
        const QJsonValue v = o.value(key);
        long long n = 0;
        bool ok = false;
        if (v.isDouble()) {
            const double d = v.toDouble();
            n = static_cast<long long>(d);
            ok = static_cast<double>(n) == d;
        } else if (v.isString()) {
            n = v.toString().toLongLong(&ok, 16);
        }
        if (!ok || n < lo || n > hi)
            fail(path + "." + key,
                 QString("expected a whole number from %1 to %2").arg(lo).arg(hi));
        else
            out = static_cast<T>(n);
    }

    void millis(const QJsonObject& o, const char* key, const QString& path, Millis& out) {
        long long ms = out.count();
        number(o, key, path, ms, 0, 24LL * 3600 * 1000);
        out = Millis(ms);
    }

    void address(const QJsonObject& o, const char* key, const QString& path, DeviceAddress& out) {
        if (!o.contains(key))
            return;
        const auto b = o.value(key).isString() ? hex(o.value(key).toString()) : std::nullopt;
        if (!b || b->size() != 6)
            fail(path + "." + key, "expected 12 hexadecimal digits");
        else
            std::copy(b->begin(), b->end(), out.begin());
    }

    std::optional<Uuid> uuid(const QJsonValue& v, const QString& path) {
        const auto b = v.isString() ? hex(v.toString()) : std::nullopt;
        if (!b || (b->size() != 2 && b->size() != 16)) {
            fail(path, "expected a UUID of 4 or 32 hexadecimal digits");
            return std::nullopt;
        }
        return Uuid{*b};
    }

    void passKey(const QJsonObject& o, const char* key, const QString& path, std::string& out) {
        std::string s = out;
        str(o, key, path, s);
        if (s.size() != 6 || s.find_first_not_of("0123456789") != std::string::npos)
            fail(path + "." + key, "expected six decimal digits");
        else
            out = s;
    }

    template <typename T>
    void array(const QJsonObject& o, const char* key, const QString& path, std::vector<T>& out,
               const std::function<std::optional<T>(const QJsonValue&, const QString&)>& one) {
        if (!o.contains(key))
            return;
        if (!o.value(key).isArray()) {
            fail(path + "." + key, "expected a list");
            return;
        }
        out.clear();
        const QJsonArray a = o.value(key).toArray();
        for (int i = 0; i < a.size() && !failed(); ++i) {
            const QString p = QString("%1.%2[%3]").arg(path, key).arg(i);
            if (auto item = one(a.at(i), p))
                out.push_back(std::move(*item));
        }
    }

    std::optional<QJsonObject> object(const QJsonValue& v, const QString& path) {
        if (!v.isObject()) {
            fail(path, "expected an object");
            return std::nullopt;
        }
        return v.toObject();
    }

    std::optional<DescriptorDef> descriptor(const QJsonValue& v, const QString& path) {
        auto o = object(v, path);
        if (!o)
            return std::nullopt;
        checkKeys(*o, path, {"uuid", "value", "text"});
        DescriptorDef d;
        auto u = uuid(o->value("uuid"), path + ".uuid");
        if (!u)
            return std::nullopt;
        d.uuid = *u;
        bytes(*o, "value", path, d.value);
        if (o->contains("text"))
            d.value = text(o->value("text").toString().toStdString());
        if (!o->contains("value") && !o->contains("text") && d.uuid == Uuid::of16(kUuidCccd))
            d.value = {0x00, 0x00};
        return d;
    }

    std::optional<CharacteristicDef> characteristic(const QJsonValue& v, const QString& path) {
        auto o = object(v, path);
        if (!o)
            return std::nullopt;
        checkKeys(*o, path,
                  {"uuid", "properties", "value", "text", "descriptors", "notifyIntervalMs",
                   "notifyValues"});
        CharacteristicDef c;
        auto u = uuid(o->value("uuid"), path + ".uuid");
        if (!u)
            return std::nullopt;
        c.uuid = *u;
        number(*o, "properties", path, c.properties, 0, 255);
        bytes(*o, "value", path, c.value);
        if (o->contains("text"))
            c.value = text(o->value("text").toString().toStdString());
        array<DescriptorDef>(
            *o, "descriptors", path, c.descriptors,
            [this](const QJsonValue& x, const QString& p) { return descriptor(x, p); });
        millis(*o, "notifyIntervalMs", path, c.notifyInterval);
        array<Bytes>(*o, "notifyValues", path, c.notifyValues,
                     [this](const QJsonValue& x, const QString& p) -> std::optional<Bytes> {
                         auto b = x.isString() ? hex(x.toString()) : std::nullopt;
                         if (!b)
                             fail(p, "expected a text of hexadecimal byte pairs");
                         return b;
                     });
        return c;
    }

    std::optional<ServiceDef> serviceDef(const QJsonValue& v, const QString& path) {
        auto o = object(v, path);
        if (!o)
            return std::nullopt;
        checkKeys(*o, path, {"uuid", "start", "characteristics"});
        ServiceDef s;
        auto u = uuid(o->value("uuid"), path + ".uuid");
        if (!u)
            return std::nullopt;
        s.uuid = *u;
        number(*o, "start", path, s.startHandle, 1, 0xFFFF);
        array<CharacteristicDef>(
            *o, "characteristics", path, s.characteristics,
            [this](const QJsonValue& x, const QString& p) { return characteristic(x, p); });
        return s;
    }

    void services(const QJsonObject& o, const char* key, const QString& path,
                  std::vector<ServiceDef>& out) {
        array<ServiceDef>(o, key, path, out, [this](const QJsonValue& x, const QString& p) {
            return serviceDef(x, p);
        });
        if (failed())
            return;
        std::string why;
        if (!GattDatabase::build(out, &why))
            fail(path + "." + key, QString::fromStdString(why));
    }

    std::optional<PeerWrite> peerWrite(const QJsonValue& v, const QString& path) {
        auto o = object(v, path);
        if (!o)
            return std::nullopt;
        checkKeys(*o, path, {"afterMs", "characteristic", "descriptor", "value"});
        return peerWriteFields(*o, path);
    }

    std::optional<PeerWrite> peerWriteFields(const QJsonObject& o, const QString& path) {
        PeerWrite w;
        millis(o, "afterMs", path, w.after);
        auto u = uuid(o.value("characteristic"), path + ".characteristic");
        if (!u)
            return std::nullopt;
        w.characteristic = *u;
        if (o.contains("descriptor")) {
            auto d = uuid(o.value("descriptor"), path + ".descriptor");
            if (!d)
                return std::nullopt;
            w.descriptor = *d;
        }
        bytes(o, "value", path, w.value);
        return w;
    }

    std::optional<PeerAnswer> peerAnswer(const QJsonValue& v, const QString& path) {
        auto o = object(v, path);
        if (!o)
            return std::nullopt;
        checkKeys(*o, path, {"notified", "afterMs", "characteristic", "descriptor", "value"});
        auto notified = uuid(o->value("notified"), path + ".notified");
        auto w = peerWriteFields(*o, path);
        if (!notified || !w)
            return std::nullopt;
        return PeerAnswer{*notified, *w};
    }

    std::optional<PeerConfig> peer(const QJsonValue& v, const QString& path) {
        auto o = object(v, path);
        if (!o)
            return std::nullopt;
        checkKeys(*o, path,
                  {"address",
                   "addressType",
                   "name",
                   "advEventType",
                   "advData",
                   "scanResponse",
                   "rssi",
                   "advIntervalMs",
                   "connectable",
                   "connectDelayMs",
                   "connectsToStandby",
                   "disconnectAfterMs",
                   "disconnectReason",
                   "connInterval",
                   "connLatency",
                   "supervisionTimeout",
                   "parameterUpdateDelayMs",
                   "ioCapability",
                   "passKey",
                   "confirmsPasskey",
                   "initiatesPairing",
                   "echo",
                   "credits",
                   "mtu",
                   "gattSilentAfter",
                   "streamBytesPerSecond",
                   "streamAfterMs",
                   "streamTotalBytes",
                   "corruptByte",
                   "services",
                   "writes",
                   "answers"});
        PeerConfig p;
        if (!o->contains("address"))
            fail(path + ".address", "missing");
        address(*o, "address", path, p.address);
        number(*o, "addressType", path, p.addressType, 0, 3);
        str(*o, "name", path, p.name);
        number(*o, "advEventType", path, p.advEventType, 0, 3);
        bytes(*o, "advData", path, p.advData);
        if (!o->contains("advData") && !p.name.empty()) {
            p.advData = adv({adStructure(0x01, {0x06}), adStructure(0x09, text(p.name))});
            if (p.advData.size() > 31)
                p.advData.resize(31);
        }
        bytes(*o, "scanResponse", path, p.scanResponse);
        if (p.advData.size() > 31)
            fail(path + ".advData", "at most 31 bytes");
        if (p.scanResponse.size() > 31)
            fail(path + ".scanResponse", "at most 31 bytes");
        number(*o, "rssi", path, p.rssi, -127, 20);
        millis(*o, "advIntervalMs", path, p.advInterval);
        flag(*o, "connectable", path, p.connectable);
        millis(*o, "connectDelayMs", path, p.connectDelay);
        flag(*o, "connectsToStandby", path, p.connectsToStandby);
        millis(*o, "disconnectAfterMs", path, p.disconnectAfter);
        number(*o, "disconnectReason", path, p.disconnectReason, 0, 255);
        number(*o, "connInterval", path, p.connInterval, 0x0006, 0x0C80);
        number(*o, "connLatency", path, p.connLatency, 0, 0x01F3);
        number(*o, "supervisionTimeout", path, p.supervisionTimeout, 0x000A, 0x0C80);
        millis(*o, "parameterUpdateDelayMs", path, p.parameterUpdateDelay);
        number(*o, "ioCapability", path, p.ioCapability, 0, 4);
        passKey(*o, "passKey", path, p.passKey);
        flag(*o, "confirmsPasskey", path, p.confirmsPasskey);
        flag(*o, "initiatesPairing", path, p.initiatesPairing);
        flag(*o, "echo", path, p.echo);
        number(*o, "credits", path, p.credits, 0, 255);
        number(*o, "mtu", path, p.mtu, 23, 517);
        number(*o, "gattSilentAfter", path, p.gattSilentAfter, -1, 1000000);
        number(*o, "streamBytesPerSecond", path, p.streamBytesPerSecond, 0, 10'000'000);
        millis(*o, "streamAfterMs", path, p.streamAfter);
        number(*o, "streamTotalBytes", path, p.streamTotalBytes, 0, 1LL << 40);
        number(*o, "corruptByte", path, p.corruptByte, -1, 1LL << 40);
        services(*o, "services", path, p.services);
        array<PeerWrite>(*o, "writes", path, p.writes,
                         [this](const QJsonValue& x, const QString& q) { return peerWrite(x, q); });
        array<PeerAnswer>(
            *o, "answers", path, p.answers,
            [this](const QJsonValue& x, const QString& q) { return peerAnswer(x, q); });
        return p;
    }

    void module(const QJsonObject& o, const QString& path, ModuleConfig& m) {
        checkKeys(o, path,
                  {"address", "name", "version", "deviceType", "ioCapability", "passKey",
                   "autoPair", "rebondWithoutKey", "pairingTimeoutMs", "powerOnReport",
                   "powerOnCommands", "localServices"});
        address(o, "address", path, m.address);
        str(o, "name", path, m.name);
        if (m.name.size() > 16)
            fail(path + ".name", "at most 16 characters");
        if (o.contains("version")) {
            Bytes v;
            bytes(o, "version", path, v);
            if (v.size() != 4)
                fail(path + ".version", "expected 8 hexadecimal digits");
            else
                std::copy(v.begin(), v.end(), m.version.begin());
        }
        number(o, "deviceType", path, m.deviceType, 0, 255);
        number(o, "ioCapability", path, m.ioCapability, 0, 4);
        passKey(o, "passKey", path, m.passKey);
        flag(o, "autoPair", path, m.autoPair);
        flag(o, "rebondWithoutKey", path, m.rebondWithoutKey);
        millis(o, "pairingTimeoutMs", path, m.pairingTimeout);
        flag(o, "powerOnReport", path, m.powerOnReport);
        array<Bytes>(o, "powerOnCommands", path, m.powerOnCommands,
                     [this](const QJsonValue& x, const QString& q) -> std::optional<Bytes> {
                         const auto b = x.isString() ? hex(x.toString()) : std::nullopt;
                         if (!b || b->empty())
                             fail(q, "expected an opcode and its parameters in hexadecimal");
                         return b;
                     });
        m.localServices = defaultLocalServices(m.name);
        services(o, "localServices", path, m.localServices);
    }

    std::optional<TimedEvent> event(const QJsonValue& v, const QString& path) {
        auto o = object(v, path);
        if (!o)
            return std::nullopt;
        checkKeys(*o, path, {"atMs", "repeatMs", "opcode", "params"});
        TimedEvent e;
        millis(*o, "atMs", path, e.at);
        millis(*o, "repeatMs", path, e.repeat);
        if (!o->contains("opcode"))
            fail(path + ".opcode", "missing");
        number(*o, "opcode", path, e.opcode, 0, 255);
        bytes(*o, "params", path, e.params);
        if (e.params.size() > 1400)
            fail(path + ".params", "at most 1400 bytes");
        return e;
    }
};

} // namespace

std::optional<Scenario> parseScenario(const QByteArray& json, QString* error) {
    QJsonParseError pe{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &pe);
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return std::nullopt;
    };
    if (doc.isNull())
        return fail(
            QString("not valid JSON at offset %1: %2").arg(pe.offset).arg(pe.errorString()));
    if (!doc.isObject())
        return fail("the scenario must be a JSON object");
    const QJsonObject root = doc.object();
    Reader r;
    r.checkKeys(root, "scenario", {"module", "peers", "events"});
    Scenario s;
    s.module.localServices = defaultLocalServices(s.module.name);
    if (root.contains("module")) {
        if (auto m = r.object(root.value("module"), "module"))
            r.module(*m, "module", s.module);
    }
    r.array<PeerConfig>(root, "peers", "scenario", s.peers,
                        [&r](const QJsonValue& x, const QString& p) { return r.peer(x, p); });
    r.array<TimedEvent>(root, "events", "scenario", s.events,
                        [&r](const QJsonValue& x, const QString& p) { return r.event(x, p); });
    if (r.failed())
        return fail(r.error);
    return s;
}

std::optional<Scenario> loadScenario(const QString& path, QString* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QString("cannot open %1: %2").arg(path, f.errorString());
        return std::nullopt;
    }
    QString why;
    auto s = parseScenario(f.readAll(), &why);
    if (!s && error)
        *error = path + ": " + why;
    return s;
}

} // namespace nuvex3::sim
