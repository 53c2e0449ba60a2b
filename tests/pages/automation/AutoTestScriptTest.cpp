// The "Auto Test" page's settings: the script file (.ini) byte for byte, the order in
// which Load reads its lines, the rules that tie the check boxes together, the field
// corrections and the checks before Save and Start, through the page's controls.

#include "AutomationTestSupport.h"

#include "app/PageSet.h"
#include "pages/automation/AutoTestSettings.h"
#include "pages/automation/CPageAutoTest.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

AutoTestSettings loaded(const QByteArray& lines) {
    AutoTestSettings s;
    applyIni(QByteArray(kIniMarker) + "\r\n\r\n" + lines, s);
    return s;
}

TEST(AutoTestScript, SaveWritesTheMarkerAnEmptyLineAndNineteenKeysWithCrLf) {
    AutoTestSettings s;
    s.sendFile = QStringLiteral("C:\\data\\send.txt");
    s.pairing = true;
    s.applyPairingRule();
    EXPECT_EQ(iniText(s), QByteArray("@NUVEX_AUTO_TEST_TOOL_INI_FILE;\r\n"
                                     "\r\n"
                                     "[CreatConnection]Y;\r\n"
                                     "[RemoteDeviceAddress]333333333333;\r\n"
                                     "[PairingRequest]Y;\r\n"
                                     "[Passkey]758214;\r\n"
                                     "[SendByFile]N;\r\n"
                                     "[SendFilePath]C:\\data\\send.txt;\r\n"
                                     "[UpdateConnectionParameter]N;\r\n"
                                     "[ConnectionInterval]0006;\r\n"
                                     "[ConnectionLatency]0000;\r\n"
                                     "[ConnectionTimeout]000A;\r\n"
                                     "[DiscoverRemoteSupportedService]N;\r\n"
                                     "[Disconnect]Y;\r\n"
                                     "[Shutdown]N;\r\n"
                                     "[Wakeup]N;\r\n"
                                     "[Reconnection]Y;\r\n"
                                     "[PairingRequest2]N;\r\n"
                                     "[Disconnect2]Y;\r\n"
                                     "[ErasePairedDevice]Y;\r\n"
                                     "[Shutdown2]N;\r\n"));
}

TEST(AutoTestScript, LoadAppliesLinesInOrderSoTheExplicitLinesAfterPairingWin) {
    // [PairingRequest]Y checks Reconnection and Erase Paired Device; the lines that follow
    // in a saved file set them back as they were saved.
    AutoTestSettings saved;
    saved.pairing = true;
    saved.reconnection = true;
    saved.disconnect2 = false;
    saved.erasePaired = false;
    AutoTestSettings s;
    EXPECT_TRUE(applyIni(iniText(saved), s));
    EXPECT_EQ(s, saved);
    // Alone, the pairing line applies its rule.
    const AutoTestSettings rule = loaded("[PairingRequest]Y;\r\n");
    EXPECT_TRUE(rule.reconnection);
    EXPECT_TRUE(rule.erasePaired);
    EXPECT_TRUE(rule.disconnect2);
    // An unchecked Reconnection clears the whole second row, whatever came before.
    const AutoTestSettings cleared =
        loaded("[PairingRequest2]Y;\r\n[Shutdown2]Y;\r\n[Reconnection]N;\r\n");
    EXPECT_FALSE(cleared.pairing2);
    EXPECT_FALSE(cleared.shutdown2);
    EXPECT_FALSE(cleared.disconnect2);
}

TEST(AutoTestScript, KeysValuesAndSemicolonsAsLoadReadsThem) {
    // "[Disconnect2]" and "[PairingRequest2]" are not "[Disconnect]" or "[PairingRequest]".
    const AutoTestSettings second = loaded("[Disconnect]N;\r\n[Disconnect2]Y;\r\n"
                                           "[Reconnection]Y;\r\n[PairingRequest2]Y;\r\n");
    EXPECT_FALSE(second.disconnect);
    EXPECT_FALSE(second.pairing);
    EXPECT_TRUE(second.pairing2);
    EXPECT_TRUE(second.disconnect2);
    // Only an upper-case Y checks; text after the ";" stays in the value.
    EXPECT_FALSE(loaded("[Wakeup]y;\r\n").wakeUp);
    EXPECT_FALSE(loaded("[Wakeup]Y;x\r\n").wakeUp);
    EXPECT_TRUE(loaded("[Wakeup]Y\r\n").wakeUp);
    // The value is what follows the first "]", less its last ";".
    EXPECT_EQ(loaded("[Passkey]123456\r\n").passkey, "123456");
    EXPECT_EQ(loaded("[Passkey]12;34;\r\n").passkey, "12;34");
    EXPECT_EQ(loaded("[Passkey]12;x\r\n").passkey, "12x");
    EXPECT_EQ(loaded("note [SendFilePath]/tmp/a]b.txt;\r\n").sendFile, "/tmp/a]b.txt");
    // Texts are taken whole, longer or shorter than typing allows; empty lines are skipped.
    EXPECT_EQ(loaded("\r\n\r\n[RemoteDeviceAddress]0A0B0C0D0E;\r\n").address, "0A0B0C0D0E");
    EXPECT_EQ(loaded("[ConnectionInterval]00190;\n").interval, "00190");
    // Lines with LF only read the same.
    EXPECT_TRUE(loaded("[Shutdown]Y;\n[Shutdown2]N;\n").shutdown);
}

