// The routing of the maintenance pages: the device command results go to the "Common"
// page, the DIO answer to the "DIO" page.

#include "app/EventRouter.h"

#include "app/PageSet.h"

namespace nuvex3 {

namespace {
constexpr std::uint8_t kEraseAllPairedDevices = 0x09;
}

void EventRouter::toCommon(int kind, const Record& record) {
    t_.pages.common.receive(kind, record);
}

void EventRouter::toGpio(int kind, const Record& record) {
    t_.pages.gpio.receive(kind, record);
}

// A Command Complete without data, by opcode.
void EventRouter::maintenanceCommandComplete(int, const Record& record) {
    if (record[3] == kEraseAllPairedDevices)
        t_.pages.common.clearPairedDevices();
}

} // namespace nuvex3
