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
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

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

// Advertising reports that differ in their address (the packet's number) and RSSI.
Bytes advertisingReport(int i) {
    return framePacket(0x70,
                       Bytes{0x00, 0x00, 0x0F, 0x0E, 0x0D, 0x0C, static_cast<std::uint8_t>(i >> 8),
                             static_cast<std::uint8_t>(i), 0x03, 0x02, 0x01, 0x06,
                             static_cast<std::uint8_t>(0xC4 - i % 20)});
}

std::string fields(DecodedModel& m, int row) {
    return m.data(m.index(row, DecodedModel::Fields)).toString().toStdString();
}

// A session longer than the rows kept in memory, fed from a thread of its own (the
// pseudo-terminal fills while the window, on this thread, holds the reader back).
class LongSessionOnPty : public DecodedOnPty {
protected:
    static constexpr int kPackets = 40000;
    void feed() {
        Bytes stream;
        for (int i = 0; i < kPackets; ++i) {
            const Bytes p = advertisingReport(i);
            stream.insert(stream.end(), p.begin(), p.end());
        }
        std::thread writer([&] { pty.write(stream); });
        const bool all = waitFor(
            [&] {
                model().flush();
                return model().session().store().endSeq() == kPackets;
            },
            60000);
        writer.join();
        ASSERT_TRUE(all);
    }
};

TEST_F(LongSessionOnPty, RowsInTheTemporaryFileAreShownFilteredAndExported) {
    ASSERT_GT(static_cast<std::size_t>(kPackets), DecodedModel::kRowsInMemory);
    feed();
    ASSERT_EQ(model().rowCount(), kPackets);
    EXPECT_GE(model().session().store().spooledSegments(), 1u);
    EXPECT_EQ(model().data(model().index(0, DecodedModel::Number)).toString(), "1");
    EXPECT_EQ(fields(model(), 0), "Event Type: 0x00 (ADV_IND), Address Type: 0x00 (Public), "
                                  "Address: 00:00:0C:0D:0E:0F, Data Length: 3, Data: {Flags: "
                                  "0x06}, RSSI: -60 dBm");
    EXPECT_EQ(fields(model(), 39999), "Event Type: 0x00 (ADV_IND), Address Type: 0x00 (Public), "
                                      "Address: 3F:9C:0C:0D:0E:0F, Data Length: 3, Data: {Flags: "
                                      "0x06}, RSSI: -79 dBm");

    // A report that went to the file early, found by its address.
    model().setFilter(QStringLiteral("07:00:0C:0D:0E:0F"));
    model().finishFiltering();
    ASSERT_EQ(model().rowCount(), 1);
    EXPECT_EQ(model().data(model().index(0, DecodedModel::Number)).toString(), "8");

    // Every packet in the exported file, the first as it came over the line.
    const QString path = QDir(h.directory()).filePath("long.pcapng");
    ASSERT_TRUE(model().exportPcapng(path, QStringLiteral("pty")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const Bytes first = advertisingReport(0);
    const Bytes last = advertisingReport(kPackets - 1);
    EXPECT_TRUE(bytes.contains(QByteArray(reinterpret_cast<const char*>(first.data()),
                                          static_cast<qsizetype>(first.size()))));
    EXPECT_TRUE(bytes.contains(QByteArray(reinterpret_cast<const char*>(last.data()),
                                          static_cast<qsizetype>(last.size()))));
    // Walks the blocks: type and total length lead each (little-endian here).
    int packets = 0;
    for (qsizetype at = 0; at + 8 <= bytes.size();) {
        quint32 type = 0, length = 0;
        std::memcpy(&type, bytes.constData() + at, 4);
        std::memcpy(&length, bytes.constData() + at + 4, 4);
        ASSERT_GE(length, 12u);
        packets += type == 6; // enhanced packet block
        at += length;
    }
    EXPECT_EQ(packets, kPackets);
}

TEST_F(LongSessionOnPty, AFileThatCannotBeWrittenIsSaidOnceInTheLogAndTheNewestRowsStay) {
    model().setSpoolDirectory(QStringLiteral("/nonexistent/nuvex3"));
    feed();
    const QString said =
        "Decoded view: cannot create a temporary file in /nonexistent/nuvex3: No such file or "
        "directory; only the newest 32768 rows are kept from now on";
    // The view keeps only its last lines of the flood: the session log file has them all.
    model().flush();
    h.dialog().packetLog().flush();
    QFile file(h.dialog().packetLog().filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.count(said), 1);
    EXPECT_EQ(lines.filter(QStringLiteral("Decoded view")).size(), 1);
    EXPECT_LE(model().rowCount(), 32768);
    EXPECT_GT(model().rowCount(), 32768 - 8192);
    EXPECT_EQ(fields(model(), model().rowCount() - 1),
              "Event Type: 0x00 (ADV_IND), Address Type: 0x00 (Public), Address: "
              "3F:9C:0C:0D:0E:0F, Data Length: 3, Data: {Flags: 0x06}, RSSI: -79 dBm");
}

TEST_F(DecodedOnPty, AHiddenListTakesNoRowsAndGetsThemAllWithItsChosenRowWhenShown) {
    h.dialog().show();
    QTableView* list = h.ui().decoded->controls().list;
    for (int i = 0; i < 3; ++i)
        pty.write(advertisingReport(i));
    ASSERT_TRUE(waitRows(3));
    EXPECT_EQ(list->model()->rowCount(), 0) << "the Raw tab is shown";
    EXPECT_EQ(list->verticalHeader()->count(), 0);

    h.ui().logTabs->setCurrentWidget(h.ui().decoded);
    ASSERT_EQ(list->model()->rowCount(), 3);
    list->setCurrentIndex(list->model()->index(1, 0));
    const QTreeWidget* detail = h.ui().decoded->controls().detail;
    EXPECT_EQ(detail->topLevelItem(0)->text(1), "#2, 0.000 ms, Received");

    h.ui().logTabs->setCurrentIndex(0);
    for (int i = 3; i < 5; ++i)
        pty.write(advertisingReport(i));
    ASSERT_TRUE(waitRows(5));
    EXPECT_EQ(list->model()->rowCount(), 0);

    h.ui().logTabs->setCurrentWidget(h.ui().decoded);
    EXPECT_EQ(list->model()->rowCount(), 5);
    EXPECT_EQ(list->currentIndex().row(), 1);
    EXPECT_EQ(detail->topLevelItem(0)->text(1), "#2, 0.000 ms, Received");
    EXPECT_EQ(list->model()->data(list->model()->index(4, DecodedModel::Number)).toString(), "5");
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
