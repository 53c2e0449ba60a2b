#pragma once
// The "GATT Client" page: the module's six GATT client commands (discover services,
// discover the characteristics and descriptors of one service, read a value by handle or
// by UUID, write a value, enable the transparent service) and what the peer answers, in a
// services list and a characteristics list.

#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/common/CCommandPage.h"

#include <QString>

class QPushButton;
class QTableView;
class TextListModel;

class CPageGATTClient : public CCommandPage {
    Q_OBJECT
public:
    enum ServiceColumn { ConnHandle, StartHandle, EndHandle, ServiceUuid };
    enum CharacteristicColumn { Handle, AttrType, AttrValue, Uuid };

    explicit CPageGATTClient(QWidget* parent = nullptr);

    // Kinds 19, 20, 21 (discovery results of links other than 0x00), 22 (value received),
    // 13 (reply to 0x32) and 14 (reply to 0x33, with its message box).
    void receive(int kind, const nuvex3::Record& record) override;
    // The reply to 0x32: placed by this page's pending read, or by `fallbackHandle` (the
    // remote table's pending read) when this page has none.
    void receiveReadReply(const nuvex3::Record& record, const QString& fallbackHandle);

    // The connection handle text and attribute handle text of the last "0x32" request,
    // until its reply arrives.
    struct PendingRead {
        QString link;
        QString handle;
    };
    const std::optional<PendingRead>& pendingRead() const { return pending_; }
    // The connection handle of the last "0x33" request (its reply does not carry it).
    std::optional<std::uint8_t> lastReadByUuidLink() const { return lastUuidLink_; }

    // A click on a services-list row: with 0x31 or 0x33 selected, its UUID goes into the
    // UUID row.
    void serviceRowClicked(int row);
    // Shows the rows still queued for the lists.
    void flushLists();

    TextListModel* servicesModel() const { return services_; }
    TextListModel* characteristicsModel() const { return characteristics_; }
    QTableView* servicesView() const { return servicesView_; }
    QTableView* characteristicsView() const { return characteristicsView_; }
    QPushButton* servicesClearButton() const { return clearServices_; }
    QPushButton* characteristicsClearButton() const { return clearCharacteristics_; }

protected:
    SendResult sendCommand(std::uint8_t opcode) override;
    void linkTableChanged() override;

private:
    SendResult sendDiscoverServices();
    SendResult sendDiscoverCharacteristics();
    SendResult sendReadValue();
    SendResult sendReadByUuid();
    SendResult sendWriteValue();
    SendResult sendEnableTransparent();
    using UuidCommand = bool (nuvex3::CKelvra_CmdSet_Layer::*)(std::uint8_t, nuvex3::UuidKind,
                                                               std::span<const std::uint8_t>);
    // The connection handle and the UUID row's UUID, checked, to a command that takes them.
    SendResult sendWithUuid(UuidCommand command);
    // The UUID row: 4 or 32 characters, else the message; the bytes as typed.
    std::optional<std::vector<std::uint8_t>> uuidOf(int row) const;

    void buildLayout();
    void addService(const nuvex3::Record& record);
    void addCharacteristic(const nuvex3::Record& record);
    void addDescriptor(const nuvex3::Record& record);
    // The first characteristics row whose "Handle" names `handle`, or -1.
    int rowOfHandle(const QString& handle) const;
    void showValue(const QString& handle, const QString& value);

    TextListModel* services_ = nullptr;
    TextListModel* characteristics_ = nullptr;
    QTableView* servicesView_ = nullptr;
    QTableView* characteristicsView_ = nullptr;
    QPushButton* clearServices_ = nullptr;
    QPushButton* clearCharacteristics_ = nullptr;
    std::optional<PendingRead> pending_;
    std::optional<std::uint8_t> lastUuidLink_;
};
