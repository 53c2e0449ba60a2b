// The main window as a user meets it: start-up defaults, the port list, the property
// sheet and the profile pages operation.

#include "AppTestSupport.h"
#include "PtyPair.h"

#include "app/PacketLog.h"
#include "app/PageSet.h"
#include "framework/MainWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

QStringList items(QComboBox* c) {
    QStringList l;
    for (int i = 0; i < c->count(); ++i)
        l << c->itemText(i);
    return l;
}

QStringList tabCaptions(QTabWidget* sheet) {
    QStringList l;
    for (int i = 0; i < sheet->count(); ++i)
        l << sheet->tabText(i);
    return l;
}

TEST(MainWindowStartUp, ControlsHoldTheirDefaults) {
    MainWindowHarness h({"/dev/ttyUSB0", "/dev/ttyUSB1"});
    auto& ui = h.ui();
    EXPECT_EQ(h.dialog().windowTitle(), "NUVEX3 Manual Test Tool v0.37");

    EXPECT_EQ(items(ui.port), QStringList({"/dev/ttyUSB0", "/dev/ttyUSB1", "Simulated module"}));
    EXPECT_EQ(ui.port->currentText(), "/dev/ttyUSB0");
    EXPECT_EQ(h.dialog().portPath(), "/dev/ttyUSB0");
    EXPECT_EQ(items(ui.baud), QStringList({"921600", "460800", "230400", "115200", "57600", "38400",
                                           "9600", "4800", "2400"}));
    EXPECT_EQ(ui.baud->currentText(), "115200");
    EXPECT_EQ(items(ui.parity), QStringList({"None", "Odd", "Event", "Mark", "Space"}));
    EXPECT_EQ(ui.parity->currentIndex(), 0);
    EXPECT_EQ(items(ui.stopBits), QStringList({"1", "2"}));
    EXPECT_EQ(ui.stopBits->currentIndex(), 0);
    EXPECT_EQ(items(ui.gpio), QStringList({"No Use", "VK5310"}));
    EXPECT_EQ(ui.gpio->currentIndex(), 0);
    EXPECT_EQ(ui.nuvexInterface->currentText(), "UART");
    EXPECT_FALSE(ui.nuvexInterface->isEnabled());
    EXPECT_FALSE(ui.flowControl->isChecked());
    EXPECT_EQ(ui.rxIndBefore->text(), "20");
    EXPECT_EQ(ui.rxIndAfter->text(), "10");

    EXPECT_EQ(ui.connect->text(), "Connect");
    EXPECT_TRUE(ui.connect->isEnabled());
    EXPECT_EQ(ui.writeData->text(), "Write Data ");
    EXPECT_FALSE(ui.writeData->isEnabled());
    EXPECT_FALSE(ui.loadScript->isEnabled());
    EXPECT_EQ(ui.continuousSend->text(), "Continuous Send");
    EXPECT_FALSE(ui.continuousSend->isEnabled());
    EXPECT_EQ(ui.length->text(), "0");
    EXPECT_TRUE(ui.length->isReadOnly());
    EXPECT_EQ(ui.repeatRounds->text(), "1");
    EXPECT_TRUE(ui.countTimes->text().isEmpty());
    EXPECT_EQ(ui.opcode->maxLength(), 2);
    EXPECT_TRUE(ui.logView->isReadOnly());

    const QStringList states = {"0x00: Power On",        "0x01: Scanning Mode",
                                "0x02: Connecting Mode", "0x03: Standby Mode",
                                "0x05: Broadcast Mode",  "0x08: Transparent Service Enabled Mode",
                                "0x09: Idle Mode.",      "0x0A: Shutdown Mode",
                                "0x0B: Configure Mode",  "0x0c: BLE Connected Mode"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(items(ui.status[i]), states) << i;
        EXPECT_FALSE(ui.status[i]->isEnabled());
        EXPECT_EQ(ui.status[i]->currentIndex(), -1);
    }
    QStringList link4 = states;
    link4[0] = "0x00: Poawer On";
    EXPECT_EQ(items(ui.status[4]), link4);
}

