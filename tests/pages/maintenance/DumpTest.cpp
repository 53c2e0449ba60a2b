// The eFlash dump of the "Common" page, the module played on a pseudo-terminal: 32 reads
// of 32 bytes, one per answer, the file in its exact format, and the ways a dump ends
// early ("Send", Disconnect, an answer without data) without leaving a file.

#include "MaintenanceTestSupport.h"

#include "app/PageSet.h"
#include "pages/maintenance/CPageCommon.h"
#include "ui/Prompts.h"
#include "ui/ValueEntry.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

constexpr int kDebugIndex = 5;
const QString kHeader =
    QStringLiteral(";;;      0  1  2  3  4  5  6  7      8  9  A  B  C  D  E  F");

// What the played module holds at an eFlash address: every row differs from the others.
std::uint8_t eflashAt(std::size_t address) {
    return static_cast<std::uint8_t>((address + address / 256 * 7) & 0xFF);
}

class Dump : public ::testing::Test, public ModuleOnPty {
protected:
    void SetUp() override {
        show(&page);
        test::choose(page.opcodeCombo(), kDebugIndex);
    }

    void pressDump(const QString& chosen) {
        h.prompts().queueSaveFile(chosen);
        QTest::mouseClick(page.dumpButton(), Qt::LeftButton);
    }
    // Reads the request for the block at offset and answers it with the block.
    void answerBlock(std::size_t offset) {
        ASSERT_EQ(nextCommand(false),
                  packetText(0x06, {0x03, 0x20, static_cast<std::uint8_t>(offset >> 8),
                                    static_cast<std::uint8_t>(offset & 0xFF)}));
        Bytes data{0x03};
        for (std::size_t i = 0; i < 32; ++i)
            data.push_back(eflashAt(offset + i));
        complete(0x06, data);
    }
    QString path(const QString& name) { return QDir(h.directory()).filePath(name); }

    CPageCommon& page = h.dialog().pages().common;
};

TEST_F(Dump, ReadsTheFirstKilobyteInBlocksAndWritesTheFile) {
    pressDump(path("dump"));
    for (std::size_t offset = 0; offset < 1024; offset += 32) {
        EXPECT_EQ(page.dumpProgress()->value(), static_cast<int>(offset));
        EXPECT_FALSE(QFile::exists(path("dump.txt"))) << "a file before the last block";
        answerBlock(offset);
    }
    EXPECT_EQ(page.dumpProgress()->value(), 1024);
    EXPECT_EQ(h.prompts().fileFilters(), QStringList({"TXT FILE(*.TXT)"}));
    ASSERT_EQ(h.prompts().messages(), QStringList({"Dump eFlash Success!"}));
    EXPECT_EQ(h.prompts().icons().front(), PromptIcon::Information);
    EXPECT_TRUE(silent());

    QFile file(path("dump.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(file.readAll()).split('\n');
    // A blank line and the header before row 0 and after the rows 16, 32 and 48; the
    // text ends with an empty line.
    ASSERT_EQ(lines.size(), 64 + 4 * 2 + 2);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], kHeader);
    EXPECT_EQ(lines[2], "0000    00 01 02 03 04 05 06 07     08 09 0A 0B 0C 0D 0E 0F     ;");
    EXPECT_EQ(lines[lines.size() - 2], "");
    EXPECT_EQ(lines.last(), "");
    int row = 0;
    for (int i = 0; i < lines.size() - 2; ++i) {
        if (lines[i].isEmpty()) {
            EXPECT_EQ(lines[i + 1], kHeader) << "line " << i;
            EXPECT_TRUE(row == 0 || row == 17 || row == 33 || row == 49) << "row " << row;
            ++i;
            continue;
        }
        const QString& line = lines[i];
        ASSERT_EQ(line.size(), 8 + 16 * 3 + 4 + 4 + 1) << line.toStdString();
        EXPECT_EQ(line.left(8), QString::asprintf("%04x    ", row * 16));
        EXPECT_EQ(line.mid(8 + 8 * 3, 4), "    ");
        EXPECT_TRUE(line.endsWith("    ;"));
        const QString digits = line.mid(8).remove(' ').remove(';');
        for (int j = 0; j < 16; ++j)
            EXPECT_EQ(digits.mid(2 * j, 2).toUInt(nullptr, 16), eflashAt(row * 16 + j))
                << "row " << row << " byte " << j;
        ++row;
    }
    EXPECT_EQ(row, 64);
    EXPECT_TRUE(lines[lines.size() - 3].startsWith("03f0    "));

    // A file that cannot be written is reported, not announced as a success.
    h.prompts().clear();
    pressDump(path("missing/dir/dump.txt"));
    for (std::size_t offset = 0; offset < 1024; offset += 32)
        answerBlock(offset);
    EXPECT_EQ(h.prompts().messages(), QStringList({" Open File Failed "}));
}

