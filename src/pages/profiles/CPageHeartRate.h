#pragma once

#include "framework/CPageBase.h"

// The "Heart Rate" page. Its controls come with the work that builds this feature.
class CPageHeartRate : public CPageBase {
    Q_OBJECT
public:
    explicit CPageHeartRate(QWidget* parent = nullptr);
};
