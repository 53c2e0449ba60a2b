// The transparent page in the main window, with the test as the module on a pseudo-
// terminal: the exact Send Transparent Data packets of typed text, file blocks, rounds,
// several links, credits and loop-back; what stops a transfer; the view, the counters and
// the files; Pull High on the bridge.

#include "TransparentTestSupport.h"

#include "app/MainTimers.h"
#include "app/PacketLog.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "link/Clock.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include <map>

namespace nuvex3::test {
namespace {

QByteArray pattern(int size, char first = 'a') {
    QByteArray b;
    for (int i = 0; i < size; ++i)
        b.append(static_cast<char>(first + i % 26));
    return b;
}

QByteArray contents(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

TEST_F(TransparentOnWire, EveryButtonThatNeedsALinkSaysNoConnectionHandle) {
    EXPECT_FALSE(ui().startTx->isEnabled());
    EXPECT_FALSE(ui().compare->isEnabled());
    for (QAbstractButton* b :
         {static_cast<QAbstractButton*>(ui().send), static_cast<QAbstractButton*>(ui().loadFile),
          static_cast<QAbstractButton*>(ui().clear), static_cast<QAbstractButton*>(ui().saveAs)})
        click(b);
    EXPECT_EQ(h.prompts().messages(), QStringList(4, "No Connection Handle!"));
    EXPECT_TRUE(h.prompts().fileFilters().isEmpty());
    EXPECT_TRUE(silent());
}

TEST_F(TransparentOnWire, TypedTextGoesOutAsOnePacketAndIntoTheViewInRed) {
    linkUp(0x01);
    EXPECT_EQ(ui().handle->currentText(), "01");
    type(ui().sendData, "Hi");
    click(ui().send);
    const auto p = nextPacket();
    ASSERT_TRUE(p);
    EXPECT_EQ(wireText(*p), "AA 00 04 3F 01 48 69 0B");
    EXPECT_EQ(viewText(), "<--[01] :\nHi\n"); // shows what waited for its batch
    const auto lines = logLines(ui().view);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].colour, QColor(255, 0, 0));
    // Its answer lets no block go: nothing streams.
    answer(0x3F);
    EXPECT_TRUE(silent());
    EXPECT_TRUE(h.prompts().messages().isEmpty());
}

TEST_F(TransparentOnWire, FileOfTwoHundredBytesGoesIn80ByteBlocksForTwoRounds) {
    linkUp(0x01);
    const QByteArray bytes = pattern(200);
    const QString path = file("200.txt", bytes);
    loadFile(path);
    EXPECT_EQ(h.prompts().fileFilters(), QStringList({"TXT FILE(*.TXT)"}));
    EXPECT_EQ(ui().file->text(), path);
    EXPECT_TRUE(ui().startTx->isEnabled());
    EXPECT_TRUE(ui().compare->isEnabled());
    EXPECT_EQ(ui().blockSize->text(), "80");
    type(ui().repeatRounds, "2");
    click(ui().startTx);
    EXPECT_EQ(ui().startTx->text(), "Stop Tx");

    const std::vector<std::pair<int, int>> expected = {{0, 80}, {80, 80}, {160, 40},
                                                       {0, 80}, {80, 80}, {160, 40}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto [at, size] = expected[i];
        EXPECT_EQ(nextBlock(0x01), bytes.mid(at, size)) << "block " << i;
        if (i == 2) {
            emit h.dialog().timers().throughputTick();
            EXPECT_EQ(ui().countTimes->text(), "1");
            EXPECT_EQ(ui().txNumber->text(), "200");
            EXPECT_EQ(ui().progress->text(), "Round 2 of 2: 0 of 200 bytes");
        }
        answer(0x3F);
    }
    EXPECT_TRUE(silent());
    EXPECT_EQ(ui().startTx->text(), "Start Tx");
    emit h.dialog().timers().throughputTick();
    EXPECT_EQ(ui().countTimes->text(), "2");
    EXPECT_EQ(ui().txNumber->text(), "400");
    EXPECT_EQ(ui().progress->text(), "Round 2 of 2: 200 of 200 bytes");
    EXPECT_EQ(viewText().count("<--[01] :\n"), 6);
}

TEST_F(TransparentOnWire, BlockSizeIsHeldTo640WhileTypingAndToOneWhenLeft) {
    linkUp(0x01);
    type(ui().blockSize, "700");
    EXPECT_EQ(ui().blockSize->text(), "640");
    loadFile(file("700.txt", pattern(700)));
    click(ui().startTx);
    EXPECT_EQ(nextBlock(0x01).size(), 640);
    answer(0x3F);
    EXPECT_EQ(nextBlock(0x01), pattern(700).mid(640));
    answer(0x3F);
    EXPECT_TRUE(silent());

    type(ui().blockSize, "0");
    EXPECT_EQ(ui().blockSize->text(), "0");
    ui().sendData->setFocus(); // the field is left
    EXPECT_EQ(ui().blockSize->text(), "1");
    type(ui().blockSize, "");
    ui().repeatRounds->setFocus();
    EXPECT_EQ(ui().blockSize->text(), "1");
    loadFile(file("3.txt", "xyz"));
    click(ui().startTx);
    for (const char* one : {"x", "y", "z"}) {
        EXPECT_EQ(nextBlock(0x01), QByteArray(one));
        answer(0x3F);
    }
    EXPECT_TRUE(silent());
}

TEST_F(TransparentOnWire, TwoLinksTakeTurnsAndStopTxLeavesTheOtherGoing) {
    linkUp(0x01);
    linkUp(0x02);
    type(ui().blockSize, "10");
    select(0x01);
    loadFile(file("a.txt", pattern(25, 'A')));
    click(ui().startTx);
    // 01's first block leaves at once; from then on the links alternate until each has
    // sent its 25 bytes.
    std::vector<std::pair<int, QByteArray>> seen = {{1, nextBlock(0x01)}};
    select(0x02);
    loadFile(file("b.txt", pattern(25, 'a')));
    click(ui().startTx);
    answer(0x3F);
    for (int i = 1; i < 6; ++i) {
        const auto p = nextPacket();
        ASSERT_TRUE(p);
        seen.emplace_back((*p)[4], QByteArray(reinterpret_cast<const char*>(p->data() + 5),
                                              static_cast<qsizetype>(p->size() - 6)));
        answer(0x3F);
    }
    const std::vector<std::pair<int, QByteArray>> expected = {{1, "ABCDEFGHIJ"}, {1, "KLMNOPQRST"},
                                                              {2, "abcdefghij"}, {1, "UVWXY"},
                                                              {2, "klmnopqrst"}, {2, "uvwxy"}};
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(silent());

    // Endless rounds on both; Stop Tx on 01 leaves 02 alone.
    type(ui().repeatRounds, "0");
    click(ui().startTx); // 02
    select(0x01);
    type(ui().repeatRounds, "0");
    click(ui().startTx);
    EXPECT_EQ(nextBlock(0x02), "abcdefghij");
    click(ui().startTx); // Stop Tx on 01, before its turn
    EXPECT_EQ(ui().startTx->text(), "Start Tx");
    answer(0x3F);
    EXPECT_EQ(nextBlock(0x02), "klmnopqrst");
    answer(0x3F);
    EXPECT_EQ(nextBlock(0x02), "uvwxy");
    select(0x02);
    EXPECT_EQ(ui().startTx->text(), "Stop Tx");
    click(ui().startTx);
    answer(0x3F);
    EXPECT_TRUE(silent());
}

TEST_F(TransparentOnWire, CreditsSizeTheBlocksAndHoldThemWhenTheyRunOut) {
    linkUp(0x01);
    credit(0x01, 23, 5);
    loadFile(file("f.txt", pattern(200)));
    type(ui().repeatRounds, "0");
    click(ui().startTx);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(nextBlock(0x01), pattern(200).mid(i * 20, 20)) << i;
        answer(0x3F);
    }
    EXPECT_TRUE(silent()); // no credit left
    emit h.dialog().timers().throughputTick();
    EXPECT_EQ(ui().credits->text(), "Credits: 0 (blocks of 20 bytes)");

