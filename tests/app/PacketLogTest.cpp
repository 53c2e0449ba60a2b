// The packet log view and its files.

#include "AppTestSupport.h"

#include "app/PacketLog.h"
#include "ui/ValueEntryQt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

int viewLength(QTextEdit& view) {
    return view.document()->characterCount() - 1;
}

TEST(PacketLog, AViewAboveTenThousandCharactersDropsTheOldestFiveThousandFirst) {
    QTextEdit view;
    PacketLog log(&view);
    // 1000 lines of 9 characters plus the line break: exactly 10000 characters.
    for (int i = 0; i < 1000; ++i)
        log.append(QString::asprintf("%09d", i), kSentColour);
    log.flush();
    ASSERT_EQ(viewLength(view), 10000);
    // 10000 is not above the limit: the next line is appended as it is.
    log.append(QStringLiteral("A"), kReceivedColour);
    log.flush();
    ASSERT_EQ(viewLength(view), 10002);
    // Above it: the first 5000 characters go, then the line is added.
    log.append(QStringLiteral("B"), kReceivedColour);
    log.flush();
    EXPECT_EQ(viewLength(view), 5004);
    EXPECT_TRUE(view.toPlainText().startsWith("000000500\n"));
    EXPECT_TRUE(view.toPlainText().endsWith("A\nB\n"));
}

TEST(PacketLog, FloodOfLinesReachesTheViewInOneBatchAndTheFileLineByLine) {
    QTemporaryDir dir;
    QTextEdit view;
    PacketLog log(&view);
    ASSERT_TRUE(log.openFile(dir.path()));
    EXPECT_TRUE(QFileInfo(log.filePath()).fileName().startsWith("Dravo_LOG-"));
    EXPECT_TRUE(log.filePath().endsWith(".log"));
    QByteArray expected;
    for (int i = 0; i < 3000; ++i) {
        const QString line = QString::asprintf("--> %04X", i);
        log.append(line, kReceivedColour);
        expected += line.toLatin1() + "\r\n";
    }
    EXPECT_TRUE(view.toPlainText().isEmpty()); // nothing drawn until the batch is due
    EXPECT_TRUE(waitFor([&] { return !view.toPlainText().isEmpty(); }));
    EXPECT_LE(viewLength(view), 10000 + 10);
    EXPECT_TRUE(view.toPlainText().endsWith("--> 0BB7\n"));
    log.closeFile();
    QFile f(log.filePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), expected);
}

TEST(PacketLog, BatchesOfAnySizeShowExactlyWhatLineByLineTrimmingLeavesWithoutUndo) {
    QTextEdit view;
    PacketLog log(&view);
    QString expected; // the view's text, trimmed line by line
    std::vector<QColor> colours;
    int n = 0;
    auto add = [&](int lines) {
        for (int i = 0; i < lines; ++i, ++n) {
            const QString line = QString::asprintf("--> %04X", n) + QString(n % 97, QChar('5'));
            const QColor& colour = n % 3 ? kReceivedColour : kSentColour;
            if (expected.size() > PacketLog::kTrimAbove)
                expected.remove(0, PacketLog::kTrimCount);
            expected += line + "\n";
            log.append(line, colour);
            colours.push_back(colour);
        }
        log.flush();
        ASSERT_EQ(view.toPlainText(), expected) << "after line " << n;
    };
    add(3);     // appended to an empty view
    add(40);    // the oldest characters go from what is shown
    add(1);     // one line more
    add(20000); // far more than the view holds: drawn again from what is left
    add(150);
    // Each line keeps its colour, also the one whose beginning was cut away.
    const auto lines = logLines(&view);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].colour, colours[colours.size() - lines.size() + i]) << i;
    EXPECT_FALSE(view.document()->isUndoRedoEnabled());
    EXPECT_EQ(view.document()->availableUndoSteps(), 0);
}

TEST(PacketLog, ALogFileThatCannotBeCreatedIsReported) {
    RecordingPrompts prompts;
    ScopedPrompts scoped(prompts);
    QTextEdit view;
    PacketLog log(&view);
    EXPECT_FALSE(log.openFile("/nonexistent/directory"));
    EXPECT_EQ(prompts.messages(), QStringList({"Open Log File Fail!"}));
    log.append("<-- 000101", kSentColour); // shown only
    log.flush();
    EXPECT_EQ(view.toPlainText(), "<-- 000101\n");
}

TEST(PacketLog, SaveAddsTheLogExtensionUnlessTheNameEndsWithIt) {
    EXPECT_EQ(PacketLog::saveName("trace"), "trace.log");
    EXPECT_EQ(PacketLog::saveName("TRACE.LOG"), "TRACE.LOG");
    EXPECT_EQ(PacketLog::saveName("a.log.txt"), "a.log.txt.log");
    EXPECT_EQ(PacketLog::saveName(".log"), ".log.log"); // shorter than five characters
    EXPECT_EQ(PacketLog::saveName("x.log"), "x.log");
}

TEST(PacketLog, SaveButtonWritesTheViewUnderTheChosenName) {
    MainWindowHarness h;
    h.dialog().appendLog("<-- 000101", kSentColour);
    h.dialog().appendLog("--> 0003800100", kReceivedColour);
    h.prompts().queueSaveFile(h.directory() + "/trace");
    QTest::mouseClick(h.ui().save, Qt::LeftButton);
    EXPECT_EQ(h.prompts().fileFilters(), QStringList({"LOG FILE(*.log)"}));
    QFile f(h.directory() + "/trace.log");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("<-- 000101\n--> 0003800100\n"));
}

} // namespace
} // namespace nuvex3::test
