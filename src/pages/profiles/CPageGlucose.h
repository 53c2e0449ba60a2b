#pragma once

#include "framework/CPageBase.h"

// The "Glucose" page. Its controls come with the work that builds this feature.
class CPageGlucose : public CPageBase {
    Q_OBJECT
public:
    explicit CPageGlucose(QWidget* parent = nullptr);
};
