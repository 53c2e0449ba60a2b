#pragma once
// The " Glucose Measurement Context" sub-page of the glucose page: a Glucose Measurement
// Context value (carbohydrate, meal, tester and health, exercise, medication, HbA1c, each
// present when its box is ticked) sent to the first connected peer.

#include "pages/profiles/CProfilePage.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class CPageGlucoseMeasurementContext : public CProfilePage {
    Q_OBJECT
public:
    explicit CPageGlucoseMeasurementContext(CPageBase* host, QWidget* parent = nullptr);

    // A value entered as a decimal mantissa and a multiplier (the SFLOAT exponent).
    struct Amount {
        QLineEdit* mantissa = nullptr;
        QComboBox* multiplier = nullptr;
    };

    QLineEdit* sequenceEdit() const { return sequence_; }
    QCheckBox* carbohydrateBox() const { return carbohydrateBox_; }
    QComboBox* carbohydrateList() const { return carbohydrate_; }
    const Amount& carbohydrateAmount() const { return carbohydrateAmount_; }
    QCheckBox* mealBox() const { return mealBox_; }
    QComboBox* mealList() const { return meal_; }
    QCheckBox* testerHealthBox() const { return testerHealthBox_; }
    QComboBox* testerList() const { return tester_; }
    QComboBox* healthList() const { return health_; }
    QCheckBox* exerciseBox() const { return exerciseBox_; }
    QLineEdit* durationEdit() const { return duration_; }
    QLineEdit* intensityEdit() const { return intensity_; }
    QCheckBox* medicationBox() const { return medicationBox_; }
    QComboBox* medicationList() const { return medication_; }
    const Amount& medicationAmount() const { return medicationAmount_; }
    QCheckBox* medicationUnitBox() const { return medicationUnitBox_; }
    QCheckBox* hba1cBox() const { return hba1cBox_; }
    const Amount& hba1cAmount() const { return hba1cAmount_; }
    QPushButton* sendButton() const { return send_; }

    // The value of the controls.
    std::vector<std::uint8_t> value() const;

private:
    QLineEdit* sequence_ = nullptr;
    QCheckBox* carbohydrateBox_ = nullptr;
    QComboBox* carbohydrate_ = nullptr;
    Amount carbohydrateAmount_;
    QCheckBox* mealBox_ = nullptr;
    QComboBox* meal_ = nullptr;
    QCheckBox* testerHealthBox_ = nullptr;
    QComboBox* tester_ = nullptr;
    QComboBox* health_ = nullptr;
    QCheckBox* exerciseBox_ = nullptr;
    QLineEdit* duration_ = nullptr;
    QLineEdit* intensity_ = nullptr;
    QCheckBox* medicationBox_ = nullptr;
    QComboBox* medication_ = nullptr;
    Amount medicationAmount_;
    QCheckBox* medicationUnitBox_ = nullptr;
    QCheckBox* hba1cBox_ = nullptr;
    Amount hba1cAmount_;
    QPushButton* send_ = nullptr;
};
