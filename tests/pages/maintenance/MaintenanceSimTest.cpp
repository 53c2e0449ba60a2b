// The maintenance pages in the main window against the simulated module, as a user meets
// them: every device command's answer in the "Common" page, the dump of the module's
// eFlash, DIO and PWM, and the air patch writes on a connected sensor.

#include "MaintenanceTestSupport.h"

#include "app/PacketLog.h"
#include "app/PageSet.h"
#include "pages/gatt/CPageGATTTable.h"
#include "pages/gatt/GattTablePanel.h"
#include "pages/maintenance/CPageAirPatch.h"
#include "pages/maintenance/CPageCommon.h"
#include "pages/maintenance/CPageGpio.h"
#include "sim/Scenario.h"
#include "sim/VirtualModule.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

enum OpIndex {
    kReadLocal = 0,
    kAdc = 3,
    kDebug = 5,
    kReadName,
    kWriteName,
    kErase,
    kReadMode,
    kWriteMode,
    kReadPaired
};

class AgainstSimulator : public ::testing::Test {
protected:
    void SetUp() override {
        h.connectTo(QStringLiteral("Simulated module"));
        ASSERT_TRUE(h.dialog().connected());
        h.dialog().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.dialog()));
    }

    void showTab(QWidget* page) { h.ui().sheet->setCurrentWidget(page); }
    void send(int opcode) {
        test::choose(common.opcodeCombo(), opcode);
        QTest::mouseClick(common.sendButton(), Qt::LeftButton);
    }
    bool until(const std::function<bool()>& done) { return waitFor(done); }
    // Connects to the heart rate sensor NVX-HRM with a raw command; its handle.
    std::uint8_t connectSensor() {
        h.writeRaw("17", "00000F0E0D0C0B0A");
        EXPECT_TRUE(until([&] { return h.dialog().linkTable().size() == 1; }));
        return h.dialog().linkTable().empty() ? 0 : h.dialog().linkTable()[0];
    }
    int lineCount(const QString& text) {
        h.dialog().packetLog().flush();
        int n = 0;
        for (const LogLine& l : logLines(h.ui().logView))
            n += l.text == text;
        return n;
    }

    MainWindowHarness h;
    CPageCommon& common = h.dialog().pages().common;
};

