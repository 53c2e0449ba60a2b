#pragma once

#include "framework/CPageBase.h"

// The "Auto Test" page. Its controls come with the work that builds this feature.
class CPageAutoTest : public CPageBase {
    Q_OBJECT
public:
    explicit CPageAutoTest(QWidget* parent = nullptr);
};
