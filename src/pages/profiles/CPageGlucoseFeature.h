#pragma once
// The "Glucose Feature" sub-page of the glucose page: eleven supported / not supported
// choices make the Glucose Feature value, written with Update Characteristic Value.

#include "pages/profiles/CProfilePage.h"

#include <array>

class QComboBox;
class QPushButton;

class CPageGlucoseFeature : public CProfilePage {
    Q_OBJECT
public:
    explicit CPageGlucoseFeature(CPageBase* host, QWidget* parent = nullptr);

    // The eleven features, in bit order.
    static const QStringList& featureNames();

    QComboBox* featureList(int bit) const { return features_[static_cast<std::size_t>(bit)]; }
    QPushButton* updateButton() const { return update_; }

private:
    std::array<QComboBox*, 11> features_{};
    QPushButton* update_ = nullptr;
};