TEST_F(AgainstSimulator, EveryCommonCommandShowsTheModulesAnswer) {
    showTab(&common);
    send(kReadLocal);
    ASSERT_TRUE(until([&] { return !common.fwVersionEdit()->text().isEmpty(); }));
    EXPECT_EQ(common.fwVersionEdit()->text(), "01000307");
    EXPECT_EQ(common.addressEdit()->text(), "001122334455");
    EXPECT_EQ(common.hwVersionCombo()->currentText(), "0x00: NUVEX3 QFN32");

    send(kReadName);
    ASSERT_TRUE(until([&] { return common.deviceNameEdit()->text() == "NUVEX3-SIM"; }));
    test::choose(common.opcodeCombo(), kWriteName);
    typeInto(common.valueCombo(0), "BENCH-7");
    QTest::mouseClick(common.sendButton(), Qt::LeftButton);
    send(kReadName);
    EXPECT_TRUE(until([&] { return common.deviceNameEdit()->text() == "BENCH-7"; }));

    send(kReadMode);
    ASSERT_TRUE(until([&] { return common.pairingModeCombo()->currentIndex() == 2; }));
    test::choose(common.opcodeCombo(), kWriteMode);
    test::choose(common.valueCombo(0), 3); // NoInputNoOutput: pairing needs no key
    QTest::mouseClick(common.sendButton(), Qt::LeftButton);
    send(kReadMode);
    EXPECT_TRUE(
        until([&] { return common.pairingModeCombo()->currentText() == "0x03: NoInputNoOutput"; }));

    // Battery, pin 5 and temperature.
    const struct {
        int channel;
        const char *value, *range, *volts;
    } adc[] = {{16, "0021", "0.1V", "(3.300 V)"},
               {5, "0025", "0.05V", "(1.850 V)"},
               {17, "0019", "ADC Value", ""}};
    for (const auto& a : adc) {
        test::choose(common.opcodeCombo(), kAdc);
        test::choose(common.valueCombo(0), a.channel);
        QTest::mouseClick(common.sendButton(), Qt::LeftButton);
        ASSERT_TRUE(until([&] { return common.adcValueEdit()->text() == a.value; })) << a.value;
        EXPECT_EQ(common.adcRangeCombo()->currentText(), a.range);
        EXPECT_EQ(common.voltageLabel()->text(), a.volts);
    }

    // Debug access: write memory, read it back, read the start of the eFlash.
    test::choose(common.opcodeCombo(), kDebug);
    test::choose(common.valueCombo(0), 1); // "0x02: Write Memory"
    typeInto(common.valueCombo(2), "0100");
    typeInto(common.valueCombo(3), "CAFE01");
    QTest::mouseClick(common.sendButton(), Qt::LeftButton);
    test::choose(common.valueCombo(0), 0); // "0x01: Read Memory"
    typeInto(common.valueCombo(1), "4");
    QTest::mouseClick(common.sendButton(), Qt::LeftButton);
    // The fourth byte is the module's memory pattern at 0x0103.
    EXPECT_TRUE(until([&] { return common.valueCombo(3)->currentText() == "CAFE0102"; }))
        << common.valueCombo(3)->currentText().toStdString();
    test::choose(common.valueCombo(0), 2); // "0x03: Read eFlash"
    typeInto(common.valueCombo(1), "8");
    typeInto(common.valueCombo(2), "0000");
    QTest::mouseClick(common.sendButton(), Qt::LeftButton);
    EXPECT_TRUE(until([&] { return common.valueCombo(3)->currentText() == "001122334455FFFF"; }));

    // The paired-device list after pairing with the sensor; erased, it empties.
    const std::uint8_t link = connectSensor();
    h.writeRaw("42", QString::asprintf("%02X", link));
    ASSERT_TRUE(until([&] {
        return h.prompts().messages().contains(
            QString::asprintf("Pairing Complete with Connection Handle(0x%02X)", link));
    }));
    send(kReadPaired);
    ASSERT_TRUE(until([&] { return common.pairedModel()->rowCount() == 1; }));
    EXPECT_EQ(common.pairedModel()->item(0, 0)->text(), "00");
    EXPECT_EQ(common.pairedModel()->item(0, 1)->text(), "01");
    EXPECT_EQ(common.pairedModel()->item(0, 2)->text(), "0x0A0B0C0D0E0F");
    send(kErase);
    EXPECT_TRUE(until([&] { return common.pairedModel()->rowCount() == 0; }));
    send(kReadPaired);
    ASSERT_TRUE(until([&] { return lineCount("--> 0004800C0000") == 1; })); // no device
    EXPECT_EQ(common.pairedModel()->rowCount(), 0);

    EXPECT_EQ(
        h.prompts().messages(),
        QStringList({QString::asprintf("Pairing Complete with Connection Handle(0x%02X)", link)}));
}

TEST_F(AgainstSimulator, TheDumpFileHoldsTheModulesEflash) {
    showTab(&common);
    test::choose(common.opcodeCombo(), kDebug);
    // Written first, then dumped with the rest.
    test::choose(common.valueCombo(0), 3); // "0x04: Write eFlash"
    typeInto(common.valueCombo(2), "0100");
    typeInto(common.valueCombo(3), "DEADBEEF");
    QTest::mouseClick(common.sendButton(), Qt::LeftButton);
    ASSERT_TRUE(until([&] { return lineCount("--> 000480060004") == 1; }));

    const QString path = QDir(h.directory()).filePath("eflash");
    h.prompts().queueSaveFile(path);
    QTest::mouseClick(common.dumpButton(), Qt::LeftButton);
    ASSERT_TRUE(until([&] { return h.prompts().messages().contains("Dump eFlash Success!"); }));

    sim::Bytes expected = sim::VirtualModule(sim::defaultScenario()).eflash();
    ASSERT_EQ(expected.size(), 1024u);
    std::copy_n(sim::Bytes{0xDE, 0xAD, 0xBE, 0xEF}.begin(), 4, expected.begin() + 0x100);
    QFile file(path + ".txt");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    sim::Bytes dumped;
    int headers = 0;
    QStringList offsets;
    for (const QString& line : QString::fromLatin1(file.readAll()).split('\n')) {
        headers += line.startsWith(";;;");
        if (line.isEmpty() || line.startsWith(";;;"))
            continue;
        offsets << line.left(4);
        const QString digits = line.mid(8).remove(' ').remove(';');
        for (int j = 0; j + 1 < digits.size(); j += 2)
            dumped.push_back(static_cast<std::uint8_t>(digits.mid(j, 2).toUInt(nullptr, 16)));
    }
    EXPECT_EQ(headers, 4);
    ASSERT_EQ(offsets.size(), 64);
    EXPECT_EQ(offsets.first(), "0000");
    EXPECT_EQ(offsets.last(), "03f0");
    EXPECT_EQ(dumped, expected);
}

