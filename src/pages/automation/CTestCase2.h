#pragma once
// The "Wakeup Test - Master" test case: the module connects to the peer at "Address :" and
// waits until the peer ends the link.

#include "pages/automation/CTestCasePage.h"

class CTestCase2 : public CTestCasePage {
    Q_OBJECT
public:
    explicit CTestCase2(QWidget* parent = nullptr);
};