TEST(AutoTestScript, AFileWithoutTheMarkerStillChangesWhatItHolds) {
    AutoTestSettings s;
    EXPECT_FALSE(applyIni("[Shutdown]Y;\r\n[Passkey]000000;\r\n", s));
    EXPECT_TRUE(s.shutdown);
    EXPECT_EQ(s.passkey, "000000");
    // Junk changes nothing it does not name and never crashes.
    AutoTestSettings junk;
    QByteArray bytes(4096, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 131) % 251);
    EXPECT_FALSE(applyIni(bytes, junk));
    EXPECT_EQ(junk, AutoTestSettings{});
}

TEST(AutoTestScript, NamesValidationAndFieldCorrections) {
    EXPECT_EQ(iniFileName("/tmp/run"), "/tmp/run.ini");
    EXPECT_EQ(iniFileName("/tmp/RUN.INI"), "/tmp/RUN.INI");
    EXPECT_EQ(iniFileName("/tmp/run.ini"), "/tmp/run.ini");
    EXPECT_EQ(iniFileName("/tmp/run.inix"), "/tmp/run.inix"); // ".ini" within the last five
    EXPECT_EQ(iniFileName("/tmp/run.ini.bak"), "/tmp/run.ini.bak.ini");

    EXPECT_EQ(correctedInterval("0C81"), "0C80");
    EXPECT_EQ(correctedInterval("0001"), "0006");
    EXPECT_EQ(correctedInterval("zz"), "0006"); // not hexadecimal: 0
    EXPECT_EQ(correctedInterval("0190"), "0190");
    EXPECT_EQ(correctedTimeout("0005"), "000A");
    EXPECT_EQ(correctedTimeout("FFFF"), "0C80");

    // The first rule broken is the one reported; only lengths count.
    AutoTestSettings s;
    s.address = "0A0B0C0D0E";
    s.pairing = true;
    s.passkey = "123";
    s.sendData = true;
    s.updateParameters = true;
    s.interval = "6";
    s.latency = "0";
    s.timeout = "A";
    const QStringList expected = {"Please input 6 bytes for Direct Address!!",
                                  "Please input 6 numbers for Passkey!!",
                                  "Send File is not Selected!!",
                                  "Please input 2 bytes for Connection Interval!!",
                                  "Please input 2 bytes for Connection Latency!!",
                                  "Please input 2 bytes for Connection Timeout!!"};
    QStringList seen;
    while (const auto m = validationMessage(s)) {
        seen << *m;
        if (s.address.size() < 12)
            s.address = "GGGGGGGGGGGG"; // not checked: only the length
        else if (s.passkey.size() < 6)
            s.passkey = "abcdef";
        else if (s.sendFile.isEmpty())
            s.sendFile = "x";
        else if (s.interval.size() < 4)
            s.interval = "FFFF";
        else if (s.latency.size() < 4)
            s.latency = "FFFF";
        else
            s.timeout = "FFFF";
    }
    EXPECT_EQ(seen, expected);
    s.createConnection = false;
    s.address.clear();
    EXPECT_FALSE(validationMessage(s));
}

// ---------------------------------------------------------------------------------------
// The page's controls

