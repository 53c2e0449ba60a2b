#include "pages/automation/CTestCase1.h"

using namespace nuvex3;

namespace {

class WakeupSlave final : public TestCaseRun {
public:
    WakeupSlave() : TestCaseRun(1) {}

    void statusReport(std::uint8_t state) override {
        if (state == kTsIdle || state == kTsShutdown || state == kTsStandby ||
            state == kTsConnected) {
            store(state);
            run();
        }
    }

protected:
    void runStep(int n, StepContext& c) override {
        switch (n) {
        case 0:
            readStatusStep(c, QStringLiteral("Check Module is enter Idle Mode"));
            return;
        case 1:
            if (!expect({kTsIdle}))
                return;
            log(QStringLiteral("Send \"Into Power down Mode\" command."));
            if (sendShutdown(c))
                log(QStringLiteral("Check Module is enter Shutdown Mode"));
            return;
        case 2:
            if (!expect({kTsShutdown}))
                return;
            log(QStringLiteral("Wait for 3 seconds."));
            if (wait(c, std::chrono::seconds(3)) && sendReadLocalInformation(c))
                log(QStringLiteral("Check Module is enter Idle Mode"));
            return;
        case 3:
            if (!expect({kTsIdle}))
                return;
            log(QStringLiteral("Send \"Into Standby Mode\" command."));
            if (sendStandby(c))
                log(QStringLiteral("Check Module is enter Standby Mode"));
            return;
        case 4:
            expect({kTsStandby}); // the central connects now
            return;
        case 5:
            if (!expect({kTsConnected}))
                return;
            log(QStringLiteral("Module is enter Connecteed Mode"));
            log(QStringLiteral("Wait for 3 seconds."));
            if (!wait(c, std::chrono::seconds(3)))
                return;
            log(QStringLiteral("Send \"Disconnect\" command."));
            if (sendDisconnect(c, handle()))
                log(QStringLiteral("Check Module is enter Idle Mode"));
            return;
        default:
            if (expect({kTsIdle}))
                roundEnd(c);
            return;
        }
    }
};

} // namespace

CTestCase1::CTestCase1(QWidget* parent)
    : CTestCasePage(
          {QStringLiteral("Wakeup Test - Slave"),
           QStringLiteral("1. Check Module is enter Idle Mode.\n2. Send \"Into Power down Mode\" "
                          "command.\n3. Check Module is enter Shutdown Mode.\n4. Wait 3 "
                          "Seconds.\n5. Check Module is enter Idle Mode.\n6. Send \"Into Standby "
                          "Mode\" command.\n7. Check Module is enter Standby Mode.\n8. Module is "
                          "enter Connecteed Mode.\n9. Wait 3 Seconds.\n10. Send \"Disconnect\" "
                          "command.\n11. Check Module is enter Idle Mode.\n"),
           QStringLiteral("1. Module is in Idle Mode\n2. Module is set to Manual Mode\n3. Security "
                          "setting is set to Pairing Request\n4. RX IND must enable\n5. UART "
                          "Interface and GPIO Ctrl(VK5310)\n")},
          std::make_unique<WakeupSlave>(), parent) {}
