#include "pages/profiles/CPageBloodPressure.h"

#include "pages/profiles/DisplayPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace nuvex3;
using namespace nuvex3::profiles;

namespace {

const QString kUuidMeasurement = QStringLiteral("2A35");
const QString kUuidCuff = QStringLiteral("2A36");
const QString kUuidFeature = QStringLiteral("2A49");
const QColor kDigits(0x3C, 0x44, 0x3A);
const QColor kGrey(105, 105, 105);

std::vector<DisplayPanel::Field> monitorFields() {
    const QFont castellar = panelFont(QStringLiteral("Castellar"), 26);
    const QFont label = panelFont(QStringLiteral("Sans Serif"), 10);
    const QFont small = panelFont(QStringLiteral("Sans Serif"), 9);
    QFont caption = panelFont(QStringLiteral("Sans Serif"), 11);
    caption.setBold(true);
    return {
        {QStringLiteral("Caption"), QRect(30, 20, 370, 24), caption, kGrey},
        {QStringLiteral("First label"), QRect(30, 52, 110, 40), label, kGrey},
        {QStringLiteral("Second label"), QRect(30, 94, 110, 40), label, kGrey},
        {QStringLiteral("Third label"), QRect(30, 136, 110, 40), label, kGrey},
        {QStringLiteral("First value"), QRect(140, 52, 180, 40), castellar, kDigits,
         Qt::AlignRight | Qt::AlignVCenter},
        {QStringLiteral("Second value"), QRect(140, 94, 180, 40), castellar, kDigits,
         Qt::AlignRight | Qt::AlignVCenter},
        {QStringLiteral("Third value"), QRect(140, 136, 180, 40), castellar, kDigits,
         Qt::AlignRight | Qt::AlignVCenter},
        {QStringLiteral("Unit"), QRect(330, 64, 80, 20), label, kGrey},
        {QStringLiteral("Pulse rate"), QRect(436, 44, 140, 56),
         panelFont(QStringLiteral("Narkisim"), 26), kDigits, Qt::AlignRight | Qt::AlignVCenter},
        {QStringLiteral("Date"), QRect(436, 134, 140, 20), small, kGrey},
        {QStringLiteral("Time"), QRect(436, 156, 140, 20), small, kGrey},
    };
}

} // namespace