class AutoTestPage : public ::testing::Test {
protected:
    void SetUp() override {
        h.dialog().show();
        h.window().ui().sheet->setCurrentWidget(&page());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.dialog()));
    }
    CPageAutoTest& page() { return h.pages().autoTest; }
    const CPageAutoTest::Controls& ui() { return page().controls(); }
    void click(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, 4)); }
    // Types into a field, then moves the focus away.
    void typeAndLeave(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        ui().passkey->setFocus();
        QCoreApplication::processEvents();
    }
    QString saveAs(const QString& name) {
        const QString path = QDir(h.window().directory()).filePath(name);
        h.prompts().queueSaveFile(path);
        QTest::mouseClick(ui().save, Qt::LeftButton);
        QCoreApplication::processEvents(); // Save runs once the click has returned
        return path;
    }

    AutomationHarness h;
};

TEST_F(AutoTestPage, StartsWithItsDefaultsThePreconditionsAndADisabledStart) {
    EXPECT_TRUE(ui().createConnection->isChecked());
    EXPECT_FALSE(ui().createConnection->isEnabled());
    EXPECT_TRUE(ui().disconnect->isChecked());
    EXPECT_FALSE(ui().disconnect->isEnabled());
    EXPECT_EQ(ui().address->text(), "333333333333");
    EXPECT_EQ(ui().passkey->text(), "758214");
    EXPECT_EQ(ui().interval->text(), "0006");
    EXPECT_EQ(ui().latency->text(), "0000");
    EXPECT_EQ(ui().timeout->text(), "000A");
    EXPECT_EQ(ui().executionTimes->text(), "1");
    EXPECT_EQ(ui().delay->text(), "0");
    EXPECT_FALSE(ui().delay->isVisible());
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui().pairing2, ui().disconnect2, ui().disconnect2Label,
                                         ui().erasePaired, ui().shutdown2})
        EXPECT_FALSE(w->isEnabled());
    EXPECT_FALSE(ui().start->isEnabled());
    EXPECT_EQ(ui().log->toPlainText(),
              "1. Module is set to Manual Mode\n2. RX IND must enable\n3. UART Interface and GPIO "
              "Ctrl(VK5310)\n4. IO capability is set to KeyboardOnly\n5. Remote device IO "
              "capability is set to DisplayOnly\n6. Enable pairing request\n");
    // Screen readers find the second-row boxes by their caption.
    EXPECT_EQ(ui().disconnect2Label->buddy(), ui().disconnect2);
}

TEST_F(AutoTestPage, PairingAndReconnectionClicksFollowTheirRules) {
    click(ui().pairing);
    EXPECT_TRUE(ui().reconnection->isChecked());
    EXPECT_TRUE(ui().erasePaired->isChecked());
    EXPECT_TRUE(ui().disconnect2->isChecked());
    EXPECT_TRUE(ui().pairing2->isEnabled());
    click(ui().pairing2);
    click(ui().shutdown2);
    // Unchecking pairing changes nothing else; unchecking Reconnection clears the row.
    click(ui().pairing);
    EXPECT_TRUE(ui().reconnection->isChecked());
    click(ui().reconnection);
    for (QCheckBox* b : {ui().pairing2, ui().disconnect2, ui().erasePaired, ui().shutdown2}) {
        EXPECT_FALSE(b->isChecked());
        EXPECT_FALSE(b->isEnabled());
    }
    EXPECT_FALSE(ui().disconnect2Label->isEnabled());
    EXPECT_TRUE(page().settings() == [] {
        AutoTestSettings s;
        return s;
    }());
}

TEST_F(AutoTestPage, IntervalAndTimeoutAreHeldToTheirRangesWhenLeft) {
    typeAndLeave(ui().interval, "0C81");
    EXPECT_EQ(ui().interval->text(), "0C80");
    typeAndLeave(ui().interval, "0001");
    EXPECT_EQ(ui().interval->text(), "0006");
    typeAndLeave(ui().timeout, "0005");
    EXPECT_EQ(ui().timeout->text(), "000A");
    typeAndLeave(ui().latency, "FFFF");
    EXPECT_EQ(ui().latency->text(), "FFFF"); // no correction
    EXPECT_EQ(page().settings().interval, "0006");
    EXPECT_EQ(page().settings().latency, "FFFF");
    // A character that is not hexadecimal is refused as it is typed.
    typeAndLeave(ui().address, "0A0B0C0D0E0G");
    EXPECT_EQ(ui().address->text(), "0A0B0C0D0E0");
    EXPECT_TRUE(h.prompts().messages().contains("Input error!! Not Hex mode"));
}

