#include "pages/automation/CTestPage.h"

CTestPage::CTestPage(QWidget* parent) : CPageBase(QStringLiteral("Test Page"), parent) {}
