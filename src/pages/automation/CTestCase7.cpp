#include "pages/automation/CTestCase7.h"

#include "pages/automation/ServiceList.h"

using namespace nuvex3;

namespace {

constexpr std::uint8_t kOpEraseBonds = 0x09;
constexpr std::uint8_t kOpParameterUpdate = 0x19;
constexpr std::uint8_t kOpDiscoverServices = 0x30;

class SdkMaster final : public TestCaseRun {
public:
    SdkMaster() : TestCaseRun(7) {}

    void statusReport(std::uint8_t state) override {
        store(state);
        if (state != kTsScanning && state != kTsConnecting)
            run();
    }
    void advertisingReport(const QString& address) override {
        if (address == this->address())
            run();
    }
    bool commandComplete(std::uint8_t opcode) override {
        if (opcode != kOpEraseBonds && opcode != kOpParameterUpdate &&
            opcode != kOpDiscoverServices)
            return false;
        run();
        return true;
    }
    bool passkeyRequest() override {
        if (!passkeyExpected_)
            return false;
        run();
        return true;
    }
    Pairing pairingComplete(std::uint8_t result) override {
        if (result != 0)
            return endOnPairingError(result);
        run();
        return Pairing::Taken;
    }
    // The link dropped right after it came up: connect again. After the test's own
    // Disconnect it is expected.
    bool disconnection(std::uint8_t) override { return disconnectionRule({3, 12}, {8, 14}); }
    void serviceFound(const Record& record) override { log(serviceLine(record), kLogBlue); }

protected:
    void runStep(int n, StepContext& c) override {
        switch (n) {
        case 0:
            roundStartLine();
            log(QStringLiteral("Send \"Reset\" command, check Module is enter Idle Mode."));
            sendReset(c);
            return;
        case 1:
        case 10:
            if (!expect({kTsIdle}) || !wait(c, kWait2))
                return;
            log(QStringLiteral("Send \"Set Scan Enable\" command, check Module is enter Scanning "
                               "Mode."));
            sendScan(c);
            return;
        case 2:
        case 11:
            if (!expect({kTsScanning}) || !wait(c, kWait2))
                return;
            log(QStringLiteral("Send \"LE Create Connection\" command, check Module is enter "
                               "Connected Mode."));
            sendConnect(c, address());
            return;
        case 3:
        case 12:
            if (!expect({kTsConnected}) || !wait(c, kWait2))
                return;
            log(QStringLiteral("Send \"Pairing Request\" command."));
            passkeyExpected_ = n == 3; // before the command: its request may come at once
            sendPairingRequest(c, handle());
            return;
        case 4:
            if (!expect({kTsConnected}))
                return;
            log(QStringLiteral("Enter passkey \"602491\"."));
            if (wait(c, std::chrono::seconds(1)))
                sendPasskey(c, handle(), QString::fromLatin1(kFixedPasskey));
            return;
        case 5:
            if (!expect({kTsConnected}) || !wait(c, kWait2))
                return;
            log(QStringLiteral("Send \"Discover All Primary Service\" command."));
            // The heading goes before the command, so the services found follow it.
            log(QStringLiteral("==Remote supported service list=="));
            sendDiscover(c, handle());
            return;
        case 6:
            if (!expect({kTsConnected}) || !wait(c, kWait2))
                return;
            log(QStringLiteral("Send \"Connection Parameter Update Req (500ms)\" command."));
            sendParameterUpdate(c, handle(), 0x0190, 0x0000, 0x0C80);
            return;
        case 7:
        case 13:
            if (!expect({kTsConnected}))
                return;
            log(QStringLiteral("Wait for 120 seconds, whether the link can be kept."));
            if (!wait(c, std::chrono::seconds(120)))
                return;
            log(QStringLiteral("Send \"Disconnect\" command, check Module is enter Idle Mode."));
            sendDisconnect(c, handle());
            return;
        case 8:
        case 15:
            if (!expect({kTsIdle}) || !wait(c, kWait2))
                return;
            log(QStringLiteral("Send \"Into Shutdown Mode\" command, check Module is enter "
                               "Shutdown Mode."));
            sendShutdown(c);
            return;
        case 9:
        case 16:
            if (expect({kTsShutdown}) && wait(c, kWait2) && sendReset(c))
                log(QStringLiteral("Send \"Reset\" command, Check Module wake up and enter Idle "
                                   "Mode"));
            return;
        case 14:
            if (!expect({kTsIdle}))
                return;
            log(QStringLiteral("Module is disconnected"));
            if (wait(c, kWait2))
                eraseStep(c);
            return;
        default:
            if (!expect({kTsIdle}))
                return;
            log(QStringLiteral("Module is in Idle Mode"));
            roundEnd(c);
            return;
        }
    }

private:
    std::atomic<bool> passkeyExpected_{false};
};

} // namespace

CTestCase7::CTestCase7(QWidget* parent)
    : CTestCasePage(
          {QStringLiteral("BLE SDK Auto Test - Master"),
           QStringLiteral(
               "1. Check Module is enter Idle Mode.\n2. Send \"Set Scan Enable\" command.\n3. Send "
               "\"LE Create Connection\" command.\n4. Send \"Pairing Request\" command.\n5. Send "
               "passkey.\n6. Send \"Discover All Primary Service\" command.\n7. Send \"Connection "
               "Parameter Update Req (500ms)\" command.\n8. Wait for 120 seconds, check the link "
               "can be keep.\n9. Send \"Disconnect\" command.\n10. Send \"Into Shutdown Mode\" "
               "command.\n11. Send \"Reset\" command, Check Module wake up and enter Idle "
               "Mode.\n12. Send \"Set Scan Enable\" command.\n13. Send \"LE Create Connection\" "
               "command.\n14. Send \"Pairing Request\" command.\n15. Wait for 120 seconds, "
               "whether the link can be keep.\n16. Send \"Disconnect\" command.\n17. Send \"Erase "
               "All Paired Device Information\" command.\n18. Send \"Into Shutdown Mode\" "
               "command.\n19. Send \"Reset\" command, Check Module wake up and enter Idle "
               "Mode.\n20. Module is in Idle Mode."),
           QStringLiteral("1. Module is set to Manual Mode\n2. RX IND must enable\n3. UART "
                          "Interface and GPIO Ctrl(VK5310)\n4. IO capability is set to "
                          "KeyboardOnly."),
           true, QStringLiteral("0A0B0C0D0E0F"), 12, true},
          std::make_unique<SdkMaster>(), parent) {}
