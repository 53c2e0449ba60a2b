#include "pages/profiles/CPageHealthThermometer.h"

#include "pages/profiles/DisplayPanel.h"
#include "pages/profiles/WrittenValue.h"
#include "ui/ValueEntry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace nuvex3;
using namespace nuvex3::profiles;

namespace {

const QString kUuidMeasurement = QStringLiteral("2A1C");
const QString kUuidType = QStringLiteral("2A1D");
const QString kUuidIntermediate = QStringLiteral("2A1E");
const QString kUuidInterval = QStringLiteral("2A21");
constexpr std::int32_t kException = -1;
const QColor kGrey(105, 105, 105);

std::vector<DisplayPanel::Field> thermometerFields() {
    const QString family = QStringLiteral("Univers 57 Condensed");
    const QFont small = panelFont(family, 7.9, true);
    return {
        {QStringLiteral("Temperature"), QRect(30, 20, 310, 106), panelFont(family, 60, true), kGrey,
         Qt::AlignRight | Qt::AlignVCenter},
        {QStringLiteral("Unit"), QRect(356, 36, 60, 60), panelFont(family, 24, true), Qt::white,
         Qt::AlignCenter},
        {QStringLiteral("Date"), QRect(90, 134, 130, 18), small, kGrey},
        {QStringLiteral("Time"), QRect(290, 134, 130, 18), small, kGrey},
        {QStringLiteral("Type"), QRect(90, 154, 130, 18), small, kGrey},
        {QStringLiteral("Interval"), QRect(290, 154, 130, 18), small, kGrey},
    };
}

// The part of an entry after its code ("0x01: Armpit" shows "Armpit").
QString typeName(const QString& entry) {
    return entry.mid(6);
}

} // namespace

const QStringList& CPageHealthThermometer::typeEntries() {
    static const QStringList entries = {QStringLiteral("0x01: Armpit"),
                                        QStringLiteral("0x02: Body"),
                                        QStringLiteral("0x03: Ear"),
                                        QStringLiteral("0x04: Finger"),
                                        QStringLiteral("0x05: Gastro-intestinal Tract"),
                                        QStringLiteral("0x06: Mouth"),
                                        QStringLiteral("0x07: Rectum"),
                                        QStringLiteral("0x08: Toe"),
                                        QStringLiteral("0x09: Tympanum")};
    return entries;
}

QStringList CPageHealthThermometer::magnitudeEntries() {
    QStringList entries;
    for (int i = 0; i < 128; ++i)
        entries << QStringLiteral("10^%1").arg(i);
    for (int i = -128; i < 0; ++i)
        entries << QStringLiteral("10^(%1)").arg(i);
    return entries;
}

CPageHealthThermometer::CPageHealthThermometer(QWidget* parent)
    : CProfilePage(QStringLiteral("Health Thermometer"), parent) {
    panel_ = new DisplayPanel(QStringLiteral("Thermometer display"), QSize(600, 190),
                              drawThermometer, thermometerFields(), this);

    auto* left = new QGroupBox(this);
    left->setAccessibleName(QStringLiteral("Temperature Type and Measurement Interval"));
    auto* leftGrid = new QGridLayout(left);
    auto* typeLabel = new QLabel(QStringLiteral("Temperature Type"), left);
    leftType_ = listOf(typeEntries(), left);
    typeLabel->setBuddy(leftType_);
    typeButton_ = new QPushButton(QStringLiteral("Temperature Type"), left);
    auto* intervalLabel = new QLabel(QStringLiteral("Measurement Interval "), left);
    interval_ = numberField(left, 0, 65535, kException);
    intervalLabel->setBuddy(interval_);
    updateInterval_ = new QPushButton(QStringLiteral("Update Measurement Interval"), left);
    sendInterval_ = new QPushButton(QStringLiteral("Send Measurement Interval"), left);
    leftGrid->addWidget(typeLabel, 0, 0);
    leftGrid->addWidget(leftType_, 1, 0);
    leftGrid->addWidget(typeButton_, 2, 0);
    leftGrid->addWidget(intervalLabel, 3, 0);
    leftGrid->addWidget(interval_, 4, 0);
    leftGrid->addWidget(updateInterval_, 5, 0);
    leftGrid->addWidget(sendInterval_, 6, 0);
    leftGrid->setRowStretch(7, 1);

    auto* right = new QGroupBox(QStringLiteral("Temperature (Value* Order of magnitude)"), this);
    right->setAccessibleName(right->title());
    auto* grid = new QGridLayout(right);
    auto* unitLabel = new QLabel(QStringLiteral("Unit"), right);
    unit_ = listOf({QStringLiteral("Celsius"), QStringLiteral("Fahrenheit")}, right);
    unitLabel->setBuddy(unit_);
    auto* valueLabel = new QLabel(QStringLiteral("Value"), right);
    value_ = numberField(right, 1, 16777215, kException);
    valueLabel->setBuddy(value_);
    auto* magnitudeLabel = new QLabel(QStringLiteral("Order of magnitude"), right);
    magnitude_ = listOf(magnitudeEntries(), right);
    magnitude_->setMaxVisibleItems(16);
    magnitudeLabel->setBuddy(magnitude_);
    temperatureLine_ = new QLabel(right);
    temperatureLine_->setAccessibleName(QStringLiteral("Temperature"));
    temperatureLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(unitLabel, 0, 0);
    grid->addWidget(unit_, 0, 1);
    grid->addWidget(valueLabel, 1, 0);
    grid->addWidget(value_, 1, 1);
    grid->addWidget(magnitudeLabel, 1, 2);
    grid->addWidget(magnitude_, 1, 3);
    grid->addWidget(temperatureLine_, 2, 1, 1, 3);

    timeBox_ = new QCheckBox(QStringLiteral("Time (yyyy/mm/dd   hr.:min.:sec.)"), right);
    time_.build(right);
    grid->addWidget(timeBox_, 3, 0, 1, 4);
    time_.addTo(grid, 4, 1, {});

    typeBox_ = new QCheckBox(QStringLiteral("Temperature Type"), right);
    type_ = listOf(typeEntries(), right);
    type_->setAccessibleName(typeBox_->text());
    grid->addWidget(typeBox_, 5, 0, 1, 2);
    grid->addWidget(type_, 5, 2, 1, 2);

    sendMeasurement_ = new QPushButton(QStringLiteral("Send Temperature Measurement"), right);
    sendIntermediate_ = new QPushButton(QStringLiteral("Send Intermediate Temperature"), right);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(sendMeasurement_);
    buttons->addWidget(sendIntermediate_);
    buttons->addStretch(1);
    grid->addLayout(buttons, 6, 0, 1, 4);
    grid->setColumnStretch(3, 1);

    auto* groups = new QHBoxLayout;
    groups->addWidget(left);
    groups->addWidget(right, 1);
    auto* page = new QVBoxLayout(this);
    page->addWidget(panel_, 0, Qt::AlignLeft);
    page->addLayout(groups);
    page->addStretch(1);

    // Celsius, the first type in both lists, 10^0.
    unitChanged();

    connect(value_, &QLineEdit::textChanged, this, [this] { showTemperature(false); });
    connect(magnitude_, &QComboBox::currentIndexChanged, this, [this] { showTemperature(true); });
    connect(unit_, &QComboBox::currentIndexChanged, this, &CPageHealthThermometer::unitChanged);
    connect(typeButton_, &QPushButton::clicked, this, [this] {
        const std::uint8_t type[] = {hexCodeOf(leftType_)};
        updateValue(kUuidType, type, QStringLiteral("Update temperature type fail!"));
        panel_->setText(kType, typeName(leftType_->currentText()));
    });
    connect(updateInterval_, &QPushButton::clicked, this, [this] {
        updateValue(kUuidInterval, intervalBytes(),
                    QStringLiteral("Update measurement interval fail!"));
    });
    connect(sendInterval_, &QPushButton::clicked, this, [this] {
        panel_->setText(kInterval, interval_->text());
        sendValue(firstLink(), kUuidInterval, intervalBytes(),
                  QStringLiteral("Send measurement interval fail!"));
    });
    connect(sendMeasurement_, &QPushButton::clicked, this, [this] {
        sendTemperature(kUuidMeasurement, QStringLiteral("Send temperature measurement fail!"));
    });
    connect(sendIntermediate_, &QPushButton::clicked, this, [this] {
        sendTemperature(kUuidIntermediate, QStringLiteral("Send intermediate temperature fail!"));
    });
}

