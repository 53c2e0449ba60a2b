#pragma once

#include "framework/CPageBase.h"

// The "Corvane" page. Its controls come with the work that builds this feature.
class CPageDemoCorvane : public CPageBase {
    Q_OBJECT
public:
    explicit CPageDemoCorvane(QWidget* parent = nullptr);
};
