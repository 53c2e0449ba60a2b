// The "Decoded" view in the real main window: records from the port become rows with the
// times of the test clock, answers pair with their commands, errors, checksum failures and
// time-outs are red, the raw log stays as it was; against the simulated module a scan is
// filtered, exported and read back by tshark, and the next Connect starts a new session.

#include "AppTestSupport.h"
#include "PtyPair.h"

#include "app/DecodedModel.h"
#include "app/DecodedView.h"
#include "app/PacketLog.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "link/Clock.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

struct Row {
    std::string number, time, direction, name, roundTrip, fields;
    bool red;
    bool operator==(const Row&) const = default;
};
void PrintTo(const Row& r, std::ostream* os) {
    *os << "{" << r.number << " " << r.time << " " << r.direction << " " << r.name << " | "
        << r.roundTrip << " | " << r.fields << (r.red ? " | red" : "") << "}";
}

std::vector<Row> rows(DecodedModel& m) {
    m.flush();
    std::vector<Row> out;
    for (int r = 0; r < m.rowCount(); ++r) {
        auto text = [&](int c) { return m.data(m.index(r, c)).toString().toStdString(); };
        out.push_back({text(DecodedModel::Number), text(DecodedModel::Time),
                       text(DecodedModel::Direction), text(DecodedModel::Name),
                       text(DecodedModel::RoundTrip), text(DecodedModel::Fields),
                       m.data(m.index(r, 0), Qt::ForegroundRole).isValid()});
    }
    return out;
}

class DecodedOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        h.connectTo(QString::fromStdString(pty.slavePath()));
        ASSERT_TRUE(h.dialog().connected());
    }
    DecodedModel& model() { return h.dialog().decodedModel(); }
    bool waitRows(int n) {
        return waitFor([&] {
            model().flush();
            return model().rowCount() >= n;
        });
    }

    ManualClock clock;
    ScopedClock scoped{clock};
    PtyPair pty;
    MainWindowHarness h;
};

TEST_F(DecodedOnPty, RowsTimesPairingAndErrorsFromThePort) {
    EXPECT_EQ(h.ui().logTabs->tabText(0), "Raw");
    EXPECT_EQ(h.ui().logTabs->tabText(1), "Decoded");

    clock.advance(1500us);
    h.writeRaw("16", "0100");
    EXPECT_EQ(pty.read(7), (Bytes{0xAA, 0x00, 0x03, 0x16, 0x01, 0x00, 0xE6}));
    clock.advance(3456us);
    pty.write(framePacket(0x80, Bytes{0x16, 0x00}));
    ASSERT_TRUE(waitRows(2));

    // A Command Complete for no command, one with an error, and a packet whose checksum
    // fails (the window also says so in a message box).
    clock.advance(1ms);
    pty.write(framePacket(0x80, Bytes{0x10, 0x02}));
    auto bad = framePacket(0x81, Bytes{0x09});
    bad.back() ^= 0x01;
    pty.write(bad);
    ASSERT_TRUE(waitRows(4));
    EXPECT_TRUE(waitFor([&] { return h.countMessages("UART Checksum Error [RX]") == 1; }));

    // A command the module never answers: the layer gives up after 10 s of the clock.
    ASSERT_TRUE(h.dialog().layer()->ReadRSSIValue(0x01));
    EXPECT_EQ(pty.read(6), (Bytes{0xAA, 0x00, 0x02, 0x10, 0x01, 0xED}));
    clock.advance(10s);
    ASSERT_TRUE(waitRows(6));

    EXPECT_EQ(
        rows(model()),
        (std::vector<Row>{
            {"1", "1.500", "<--", "Set Scan Enable", "3.456 ms",
             "Scan Enable: 0x01 (Scanning Enabled), Filter Duplicate: 0x00 (Duplicate "
             "Filtering Disabled)",
             false},
            {"2", "4.956", "-->", "Command Complete", "3.456 ms",
             "Command: 0x16 (Set Scan Enable), Status: 0x00 (Command succeeded)", false},
            {"3", "5.956", "-->", "Command Complete", "no command",
             "Command: 0x10 (Read RSSI Value), Status: 0x02 (Unknown Connection Identifier)", true},
            {"4", "5.956", "-->", "Status Report", "", "Module State: 0x09 (Idle Mode)", true},
            {"5", "5.956", "<--", "Read RSSI Value", "no response", "Connection Handle: 0x01",
             true},
            {"6", "10005.956", "", "No response", "",
             "No response to command 0x10 (Read RSSI Value)", true},
        }));

    // The raw log is as it always was: packets and messages.
    h.dialog().packetLog().flush();
    QStringList raw;
    for (const LogLine& l : logLines(h.ui().logView))
        raw << l.text;
    EXPECT_EQ(raw, (QStringList{"<-- 0003160100", "--> 0003801600", "--> 0003801002",
                                "Command(0x10) Error: Unknown Connection Identifier (0x02)",
                                "--> 00028109", "UART Checksum Error [RX]", "<-- 00021001",
                                "No response to command 0x10"}));
}

