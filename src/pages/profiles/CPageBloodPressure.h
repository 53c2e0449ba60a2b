#pragma once

#include "framework/CPageBase.h"

// The "Blood Pressure" page. Its controls come with the work that builds this feature.
class CPageBloodPressure : public CPageBase {
    Q_OBJECT
public:
    explicit CPageBloodPressure(QWidget* parent = nullptr);
};