    credit(0x01, 23, 2);
    EXPECT_EQ(nextBlock(0x01), pattern(200).mid(100, 20));
    answer(0x3F);
    EXPECT_EQ(nextBlock(0x01), pattern(200).mid(120, 20));
    answer(0x3F);
    EXPECT_TRUE(silent());

    // A packet size of 3 would leave blocks of no bytes: refused, the credit counts.
    credit(0x01, 3, 1);
    EXPECT_TRUE(h.waitForLine("Credit notification refused: packet size 3 leaves no data (a "
                              "block needs at least 1 byte)"));
    EXPECT_EQ(nextBlock(0x01), pattern(200).mid(140, 20));
    answer(0x3F);
    EXPECT_TRUE(silent());

    // Only the credit characteristic (0x0057) counts.
    event(0x93, {0x01, 0x00, 0x58, 0x00, 0x00, 0x00, 0x17, 0x05});
    EXPECT_TRUE(silent());

    // A new link turns flow control off until its peer announces credits: the blocks take
    // "Block Size (byte):" again.
    linkUp(0x02);
    EXPECT_EQ(nextBlock(0x01), pattern(200).mid(160, 40));
    click(ui().startTx); // Stop Tx
    answer(0x3F);
    EXPECT_TRUE(silent());
    emit h.dialog().timers().throughputTick();
    EXPECT_EQ(ui().credits->text(), "Credits: flow control off");
}

