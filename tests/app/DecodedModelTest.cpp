// The decoded view's model and widget without the window: rows shown in batches, the row
// limit from the settings, pairing updates of earlier rows, the filter running in slices,
// the detail pane with the marked bytes, and "Export...".

#include "RecordingPrompts.h"

#include "app/DecodedModel.h"
#include "app/DecodedView.h"
#include "framework/ViewLimits.h"
#include "link/Clock.h"
#include "link/Packet.h"
#include "ui/ValueEntry.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace nuvex3 {
namespace {

using namespace std::chrono_literals;

Record command(std::string_view body) {
    const auto b = hexToBytes(body);
    return makeCommandRecord(b.at(0), std::span(b).subspan(1));
}

Record packet(std::string_view body) {
    const auto b = hexToBytes(body);
    const auto w = framePacket(b.at(0), std::span(b).subspan(1));
    Record r{};
    std::copy(w.begin() + 1, w.end(), r.begin());
    return r;
}

// The tool's settings file (in the test location while test mode is on).
QSettings toolSettings() {
    return QSettings(QStringLiteral("nuvex3"), QStringLiteral("nuvex3-tool"));
}

class DecodedModelTest : public ::testing::Test {
protected:
    DecodedModelTest() {
        QStandardPaths::setTestModeEnabled(true);
        toolSettings().remove(ViewLimits::kDecodedRowsKey);
        model = std::make_unique<DecodedModel>();
        model->startSession(clock.now(), 1'700'000'000'000'000);
    }
    ~DecodedModelTest() override { toolSettings().remove(ViewLimits::kDecodedRowsKey); }

    void send(std::string_view body) { model->add(kKindCommandSent, command(body), clock.now()); }
    void receive(std::string_view body) {
        model->add(kKindPacketReceived, packet(body), clock.now());
    }
    QString cell(int row, int column) { return model->data(model->index(row, column)).toString(); }

    ManualClock clock;
    ScopedClock scoped{clock};
    std::unique_ptr<DecodedModel> model;
};

TEST_F(DecodedModelTest, RowsArriveInOneBatchPerFlush) {
    QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
    send("16 01 00");
    clock.advance(2500us);
    receive("80 16 00");
    for (int i = 0; i < 100; ++i)
        receive("70 00 00 0F0E0D0C0B0A 06 020106 020941 C4");
    // Decoded records of the same packets are not rows of their own.
    model->add(kKindCommandComplete, packet("80 16 00"), clock.now());
    EXPECT_EQ(model->rowCount(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->rowCount() == 102; }, 2000));
    EXPECT_EQ(inserted.count(), 1);
    QStringList headers;
    for (int c = 0; c < model->columnCount(); ++c)
        headers << model->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers,
              (QStringList{"No.", "Time (ms)", "Dir", "Opcode", "Name", "Round trip", "Fields"}));

    EXPECT_EQ(cell(0, DecodedModel::Number), "1");
    EXPECT_EQ(cell(0, DecodedModel::Time), "0.000");
    EXPECT_EQ(cell(0, DecodedModel::Direction), "<--");
    EXPECT_EQ(model->data(model->index(0, DecodedModel::Direction), Qt::ToolTipRole).toString(),
              "Sent");
    EXPECT_EQ(cell(1, DecodedModel::Direction), "-->");
    EXPECT_EQ(cell(0, DecodedModel::Opcode), "0x16");
    EXPECT_EQ(cell(0, DecodedModel::Name), "Set Scan Enable");
    EXPECT_EQ(cell(0, DecodedModel::Fields),
              "Scan Enable: 0x01 (Scanning Enabled), Filter Duplicate: 0x00 (Duplicate Filtering "
              "Disabled)");
    EXPECT_EQ(cell(0, DecodedModel::RoundTrip), "2.500 ms");
    EXPECT_EQ(model->data(model->index(0, DecodedModel::RoundTrip), Qt::ToolTipRole).toString(),
              "answered by #2 after 2.500 ms");
    EXPECT_EQ(cell(1, DecodedModel::Time), "2.500");
    EXPECT_EQ(cell(1, DecodedModel::Name), "Command Complete");
    EXPECT_FALSE(model->data(model->index(1, 0), Qt::ForegroundRole).isValid());
}

