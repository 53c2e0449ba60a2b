#include "pages/profiles/CPageGlucoseMeasurementContext.h"

#include "pages/profiles/ProfileFields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace nuvex3::profiles;

namespace {

const QString kUuidContext = QStringLiteral("2A34");
const QString kKilo = QStringLiteral("Medication Unit : kilo");
const QString kLiters = QStringLiteral("Medication Unit : liters");

QLabel* buddyLabel(const QString& text, QWidget* field, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(field);
    return label;
}

} // namespace

CPageGlucoseMeasurementContext::CPageGlucoseMeasurementContext(CPageBase* host, QWidget* parent)
    : CProfilePage(QStringLiteral(" Glucose Measurement Context"), parent, host) {
    auto* grid = new QGridLayout;
    int row = 0;
    // A box, then its fields in one row.
    auto addRow = [&](QCheckBox* box, std::initializer_list<QWidget*> fields) {
        grid->addWidget(box, row, 0);
        auto* line = new QHBoxLayout;
        for (QWidget* w : fields)
            line->addWidget(w);
        line->addStretch(1);
        grid->addLayout(line, row, 1);
        ++row;
    };
    auto amount = [this](const QString& name) {
        Amount a{numberField(this, 0, 2045), listOf(sfloatMultipliers(), this)};
        a.mantissa->setAccessibleName(name);
        a.multiplier->setAccessibleName(name + QStringLiteral(" multiplier"));
        return a;
    };

    sequence_ = numberField(this, 0, 65535);
    grid->addWidget(buddyLabel(QStringLiteral("Sequence Number (0~65535)"), sequence_, this), row,
                    0);
    grid->addWidget(sequence_, row++, 1, Qt::AlignLeft);

    carbohydrateBox_ = new QCheckBox(QStringLiteral("Carbohydrate"), this);
    carbohydrate_ =
        listOf({QStringLiteral("1: Breakfast"), QStringLiteral("2: Lunch"),
                QStringLiteral("3: Dinner"), QStringLiteral("4: Snack"), QStringLiteral("5: Drink"),
                QStringLiteral("6: Supper"), QStringLiteral("7: Brunch")},
               this);
    carbohydrate_->setAccessibleName(QStringLiteral("Carbohydrate ID"));
    carbohydrateAmount_ = amount(QStringLiteral("Carbohydrate"));
    addRow(carbohydrateBox_, {carbohydrate_, carbohydrateAmount_.mantissa, new QLabel("x", this),
                              carbohydrateAmount_.multiplier});

    mealBox_ = new QCheckBox(QStringLiteral("Meal"), this);
    meal_ =
        listOf({QStringLiteral("1: Preprandial (before meal)"),
                QStringLiteral("2: Postprandial (after meal)"), QStringLiteral("3: Fasting"),
                QStringLiteral("4: Casual (snacks, drinks, etc.)"), QStringLiteral("5: Bedtime")},
               this);
    meal_->setAccessibleName(mealBox_->text());
    addRow(mealBox_, {meal_});

    testerHealthBox_ = new QCheckBox(QStringLiteral("Tester-Health"), this);
    tester_ =
        listOf({QStringLiteral("1: Self"), QStringLiteral("2: Health Care Professional"),
                QStringLiteral("3: Lab test"), QStringLiteral("15: Tester value not available")},
               this);
    tester_->setAccessibleName(QStringLiteral("Tester"));
    health_ = listOf({QStringLiteral("1: Minor health issues"),
                      QStringLiteral("2: Major health issues"), QStringLiteral("3: During menses"),
                      QStringLiteral("4: Under stress"), QStringLiteral("5: No health issues"),
                      QStringLiteral("15: Health value not available")},
                     this);
    health_->setAccessibleName(QStringLiteral("Health"));
    addRow(testerHealthBox_, {tester_, health_});

    exerciseBox_ = new QCheckBox(QStringLiteral("Exercise"), this);
    duration_ = numberField(this, 0, 65535);
    intensity_ = numberField(this, 0, 255);
    addRow(exerciseBox_,
           {buddyLabel(QStringLiteral("Duration (0~65535)"), duration_, this), duration_,
            buddyLabel(QStringLiteral("Intensity (0~255)"), intensity_, this), intensity_});

    medicationBox_ = new QCheckBox(QStringLiteral("Medication"), this);
    medication_ = listOf(
        {QStringLiteral("1: Rapid acting insulin"), QStringLiteral("2: Short acting insulin"),
         QStringLiteral("3: Intermediate acting insulin"), QStringLiteral("4: Long acting insulin"),
         QStringLiteral("5: Pre-mixed insulin")},
        this);
    medication_->setAccessibleName(QStringLiteral("Medication ID"));
    medicationAmount_ = amount(QStringLiteral("Medication"));
    medicationUnitBox_ = new QCheckBox(kKilo, this);
    addRow(medicationBox_, {medication_, medicationAmount_.mantissa, new QLabel("x", this),
                            medicationAmount_.multiplier, medicationUnitBox_});

    hba1cBox_ = new QCheckBox(QStringLiteral("HbA1c"), this);
    hba1cAmount_ = amount(QStringLiteral("HbA1c"));
    addRow(hba1cBox_, {hba1cAmount_.mantissa, new QLabel("x", this), hba1cAmount_.multiplier});

    send_ = new QPushButton(QStringLiteral("Glucose Measurement Context"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(send_);
    buttons->addStretch(1);
    auto* page = new QVBoxLayout(this);
    page->addLayout(grid);
    page->addLayout(buttons);
    page->addStretch(1);

    connect(medicationUnitBox_, &QCheckBox::toggled, this,
            [this](bool liters) { medicationUnitBox_->setText(liters ? kLiters : kKilo); });
    connect(send_, &QPushButton::clicked, this, [this] {
        sendValue(firstLink(), kUuidContext, value(),
                  QStringLiteral("Send glucose measurement context fail!"));
    });
}

std::vector<std::uint8_t> CPageGlucoseMeasurementContext::value() const {
    auto sfloatOf = [](const Amount& a) {
        return sfloat(numberOf(a.mantissa), a.multiplier->currentIndex());
    };
    std::uint8_t flags = 0;
    const QCheckBox* boxes[] = {carbohydrateBox_, mealBox_,       testerHealthBox_,
                                exerciseBox_,     medicationBox_, medicationUnitBox_,
                                hba1cBox_};
    for (std::size_t i = 0; i < std::size(boxes); ++i)
        if (boxes[i]->isChecked())
            flags |= static_cast<std::uint8_t>(1u << i);
    ValueWriter v;
    v.u8(flags).u16(static_cast<std::uint32_t>(numberOf(sequence_)));
    if (carbohydrateBox_->isChecked())
        v.u8(static_cast<std::uint32_t>(leadingNumber(carbohydrate_->currentText())))
            .u16(sfloatOf(carbohydrateAmount_));
    if (mealBox_->isChecked())
        v.u8(static_cast<std::uint32_t>(leadingNumber(meal_->currentText())));
    if (testerHealthBox_->isChecked())
        v.u8(static_cast<std::uint32_t>((leadingNumber(tester_->currentText()) & 0x0F) |
                                        (leadingNumber(health_->currentText()) & 0x0F) << 4));
    if (exerciseBox_->isChecked())
        v.u16(static_cast<std::uint32_t>(numberOf(duration_)))
            .u8(static_cast<std::uint32_t>(numberOf(intensity_)));
    if (medicationBox_->isChecked())
        v.u8(static_cast<std::uint32_t>(leadingNumber(medication_->currentText())))
            .u16(sfloatOf(medicationAmount_));
    if (hba1cBox_->isChecked())
        v.u16(sfloatOf(hba1cAmount_));
    return v.bytes();
}
