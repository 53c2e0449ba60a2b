#include "pages/profiles/GlucoseRecordForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace nuvex3::profiles {

namespace {

const QString kMassUnit = QStringLiteral("Concentration Unit : kg/L");
const QString kMolarUnit = QStringLiteral("Concentration Unit : mol/L");

QLabel* buddyLabel(const QString& text, QWidget* field, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(field);
    return label;
}

} // namespace

QString entryName(const QString& entry) {
    const int colon = entry.indexOf(QLatin1Char(':'));
    return colon < 0 ? entry : entry.mid(colon + 1).trimmed();
}

const QStringList& GlucoseRecordForm::typeEntries() {
    static const QStringList entries = {
        QStringLiteral("1: Capillary Whole blood"),    QStringLiteral("2: Capillary Plasma"),
        QStringLiteral("3: Venous Whole blood"),       QStringLiteral("4: Venous Plasma"),
        QStringLiteral("5: Arterial Whole blood"),     QStringLiteral("6: Arterial Plasma"),
        QStringLiteral("7: Undetermined Whole blood"), QStringLiteral("8: Undetermined Plasma"),
        QStringLiteral("9: Interstitial Fluid (ISF)"), QStringLiteral("10: Control Solution")};
    return entries;
}

const QStringList& GlucoseRecordForm::locationEntries() {
    static const QStringList entries = {
        QStringLiteral("1: Finger"), QStringLiteral("2: Alternate Site Test (AST)"),
        QStringLiteral("3: Earlobe"), QStringLiteral("4: Control solution"),
        QStringLiteral("15: Sample Location value not available")};
    return entries;
}

const QStringList& GlucoseRecordForm::annunciationNames() {
    static const QStringList names = {
        QStringLiteral("Device battery low"),
        QStringLiteral("Sensor malfunction or faulting"),
        QStringLiteral("Sample size for blood or control solution insufficient"),
        QStringLiteral("Strip insertion error"),
        QStringLiteral("Strip type incorrect for device"),
        QStringLiteral("Sensor result higher than the device can process"),
        QStringLiteral("Sensor result lower than the device can process"),
        QStringLiteral("Sensor temperature too high for valid test/result"),
        QStringLiteral("Sensor temperature too low for valid test/result"),
        QStringLiteral("Sensor read interrupted because strip was pulled too soon"),
        QStringLiteral("General device fault has occurred in the sensor"),
        QStringLiteral("Time fault has occurred and time may be inaccurate")};
    return names;
}

GlucoseRecordForm::GlucoseRecordForm(QWidget* parent) : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);

    sequence_ = numberField(this, 0, 65535);
    grid->addWidget(buddyLabel(QStringLiteral("Sequence Number (0~65535)"), sequence_, this), 0, 0);
    grid->addWidget(sequence_, 0, 1);

    time_.build(this, &calendarRanges(0));
    time_.addTo(grid, 1, 0, QStringLiteral("Time (yyyy/mm/dd hr:min:sec)"));

    offsetBox_ = new QCheckBox(QStringLiteral("Time Offset"), this);
    offset_ = numberField(this, 0, 65535);
    offset_->setAccessibleName(offsetBox_->text());
    grid->addWidget(offsetBox_, 2, 0);
    grid->addWidget(offset_, 2, 1);

    glucoseBox_ = new QCheckBox(QStringLiteral("Glucose"), this);
    type_ = listOf(typeEntries(), this);
    location_ = listOf(locationEntries(), this);
    concentration_ = numberField(this, 0, 2045);
    multiplier_ = listOf(sfloatMultipliers(), this);
    multiplier_->setAccessibleName(QStringLiteral("Concentration multiplier"));
    unitBox_ = new QCheckBox(kMassUnit, this);
    grid->addWidget(glucoseBox_, 3, 0);
    auto* kind = new QHBoxLayout;
    kind->addWidget(buddyLabel(QStringLiteral("Type"), type_, this));
    kind->addWidget(type_);
    kind->addStretch(1);
    grid->addLayout(kind, 3, 1, 1, 2);
    auto* site = new QHBoxLayout;
    site->addWidget(buddyLabel(QStringLiteral("Sample Location"), location_, this));
    site->addWidget(location_);
    site->addStretch(1);
    grid->addLayout(site, 4, 1, 1, 2);
    auto* amount = new QHBoxLayout;
    amount->addWidget(buddyLabel(QStringLiteral("Concentration Value"), concentration_, this));
    amount->addWidget(concentration_);
    amount->addWidget(new QLabel(QStringLiteral("x"), this));
    amount->addWidget(multiplier_);
    amount->addWidget(unitBox_);
    amount->addStretch(1);
    grid->addLayout(amount, 5, 1, 1, 2);

    // Present but not offered: no context record follows a measurement sent from here.
    contextBox_ = new QCheckBox(QStringLiteral("Context Information Follows"), this);
    contextBox_->hide();

    statusBox_ = new QCheckBox(QStringLiteral("Sensor Status Annunciation"), this);
    grid->addWidget(statusBox_, 6, 0, 1, 3);
    auto* boxes = new QGridLayout;
    boxes->setContentsMargins(20, 0, 0, 0);
    boxes->setVerticalSpacing(2);
    for (std::size_t i = 0; i < annunciations_.size(); ++i) {
        annunciations_[i] = new QCheckBox(annunciationNames()[static_cast<int>(i)], this);
        boxes->addWidget(annunciations_[i], static_cast<int>(i) / 2, static_cast<int>(i % 2));
    }
    grid->addLayout(boxes, 7, 0, 1, 3);
    grid->setColumnStretch(2, 1);

    glucoseToggled(false);
    offset_->setEnabled(false);
    for (QCheckBox* b : annunciations_)
        b->setEnabled(false);
    connect(glucoseBox_, &QCheckBox::toggled, this, &GlucoseRecordForm::glucoseToggled);
    connect(offsetBox_, &QCheckBox::toggled, offset_, &QLineEdit::setEnabled);
    connect(statusBox_, &QCheckBox::toggled, this, [this](bool on) {
        for (QCheckBox* b : annunciations_)
            b->setEnabled(on);
    });
    connect(unitBox_, &QCheckBox::toggled, this,
            [this](bool molar) { unitBox_->setText(molar ? kMolarUnit : kMassUnit); });
}

