#pragma once
// The "GAP" page: the module's twelve GAP commands, the advertising reports seen while
// scanning, the parameters of every open link, the RSSI and the remote device name.

#include "pages/common/CCommandPage.h"
#include "pages/gap/AdvData.h"

#include <QSet>

#include <vector>

class AdvReportModel;

namespace nuvex3 {
class ThrottledRefresh;
}
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableView;

class CPageGAP : public CCommandPage {
    Q_OBJECT
public:
    // One open link as the page shows it: seven texts.
    struct LinkRecord {
        QString handle;      // "%02X"
        QString role;        // "Master" / "Slave"
        QString addressType; // "Public" / "Random" / "Paired device"
        QString address;     // twelve digits, most significant byte first
        QString interval;    // "%02X%02X" each
        QString latency;
        QString timeout;
    };

    explicit CPageGAP(QWidget* parent = nullptr);

    void enable(bool on) override;
    // Kinds 8 (RSSI), 9 (remote name), 15 (advertising report), 16 (connection complete,
    // before the link table changes), 17 (disconnection complete, before the link table
    // changes) and 18 (connection parameter update).
    void receive(int kind, const nuvex3::Record& record) override;
    void onAllIdle() override;

    // Refills "Connection Handle:" from the link records and shows the record whose
    // handle text is `handle` (the first one when empty).
    void ShowLinkInfo(const QString& handle);
    // Shows the link information that connection events brought since the last refresh.
    void flushLinkInfo();
    void AddAdvertisingReport(const nuvex3::AdvReport& report);
    // Shows the reports that are still queued for the list.
    void flushReports();

    const std::vector<LinkRecord>& linkRecords() const { return records_; }
    // The addresses of the reports received (at most as many as the list keeps rows).
    const QSet<QString>& seenAddresses() const { return seen_; }

    // Controls, for tests.
    AdvReportModel* reportModel() const { return model_; }
    QTableView* reportView() const { return view_; }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* advNameButton() const { return advName_; }
    QLineEdit* rssiEdit() const { return rssi_; }
    QLineEdit* deviceNameEdit() const { return deviceName_; }
    QComboBox* handleCombo() const { return handleCombo_; }
    QLineEdit* roleEdit() const { return role_; }
    QLineEdit* addressTypeEdit() const { return addrType_; }
    QLineEdit* addressEdit() const { return address_; }
    QLineEdit* intervalEdit() const { return interval_; }
    QLineEdit* latencyEdit() const { return latency_; }
    QLineEdit* timeoutEdit() const { return timeout_; }

    // Selects 0x17 and fills it from the report row (what a click on the row does).
    void prepareConnection(int row);

    static constexpr int kCreateConnectionIndex = 6;

protected:
    SendResult sendCommand(std::uint8_t opcode) override;
    void afterRelabel(std::uint8_t opcode) override;

private:
    using Sender = SendResult (CPageGAP::*)();
    SendResult sendReadRssi();
    SendResult sendWriteAdvData();
    SendResult sendWriteScanResData();
    SendResult sendSetAdvertisingParameter();
    SendResult sendSetScanParameters();
    SendResult sendSetScanEnable();
    SendResult sendCreateConnection();
    SendResult sendCreateConnectionCancel();
    SendResult sendConnectionParameterUpdate();
    SendResult sendDisconnect();
    SendResult sendSetAdvEnable();
    SendResult sendReadRemoteName();
    static SendResult result(bool written) {
        return written ? SendResult::Sent : SendResult::Failed;
    }

    void buildLayout();
    void followNewReports();
    void loadDataFromFile(std::uint8_t opcode);
    void clearReports();
    void clearLinkInfo();
    void showRecord(const QString& handle);
    void onConnectionComplete(const nuvex3::Record& record);
    void onDisconnectionComplete(const nuvex3::Record& record);
    void onParameterUpdate(const nuvex3::Record& record);
    LinkRecord* findRecord(const QString& handle);
    void showLinkInfoSoon(const QString& handle);

    AdvReportModel* model_ = nullptr;
    QTableView* view_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* advName_ = nullptr;
    QLineEdit* rssi_ = nullptr;
    QLineEdit* deviceName_ = nullptr;
    QComboBox* handleCombo_ = nullptr;
    QLineEdit* role_ = nullptr;
    QLineEdit* addrType_ = nullptr;
    QLineEdit* address_ = nullptr;
    QLineEdit* interval_ = nullptr;
    QLineEdit* latency_ = nullptr;
    QLineEdit* timeout_ = nullptr;

    bool followReports_ = true;
    std::vector<LinkRecord> records_;
    QSet<QString> seen_;
    nuvex3::ThrottledRefresh* linkRefresh_ = nullptr;
    QString linkInfoHandle_; // the handle the next refresh shows
};
