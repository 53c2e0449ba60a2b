#include "pages/profiles/CPageGlucose.h"

#include "pages/profiles/CPageGlucoseFeature.h"
#include "pages/profiles/CPageGlucoseMeasurement.h"
#include "pages/profiles/CPageGlucoseMeasurementContext.h"
#include "pages/profiles/CPageGlucoseRecordAccessControlPoint.h"
#include "pages/profiles/DisplayPanel.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace nuvex3::profiles;

namespace {

const QColor kGrey(105, 105, 105);
constexpr int kSubPageMinimumHeight = 200;

std::vector<DisplayPanel::Field> meterFields() {
    const QString family = QStringLiteral("Univers 57 Condensed");
    const QFont small = panelFont(family, 9, true);
    return {
        {QStringLiteral("Sequence number"), QRect(70, 22, 100, 18), small, kGrey},
        {QStringLiteral("Date"), QRect(250, 22, 180, 18), small, kGrey,
         Qt::AlignRight | Qt::AlignVCenter},
        {QStringLiteral("Time"), QRect(250, 42, 180, 18), small, kGrey,
         Qt::AlignRight | Qt::AlignVCenter},
        {QStringLiteral("Concentration"), QRect(30, 56, 400, 66), panelFont(family, 30, true),
         kGrey, Qt::AlignRight | Qt::AlignVCenter},
        {QStringLiteral("Type"), QRect(100, 128, 330, 18), small, kGrey},
        {QStringLiteral("Sample location"), QRect(100, 148, 330, 18), small, kGrey},
    };
}

} // namespace

CPageGlucose::CPageGlucose(QWidget* parent) : CProfilePage(QStringLiteral("Glucose"), parent) {
    panel_ = new DisplayPanel(QStringLiteral("Glucose meter display"), QSize(600, 180),
                              drawGlucoseMeter, meterFields(), this);
    sheet_ = new QTabWidget(this);
    sheet_->setAccessibleName(QStringLiteral("Glucose pages"));
    measurement_ = new CPageGlucoseMeasurement(this);
    context_ = new CPageGlucoseMeasurementContext(this);
    feature_ = new CPageGlucoseFeature(this);
    recordAccess_ = new CPageGlucoseRecordAccessControlPoint(this);
    // Each sub-page scrolls on its own, so that the page fits a laptop screen beside the
    // main window's left column with the meter's display in view.
    for (CPageBase* page :
         std::initializer_list<CPageBase*>{measurement_, context_, feature_, recordAccess_}) {
        auto* area = new QScrollArea(sheet_);
        area->setFrameShape(QFrame::NoFrame);
        area->setWidgetResizable(true);
        area->setWidget(page);
        area->setMinimumHeight(kSubPageMinimumHeight);
        area->setMinimumWidth(page->minimumSizeHint().width() +
                              area->verticalScrollBar()->sizeHint().width());
        sheet_->addTab(area, page->caption());
    }
    sheet_->setCurrentIndex(0);

    auto* page = new QVBoxLayout(this);
    page->addWidget(panel_, 0, Qt::AlignLeft);
    page->addWidget(sheet_);
    page->addStretch(1);

    connect(measurement_, &CPageGlucoseMeasurement::measurementSent, this,
            &CPageGlucose::showReading);
    connect(recordAccess_, &CPageGlucoseRecordAccessControlPoint::measurementSent, this,
            &CPageGlucose::showReading);
}

void CPageGlucose::characteristicFound(const QString& uuid, const QString& valueHandle) {
    CProfilePage::characteristicFound(uuid, valueHandle);
    for (CProfilePage* page :
         std::initializer_list<CProfilePage*>{measurement_, context_, feature_, recordAccess_})
        page->characteristicFound(uuid, valueHandle);
}

QString CPageGlucose::controlPointHandle() const {
    return recordAccess_->characteristicHandle(QStringLiteral("2A52"));
}

void CPageGlucose::receive(int kind, const nuvex3::Record& record) {
    if (kind != nuvex3::kKindClientWrite)
        return;
    recordAccess_->receive(kind, record);
    showSubPage(*recordAccess_);
}

void CPageGlucose::showSubPage(CPageBase& page) {
    for (int i = 0; i < sheet_->count(); ++i)
        if (static_cast<QScrollArea*>(sheet_->widget(i))->widget() == &page)
            sheet_->setCurrentIndex(i);
}

CPageBase* CPageGlucose::currentSubPage() const {
    return static_cast<CPageBase*>(static_cast<QScrollArea*>(sheet_->currentWidget())->widget());
}

void CPageGlucose::showReading(const GlucoseReading& reading) {
    panel_->setText(kSequence, reading.sequence);
    panel_->setText(kDate, reading.date);
    panel_->setText(kTime, reading.time);
    panel_->setText(kConcentration, reading.concentration);
    panel_->setText(kType, reading.type);
    panel_->setText(kLocation, reading.location);
}