TEST(DumpFileName, TxtIsAppendedUnlessTheLastFiveCharactersHoldIt) {
    EXPECT_EQ(EflashDump::fileName("dump"), "dump.txt");
    EXPECT_EQ(EflashDump::fileName("DUMP.TXT"), "DUMP.TXT");
    EXPECT_EQ(EflashDump::fileName("/tmp/a.txt.bak"), "/tmp/a.txt.bak.txt");
    EXPECT_EQ(EflashDump::fileName("/tmp/x.Txt"), "/tmp/x.Txt");
}

TEST_F(Dump, SendDuringADumpStopsCollecting) {
    pressDump(path("dump.txt"));
    for (std::size_t offset = 0; offset < 96; offset += 32)
        answerBlock(offset);
    EXPECT_EQ(nextCommand(false), packetText(0x06, {0x03, 0x20, 0x00, 0x60}));
    // "Send" while the fourth block is on its way: a memory read of 4 bytes at 0x0000.
    typeInto(page.valueCombo(1), "4");
    QTest::mouseClick(page.sendButton(), Qt::LeftButton);
    EXPECT_FALSE(page.eflashDump().dumping());

    // The fourth block's answer is shown, not collected; the memory read goes next.
    Bytes block{0x03};
    for (std::size_t i = 0; i < 32; ++i)
        block.push_back(eflashAt(96 + i));
    complete(0x06, block);
    EXPECT_EQ(page.valueCombo(3)->currentText(),
              QString::fromStdString(bytesToHex(block.data() + 1, 32)));
    EXPECT_EQ(nextCommand(false), packetText(0x06, {0x01, 0x04, 0x00, 0x00}));
    complete(0x06, {0x01, 0xAA, 0xBB, 0xCC, 0xDD});
    EXPECT_EQ(page.valueCombo(3)->currentText(), "AABBCCDD");

    EXPECT_TRUE(silent());
    EXPECT_EQ(page.dumpProgress()->value(), 96);
    EXPECT_FALSE(QFile::exists(path("dump.txt")));
    EXPECT_TRUE(h.prompts().messages().isEmpty());
}

TEST_F(Dump, AnErrorAnswerHoldsItAndDisconnectEndsItWithoutAFile) {
    pressDump(path("dump.txt"));
    answerBlock(0);
    answerBlock(32);
    ASSERT_EQ(nextCommand(false), packetText(0x06, {0x03, 0x20, 0x00, 0x40}));
    // The module refuses the third block: the error is shown and the dump waits there.
    event(0x80, {0x06, 0x12});
    EXPECT_EQ(h.prompts().messages(),
              QStringList({"Command(0x06) Error: \nInvalid Command Parameters (0x12)"}));
    EXPECT_TRUE(page.eflashDump().dumping());
    EXPECT_TRUE(silent());

    h.prompts().clear();
    h.pressConnectButton(); // "Disconnect"
    ASSERT_FALSE(h.dialog().connected());
    EXPECT_FALSE(page.eflashDump().dumping());
    EXPECT_EQ(h.prompts().messages(),
              QStringList({"Dump eFlash stopped at 0x0040: the port was closed. No file was "
                           "written."}));
    EXPECT_FALSE(QFile::exists(path("dump.txt")));
    EXPECT_FALSE(page.dumpButton()->isEnabled());
}

} // namespace
} // namespace nuvex3::test
