#pragma once
// The "eFlash R/W Test - Central Role" test case: the module connects to the peer, types
// the pass key, is shut down and woken with the bond kept, and erases its bonds.

#include "pages/automation/CTestCasePage.h"

class CTestCase3 : public CTestCasePage {
    Q_OBJECT
public:
    explicit CTestCase3(QWidget* parent = nullptr);
};