TEST_F(TransparentOnWire, TheNextBlockLeavesOnItsAnswerWithoutTheWindowsEventLoop) {
    // The test plays the module and reads the terminal without running the window's event
    // loop: each block must follow the answer to the one before, and a credit notification
    // must let a block go, all on the layer's threads.
    linkUp(0x01);
    credit(0x01, 23, 2);
    const QByteArray bytes = pattern(100);
    loadFile(file("f.txt", bytes));
    click(ui().startTx);
    EXPECT_EQ(nextBlock(0x01), bytes.mid(0, 20));
    const Bytes answered = framePacket(0x80, Bytes{0x3F, 0x00});
    pty.write(answered);
    EXPECT_EQ(wireText(pty.read(26, std::chrono::seconds(5))),
              wireText(sendDataPacket(0x01, bytes.mid(20, 20))));
    pty.write(answered); // no credit left: nothing follows
    const Bytes more = framePacket(0x93, Bytes{0x01, 0x00, 0x57, 0x00, 0x00, 0x00, 23, 0x01});
    pty.write(more);
    EXPECT_EQ(wireText(pty.read(26, std::chrono::seconds(5))),
              wireText(sendDataPacket(0x01, bytes.mid(40, 20))));

    // The log shows everything in the order of the wire.
    click(ui().startTx); // Stop Tx
    answer(0x3F);
    EXPECT_TRUE(silent());
    h.dialog().packetLog().flush();
    QStringList tail;
    for (const LogLine& l : logLines(h.ui().logView))
        if (l.text.startsWith("<-- 00163F") || l.text.startsWith("--> 0003803F") ||
            l.text.startsWith("--> 000993"))
            tail << l.text.left(12);
    EXPECT_EQ(tail.join(' ').toStdString(),
              "--> 00099301 <-- 00163F01 --> 0003803F <-- 00163F01 --> 0003803F --> 00099301 "
              "<-- 00163F01 --> 0003803F");
}

TEST_F(TransparentOnWire, ABlockReadAheadIsNotSentWhenTheBlockSizeChangedMeanwhile) {
    // While a block awaits its answer the next one is read ahead; a new "Block Size (byte):"
    // typed meanwhile still sizes the next block, from where the last one ended.
    linkUp(0x01);
    const QByteArray bytes = pattern(200);
    loadFile(file("f.txt", bytes));
    click(ui().startTx);
    EXPECT_EQ(nextBlock(0x01), bytes.mid(0, 80));
    type(ui().blockSize, "30");
    answer(0x3F);
    EXPECT_EQ(nextBlock(0x01), bytes.mid(80, 30));
    answer(0x3F);
    EXPECT_EQ(nextBlock(0x01), bytes.mid(110, 30));
    // Stop Tx and Start Tx again: the transfer starts over at the file's first byte.
    click(ui().startTx);
    click(ui().startTx);
    answer(0x3F);
    EXPECT_EQ(nextBlock(0x01), bytes.mid(0, 30));
    click(ui().startTx);
    answer(0x3F);
    EXPECT_TRUE(silent());
}

