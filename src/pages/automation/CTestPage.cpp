#include "pages/automation/CTestPage.h"

#include "framework/MainWindow.h"
#include "pages/automation/CTestCase1.h"
#include "pages/automation/CTestCase2.h"
#include "pages/automation/CTestCase3.h"
#include "pages/automation/CTestCase4.h"
#include "pages/automation/CTestCase5.h"
#include "pages/automation/CTestCase6.h"
#include "pages/automation/CTestCase7.h"

#include <QTabWidget>
#include <QVBoxLayout>

using namespace nuvex3;

CTestPage::CTestPage(QWidget* parent) : CPageBase(QStringLiteral("Test Page"), parent) {
    sheet_ = new QTabWidget(this);
    sheet_->setAccessibleName(QStringLiteral("Test cases"));
    cases_ = {new CTestCase1, new CTestCase2, new CTestCase3, new CTestCase4,
              new CTestCase5, new CTestCase6, new CTestCase7};
    for (CTestCasePage* c : cases_)
        sheet_->addTab(c, c->caption());
    // Every page is built before it is first shown; the first one is in front.
    for (int i = kCases - 1; i >= 0; --i)
        sheet_->setCurrentIndex(i);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(sheet_);
}

TestCaseRun& CTestPage::testCase(int n) {
    return page(n).run();
}

bool CTestPage::anyRunning() {
    for (CTestCasePage* c : cases_)
        if (c->run().running())
            return true;
    return false;
}

void CTestPage::enable(bool on) {
    SendGate* gate = mainWindow() ? &mainWindow()->sendGate() : nullptr;
    for (CTestCasePage* c : cases_) {
        c->setGate(gate);
        if (!on)
            c->run().stop();
        c->enable(on);
    }
}

void CTestPage::stopAll() {
    for (CTestCasePage* c : cases_)
        c->run().stop();
}

void CTestPage::linkTableChanged() {
    for (CTestCasePage* c : cases_)
        c->run().setHandles(linkTable());
}