void GlucoseRecordForm::glucoseToggled(bool on) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{type_, location_, concentration_, multiplier_, unitBox_})
        w->setEnabled(on);
}

std::vector<std::uint8_t> GlucoseRecordForm::value() const {
    std::uint8_t flags = 0;
    if (offsetBox_->isChecked())
        flags |= 0x01;
    if (glucoseBox_->isChecked())
        flags |= 0x02;
    if (unitBox_->isChecked())
        flags |= 0x04;
    if (statusBox_->isChecked())
        flags |= 0x08;
    if (contextBox_->isChecked())
        flags |= 0x10;
    ValueWriter v;
    v.u8(flags).u16(static_cast<std::uint32_t>(numberOf(sequence_)));
    v.append(time_.bytes());
    if (offsetBox_->isChecked())
        v.u16(static_cast<std::uint32_t>(numberOf(offset_)));
    if (glucoseBox_->isChecked()) {
        v.u16(sfloat(numberOf(concentration_), multiplier_->currentIndex()));
        const int type = leadingNumber(type_->currentText());
        const int location = leadingNumber(location_->currentText());
        v.u8(static_cast<std::uint32_t>((type & 0x0F) | (location & 0x0F) << 4));
    }
    if (statusBox_->isChecked()) {
        std::uint32_t bits = 0;
        for (std::size_t i = 0; i < annunciations_.size(); ++i)
            if (annunciations_[i]->isChecked())
                bits |= 1u << i;
        v.u16(bits);
    }
    return v.bytes();
}

GlucoseReading GlucoseRecordForm::reading(int decimals) const {
    // The base time plus the offset in minutes, carried into hours and days (not months).
    int minutes = time_.value(4);
    int hours = time_.value(3);
    int day = time_.value(2);
    if (offsetBox_->isChecked()) {
        minutes += numberOf(offset_);
        hours += minutes / 60;
        minutes %= 60;
        day += hours / 24;
        hours %= 24;
    }
    GlucoseReading r;
    r.sequence = QString::number(numberOf(sequence_));
    r.date = QString::asprintf("%d / %d / %d", time_.value(0), time_.value(1), day);
    r.time = QString::asprintf("%d : %d : %d", hours, minutes, time_.value(5));
    if (glucoseBox_->isChecked()) {
        const double amount =
            numberOf(concentration_) * sfloatMultiplier(multiplier_->currentIndex());
        r.concentration =
            QString::asprintf("%.*f ", decimals, amount) +
            (unitBox_->isChecked() ? QStringLiteral("mol/L") : QStringLiteral("kg/L"));
        r.type = entryName(type_->currentText());
        r.location = entryName(location_->currentText());
    }
    return r;
}

} // namespace nuvex3::profiles
