#pragma once
// The "GATT Server" page: the module's six local GATT server commands (send a value to a
// connected client, update a local value, read a local value, list the local services,
// list the characteristics of one local service, answer a client's write request) and
// the module's own services and characteristics in the same two lists as the GATT client
// page. A value the module updated or a client wrote shows in the characteristics list;
// a client's write prepares the write response.

#include "pages/common/CCommandPage.h"

#include <QString>

#include <cstdint>
#include <optional>

class GattResultLists;

class CPageGATTServer : public CCommandPage {
    Q_OBJECT
public:
    explicit CPageGATTServer(QWidget* parent = nullptr);

    // The error code choices of "0x3D: Send Write Response".
    static const QStringList& errorCodes();

    // Kinds 19, 20 and 21 of the module's own table (connection handle 0x00) fill the
    // lists; 23 (a client wrote a local characteristic) shows the value and prepares the
    // write response; 24 (the reply to 0x3A) is placed by this page's pending read.
    void receive(int kind, const nuvex3::Record& record) override;
    // The reply to 0x3A: placed by this page's pending read, or by `fallbackHandle` (the
    // local table's pending read) when this page has none. The pending read is cleared.
    void receiveReadReply(const nuvex3::Record& record, const QString& fallbackHandle);
    // A 0x3A was answered without a value, or failed: nothing is pending any more.
    void clearPendingRead() { pendingRead_.reset(); }
    // The module answered an "0x39: Update Characteristic Value": with success the value
    // of this page's last update shows in the characteristics list.
    void updateDone(bool success);

    // The handle text of the last "0x3A" request, until its reply arrives.
    const std::optional<QString>& pendingRead() const { return pendingRead_; }
    // The handle and value texts of the last "0x39" sent, until it is answered.
    struct Update {
        QString handle;
        QString value; // "0x" and the bytes
    };
    const std::optional<Update>& pendingUpdate() const { return pendingUpdate_; }

    // A click on a services-list row: with 0x3C selected, its UUID goes into the UUID row.
    void serviceRowClicked(int row);
    // Shows the rows still queued for the lists.
    void flushLists();
    GattResultLists* lists() const { return lists_; }

protected:
    SendResult sendCommand(std::uint8_t opcode) override;
    void afterRelabel(std::uint8_t opcode) override;
    void linkTableChanged() override;

private:
    SendResult sendCharacteristicValue();
    SendResult sendUpdate();
    SendResult sendReadLocalValue();
    SendResult sendReadAllServices();
    SendResult sendReadService();
    SendResult sendWriteResponse();

    void buildLayout();
    void clientWrote(const nuvex3::Record& record);
    // With 0x3D selected, the rows name the link and attribute of the last client write.
    void prepareWriteResponse();

    GattResultLists* lists_ = nullptr;
    std::optional<QString> pendingRead_;
    std::optional<Update> pendingUpdate_;
    // The link and attribute handle texts of the last client write.
    struct ClientWrite {
        QString link;
        QString handle;
    };
    std::optional<ClientWrite> lastWrite_;
};
