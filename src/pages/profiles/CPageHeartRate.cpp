#include "pages/profiles/CPageHeartRate.h"

#include "pages/profiles/ProfileFields.h"
#include "pages/profiles/WrittenValue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

using namespace nuvex3;
using namespace nuvex3::profiles;

namespace {

const QString kUuidMeasurement = QStringLiteral("2A37");
const QString kUuidLocation = QStringLiteral("2A38");
const QString kUuidControlPoint = QStringLiteral("2A39");
const QColor kGrey(105, 105, 105);
constexpr std::int32_t kException = -1;

std::vector<DisplayPanel::Field> heartRateFields() {
    const QFont large = panelFont(QStringLiteral("Univers 55"), 42);
    const QFont small = panelFont(QStringLiteral("Univers 55"), 10);
    return {
        {QStringLiteral("Heart rate"), QRect(70, 20, 186, 90), large, kGrey,
         Qt::AlignRight | Qt::AlignVCenter},
        {QStringLiteral("Energy expended"), QRect(96, 120, 210, 20), small, kGrey},
        {QStringLiteral("Body sensor location"), QRect(96, 142, 210, 20), small, kGrey},
    };
}

} // namespace

namespace nuvex3::profiles {

HeartRatePanel::HeartRatePanel(QWidget* parent)
    : DisplayPanel(QStringLiteral("Heart rate display"), QSize(600, 180), drawHeartRateMonitor,
                   heartRateFields(), parent) {}

void HeartRatePanel::setIntervals(const std::array<std::uint16_t, 4>& values) {
    intervals_ = values;
    update(QRect(kChartAt, QSize(240, 50)));
}

void HeartRatePanel::paintOver(QPainter& p) {
    p.save();
    p.translate(kChartAt);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(10, 40, 220, 40);
    p.drawLine(10, 40, 10, 0);
    static constexpr int kBarX[] = {30, 90, 150, 210};
    for (std::size_t i = 0; i < intervals_.size(); ++i) {
        const int top = 40 - static_cast<int>(intervals_[i] * 40 / 65535);
        p.fillRect(QRect(QPoint(kBarX[i], top), QPoint(kBarX[i] + 9, 39)), Qt::white);
    }
    p.restore();
}

} // namespace nuvex3::profiles

CPageHeartRate::CPageHeartRate(QWidget* parent)
    : CProfilePage(QStringLiteral("Heart Rate"), parent) {
    panel_ = new HeartRatePanel(this);

    auto* left = new QGroupBox(this);
    left->setAccessibleName(QStringLiteral("Body Sensor Location"));
    auto* leftForm = new QVBoxLayout(left);
    auto* locationLabel = new QLabel(QStringLiteral("Body Sensor Location"), left);
    location_ = listOf({QStringLiteral("Other"), QStringLiteral("Chest"), QStringLiteral("Wrist"),
                        QStringLiteral("Finger"), QStringLiteral("Hand"),
                        QStringLiteral("Ear Lobe"), QStringLiteral("Foot")},
                       left);
    locationLabel->setBuddy(location_);
    updateLocation_ = new QPushButton(QStringLiteral("Update Body Sensor Location"), left);
    leftForm->addWidget(locationLabel);
    leftForm->addWidget(location_);
    leftForm->addWidget(updateLocation_);
    leftForm->addStretch(1);

    auto* right = new QGroupBox(QStringLiteral("Heart Rate"), this);
    right->setAccessibleName(right->title());
    auto* grid = new QGridLayout(right);
    unit_ = listOf({QStringLiteral("(0~255 bpm)"), QStringLiteral("(0~65535 bpm)")}, right);
    value_ = numberField(right, 0, 255, kException);
    auto* unitLabel = new QLabel(QStringLiteral("Unit"), right);
    unitLabel->setBuddy(unit_);
    auto* valueLabel = new QLabel(QStringLiteral("Value"), right);
    valueLabel->setBuddy(value_);
    grid->addWidget(valueLabel, 0, 0);
    grid->addWidget(value_, 0, 1);
    grid->addWidget(unitLabel, 0, 2);
    grid->addWidget(unit_, 0, 3, 1, 2);

    // Present but unused: the rate is always sent.
    auto* valueBox = new QCheckBox(QStringLiteral("Heart Rate Value "), right);
    valueBox->hide();

    contactBox_ = new QCheckBox(QStringLiteral("Sensor Contact Status "), right);
    contact_ = listOf({QStringLiteral("Not deteted"), QStringLiteral("Detected")}, right);
    contact_->setAccessibleName(contactBox_->text());
    grid->addWidget(contactBox_, 1, 0, 1, 2);
    grid->addWidget(contact_, 1, 2, 1, 3);

    energyBox_ = new QCheckBox(QStringLiteral("Energy Expended (0~65535 k Joules)"), right);
    energy_ = numberField(right, 0, 65535, kException);
    energy_->setAccessibleName(energyBox_->text());
    grid->addWidget(energyBox_, 2, 0, 1, 2);
    grid->addWidget(energy_, 2, 2, 1, 3);

    rrBox_ = new QCheckBox(QStringLiteral("RR-Interval (0~65535 1/1024sec)"), right);
    grid->addWidget(rrBox_, 3, 0, 1, 5);
    for (std::size_t i = 0; i < rr_.size(); ++i) {
        rr_[i] = numberField(right, 0, 65535, kException);
        rr_[i]->setAccessibleName(QStringLiteral("RR-Interval %1").arg(i + 1));
        grid->addWidget(rr_[i], 4, static_cast<int>(i) + 1);
    }
    send_ = new QPushButton(QStringLiteral("Send Heart Rate Measurement"), right);
    grid->addWidget(send_, 5, 1, 1, 4);
    grid->setColumnStretch(5, 1);

    auto* groups = new QHBoxLayout;
    groups->addWidget(left);
    groups->addWidget(right, 1);
    auto* page = new QVBoxLayout(this);
    page->addWidget(panel_, 0, Qt::AlignLeft);
    page->addLayout(groups);
    page->addStretch(1);

    // Initial choices: chest, no contact, the 8-bit rate.
    location_->setCurrentIndex(1);
    contact_->setCurrentIndex(0);
    unit_->setCurrentIndex(0);

    connect(unit_, &QComboBox::currentIndexChanged, this, &CPageHeartRate::unitChanged);
    connect(updateLocation_, &QPushButton::clicked, this, &CPageHeartRate::updateLocation);
    connect(send_, &QPushButton::clicked, this, &CPageHeartRate::sendMeasurement);
}

