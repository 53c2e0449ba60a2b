#pragma once
// The controls of one Glucose Measurement record and the value they build: flags,
// sequence number, base time, optional time offset, optional concentration (SFLOAT) with
// type and sample location, optional sensor status annunciation. The measurement sub-page
// sends one from its form; the record access sub-page answers report requests with them.

#include "pages/profiles/ProfileFields.h"

#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace nuvex3::profiles {

// What the glucose meter's display shows of a record.
struct GlucoseReading {
    QString sequence;
    QString date;
    QString time;
    QString concentration; // with its unit
    QString type;
    QString location;
};

class GlucoseRecordForm : public QWidget {
    Q_OBJECT
public:
    explicit GlucoseRecordForm(QWidget* parent = nullptr);

    static const QStringList& typeEntries();
    static const QStringList& locationEntries();
    static const QStringList& annunciationNames();

    // The Glucose Measurement value of the form.
    std::vector<std::uint8_t> value() const;
    // The record as the display shows it; the concentration with `decimals` decimals.
    GlucoseReading reading(int decimals) const;

    QLineEdit* sequenceEdit() const { return sequence_; }
    const TimeFields& timeFields() const { return time_; }
    TimeFields& timeFields() { return time_; }
    QCheckBox* offsetBox() const { return offsetBox_; }
    QLineEdit* offsetEdit() const { return offset_; }
    QCheckBox* glucoseBox() const { return glucoseBox_; }
    QComboBox* typeList() const { return type_; }
    QComboBox* locationList() const { return location_; }
    QLineEdit* concentrationEdit() const { return concentration_; }
    QComboBox* multiplierList() const { return multiplier_; }
    QCheckBox* unitBox() const { return unitBox_; }
    QCheckBox* contextBox() const { return contextBox_; }
    QCheckBox* statusBox() const { return statusBox_; }
    QCheckBox* annunciationBox(int bit) const {
        return annunciations_[static_cast<std::size_t>(bit)];
    }

private:
    void glucoseToggled(bool on);

    QLineEdit* sequence_ = nullptr;
    TimeFields time_;
    QCheckBox* offsetBox_ = nullptr;
    QLineEdit* offset_ = nullptr;
    QCheckBox* glucoseBox_ = nullptr;
    QComboBox* type_ = nullptr;
    QComboBox* location_ = nullptr;
    QLineEdit* concentration_ = nullptr;
    QComboBox* multiplier_ = nullptr;
    QCheckBox* unitBox_ = nullptr;
    QCheckBox* contextBox_ = nullptr;
    QCheckBox* statusBox_ = nullptr;
    std::array<QCheckBox*, 12> annunciations_{};
};

// "<number>: <name>" without its number ("1: Finger" gives "Finger").
QString entryName(const QString& entry);

} // namespace nuvex3::profiles
