// The routing of the automated runs: the auto test and the seven test cases get the
// events they wait for (status reports, advertising reports of their peer, the Command
// Completes that answer their steps, pairing events, disconnections, services found), and
// take over the message boxes of the events they handle while they run.

#include "app/EventRouter.h"

#include "app/PageSet.h"
#include "pages/automation/CTestCasePage.h"

namespace nuvex3 {

namespace {

constexpr std::uint8_t kOpEraseBonds = 0x09;
constexpr std::uint8_t kOpParameterUpdate = 0x19;
constexpr std::uint8_t kOpDiscoverServices = 0x30;
constexpr std::uint8_t kOpEnableTransparent = 0x35;
constexpr std::uint8_t kOpSendTransparent = 0x3F;
constexpr std::uint8_t kPairingSucceeded = 0;
constexpr int kSdkMaster = 7; // the test case that scans and lists services

// The running test cases, in their order (the first that takes an event has it).
std::vector<TestCaseRun*> runningCases(CTestPage& host) {
    std::vector<TestCaseRun*> running;
    for (int n = 1; n <= CTestPage::kCases; ++n)
        if (TestCaseRun& c = host.testCase(n); c.running())
            running.push_back(&c);
    return running;
}

} // namespace

// Every runner stores the state (each by its own rule) and may step.
void EventRouter::automationStatus(int, const Record& record) {
    const std::uint8_t state = record[3];
    for (TestCaseRun* c : runningCases(t_.pages.testPage))
        c->statusReport(state);
    t_.pages.autoTest.run().statusReport(state);
}

// The advertiser's address as 12 upper-case hex digits, most significant byte first.
void EventRouter::automationAdvertising(int, const Record& record) {
    TestCaseRun& master = t_.pages.testPage.testCase(kSdkMaster);
    AutoTestRun& autoTest = t_.pages.autoTest.run();
    const bool masterRunning = master.running();
    if (!masterRunning && !autoTest.running())
        return; // a scan without a run: nothing to format
    QString address;
    for (std::size_t i = 5; i < 11; ++i)
        address += QString::asprintf("%02X", record[i]);
    if (masterRunning)
        master.advertisingReport(address);
    autoTest.advertisingReport(address);
}

void EventRouter::automationCommandComplete(int, const Record& record) {
    const std::uint8_t opcode = record[3];
    AutoTestRun& autoTest = t_.pages.autoTest.run();
    switch (opcode) {
    case kOpEraseBonds:
    case kOpParameterUpdate:
    case kOpDiscoverServices:
        for (TestCaseRun* c : runningCases(t_.pages.testPage))
            if (c->commandComplete(opcode))
                return;
        autoTest.commandComplete(opcode);
        return;
    case kOpEnableTransparent:
    case kOpSendTransparent:
        autoTest.commandComplete(opcode);
        return;
    default:
        return;
    }
}

void EventRouter::automationServiceFound(int, const Record& record) {
    if (record[3] == 0)
        return; // the module's own table
    if (TestCaseRun& master = t_.pages.testPage.testCase(kSdkMaster); master.running())
        master.serviceFound(record);
    t_.pages.autoTest.run().serviceFound(record);
}

// "Update Connection Interval Test" logs every command error and goes on.
bool EventRouter::commandErrorTakenByRunner(std::uint8_t, std::uint8_t status) {
    for (TestCaseRun* c : runningCases(t_.pages.testPage))
        if (c->commandError(status))
            return true;
    return false;
}

bool EventRouter::disconnectionTakenByRunner(std::uint8_t reason) {
    // The answer to a run's own Disconnect is the run's, even when the run has just ended.
    for (int n = 1; n <= CTestPage::kCases; ++n)
        if (t_.pages.testPage.testCase(n).takeOwnDisconnection(reason))
            return true;
    if (t_.pages.autoTest.run().takeOwnDisconnection(reason))
        return true;
    for (TestCaseRun* c : runningCases(t_.pages.testPage))
        if (c->disconnection(reason))
            return true;
    return t_.pages.autoTest.run().disconnection(reason);
}

// While a test case or the auto test runs, it takes the pass key requests and pairing
// results it waits for (it steps, or logs the failure and stops) and no message is shown.
// Returns true when one did. Called before any message box of kinds 26 and 27; after the
// keypad has been disabled and the question ended for kind 27.
bool EventRouter::pairingTakenByRunner(int kind, const Record& record) {
    const auto running = runningCases(t_.pages.testPage);
    AutoTestRun& autoTest = t_.pages.autoTest.run();
    if (kind == kKindPasskeyEntryRequest) {
        for (TestCaseRun* c : running)
            if (c->passkeyRequest())
                return true;
        if (autoTest.passkeyRequest())
            return true;
        if (unattended_) {
            unattended_->passkeyRequested(record[3]);
            return true;
        }
        return false;
    }
    const std::uint8_t result = record[4];
    for (TestCaseRun* c : running)
        if (c->pairingComplete(result) == TestCaseRun::Pairing::Taken)
            return true;
    if (result != kPairingSucceeded)
        return false;
    // A success replaces the manual message while any run is in progress.
    return autoTest.pairingSucceeded() || !running.empty();
}

bool EventRouter::confirmTakenUnattended(std::uint8_t handle, const QString& code) {
    if (!unattended_)
        return false;
    unattended_->confirmRequested(handle, code);
    return true;
}

} // namespace nuvex3
