#pragma once

#include "pages/profiles/CProfilePage.h"

// The "Blood Pressure" page. Its controls come with the work that builds this feature.
class CPageBloodPressure : public CProfilePage {
    Q_OBJECT
public:
    explicit CPageBloodPressure(QWidget* parent = nullptr);
};
