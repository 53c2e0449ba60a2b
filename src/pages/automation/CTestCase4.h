#pragma once
// The "eFlash R/W Test- Peripheral Role" test case: the module advertises, a central pairs
// with it, it is shut down and woken with the bond kept, and erases its bonds.

#include "pages/automation/CTestCasePage.h"

class CTestCase4 : public CTestCasePage {
    Q_OBJECT
public:
    explicit CTestCase4(QWidget* parent = nullptr);
};
