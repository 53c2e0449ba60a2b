#pragma once

#include "framework/CPageBase.h"

// The "Air Patch" page. Its controls come with the work that builds this feature.
class CPageAirPatch : public CPageBase {
    Q_OBJECT
public:
    explicit CPageAirPatch(QWidget* parent = nullptr);
};
