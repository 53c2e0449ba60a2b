#include "pages/automation/CPageAutoTest.h"

CPageAutoTest::CPageAutoTest(QWidget* parent) : CPageBase(QStringLiteral("Auto Test"), parent) {}