CPageBloodPressure::CPageBloodPressure(QWidget* parent)
    : CProfilePage(QStringLiteral("Blood Pressure"), parent) {
    panel_ = new DisplayPanel(QStringLiteral("Blood pressure monitor display"), QSize(600, 196),
                              drawBloodPressureMonitor, monitorFields(), this);

    auto* measurement = new QGroupBox(this);
    measurement->setAccessibleName(QStringLiteral("Measurement"));
    auto* grid = new QGridLayout(measurement);
    type_ = listOf({QStringLiteral("Blood Pressure Measurement"),
                    QStringLiteral("Intermediate Cuff Pressure")},
                   measurement);
    type_->setAccessibleName(QStringLiteral("Value type"));
    auto* unitLabel = new QLabel(QStringLiteral("Unit"), measurement);
    unit_ = listOf({QStringLiteral("mmHg"), QStringLiteral("kPa")}, measurement);
    unitLabel->setBuddy(unit_);
    grid->addWidget(type_, 0, 0, 1, 3);
    grid->addWidget(unitLabel, 0, 4);
    grid->addWidget(unit_, 0, 5);
    for (std::size_t i = 0; i < pressures_.size(); ++i) {
        labels_[i] = new QLabel(measurement);
        pressures_[i] = numberField(measurement, 0, 2045);
        labels_[i]->setBuddy(pressures_[i]);
        grid->addWidget(labels_[i], 1, static_cast<int>(2 * i));
        grid->addWidget(pressures_[i], 1, static_cast<int>(2 * i + 1));
    }

    timeBox_ = new QCheckBox(QStringLiteral("Time (yyyy/mm/dd    hr.:min.:sec.)"), measurement);
    time_.build(measurement, &calendarRanges(0));
    grid->addWidget(timeBox_, 2, 0, 1, 6);
    time_.addTo(grid, 3, 1, {});

    pulseBox_ = new QCheckBox(QStringLiteral("Pulse Rate"), measurement);
    pulse_ = plainNumberField(measurement);
    pulse_->setAccessibleName(pulseBox_->text());
    userBox_ = new QCheckBox(QStringLiteral("User ID (0~255)"), measurement);
    user_ = numberField(measurement, 0, 255);
    user_->setAccessibleName(userBox_->text());
    grid->addWidget(pulseBox_, 4, 0);
    grid->addWidget(pulse_, 4, 1);
    grid->addWidget(userBox_, 4, 2, 1, 2);
    grid->addWidget(user_, 4, 4);

    statusBox_ = new QCheckBox(QStringLiteral("Measurement Status"), measurement);
    grid->addWidget(statusBox_, 5, 0, 1, 6);
    const QStringList statusNames = {QStringLiteral("Body Movement"), QStringLiteral("Cuff Fit"),
                                     QStringLiteral("Irregular Pulse"),
                                     QStringLiteral("Pulse Rate Range"),
                                     QStringLiteral("Measurement Position")};
    const std::array<QStringList, 5> statusEntries = {
        QStringList{QStringLiteral("No body movement"),
                    QStringLiteral("Body movement during measurement")},
        QStringList{QStringLiteral("Cuff fits properly"), QStringLiteral("Cuff too loose")},
        QStringList{QStringLiteral("No irregular pulse detected"),
                    QStringLiteral("Irregular pulse detected")},
        QStringList{QStringLiteral("Pulse rate is within the range"),
                    QStringLiteral("Pulse rate exceeds upper limit"),
                    QStringLiteral("Pulse rate is less than lower limit")},
        QStringList{QStringLiteral("Proper measurement position"),
                    QStringLiteral("Improper measurement position")}};
    for (std::size_t i = 0; i < status_.size(); ++i) {
        auto* label = new QLabel(statusNames[static_cast<int>(i)], measurement);
        status_[i] = listOf(statusEntries[i], measurement);
        label->setBuddy(status_[i]);
        const int row = 6 + static_cast<int>(i) / 2;
        const int column = static_cast<int>(i % 2) * 3;
        grid->addWidget(label, row, column);
        grid->addWidget(status_[i], row, column + 1, 1, 2);
    }
    send_ = new QPushButton(measurement);
    grid->addWidget(send_, 9, 0, 1, 6);

    auto* feature = new QGroupBox(this);
    feature->setAccessibleName(QStringLiteral("Blood Pressure Feature"));
    auto* featureGrid = new QGridLayout(feature);
    const QStringList featureNames = {
        QStringLiteral("Body Movement Detection"), QStringLiteral("Cuff Fit Detection"),
        QStringLiteral("Irregular Pulse Detection"), QStringLiteral("Pulse Rate Range Detection"),
        QStringLiteral("Measurement Position Detection")};
    for (std::size_t i = 0; i < 5; ++i) {
        const QString& name = featureNames[static_cast<int>(i)];
        features_[i] = listOf({name + QStringLiteral(" feature not supported"),
                               name + QStringLiteral(" feature supported")},
                              feature);
        features_[i]->setAccessibleName(name);
    }
    features_[5] = listOf({QStringLiteral("Multiple Bonds not supported"),
                           QStringLiteral("Multiple Bonds supported")},
                          feature);
    features_[5]->setAccessibleName(QStringLiteral("Multiple Bond"));
    for (std::size_t i = 0; i < features_.size(); ++i)
        featureGrid->addWidget(features_[i], static_cast<int>(i) / 2, static_cast<int>(i % 2));
    updateFeature_ = new QPushButton(QStringLiteral("Update Blood Pressure Feature"), feature);
    featureGrid->addWidget(updateFeature_, 3, 0, 1, 2);

    auto* page = new QVBoxLayout(this);
    page->addWidget(panel_, 0, Qt::AlignLeft);
    page->addWidget(measurement);
    page->addWidget(feature);
    page->addStretch(1);

    typeChanged();
    panel_->setText(kUnit, unit_->currentText());

    connect(type_, &QComboBox::currentIndexChanged, this, &CPageBloodPressure::typeChanged);
    connect(unit_, &QComboBox::currentIndexChanged, this,
            [this] { panel_->setText(kUnit, unit_->currentText()); });
    connect(timeBox_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            time_.fillNow();
    });
    connect(send_, &QPushButton::clicked, this, &CPageBloodPressure::send);
    connect(updateFeature_, &QPushButton::clicked, this, &CPageBloodPressure::updateFeature);
}

