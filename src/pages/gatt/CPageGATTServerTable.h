#pragma once
// The "Local GATT Table" page: walks the module's own attribute table with one button
// (its services, the characteristics and descriptors of each, then every characteristic
// value, readable or not, and every descriptor value) and shows it as the same tree as the
// remote table, with the same "Save As...", "Verify ", "Collapse All" and context menu.
// From the tree the user sends a value to a connected client ("Send") or updates a local
// value ("Update"). The walk also brings the profile pages of the services it finds and
// hands each profile page the handles of its characteristics.

#include "pages/gatt/CTableWalkPage.h"
#include "pages/gatt/GattTree.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;

class CPageGATTServerTable : public CTableWalkPage {
    Q_OBJECT
public:
    explicit CPageGATTServerTable(QWidget* parent = nullptr);
    // Port opened or closed.
    void enable(bool on) override;
    // While the walk runs, kinds 19, 20 and 21 of the module's own table (connection handle
    // 0x00) fill the table; 24 (the reply to 0x3A) is placed by the pending read.
    void receive(int kind, const nuvex3::Record& record) override;

    // ---- what the event routing asks (and startWalk ... pendingReadHandle) ----
    // The module answered an "0x39: Update Characteristic Value": with success the value
    // of this page's last "Update" shows in the tree.
    void updateDone(bool success);
    // A local value changed (a client wrote it): the table and the tree show it.
    void showValue(const QString& handle, const QString& value);

    // ---- for tests ----
    QComboBox* connectionCombo() const { return connection_; }
    QLineEdit* handleEdit() const { return handle_; }
    QLineEdit* valueEdit() const { return value_; }
    QPushButton* sendButton() const { return send_; }
    QPushButton* updateButton() const { return update_; }

protected:
    void linkTableChanged() override;
    // "Get Local GATT Table" walks the module's own table.
    std::vector<std::uint8_t> linksToWalk() const override;

private:
    void buildLayout();
    void onSelected(const nuvex3::gatt::ItemRecord* record);
    void onSend();
    void onUpdate();
    void valueChanged(const QString& handle, const QString& value);
    void onCharacteristicFound(const nuvex3::Record& record);

    QComboBox* connection_ = nullptr;
    QLineEdit* handle_ = nullptr;
    QPushButton* send_ = nullptr;
    QLineEdit* value_ = nullptr;
    QPushButton* update_ = nullptr;

    bool connected_ = false;
    struct Update {
        QString handle;
        QString value;
    };
    std::optional<Update> pendingUpdate_;
};