TEST_F(AgainstSimulator, DioLevelsAndPwmComeBackFromTheModule) {
    CPageGpio& gpio = h.dialog().pages().gpio;
    showTab(&gpio);
    QTest::mouseClick(gpio.pinCheck(0), Qt::LeftButton);
    test::choose(gpio.pinControl(0), 2);                  // P00 "Output High"
    QTest::mouseClick(gpio.pinCheck(11), Qt::LeftButton); // P13 "Input"
    QTest::mouseClick(gpio.pinCheck(31), Qt::LeftButton);
    test::choose(gpio.pinControl(31), 1); // P37 "Output Low"
    QTest::mouseClick(gpio.dioSendButton(), Qt::LeftButton);
    ASSERT_TRUE(h.waitForLine("<-- 000D0E010000800100000001080080"));
    // Outputs read back their level; inputs are pulled high.
    ASSERT_TRUE(until([&] { return gpio.pinInput(31)->text() == "0"; }));
    for (int p = 0; p < 31; ++p)
        EXPECT_EQ(gpio.pinInput(p)->text(), "1") << p;

    test::choose(gpio.pwmEnable(), 1);
    gpio.topValue()->setText("0010");
    gpio.compareValue()->setText("0008");
    QTest::mouseClick(gpio.pwmSendButton(), Qt::LeftButton);
    EXPECT_TRUE(h.waitForLine("<-- 00090F0001000010000800"));
    EXPECT_TRUE(h.waitForLine("--> 0003800F00"));
    EXPECT_TRUE(h.prompts().messages().isEmpty());
}

TEST_F(AgainstSimulator, AirPatchWritesGoToTheHandleTheRemoteTableFound) {
    CPageAirPatch& page = h.dialog().pages().airPatch;
    const std::uint8_t link = connectSensor();
    ASSERT_EQ(page.linkTable(), std::vector<std::uint8_t>{link});
    // Before the remote table knows the sensor the write goes to 0x0000, which it refuses.
    QTest::mouseClick(page.loginButton(), Qt::LeftButton);
    ASSERT_TRUE(until([&] { return !h.prompts().messages().isEmpty(); }));
    EXPECT_EQ(h.prompts().messages(),
              QStringList({"Command(0x34) Error: \nInvalid Handle (0x81)"}));

    // "Get Remote GATT Table" walks the sensor's table; the air patch characteristic's
    // value handle is found there.
    CPageGATTTable& table = h.dialog().pages().gattTable;
    showTab(&table);
    QTest::mouseClick(table.panel()->getButton(), Qt::LeftButton);
    ASSERT_TRUE(until([&] { return !table.walking() && table.valueHandleOf(link, "2A37"); }));
    EXPECT_EQ(table.valueHandleOf(link, CPageAirPatch::characteristicUuid()), 0x0062);

    QTest::mouseClick(page.loginButton(), Qt::LeftButton);
    EXPECT_TRUE(h.waitForLine(QString::asprintf("<-- 000634%02X00006201", link)));
    EXPECT_TRUE(h.waitForLine("--> 0003803400"));
    h.prompts().queueOpenFile(QDir(h.directory()).filePath("image.bin"));
    QFile image(QDir(h.directory()).filePath("image.bin"));
    ASSERT_TRUE(image.open(QIODevice::WriteOnly));
    image.write(QByteArray(20, '\x5A'));
    image.close();
    QTest::mouseClick(page.updateManufactureButton(), Qt::LeftButton);
    EXPECT_TRUE(h.waitForLine(QString::asprintf("<-- 000D34%02X0000620A04480001240030", link)));
    EXPECT_TRUE(until([&] { return lineCount("--> 0003803400") == 2; }));
    EXPECT_EQ(h.prompts().messages().size(), 1);
}

} // namespace
} // namespace nuvex3::test
