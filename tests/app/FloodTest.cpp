// The whole receive path on a bad day, through the real window on a pseudo-terminal: a
// module that floods faster than the window routes, and one that sends garbage full of
// broken packets, error answers and disconnections.

#include "AppTestSupport.h"
#include "PtyPair.h"

#include "app/PacketLog.h"
#include "app/PageSet.h"
#include "framework/ThrottledRefresh.h"
#include "framework/ViewLimits.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "link/Clock.h"
#include "link/StatusText.h"
#include "pages/gap/AdvReportModel.h"
#include "pages/gap/CPageGAP.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <random>
#include <thread>

namespace nuvex3::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The log line of a received packet: "--> ", then every byte after the start byte but the
// checksum.
QString receivedLogLine(std::span<const std::uint8_t> afterStart) {
    std::string s = "--> ";
    static const char* digits = "0123456789ABCDEF";
    for (std::size_t i = 0; i + 1 < afterStart.size(); ++i) {
        s += digits[afterStart[i] >> 4];
        s += digits[afterStart[i] & 15];
    }
    return QString::fromStdString(s);
}

QStringList fileLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList packetLines(const QStringList& lines) {
    QStringList out;
    for (const QString& l : lines)
        if (l.startsWith(QStringLiteral("--> ")))
            out << l;
    return out;
}

// Writes on its own thread: the pseudo-terminal fills up whenever the window holds the
// reader back, and the test's thread is the window's.
class Feeder {
public:
    Feeder(PtyPair& pty, Bytes bytes) : thread_([&pty, b = std::move(bytes)] { pty.write(b); }) {}
    ~Feeder() { thread_.join(); }

private:
    std::thread thread_;
};

class Flood : public ::testing::Test {
protected:
    void connect() {
        h.connectTo(QString::fromStdString(pty.slavePath()));
        ASSERT_TRUE(h.dialog().connected());
    }
    CKelvra_CmdSet_Layer& layer() { return *h.dialog().layer(); }
    QString logFile() const { return QDir(h.directory()).filePath(h.logFiles().value(0)); }

    // Time moves only when a test says so: however long the reader is held back, no
    // packet looks abandoned. The clock outlives the window and its layer.
    ManualClock manual;
    ScopedClock scopedClock{manual};
    PtyPair pty;
    MainWindowHarness h;
};

TEST_F(Flood, AFullQueueHoldsTheReaderBackAndEveryPacketReachesTheLogFileInOrder) {
    connect();
    Bytes stream;
    QStringList expected;
    constexpr int kPackets = 30000;
    for (int i = 0; i < kPackets; ++i) {
        Bytes params;
        std::uint8_t event = 0x70;
        if (i % 10 == 9) {
            event = 0x81;
            params = {0x01, 0x09, 0x09, 0x09, static_cast<std::uint8_t>(i)};
        } else {
            params = {0x03, 0x01, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 31};
            for (int k = 0; k < 31; ++k)
                params.push_back(static_cast<std::uint8_t>((i >> (8 * (k % 4))) + k));
            params.push_back(0xC4);
        }
        const Bytes p = framePacket(event, params);
        expected << receivedLogLine(std::span(p).subspan(1));
        stream.insert(stream.end(), p.begin(), p.end());
    }

    const RecordQueue& queue = h.dialog().recordQueue();
    // One packet's records may join the queue after it reports full.
    const std::size_t bound = queue.capacity() + 2 * (3 + kRecordSize);
    {
        Feeder feeder(pty, stream);
        // The window routes nothing while this thread does not return to its event loop:
        // the queue fills, and the reader must stop there.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!queue.full() && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        ASSERT_TRUE(queue.full());
        EXPECT_LE(queue.queuedBytes(), bound);
        EXPECT_LT(layer().receivedBytes(), stream.size())
            << "the rest waits in the port, not in the window";

        ASSERT_TRUE(waitFor([&] { return layer().receivedBytes() == stream.size(); }, 60000));
    }
    ASSERT_TRUE(waitFor([&] { return queue.queuedBytes() == 0; }));
    EXPECT_LE(queue.peakBytes(), bound);
    EXPECT_EQ(h.ui().status[0]->currentText(), "0x01: Scanning Mode");
    h.pressConnectButton(); // Disconnect: routes what is left and closes the file
    ASSERT_FALSE(h.dialog().connected());

    const QStringList lines = packetLines(fileLines(logFile()));
    ASSERT_EQ(lines.size(), expected.size());
    EXPECT_EQ(lines, expected);
}

