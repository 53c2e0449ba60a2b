#include "pages/profiles/CPageGlucoseFeature.h"

#include "pages/profiles/ProfileFields.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace nuvex3::profiles;

const QStringList& CPageGlucoseFeature::featureNames() {
    static const QStringList names = {QStringLiteral("Low Battery Detection"),
                                      QStringLiteral("Sensor Malfunction Detection"),
                                      QStringLiteral("Sensor Sample Size"),
                                      QStringLiteral("Sensor Strip Insertion Detection"),
                                      QStringLiteral("Sensor Strip Type Detection"),
                                      QStringLiteral("Sensor Result Detection"),
                                      QStringLiteral("Sensor Temperature Detection "),
                                      QStringLiteral("Sensor Read Interrupt Detection"),
                                      QStringLiteral("General Device Fault"),
                                      QStringLiteral("Time Fault"),
                                      QStringLiteral("Multiple Bond")};
    return names;
}

CPageGlucoseFeature::CPageGlucoseFeature(CPageBase* host, QWidget* parent)
    : CProfilePage(QStringLiteral("Glucose Feature"), parent, host) {
    auto* grid = new QGridLayout;
    for (std::size_t i = 0; i < features_.size(); ++i) {
        auto* label = new QLabel(featureNames()[static_cast<int>(i)], this);
        features_[i] = listOf({QStringLiteral("not supported"), QStringLiteral("supported")}, this);
        label->setBuddy(features_[i]);
        const int row = static_cast<int>(i) % 6;
        const int column = static_cast<int>(i) / 6 * 2;
        grid->addWidget(label, row, column);
        grid->addWidget(features_[i], row, column + 1);
    }
    grid->setColumnStretch(4, 1);
    update_ = new QPushButton(QStringLiteral("Update Glucose Feature"), this);
    grid->addWidget(update_, 6, 0, 1, 2);
    auto* page = new QVBoxLayout(this);
    page->addLayout(grid);
    page->addStretch(1);

    connect(update_, &QPushButton::clicked, this, [this] {
        std::uint32_t bits = 0;
        for (std::size_t i = 0; i < features_.size(); ++i)
            bits |= static_cast<std::uint32_t>(features_[i]->currentIndex()) << i;
        updateValue(QStringLiteral("2A51"), ValueWriter().u16(bits).bytes(),
                    QStringLiteral("Update glucose feature fail!"));
    });
}
