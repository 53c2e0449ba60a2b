#include "pages/profiles/CPageWeightScale.h"

#include "pages/profiles/DisplayPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace nuvex3;
using namespace nuvex3::profiles;

namespace {

const QString kUuidMeasurement = QStringLiteral("2A9D");
const QString kUuidFeature = QStringLiteral("2A9E");
const QString kUuidBattery = QStringLiteral("2A19");
const QColor kGrey(0x4A, 0x52, 0x48);

std::vector<DisplayPanel::Field> scaleFields() {
    const QString family = QStringLiteral("Segoe print");
    return {
        {QStringLiteral("Weight"), QRect(146, 20, 300, 84), panelFont(family, 26), kGrey,
         Qt::AlignRight | Qt::AlignVCenter},
        {QStringLiteral("Battery"), QRect(206, 112, 120, 18), panelFont(family, 9), kGrey},
        {QStringLiteral("Time"), QRect(206, 134, 250, 18), panelFont(family, 9), kGrey},
    };
}

QStringList supportEntries() {
    return {QStringLiteral("Not supported"), QStringLiteral("Supported")};
}

} // namespace

CPageWeightScale::CPageWeightScale(QWidget* parent)
    : CProfilePage(QStringLiteral("Weight Scale"), parent) {
    panel_ = new DisplayPanel(QStringLiteral("Weight scale display"), QSize(600, 170),
                              drawWeightScale, scaleFields(), this);

    auto* battery = new QGroupBox(this);
    battery->setAccessibleName(QStringLiteral("Battery Level"));
    auto* batteryRow = new QHBoxLayout(battery);
    auto* batteryLabel = new QLabel(QStringLiteral("Battery Level (0%~100%)"), battery);
    battery_ = numberField(battery, 0, 100, kNoException, 3);
    batteryLabel->setBuddy(battery_);
    sendBattery_ = new QPushButton(QStringLiteral("Send Battery Level"), battery);
    updateBattery_ = new QPushButton(QStringLiteral(" Update Battery Level"), battery);
    batteryRow->addWidget(batteryLabel);
    batteryRow->addWidget(battery_);
    batteryRow->addWidget(sendBattery_);
    batteryRow->addWidget(updateBattery_);
    batteryRow->addStretch(1);

    auto* measurement = new QGroupBox(this);
    measurement->setAccessibleName(QStringLiteral("Weight Measurement"));
    auto* grid = new QGridLayout(measurement);
    auto* unitLabel = new QLabel(QStringLiteral("Unit"), measurement);
    unit_ = listOf({QStringLiteral("0.005kg"), QStringLiteral("0.01lb")}, measurement);
    unitLabel->setBuddy(unit_);
    auto* weightLabel = new QLabel(QStringLiteral("Value"), measurement);
    weight_ = numberField(measurement, 0, 65535, kNoException, 0, QStringLiteral("0"));
    weightLabel->setBuddy(weight_);
    grid->addWidget(weightLabel, 0, 0);
    grid->addWidget(weight_, 0, 1);
    grid->addWidget(unitLabel, 0, 2);
    grid->addWidget(unit_, 0, 3);
    timeBox_ = new QCheckBox(QStringLiteral("Time (yyyy/mm/dd    hr.:min.:sec.)"), measurement);
    time_.build(measurement, &calendarRanges(1));
    grid->addWidget(timeBox_, 1, 0, 1, 5);
    time_.addTo(grid, 2, 1, {});
    userBox_ = new QCheckBox(QStringLiteral("User ID (0~255)"), measurement);
    user_ = numberField(measurement, 0, 255, kNoException, 3);
    user_->setAccessibleName(userBox_->text());
    grid->addWidget(userBox_, 3, 0, 1, 2);
    grid->addWidget(user_, 3, 2);
    bmiBox_ = new QCheckBox(QStringLiteral("BMI (Unit:0.1) / Height (Unit 0.001)"), measurement);
    bmi_ = plainNumberField(measurement, 4);
    bmi_->setAccessibleName(QStringLiteral("BMI"));
    height_ = plainNumberField(measurement, 4);
    height_->setAccessibleName(QStringLiteral("Height"));
    grid->addWidget(bmiBox_, 4, 0, 1, 2);
    grid->addWidget(bmi_, 4, 2);
    grid->addWidget(height_, 4, 3);
    sendMeasurement_ =
        new QPushButton(QStringLiteral("Send Weight Scale Measurement"), measurement);
    grid->addWidget(sendMeasurement_, 5, 0, 1, 4);
    grid->setColumnStretch(4, 1);

    auto* feature = new QGroupBox(this);
    feature->setAccessibleName(QStringLiteral("Weight Scale Feature"));
    auto* featureGrid = new QGridLayout(feature);
    const QStringList names = {QStringLiteral("Time Stamp "), QStringLiteral("Multiple Users"),
                               QStringLiteral("BMI"), QStringLiteral("Weight Measurement"),
                               QStringLiteral("Height Measurement")};
    const std::array<QStringList, 5> entries = {
        supportEntries(), supportEntries(), supportEntries(),
        QStringList{QStringLiteral("Not Specified"), QStringLiteral("Resolution of 0.5 kg or 1 lb"),
                    QStringLiteral("Resolution of 0.2 kg or 0.5 lb"),
                    QStringLiteral("Resolution of 0.1 kg or 0.2 lb"),
                    QStringLiteral("Resolution of 0.05 kg or 0.1 lb"),
                    QStringLiteral("Resolution of 0.02 kg or 0.05 lb"),
                    QStringLiteral("Resolution of 0.01 kg or 0.02 lb"),
                    QStringLiteral("Resolution of 0.005 kg or 0.01 lb")},
        QStringList{QStringLiteral("Not Specified"),
                    QStringLiteral("Resolution of 0.01 meter or 1 inch"),
                    QStringLiteral("Resolution of 0.005 meter or 0.5 inch"),
                    QStringLiteral("Resolution of 0.001 meter or 0.1 inch")}};
    for (std::size_t i = 0; i < features_.size(); ++i) {
        auto* label = new QLabel(names[static_cast<int>(i)], feature);
        features_[i] = listOf(entries[i], feature);
        label->setBuddy(features_[i]);
        const int row = static_cast<int>(i) < 3 ? 0 : static_cast<int>(i) - 2;
        const int column = static_cast<int>(i) < 3 ? static_cast<int>(i) * 2 : 0;
        featureGrid->addWidget(label, row, column);
        featureGrid->addWidget(features_[i], row, column + 1, 1, i < 3 ? 1 : 3);
    }
    updateFeature_ = new QPushButton(QStringLiteral("Update Weight Scale Feature"), feature);
    featureGrid->addWidget(updateFeature_, 3, 0, 1, 4);
    featureGrid->setColumnStretch(6, 1);

    auto* page = new QVBoxLayout(this);
    page->addWidget(panel_, 0, Qt::AlignLeft);
    page->addWidget(battery);
    page->addWidget(measurement);
    page->addWidget(feature);
    page->addStretch(1);

    showWeight();

    connect(weight_, &QLineEdit::textChanged, this, &CPageWeightScale::showWeight);
    connect(unit_, &QComboBox::currentIndexChanged, this, &CPageWeightScale::showWeight);
    connect(battery_, &QLineEdit::textChanged, this,
            [this] { panel_->setText(kBattery, battery_->text()); });
    connect(timeBox_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            time_.fillNow();
    });
    connect(sendBattery_, &QPushButton::clicked, this, [this] {
        sendValue(firstLink(), kUuidBattery, batteryLevel(),
                  QStringLiteral("Send battery level fail!"));
    });
    connect(updateBattery_, &QPushButton::clicked, this, [this] {
        updateValue(kUuidBattery, batteryLevel(), QStringLiteral("Update battery level fail!"));
    });
    connect(sendMeasurement_, &QPushButton::clicked, this, &CPageWeightScale::sendMeasurement);
    connect(updateFeature_, &QPushButton::clicked, this, &CPageWeightScale::updateFeature);
}

