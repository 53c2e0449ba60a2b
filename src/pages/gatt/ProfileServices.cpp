#include "pages/gatt/ProfileServices.h"

#include "framework/MainWindow.h"

namespace nuvex3::gatt {

namespace {

struct ProfileService {
    const char* uuid;
    std::uint8_t flag;
    int selector;
};

constexpr ProfileService kProfileServices[] = {
    {"1808", kProfileGlucose, kSelectGlucose},
    {"1809", kProfileHealthThermometer, kSelectHealthThermometer},
    {"180D", kProfileHeartRate, kSelectHeartRate},
    {"180F", 0, kSelectBattery},
    {"1810", kProfileBloodPressure, kSelectBloodPressure},
    {"181D", kProfileWeightScale, kSelectWeightScale},
};

const ProfileService* find(const QString& uuid) {
    for (const ProfileService& s : kProfileServices)
        if (uuid.compare(QLatin1String(s.uuid), Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

} // namespace

std::uint8_t profileFlagOf(const QString& serviceUuid) {
    const ProfileService* s = find(serviceUuid);
    return s ? s->flag : 0;
}

int profileSelectorOf(const QString& serviceUuid) {
    const ProfileService* s = find(serviceUuid);
    return s ? s->selector : 0;
}

} // namespace nuvex3::gatt
