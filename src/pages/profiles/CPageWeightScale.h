#pragma once

#include "pages/profiles/CProfilePage.h"

// The "Weight Scale" page. Its controls come with the work that builds this feature.
class CPageWeightScale : public CProfilePage {
    Q_OBJECT
public:
    explicit CPageWeightScale(QWidget* parent = nullptr);
};