class DecodedAgainstTheSimulator : public ::testing::Test {
protected:
    DecodedModel& model() { return h.dialog().decodedModel(); }
    DecodedView& view() { return *h.ui().decoded; }
    MainWindowHarness h;
};

TEST_F(DecodedAgainstTheSimulator, ScanFilterExportAndANewSession) {
    h.connectTo(QStringLiteral("Simulated module"));
    ASSERT_TRUE(h.dialog().connected());
    h.ui().logTabs->setCurrentWidget(h.ui().decoded);
    h.writeRaw("16", "0100");
    ASSERT_TRUE(waitFor([&] {
        model().flush();
        for (int r = 0; r < model().rowCount(); ++r)
            if (model().data(model().index(r, DecodedModel::Fields)).toString().contains("NVX-HRM"))
                return true;
        return false;
    }));
    h.writeRaw("16", "0000");
    ASSERT_TRUE(h.waitForLine("<-- 0003160000"));
    // Both answers are in the view.
    ASSERT_TRUE(waitFor([&] {
        model().flush();
        int answers = 0;
        for (int r = 0; r < model().rowCount(); ++r)
            answers += model()
                           .data(model().index(r, DecodedModel::Fields))
                           .toString()
                           .startsWith("Command: 0x16 (Set Scan Enable), Status: 0x00");
        return answers == 2;
    }));

    // The user types a filter: the reports of the heart rate sensor.
    QTest::keyClicks(view().controls().filter, "0x70 NVX-HRM");
    QTest::keyClick(view().controls().filter, Qt::Key_Return);
    model().finishFiltering();
    ASSERT_GT(model().rowCount(), 0);
    for (int r = 0; r < model().rowCount(); ++r) {
        EXPECT_EQ(model().data(model().index(r, DecodedModel::Name)).toString(),
                  "Advertising Report");
        EXPECT_TRUE(model()
                        .data(model().index(r, DecodedModel::Fields))
                        .toString()
                        .startsWith("Event Type: 0x00 (ADV_IND), Address Type: 0x00 (Public), "
                                    "Address: 0A:0B:0C:0D:0E:0F, Data Length: 18, Data: {Flags: "
                                    "0x06, Complete Local Name: \"NVX-HRM\""));
    }

    // Export... writes what tshark reads with the project's dissector.
    const QString path = QDir(h.directory()).filePath("scan.pcapng");
    h.prompts().queueSaveFile(path);
    QTest::mouseClick(view().controls().exportButton, Qt::LeftButton);
    ASSERT_TRUE(QFile::exists(path));
    QProcess tshark;
    tshark.start(QStringLiteral(NUVEX3_TSHARK),
                 {"-X", "lua_script:" NUVEX3_DISSECTOR_COPY, "-r", path, "-Y",
                  "nuvex3.command == 0x16", "-T", "fields", "-e", "_ws.col.Info"});
    ASSERT_TRUE(tshark.waitForFinished(60000));
    EXPECT_EQ(tshark.readAllStandardOutput().toStdString(),
              "Set Scan Enable, Scan Enable: 0x01 (Scanning Enabled), Filter Duplicate: 0x00 "
              "(Duplicate Filtering Disabled)\n"
              "Set Scan Enable, Scan Enable: 0x00 (Scanning Disabled), Filter Duplicate: 0x00 "
              "(Duplicate Filtering Disabled)\n");

    // The rows stay after Disconnect; the next Connect starts a new session.
    view().controls().filter->clear();
    QTest::keyClick(view().controls().filter, Qt::Key_Return);
    h.pressConnectButton();
    ASSERT_FALSE(h.dialog().connected());
    const int kept = model().rowCount();
    EXPECT_GT(kept, 5);
    h.pressConnectButton();
    ASSERT_TRUE(h.dialog().connected());
    EXPECT_TRUE(waitFor([&] {
        model().flush();
        return model().rowCount() > 0;
    }));
    EXPECT_LT(model().rowCount(), kept);
    EXPECT_EQ(model().data(model().index(0, DecodedModel::Number)).toString(), "1");
    EXPECT_EQ(model().data(model().index(0, DecodedModel::Name)).toString(), "Status Report");
}

} // namespace
} // namespace nuvex3::test
