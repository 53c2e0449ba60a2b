// The "Common" page inside the main window, the module played on a pseudo-terminal: the
// packet every opcode sends, the debug command rows and their checks, and the results the
// window routes into the page's fields.

#include "MaintenanceTestSupport.h"

#include "app/PageSet.h"
#include "pages/maintenance/CPageCommon.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace nuvex3::test {
namespace {

enum OpIndex {
    kReadLocal = 0,
    kReset,
    kStatus,
    kAdc,
    kShutdown,
    kDebug,
    kReadName,
    kWriteName,
    kErase,
    kReadMode,
    kWriteMode,
    kReadPaired,
    kDelete
};

class CommonPage : public ::testing::Test, public ModuleOnPty {
protected:
    void SetUp() override { show(&page); }

    void choose(int opcode) { test::choose(page.opcodeCombo(), opcode); }
    void chooseRow(int row, int index) { test::choose(page.valueCombo(row), index); }
    void type(int row, const QString& text) { typeInto(page.valueCombo(row), text); }
    void send() { QTest::mouseClick(page.sendButton(), Qt::LeftButton); }
    QString rowText(int row) { return page.valueCombo(row)->currentText(); }
    QString cell(int row, int column) { return page.pairedModel()->item(row, column)->text(); }

    CPageCommon& page = h.dialog().pages().common;
};

TEST_F(CommonPage, EveryOpcodeSendsItsPacket) {
    struct Case {
        int opcode;
        std::function<void()> fill;
        std::string packet;
    };
    const Case cases[] = {
        {kReadLocal, {}, packetText(0x01, {})},
        {kAdc, [&] { chooseRow(0, 17); }, packetText(0x04, {0x11})}, // "Temperature value"
        {kShutdown, {}, packetText(0x05, {})},
        {kDebug,
         [&] {
             chooseRow(0, 2); // "0x03: Read eFlash"
             type(1, "32");
             type(2, "03E0");
         },
         packetText(0x06, {0x03, 0x20, 0x03, 0xE0})},
        {kDebug,
         [&] {
             chooseRow(0, 1); // "0x02: Write Memory": the length follows the value
             type(2, "0010");
             type(3, "12345");
             EXPECT_EQ(rowText(1), "3");
         },
         packetText(0x06, {0x02, 0x03, 0x00, 0x10, 0x12, 0x34, 0x50})},
        {kReadName, {}, packetText(0x07, {})},
        {kWriteName, [&] { type(0, "NVX-1"); }, packetText(0x08, {0x00, 'N', 'V', 'X', '-', '1'})},
        {kErase, {}, packetText(0x09, {})},
        {kReadMode, {}, packetText(0x0A, {})},
        {kWriteMode, [&] { chooseRow(0, 3); }, packetText(0x0B, {0x00, 0x03})},
        {kReadPaired, {}, packetText(0x0C, {})},
        {kDelete, [&] { chooseRow(0, 7); }, packetText(0x0D, {0x07})},
    };
    for (const Case& c : cases) {
        choose(c.opcode);
        if (c.fill)
            c.fill();
        send();
        EXPECT_EQ(nextCommand(), c.packet) << page.opcodeCombo()->currentText().toStdString();
    }
    // Reset and Read NUVEX3 Status are answered by a Status Report.
    for (int opcode : {kReset, kStatus}) {
        choose(opcode);
        send();
        EXPECT_EQ(nextCommand(false), packetText(static_cast<std::uint8_t>(opcode + 1), {}));
        event(0x81, {0x09});
    }
    EXPECT_TRUE(h.prompts().messages().isEmpty()) << h.prompts().messages().join('|').toStdString();
}

TEST_F(CommonPage, DebugRowsFollowTheDebugOpcodeAndCheckWhatIsTyped) {
    EXPECT_EQ(page.opcodeCombo()->count(), 13);
    EXPECT_FALSE(page.dumpButton()->isVisible());
    choose(kDebug);
    EXPECT_TRUE(page.dumpButton()->isVisible());
    EXPECT_TRUE(page.dumpProgress()->isVisible());
    const char* captions[] = {"Debug OpCode:", "Length:", "Address:", "Write Value:"};
    const char* units[] = {"(Selection)", "(Unit: 1 Octet, 1 ~ 32)", "(Unit: 2 Octet)",
                           "(Unit: 1 ~ 32 Octets)"};
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(page.captionLabel(row)->text(), captions[row]);
        EXPECT_EQ(page.unitLabel(row)->text(), units[row]);
        EXPECT_EQ(page.prefixLabel(row)->isVisible(), row != 1);
    }
    EXPECT_EQ(rowText(0), "0x01: Read Memory");
    EXPECT_EQ(rowText(1), "00");
    EXPECT_EQ(rowText(2), "0000");
    // A read takes a length, a write a value.
    EXPECT_TRUE(page.valueCombo(1)->isEnabled());
    EXPECT_FALSE(page.valueCombo(3)->isEnabled());
    chooseRow(0, 3); // "0x04: Write eFlash"
    EXPECT_FALSE(page.valueCombo(1)->isEnabled());
    EXPECT_TRUE(page.valueCombo(3)->isEnabled());
    type(3, "ABCDEF0");
    EXPECT_EQ(rowText(1), "4");
    chooseRow(0, 2); // "0x03: Read eFlash"
    EXPECT_TRUE(page.valueCombo(1)->isEnabled());
    EXPECT_FALSE(page.valueCombo(3)->isEnabled());

