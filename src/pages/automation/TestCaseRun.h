#pragma once
// The run of one fixed test case: a numbered sequence of steps, round after round. The
// step function reads the step number and moves it on before it does anything; each step
// checks the module state, waits, logs and sends one command, and the run moves on when
// the main window routes one of the test case's triggers. Each test case page derives its
// sequence and its triggers from this.

#include "pages/automation/AutomationRun.h"

#include "link/Packet.h"

#include <QString>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace nuvex3 {

class TestCaseRun : public AutomationRun {
    Q_OBJECT
public:
    // What a test case does with a pairing that completed.
    enum class Pairing {
        NotMine, // the manual reaction (or the next runner) takes it
        Taken,   // the test case stepped, logged or ignored it
    };

    TestCaseRun(int number, QObject* parent = nullptr);

    int number() const { return number_; }

    // UI thread. Starts a run of `rounds` rounds (0: until stopped) with `delaySeconds`
    // between them; `address` is the "Address :" text (test cases 2, 3 and 7).
    void start(int rounds, int delaySeconds, const QString& address);
    // UI thread. The current links (the test page's copy of the link table).
    void setHandles(const std::vector<std::uint8_t>& handles);

    // Triggers, UI thread, called only while the test case runs. Every status report:
    virtual void statusReport(std::uint8_t state) = 0;
    // Erase All Paired Device Information, Connection Parameter Update Req or Discover All
    // Primary Service completed: true when this test case takes it.
    virtual bool commandComplete(std::uint8_t opcode);
    // A command failed with this status: true when taken (no message box).
    virtual bool commandError(std::uint8_t status);
    // A pass key entry request: true when taken (no keypad).
    virtual bool passkeyRequest();
    // A pairing completed with result 0 (success), 1 (failed) or 2 (timed out).
    virtual Pairing pairingComplete(std::uint8_t result);
    // A link ended: true when taken (no message box). Test cases 1 to 5 take it silently.
    virtual bool disconnection(std::uint8_t reason);
    // An advertising report from this address (12 upper-case hex digits).
    virtual void advertisingReport(const QString& address);
    // A primary service found while the test case runs.
    virtual void serviceFound(const Record& record);

    // For tests and the window.
    int step() const;
    int moduleState() const;
    int currentRound() const;

protected:
    // Worker: carries out step n (already moved on to following(n)).
    virtual void runStep(int n, StepContext& context) = 0;
    virtual int following(int n) const { return n + 1; }

    void stepFunction(StepContext& context) final;

    // UI thread (triggers): the state the module reported, and the step function.
    void store(int state);
    void run() { trigger(); }
    void setStep(int n);

    // Worker helpers for the sequences.
    bool expect(std::initializer_list<int> states); // false: wrong state, stopped
    void roundStartLine();
    // A red line, and the run ends.
    void fail(const QString& line);
    void roundEnd(StepContext& context);
    // Pieces several sequences share (after their own state check).
    // The round start line, `line`, Read NUVEX3 Status.
    void readStatusStep(StepContext& c, const QString& line);
    // "Wait for 3 seconds.", Into Shutdown Mode, "Check Module is enter Shutdown Mode".
    void shutdownAfterWait(StepContext& c);
    // After a second, Reset, "Check Module is enter Idle Mode".
    void resetAfterWait(StepContext& c);
    // The Erase All Paired Device Information line and command.
    void eraseStep(StepContext& c);
    // "Module is enter Idle Mode", then the round end.
    void idleRoundEnd(StepContext& c);
    // The eFlash tests' end of a round, one stage per step from the state expected before
    // the shutdown (`beforeShutdown`): shutdown after the wait, Reset, erase the bonds, the
    // round end, each after its state check.
    void eflashRoundEnd(int stage, std::uint8_t beforeShutdown, StepContext& c);

    // UI thread. A pairing that failed (1) or timed out (2) ends the run with a red line.
    Pairing endOnPairingError(std::uint8_t result);
    // UI thread. A link ended: at a step in `retry` the test goes back one step and runs
    // it again; at a step in `expected` nothing happens; anywhere else the run ends.
    bool disconnectionRule(std::initializer_list<int> retry, std::initializer_list<int> expected);

    std::uint8_t handle() const;
    QString address() const;

    // The pass key the central test cases type.
    static constexpr const char* kFixedPasskey = "602491";
    static constexpr auto kWait2 = std::chrono::seconds(2);

private:
    const int number_;
    // The run record; guarded by lock().
    int step_ = 0;
    int totalRounds_ = 1;
    int currentRound_ = 1;
    int delay_ = 0;
    int moduleState_ = 0;
    QString address_;
    std::vector<std::uint8_t> handles_;
};

// Module states the test cases check.
enum TestState : int {
    kTsScanning = 0x01,
    kTsConnecting = 0x02,
    kTsStandby = 0x03,
    kTsTransparent = 0x08,
    kTsIdle = 0x09,
    kTsShutdown = 0x0A,
    kTsConnected = 0x0C,
};

} // namespace nuvex3
