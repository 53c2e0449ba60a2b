#pragma once
// The "Update Connection Interval Test" test case: a connected module asks for four
// connection intervals in turn.

#include "pages/automation/CTestCasePage.h"

class CTestCase5 : public CTestCasePage {
    Q_OBJECT
public:
    explicit CTestCase5(QWidget* parent = nullptr);
};
