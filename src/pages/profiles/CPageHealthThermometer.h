#pragma once

#include "framework/CPageBase.h"

// The "Health Thermometer" page. Its controls come with the work that builds this feature.
class CPageHealthThermometer : public CPageBase {
    Q_OBJECT
public:
    explicit CPageHealthThermometer(QWidget* parent = nullptr);
};
