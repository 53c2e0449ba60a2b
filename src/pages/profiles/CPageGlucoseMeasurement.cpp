#include "pages/profiles/CPageGlucoseMeasurement.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using namespace nuvex3::profiles;

CPageGlucoseMeasurement::CPageGlucoseMeasurement(CPageBase* host, QWidget* parent)
    : CProfilePage(QStringLiteral("Glucose Measurement"), parent, host) {
    form_ = new GlucoseRecordForm(this);
    send_ = new QPushButton(QStringLiteral("Send Glucose Measurement"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(send_);
    buttons->addStretch(1);
    auto* page = new QVBoxLayout(this);
    page->addWidget(form_);
    page->addLayout(buttons);
    page->addStretch(1);
    connect(send_, &QPushButton::clicked, this, &CPageGlucoseMeasurement::send);
}

void CPageGlucoseMeasurement::send() {
    sendValue(firstLink(), QStringLiteral("2A18"), form_->value(),
              QStringLiteral("Send glucose measurement context fail!"));
    emit measurementSent(form_->reading(3));
}
