#pragma once
// An attribute table with handles: services, characteristic declarations, values and
// descriptors, built from service definitions. Used for each peer's table and for the
// module's own table.

#include "sim/Scenario.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nuvex3::sim {

struct GattCharacteristic {
    std::uint16_t declHandle = 0;
    std::uint16_t valueHandle = 0;
    std::uint16_t endHandle = 0; // last handle that belongs to it (last descriptor)
    std::uint8_t properties = 0;
    Uuid uuid;
    Bytes value;
    struct Descriptor {
        std::uint16_t handle = 0;
        Uuid uuid;
        Bytes value;
    };
    std::vector<Descriptor> descriptors;
    Millis notifyInterval{0};
    std::vector<Bytes> notifyValues;

    const Descriptor* cccd() const;
};

struct GattService {
    std::uint16_t startHandle = 0;
    std::uint16_t endHandle = 0;
    Uuid uuid;
    std::vector<GattCharacteristic> characteristics;
};

class GattDatabase {
public:
    // Assigns handles in order. Fails (nullopt, *error set) when explicit start handles
    // overlap earlier attributes, a UUID is neither 2 nor 16 bytes, or handles run out.
    static std::optional<GattDatabase> build(const std::vector<ServiceDef>& services,
                                             std::string* error);

    const std::vector<GattService>& services() const { return services_; }
    const GattService* findService(const Uuid& uuid) const;

    // What a handle names.
    enum class Kind { None, Service, Declaration, Value, Descriptor };
    struct Location {
        Kind kind = Kind::None;
        std::size_t service = 0;
        std::size_t characteristic = 0;
        std::size_t descriptor = 0;
    };
    Location locate(std::uint16_t handle) const;

    GattCharacteristic* characteristicByValueHandle(std::uint16_t handle);
    const GattCharacteristic* characteristicByValueHandle(std::uint16_t handle) const;
    const GattCharacteristic* characteristicByUuid(const Uuid& uuid) const;
    // The characteristic that owns a descriptor handle.
    GattCharacteristic* ownerOfDescriptor(std::uint16_t handle);

    // The bytes a read of this handle returns (service UUID, declaration, value or
    // descriptor value, UUIDs least significant byte first as on the air).
    std::optional<Bytes> readValue(std::uint16_t handle) const;
    // Stores a value or descriptor value; false for other handles.
    bool writeValue(std::uint16_t handle, const Bytes& value);

private:
    std::vector<GattService> services_;
};

} // namespace nuvex3::sim
