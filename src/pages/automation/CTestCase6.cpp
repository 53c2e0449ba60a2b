#include "pages/automation/CTestCase6.h"

using namespace nuvex3;

namespace {

constexpr std::uint8_t kOpEraseBonds = 0x09;

class SdkSlave final : public TestCaseRun {
public:
    SdkSlave() : TestCaseRun(6) {}

    void statusReport(std::uint8_t state) override {
        store(state);
        if (state != kTsStandby)
            run();
    }
    bool commandComplete(std::uint8_t opcode) override {
        if (opcode != kOpEraseBonds)
            return false;
        run();
        return true;
    }
    bool passkeyRequest() override { return true; } // ignored
    Pairing pairingComplete(std::uint8_t result) override { return endOnPairingError(result); }
    // The link dropped before the "connected" step: advertise again. While the test waits
    // for the central to leave, the disconnection is expected.
    bool disconnection(std::uint8_t) override { return disconnectionRule({2, 6}, {3, 7}); }

protected:
    void runStep(int n, StepContext& c) override {
        switch (n) {
        case 0:
            roundStartLine();
            log(QStringLiteral("Send \"Reset\" command, check Module is enter Idle Mode."));
            sendReset(c);
            return;
        case 1:
        case 5:
            if (!expect({kTsIdle}) || !wait(c, kWait2))
                return;
            log(QStringLiteral("Send \"Into Standby Mode\" command, check Module is enter Standby "
                               "Mode."));
            sendStandby(c);
            return;
        case 2:
        case 6:
            if (expect({kTsConnected}))
                log(n == 2 ? QStringLiteral("Module is connected.")
                           : QStringLiteral("Module is connected"));
            return;
        case 3:
        case 8:
            if (!expect({kTsIdle}))
                return;
            if (n == 3)
                log(QStringLiteral("Module is disconnected."));
            if (!wait(c, kWait2))
                return;
            log(QStringLiteral("Send \"Into Power down Mode\" command, check Module is enter "
                               "Shutdown Mode."));
            sendShutdown(c);
            return;
        case 4:
        case 9:
            if (expect({kTsShutdown}) && wait(c, kWait2) && sendReset(c))
                log(n == 4 ? QStringLiteral("Send \"Reset\" command, check Module wake up and "
                                            "enter Idle Mode")
                           : QStringLiteral("Send \"Reset\" command, Check Module wake up and "
                                            "enter Idle Mode"));
            return;
        case 7:
            if (!expect({kTsIdle}))
                return;
            log(QStringLiteral("Module is disconnected"));
            if (wait(c, kWait2))
                eraseStep(c);
            return;
        default:
            if (expect({kTsIdle}))
                roundEnd(c);
            return;
        }
    }
};

} // namespace

CTestCase6::CTestCase6(QWidget* parent)
    : CTestCasePage(
          {QStringLiteral("BLE SDK Auto Test - Slave"),
           QStringLiteral("1. Send \"Reset\" command, check Module is enter Idle Mode.\n2. Send "
                          "\"Into Standby Mode\" command, check Module is enter Standby Mode.\n3. "
                          "Module is connected.\n4. Module is disconnected.\n5. Send \"Into Power "
                          "down Mode\" command, check Module is enter Shutdown Mode.\n6. Send "
                          "\"Reset\" command, check Module wake up and enter Idle Mode.\n.7. Send "
                          "\"Into Standby Mode\" command, check Module is enter Standby Mode.\n8. "
                          "Module is connected.\n9. Module is disconnected.\n10. Send \"Erase All "
                          "Paired Device Information\" command.\n11. Send \"Into Power down "
                          "Mode\" command, check Module is enter Shutdown Mode.\n12. Send "
                          "\"Reset\" command, Check Module wake up and enter Idle Mode.\n"),
           QStringLiteral("1. Module is in Idle Mode\n2. Module is set to Manual Mode\n3. RX IND "
                          "must enable\n4. UART Interface and GPIO Ctrl(VK5310)\n"),
           true},
          std::make_unique<SdkSlave>(), parent) {}
