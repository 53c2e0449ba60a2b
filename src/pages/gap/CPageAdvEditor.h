#pragma once
// The "ADV / SR Data" page: composes the advertising data and the scan response data from
// check boxes and fields, shows how many of the 31 bytes are left, sends them with "Write
// Adv Data" (0x11) and "Write Scan Res_Data" (0x12), saves and loads both as an ".adv"
// file, and decodes every advertising report into its advertising fields.

#include "framework/CPageBase.h"
#include "pages/gap/AdvData.h"

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace nuvex3 {
class ThrottledRefresh;
}

class CPageAdvEditor : public CPageBase {
    Q_OBJECT
public:
    static constexpr int kUuidRows = 5;
    static const QString kServiceRefUrl;

    // One data set's controls (advertising or scan response).
    struct DataSet {
        QCheckBox* service = nullptr; // "Service UUID" / "Minor Service UUID"
        std::array<QCheckBox*, kUuidRows> uuidBox{};
        std::array<QLineEdit*, kUuidRows> uuid{};
        QCheckBox* manufacturer = nullptr;
        QLineEdit* manufacturerEdit = nullptr;
        QLineEdit* available = nullptr;
        QPushButton* update = nullptr;
        // Only in the advertising set.
        QCheckBox* flag = nullptr;
        QComboBox* flagCombo = nullptr;
        QCheckBox* name = nullptr;
        QLineEdit* nameEdit = nullptr;
    };

    explicit CPageAdvEditor(QWidget* parent = nullptr);

    // Enables "Load File", "Save As..." and both "Update" buttons.
    void enable(bool on) override;
    // Kind 15: the report's data is decoded into the advertising fields. Reports are
    // gathered and shown at most a few times a second, and only while the page is
    // visible; what the fields end up showing is the same as if each had been shown.
    void receive(int kind, const nuvex3::Record& record) override;
    void showAdvertisingReport(std::span<const std::uint8_t> data);
    // Shows the reports gathered so far now.
    void showPendingReports();

    // Lengths of the two data sets as composed from the controls.
    int advertisingLength() const;
    int scanResponseLength() const;
    // The composed data, or nullopt after showing why it does not compose.
    std::optional<std::vector<std::uint8_t>> composeAdvertising() const;
    std::optional<std::vector<std::uint8_t>> composeScanResponse() const;

    // Controls, for tests.
    const DataSet& advertising() const { return adv_; }
    const DataSet& scanResponse() const { return scan_; }
    QComboBox* storeOption() const { return storeOption_; }
    QComboBox* scanStoreOption() const { return scanStoreOption_; }
    QPushButton* loadButton() const { return load_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* serviceRefButton() const { return serviceRef_; }

    // The three buttons under the groups, as a click does.
    void saveAs();
    void loadFile();

private:
    class RefreshHold;
    QGroupBox* buildDataSet(DataSet& set, const QString& title, const QString& serviceCaption,
                            bool advertising);
    void refresh();
    void refreshEnables(const DataSet& set);
    static int lengthOf(const DataSet& set);
    static std::optional<std::vector<std::uint8_t>> compose(const DataSet& set);
    void clearAll();
    void decodeInto(DataSet& set, const nuvex3::AdStructure& s, bool advertising);
    static void putUuid(DataSet& set, const QString& text);
    void updateAdvertising();
    void updateScanResponse();

    DataSet adv_;
    DataSet scan_;
    QComboBox* storeOption_ = nullptr;
    QComboBox* scanStoreOption_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* serviceRef_ = nullptr;
    int refreshHeld_ = 0; // lengths and enables are refreshed once after a batch of changes

    // What the reports received since the last refresh bring to the fields: the last flags,
    // name and manufacturer data, and the UUID structures until they hold as many UUIDs as
    // there are rows (more could not find an empty row).
    struct PendingReports {
        std::optional<nuvex3::AdStructure> flags, name, manufacturer;
        std::vector<nuvex3::AdStructure> uuids;
        std::size_t uuidCount = 0;
    };
    void gather(std::span<const std::uint8_t> data);
    PendingReports pending_;
    nuvex3::ThrottledRefresh* reportRefresh_ = nullptr;
};