TEST(MainWindowStartUp, SheetHoldsThirteenPagesInOrderAndProfilePagesComeAndGo) {
    MainWindowHarness h;
    QTabWidget* sheet = h.ui().sheet;
    EXPECT_EQ(tabCaptions(sheet),
              QStringList({"Common", "GAP", "Pass Key Page", "Transparent", "Remote GATT Table",
                           "ADV / SR Data", "GATT Client", "GATT Server", "SMP", "Local GATT Table",
                           "DIO", "Test Page", "Auto Test"}));
    EXPECT_EQ(sheet->currentIndex(), 0);
    PageSet& pages = h.dialog().pages();
    const std::vector<CPageBase*> unlisted = {&pages.lesc,        &pages.airPatch,
                                              &pages.demoCorvane, &pages.meshTransmit,
                                              &pages.meshReceive, &pages.meshEvent};
    for (CPageBase* page : unlisted)
        EXPECT_EQ(sheet->indexOf(page), -1) << page->caption().toStdString();

    // Weight scale and heart rate join at the end; the last one added is active.
    h.dialog().setProfilePages(kProfileWeightScale | kProfileHeartRate);
    EXPECT_EQ(sheet->count(), 15);
    EXPECT_EQ(sheet->indexOf(&pages.weightScale), 13);
    EXPECT_EQ(sheet->indexOf(&pages.heartRate), 14);
    EXPECT_EQ(sheet->currentWidget(), &pages.heartRate);
    // Asking again for a page that is shown activates it without a second tab.
    h.dialog().setProfilePages(kProfileWeightScale | kProfileGlucose);
    EXPECT_EQ(sheet->count(), 16);
    EXPECT_EQ(sheet->indexOf(&pages.glucose), 15);
    EXPECT_EQ(sheet->currentWidget(), &pages.glucose);

    h.dialog().setProfilePages(0);
    EXPECT_EQ(sheet->count(), 13);
    for (const auto& [flag, page] : pages.profiles())
        EXPECT_EQ(sheet->indexOf(page), -1);
}

TEST(MainWindowStartUp, WithoutSerialPortsTheSimulatedModuleIsSelected) {
    MainWindowHarness h;
    EXPECT_EQ(items(h.ui().port), QStringList({"Simulated module"}));
    EXPECT_EQ(h.ui().port->currentText(), "Simulated module");
}

TEST(MainWindowPortList, PortsWithADeviceBehindThemArePreferredToLegacyPlaceholders) {
    // Only the placeholders every Linux PC lists: nothing would answer there.
    EXPECT_EQ(MainWindowHarness({"/dev/ttyS0", "/dev/ttyS1"}).ui().port->currentText(),
              "Simulated module");
    EXPECT_EQ(MainWindowHarness({"/dev/ttyS0", "/dev/ttyUSB0"}).ui().port->currentText(),
              "/dev/ttyUSB0");
    EXPECT_EQ(MainWindowHarness({"/dev/ttyACM0", "/dev/ttyS0"}).ui().port->currentText(),
              "/dev/ttyACM0");
    EXPECT_EQ(MainWindowHarness({"/dev/ttyS10", "/dev/ttyAMA0"}).ui().port->currentText(),
              "/dev/ttyAMA0");

    // A placeholder stays listed and may be chosen; when the chosen port goes away the
    // same rule picks the next one.
    MainWindowHarness h({"/dev/ttyS0", "/dev/ttyUSB0"});
    EXPECT_EQ(items(h.ui().port), QStringList({"/dev/ttyS0", "/dev/ttyUSB0", "Simulated module"}));
    h.systemPorts() = {"/dev/ttyS0"};
    h.ui().port->showPopup();
    h.ui().port->hidePopup();
    EXPECT_EQ(h.ui().port->currentText(), "Simulated module");
    EXPECT_EQ(h.dialog().portPath(), "Simulated module");
}

TEST(MainWindowPortList, DropDownKeepsAPresentSelectionAndFallsBackToThePreferredEntry) {
    MainWindowHarness h({"/dev/ttyS4", "/dev/ttyS7"});
    auto* port = h.ui().port;
    port->setCurrentIndex(1);
    EXPECT_EQ(h.dialog().portPath(), "/dev/ttyS7");

    h.systemPorts() = {"/dev/ttyACM0", "/dev/ttyS7"};
    port->showPopup();
    port->hidePopup();
    EXPECT_EQ(items(port), QStringList({"/dev/ttyACM0", "/dev/ttyS7", "Simulated module"}));
    EXPECT_EQ(port->currentText(), "/dev/ttyS7");
    EXPECT_EQ(h.dialog().portPath(), "/dev/ttyS7");

    h.systemPorts() = {"/dev/ttyACM0"};
    port->showPopup();
    port->hidePopup();
    EXPECT_EQ(items(port), QStringList({"/dev/ttyACM0", "Simulated module"}));
    EXPECT_EQ(port->currentText(), "/dev/ttyACM0");
    EXPECT_EQ(h.dialog().portPath(), "/dev/ttyACM0");

    // The simulated module is always there, so it is kept as well.
    port->setCurrentIndex(1);
    h.systemPorts() = {};
    port->showPopup();
    port->hidePopup();
    EXPECT_EQ(port->currentText(), "Simulated module");
}