TEST_F(TransparentOnWireTimed, AnErrorAnswerOrNoAnswerStopsTheTransferOfThatBlock) {
    linkUp(0x01);
    loadFile(file("f.txt", pattern(300)));
    type(ui().repeatRounds, "0");
    click(ui().startTx);
    EXPECT_EQ(nextBlock(0x01).size(), 80);
    answer(0x3F, 0x0C);
    EXPECT_EQ(h.prompts().messages(),
              QStringList({"Command(0x3F) Error: \nCommand Disallowed (0x0C)"}));
    EXPECT_TRUE(silent());
    EXPECT_EQ(ui().startTx->text(), "Start Tx");

    // A block the module never answers: after the layer gives up on it, the transfer stops.
    click(ui().startTx);
    EXPECT_EQ(nextBlock(0x01).size(), 80);
    clock.advance(CKelvra_CmdSet_Layer::kCommandTimeout + std::chrono::seconds(1));
    EXPECT_TRUE(h.waitForLine("No response to command 0x3F"));
    EXPECT_TRUE(waitFor([&] { return ui().startTx->text() == "Start Tx"; }));
    EXPECT_TRUE(silent());
}

TEST_F(TransparentOnWire, AFileThatCannotBeReadStopsItsTransferAndTheViewSaysWhy) {
    linkUp(0x01);
    const QString gone = file("gone.txt", "abc");
    loadFile(gone);
    ASSERT_TRUE(QFile::remove(gone));
    click(ui().startTx);
    EXPECT_TRUE(waitFor([&] { return ui().startTx->text() == "Start Tx"; }));
    EXPECT_TRUE(silent());
    EXPECT_EQ(viewText(), " Open File Failed : " + gone + "\n");

    // An empty file with rounds to go would send nothing for ever.
    const QString empty = file("empty.txt", "");
    loadFile(empty);
    type(ui().repeatRounds, "0");
    click(ui().startTx);
    EXPECT_TRUE(waitFor([&] { return ui().startTx->text() == "Start Tx"; }));
    EXPECT_TRUE(silent());
    EXPECT_TRUE(viewText().endsWith(" File Is Empty : " + empty + "\n"));
}

TEST_F(TransparentOnWireTimed, DeltaTimeWaitsOnTheClockAndStopTxEndsTheWaitUnsent) {
    linkUp(0x01);
    loadFile(file("f.txt", pattern(300)));
    type(ui().deltaTime, "1000");
    type(ui().repeatRounds, "0");
    click(ui().startTx);
    ASSERT_TRUE(waitFor([&] { return page().sender().pausing(); }));
    EXPECT_TRUE(pty.drain(std::chrono::milliseconds(30)).empty());
    clock.advance(std::chrono::milliseconds(999));
    EXPECT_TRUE(pty.drain(std::chrono::milliseconds(30)).empty());
    clock.advance(std::chrono::milliseconds(1));
    EXPECT_EQ(nextBlock(0x01), pattern(300).mid(0, 80));
    answer(0x3F);
    // The next block waits again; Stop Tx ends the wait and nothing goes.
    ASSERT_TRUE(waitFor([&] { return page().sender().pausing(); }));
    click(ui().startTx);
    EXPECT_EQ(ui().startTx->text(), "Start Tx");
    EXPECT_TRUE(silent());
    clock.advance(std::chrono::seconds(5));
    EXPECT_TRUE(silent());
}

