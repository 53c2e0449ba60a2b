#include "pages/automation/CTestCase5.h"

#include "link/StatusText.h"

using namespace nuvex3;

namespace {

constexpr std::uint8_t kOpParameterUpdate = 0x19;
constexpr auto kUpdateWait = std::chrono::seconds(10);

class IntervalUpdate final : public TestCaseRun {
public:
    IntervalUpdate() : TestCaseRun(5) {}

    void statusReport(std::uint8_t state) override {
        store(state);
        run();
    }
    bool commandComplete(std::uint8_t opcode) override {
        if (opcode != kOpParameterUpdate)
            return false;
        run();
        return true;
    }
    // Every command error is logged and the sequence goes on.
    bool commandError(std::uint8_t status) override {
        log(QString::fromStdString(updateConnectionIntervalErrorMessage(status)));
        run();
        return true;
    }
    Pairing pairingComplete(std::uint8_t result) override {
        if (result != 0)
            return Pairing::NotMine;
        run();
        return Pairing::Taken;
    }

protected:
    int following(int n) const override { return n == 0 ? 3 : n + 1; }

    void runStep(int n, StepContext& c) override {
        struct Update {
            const char* name;
            std::uint16_t interval, latency, timeout;
        };
        static constexpr Update kUpdates[] = {{"7.5ms", 0x0006, 0x0000, 0x000A},
                                              {"500ms", 0x0190, 0x0000, 0x0037},
                                              {"1s", 0x0320, 0x0000, 0x006E},
                                              {"2s", 0x0640, 0x0000, 0x00D2}};
        if (n == 0) {
            readStatusStep(c, QStringLiteral("Check NUVEX3 is status"));
            return;
        }
        if (n == 3) {
            if (!expect({kTsConnected, kTsTransparent}))
                return;
            log(QStringLiteral("Module is enter Connecteed Mode"));
        } else if (!expect({kTsConnected})) {
            return;
        }
        if (n >= 7) {
            roundEnd(c);
            return;
        }
        if (n > 3) {
            log(QStringLiteral("Wait for 10 seconds."));
            if (!wait(c, kUpdateWait))
                return;
        }
        const Update& u = kUpdates[n - 3];
        log(QStringLiteral("Send \"Connection Parameter Update Req (%1)\" command.")
                .arg(QLatin1String(u.name)));
        sendParameterUpdate(c, handle(), u.interval, u.latency, u.timeout);
    }
};

} // namespace

CTestCase5::CTestCase5(QWidget* parent)
    : CTestCasePage(
          {QStringLiteral("Update Connection Interval Test"),
           QStringLiteral("1. Check Module is enter Connect Mode.\n2. Send \"Connection Parameter "
                          "Update Req\" command.\n3. Wait 10 Seconds.\n4. Send \"Connection "
                          "Parameter Update Req\" command.\n5. Wait 10 Seconds.\n6. Send "
                          "\"Connection Parameter Update Req\" command.\n7. Wait 10 Seconds.\n8. "
                          "Send \"Connection Parameter Update Req\" command.\n"),
           QStringLiteral("1. Module is in Connect Mode\n2. Module is set to Manual Pattern\n3. RX "
                          "IND must enable\n4. UART Interface and GPIO Ctrl(VK5310)\n")},
          std::make_unique<IntervalUpdate>(), parent) {}