// The message texts of the boxes shown, with how many occurrences each box stands for.
std::map<QString, int> occurrencesShown(const QStringList& boxes) {
    static const QRegularExpression counted(QStringLiteral("^(.*)\\n\\n\\((\\d+) times\\)$"),
                                            QRegularExpression::DotMatchesEverythingOption);
    std::map<QString, int> out;
    for (const QString& box : boxes) {
        const auto m = counted.match(box);
        if (m.hasMatch())
            out[m.captured(1)] += m.captured(2).toInt();
        else
            out[box] += 1;
    }
    return out;
}

TEST_F(Flood, GarbageErrorsAndDisconnectionsNeverNestBoxesAndTheStatusReportAfterThemShows) {
    connect();

    // Broken packets (a checksum error each) in noise, with error answers and
    // disconnections among them; the last packet is left open by its length field.
    std::mt19937 random(8);
    Bytes stream;
    std::map<QString, int> expectedMessages;
    const QString checksum = QStringLiteral("UART Checksum Error [RX]");
    const QString commandError = QString::fromStdString(commandErrorMessage(0x16, 0x0C));
    const QString terminated = QString::fromStdString(terminateConnectionMessage(0x00, 0x13));
    for (int i = 0; i < 1500; ++i) {
        for (int n = static_cast<int>(random() % 6); n > 0; --n)
            stream.push_back(static_cast<std::uint8_t>(random() % 0xAA)); // no start byte
        Bytes p;
        if (i % 7 == 3) {
            p = packet(0x80, {0x16, 0x0C});
            expectedMessages[commandError] += 1;
        } else if (i % 7 == 5) {
            p = packet(0x72, {0x00, 0x13});
            expectedMessages[terminated] += 1;
        } else {
            p = packet(static_cast<std::uint8_t>(random()), {0x01, 0x02, 0x03});
            p.back() ^= 0x5A;
            expectedMessages[checksum] += 1;
        }
        stream.insert(stream.end(), p.begin(), p.end());
    }
    QStringList expectedLines;
    Reassembler reference;
    for (std::uint8_t b : stream) {
        const auto r = reference.feed(b);
        if (r == Reassembler::Result::Packet || r == Reassembler::Result::BadChecksum)
            expectedLines << receivedLogLine(std::span(reference.buffer()).first(reference.size()));
    }
    ASSERT_EQ(expectedLines.size(), 1500);
    const Bytes open = {0xAA, 0x05, 0x00, 0x70, 0x01, 0x02};
    stream.insert(stream.end(), open.begin(), open.end());

    {
        Feeder feeder(pty, stream);
        ASSERT_TRUE(waitFor([&] { return layer().receivedBytes() == stream.size(); }, 60000));
    }
    // The open packet's bytes stop; after the gap the hunt for 0xAA starts again.
    manual.advance(layer().receiveGap() + std::chrono::milliseconds(1));
    pty.write(packet(0x81, {0x01}));
    ASSERT_TRUE(waitFor([&] { return h.ui().status[0]->currentText() == "0x01: Scanning Mode"; }));

    EXPECT_EQ(h.prompts().maxOpen(), 1) << "a box was opened inside another one";
    const QStringList boxes = h.prompts().messages();
    ASSERT_FALSE(boxes.isEmpty());
    EXPECT_EQ(boxes.first(), checksum) << "the first box keeps its exact text";
    EXPECT_EQ(occurrencesShown(boxes), expectedMessages);

    h.pressConnectButton();
    const QStringList lines = fileLines(logFile());
    EXPECT_EQ(packetLines(lines).mid(0, expectedLines.size()), expectedLines);
    EXPECT_EQ(lines.count(checksum), expectedMessages[checksum]) << "every occurrence is logged";
    EXPECT_EQ(lines.count(commandError.simplified()), expectedMessages[commandError]);
}

