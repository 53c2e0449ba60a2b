#pragma once
// The "Glucose" page: a panel imitating a glucose meter's display and, below it, a nested
// sheet of four sub-pages: "Glucose Measurement", " Glucose Measurement Context",
// "Glucose Feature" and "Record Access Control Point". The host hands each characteristic
// handle to the sub-pages that use it, and a write to the Record Access Control Point to
// its sub-page; the sub-pages send through the host's command layer to its links.

#include "pages/profiles/CProfilePage.h"
#include "pages/profiles/GlucoseRecordForm.h"

class CPageGlucoseFeature;
class CPageGlucoseMeasurement;
class CPageGlucoseMeasurementContext;
class CPageGlucoseRecordAccessControlPoint;
class QTabWidget;

namespace nuvex3::profiles {
class DisplayPanel;
}

class CPageGlucose : public CProfilePage {
    Q_OBJECT
public:
    // The display panel's texts.
    enum Display { kSequence, kDate, kTime, kConcentration, kType, kLocation };

    explicit CPageGlucose(QWidget* parent = nullptr);

    void characteristicFound(const QString& uuid, const QString& valueHandle) override;
    QString controlPointHandle() const override;
    // Kind 23: a record access request, shown on its sub-page.
    void receive(int kind, const nuvex3::Record& record) override;

    CPageGlucoseMeasurement& measurement() const { return *measurement_; }
    CPageGlucoseMeasurementContext& context() const { return *context_; }
    CPageGlucoseFeature& feature() const { return *feature_; }
    CPageGlucoseRecordAccessControlPoint& recordAccess() const { return *recordAccess_; }
    QTabWidget* subSheet() const { return sheet_; }
    // Makes `page` the current sub-page; the sub-page shown.
    void showSubPage(CPageBase& page);
    CPageBase* currentSubPage() const;
    nuvex3::profiles::DisplayPanel* panel() const { return panel_; }

private:
    void showReading(const nuvex3::profiles::GlucoseReading& reading);

    nuvex3::profiles::DisplayPanel* panel_ = nullptr;
    QTabWidget* sheet_ = nullptr;
    CPageGlucoseMeasurement* measurement_ = nullptr;
    CPageGlucoseMeasurementContext* context_ = nullptr;
    CPageGlucoseFeature* feature_ = nullptr;
    CPageGlucoseRecordAccessControlPoint* recordAccess_ = nullptr;
};
