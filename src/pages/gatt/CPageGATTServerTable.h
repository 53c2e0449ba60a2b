#pragma once
// The "Local GATT Table" page: walks the module's own attribute table with one button
// (its services, the characteristics and descriptors of each, then every characteristic
// value, readable or not, and every descriptor value) and shows it as the same tree as the
// remote table, with the same "Save As...", "Verify ", "Collapse All" and context menu.
// From the tree the user sends a value to a connected client ("Send") or updates a local
// value ("Update"). The walk also brings the profile pages of the services it finds and
// hands each profile page the handles of its characteristics.

#include "framework/CPageBase.h"
#include "pages/gatt/GattTree.h"
#include "pages/gatt/TableWalk.h"

#include <QString>

#include <cstdint>
#include <optional>

class GattTablePanel;
class QComboBox;
class QLineEdit;
class QPushButton;
class TableWalkRunner;

class CPageGATTServerTable : public CPageBase {
    Q_OBJECT
public:
    explicit CPageGATTServerTable(QWidget* parent = nullptr);
    ~CPageGATTServerTable() override;

    // Port opened or closed.
    void enable(bool on) override;
    // While the walk runs, kinds 19, 20 and 21 of the module's own table (connection handle
    // 0x00) fill the table; 24 (the reply to 0x3A) is placed by the pending read.
    void receive(int kind, const nuvex3::Record& record) override;
    void stopRunners() override;

    // ---- what the event routing asks ----
    // "Get Local GATT Table": starts the walk over the module's table.
    void startWalk();
    bool walking() const;
    // The module acknowledged `opcode` (0x3A, 0x3B or 0x3C): when it is the walk's command
    // the next step runs.
    void ContinueWalk(std::uint8_t opcode);
    // An error ended the walk; the table keeps what it has.
    void stopWalk();
    // The profile pages of the services the walk found (setProfilePages flags).
    std::uint8_t profileFlags() const { return profileFlags_; }
    // The attribute handle of the pending read (the server page places a reply it did not
    // ask for by it), empty when none.
    QString pendingReadHandle() const;
    // The module answered an "0x39: Update Characteristic Value": with success the value
    // of this page's last "Update" shows in the tree.
    void updateDone(bool success);
    // A local value changed (a client wrote it): the table and the tree show it.
    void showValue(const QString& handle, const QString& value);

    // ---- for tests ----
    const nuvex3::gatt::TableWalk& walk() const { return walk_; }
    GattTablePanel* panel() const { return panel_; }
    QComboBox* connectionCombo() const { return connection_; }
    QLineEdit* handleEdit() const { return handle_; }
    QLineEdit* valueEdit() const { return value_; }
    QPushButton* sendButton() const { return send_; }
    QPushButton* updateButton() const { return update_; }
    bool walkStepUnderWay() const;

protected:
    void linkTableChanged() override;

private:
    void buildLayout();
    void onSelected(const nuvex3::gatt::ItemRecord* record);
    void onSend();
    void onUpdate();
    void valueChanged(const QString& handle, const QString& value);
    void onServiceFound(const nuvex3::Record& record);
    void onCharacteristicFound(const nuvex3::Record& record);

    nuvex3::gatt::TableWalk walk_{nuvex3::gatt::TableWalk::Reads::All};
    GattTablePanel* panel_ = nullptr;
    QComboBox* connection_ = nullptr;
    QLineEdit* handle_ = nullptr;
    QPushButton* send_ = nullptr;
    QLineEdit* value_ = nullptr;
    QPushButton* update_ = nullptr;

    bool connected_ = false;
    std::uint8_t profileFlags_ = 0;
    struct Update {
        QString handle;
        QString value;
    };
    std::optional<Update> pendingUpdate_;
    TableWalkRunner* runner_ = nullptr;
};
