// Connect, the raw command entry, the packet log and its file, against the simulated
// module and against a pseudo-terminal whose other side the test plays.

#include "AppTestSupport.h"
#include "PtyPair.h"

#include "app/PacketLog.h"
#include "app/PageSet.h"
#include "link/CKelvra_CmdSet_Layer.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray viewAsFile(QTextEdit* view) {
    QByteArray expected;
    for (const LogLine& l : logLines(view))
        expected += l.text.toLatin1() + "\r\n";
    return expected;
}

TEST(MainWindowConnect, RawCommandToTheSimulatedModuleIsLoggedRedAndBlueAndInTheFile) {
    MainWindowHarness h;
    h.connectTo("Simulated module");
    ASSERT_TRUE(h.dialog().connected()) << h.prompts().messages().join('|').toStdString();
    EXPECT_EQ(h.ui().connect->text(), "Disconnect");
    EXPECT_TRUE(h.ui().writeData->isEnabled());
    EXPECT_TRUE(h.ui().loadScript->isEnabled());
    EXPECT_FALSE(h.ui().continuousSend->isEnabled());
    EXPECT_FALSE(h.ui().port->isEnabled());
    EXPECT_FALSE(h.ui().baud->isEnabled());
    EXPECT_FALSE(h.ui().gpio->isEnabled());
    EXPECT_EQ(h.dialog().pages().gap.layer(), h.dialog().layer());
    ASSERT_EQ(h.logFiles().size(), 1);

    h.writeRaw("01", "");
    ASSERT_TRUE(h.waitForLine("<-- 000101"));
    // The answer: a Command Complete (0x80) for command 0x01.
    ASSERT_TRUE(waitFor([&] {
        h.dialog().packetLog().flush();
        for (const LogLine& l : logLines(h.ui().logView))
            if (l.text.startsWith("--> ") && l.text.mid(8, 4) == "8001")
                return true;
        return false;
    }));
    for (const LogLine& l : logLines(h.ui().logView)) {
        if (l.text.startsWith("<-- "))
            EXPECT_EQ(l.colour, QColor(255, 0, 0)) << l.text.toStdString();
        else
            EXPECT_EQ(l.colour, QColor(0, 0, 255)) << l.text.toStdString();
    }
    EXPECT_TRUE(h.prompts().messages().isEmpty()) << h.prompts().messages().join('|').toStdString();

    h.pressConnectButton();
    EXPECT_FALSE(h.dialog().connected());
    EXPECT_EQ(h.ui().connect->text(), "Connect");
    EXPECT_EQ(h.dialog().layer(), nullptr);
    EXPECT_EQ(h.dialog().pages().gap.layer(), nullptr);
    EXPECT_FALSE(h.ui().writeData->isEnabled());
    EXPECT_TRUE(h.ui().port->isEnabled());
    EXPECT_TRUE(h.ui().gpio->isEnabled());
    // Every line shown is in the file, each ended by CR LF, nothing else.
    const QByteArray file = fileBytes(h.directory() + "/" + h.logFiles().first());
    EXPECT_TRUE(file.startsWith("<-- 000101\r\n") || file.contains("\r\n<-- 000101\r\n"));
    EXPECT_EQ(file, viewAsFile(h.ui().logView));
}

TEST(MainWindowConnect, RawCommandBytesOnTheWire) {
    PtyPair pty;
    MainWindowHarness h;
    h.connectTo(QString::fromStdString(pty.slavePath()));
    ASSERT_TRUE(h.dialog().connected());

    // An odd last digit becomes the high nibble of the last byte.
    h.writeRaw("05", "1A2");
    EXPECT_EQ(h.ui().length->text(), "2");
    const Bytes sent = pty.read(7);
    EXPECT_EQ(sent, framePacket(0x05, Bytes{0x1A, 0x20}));
    EXPECT_TRUE(h.waitForLine("<-- 0003051A20"));

    // A one-digit opcode is the high nibble; empty data gives a command without parameters.
    h.writeRaw("5", "");
    EXPECT_EQ(pty.read(5), framePacket(0x50, Bytes{}));
    EXPECT_TRUE(h.waitForLine("<-- 000150"));

    // Lower-case digits are taken as upper case.
    h.writeRaw("0a", "ff01");
    EXPECT_EQ(pty.read(7), framePacket(0x0A, Bytes{0xFF, 0x01}));

    // No opcode: a message and nothing on the wire.
    h.writeRaw("", "0102");
    EXPECT_EQ(h.prompts().messages(), QStringList({"Please input the write Opcode!"}));
    EXPECT_TRUE(pty.drain(std::chrono::milliseconds(100)).empty());
}

