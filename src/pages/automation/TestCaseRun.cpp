#include "pages/automation/TestCaseRun.h"

#include <algorithm>

namespace nuvex3 {

TestCaseRun::TestCaseRun(int number, QObject* parent) : AutomationRun(parent), number_(number) {}

void TestCaseRun::start(int rounds, int delaySeconds, const QString& address) {
    begin([&] {
        step_ = 0;
        totalRounds_ = rounds;
        delay_ = delaySeconds;
        currentRound_ = 1;
        address_ = address;
    });
}

void TestCaseRun::setHandles(const std::vector<std::uint8_t>& handles) {
    std::lock_guard g(lock());
    handles_ = handles;
}

bool TestCaseRun::commandComplete(std::uint8_t) {
    return false;
}

bool TestCaseRun::commandError(std::uint8_t) {
    return false;
}

bool TestCaseRun::passkeyRequest() {
    return false;
}

TestCaseRun::Pairing TestCaseRun::pairingComplete(std::uint8_t) {
    return Pairing::NotMine;
}

bool TestCaseRun::disconnection(std::uint8_t) {
    return true;
}

void TestCaseRun::advertisingReport(const QString&) {}

void TestCaseRun::serviceFound(const Record&) {}

int TestCaseRun::step() const {
    std::lock_guard g(lock());
    return step_;
}

int TestCaseRun::moduleState() const {
    std::lock_guard g(lock());
    return moduleState_;
}

int TestCaseRun::currentRound() const {
    std::lock_guard g(lock());
    return currentRound_;
}

void TestCaseRun::store(int state) {
    std::lock_guard g(lock());
    moduleState_ = state;
}

void TestCaseRun::setStep(int n) {
    std::lock_guard g(lock());
    step_ = n;
}

void TestCaseRun::stepFunction(StepContext& context) {
    int n = 0;
    {
        std::lock_guard g(lock());
        if (!running_)
            return;
        n = step_;
        step_ = following(n);
    }
    runStep(n, context);
}

bool TestCaseRun::expect(std::initializer_list<int> states) {
    int state = 0;
    {
        std::lock_guard g(lock());
        state = moduleState_;
    }
    if (std::find(states.begin(), states.end(), state) != states.end())
        return running_;
    log(QStringLiteral("Error: Module is in wrong State (%1)").arg(state));
    end(StopCause::Failed);
    return false;
}

void TestCaseRun::fail(const QString& line) {
    log(line, kLogRed);
    end(StopCause::Failed);
}

void TestCaseRun::roundStartLine() {
    const int round = currentRound();
    logTagged(RunEntry::Tag::RoundStart, QStringLiteral("\n--Test Round %1 Start--").arg(round),
              round);
}

void TestCaseRun::roundEnd(StepContext& context) {
    int round = 0, total = 0, delay = 0;
    {
        std::lock_guard g(lock());
        round = currentRound_;
        total = totalRounds_;
        delay = delay_;
        step_ = 0;
    }
    logTagged(RunEntry::Tag::RoundFinish, QStringLiteral("--Test Round %1 Finish--").arg(round),
              round);
    if (total != 0 && round >= total) {
        end(StopCause::Finished);
        return;
    }
    if (delay > 0) {
        log(QStringLiteral("Delay %1 Seconds").arg(delay));
        if (!wait(context, std::chrono::seconds(delay)))
            return;
    }
    {
        std::lock_guard g(lock());
        if (!running_)
            return;
        ++currentRound_;
    }
    again();
}

void TestCaseRun::readStatusStep(StepContext& c, const QString& line) {
    roundStartLine();
    log(line);
    sendReadStatus(c);
}

void TestCaseRun::shutdownAfterWait(StepContext& c) {
    log(QStringLiteral("Wait for 3 seconds."));
    if (!wait(c, std::chrono::seconds(3)))
        return;
    log(QStringLiteral("Send \"Into Shutdown Mode\" command."));
    if (sendShutdown(c))
        log(QStringLiteral("Check Module is enter Shutdown Mode"));
}

void TestCaseRun::resetAfterWait(StepContext& c) {
    if (wait(c, std::chrono::seconds(1)) && sendReset(c))
        log(QStringLiteral("Check Module is enter Idle Mode"));
}

void TestCaseRun::eraseStep(StepContext& c) {
    log(QStringLiteral("Send \"Erase All Paired Device Information\" command."));
    sendEraseBonds(c);
}

void TestCaseRun::idleRoundEnd(StepContext& c) {
    log(QStringLiteral("Module is enter Idle Mode"));
    roundEnd(c);
}

void TestCaseRun::eflashRoundEnd(int stage, std::uint8_t beforeShutdown, StepContext& c) {
    switch (stage) {
    case 0:
        if (expect({beforeShutdown}))
            shutdownAfterWait(c);
        return;
    case 1:
        if (expect({kTsShutdown}))
            resetAfterWait(c);
        return;
    case 2:
        if (expect({kTsIdle}))
            eraseStep(c);
        return;
    default:
        if (expect({kTsIdle}))
            idleRoundEnd(c);
        return;
    }
}

TestCaseRun::Pairing TestCaseRun::endOnPairingError(std::uint8_t result) {
    if (result == 1)
        fail(QStringLiteral("Error: Pairing Fail"));
    else if (result == 2)
        fail(QStringLiteral("Error: Pairing Timeout"));
    return Pairing::Taken;
}

bool TestCaseRun::disconnectionRule(std::initializer_list<int> retry,
                                    std::initializer_list<int> expected) {
    const int n = step();
    if (std::find(retry.begin(), retry.end(), n) != retry.end()) {
        setStep(n - 1);
        run();
    } else if (std::find(expected.begin(), expected.end(), n) == expected.end()) {
        fail(QStringLiteral("Error: Module is unexpected Disconnect"));
    }
    return true;
}

std::uint8_t TestCaseRun::handle() const {
    std::lock_guard g(lock());
    return handles_.empty() ? 0 : handles_.front();
}

QString TestCaseRun::address() const {
    std::lock_guard g(lock());
    return address_;
}

} // namespace nuvex3
