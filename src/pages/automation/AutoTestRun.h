#pragma once
// The auto test run: rounds of a fixed chain of steps, the optional ones chosen by the
// settings. Each step checks the module state the previous one should have produced,
// waits, logs what it does and sends one command; the run moves on when the main window
// routes the event that answers it (the triggers below). A wrong state, an unexpected
// disconnection or a pairing problem ends the run.

#include "pages/automation/AutoTestSettings.h"
#include "pages/automation/AutomationRun.h"

#include "link/Packet.h"

#include <bitset>
#include <cstdint>
#include <vector>

namespace nuvex3 {

class AutoTestRun : public AutomationRun {
    Q_OBJECT
public:
    // The steps of a round, in chain order.
    enum Step : int {
        kRoundStart = 1,
        kScan,
        kConnect,
        kPairing,
        kPasskey,
        kTransparentOn,
        kSendFile,
        kParameterUpdate,
        kDiscover,
        kDisconnect,
        kShutdown,
        kWake,
        kScanAgain,
        kConnectAgain,
        kPairingAgain,
        kDisconnectAgain,
        kEraseBonds,
        kShutdownAgain,
        kRoundEnd,
    };
    static constexpr int kChunk = 20; // bytes of the send file per command
    static constexpr auto kStepWait = std::chrono::seconds(2);
    static constexpr auto kPasskeyWait = std::chrono::seconds(1);
    static constexpr auto kLinkKeptWait = std::chrono::seconds(120);

    explicit AutoTestRun(QObject* parent = nullptr);

    // UI thread. The page's settings as they are now; each round reads them when armed.
    void setSettings(const AutoTestSettings& settings);
    // UI thread. The page's copy of the link table; steps address its first handle.
    void setHandles(const std::vector<std::uint8_t>& handles);

    // UI thread. Starts a run of `rounds` rounds (0: until stopped), with `delaySeconds`
    // between rounds. The settings must have passed validation.
    void start(int rounds, int delaySeconds);

    // Triggers, UI thread; each does nothing while no run is in progress.
    void statusReport(std::uint8_t state);
    void advertisingReport(const QString& address);
    // Erase All Paired Device Information, Connection Parameter Update Req, Discover All
    // Primary Service, Enable Transparent or Send Transparent Data completed.
    void commandComplete(std::uint8_t opcode);
    // True when the run takes the request (it has sent a Pairing Request).
    bool passkeyRequest();
    // A pairing succeeded. True when the run takes it (it is running).
    bool pairingSucceeded();
    // A link ended. True when the run takes it (it is running).
    bool disconnection(std::uint8_t reason);
    // A primary service found by the discovery step.
    void serviceFound(const Record& record);

    // For tests and the window.
    int currentRound() const;
    int moduleState() const;
    std::int64_t fileOffset() const;

protected:
    void stepFunction(StepContext& context) override;
    void onEnded() override;

private:
    struct StepPlan {
        Step step = kRoundEnd;
        bool wrongState = false;
        int state = 0;
        std::uint8_t handle = 0;
        bool hasHandle = false;
        int round = 0;
    };
    StepPlan takeStep(); // under lock
    void arm();          // under lock
    void runStep(StepContext& c, const StepPlan& plan);
    void sendFileChunk(StepContext& c, std::uint8_t handle);
    void roundEnd(StepContext& c, int round);

    // The run record; guarded by lock().
    AutoTestSettings settings_;
    std::vector<std::uint8_t> handles_;
    std::bitset<kRoundEnd + 1> pending_;
    int totalRounds_ = 1;
    int currentRound_ = 1;
    int delay_ = 0;
    int moduleState_ = 0;
    QString address_;
    std::uint16_t interval_ = 0, latency_ = 0, timeout_ = 0;
    QString passkey_;
    std::int64_t fileOffset_ = 0;
    bool transparentEnabled_ = false;
    bool fileDone_ = false;
    bool pairingRequested_ = false;
};

} // namespace nuvex3
