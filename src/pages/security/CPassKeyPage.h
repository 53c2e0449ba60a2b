#pragma once

#include "framework/CPageBase.h"

// The "Pass Key Page" page. Its controls come with the work that builds this feature.
class CPassKeyPage : public CPageBase {
    Q_OBJECT
public:
    explicit CPassKeyPage(QWidget* parent = nullptr);
};
