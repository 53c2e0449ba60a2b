#pragma once
// What the auto test and the seven test cases share: the run's own worker, which runs one
// step at a time in the order the triggers came; sends through the send gate that stop
// when the run stops (nothing leaves after Stop or Disconnect); waits on the injectable
// clock that Stop ends; an optional per-step time-out; and the procedure log, whose lines
// reach the UI thread in the order they were written, from whichever thread.
//
// Widget-free: the pages show the log and the button; the main window's routing calls
// the triggers on the UI thread.

#include "framework/StepRunner.h"
#include "link/Clock.h"

#include <QColor>
#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace nuvex3 {

class CKelvra_CmdSet_Layer;
class SendGate;

// Why a run ended.
enum class StopCause {
    User,     // "Stop", or the run was stopped from outside (port closed, headless end)
    Finished, // the last round ended
    Failed,   // a check failed: the line before the stop line says which
};

// One entry of the procedure log.
struct RunEntry {
    enum class Tag {
        Begin,       // a run starts: the log is emptied first (no text)
        Line,        // an ordinary line
        RoundStart,  // "--Test Round %d Start--"
        RoundFinish, // "--Test Round %d Finish--"
        Stop,        // "=========Test Stop=========="
    };
    Tag tag = Tag::Line;
    QString text;
    QColor colour;
    int round = 0;                     // RoundStart, RoundFinish
    StopCause cause = StopCause::User; // Stop
};

inline const QColor kLogBlack{0, 0, 0};
inline const QColor kLogRed{255, 0, 0};
inline const QColor kLogBlue{0, 0, 255};

class AutomationRun : public QObject {
    Q_OBJECT
public:
    explicit AutomationRun(QObject* parent = nullptr);
    ~AutomationRun() override;

    // The gate the steps send through (the main window's); set before the first Start.
    void setGate(SendGate* gate) { gate_ = gate; }
    bool running() const { return running_.load(); }
    // UI thread. True, once, for the Disconnection Complete "by the local host" that answers
    // the run's own Disconnect when the run has ended meanwhile: it may end on the state
    // report that follows before the window routes the disconnection (the worker sees the
    // module's answers first). A running run takes it by its own rule.
    bool takeOwnDisconnection(std::uint8_t reason);

    // With a time-out above zero, a run whose step has sent its command and then waits
    // longer than this for the event that moves it on ends with a red line. Default: none.
    void setStepTimeout(Clock::duration limit) { stepTimeout_.store(limit); }

    // UI thread: "Stop", or the port is closing. The run ends at once; a step that waits
    // wakes and sends nothing more. Nothing happens when no run is in progress.
    void stop(StopCause cause = StopCause::User);

    // UI thread: delivers the log entries written so far (they also arrive on their own).
    void flushLog();

    static const QString& startLine();
    static const QString& stopLine();

signals:
    // UI thread, in the order written.
    void entry(const nuvex3::RunEntry& entry);
    // UI thread: a run started or ended.
    void runningChanged(bool running);

protected:
    // Any thread. Appends a line to the procedure log.
    void log(const QString& text, const QColor& colour = kLogBlack);
    void logTagged(RunEntry::Tag tag, const QString& text, int round);

    // UI thread: a run starts. init sets up the run record under lock(); then running is
    // set, the log emptied, "Start Test" written and the step function posted.
    void begin(const std::function<void()>& init);
    // Any thread: the run ends (no-op when it has already ended). From the UI thread a
    // step under way is also woken and joined.
    void end(StopCause cause);
    // Called under lock() when the run ends, to clear the subclass's flags.
    virtual void onEnded() {}

    // The step function runs on the worker for an event the run waited for (trigger) or
    // because the run itself goes on (again): round end, the file sent.
    void trigger();
    void again();
    virtual void stepFunction(StepContext& context) = 0;

    // Worker. Sends one command through the gate unless the run has stopped; a command
    // the layer refuses ends the run with "Write command fail!". True when written.
    bool send(StepContext& context, const std::function<bool(CKelvra_CmdSet_Layer&)>& command);
    // Worker. The six digits of a pass key as Passkey Entry Reply, then "entry completed".
    bool sendPasskey(StepContext& context, std::uint8_t handle, const QString& digits);
    // Worker. The commands of the sequences, one call each.
    bool sendReset(StepContext& c);
    bool sendReadStatus(StepContext& c);
    bool sendReadLocalInformation(StepContext& c);
    bool sendShutdown(StepContext& c);
    bool sendStandby(StepContext& c); // Set Adv Enable 01
    bool sendScan(StepContext& c);    // Set Scan Enable 01 01
    bool sendConnect(StepContext& c, const QString& address);
    bool sendDisconnect(StepContext& c, std::uint8_t handle);
    bool sendEraseBonds(StepContext& c);
    bool sendPairingRequest(StepContext& c, std::uint8_t handle);
    bool sendParameterUpdate(StepContext& c, std::uint8_t handle, std::uint16_t interval,
                             std::uint16_t latency, std::uint16_t timeout);
    bool sendDiscover(StepContext& c, std::uint8_t handle);

    // Worker. Waits d; false when the run was stopped meanwhile (send nothing then).
    bool wait(StepContext& context, Clock::duration d);

    // The run record of the subclass is guarded by this lock; running_ changes under it.
    std::mutex& lock() const { return m_; }
    std::atomic<bool> running_{false};

private:
    std::atomic<bool> ownDisconnectPending_{false};
    void post(bool answer);
    void runStepFunction(StepContext& context);
    void push(RunEntry e);
    bool onUiThread() const;

    mutable std::mutex m_;
    SendGate* gate_ = nullptr;
    std::atomic<Clock::duration> stepTimeout_{Clock::duration::zero()};

    // Per-step time-out: answers counted by trigger(), the count when the last command
    // left, and whether the running step sent one.
    std::mutex wm_;
    std::condition_variable wcv_;
    std::uint64_t answers_ = 0;
    std::uint64_t answersAtSend_ = 0;
    bool sentThisStep_ = false; // worker only

    std::mutex logM_;
    std::deque<RunEntry> pending_;
    bool flushQueued_ = false;

    StepRunner runner_; // last: joined before the rest goes
};

} // namespace nuvex3