TEST(MainWindowPortList, CommandLinePortsFollowTheSystemPortsAndTheFirstIsSelected) {
    auto ports = std::make_shared<QStringList>(QStringList{"/dev/ttyUSB0"});
    DialogOptions options;
    options.startDirectory = QDir::tempPath();
    options.extraPorts = {"/tmp/a", "/dev/ttyUSB0", "/tmp/b"};
    options.portSource = [ports] { return *ports; };
    RecordingPrompts prompts;
    ScopedPrompts scoped(prompts);
    CKelvra_V1_4_TEST_TOOLDlg dialog(options);
    EXPECT_EQ(items(dialog.controls().port),
              QStringList({"/dev/ttyUSB0", "/tmp/a", "/tmp/b", "Simulated module"}));
    EXPECT_EQ(dialog.controls().port->currentText(), "/tmp/a");
}

TEST(MainWindowRawEntry, LengthCountsAnOddDigitAsAByteAndNonHexIsRemoved) {
    MainWindowHarness h;
    QTest::keyClicks(h.ui().data, "1A2");
    EXPECT_EQ(h.ui().length->text(), "2");
    QTest::keyClicks(h.ui().data, "G");
    EXPECT_EQ(h.prompts().messages(), QStringList({"Input error!! Not Hex mode"}));
    EXPECT_EQ(h.ui().data->text(), "1A2");
    EXPECT_EQ(h.ui().length->text(), "2");
    QTest::keyClicks(h.ui().opcode, "1x");
    EXPECT_EQ(h.ui().opcode->text(), "1");
    EXPECT_EQ(h.prompts().messages().size(), 2);

    // Enter in a field presses no button of the window (Connect least of all).
    h.dialog().show();
    h.ui().opcode->setFocus();
    QTest::keyClick(h.ui().opcode, Qt::Key_Return);
    QTest::keyClick(h.ui().data, Qt::Key_Enter);
    EXPECT_TRUE(h.logFiles().isEmpty());
    EXPECT_EQ(h.ui().connect->text(), "Connect");
    EXPECT_TRUE(h.dialog().isVisible());
}

TEST(MainWindowClosing, EscDoesNothingAndClosingWhileConnectedAsksFirst) {
    PtyPair pty;
    MainWindowHarness h;
    h.dialog().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.dialog()));
    h.connectTo(QString::fromStdString(pty.slavePath()));
    ASSERT_TRUE(h.dialog().connected());

    h.ui().data->setFocus();
    QTest::keyClick(h.ui().data, Qt::Key_Escape);
    QTest::keyClick(&h.dialog(), Qt::Key_Escape);
    EXPECT_TRUE(h.dialog().isVisible());
    EXPECT_TRUE(h.dialog().connected());
    EXPECT_TRUE(h.prompts().questions().isEmpty());

    // "No" keeps the window and the session.
    EXPECT_FALSE(h.dialog().close());
    EXPECT_EQ(h.prompts().questions(),
              QStringList({"The module is still connected. Disconnect and close the tool?"}));
    EXPECT_TRUE(h.dialog().isVisible());
    EXPECT_TRUE(h.dialog().connected());

    // "Yes" disconnects (the log file is complete and closed), then closes.
    h.prompts().queueYesNo(true);
    EXPECT_TRUE(h.dialog().close());
    EXPECT_FALSE(h.dialog().isVisible());
    EXPECT_FALSE(h.dialog().connected());
    EXPECT_FALSE(h.dialog().packetLog().fileOpen());
    EXPECT_EQ(h.prompts().questions().size(), 2);

    // Disconnected, the window closes without a question.
    h.dialog().show();
    EXPECT_TRUE(h.dialog().close());
    EXPECT_EQ(h.prompts().questions().size(), 2);
}

} // namespace
} // namespace nuvex3::test
