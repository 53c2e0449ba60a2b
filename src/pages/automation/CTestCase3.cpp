#include "pages/automation/CTestCase3.h"

using namespace nuvex3;

namespace {

constexpr std::uint8_t kOpEraseBonds = 0x09;

class EflashCentral final : public TestCaseRun {
public:
    EflashCentral() : TestCaseRun(3) {}

    void statusReport(std::uint8_t state) override {
        if (state == kTsIdle) {
            if (step() == 2)
                setStep(1); // the link did not come up: connect again
        } else if (state != kTsConnected && state != kTsShutdown) {
            return;
        }
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
    bool passkeyRequest() override { return true; } // the sequence types the key itself
    Pairing pairingComplete(std::uint8_t result) override {
        if (result != 0)
            return Pairing::NotMine;
        store(kTsConnected);
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
            log(QStringLiteral("Send \"LE Create Connection\" command."));
            sendConnect(c, address());
            return;
        case 2:
            if (!wait(c, std::chrono::seconds(1)) || !expect({kTsConnected}))
                return;
            log(QStringLiteral("Module is enter BLE Connected Mode"));
            log(QStringLiteral("Send passkey."));
            if (wait(c, std::chrono::seconds(3)))
                sendPasskey(c, handle(), QString::fromLatin1(kFixedPasskey));
            return;
        default:
            eflashRoundEnd(n - 3, kTsConnected, c);
            return;
        }
    }
};

} // namespace

CTestCase3::CTestCase3(QWidget* parent)
    : CTestCasePage(
          {QStringLiteral("eFlash R/W Test - Central Role"),
           QStringLiteral("1. Check Module is enter Idle Mode.\n2. Send \"LE Create Connection\" "
                          "command.\n3. Module is enter BLE Connected Mode.\n4. Send passkey.\n5. "
                          "Wait 3 Seconds.\n6. Send \"Into Shutdown Mode\" command.\n7. Check "
                          "Module is enter Shutdown Mode.\n8. Check Module is enter Idle Mode.\n9. "
                          "Send \"Erase All Paired Device Information\" command.\n10. Module is "
                          "enter Idle Mode.\n"),
           QStringLiteral("1. Module is in Idle Mode\n2. Module is set to Manual Mode\n3. Security "
                          "setting is set to Pairing Request\n4. IO capability is set to "
                          "KeyboardOnly\n4. RX IND must enable\n5. UART Interface and GPIO "
                          "Ctrl(VK5310)\n"),
           false, QStringLiteral("665544332211"), 0},
          std::make_unique<EflashCentral>(), parent) {}
