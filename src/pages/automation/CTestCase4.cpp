#include "pages/automation/CTestCase4.h"

using namespace nuvex3;

namespace {

constexpr std::uint8_t kOpEraseBonds = 0x09;

class EflashPeripheral final : public TestCaseRun {
public:
    EflashPeripheral() : TestCaseRun(4) {}

    void statusReport(std::uint8_t state) override {
        if (state != kTsIdle && state != kTsShutdown)
            return;
        store(state);
        run();
    }
    bool commandComplete(std::uint8_t opcode) override {
        if (opcode != kOpEraseBonds)
            return false;
        store(kTsIdle);
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
    void runStep(int n, StepContext& c) override {
        switch (n) {
        case 0:
            readStatusStep(c, QStringLiteral("Check Module is enter Idle Mode"));
            return;
        case 1:
            if (!expect({kTsIdle}))
                return;
            log(QStringLiteral("Send \"Into Standby Mode\" command."));
            if (sendStandby(c))
                log(QStringLiteral("Check Module is enter Standby Mode"));
            return;
        default:
            // Step 2 runs on the pairing: the state stored last is the idle state before
            // standby.
            eflashRoundEnd(n - 2, kTsIdle, c);
            return;
        }
    }
};

} // namespace

CTestCase4::CTestCase4(QWidget* parent)
    : CTestCasePage(
          {QStringLiteral("eFlash R/W Test- Peripheral Role"),
           QStringLiteral("1. Check Module is enter Idle Mode.\n2. Send \"Into Standby Mode\" "
                          "command.\n3. Check Module is enter Standby Mode.\n4. Wait 3 "
                          "Seconds.\n5. Send \"Into Shutdown Mode\" command.\n6. Check Module is "
                          "enter Shutdown Mode.\n7. Check Module is enter Idle Mode.\n8. Send "
                          "\"Erase All Paired Device Information\" command.\n9. Module is enter "
                          "Idle Mode.\n"),
           QStringLiteral("1. Module is in Idle Mode\n2. Module is set to Manual Mode\n3. Security "
                          "setting is set to Pairing Request\n4. IO capability is set to "
                          "KeyboardOnly\n5. Enable User Confirm Option\n6. Set Passkey as "
                          "\"602491\"\n7. RX IND must enable\n8. UART Interface and GPIO "
                          "Ctrl(VK5310)\n")},
          std::make_unique<EflashPeripheral>(), parent) {}
