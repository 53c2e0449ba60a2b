#pragma once
// The "GATT Client" page: the module's six GATT client commands (discover services,
// discover the characteristics and descriptors of one service, read a value by handle or
// by UUID, write a value, enable the transparent service) and what the peer answers, in a
// services list and a characteristics list.

#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/common/CCommandPage.h"

#include <QString>

class GattResultLists;
class QPushButton;
class QTableView;
class TextListModel;

class CPageGATTClient : public CCommandPage {
    Q_OBJECT
public:
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

    GattResultLists* lists() const { return lists_; }
    TextListModel* servicesModel() const;
    TextListModel* characteristicsModel() const;
    QTableView* servicesView() const;
    QTableView* characteristicsView() const;
    QPushButton* servicesClearButton() const;
    QPushButton* characteristicsClearButton() const;

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

    void buildLayout();
    void showValue(const QString& handle, const QString& value);

    GattResultLists* lists_ = nullptr;
    std::optional<PendingRead> pending_;
    std::optional<std::uint8_t> lastUuidLink_;
};
