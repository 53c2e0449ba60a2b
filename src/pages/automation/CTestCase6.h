#pragma once
// The "BLE SDK Auto Test - Slave" test case: two connect and disconnect cycles of a
// peripheral, with shutdown and wake-up between them.

#include "pages/automation/CTestCasePage.h"

class CTestCase6 : public CTestCasePage {
    Q_OBJECT
public:
    explicit CTestCase6(QWidget* parent = nullptr);
};