    // The length is a decimal number up to 32.
    type(1, "45");
    EXPECT_EQ(rowText(1), "32");
    type(1, "1x");
    EXPECT_EQ(rowText(1), "1");
    EXPECT_EQ(h.prompts().messages(), QStringList({"Input error!! Not Number"}));
    h.prompts().clear();

    // Refusals: each stops the command.
    type(1, "");
    send();
    type(1, "00");
    send();
    type(1, "8");
    type(2, "12");
    send();
    chooseRow(0, 1); // "0x02: Write Memory"
    type(2, "1234");
    type(3, "1");
    send();
    EXPECT_EQ(h.prompts().messages(),
              QStringList({"Please input Length", "Length must bigger than 0",
                           "Please input 2 byte for Address",
                           "Please input at least 1 byte for Write Value"}));
    EXPECT_TRUE(silent());

    // Another opcode hides the dump and disables the rows it does not use.
    choose(kAdc);
    EXPECT_FALSE(page.dumpButton()->isVisible());
    EXPECT_EQ(page.captionLabel(0)->text(), "Channel:");
    EXPECT_EQ(page.unitLabel(0)->text(), "(Reserved)");
    EXPECT_EQ(page.valueCombo(0)->count(), 18);
    EXPECT_EQ(page.captionLabel(1)->text(), "Parameter 2:");
    EXPECT_FALSE(page.valueCombo(1)->isEnabled());
    choose(kReadLocal);
    EXPECT_FALSE(page.valueCombo(0)->isEnabled());
}

TEST_F(CommonPage, ResultsRoutedByTheWindowFillTheFields) {
    // Read Local Information: version, address (sent least significant byte first), type.
    complete(0x01, {0x01, 0x00, 0x03, 0x07, 0x55, 0x44, 0x33, 0x22, 0x11, 0x00, 0x03});
    EXPECT_EQ(page.fwVersionEdit()->text(), "01000307");
    EXPECT_EQ(page.addressEdit()->text(), "001122334455");
    EXPECT_EQ(page.hwVersionCombo()->currentIndex(), 3);
    // The type byte's two hex digits are read as a decimal index: 0x0A reads as 0, 0x10
    // as 10, which has no entry.
    complete(0x01, {0x01, 0x00, 0x03, 0x07, 0x55, 0x44, 0x33, 0x22, 0x11, 0x00, 0x0A});
    EXPECT_EQ(page.hwVersionCombo()->currentIndex(), 0);
    complete(0x01, {0x01, 0x00, 0x03, 0x07, 0x55, 0x44, 0x33, 0x22, 0x11, 0x00, 0x10});
    EXPECT_EQ(page.hwVersionCombo()->currentIndex(), -1);

    // ADC: range 2 is 0.05 V a step.
    complete(0x04, {0x02, 0x00, 0x64});
    EXPECT_EQ(page.adcValueEdit()->text(), "0064");
    EXPECT_EQ(page.adcRangeCombo()->currentText(), "0.05V");
    EXPECT_EQ(page.voltageLabel()->text(), "(5.000 V)");
    complete(0x04, {0x03, 0x01, 0x00});
    EXPECT_EQ(page.voltageLabel()->text(), "(6.400 V)");
    complete(0x04, {0x00, 0x00, 0x19});
    EXPECT_EQ(page.adcValueEdit()->text(), "0019");
    EXPECT_EQ(page.adcRangeCombo()->currentText(), "ADC Value");
    EXPECT_EQ(page.voltageLabel()->text(), "");

    complete(0x07, {'N', 'V', 'X', '3'});
    EXPECT_EQ(page.deviceNameEdit()->text(), "NVX3");
    complete(0x0A, {0x04});
    EXPECT_EQ(page.pairingModeCombo()->currentText(), "0x04: KeyboardDisplay");

    // The paired devices: index and priority in decimal, the address most significant
    // byte first.
    complete(0x0C, {0x02, 0x00, 0x01, 0x0F, 0x0E, 0x0D, 0x0C, 0x0B, 0x0A, 0x0C, 0x02, 0x66, 0x55,
                    0x44, 0x33, 0x22, 0x11});
    ASSERT_EQ(page.pairedModel()->rowCount(), 2);
    EXPECT_EQ(cell(0, 0), "00");
    EXPECT_EQ(cell(0, 1), "01");
    EXPECT_EQ(cell(0, 2), "0x0A0B0C0D0E0F");
    EXPECT_EQ(cell(1, 0), "12");
    EXPECT_EQ(cell(1, 1), "02");
    EXPECT_EQ(cell(1, 2), "0x112233445566");
    // A list whose count needs more bytes than came is not shown.
    complete(0x0C, {0x03, 0x00, 0x01, 0x0F, 0x0E, 0x0D, 0x0C, 0x0B, 0x0A});
    EXPECT_EQ(page.pairedModel()->rowCount(), 2);
    // Erase All Paired Device Information completed: the list empties.
    complete(0x09);
    EXPECT_EQ(page.pairedModel()->rowCount(), 0);

    // A debug read outside a dump shows its bytes in "Write Value:".
    choose(kDebug);
    complete(0x06, {0x01, 0xDE, 0xAD, 0xBE, 0xEF});
    EXPECT_EQ(rowText(3), "DEADBEEF");
    EXPECT_TRUE(h.prompts().messages().isEmpty());
}

} // namespace
} // namespace nuvex3::test