QString CPageHeartRate::controlPointHandle() const {
    return characteristicHandle(kUuidControlPoint);
}

void CPageHeartRate::unitChanged() {
    setClampRange(value_, 0, unit_->currentIndex() == 1 ? 65535 : 255);
}

void CPageHeartRate::updateLocation() {
    const std::uint8_t location[] = {static_cast<std::uint8_t>(location_->currentIndex())};
    updateValue(kUuidLocation, location, QStringLiteral("Update body sensor location fail!"));
    panel_->setText(kLocation, location_->currentText());
}

void CPageHeartRate::sendMeasurement() {
    const bool wide = unit_->currentIndex() == 1;
    std::uint8_t flags = wide ? 0x01 : 0x00;
    if (contact_->currentIndex() == 1)
        flags |= 0x02;
    if (contactBox_->isChecked())
        flags |= 0x04;
    if (energyBox_->isChecked())
        flags |= 0x08;
    if (rrBox_->isChecked())
        flags |= 0x10;

    ValueWriter value;
    value.u8(flags);
    const auto rate = static_cast<std::uint32_t>(numberOf(value_));
    if (wide)
        value.u16(rate);
    else
        value.u8(rate);
    panel_->setText(kValue, value_->text());
    if (energyBox_->isChecked()) {
        value.u16(static_cast<std::uint32_t>(numberOf(energy_)));
        panel_->setText(kEnergy, energy_->text() + QStringLiteral(" J"));
    }
    if (rrBox_->isChecked()) {
        std::array<std::uint16_t, 4> intervals{};
        for (std::size_t i = 0; i < rr_.size(); ++i) {
            intervals[i] = static_cast<std::uint16_t>(numberOf(rr_[i]));
            value.u16(intervals[i]);
        }
        panel_->setIntervals(intervals);
    }
    sendValue(firstLink(), kUuidMeasurement, value.bytes(),
              QStringLiteral("Send heart rate measurement fail!"));
}

void CPageHeartRate::receive(int kind, const Record& record) {
    // The control point's only command: 01 resets the energy expended.
    if (kind != kKindClientWrite || writtenValueText(record) != QStringLiteral("01"))
        return;
    energy_->setText(QStringLiteral("0"));
    panel_->setText(kEnergy, QStringLiteral("0 J"));
}