TEST_F(TransparentOnWire, LoopBackEchoesReceivedDataInOrderOneAtATime) {
    linkUp(0x01);
    QTest::mouseClick(ui().loopBack, Qt::LeftButton);
    ASSERT_TRUE(page().loopBack());
    EXPECT_TRUE(ui().startTx->isHidden());
    received(0x01, "one");
    received(0x01, "two");
    received(0x01, "three");
    for (const char* data : {"one", "two", "three"}) {
        const auto p = nextPacket();
        ASSERT_TRUE(p);
        EXPECT_EQ(*p, sendDataPacket(0x01, data));
        EXPECT_TRUE(pty.drain(std::chrono::milliseconds(20)).empty()) << "one echo at a time";
        answer(0x3F);
    }
    EXPECT_TRUE(silent());
    // Each packet shows as received (blue) and as sent back (red).
    std::map<QString, int> shown;
    page().flushView();
    const auto lines = logLines(ui().view);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
        if (lines[i].text == "-->" || lines[i].text == "<--[01] :")
            ++shown[lines[i].text + " " + lines[i + 1].text + " " +
                    (lines[i].colour == QColor(0, 0, 255)   ? "blue"
                     : lines[i].colour == QColor(255, 0, 0) ? "red"
                                                            : "?")];
    const std::map<QString, int> expected = {{"--> one blue", 1},      {"--> two blue", 1},
                                             {"--> three blue", 1},    {"<--[01] : one red", 1},
                                             {"<--[01] : two red", 1}, {"<--[01] : three red", 1}};
    EXPECT_EQ(shown, expected);
    emit h.dialog().timers().throughputTick();
    EXPECT_EQ(ui().txNumber->text(), "11");
    EXPECT_EQ(ui().rxNumber->text(), "11");

    // A refused echo is not tried again; the next one goes.
    received(0x01, "four");
    received(0x01, "five");
    EXPECT_EQ(nextPacket(), sendDataPacket(0x01, "four"));
    answer(0x3F, 0x0C);
    EXPECT_EQ(nextPacket(), sendDataPacket(0x01, "five"));
    answer(0x3F);
    EXPECT_TRUE(silent());

    QTest::mouseClick(ui().loopBack, Qt::LeftButton);
    EXPECT_FALSE(ui().startTx->isHidden());
    received(0x01, "six");
    EXPECT_TRUE(silent());
}

TEST_F(TransparentOnWire, TheViewIsEmptiedBeforeALineWhenItHoldsMoreThan12000Characters) {
    linkUp(0x01);
    const QByteArray kilobyte = pattern(1000);
    for (int i = 0; i < 12; ++i)
        received(0x01, kilobyte);
    // Twelve texts of 1004 characters, each with its line break: 12060 characters.
    EXPECT_EQ(viewText().count("-->\n"), 12);
    EXPECT_EQ(viewText().size(), 12060);
    received(0x01, "last");
    EXPECT_EQ(viewText(), "-->\nlast\n");

    // At 12000 or below the view keeps its text.
    ui().clearView->click();
    page().appendToView(QString(11999, 'x'), Qt::black);
    page().appendToView("next", Qt::black);
    EXPECT_EQ(viewText(), QString(11999, 'x') + "\nnext\n");
}

TEST_F(TransparentOnWire, DisconnectDuringATransferStopsItAndNothingMoreIsSent) {
    linkUp(0x01);
    loadFile(file("f.txt", pattern(300)));
    type(ui().repeatRounds, "0");
    click(ui().startTx);
    EXPECT_EQ(nextBlock(0x01).size(), 80);
    answer(0x3F);
    EXPECT_EQ(nextBlock(0x01).size(), 80);
    received(0x01, "kept");
    const QString rxPath = page().receiveTable().find("01")->receivedPath;
    h.pressConnectButton(); // "Disconnect", with that block unanswered
    EXPECT_FALSE(h.dialog().connected());
    // Every link is forgotten: the page is reset as when the module reports all idle.
    EXPECT_TRUE(page().receiveTable().empty());
    EXPECT_EQ(ui().startTx->text(), "Start");
    EXPECT_FALSE(ui().startTx->isEnabled());
    EXPECT_TRUE(silent());
    EXPECT_EQ(contents(rxPath), "kept");
}

TEST_F(TransparentOnWire, ALostPortDuringATransferStopsItWithoutHarm) {
    linkUp(0x01);
    loadFile(file("f.txt", pattern(300)));
    type(ui().repeatRounds, "0");
    click(ui().startTx);
    EXPECT_EQ(nextBlock(0x01).size(), 80);
    received(0x01, "partial");
    const QString rxPath = page().receiveTable().find("01")->receivedPath;
    pty.closeMaster();
    EXPECT_TRUE(waitFor([&] { return !h.dialog().connected(); }));
    EXPECT_EQ(h.countMessages("Error in Communications!"), 1);
    EXPECT_TRUE(page().receiveTable().empty());
    EXPECT_EQ(ui().startTx->text(), "Start");
    EXPECT_FALSE(page().sender().stepping());
    EXPECT_FALSE(page().sender().busy());
    EXPECT_EQ(contents(rxPath), "partial");
}

