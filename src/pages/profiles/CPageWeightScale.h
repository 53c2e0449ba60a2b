#pragma once

#include "framework/CPageBase.h"

// The "Weight Scale" page. Its controls come with the work that builds this feature.
class CPageWeightScale : public CPageBase {
    Q_OBJECT
public:
    explicit CPageWeightScale(QWidget* parent = nullptr);
};