TEST_F(DecodedModelTest, AFloodThatKeepsTheTimerWaitingStillShowsRowsEveryFlushInterval) {
    // No event loop runs here, as while a flood keeps it busy: the flush timer never fires.
    for (int i = 0; i < 3; ++i)
        receive("70 00 00 0F0E0D0C0B0A 06 020106 020941 C4");
    clock.advance(49ms);
    receive("70 00 00 0F0E0D0C0B0A 06 020106 020941 C4");
    EXPECT_EQ(model->rowCount(), 0);
    clock.advance(1ms); // 50 ms after the first record waiting
    receive("80 16 00");
    EXPECT_EQ(model->rowCount(), 5);
    EXPECT_EQ(cell(4, DecodedModel::Time), "50.000");
    receive("80 16 00");
    EXPECT_EQ(model->rowCount(), 5) << "the next batch waits for its own interval";
}

TEST_F(DecodedModelTest, AnswersInALaterBatchUpdateTheCommandRow) {
    send("10 01");
    model->flush();
    EXPECT_EQ(cell(0, DecodedModel::RoundTrip), "");
    QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
    clock.advance(4ms);
    receive("80 10 02");
    model->flush();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 0);
    EXPECT_EQ(cell(0, DecodedModel::RoundTrip), "4.000 ms");
    // The error status is red; so is a command the layer gave up on.
    EXPECT_EQ(model->data(model->index(1, 0), Qt::ForegroundRole).value<QBrush>().color(),
              QColor(200, 0, 0));
    send("16 01 00");
    model->flush();
    clock.advance(10s);
    model->add(kKindCommandTimeout, command("16 01 00"), clock.now());
    model->flush();
    EXPECT_EQ(cell(2, DecodedModel::RoundTrip), "no response");
    EXPECT_TRUE(model->data(model->index(2, 0), Qt::ForegroundRole).isValid());
    EXPECT_EQ(cell(3, DecodedModel::Fields), "No response to command 0x16 (Set Scan Enable)");
    EXPECT_EQ(cell(3, DecodedModel::Time), "10004.000");
}

TEST_F(DecodedModelTest, TheRowLimitComesFromTheSettingsAndDropsTheOldestRows) {
    EXPECT_EQ(DecodedModel::rowLimitSetting(), 1'000'000u);
    EXPECT_EQ(model->rowLimit(), 1'000'000u);
    toolSettings().setValue(ViewLimits::kDecodedRowsKey, 5);
    DecodedModel limited;
    EXPECT_EQ(limited.rowLimit(), 5u);
    limited.startSession(clock.now(), 0);
    QSignalSpy removed(&limited, &QAbstractItemModel::rowsRemoved);
    for (int i = 0; i < 4; ++i)
        limited.add(kKindPacketReceived, packet("81 09"), clock.now());
    limited.flush();
    for (int i = 0; i < 4; ++i)
        limited.add(kKindPacketReceived, packet("81 01"), clock.now());
    limited.flush();
    EXPECT_EQ(limited.rowCount(), 5);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0][2].toInt(), 2); // rows 0 to 2 went
    EXPECT_EQ(limited.data(limited.index(0, DecodedModel::Number)).toString(), "4");
    EXPECT_EQ(limited.data(limited.index(4, DecodedModel::Number)).toString(), "8");
    // More new rows than the limit at once: the last five stay.
    for (int i = 0; i < 12; ++i)
        limited.add(kKindCommandSent, command("03"), clock.now());
    limited.flush();
    EXPECT_EQ(limited.rowCount(), 5);
    EXPECT_EQ(limited.data(limited.index(0, DecodedModel::Number)).toString(), "16");
    toolSettings().setValue(ViewLimits::kDecodedRowsKey, "none");
    EXPECT_EQ(DecodedModel::rowLimitSetting(), 1'000'000u);
}

TEST_F(DecodedModelTest, TheFilterRunsOverKeptRowsAndNewOnes) {
    for (int i = 0; i < 3000; ++i) {
        send("10 01");
        receive(i % 2 ? "80 10 00 C4" : "80 10 02");
    }
    model->flush();
    QSignalSpy done(model.get(), &DecodedModel::filteringDone);
    model->setFilter(QStringLiteral("is:error"));
    EXPECT_TRUE(model->filtering());
    EXPECT_EQ(model->rowCount(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->filtering(); }, 10000));
    EXPECT_EQ(done.count(), 1);
    EXPECT_EQ(model->rowCount(), 1500);
    EXPECT_EQ(cell(0, DecodedModel::Number), "2");
    EXPECT_EQ(model->seqAt(1), 5u);
    EXPECT_EQ(model->rowOf(5), 1);
    EXPECT_FALSE(model->rowOf(3));

    receive("80 10 02");
    receive("81 09");
    model->flush();
    EXPECT_EQ(model->rowCount(), 1501);
    EXPECT_EQ(cell(1500, DecodedModel::Number), "6001");
    model->setFilter(QString());
    EXPECT_EQ(model->rowCount(), 6002);
}

