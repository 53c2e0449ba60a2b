#include "sim/GattDatabase.h"

#include <algorithm>

namespace nuvex3::sim {

namespace {

bool validUuid(const Uuid& u) {
    return u.bytes.size() == 2 || u.bytes.size() == 16;
}

Bytes reversed(const Bytes& b) {
    return Bytes(b.rbegin(), b.rend());
}

std::string hexUuid(const Uuid& u) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (auto b : u.bytes) {
        s += digits[b >> 4];
        s += digits[b & 0x0F];
    }
    return s;
}

} // namespace

const GattCharacteristic::Descriptor* GattCharacteristic::cccd() const {
    for (const auto& d : descriptors)
        if (d.uuid == Uuid::of16(kUuidCccd))
            return &d;
    return nullptr;
}

std::optional<GattDatabase> GattDatabase::build(const std::vector<ServiceDef>& defs,
                                                std::string* error) {
    GattDatabase db;
    unsigned next = 1; // next free handle
    auto fail = [&](const std::string& text) {
        if (error)
            *error = text;
        return std::nullopt;
    };
    auto take = [&](unsigned& h) {
        if (next > 0xFFFF)
            return false;
        h = next++;
        return true;
    };
    for (const auto& sd : defs) {
        if (!validUuid(sd.uuid))
            return fail("service UUID must have 4 or 32 hexadecimal digits");
        if (sd.startHandle != 0) {
            if (sd.startHandle < next)
                return fail("service " + hexUuid(sd.uuid) + " starts at handle " +
                            std::to_string(sd.startHandle) + ", which is already in use");
            next = sd.startHandle;
        }
        GattService s;
        s.uuid = sd.uuid;
        unsigned h = 0;
        if (!take(h))
            return fail("attribute handles run out");
        s.startHandle = static_cast<std::uint16_t>(h);
        for (const auto& cd : sd.characteristics) {
            if (!validUuid(cd.uuid))
                return fail("characteristic UUID must have 4 or 32 hexadecimal digits");
            GattCharacteristic c;
            unsigned decl = 0, value = 0;
            if (!take(decl) || !take(value))
                return fail("attribute handles run out");
            c.declHandle = static_cast<std::uint16_t>(decl);
            c.valueHandle = static_cast<std::uint16_t>(value);
            c.properties = cd.properties;
            c.uuid = cd.uuid;
            c.value = cd.value;
            c.notifyInterval = cd.notifyInterval;
            c.notifyValues = cd.notifyValues;
            for (const auto& dd : cd.descriptors) {
                if (!validUuid(dd.uuid))
                    return fail("descriptor UUID must have 4 or 32 hexadecimal digits");
                unsigned dh = 0;
                if (!take(dh))
                    return fail("attribute handles run out");
                c.descriptors.push_back({static_cast<std::uint16_t>(dh), dd.uuid, dd.value});
            }
            c.endHandle = static_cast<std::uint16_t>(next - 1);
            s.characteristics.push_back(std::move(c));
        }
        s.endHandle = static_cast<std::uint16_t>(next - 1);
        db.services_.push_back(std::move(s));
    }
    return db;
}

const GattService* GattDatabase::findService(const Uuid& uuid) const {
    for (const auto& s : services_)
        if (s.uuid == uuid)
            return &s;
    return nullptr;
}

GattDatabase::Location GattDatabase::locate(std::uint16_t handle) const {
    for (std::size_t si = 0; si < services_.size(); ++si) {
        const auto& s = services_[si];
        if (handle < s.startHandle || handle > s.endHandle)
            continue;
        if (handle == s.startHandle)
            return {Kind::Service, si, 0, 0};
        for (std::size_t ci = 0; ci < s.characteristics.size(); ++ci) {
            const auto& c = s.characteristics[ci];
            if (handle == c.declHandle)
                return {Kind::Declaration, si, ci, 0};
            if (handle == c.valueHandle)
                return {Kind::Value, si, ci, 0};
            for (std::size_t di = 0; di < c.descriptors.size(); ++di)
                if (c.descriptors[di].handle == handle)
                    return {Kind::Descriptor, si, ci, di};
        }
        return {};
    }
    return {};
}

GattCharacteristic* GattDatabase::characteristicByValueHandle(std::uint16_t handle) {
    const auto& self = *this;
    return const_cast<GattCharacteristic*>(self.characteristicByValueHandle(handle));
}

const GattCharacteristic* GattDatabase::characteristicByValueHandle(std::uint16_t handle) const {
    const Location l = locate(handle);
    if (l.kind != Kind::Value)
        return nullptr;
    return &services_[l.service].characteristics[l.characteristic];
}

const GattCharacteristic* GattDatabase::characteristicByUuid(const Uuid& uuid) const {
    for (const auto& s : services_)
        for (const auto& c : s.characteristics)
            if (c.uuid == uuid)
                return &c;
    return nullptr;
}

GattCharacteristic* GattDatabase::ownerOfDescriptor(std::uint16_t handle) {
    const Location l = locate(handle);
    if (l.kind != Kind::Descriptor)
        return nullptr;
    return &services_[l.service].characteristics[l.characteristic];
}

std::optional<Bytes> GattDatabase::readValue(std::uint16_t handle) const {
    const Location l = locate(handle);
    switch (l.kind) {
    case Kind::None:
        return std::nullopt;
    case Kind::Service:
        return reversed(services_[l.service].uuid.bytes);
    case Kind::Declaration: {
        const auto& c = services_[l.service].characteristics[l.characteristic];
        Bytes v{c.properties, static_cast<std::uint8_t>(c.valueHandle & 0xFF),
                static_cast<std::uint8_t>(c.valueHandle >> 8)};
        const Bytes u = reversed(c.uuid.bytes);
        v.insert(v.end(), u.begin(), u.end());
        return v;
    }
    case Kind::Value:
        return services_[l.service].characteristics[l.characteristic].value;
    case Kind::Descriptor:
        return services_[l.service]
            .characteristics[l.characteristic]
            .descriptors[l.descriptor]
            .value;
    }
    return std::nullopt;
}

bool GattDatabase::writeValue(std::uint16_t handle, const Bytes& value) {
    const Location l = locate(handle);
    if (l.kind != Kind::Value && l.kind != Kind::Descriptor)
        return false;
    auto& c = services_[l.service].characteristics[l.characteristic];
    if (l.kind == Kind::Value) {
        c.value = value;
        return true;
    }
    c.descriptors[l.descriptor].value = value;
    return true;
}

} // namespace nuvex3::sim
