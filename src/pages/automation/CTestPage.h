#pragma once
// The "Test Page": a nested sheet with the seven test cases. It hands them what the main
// window gives it: the link table, the port state and the send gate.

#include "framework/CPageBase.h"

#include <array>

class QTabWidget;
class CTestCasePage;

namespace nuvex3 {
class TestCaseRun;
}

class CTestPage : public CPageBase {
    Q_OBJECT
public:
    static constexpr int kCases = 7;

    explicit CTestPage(QWidget* parent = nullptr);

    // Their "Start" buttons are usable while the port is open; closing it stops a run.
    void enable(bool on) override;

    // Test case n (1 to 7).
    CTestCasePage& page(int n) { return *cases_[static_cast<std::size_t>(n - 1)]; }
    nuvex3::TestCaseRun& testCase(int n);
    bool anyRunning();
    // Stops every run in progress (the port is closing).
    void stopAll();

    QTabWidget* sheet() const { return sheet_; }

protected:
    void linkTableChanged() override;

private:
    QTabWidget* sheet_ = nullptr;
    std::array<CTestCasePage*, kCases> cases_{};
};
