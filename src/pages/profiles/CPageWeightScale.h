#pragma once
// The "Weight Scale" page: composes and sends Weight Measurement values (flags, the
// weight in steps of 0.005 kg or 0.01 lb, optional time stamp, user ID, BMI and height),
// updates the Weight Scale Feature value, and sends or updates the Battery Level. A panel
// imitating the scale's display shows the weight, the battery level and the time.

#include "pages/profiles/CProfilePage.h"
#include "pages/profiles/ProfileFields.h"

#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace nuvex3::profiles {
class DisplayPanel;
}

class CPageWeightScale : public CProfilePage {
    Q_OBJECT
public:
    // The display panel's texts.
    enum Display { kWeight, kBattery, kTime };
    // The feature lists.
    enum Feature { kTimeStamp, kMultipleUsers, kBmi, kWeightResolution, kHeightResolution };

    explicit CPageWeightScale(QWidget* parent = nullptr);

    // Controls, for tests.
    QLineEdit* batteryEdit() const { return battery_; }
    QPushButton* sendBatteryButton() const { return sendBattery_; }
    QPushButton* updateBatteryButton() const { return updateBattery_; }
    QComboBox* unitList() const { return unit_; }
    QLineEdit* weightEdit() const { return weight_; }
    QCheckBox* timeBox() const { return timeBox_; }
    const nuvex3::profiles::TimeFields& timeFields() const { return time_; }
    QCheckBox* userBox() const { return userBox_; }
    QLineEdit* userEdit() const { return user_; }
    QCheckBox* bmiBox() const { return bmiBox_; }
    QLineEdit* bmiEdit() const { return bmi_; }
    QLineEdit* heightEdit() const { return height_; }
    QPushButton* sendMeasurementButton() const { return sendMeasurement_; }
    QComboBox* featureList(int i) const { return features_[static_cast<std::size_t>(i)]; }
    QPushButton* updateFeatureButton() const { return updateFeature_; }
    nuvex3::profiles::DisplayPanel* panel() const { return panel_; }

private:
    void showWeight();
    void sendMeasurement();
    void updateFeature();
    std::vector<std::uint8_t> batteryLevel() const;

    QLineEdit* battery_ = nullptr;
    QPushButton* sendBattery_ = nullptr;
    QPushButton* updateBattery_ = nullptr;
    QComboBox* unit_ = nullptr;
    QLineEdit* weight_ = nullptr;
    QCheckBox* timeBox_ = nullptr;
    nuvex3::profiles::TimeFields time_;
    QCheckBox* userBox_ = nullptr;
    QLineEdit* user_ = nullptr;
    QCheckBox* bmiBox_ = nullptr;
    QLineEdit* bmi_ = nullptr;
    QLineEdit* height_ = nullptr;
    QPushButton* sendMeasurement_ = nullptr;
    std::array<QComboBox*, 5> features_{};
    QPushButton* updateFeature_ = nullptr;
    nuvex3::profiles::DisplayPanel* panel_ = nullptr;
};