QString CPageHealthThermometer::controlPointHandle() const {
    return characteristicHandle(kUuidInterval);
}

double CPageHealthThermometer::temperature() const {
    // Entry i is the exponent i read as a signed byte.
    const int index = magnitude_->currentIndex();
    const int exponent = index < 128 ? index : index - 256;
    return numberOf(value_) * std::pow(10.0, exponent);
}

void CPageHealthThermometer::showTemperature(bool magnitudeChanged) {
    temperatureLine_->setText(QString::asprintf(
        magnitudeChanged ? "(Temperature =%1f)" : "Temperature = %1f", temperature()));
}

void CPageHealthThermometer::unitChanged() {
    showTemperature(false);
    panel_->setText(kUnit, unit_->currentIndex() == 1 ? QStringLiteral("F") : QStringLiteral("C"));
}

std::vector<std::uint8_t> CPageHealthThermometer::intervalBytes() const {
    return ValueWriter().u16(static_cast<std::uint32_t>(numberOf(interval_))).bytes();
}

void CPageHealthThermometer::sendTemperature(const QString& uuid, const QString& failure) {
    std::uint8_t flags = static_cast<std::uint8_t>(unit_->currentIndex() == 1 ? 0x01 : 0x00);
    if (timeBox_->isChecked())
        flags |= 0x02;
    if (typeBox_->isChecked())
        flags |= 0x04;
    ValueWriter value;
    value.u8(flags);
    value.u24(static_cast<std::uint32_t>(numberOf(value_)));
    value.u8(static_cast<std::uint32_t>(magnitude_->currentIndex()));
    if (timeBox_->isChecked()) {
        value.append(time_.bytes());
        panel_->setText(kDate, QString::asprintf("%d / %d / %d", time_.value(0), time_.value(1),
                                                 time_.value(2)));
        panel_->setText(kTime, QString::asprintf("%d : %d : %d", time_.value(3), time_.value(4),
                                                 time_.value(5)));
    }
    if (typeBox_->isChecked()) {
        value.u8(hexCodeOf(type_));
        panel_->setText(kType, typeName(type_->currentText()));
    }
    panel_->setText(kTemperature, temperatureLine_->text().mid(14).left(4));
    sendValue(firstLink(), uuid, value.bytes(), failure);
}

void CPageHealthThermometer::receive(int kind, const Record& record) {
    if (kind != kKindClientWrite)
        return;
    // A little-endian interval: the bytes last first make the hexadecimal number.
    std::vector<std::uint8_t> v = writtenValue(record);
    std::reverse(v.begin(), v.end());
    const std::uint32_t interval = parseUnsigned(bytesToHex(v.data(), v.size()), 16);
    const QString text = QString::asprintf("%d", static_cast<std::int32_t>(interval));
    interval_->setText(text);
    panel_->setText(kInterval, text);
}
