#include "pages/automation/AutoTestRun.h"

#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/automation/ServiceList.h"
#include "ui/ValueEntry.h"

#include <QFile>

#include <algorithm>

namespace nuvex3 {

namespace {

constexpr int kStateScanning = 0x01;
constexpr int kStateConnecting = 0x02;
constexpr int kStateIdle = 0x09;
constexpr int kStateShutdown = 0x0A;
constexpr int kStateConnected = 0x0C;

constexpr std::uint8_t kOpEraseBonds = 0x09;
constexpr std::uint8_t kOpParameterUpdate = 0x19;
constexpr std::uint8_t kOpDiscoverServices = 0x30;
constexpr std::uint8_t kOpEnableTransparent = 0x35;
constexpr std::uint8_t kOpSendTransparent = 0x3F;

constexpr std::uint8_t kReasonLocalHost = 0x16;
constexpr std::uint8_t kReasonFailedToEstablish = 0x3E;

// The state a step expects to find (none for the round's start and end).
bool stateFits(AutoTestRun::Step step, int state) {
    switch (step) {
    case AutoTestRun::kRoundStart:
    case AutoTestRun::kRoundEnd:
        return true;
    case AutoTestRun::kScan:
    case AutoTestRun::kScanAgain:
    case AutoTestRun::kShutdown:
    case AutoTestRun::kShutdownAgain:
    case AutoTestRun::kEraseBonds:
        return state == kStateIdle;
    case AutoTestRun::kConnect:
    case AutoTestRun::kConnectAgain:
        return state == kStateScanning;
    case AutoTestRun::kWake:
        return state == kStateShutdown || state == kStateIdle;
    default:
        return state == kStateConnected;
    }
}

// Steps that address the link.
bool needsHandle(AutoTestRun::Step step) {
    return stateFits(step, kStateConnected) && step != AutoTestRun::kRoundStart &&
           step != AutoTestRun::kRoundEnd;
}

std::uint16_t hex16(const QString& text) {
    return static_cast<std::uint16_t>(parseUnsigned(text.toStdString(), 16));
}

} // namespace

AutoTestRun::AutoTestRun(QObject* parent) : AutomationRun(parent) {}

void AutoTestRun::setSettings(const AutoTestSettings& settings) {
    std::lock_guard g(lock());
    settings_ = settings;
}

void AutoTestRun::setHandles(const std::vector<std::uint8_t>& handles) {
    std::lock_guard g(lock());
    handles_ = handles;
}

int AutoTestRun::currentRound() const {
    std::lock_guard g(lock());
    return currentRound_;
}

int AutoTestRun::moduleState() const {
    std::lock_guard g(lock());
    return moduleState_;
}

std::int64_t AutoTestRun::fileOffset() const {
    std::lock_guard g(lock());
    return fileOffset_;
}

void AutoTestRun::arm() {
    const AutoTestSettings& s = settings_;
    pending_.reset();
    // "Creat Connection" is not read: a round always connects.
    pending_[kRoundStart] = pending_[kScan] = pending_[kConnect] = true;
    pending_[kPairing] = pending_[kPasskey] = s.pairing;
    pending_[kTransparentOn] = s.sendData; // "Send Data": the transparent and file steps
    pending_[kParameterUpdate] = s.updateParameters;
    pending_[kDiscover] = s.discover;
    pending_[kDisconnect] = s.disconnect;
    pending_[kShutdown] = s.shutdown;
    pending_[kWake] = s.wakeUp || s.reconnection;
    pending_[kScanAgain] = pending_[kConnectAgain] = s.reconnection;
    pending_[kPairingAgain] = s.pairing2;
    pending_[kDisconnectAgain] = s.disconnect2;
    pending_[kEraseBonds] = s.erasePaired;
    pending_[kShutdownAgain] = s.shutdown2;
    if (s.pairing)
        passkey_ = s.passkey.left(6);
    if (s.updateParameters) {
        interval_ = hex16(s.interval);
        latency_ = hex16(s.latency);
        timeout_ = hex16(s.timeout);
    }
}

void AutoTestRun::start(int rounds, int delaySeconds) {
    begin([&] {
        totalRounds_ = rounds;
        delay_ = delaySeconds;
        currentRound_ = 1;
        address_ = settings_.address;
        fileDone_ = false;
        transparentEnabled_ = false;
        arm();
    });
}

void AutoTestRun::onEnded() {
    pending_.reset();
    fileDone_ = false;
    transparentEnabled_ = false;
}

AutoTestRun::StepPlan AutoTestRun::takeStep() {
    StepPlan plan;
    plan.round = currentRound_;
    for (int s = kRoundStart; s < kRoundEnd; ++s) {
        if (s == kTransparentOn) {
            if (pending_[kTransparentOn] && !transparentEnabled_) {
                plan.step = kTransparentOn;
                break;
            }
            continue;
        }
        if (s == kSendFile) {
            if (pending_[kTransparentOn] && !fileDone_) {
                plan.step = kSendFile;
                break;
            }
            continue;
        }
        if (!pending_[static_cast<std::size_t>(s)])
            continue;
        pending_[static_cast<std::size_t>(s)] = false;
        plan.step = static_cast<Step>(s);
        if (s == kPairing)
            pending_[kPasskey] = true;
        if (s == kRoundStart)
            fileDone_ = transparentEnabled_ = false;
        break;
    }
    plan.state = moduleState_;
    plan.wrongState = !stateFits(plan.step, moduleState_);
    plan.hasHandle = !handles_.empty();
    plan.handle = plan.hasHandle ? handles_.front() : 0;
    return plan;
}

void AutoTestRun::stepFunction(StepContext& c) {
    StepPlan plan;
    {
        std::lock_guard g(lock());
        if (!running_)
            return;
        plan = takeStep();
    }
    if (plan.wrongState) {
        log(QStringLiteral("Error: Module is in wrong State (%1)").arg(plan.state));
        end(StopCause::Failed);
        return;
    }
    if (needsHandle(plan.step) && !plan.hasHandle) {
        log(QStringLiteral("Error: No connection handle"), kLogRed);
        end(StopCause::Failed);
        return;
    }
    runStep(c, plan);
}

void AutoTestRun::runStep(StepContext& c, const StepPlan& plan) {
    const std::uint8_t h = plan.handle;
    auto snapshot = [this](auto member) {
        std::lock_guard g(lock());
        return this->*member;
    };
    switch (plan.step) {
    case kRoundStart:
        logTagged(RunEntry::Tag::RoundStart,
                  QStringLiteral("\n--Test Round %1 Start--").arg(plan.round), plan.round);
        if (!running_)
            return;
        log(QStringLiteral("Send \"Reset\" command, check Module is enter Idle Mode."));
        sendReset(c);
        return;
    case kScan:
    case kScanAgain:
        if (!wait(c, kStepWait))
            return;
        log(QStringLiteral("Send \"Set Scan Enable\" command, check Module is enter Scanning "
                           "Mode."));
        sendScan(c);
        return;
    case kConnect:
    case kConnectAgain:
        if (!wait(c, kStepWait))
            return;
        log(QStringLiteral("Send \"LE Create Connection\" command, check Module is enter "
                           "Connected Mode."));
        sendConnect(c, snapshot(&AutoTestRun::address_));
        return;
    case kPairing:
    case kPairingAgain:
        if (!wait(c, kStepWait))
            return;
        log(QStringLiteral("Send \"Pairing Request\" command."));
        {
            // Set before the command leaves: its pass key request may come back at once.
            std::lock_guard g(lock());
            pairingRequested_ = true;
        }
        sendPairingRequest(c, h);
        return;
    case kPasskey: {
        if (!running_)
            return;
        const QString field = snapshot(&AutoTestRun::settings_).passkey;
        const QString key = snapshot(&AutoTestRun::passkey_);
        log(QStringLiteral("Enter passkey \"%1\"").arg(field));
        if (wait(c, kPasskeyWait))
            sendPasskey(c, h, key);
        return;
    }
    case kTransparentOn: {
        std::lock_guard g(lock());
        transparentEnabled_ = false;
    }
        if (!wait(c, kStepWait))
            return;
        send(c, [&](CKelvra_CmdSet_Layer& l) { return l.EnableTransparent(h, 0x01, 0x01); });
        return;
    case kSendFile:
        if (running_)
            sendFileChunk(c, h);
        return;
    case kParameterUpdate: {
        if (!wait(c, kStepWait))
            return;
        std::uint16_t interval = 0, latency = 0, timeout = 0;
        {
            std::lock_guard g(lock());
            interval = interval_;
            latency = latency_;
            timeout = timeout_;
        }
        log(QStringLiteral("Send \"Connection Parameter Update Req (500ms)\" command."));
        sendParameterUpdate(c, h, interval, latency, timeout);
        return;
    }
    case kDiscover:
        if (!wait(c, kStepWait))
            return;
        log(QStringLiteral("Send \"Discover All Primary Service\" command."));
        // The list heading goes before the command, so the services found follow it.
        log(QStringLiteral("==Remote supported service list=="));
        sendDiscover(c, h);
        return;
    case kDisconnect:
    case kDisconnectAgain:
        if (!running_)
            return;
        log(QStringLiteral("Wait for 120 seconds, whether the link can be kept."));
        if (!wait(c, kLinkKeptWait))
            return; // stopped during the wait: nothing more
        log(QStringLiteral("Send \"Disconnect\" command, check Module is enter Idle Mode."));
        sendDisconnect(c, h);
        return;
    case kShutdown:
    case kShutdownAgain:
        if (!wait(c, kStepWait))
            return;
        log(QStringLiteral("Send \"Into Shutdown Mode\" command, check Module is enter Shutdown "
                           "Mode."));
        sendShutdown(c);
        return;
    case kWake:
        if (!wait(c, kStepWait))
            return;
        log(QStringLiteral("Send \"Reset\" command, Check Module wake up and enter Idle Mode"));
        sendReset(c);
        return;
    case kEraseBonds:
        log(QStringLiteral("Module is disconnected"));
        if (!wait(c, kStepWait))
            return;
        log(QStringLiteral("Send \"Erase All Paired Device Information\" command."));
        sendEraseBonds(c);
        return;
    case kRoundEnd:
        roundEnd(c, plan.round);
        return;
    }
}

void AutoTestRun::sendFileChunk(StepContext& c, std::uint8_t handle) {
    QString path;
    std::int64_t offset = 0;
    {
        std::lock_guard g(lock());
        path = settings_.sendFile;
        offset = fileOffset_;
    }
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        log(QStringLiteral("Error: Can not open the send file"), kLogRed);
        end(StopCause::Failed);
        return;
    }
    QByteArray chunk;
    if (file.seek(offset))
        chunk = file.read(kChunk);
    file.close();
    if (chunk.isEmpty()) {
        {
            std::lock_guard g(lock());
            fileDone_ = true;
            transparentEnabled_ = false;
            pending_[kTransparentOn] = false;
            fileOffset_ = 0;
        }
        again();
        return;
    }
    {
        std::lock_guard g(lock());
        fileOffset_ = offset + chunk.size();
    }
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(chunk.data()),
                                              static_cast<std::size_t>(chunk.size()));
    send(c, [&](CKelvra_CmdSet_Layer& l) { return l.SendTransparentData(handle, bytes); });
}

