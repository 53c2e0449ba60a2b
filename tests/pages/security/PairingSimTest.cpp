// Pairing as a user does it against "Simulated module": connect a peer from the GAP page,
// start pairing on the SMP page (or let the peer ask), type the pass key on the keypad or
// answer the numeric comparison question. Every command shows in the log as it went out.
// The module's time runs on the test clock, so its 30-second pairing time-out takes no
// time.

#include "AppTestSupport.h"

#include "app/PacketLog.h"
#include "app/PageSet.h"
#include "link/Clock.h"
#include "pages/security/CPageDisplayYesNo.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>

namespace nuvex3::test {
namespace {

using namespace std::chrono_literals;

constexpr auto kPairingTimeout = 30s;                        // the simulated module's
const QString kHrm = QStringLiteral("0A0B0C0D0E0F");         // display only, key 602491
const QString kThermometer = QStringLiteral("665544332211"); // keyboard and display
const QString kKeyRequest = QStringLiteral("Please input the Pass Key of Connection Handle(0x01)");
const QString kComplete = QStringLiteral("Pairing Complete with Connection Handle(0x01)");

class PairingWithSimulatedModule : public ::testing::Test {
protected:
    void SetUp() override {
        h.dialog().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.dialog()));
        connectModule();
    }

    void connectModule() {
        h.connectTo(QStringLiteral("Simulated module"));
        ASSERT_TRUE(h.dialog().connected());
        ASSERT_TRUE(h.waitForLine("--> 0006810909090909")); // powered on, idle
    }
    // Disconnect and Connect again: a module fresh from power on.
    void reconnect() {
        h.pressConnectButton();
        ASSERT_FALSE(h.dialog().connected());
        connectModule();
    }

    // The module's pairing mode (IO capabilities), written as raw command 0x0B.
    void pairingMode(std::uint8_t mode) {
        h.writeRaw("0B", QString::asprintf("00%02X", mode));
        ASSERT_TRUE(h.waitForLine("--> 0003800B00"));
    }

    // "0x17: LE Create Connection" to the peer from the GAP page; the link is up when its
    // handle reaches the SMP page.
    void connectPeer(const QString& address) {
        CPageGAP& gap = pages().gap;
        h.ui().sheet->setCurrentWidget(&gap);
        gap.selectOpcode(CPageGAP::kCreateConnectionIndex);
        gap.valueCombo(2)->setEditText(address);
        QTest::mouseClick(gap.sendButton(), Qt::LeftButton);
        ASSERT_TRUE(h.waitForLine("--> 0003801700"));
        clock.advance(200ms); // the peer's connection delay
        ASSERT_TRUE(waitFor([&] { return h.dialog().linkTable().size() == 1; }));
        EXPECT_EQ(pages().smp.valueCombo(0)->currentText(), "01");
    }

    // "Send" on the SMP page with the handle it offers.
    void pairingRequest() {
        h.ui().sheet->setCurrentWidget(&pages().smp);
        QTest::mouseClick(pages().smp.sendButton(), Qt::LeftButton);
        ASSERT_TRUE(h.waitForLine("<-- 00024201"));
        ASSERT_TRUE(h.waitForLine("--> 0003804200"));
    }

    void typeKey(const QString& digits) {
        CPassKeyPage& keypad = pages().passKey;
        for (QChar c : digits) {
            const int d = c.digitValue();
            QTest::mouseClick(keypad.digitButton(d), Qt::LeftButton);
            ASSERT_TRUE(h.waitForLine(QString::asprintf("<-- 00044001013%d", d)));
        }
        QTest::mouseClick(keypad.enterButton(), Qt::LeftButton);
        ASSERT_TRUE(h.waitForLine("<-- 0003400104"));
    }

    bool waitForMessage(const QString& text) {
        return waitFor([&] { return h.prompts().messages().contains(text); });
    }
    CPageDisplayYesNo* openQuestion() {
        for (auto* q : h.dialog().findChildren<CPageDisplayYesNo*>())
            if (q->isVisible())
                return q;
        return nullptr;
    }
    // The log lines (sent and received) that begin with prefix.
    QStringList logged(const QString& prefix) {
        h.dialog().packetLog().flush();
        QStringList lines;
        for (const LogLine& l : logLines(h.ui().logView))
            if (l.text.startsWith(prefix))
                lines << l.text;
        return lines;
    }

    PageSet& pages() { return h.dialog().pages(); }

    MainWindowHarness h;
    ManualClock clock;
    ScopedClock scoped{clock};
};

