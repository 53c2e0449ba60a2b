#include "app/PageSet.h"

#include "framework/MainWindow.h"

namespace nuvex3 {

PageSet::PageSet() {
    airPatch.setHandleLookup([this](std::uint8_t link) {
        return gattTable.valueHandleOf(link, CPageAirPatch::characteristicUuid());
    });
}

std::vector<CPageBase*> PageSet::all() {
    return {&common,       &gap,         &passKey,           &transparent,     &advEditor,
            &gattClient,   &gattServer,  &gattTable,         &gattServerTable, &smp,
            &weightScale,  &heartRate,   &healthThermometer, &bloodPressure,   &lesc,
            &gpio,         &glucose,     &testPage,          &airPatch,        &demoCorvane,
            &meshTransmit, &meshReceive, &meshEvent,         &autoTest};
}

std::vector<CPageBase*> PageSet::sheet() {
    return {&common,        &gap,
            &passKey,       &transparent,
            &gattTable,     &advEditor,
            &gattClient,    &gattServer,
            &smp,           &gattServerTable,
            &gpio,          &weightScale,
            &heartRate,     &healthThermometer,
            &bloodPressure, &glucose,
            &testPage,      &autoTest};
}

std::vector<std::pair<std::uint8_t, CPageBase*>> PageSet::profiles() {
    return {{kProfileWeightScale, &weightScale},
            {kProfileHeartRate, &heartRate},
            {kProfileHealthThermometer, &healthThermometer},
            {kProfileBloodPressure, &bloodPressure},
            {kProfileGlucose, &glucose}};
}

std::vector<CPageBase*> PageSet::extras() {
    return {&lesc, &airPatch, &demoCorvane, &meshTransmit, &meshReceive, &meshEvent};
}

CProfilePage* PageSet::profileBySelector(int selector) {
    switch (selector) {
    case kSelectGlucose:
        return &glucose;
    case kSelectHealthThermometer:
        return &healthThermometer;
    case kSelectHeartRate:
        return &heartRate;
    case kSelectBattery:
    case kSelectWeightScale:
        return &weightScale;
    case kSelectBloodPressure:
        return &bloodPressure;
    default:
        return nullptr;
    }
}

std::vector<CPageBase*> PageSet::layerUsers() {
    return {&common,        &gap,
            &transparent,   &passKey,
            &advEditor,     &gattClient,
            &gattServer,    &gattTable,
            &smp,           &gattServerTable,
            &gpio,          &weightScale,
            &heartRate,     &healthThermometer,
            &bloodPressure, &glucose,
            &autoTest,      &airPatch};
}

std::vector<CPageBase*> PageSet::enabledWhileConnected() {
    return {&common,          &gap,  &advEditor, &gattClient, &gattServer, &gattTable,
            &gattServerTable, &gpio, &smp,       &autoTest,   &testPage,   &transparent};
}

std::vector<CPageBase*> PageSet::clearedWhenIdle() {
    return {&gap,           &gattServer,  &gattClient,  &gattTable, &gattServerTable,
            &smp,           &transparent, &weightScale, &heartRate, &healthThermometer,
            &bloodPressure, &glucose,     &testPage};
}

} // namespace nuvex3
