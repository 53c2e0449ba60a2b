#pragma once
// The "BLE SDK Auto Test - Master" test case: the fixed counterpart of the auto test: scan,
// connect, pair with the pass key, list the services, update the parameters, keep the link,
// disconnect, shut down and wake, then again with the bond, and erase the bonds.

#include "pages/automation/CTestCasePage.h"

class CTestCase7 : public CTestCasePage {
    Q_OBJECT
public:
    explicit CTestCase7(QWidget* parent = nullptr);
};
