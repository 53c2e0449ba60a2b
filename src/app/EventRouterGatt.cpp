// The routing of the GATT client page and the remote table page: discovery results, values
// read, received and written, and the acknowledgements that step the remote table's walk.

#include "app/EventRouter.h"

#include "app/PageSet.h"
#include "framework/MainWindow.h"
#include "pages/gatt/GattTable.h"

namespace nuvex3 {

namespace {
constexpr std::uint8_t kStatusAttributeNotFound = 0x8A;
} // namespace

bool EventRouter::gattCommandError(std::uint8_t opcode, std::uint8_t status) {
    if (gattServerCommandError(opcode, status))
        return true;
    CPageGATTTable& table = t_.pages.gattTable;
    // "Attribute Not Found" ends a discovery or a read: the walk goes on with its next step.
    if (status == kStatusAttributeNotFound && table.walking()) {
        table.ContinueWalk(opcode);
        return true;
    }
    table.stopWalk();
    if (opcode == 0x34)
        table.writeDone(false);
    return false;
}

void EventRouter::stepRemoteWalk(std::uint8_t opcode) {
    if (opcode >= 0x30 && opcode <= 0x32)
        t_.pages.gattTable.ContinueWalk(opcode);
}

void EventRouter::gattCommandDone(int, const Record& record) {
    CPageGATTTable& table = t_.pages.gattTable;
    const std::uint8_t opcode = record[3];
    if (opcode == 0x30 && table.walking()) {
        t_.window.setProfilePages(table.profileFlags());
        t_.window.activatePage(table);
    }
    if (opcode == 0x34)
        table.writeDone(true);
    stepRemoteWalk(opcode);
}

void EventRouter::gattReadReply(int kind, const Record& record) {
    CPageGATTTable& table = t_.pages.gattTable;
    // The client places a reply it did not ask for by the table's pending read, before the
    // table takes it.
    t_.pages.gattClient.receiveReadReply(record, table.pendingReadHandle());
    table.receive(kind, record);
    stepRemoteWalk(record[3]);
}

void EventRouter::gattReadByUuid(int kind, const Record& record) {
    CPageGATTClient& client = t_.pages.gattClient;
    client.receive(kind, record);
    // The reply does not name its link: it is the link of the client's request.
    if (const auto link = client.lastReadByUuidLink()) {
        const gatt::ValueRecord v = gatt::readByUuidReplyOf(record);
        t_.pages.gattTable.showValue(QString::asprintf("%02X", *link), v.handle, v.value);
    }
}

void EventRouter::gattDiscovery(int kind, const Record& record) {
    // Results for handle 0x00 are the module's own table.
    if (record[3] == 0x00) {
        t_.pages.gattServer.receive(kind, record);
        t_.pages.gattServerTable.receive(kind, record);
        return;
    }
    t_.pages.gattClient.receive(kind, record);
    t_.pages.gattTable.receive(kind, record);
}

void EventRouter::gattValueReceived(int kind, const Record& record) {
    t_.pages.transparent.receive(kind, record);
    t_.pages.gattClient.receive(kind, record);
    t_.pages.gattTable.receive(kind, record);
}

} // namespace nuvex3
