#pragma once
// The "Glucose Measurement" sub-page of the glucose page: one Glucose Measurement record
// composed in its form and sent to the first connected peer.

#include "pages/profiles/CProfilePage.h"
#include "pages/profiles/GlucoseRecordForm.h"

class QPushButton;

class CPageGlucoseMeasurement : public CProfilePage {
    Q_OBJECT
public:
    explicit CPageGlucoseMeasurement(CPageBase* host, QWidget* parent = nullptr);

    nuvex3::profiles::GlucoseRecordForm* form() const { return form_; }
    QPushButton* sendButton() const { return send_; }

signals:
    // A record was sent (or tried): the host's display shows it.
    void measurementSent(const nuvex3::profiles::GlucoseReading& reading);

private:
    void send();

    nuvex3::profiles::GlucoseRecordForm* form_ = nullptr;
    QPushButton* send_ = nullptr;
};