TEST(ThrottledRefresh, ManyRequestsGiveOneRefreshWhenDueAndAHiddenViewWaitsUntilShown) {
    QWidget view;
    int refreshes = 0;
    ThrottledRefresh refresh(&view, [&] { ++refreshes; });
    for (int i = 0; i < 1000; ++i)
        refresh.request();
    EXPECT_EQ(refreshes, 0) << "hidden: nothing is drawn";
    view.show();
    EXPECT_EQ(refreshes, 1) << "shown: what was asked for shows at once";
    refresh.request();
    refresh.request();
    EXPECT_EQ(refreshes, 1) << "visible: at the next interval, not per request";
    EXPECT_TRUE(refresh.due());
    refresh.flush();
    refresh.flush();
    EXPECT_EQ(refreshes, 2);
    view.hide();
    view.show();
    EXPECT_EQ(refreshes, 2) << "nothing new was asked for";
}

TEST(ViewLimitsSettings, MissingOrUnusableValuesGiveTheDefaults) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath("limits.ini"), QSettings::IniFormat);
    EXPECT_EQ(ViewLimits::fromSettings(settings).advertisingRows, 100000);
    EXPECT_EQ(ViewLimits::fromSettings(settings).decodedRows, 1000000);
    settings.setValue(ViewLimits::kAdvertisingRowsKey, "many");
    settings.setValue(ViewLimits::kDecodedRowsKey, -5);
    EXPECT_EQ(ViewLimits::fromSettings(settings).advertisingRows, 100000);
    EXPECT_EQ(ViewLimits::fromSettings(settings).decodedRows, 1000000);
    settings.setValue(ViewLimits::kAdvertisingRowsKey, 2500);
    settings.setValue(ViewLimits::kDecodedRowsKey, 7);
    EXPECT_EQ(ViewLimits::fromSettings(settings).advertisingRows, 2500);
    EXPECT_EQ(ViewLimits::fromSettings(settings).decodedRows, 7);
}

// The tool's settings file lives in a temporary folder for the test's lifetime.
class SettingsInTemporaryFolder {
public:
    SettingsInTemporaryFolder() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
    }
    ~SettingsInTemporaryFolder() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    }
    void set(const QString& key, const QVariant& value) {
        QSettings(QStringLiteral("nuvex3"), QStringLiteral("nuvex3-tool")).setValue(key, value);
    }

private:
    QTemporaryDir dir_;
};

TEST(AdvertisingListBound, TheListKeepsTheSetNumberOfNewestReportsAndSaysOnceThatItDrops) {
    SettingsInTemporaryFolder settings;
    settings.set(ViewLimits::kAdvertisingRowsKey, 50);
    PtyPair pty;
    MainWindowHarness h;
    h.connectTo(QString::fromStdString(pty.slavePath()));
    ASSERT_TRUE(h.dialog().connected());
    CPageGAP& gap = h.dialog().pages().gap;
    AdvReportModel& list = *gap.reportModel();
    EXPECT_EQ(list.rowLimit(), 50);

    const QString dropped =
        QStringLiteral("Advertising List : more than 50 reports, the oldest are dropped");
    auto reports = [&](int from, int to) {
        for (int i = from; i < to; ++i)
            pty.write(
                packet(0x70, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(i >> 8),
                              static_cast<std::uint8_t>(i), 0x00, 0xC4}));
        return waitFor([&] {
            gap.flushReports();
            return list.rowCount() > 0 &&
                   list.cellText(list.rowCount() - 1, AdvReportModel::Addr) ==
                       QString::asprintf("0x%02X%02X00000000", (to - 1) & 0xFF, (to - 1) >> 8);
        });
    };
    auto droppedLines = [&] {
        h.dialog().packetLog().flush();
        int n = 0;
        for (const LogLine& l : logLines(h.ui().logView))
            n += l.text == dropped;
        return n;
    };
    ASSERT_TRUE(reports(0, 50));
    EXPECT_EQ(list.rowCount(), 50);
    EXPECT_EQ(droppedLines(), 0);
    ASSERT_TRUE(reports(50, 120));
    EXPECT_EQ(list.rowCount(), 50);
    EXPECT_EQ(list.cellText(0, AdvReportModel::Addr), "0x460000000000");
    EXPECT_EQ(list.droppedRows(), 70);
    EXPECT_EQ(droppedLines(), 1);
    ASSERT_TRUE(reports(120, 200));
    EXPECT_EQ(droppedLines(), 1) << "said once";

    QTest::mouseClick(gap.clearButton(), Qt::LeftButton);
    ASSERT_TRUE(reports(200, 260));
    EXPECT_EQ(list.rowCount(), 50);
    EXPECT_EQ(droppedLines(), 2) << "and once more after Clear";
}

} // namespace
} // namespace nuvex3::test
