#pragma once

#include "framework/CPageBase.h"

// The "Test Page" page. Its controls come with the work that builds this feature.
class CTestPage : public CPageBase {
    Q_OBJECT
public:
    explicit CTestPage(QWidget* parent = nullptr);
};