TEST_F(AutoTestPage, SaveAndLoadThroughTheButtons) {
    click(ui().shutdown);
    click(ui().discover);
    // Saved under a name without extension: ".ini" is added; capitals are kept.
    const QString plain = saveAs("steps");
    EXPECT_TRUE(QFile::exists(plain + ".ini"));
    EXPECT_EQ(h.prompts().fileFilters().last(), "INI FILE(*.ini)");
    EXPECT_EQ(h.prompts().messages().last(), "Save INI File Success!");
    EXPECT_EQ(h.prompts().icons().last(), PromptIcon::Information);
    saveAs("STEPS.INI");
    ASSERT_TRUE(QFile::exists(QDir(h.window().directory()).filePath("STEPS.INI")));

    // Back to the defaults, then Load brings the saved boxes back.
    click(ui().shutdown);
    click(ui().discover);
    h.loadScript(plain + ".ini");
    EXPECT_EQ(h.prompts().fileFilters().last(), "INI FILE(*.INI)");
    EXPECT_TRUE(ui().shutdown->isChecked());
    EXPECT_TRUE(ui().discover->isChecked());

    // A file without the marker: its values stay applied, and the error is shown.
    h.loadScript(h.writeFile("plain.ini", "[Wakeup]Y;\r\n[RemoteDeviceAddress]0A0B0C0D0E;\r\n"));
    EXPECT_EQ(h.prompts().messages().last(), "The is not the correct ini file");
    EXPECT_EQ(h.prompts().icons().last(), PromptIcon::Error);
    EXPECT_TRUE(ui().wakeUp->isChecked());
    EXPECT_EQ(ui().address->text(), "0A0B0C0D0E");
    // ... and the short address is reported by the next Save, which writes nothing.
    const int before = static_cast<int>(h.prompts().fileFilters().size());
    QTest::mouseClick(ui().save, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(h.prompts().messages().last(), "Please input 6 bytes for Direct Address!!");
    EXPECT_EQ(h.prompts().fileFilters().size(), before);

    h.loadScript(QDir(h.window().directory()).filePath("missing.ini"));
    EXPECT_EQ(h.prompts().messages().last(), " Open File Failed ");
}

TEST_F(AutoTestPage, BrowseFillsTheFileFieldAndStartChecksFirst) {
    h.prompts().queueOpenFile("/data/send.txt");
    QTest::mouseClick(ui().browse, Qt::LeftButton);
    EXPECT_EQ(h.prompts().fileFilters().last(), "TXT FILE(*.TXT)");
    EXPECT_EQ(ui().file->text(), "/data/send.txt");
    EXPECT_EQ(page().settings().sendFile, "/data/send.txt");

    h.connect();
    EXPECT_TRUE(ui().start->isEnabled());
    h.loadScript(h.writeFile("short.ini",
                             QByteArray(kIniMarker) + "\r\n[RemoteDeviceAddress]0A0B0C0D0E;\r\n"));
    h.pressStart();
    EXPECT_EQ(h.prompts().messages().last(), "Please input 6 bytes for Direct Address!!");
    EXPECT_FALSE(page().run().running());
    EXPECT_EQ(ui().start->text(), "Start");

    // A loaded script is not filtered as typing is: values the run would send garbled are
    // refused at Start with what is wrong; nothing is sent.
    const qsizetype sent = h.packets("<-- ").size();
    const std::pair<QByteArray, QString> bad[] = {
        {"[RemoteDeviceAddress]0A0B0C0D0E0G;",
         "Direct Address must be 12 hexadecimal digits: \"0A0B0C0D0E0G\""},
        {"[RemoteDeviceAddress]0A0B0C0D0E0F11;",
         "Direct Address must be 12 hexadecimal digits: \"0A0B0C0D0E0F11\""},
        {"[PairingRequest]Y;\r\n[Passkey]75821X;", "Passkey must be 6 decimal digits: \"75821X\""},
        {"[UpdateConnectionParameter]Y;\r\n[ConnectionInterval]0C80;\r\n[ConnectionLatency]"
         "00001;",
         "Connection Latency must be 4 hexadecimal digits: \"00001\""},
        {"[UpdateConnectionParameter]Y;\r\n[ConnectionTimeout]ZZZZ;",
         "Connection Timeout must be 4 hexadecimal digits: \"ZZZZ\""},
    };
    for (const auto& [lines, message] : bad) {
        // The defaults first, so each script holds only its own fault.
        h.loadScript(h.writeFile("bad.ini", iniText(AutoTestSettings{}) + lines + "\r\n"));
        h.pressStart();
        EXPECT_EQ(h.prompts().messages().last(), message);
        EXPECT_FALSE(page().run().running());
    }
    EXPECT_EQ(h.packets("<-- ").size(), sent);
}

} // namespace
} // namespace nuvex3::test
