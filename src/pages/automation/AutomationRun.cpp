#include "pages/automation/AutomationRun.h"

#include "framework/SendGate.h"
#include "link/CKelvra_CmdSet_Layer.h"

#include "ui/ValueEntry.h"

#include <QMetaObject>
#include <QThread>

#include <algorithm>

namespace nuvex3 {

namespace {
constexpr std::uint8_t kDigitEntered = 0x01;
constexpr std::uint8_t kEntryCompleted = 0x04;
} // namespace

AutomationRun::AutomationRun(QObject* parent) : QObject(parent) {}

AutomationRun::~AutomationRun() {
    running_ = false;
    runner_.stop();
}

const QString& AutomationRun::startLine() {
    static const QString line = QStringLiteral("=========Start Test==========");
    return line;
}

const QString& AutomationRun::stopLine() {
    static const QString line = QStringLiteral("\n=========Test Stop==========");
    return line;
}

bool AutomationRun::onUiThread() const {
    return QThread::currentThread() == thread();
}

void AutomationRun::push(RunEntry e) {
    bool queue = false;
    {
        std::lock_guard g(logM_);
        pending_.push_back(std::move(e));
        if (!onUiThread() && !flushQueued_) {
            flushQueued_ = true;
            queue = true;
        }
    }
    if (onUiThread())
        flushLog();
    else if (queue)
        QMetaObject::invokeMethod(this, &AutomationRun::flushLog, Qt::QueuedConnection);
}

void AutomationRun::flushLog() {
    for (;;) {
        RunEntry e;
        {
            std::lock_guard g(logM_);
            if (pending_.empty()) {
                flushQueued_ = false;
                return;
            }
            e = std::move(pending_.front());
            pending_.pop_front();
        }
        emit entry(e);
        // The button follows the stop line, in the same breath: a stop line that arrives
        // after the next run has already started changes nothing.
        if (e.tag == RunEntry::Tag::Stop && !running_)
            emit runningChanged(false);
    }
}

void AutomationRun::log(const QString& text, const QColor& colour) {
    push(RunEntry{RunEntry::Tag::Line, text, colour});
}

void AutomationRun::logTagged(RunEntry::Tag tag, const QString& text, int round) {
    push(RunEntry{tag, text, kLogBlack, round});
}

void AutomationRun::begin(const std::function<void()>& init) {
    // Steps of an earlier run that ended by itself may still be queued: they go first.
    runner_.stop();
    {
        std::lock_guard g(m_);
        init();
        ownDisconnectPending_ = false;
        running_ = true;
    }
    push(RunEntry{RunEntry::Tag::Begin});
    log(startLine());
    emit runningChanged(true);
    post(false);
}

void AutomationRun::end(StopCause cause) {
    {
        std::lock_guard g(m_);
        if (!running_)
            return;
        running_ = false;
        onEnded();
    }
    {
        std::lock_guard g(wm_);
        wcv_.notify_all();
    }
    RunEntry stop{RunEntry::Tag::Stop, stopLine(), kLogBlack};
    stop.cause = cause;
    push(std::move(stop)); // its delivery also tells that the run has ended
    if (onUiThread())
        runner_.stop(); // a step that waits wakes, sends nothing and is joined
}

void AutomationRun::stop(StopCause cause) {
    end(cause);
}

void AutomationRun::trigger() {
    post(true);
}

void AutomationRun::again() {
    post(false);
}

void AutomationRun::post(bool answer) {
    if (answer) {
        std::lock_guard g(wm_);
        ++answers_;
        wcv_.notify_all();
    }
    runner_.post([this](StepContext& c) { runStepFunction(c); });
}

void AutomationRun::runStepFunction(StepContext& context) {
    sentThisStep_ = false;
    stepFunction(context);
    const Clock::duration limit = stepTimeout_.load();
    if (limit <= Clock::duration::zero() || !sentThisStep_ || !running_)
        return;
    std::unique_lock l(wm_);
    const std::uint64_t seen = answersAtSend_;
    if (context.waitFor(l, wcv_, limit, [&] { return answers_ != seen || !running_; }))
        return;
    l.unlock();
    if (context.stopRequested() || !running_)
        return;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limit).count();
    log(QStringLiteral("Error: No answer within %1 seconds, the run ends.").arg(seconds), kLogRed);
    end(StopCause::Failed);
}