TEST_F(TransparentOnWire, TheLinkGoingDuringATransferTakesItsEntryTheFileKeepsItsData) {
    linkUp(0x01);
    linkUp(0x02);
    select(0x02);
    loadFile(file("f.txt", pattern(300)));
    type(ui().repeatRounds, "0");
    click(ui().startTx);
    EXPECT_EQ(nextBlock(0x02).size(), 80);
    received(0x02, "abc");
    const QString path = page().receiveTable().find("02")->receivedPath;
    linkDown(0x02);
    EXPECT_FALSE(page().receiveTable().find("02"));
    EXPECT_EQ(ui().handle->currentText(), "01");
    answer(0x3F, 0x02); // the module answers the block of the link that went
    EXPECT_TRUE(silent());
    EXPECT_EQ(contents(path), "abc");
}

TEST_F(TransparentOnWireTimed, TheChartShowsEachWaysBytesPerSecondOfTheSelectedLinkForAMinute) {
    auto points = [&](QLineSeries* series) {
        std::vector<std::pair<double, double>> out;
        for (const QPointF& p : series->points())
            out.emplace_back(p.x(), p.y());
        return out;
    };
    linkUp(0x01);
    linkUp(0x02);
    h.dialog().timers().stopThroughput();             // the test ticks on its clock
    QTest::mouseClick(ui().loopBack, Qt::LeftButton); // 01 echoes what it gets
    emit h.dialog().timers().throughputTick();
    received(0x01, pattern(1000));
    EXPECT_EQ(nextPacket(), sendDataPacket(0x01, pattern(1000)));
    received(0x02, pattern(250));
    EXPECT_TRUE(pty.drain(std::chrono::milliseconds(30)).empty())
        << "02 echoes after 01's echo is answered";
    clock.advance(std::chrono::milliseconds(500));
    emit h.dialog().timers().throughputTick();
    using Points = std::vector<std::pair<double, double>>;
    EXPECT_EQ(points(ui().chart->txSeries()), Points({{0.0, 2000.0}}));
    EXPECT_EQ(points(ui().chart->rxSeries()), Points({{0.0, 2000.0}}));
    select(0x02);
    EXPECT_EQ(points(ui().chart->txSeries()), Points({{0.0, 0.0}}));
    EXPECT_EQ(points(ui().chart->rxSeries()), Points({{0.0, 500.0}}));

    // A minute and more later the chart holds the last minute only.
    for (int i = 0; i < 130; ++i) {
        clock.advance(std::chrono::milliseconds(500));
        emit h.dialog().timers().throughputTick();
    }
    const Points rx = points(ui().chart->rxSeries());
    ASSERT_EQ(rx.size(), 120u);
    EXPECT_EQ(rx.front(), std::make_pair(-59.5, 0.0));
    EXPECT_EQ(rx.back(), std::make_pair(0.0, 0.0));
}

TEST_F(TransparentOnWire, CountersClearAndSaveAsCopiesTheReceivedFile) {
    linkUp(0x01);
    received(0x01, "abc");
    emit h.dialog().timers().throughputTick();
    EXPECT_EQ(ui().rxNumber->text(), "3");
    EXPECT_EQ(ui().txNumber->text(), "0");
    EXPECT_EQ(ui().totalTime->text(), "Total Time :  00:00.0");
    const QString rxPath = page().receiveTable().find("01")->receivedPath;

    // Save As adds ".txt", copies, and offers to empty the original.
    const QString copy = QDir(h.directory()).filePath("copy");
    h.prompts().queueSaveFile(copy);
    h.prompts().queueYesNo(false);
    click(ui().saveAs);
    EXPECT_EQ(contents(copy + ".txt"), "abc");
    EXPECT_EQ(contents(rxPath), "abc");
    h.prompts().queueSaveFile(QDir(h.directory()).filePath("again.TXT"));
    h.prompts().queueYesNo(true);
    click(ui().saveAs);
    EXPECT_EQ(contents(QDir(h.directory()).filePath("again.TXT")), "abc");
    EXPECT_EQ(contents(rxPath), "");
    EXPECT_EQ(h.prompts().questions(), QStringList(2, "Save File Success!\nClear Original File?"));
    EXPECT_EQ(h.prompts().fileFilters(), QStringList(2, "TXT FILE(*.TXT)"));

    // Clear resets the counters and asks about the file.
    received(0x01, "defg");
    h.prompts().queueYesNo(false);
    click(ui().clear);
    EXPECT_EQ(h.prompts().questions().last(), "Clear Original File?");
    EXPECT_EQ(ui().rxNumber->text(), "0");
    EXPECT_EQ(ui().countTimes->text(), "0");
    EXPECT_EQ(ui().totalTime->text(), "Total Time :");
    EXPECT_EQ(contents(rxPath), "defg");
    h.prompts().queueYesNo(true);
    click(ui().clear);
    EXPECT_EQ(contents(rxPath), "");
    EXPECT_TRUE(h.prompts().messages().isEmpty());
}