std::vector<std::uint8_t> CPageWeightScale::batteryLevel() const {
    return {static_cast<std::uint8_t>(numberOf(battery_))};
}

void CPageWeightScale::showWeight() {
    const bool pounds = unit_->currentIndex() == 1;
    const double weight = numberOf(weight_) * (pounds ? 0.01 : 0.005);
    panel_->setText(kWeight, QString::asprintf("%.3f %s", weight, pounds ? "lb" : "kg"));
}

void CPageWeightScale::sendMeasurement() {
    std::uint8_t flags = static_cast<std::uint8_t>(unit_->currentIndex() & 0x01);
    if (timeBox_->isChecked())
        flags |= 0x02;
    if (userBox_->isChecked())
        flags |= 0x04;
    if (bmiBox_->isChecked())
        flags |= 0x08;
    ValueWriter value;
    value.u8(flags).u16(static_cast<std::uint32_t>(numberOf(weight_)));
    if (timeBox_->isChecked())
        value.append(time_.bytes());
    if (userBox_->isChecked())
        value.u8(static_cast<std::uint32_t>(numberOf(user_)));
    if (bmiBox_->isChecked())
        value.u16(static_cast<std::uint32_t>(numberOf(bmi_)))
            .u16(static_cast<std::uint32_t>(numberOf(height_)));
    const bool sent = sendValue(firstLink(), kUuidMeasurement, value.bytes(),
                                QStringLiteral("Send weight scale measurement fail!"));
    if (sent && timeBox_->isChecked())
        panel_->setText(kTime, QString::asprintf("%04d/%02d/%02d  %02d:%02d:%02d", time_.value(0),
                                                 time_.value(1), time_.value(2), time_.value(3),
                                                 time_.value(4), time_.value(5)));
}

void CPageWeightScale::updateFeature() {
    const std::uint32_t bits = static_cast<std::uint32_t>(
        features_[kTimeStamp]->currentIndex() | features_[kMultipleUsers]->currentIndex() << 1 |
        features_[kBmi]->currentIndex() << 2 | features_[kWeightResolution]->currentIndex() << 3 |
        features_[kHeightResolution]->currentIndex() << 7);
    updateValue(kUuidFeature, ValueWriter().u32(bits).bytes(),
                QStringLiteral("Update weight scale feature fail!"));
}