TEST(MainWindowConnect, APortThatCannotBeOpenedLeavesTheWindowDisconnectedWithALogFile) {
    MainWindowHarness h;
    h.connectTo("/nonexistent/ttyNUVEX");
    EXPECT_FALSE(h.dialog().connected());
    EXPECT_EQ(h.dialog().layer(), nullptr);
    EXPECT_EQ(h.ui().connect->text(), "Connect");
    EXPECT_EQ(h.prompts().messages(), QStringList({"Open /nonexistent/ttyNUVEX Fail!"}));
    EXPECT_EQ(h.logFiles().size(), 1);
    EXPECT_TRUE(h.dialog().packetLog().fileOpen());
    EXPECT_FALSE(h.ui().writeData->isEnabled());
    EXPECT_FALSE(h.ui().loadScript->isEnabled());
    EXPECT_TRUE(h.ui().port->isEnabled());
    // Every Connect attempt disables GPIO Ctrl and H/W Flow Ctrl.
    EXPECT_FALSE(h.ui().gpio->isEnabled());
    EXPECT_EQ(h.dialog().pages().gap.layer(), nullptr);

    // Connecting again works once a port is there.
    PtyPair pty;
    h.connectTo(QString::fromStdString(pty.slavePath()));
    EXPECT_TRUE(h.dialog().connected());
}

TEST(MainWindowConnect, ABridgeThatDoesNotStartStopsConnectBeforeAnythingElse) {
    // No bridge library is installed where the layer looks for it.
    qunsetenv("NUVEX3_BRIDGE_DIR");
    PtyPair pty;
    MainWindowHarness h;
    h.ui().gpio->setCurrentIndex(1);
    h.connectTo(QString::fromStdString(pty.slavePath()));
    EXPECT_EQ(h.prompts().messages(), QStringList({"Can't find PinLink-UM.dll"}));
    EXPECT_FALSE(h.dialog().connected());
    EXPECT_EQ(h.dialog().layer(), nullptr);
    EXPECT_EQ(h.ui().connect->text(), "Connect");
    EXPECT_TRUE(h.logFiles().isEmpty());
    EXPECT_TRUE(h.ui().gpio->isEnabled());
    EXPECT_TRUE(pty.drain(std::chrono::milliseconds(50)).empty());

    // "No Use" connects as usual.
    h.ui().gpio->setCurrentIndex(0);
    h.pressConnectButton();
    EXPECT_TRUE(h.dialog().connected());
}

TEST(MainWindowConnect, LogViewTrimsAndClearLeavesTheFileAlone) {
    PtyPair pty;
    MainWindowHarness h;
    h.connectTo(QString::fromStdString(pty.slavePath()));
    ASSERT_TRUE(h.dialog().connected());
    h.writeRaw("01", "");
    ASSERT_TRUE(h.waitForLine("<-- 000101"));
    QTest::mouseClick(h.ui().clear, Qt::LeftButton);
    EXPECT_TRUE(h.ui().logView->toPlainText().isEmpty());
    h.writeRaw("02", "");
    ASSERT_TRUE(h.waitForLine("<-- 000102"));
    h.pressConnectButton();
    EXPECT_EQ(fileBytes(h.directory() + "/" + h.logFiles().first()),
              QByteArray("<-- 000101\r\n<-- 000102\r\n"));
}

} // namespace
} // namespace nuvex3::test
