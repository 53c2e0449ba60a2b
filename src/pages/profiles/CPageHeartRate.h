#pragma once

#include "pages/profiles/CProfilePage.h"

// The "Heart Rate" page. Its controls come with the work that builds this feature.
class CPageHeartRate : public CProfilePage {
    Q_OBJECT
public:
    explicit CPageHeartRate(QWidget* parent = nullptr);
};