TEST_F(TransparentOnWire, AllLinksIdleResetsThePage) {
    linkUp(0x01);
    loadFile(file("f.txt", pattern(300)));
    type(ui().repeatRounds, "0");
    click(ui().startTx);
    EXPECT_EQ(nextBlock(0x01).size(), 80);
    QTest::mouseClick(ui().loopBack, Qt::LeftButton);
    event(0x81, {0x09, 0x09, 0x09, 0x09, 0x09});
    EXPECT_EQ(ui().startTx->text(), "Start");
    EXPECT_FALSE(ui().startTx->isEnabled());
    EXPECT_FALSE(ui().startTx->isHidden());
    EXPECT_FALSE(page().loopBack());
    EXPECT_TRUE(page().receiveTable().empty());
    EXPECT_EQ(ui().handle->count(), 0);
    answer(0x3F);
    received(0x01, "late");
    EXPECT_TRUE(silent());
}

// The bridge chip's library as the tests of the link layer build it.
class PinLink {
public:
    PinLink() : lib_(QString(FAKE_BRIDGE_DIR) + "/PinLink-UM") {
        if (lib_.load()) {
            reset_ =
                reinterpret_cast<void (*)(int, int, int, int)>(lib_.resolve("FakePinLink_Reset"));
            log_ = reinterpret_cast<int (*)(char*, int)>(lib_.resolve("FakePinLink_Log"));
        }
    }
    bool ok() const { return reset_ && log_; }
    void reset() { reset_(1, 1, 1, -1); }
    QStringList pin1() const {
        std::string text(static_cast<std::size_t>(log_(nullptr, 0)) + 1, '\0');
        log_(text.data(), static_cast<int>(text.size()));
        QStringList out;
        for (const QString& line : QString::fromStdString(text).split('\n'))
            if (line.endsWith(" 1") && line.contains("Pin"))
                out << line.trimmed();
        return out;
    }

private:
    QLibrary lib_;
    void (*reset_)(int, int, int, int) = nullptr;
    int (*log_)(char*, int) = nullptr;
};

TEST(TransparentPullHigh, TogglesPinOneOfTheBridgeAndNeedsTheBridge) {
    PinLink bridge;
    ASSERT_TRUE(bridge.ok());
    bridge.reset();
    qputenv("NUVEX3_BRIDGE_DIR", FAKE_BRIDGE_DIR);
    PtyPair pty;
    MainWindowHarness h;
    CPageTransparent& page = h.dialog().pages().transparent;
    QPushButton* pull = page.controls().pullHigh;
    EXPECT_FALSE(pull->isEnabled());
    h.ui().gpio->setCurrentIndex(1);
    h.connectTo(QString::fromStdString(pty.slavePath()));
    ASSERT_TRUE(h.dialog().connected());
    EXPECT_TRUE(pull->isEnabled());
    EXPECT_EQ(pull->text(), "Pull High");
    QTest::mouseClick(pull, Qt::LeftButton);
    EXPECT_EQ(pull->text(), "Pull Low");
    QTest::mouseClick(pull, Qt::LeftButton);
    EXPECT_EQ(pull->text(), "Pull High");
    EXPECT_EQ(bridge.pin1(), QStringList({"SetPin 1", "ClearPin 1"}));
    qunsetenv("NUVEX3_BRIDGE_DIR");

    h.pressConnectButton();
    EXPECT_FALSE(pull->isEnabled());
    h.ui().gpio->setCurrentIndex(0);
    h.pressConnectButton();
    ASSERT_TRUE(h.dialog().connected());
    QTest::mouseClick(pull, Qt::LeftButton);
    EXPECT_EQ(h.prompts().messages(), QStringList({"VK5310 is not initial"}));
    EXPECT_EQ(pull->text(), "Pull High");
}

} // namespace
} // namespace nuvex3::test