TEST_F(DecodedModelTest, TheViewShowsFieldsMarksTheirBytesAndExports) {
    test::RecordingPrompts prompts;
    ScopedPrompts scopedPrompts(prompts);
    DecodedView view(model.get());
    view.resize(900, 700);
    view.show();
    send("16 01 00");
    receive("70 00 00 0F0E0D0C0B0A 06 020106 020941 C4");
    model->flush();
    EXPECT_EQ(view.controls().status->text(), "2 rows");

    view.controls().list->setCurrentIndex(view.controls().list->model()->index(1, 0));
    QTreeWidget* detail = view.controls().detail;
    QStringList lines;
    for (int i = 0; i < detail->topLevelItemCount(); ++i)
        lines << detail->topLevelItem(i)->text(0) + ": " + detail->topLevelItem(i)->text(1);
    EXPECT_EQ(lines, (QStringList{"Row: #2, 0.000 ms, Received", "Name: Advertising Report (0x70)",
                                  "Event Type: 0x00 (ADV_IND)", "Address Type: 0x00 (Public)",
                                  "Address: 0A:0B:0C:0D:0E:0F", "Data Length: 6",
                                  "Data: {Flags: 0x06, Complete Local Name: \"A\"}",
                                  "RSSI: -60 dBm", "Reported as kinds: 1, 15"}));
    EXPECT_EQ(view.controls().bytes->toPlainText().toStdString(),
              "0000  AA 00 11 70 00 00 0F 0E 0D 0C 0B 0A 06 02 01 06\n0010  02 09 41 C4 15");
    detail->setCurrentItem(detail->topLevelItem(4)); // the address: bytes 6 to 11
    const auto marks = view.controls().bytes->extraSelections();
    ASSERT_EQ(marks.size(), 6);
    EXPECT_EQ(marks.front().cursor.selectedText(), "0F");
    EXPECT_EQ(marks.back().cursor.selectedText(), "0A");

    // Typing in the filter applies it after a pause.
    QTest::keyClicks(view.controls().filter, "0x70");
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->filterText() == "0x70"; }, 2000));
    model->finishFiltering();
    EXPECT_EQ(model->rowCount(), 1);
    EXPECT_EQ(view.controls().status->text(), "1 of 2 rows match");

    QTemporaryDir dir;
    prompts.queueSaveFile(dir.filePath("session"));
    view.setInterfaceName("Simulated module");
    view.exportSession();
    QFile file(dir.filePath("session.pcapng"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.left(4), QByteArray("\x0A\x0D\x0D\x0A", 4));
    EXPECT_TRUE(bytes.contains("Simulated module"));
    EXPECT_TRUE(bytes.contains(QByteArray("\xAA\x00\x03\x16\x01\x00\xE6", 7)));
    EXPECT_EQ(prompts.fileFilters().last(), "PCAPNG FILE(*.pcapng)");

    prompts.queueSaveFile(dir.filePath("no/such/folder/x.pcapng"));
    view.exportSession();
    EXPECT_EQ(prompts.messages().last(),
              "Export failed: " + dir.filePath("no/such/folder/x.pcapng") + " cannot be written");

    view.popOut();
    EXPECT_TRUE(view.poppedOut());
    EXPECT_FALSE(view.controls().list->window() == view.window());
    view.popIn();
    EXPECT_FALSE(view.poppedOut());
    EXPECT_TRUE(view.controls().list->window() == view.window());
    // Closing the window brings the view back; a view that goes while its window is open
    // takes the window with it.
    view.popOut();
    view.controls().list->window()->close();
    EXPECT_FALSE(view.poppedOut());
    EXPECT_TRUE(view.controls().list->window() == view.window());
    QWidget parent;
    auto* inner = new DecodedView(model.get(), &parent);
    inner->popOut();
    QPointer<QWidget> window = inner->controls().list->window();
    EXPECT_NE(window.data(), &parent);
    delete inner;
    EXPECT_TRUE(window.isNull());
}

} // namespace
} // namespace nuvex3