TEST_F(PairingWithSimulatedModule, PassKeyEntryTypedOnTheKeypadThenTheBondedPeerPairsAgain) {
    connectPeer(kHrm);
    pairingRequest();
    ASSERT_TRUE(waitForMessage(kKeyRequest));
    CPassKeyPage& keypad = pages().passKey;
    EXPECT_EQ(h.ui().sheet->currentWidget(), &keypad);
    EXPECT_TRUE(keypad.keypadEnabled());
    EXPECT_EQ(keypad.handleEdit()->text(), "01");

    typeKey("602491");
    ASSERT_TRUE(waitForMessage(kComplete));
    EXPECT_TRUE(h.waitForLine("--> 0003610100"));
    EXPECT_FALSE(keypad.keypadEnabled());
    EXPECT_EQ(keypad.display()->text(), "");

    // Bonded now: the module pairs again without asking for the key.
    h.prompts().clear();
    pairingRequest();
    ASSERT_TRUE(waitForMessage(kComplete));
    EXPECT_EQ(h.prompts().messages(), QStringList({kComplete}));
    EXPECT_FALSE(keypad.keypadEnabled());
}

TEST_F(PairingWithSimulatedModule, AWrongKeyFailsAndAKeyNeverTypedTimesOut) {
    connectPeer(kHrm);
    pairingRequest();
    ASSERT_TRUE(waitForMessage(kKeyRequest));
    typeKey("123456");
    ASSERT_TRUE(waitForMessage("Pairing Fail"));
    EXPECT_TRUE(h.waitForLine("--> 0003610101"));
    EXPECT_FALSE(pages().passKey.keypadEnabled());

    pairingRequest();
    ASSERT_TRUE(waitFor([&] { return h.countMessages(kKeyRequest) == 2; }));
    EXPECT_TRUE(pages().passKey.keypadEnabled());
    clock.advance(kPairingTimeout);
    ASSERT_TRUE(waitForMessage("Pairing Timeout"));
    EXPECT_TRUE(h.waitForLine("--> 0003610102"));
    EXPECT_FALSE(pages().passKey.keypadEnabled());
    EXPECT_EQ(h.prompts().messages(),
              QStringList({kKeyRequest, "Pairing Fail", kKeyRequest, "Pairing Timeout"}));
}

TEST_F(PairingWithSimulatedModule, NumericComparisonAnsweredYesThenNo) {
    pairingMode(0x01);         // display with yes/no
    connectPeer(kThermometer); // it asks for pairing as soon as it is connected
    ASSERT_TRUE(waitFor([&] { return openQuestion() != nullptr; }));
    CPageDisplayYesNo* q = openQuestion();
    EXPECT_EQ(q->handleEdit()->text(), "01");
    EXPECT_EQ(q->codeEdit()->text(), "602491");
    QTest::mouseClick(q->yesButton(), Qt::LeftButton);
    ASSERT_TRUE(h.waitForLine("<-- 0003410100"));
    ASSERT_TRUE(waitForMessage(kComplete));
    EXPECT_EQ(openQuestion(), nullptr);

    reconnect(); // a fresh module has no bond
    pairingMode(0x01);
    h.prompts().clear();
    connectPeer(kThermometer);
    ASSERT_TRUE(waitFor([&] { return openQuestion() != nullptr; }));
    QTest::mouseClick(openQuestion()->noButton(), Qt::LeftButton);
    ASSERT_TRUE(h.waitForLine("<-- 0003410101"));
    ASSERT_TRUE(waitForMessage("Pairing Fail"));
    EXPECT_EQ(h.prompts().messages(), QStringList({"Pairing Fail"}));
}

TEST_F(PairingWithSimulatedModule, AQuestionLeftUnansweredClosesOnTheTimeOutWithoutSending) {
    pairingMode(0x04); // keyboard and display: numeric comparison with this peer too
    connectPeer(kThermometer);
    ASSERT_TRUE(waitFor([&] { return openQuestion() != nullptr; }));
    clock.advance(kPairingTimeout);
    ASSERT_TRUE(waitForMessage("Pairing Timeout"));
    EXPECT_EQ(openQuestion(), nullptr);
    EXPECT_TRUE(logged("<-- 000341").isEmpty());
}

TEST_F(PairingWithSimulatedModule, TheModuleShowingItsKeyPairsWithoutQuestionOrKeypad) {
    pairingMode(0x00); // display only: the peer types the key the module shows
    connectPeer(kThermometer);
    ASSERT_TRUE(waitForMessage(kComplete));
    EXPECT_EQ(openQuestion(), nullptr);
    EXPECT_FALSE(pages().passKey.keypadEnabled());
    EXPECT_EQ(h.prompts().messages(), QStringList({kComplete}));
}

} // namespace
} // namespace nuvex3::test
