// The routing of the GATT server page and the local table page: the module's own
// discovery results (handle 0x00, routed with the client's in EventRouterGatt.cpp), local
// values read, updated and written by clients, and the acknowledgements that step the
// local table's walk.

#include "app/EventRouter.h"

#include "app/PageSet.h"
#include "framework/MainWindow.h"
#include "pages/gatt/GattTable.h"

namespace nuvex3 {

namespace {

constexpr std::uint8_t kStatusAttributeNotFound = 0x8A;
constexpr std::uint8_t kUpdateValue = 0x39;
constexpr std::uint8_t kReadLocalValue = 0x3A;
constexpr std::uint8_t kReadLocalServices = 0x3B;
constexpr std::uint8_t kReadLocalService = 0x3C;

bool isLocalWalkCommand(std::uint8_t opcode) {
    return opcode == kReadLocalValue || opcode == kReadLocalServices || opcode == kReadLocalService;
}

} // namespace

bool EventRouter::gattServerCommandError(std::uint8_t opcode, std::uint8_t status) {
    CPageGATTServerTable& table = t_.pages.gattServerTable;
    if (opcode == kUpdateValue) {
        t_.pages.gattServer.updateDone(false);
        table.updateDone(false);
    }
    if (opcode == kReadLocalValue)
        t_.pages.gattServer.clearPendingRead();
    if (!isLocalWalkCommand(opcode) || !table.walking())
        return false;
    // "Attribute Not Found" ends a discovery or a read: the walk goes on with its next step.
    if (status == kStatusAttributeNotFound) {
        table.ContinueWalk(opcode);
        return true;
    }
    // Any other error ends the walk, so that a later answer to another page's command does
    // not step it.
    table.stopWalk();
    return false;
}

void EventRouter::gattServerCommandDone(int, const Record& record) {
    CPageGATTServerTable& table = t_.pages.gattServerTable;
    const std::uint8_t opcode = record[3];
    if (opcode == kReadLocalServices && table.walking()) {
        t_.window.setProfilePages(table.profileFlags());
        t_.window.activatePage(table);
    }
    if (opcode == kUpdateValue) {
        t_.pages.gattServer.updateDone(true);
        table.updateDone(true);
    }
    // A read answered without a value.
    if (opcode == kReadLocalValue)
        t_.pages.gattServer.clearPendingRead();
    if (isLocalWalkCommand(opcode))
        table.ContinueWalk(opcode);
}

void EventRouter::localReadReply(int kind, const Record& record) {
    CPageGATTServerTable& table = t_.pages.gattServerTable;
    // The server page places a reply it did not ask for by the table's pending read, before
    // the table takes it.
    t_.pages.gattServer.receiveReadReply(record, table.pendingReadHandle());
    table.receive(kind, record);
    table.ContinueWalk(kReadLocalValue);
}

void EventRouter::clientWrite(int kind, const Record& record) {
    t_.pages.gattServer.receive(kind, record);
    const gatt::ValueRecord v = gatt::receivedValueOf(record);
    t_.pages.gattServerTable.showValue(v.handle, v.value);
}

} // namespace nuvex3