bool AutomationRun::send(StepContext& context,
                         const std::function<bool(CKelvra_CmdSet_Layer&)>& command) {
    bool written = false;
    bool stopped = false;
    std::uint64_t answersBefore = 0;
    const bool taken = gate_ && gate_->send(
                                    SendGate::kWait,
                                    [&](CKelvra_CmdSet_Layer& layer) {
                                        if (context.stopRequested() || !running_) {
                                            stopped = true;
                                            return;
                                        }
                                        // Counted before the command leaves: its answer
                                        // may be routed before this worker goes on.
                                        {
                                            std::lock_guard g(wm_);
                                            answersBefore = answers_;
                                        }
                                        written = command(layer);
                                    },
                                    context.token());
    if (taken && written) {
        std::lock_guard g(wm_);
        answersAtSend_ = answersBefore;
        sentThisStep_ = true;
        return true;
    }
    if (stopped || context.stopRequested() || !running_)
        return false;
    log(QStringLiteral("Write command fail!"), kLogRed);
    end(StopCause::Failed);
    return false;
}

bool AutomationRun::sendPasskey(StepContext& context, std::uint8_t handle, const QString& digits) {
    for (QChar d : digits) {
        const auto digit = static_cast<std::uint8_t>(d.toLatin1());
        if (!send(context, [&](CKelvra_CmdSet_Layer& l) {
                return l.PasskeyEntryReply(handle, kDigitEntered, digit);
            }))
            return false;
    }
    return send(context, [&](CKelvra_CmdSet_Layer& l) {
        return l.PasskeyEntryReply(handle, kEntryCompleted, 0);
    });
}

bool AutomationRun::sendReset(StepContext& c) {
    return send(c, [](CKelvra_CmdSet_Layer& l) { return l.Reset(); });
}

bool AutomationRun::sendReadStatus(StepContext& c) {
    return send(c, [](CKelvra_CmdSet_Layer& l) { return l.ReadStatus(); });
}

bool AutomationRun::sendReadLocalInformation(StepContext& c) {
    return send(c, [](CKelvra_CmdSet_Layer& l) { return l.ReadLocalInformation(); });
}

bool AutomationRun::sendShutdown(StepContext& c) {
    return send(c, [](CKelvra_CmdSet_Layer& l) { return l.IntoShutdownMode(); });
}

bool AutomationRun::sendStandby(StepContext& c) {
    return send(c, [](CKelvra_CmdSet_Layer& l) { return l.SetAdvEnable(0x01); });
}

bool AutomationRun::sendScan(StepContext& c) {
    return send(c, [](CKelvra_CmdSet_Layer& l) { return l.SetScanEnable(0x01, 0x01); });
}

bool AutomationRun::sendConnect(StepContext& c, const QString& address) {
    // The address as typed, most significant byte first; the layer sends it reversed.
    Address peer{};
    const auto bytes = hexToBytes(address.toStdString());
    std::copy_n(bytes.begin(), std::min(bytes.size(), peer.size()), peer.begin());
    return send(c, [&](CKelvra_CmdSet_Layer& l) { return l.LECreateConnection(0x00, 0x00, peer); });
}

bool AutomationRun::sendDisconnect(StepContext& c, std::uint8_t handle) {
    ownDisconnectPending_ = true;
    const bool sent = send(c, [&](CKelvra_CmdSet_Layer& l) { return l.Disconnect(handle); });
    if (!sent)
        ownDisconnectPending_ = false;
    return sent;
}

bool AutomationRun::takeOwnDisconnection(std::uint8_t reason) {
    constexpr std::uint8_t kLocalHostTerminated = 0x16;
    if (reason != kLocalHostTerminated || !ownDisconnectPending_.exchange(false))
        return false;
    return !running_; // a running run takes it by its own rule
}

bool AutomationRun::sendEraseBonds(StepContext& c) {
    return send(c, [](CKelvra_CmdSet_Layer& l) { return l.EraseAllPairedDeviceInformation(); });
}

bool AutomationRun::sendPairingRequest(StepContext& c, std::uint8_t handle) {
    return send(c, [&](CKelvra_CmdSet_Layer& l) { return l.PairingRequest(handle); });
}

bool AutomationRun::sendParameterUpdate(StepContext& c, std::uint8_t handle, std::uint16_t interval,
                                        std::uint16_t latency, std::uint16_t timeout) {
    return send(c, [&](CKelvra_CmdSet_Layer& l) {
        return l.ConnectionParameterUpdateReq(handle, interval, latency, timeout);
    });
}

bool AutomationRun::sendDiscover(StepContext& c, std::uint8_t handle) {
    return send(c, [&](CKelvra_CmdSet_Layer& l) { return l.DiscoverAllPrimaryService(handle); });
}

bool AutomationRun::wait(StepContext& context, Clock::duration d) {
    return context.sleepFor(d) && running_;
}

} // namespace nuvex3
