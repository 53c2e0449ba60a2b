#pragma once
// The services list and the characteristics list that both GATT command pages show, with
// their "Clear" buttons: the client page fills them from a peer's discovery results, the
// server page from the module's own. One service row per service found; a characteristic
// gives its declaration row and its value row; a descriptor goes below the row of the
// handle before it; a value goes into "Attr_value" of the row with its handle.

#include "link/Packet.h"

#include <QString>
#include <QWidget>

class QPushButton;
class QTableView;
class TextListModel;

class GattResultLists : public QWidget {
    Q_OBJECT
public:
    enum ServiceColumn { ConnHandle, StartHandle, EndHandle, ServiceUuid };
    enum CharacteristicColumn { Handle, AttrType, AttrValue, Uuid };

    explicit GattResultLists(QWidget* parent = nullptr);

    // A discovery result (kinds 19, 20 and 21): its rows. False for other kinds.
    bool addDiscoveryResult(int kind, const nuvex3::Record& record);
    // "Attr_value" of the first characteristics row whose "Handle" names `handle` (hex
    // text, either width) gets `value`; nothing when no row has it.
    void showValue(const QString& handle, const QString& value);
    // The hexadecimal UUID of a services row: the digits inside "(0x...)" of a named
    // service, else the text without its "0x". Empty for a row that does not exist.
    QString serviceUuidOfRow(int row);
    // Shows the rows still queued.
    void flush();

    TextListModel* servicesModel() const { return services_; }
    TextListModel* characteristicsModel() const { return characteristics_; }
    QTableView* servicesView() const { return servicesView_; }
    QTableView* characteristicsView() const { return characteristicsView_; }
    QPushButton* servicesClearButton() const { return clearServices_; }
    QPushButton* characteristicsClearButton() const { return clearCharacteristics_; }

signals:
    void serviceRowClicked(int row);

private:
    void addService(const nuvex3::Record& record);
    void addCharacteristic(const nuvex3::Record& record);
    void addDescriptor(const nuvex3::Record& record);
    int rowOfHandle(const QString& handle) const;

    TextListModel* services_ = nullptr;
    TextListModel* characteristics_ = nullptr;
    QTableView* servicesView_ = nullptr;
    QTableView* characteristicsView_ = nullptr;
    QPushButton* clearServices_ = nullptr;
    QPushButton* clearCharacteristics_ = nullptr;
};
