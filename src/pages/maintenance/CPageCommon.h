#pragma once
// The "Common" page: the module's device commands (0x01 to 0x0D): local information,
// reset, status, ADC value, shutdown, debug access to memory and eFlash, device name,
// pairing mode and the paired-device list; the results the main window routes here; and
// the dump of the first 1024 bytes of the eFlash into a text file.

#include "pages/common/CCommandPage.h"
#include "pages/maintenance/EflashDump.h"

#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStandardItemModel;
class QTableView;

class CPageCommon : public CCommandPage {
    Q_OBJECT
public:
    explicit CPageCommon(QWidget* parent = nullptr);

    // "Send" and "Dump". Off (the port closed) also ends a dump under way.
    void enable(bool on) override;
    // Kinds 3 (debug data), 4 (local information), 5 (ADC value), 6 (device name),
    // 7 (pairing mode) and 11 (paired devices).
    void receive(int kind, const nuvex3::Record& record) override;
    // Erase All Paired Device Information completed.
    void clearPairedDevices();

    // The entries of the display lists.
    static const QStringList& hwVersions();
    static const QStringList& pairingModes();
    static const QStringList& adcRanges();

    nuvex3::EflashDump& eflashDump() { return dump_; }

    // Controls, for tests.
    QPushButton* dumpButton() const { return dumpButton_; }
    QProgressBar* dumpProgress() const { return progress_; }
    QLineEdit* fwVersionEdit() const { return fwVersion_; }
    QComboBox* hwVersionCombo() const { return hwVersion_; }
    QLineEdit* addressEdit() const { return address_; }
    QLineEdit* deviceNameEdit() const { return deviceName_; }
    QComboBox* pairingModeCombo() const { return pairingMode_; }
    QLineEdit* adcValueEdit() const { return adcValue_; }
    QComboBox* adcRangeCombo() const { return adcRange_; }
    QLabel* voltageLabel() const { return voltage_; }
    QStandardItemModel* pairedModel() const { return paired_; }
    QTableView* pairedView() const { return pairedView_; }

    static constexpr int kDebugIndex = 5; // "0x06: Debug Command"

protected:
    SendResult sendCommand(std::uint8_t opcode) override;
    void afterRelabel(std::uint8_t opcode) override;

private:
    enum Row { kRow1 = 0, kLengthRow = 1, kAddressRow = 2, kValueRow = 3 };

    void buildLayout();
    void applyDebugRule();
    bool debugSelected() const;
    std::uint8_t debugOpcode() const;
    static bool isDebugRead(std::uint8_t op) { return op == 0x01 || op == 0x03; }
    static bool isDebugWrite(std::uint8_t op) { return op == 0x02 || op == 0x04; }
    void onLengthEdited();
    void onWriteValueEdited();
    SendResult sendDebugCommand();
    void startDump();
    void onDebugData(const nuvex3::Record& record);
    void finishDump();
    void showLocalInformation(const nuvex3::Record& record);
    void showAdcValue(const nuvex3::Record& record);
    void showDeviceName(const nuvex3::Record& record);
    void showPairedDevices(const nuvex3::Record& record);

    QPushButton* dumpButton_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLineEdit* fwVersion_ = nullptr;
    QComboBox* hwVersion_ = nullptr;
    QLineEdit* address_ = nullptr;
    QLineEdit* deviceName_ = nullptr;
    QComboBox* pairingMode_ = nullptr;
    QLineEdit* adcValue_ = nullptr;
    QComboBox* adcRange_ = nullptr;
    QLabel* voltage_ = nullptr;
    QStandardItemModel* paired_ = nullptr;
    QTableView* pairedView_ = nullptr;

    QString lastDumpPath_;
    nuvex3::EflashDump dump_;
};
