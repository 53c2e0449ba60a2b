#pragma once
// The "Wakeup Test - Slave" test case: the module as a peripheral is shut down, woken,
// advertises, is connected by a central and disconnects.

#include "pages/automation/CTestCasePage.h"

class CTestCase1 : public CTestCasePage {
    Q_OBJECT
public:
    explicit CTestCase1(QWidget* parent = nullptr);
};
