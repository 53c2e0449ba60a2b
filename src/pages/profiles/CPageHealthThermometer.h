#pragma once
// The "Health Thermometer" page: the module as a health thermometer. It builds Temperature
// Measurement and Intermediate Temperature values (the temperature as an IEEE 11073 32-bit
// FLOAT: a 24-bit mantissa and a signed exponent, with an optional time stamp and
// temperature type), sends them to the first connected peer, updates the Temperature
// Type value, updates and sends the Measurement Interval, and takes a new interval written
// by the peer. The values last sent are shown on a display panel.

#include "pages/profiles/CProfilePage.h"
#include "pages/profiles/ProfileFields.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nuvex3::profiles {
class DisplayPanel;
}

class CPageHealthThermometer : public CProfilePage {
    Q_OBJECT
public:
    // The display panel's texts.
    enum Display { kTemperature, kUnit, kDate, kTime, kType, kInterval };

    explicit CPageHealthThermometer(QWidget* parent = nullptr);

    QString controlPointHandle() const override;
    // Kind 23: the peer wrote the measurement interval.
    void receive(int kind, const nuvex3::Record& record) override;

    // The nine temperature types ("0x01: Armpit" to "0x09: Tympanum").
    static const QStringList& typeEntries();
    // The 256 entries "10^0" to "10^127", then "10^(-128)" to "10^(-1)".
    static QStringList magnitudeEntries();

    // Controls, for tests.
    QComboBox* leftTypeList() const { return leftType_; }
    QPushButton* typeButton() const { return typeButton_; }
    QLineEdit* intervalEdit() const { return interval_; }
    QPushButton* updateIntervalButton() const { return updateInterval_; }
    QPushButton* sendIntervalButton() const { return sendInterval_; }
    QComboBox* unitList() const { return unit_; }
    QLineEdit* valueEdit() const { return value_; }
    QComboBox* magnitudeList() const { return magnitude_; }
    QLabel* temperatureLine() const { return temperatureLine_; }
    QCheckBox* timeBox() const { return timeBox_; }
    const nuvex3::profiles::TimeFields& timeFields() const { return time_; }
    QCheckBox* typeBox() const { return typeBox_; }
    QComboBox* typeList() const { return type_; }
    QPushButton* sendMeasurementButton() const { return sendMeasurement_; }
    QPushButton* sendIntermediateButton() const { return sendIntermediate_; }
    nuvex3::profiles::DisplayPanel* panel() const { return panel_; }

private:
    double temperature() const;
    void showTemperature(bool magnitudeChanged);
    void unitChanged();
    void sendTemperature(const QString& uuid, const QString& failure);
    std::vector<std::uint8_t> intervalBytes() const;

    QComboBox* leftType_ = nullptr;
    QPushButton* typeButton_ = nullptr;
    QLineEdit* interval_ = nullptr;
    QPushButton* updateInterval_ = nullptr;
    QPushButton* sendInterval_ = nullptr;
    QComboBox* unit_ = nullptr;
    QLineEdit* value_ = nullptr;
    QComboBox* magnitude_ = nullptr;
    QLabel* temperatureLine_ = nullptr;
    QCheckBox* timeBox_ = nullptr;
    nuvex3::profiles::TimeFields time_;
    QCheckBox* typeBox_ = nullptr;
    QComboBox* type_ = nullptr;
    QPushButton* sendMeasurement_ = nullptr;
    QPushButton* sendIntermediate_ = nullptr;
    nuvex3::profiles::DisplayPanel* panel_ = nullptr;
};
