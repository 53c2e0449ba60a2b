#include "pages/automation/CTestCase2.h"

using namespace nuvex3;

namespace {

class WakeupMaster final : public TestCaseRun {
public:
    WakeupMaster() : TestCaseRun(2) {}

    // A report of state 9 while the test waits for the peer to leave (step 2) is the round
    // end once the link was up; before that the connection did not come up, and the test
    // goes back to connect again.
    void statusReport(std::uint8_t state) override {
        if (state == kTsConnected)
            linkUp_ = true;
        if (state != kTsIdle)
            return;
        if (step() == 2 && !linkUp_)
            setStep(1);
        store(kTsIdle);
        run();
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
            linkUp_ = false;
            log(QStringLiteral("Send \"LE Create Connection\" command."));
            sendConnect(c, address());
            return;
        default:
            if (expect({kTsIdle}))
                idleRoundEnd(c);
            return;
        }
    }

private:
    std::atomic<bool> linkUp_{false};
};

} // namespace

CTestCase2::CTestCase2(QWidget* parent)
    : CTestCasePage(
          {QStringLiteral("Wakeup Test - Master"),
           QStringLiteral("1. Check Module is enter Idle Mode.\n2. Send \"LE Create Connection\" "
                          "command.\n3. Reomte Device Send \"Disconnect\" command.\n4. Check "
                          "Module is enter Idle Mode.\n"),
           QStringLiteral("1. Module is in Idle Mode\n2. Module is set to Manual Mode\n3. Security "
                          "setting is set to Pairing Request\n4. RX IND must enable\n5. UART "
                          "Interface and GPIO Ctrl(VK5310)\n"),
           false, QStringLiteral("0A0B0C0D0E0F"), 12},
          std::make_unique<WakeupMaster>(), parent) {}
