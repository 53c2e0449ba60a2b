// The "DIO" page inside the main window, the module played on a pseudo-terminal: the pin
// masks of DIO Control, the levels of its answer, and the PWM bytes and compare check.

#include "MaintenanceTestSupport.h"

#include "app/PageSet.h"
#include "pages/maintenance/CPageGpio.h"
#include "ui/Prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

constexpr int kInput = 0, kOutputLow = 1, kOutputHigh = 2;

int pin(int port, int bit) {
    return port * 8 + bit;
}

class DioPage : public ::testing::Test, public ModuleOnPty {
protected:
    void SetUp() override { show(&page); }

    void setPin(int p, int control) {
        QTest::mouseClick(page.pinCheck(p), Qt::LeftButton);
        ASSERT_TRUE(page.pinCheck(p)->isChecked());
        test::choose(page.pinControl(p), control);
    }
    QString input(int p) { return page.pinInput(p)->text(); }
    void sendDio() { QTest::mouseClick(page.dioSendButton(), Qt::LeftButton); }
    void sendPwm() { QTest::mouseClick(page.pwmSendButton(), Qt::LeftButton); }
    void retype(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    CPageGpio& page = h.dialog().pages().gpio;
};

TEST_F(DioPage, CheckedPinsMakeTheThreeMasksAndTheAnswerFillsTheLevels) {
    for (int p = 0; p < CPageGpio::kPins; ++p)
        EXPECT_FALSE(page.pinControl(p)->isEnabled()) << p;
    EXPECT_EQ(page.pinCheck(pin(2, 0))->text(), "P20");
    EXPECT_EQ(page.pinCheck(pin(3, 7))->text(), "P37");

    // No pin checked: twelve zero bytes.
    sendDio();
    EXPECT_EQ(nextCommand(), packetText(0x0E, Bytes(12, 0x00)));

    setPin(pin(0, 0), kOutputHigh);
    setPin(pin(1, 3), kInput);
    setPin(pin(3, 7), kOutputLow);
    // A pin checked and unchecked again goes back to "Input", disabled.
    setPin(pin(2, 5), kOutputHigh);
    QTest::mouseClick(page.pinCheck(pin(2, 5)), Qt::LeftButton);
    EXPECT_EQ(page.pinControl(pin(2, 5))->currentText(), "Input");
    EXPECT_FALSE(page.pinControl(pin(2, 5))->isEnabled());

    sendDio();
    EXPECT_EQ(nextCommand(false), packetText(0x0E, {0x01, 0x00, 0x00, 0x80, 0x01, 0x00, 0x00, 0x00,
                                                    0x01, 0x08, 0x00, 0x80}));
    // The answer carries the level of every pin, port 0 first.
    complete(0x0E, {0x01, 0xFE, 0x00, 0x7F});
    EXPECT_EQ(input(pin(0, 0)), "1");
    EXPECT_EQ(input(pin(0, 1)), "0");
    EXPECT_EQ(input(pin(1, 3)), "1");
    EXPECT_EQ(input(pin(1, 0)), "0");
    EXPECT_EQ(input(pin(2, 4)), "0");
    EXPECT_EQ(input(pin(3, 6)), "1");
    EXPECT_EQ(input(pin(3, 7)), "0");

    // Every send empties the fields; an answer without levels leaves them empty.
    sendDio();
    for (int p = 0; p < CPageGpio::kPins; ++p)
        EXPECT_EQ(input(p), "") << p;
    nextCommand(false);
    complete(0x0E);
    EXPECT_EQ(input(pin(0, 0)), "");
    EXPECT_TRUE(h.prompts().messages().isEmpty());
}

TEST_F(DioPage, PwmSendsSixBytesWhenEnabledAndChecksTheCompareValue) {
    EXPECT_EQ(page.topValue()->text(), "0001");
    EXPECT_EQ(page.compareValue()->text(), "0000");
    EXPECT_FALSE(page.topValue()->isEnabled());
    EXPECT_FALSE(page.pwmClock()->isEnabled());

    // Disabled: channel and 0, whatever the other fields hold.
    test::choose(page.pwmChannel(), 2);
    sendPwm();
    EXPECT_EQ(nextCommand(), packetText(0x0F, {0x02, 0x00}));

    test::choose(page.pwmEnable(), 1);
    EXPECT_TRUE(page.topValue()->isEnabled());
    EXPECT_TRUE(page.compareValue()->isEnabled());
    EXPECT_TRUE(page.pwmClock()->isEnabled());
    EXPECT_TRUE(page.pwmInverse()->isEnabled());
    sendPwm();
    EXPECT_EQ(nextCommand(), packetText(0x0F, {0x02, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}));

    test::choose(page.pwmChannel(), 4); // "Channel 1 with output to P36"
    test::choose(page.pwmClock(), 2);   // "16 MHz"
    test::choose(page.pwmInverse(), 1);
    retype(page.topValue(), "1F40");
    retype(page.compareValue(), "0FA0");
    sendPwm();
    EXPECT_EQ(nextCommand(), packetText(0x0F, {0x04, 0x01, 0x02, 0x1F, 0x40, 0x0F, 0xA0, 0x01}));

    // The compare value must stay below the top value.
    retype(page.compareValue(), "1F40");
    sendPwm();
    retype(page.compareValue(), "FFFF");
    sendPwm();
    EXPECT_EQ(h.prompts().messages(),
              QStringList({"The Compare Value must smaller than Top Value",
                           "The Compare Value must smaller than Top Value"}));
    EXPECT_EQ(h.prompts().icons().front(), PromptIcon::Error);
    EXPECT_TRUE(silent());

    h.prompts().clear();
    retype(page.topValue(), "1G");
    EXPECT_EQ(page.topValue()->text(), "1");
    EXPECT_EQ(h.prompts().messages(), QStringList({"Input error!! Not Hex mode"}));

    h.pressConnectButton(); // "Disconnect"
    EXPECT_FALSE(page.dioSendButton()->isEnabled());
    EXPECT_FALSE(page.pwmSendButton()->isEnabled());
}

} // namespace
} // namespace nuvex3::test
