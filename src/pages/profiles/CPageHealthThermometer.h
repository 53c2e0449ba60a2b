#pragma once

#include "pages/profiles/CProfilePage.h"

// The "Health Thermometer" page. Its controls come with the work that builds this feature.
class CPageHealthThermometer : public CProfilePage {
    Q_OBJECT
public:
    explicit CPageHealthThermometer(QWidget* parent = nullptr);
};