void CPageBloodPressure::typeChanged() {
    const bool measurement = type_->currentIndex() == 0;
    const QStringList labels =
        measurement ? QStringList{QStringLiteral("Systolic:"), QStringLiteral("Diastolic:"),
                                  QStringLiteral("MAP:")}
                    : QStringList{QStringLiteral("Pressure:"), QStringLiteral("unused:"),
                                  QStringLiteral("unused:")};
    send_->setText(measurement ? QStringLiteral("Send Blood Pressure Measurement")
                               : QStringLiteral("Send Intermediate Cuff Pressure"));
    panel_->setText(kCaption, measurement ? QStringLiteral("Blood Pressure")
                                          : QStringLiteral("Current Cuff Pressure"));
    for (std::size_t i = 0; i < labels_.size(); ++i) {
        labels_[i]->setText(labels[static_cast<int>(i)]);
        panel_->setText(kLabel1 + static_cast<int>(i), labels[static_cast<int>(i)]);
    }
    if (!measurement) {
        pressures_[1]->clear();
        pressures_[2]->clear();
        timeBox_->setChecked(false);
        pulseBox_->setChecked(false);
    }
    pressures_[1]->setEnabled(measurement);
    pressures_[2]->setEnabled(measurement);
    timeBox_->setEnabled(measurement);
    time_.setEnabled(measurement);
    pulseBox_->setEnabled(measurement);
    pulse_->setEnabled(measurement);
}

void CPageBloodPressure::send() {
    const bool measurement = type_->currentIndex() == 0;
    std::uint8_t flags = static_cast<std::uint8_t>(unit_->currentIndex() & 0x01);
    if (timeBox_->isChecked())
        flags |= 0x02;
    if (pulseBox_->isChecked())
        flags |= 0x04;
    if (userBox_->isChecked())
        flags |= 0x08;
    if (statusBox_->isChecked())
        flags |= 0x10;
    ValueWriter value;
    value.u8(flags);
    // Plain 16-bit integers as typed (an empty field is 0).
    for (QLineEdit* p : pressures_)
        value.u16(static_cast<std::uint32_t>(numberOf(p)));
    if (timeBox_->isChecked())
        value.append(time_.bytes());
    if (pulseBox_->isChecked())
        value.u16(static_cast<std::uint32_t>(numberOf(pulse_)));
    if (userBox_->isChecked())
        value.u8(static_cast<std::uint32_t>(numberOf(user_)));
    if (statusBox_->isChecked()) {
        const int status = status_[0]->currentIndex() | status_[1]->currentIndex() << 1 |
                           status_[2]->currentIndex() << 2 | status_[3]->currentIndex() << 3 |
                           status_[4]->currentIndex() << 5;
        value.u8(static_cast<std::uint32_t>(status)).u8(0);
    }
    sendValue(firstLink(), measurement ? kUuidMeasurement : kUuidCuff, value.bytes(),
              QStringLiteral("Send blood pressure measurement fail!"));

    // The panel shows what was sent, whether or not the module took it.
    if (timeBox_->isChecked()) {
        panel_->setText(
            kDate, QString::asprintf("%d/%d/%d", time_.value(0), time_.value(1), time_.value(2)));
        panel_->setText(
            kTime, QString::asprintf("%d: %d: %d", time_.value(3), time_.value(4), time_.value(5)));
    }
    panel_->setText(kValue1, QString::number(numberOf(pressures_[0])));
    panel_->setText(kValue2, measurement ? QString::number(numberOf(pressures_[1])) : QString());
    panel_->setText(kValue3, measurement ? QString::number(numberOf(pressures_[2])) : QString());
    if (pulseBox_->isChecked())
        panel_->setText(kPulse, QString::number(numberOf(pulse_)));
}

void CPageBloodPressure::updateFeature() {
    int bits = 0;
    for (std::size_t i = 0; i < features_.size(); ++i)
        bits |= features_[i]->currentIndex() << i;
    const std::uint8_t value[] = {static_cast<std::uint8_t>(bits), 0x00};
    updateValue(kUuidFeature, value, QStringLiteral("Update blood pressure feature fail!"));
}
