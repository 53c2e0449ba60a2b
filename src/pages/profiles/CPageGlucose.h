#pragma once

#include "pages/profiles/CProfilePage.h"

// The "Glucose" page. Its controls come with the work that builds this feature.
class CPageGlucose : public CProfilePage {
    Q_OBJECT
public:
    explicit CPageGlucose(QWidget* parent = nullptr);
};