void AutoTestRun::roundEnd(StepContext& c, int round) {
    logTagged(RunEntry::Tag::RoundFinish, QStringLiteral("--Test Round %1 Finish--").arg(round),
              round);
    int total = 0, delay = 0;
    {
        std::lock_guard g(lock());
        total = totalRounds_;
        delay = delay_;
    }
    if (total != 0 && round >= total) {
        end(StopCause::Finished);
        return;
    }
    if (delay >= 1) {
        log(QStringLiteral("Delay %1 Seconds").arg(delay));
        if (!wait(c, std::chrono::seconds(delay)))
            return;
    }
    {
        std::lock_guard g(lock());
        if (!running_)
            return;
        ++currentRound_;
        arm();
    }
    again();
}

// ---------------------------------------------------------------------------------------
// Triggers

void AutoTestRun::statusReport(std::uint8_t state) {
    {
        std::lock_guard g(lock());
        if (!running_)
            return;
        moduleState_ = state;
    }
    if (state != kStateScanning && state != kStateConnecting)
        trigger();
}

void AutoTestRun::advertisingReport(const QString& address) {
    {
        std::lock_guard g(lock());
        if (!running_ || address != address_)
            return;
    }
    trigger();
}

void AutoTestRun::commandComplete(std::uint8_t opcode) {
    {
        std::lock_guard g(lock());
        if (!running_)
            return;
        switch (opcode) {
        case kOpEnableTransparent:
            transparentEnabled_ = true;
            break;
        case kOpEraseBonds:
        case kOpParameterUpdate:
        case kOpDiscoverServices:
        case kOpSendTransparent:
            break;
        default:
            return;
        }
    }
    trigger();
}

bool AutoTestRun::passkeyRequest() {
    {
        std::lock_guard g(lock());
        if (!running_ || !pairingRequested_)
            return false;
    }
    trigger();
    return true;
}

bool AutoTestRun::pairingSucceeded() {
    bool recordExists = false;
    {
        std::lock_guard g(lock());
        if (!running_)
            return false;
        recordExists = pending_[kPasskey];
    }
    if (recordExists) {
        log(QStringLiteral("Error: Pairing record exists"), kLogRed);
        end(StopCause::Failed);
    } else {
        trigger();
    }
    return true;
}

bool AutoTestRun::disconnection(std::uint8_t reason) {
    if (!running_)
        return false;
    if (reason == kReasonLocalHost)
        return true;
    if (reason == kReasonFailedToEstablish)
        log(QStringLiteral("Connection Failed to be Established(0x3E), please restart the test."),
            kLogRed);
    else
        log(QString::asprintf("Error: Module is unexpected Disconnect (0x%02X)", reason), kLogRed);
    end(StopCause::Failed);
    return true;
}

void AutoTestRun::serviceFound(const Record& record) {
    if (running_)
        log(serviceLine(record), kLogBlue);
}

} // namespace nuvex3
