#pragma once
// The "Heart Rate" page: the module as a heart rate sensor. It builds Heart Rate
// Measurement values (flags, 8- or 16-bit rate, energy expended, four RR-intervals) and
// sends them to the first connected peer, updates the Body Sensor Location value, and
// resets the energy expended when the peer writes 01 to the Heart Rate Control Point. The
// values last sent are shown on a display panel.

#include "pages/profiles/CProfilePage.h"
#include "pages/profiles/DisplayPanel.h"

#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace nuvex3::profiles {
class HeartRatePanel;
}

class CPageHeartRate : public CProfilePage {
    Q_OBJECT
public:
    // The display panel's texts.
    enum Display { kValue, kEnergy, kLocation };

    explicit CPageHeartRate(QWidget* parent = nullptr);

    QString controlPointHandle() const override;
    // Kind 23: a write of the control point.
    void receive(int kind, const nuvex3::Record& record) override;

    // Controls, for tests.
    QComboBox* locationList() const { return location_; }
    QPushButton* updateLocationButton() const { return updateLocation_; }
    QComboBox* unitList() const { return unit_; }
    QLineEdit* valueEdit() const { return value_; }
    QCheckBox* contactBox() const { return contactBox_; }
    QComboBox* contactList() const { return contact_; }
    QCheckBox* energyBox() const { return energyBox_; }
    QLineEdit* energyEdit() const { return energy_; }
    QCheckBox* rrBox() const { return rrBox_; }
    QLineEdit* rrEdit(int i) const { return rr_[static_cast<std::size_t>(i)]; }
    QPushButton* sendButton() const { return send_; }
    nuvex3::profiles::HeartRatePanel* panel() const { return panel_; }

private:
    void updateLocation();
    void sendMeasurement();
    void unitChanged();

    QComboBox* location_ = nullptr;
    QPushButton* updateLocation_ = nullptr;
    QComboBox* unit_ = nullptr;
    QLineEdit* value_ = nullptr;
    QCheckBox* contactBox_ = nullptr;
    QComboBox* contact_ = nullptr;
    QCheckBox* energyBox_ = nullptr;
    QLineEdit* energy_ = nullptr;
    QCheckBox* rrBox_ = nullptr;
    std::array<QLineEdit*, 4> rr_{};
    QPushButton* send_ = nullptr;
    nuvex3::profiles::HeartRatePanel* panel_ = nullptr;
};

namespace nuvex3::profiles {

// The heart rate display: rate, energy, location and the bar chart of the RR-intervals.
class HeartRatePanel : public DisplayPanel {
    Q_OBJECT
public:
    // Where the chart's origin (its axes' corner is at (10, 40) of the chart) lies.
    static constexpr QPoint kChartAt{342, 80};

    explicit HeartRatePanel(QWidget* parent = nullptr);
    // The four RR-intervals drawn as bars (0 to 65535).
    void setIntervals(const std::array<std::uint16_t, 4>& values);
    const std::array<std::uint16_t, 4>& intervals() const { return intervals_; }

protected:
    void paintOver(QPainter& p) override;

private:
    std::array<std::uint16_t, 4> intervals_{};
};

} // namespace nuvex3::profiles
