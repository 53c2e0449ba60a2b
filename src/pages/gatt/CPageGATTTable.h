#pragma once
// The "Remote GATT Table" page: walks the whole attribute table of every connected peer
// with one button (services, then the characteristics and descriptors of each service,
// then every readable value and every descriptor value) and shows it as a tree named from
// the assigned-number catalogue. From the tree the user reads and writes single
// attributes, switches notifications and indications in the notify list, saves the table
// as text and verifies it against a ".SERV" reference.

#include "pages/gatt/CTableWalkPage.h"
#include "pages/gatt/GattTree.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableView;
class TextListModel;

class CPageGATTTable : public CTableWalkPage {
    Q_OBJECT
public:
    enum NotifyColumn {
        NotifyConnection,
        NotifyService,
        NotifyChar,
        NotifyHandle,
        NotifyValue,
        NotifyState
    };

    explicit CPageGATTTable(QWidget* parent = nullptr);

    // Port opened or closed.
    void enable(bool on) override;
    // Kinds 19, 20 and 21 of links other than 0x00 fill the table; 22 (a value the peer
    // sent) and 13 (the reply to 0x32, placed by the pending read) update it.
    void receive(int kind, const nuvex3::Record& record) override;

    // ---- what the event routing asks (and startWalk ... pendingReadHandle) ----
    // The module answered this page's last "Write" or notify switch: with success the
    // written value shows in the tree and the notify list.
    void writeDone(bool success);
    // A value for one attribute of a link (a read by UUID).
    void showValue(const QString& link, const QString& handle, const QString& value);

    // ---- what other pages may ask ----
    // The value handle of the characteristic with this UUID (4 or 32 hexadecimal digits,
    // either case) on the link with this connection handle, as the last walk found it.
    std::optional<std::uint16_t> valueHandleOf(std::uint8_t link, const QString& uuid) const;

    // ---- for tests ----
    QComboBox* connectionCombo() const { return connection_; }
    QLineEdit* handleEdit() const { return handle_; }
    QLineEdit* writeValueEdit() const { return writeValue_; }
    QLineEdit* readValueEdit() const { return readValue_; }
    QPushButton* readButton() const { return read_; }
    QPushButton* writeButton() const { return write_; }
    QPushButton* notifySwitch() const { return notifySwitch_; }
    TextListModel* notifyModel() const { return notify_; }
    QTableView* notifyView() const { return notifyView_; }
    std::uint8_t writeType() const { return writeType_; }
    // A double-click on a notify list row.
    void toggleNotify(int row);

protected:
    void linkTableChanged() override;
    // "Get Remote GATT Table" walks every open link, first handle first.
    std::vector<std::uint8_t> linksToWalk() const override;

private:
    void buildLayout();
    void refreshConnections();
    void onSelected(const nuvex3::gatt::ItemRecord* record);
    void onRead();
    void onWrite();
    void rebuildNotifyList();
    // A value changed: the table, the tree and the notify list show it.
    void valueChanged(const QString& link, const QString& handle, const QString& value);

    QComboBox* connection_ = nullptr;
    QLineEdit* handle_ = nullptr;
    QPushButton* read_ = nullptr;
    QLineEdit* writeValue_ = nullptr;
    QPushButton* write_ = nullptr;
    QLineEdit* readValue_ = nullptr;
    QPushButton* notifySwitch_ = nullptr; // hidden "Test" button
    TextListModel* notify_ = nullptr;
    QTableView* notifyView_ = nullptr;
    std::vector<nuvex3::gatt::NotifyRow> notifyRecords_;

    bool connected_ = false;
    std::uint8_t writeType_ = 0;
    // What a write sent, shown when the module reports it done.
    struct PendingWrite {
        QString link;
        QString handle;
        QString value;
    };
    std::optional<PendingWrite> pendingWrite_;
};
