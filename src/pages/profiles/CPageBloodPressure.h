#pragma once
// The "Blood Pressure" page: composes a Blood Pressure Measurement or an Intermediate Cuff
// Pressure value (flags, three pressures, optional time stamp, pulse rate, user ID and
// measurement status) and sends it from the module's own GATT server to the first
// connected peer; updates the Blood Pressure Feature value. A panel imitating the display
// of a blood pressure monitor shows the values last sent.

#include "pages/profiles/CProfilePage.h"
#include "pages/profiles/ProfileFields.h"

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nuvex3::profiles {
class DisplayPanel;
}

class CPageBloodPressure : public CProfilePage {
    Q_OBJECT
public:
    // The display panel's texts.
    enum Display {
        kCaption,
        kLabel1,
        kLabel2,
        kLabel3,
        kValue1,
        kValue2,
        kValue3,
        kUnit,
        kPulse,
        kDate,
        kTime
    };

    explicit CPageBloodPressure(QWidget* parent = nullptr);

    // Controls, for tests.
    QComboBox* typeList() const { return type_; }
    QComboBox* unitList() const { return unit_; }
    QLineEdit* pressureEdit(int i) const { return pressures_[static_cast<std::size_t>(i)]; }
    QLabel* pressureLabel(int i) const { return labels_[static_cast<std::size_t>(i)]; }
    QCheckBox* timeBox() const { return timeBox_; }
    const nuvex3::profiles::TimeFields& timeFields() const { return time_; }
    QCheckBox* pulseBox() const { return pulseBox_; }
    QLineEdit* pulseEdit() const { return pulse_; }
    QCheckBox* userBox() const { return userBox_; }
    QLineEdit* userEdit() const { return user_; }
    QCheckBox* statusBox() const { return statusBox_; }
    QComboBox* statusList(int i) const { return status_[static_cast<std::size_t>(i)]; }
    QPushButton* sendButton() const { return send_; }
    QComboBox* featureList(int i) const { return features_[static_cast<std::size_t>(i)]; }
    QPushButton* updateFeatureButton() const { return updateFeature_; }
    nuvex3::profiles::DisplayPanel* panel() const { return panel_; }

private:
    void typeChanged();
    void send();
    void updateFeature();

    QComboBox* type_ = nullptr;
    QComboBox* unit_ = nullptr;
    std::array<QLabel*, 3> labels_{};
    std::array<QLineEdit*, 3> pressures_{};
    QCheckBox* timeBox_ = nullptr;
    nuvex3::profiles::TimeFields time_;
    QCheckBox* pulseBox_ = nullptr;
    QLineEdit* pulse_ = nullptr;
    QCheckBox* userBox_ = nullptr;
    QLineEdit* user_ = nullptr;
    QCheckBox* statusBox_ = nullptr;
    std::array<QComboBox*, 5> status_{};
    QPushButton* send_ = nullptr;
    std::array<QComboBox*, 6> features_{};
    QPushButton* updateFeature_ = nullptr;
    nuvex3::profiles::DisplayPanel* panel_ = nullptr;
};
