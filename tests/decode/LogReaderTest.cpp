// Session log files read back: each line form, problems reported by line number and
// skipped, and nuvex3-decode on such a file (rows, --filter, --pcapng, exit status).

#include "DecodeTestSupport.h"

#include "decode/LogDecoder.h"
#include "decode/LogReader.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <sstream>

namespace nuvex3::decode {
namespace {

TEST(LogReader, TheThreeLineForms) {
    std::string problem = "x";
    auto e = parseLogLine("<-- 0003160100\r", 7, &problem);
    ASSERT_TRUE(e);
    EXPECT_EQ(problem, "");
    EXPECT_EQ(e->kind, LogEntry::Kind::Sent);
    EXPECT_EQ(e->line, 7u);
    EXPECT_EQ(test::toHex(e->wire), "AA 00 03 16 01 00 E6");

    e = parseLogLine("--> 0003801600", 8, &problem);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->kind, LogEntry::Kind::Received);
    EXPECT_EQ(test::toHex(e->wire), "AA 00 03 80 16 00 67");
    // Lower-case digits, as a hand-edited file may have them.
    EXPECT_EQ(test::toHex(parseLogLine("--> 00028109", 1, &problem)->wire), "AA 00 02 81 09 74");

    e = parseLogLine("No response to command 0x1B", 9, &problem);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->kind, LogEntry::Kind::Timeout);
    EXPECT_EQ(e->opcode, 0x1B);

    EXPECT_FALSE(parseLogLine("  \r", 10, &problem));
    EXPECT_EQ(problem, "");
}

TEST(LogReader, BrokenLinesAreReportedByNumberAndSkipped) {
    std::istringstream in("<-- 000101\r\n"
                          "--> 0006810009090\r\n" // cut off
                          "--> 0006810009090909\r\n"
                          "<-- 00031601\r\n" // length says more than the line holds
                          "--> 0003801600x\r\n"
                          "UART Checksum Error [RX]\r\n" // a message the tool showed
                          "--> \r\n"
                          "--> 0000\r\n"
                          "<-- 0000AA\r\n"
                          "No response to command 0x\r\n"
                          "\r\n"
                          "--> 0003800100\r\n"
                          "<-\r\n" // cut off before the packet
                          "-->0003800100\r\n"
                          "Scan\x01\x02 on\r\n" // noise, not a message
                          "No resp");
    const LogContents log = readLog(in);
    std::vector<std::string> entries;
    for (const LogEntry& e : log.entries)
        entries.push_back(std::to_string(e.line) + ": " +
                          (e.kind == LogEntry::Kind::Message ? e.text : test::toHex(e.wire)));
    EXPECT_EQ(entries, (std::vector<std::string>{
                           "1: AA 00 01 01 FE", "3: AA 00 06 81 00 09 09 09 09 55",
                           "6: UART Checksum Error [RX]", "12: AA 00 03 80 01 00 7C"}));
    std::vector<std::string> problems;
    for (const LogProblem& p : log.problems)
        problems.push_back(std::to_string(p.line) + ": " + p.message);
    EXPECT_EQ(problems, (std::vector<std::string>{
                            "2: odd number of hexadecimal digits: the line is cut off",
                            "4: length 0x0003 announces 3 bytes, the line holds 2",
                            "5: 'x' is not a hexadecimal digit",
                            "7: no packet after the arrow",
                            "8: too short for a length and an opcode",
                            "9: length 0",
                            "10: no command opcode after \"No response to command 0x\"",
                            "13: cut off before its packet",
                            "14: no blank after the arrow",
                            "15: byte 0x01 in a line that is no packet: not written by the tool",
                            "16: cut off before its packet",
                        }));
}

class DecodeProgram : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        log = dir.filePath("Dravo_LOG-20240131_235959.log").toStdString();
        std::ofstream(log, std::ios::binary) << "<-- 000101\r\n"
                                                "--> 0006810009090909\r\n"
                                                "<-- 0003160100\r\n"
                                                "--> 00038016\r\n"
                                                "--> 0003801600\r\n"
                                                "<-- 0002100\r\n"
                                                "<-- 00021001\r\n"
                                                "No response to command 0x10\r\n"
                                                "Scan on for 0x10 seconds\r\n";
    }

    struct Run {
        int code;
        std::string out;
        std::string err;
    };
    Run run(const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(NUVEX3_DECODE_PROGRAM), args);
        EXPECT_TRUE(p.waitForFinished(30000));
        return {p.exitCode(), p.readAllStandardOutput().toStdString(),
                p.readAllStandardError().toStdString()};
    }

    QTemporaryDir dir;
    std::string log;
};

TEST_F(DecodeProgram, PrintsTheRowsAndReportsBrokenLines) {
    const Run r = run({QString::fromStdString(log)});
    EXPECT_EQ(r.code, kDecodeLinesSkipped);
    EXPECT_EQ(r.err, log + ":4: length 0x0003 announces 3 bytes, the line holds 2; line skipped\n" +
                         log +
                         ":6: odd number of hexadecimal digits: the line is cut off; line "
                         "skipped\n");
    EXPECT_EQ(r.out,
              "# " + log +
                  ": 7 packets and notes, 2 lines skipped\n"
                  "# Times are synthetic: a session log file holds no times, so the packets "
                  "keep their order, 1 ms apart.\n"
                  "     1        0.000  Sent      0x01  Read Local Information\n"
                  "     2        1.000  Received  0x81  Status Report, Module State: 0x00 (Power "
                  "On), Link 1: 0x09 (Idle Mode), Link 2: 0x09 (Idle Mode), Link 3: 0x09 (Idle "
                  "Mode), Link 4: 0x09 (Idle Mode)\n"
                  "     3        2.000  Sent      0x16  Set Scan Enable, Scan Enable: 0x01 "
                  "(Scanning Enabled), Filter Duplicate: 0x00 (Duplicate Filtering Disabled)  "
                  "[answered by #4]\n"
                  "     4        3.000  Received  0x80  Command Complete, Command: 0x16 (Set Scan "
                  "Enable), Status: 0x00 (Command succeeded)  [answers #3 (Set Scan Enable)]\n"
                  "     5        4.000  Sent      0x10  Read RSSI Value, Connection Handle: 0x01  "
                  "[no answer in time]\n"
                  "     6        5.000            0x10  No response, No response to command 0x10 "
                  "(Read RSSI Value)  [command #5]\n"
                  "     7        6.000                  Message, Scan on for 0x10 seconds\n");
}

TEST_F(DecodeProgram, FiltersAndWritesPcapng) {
    Run r = run({QString::fromStdString(log), "--filter", "0x16"});
    EXPECT_EQ(r.code, kDecodeLinesSkipped);
    EXPECT_NE(r.out.find("     3        2.000  Sent      0x16"), std::string::npos);
    EXPECT_NE(r.out.find("     4        3.000  Received  0x80"), std::string::npos);
    EXPECT_EQ(r.out.find("Read Local Information"), std::string::npos);
    // A message has no opcode; its text is found as text.
    r = run({QString::fromStdString(log), "--filter", "0x10"});
    EXPECT_EQ(r.out.find("Message"), std::string::npos);
    EXPECT_NE(r.out.find("     6        5.000            0x10  No response"), std::string::npos);
    r = run({QString::fromStdString(log), "--filter", "seconds"});
    EXPECT_NE(r.out.find("     7        6.000                  Message, Scan on"),
              std::string::npos);
    EXPECT_EQ(r.out.find("No response"), std::string::npos);

    const QString pcapng = dir.filePath("out.pcapng");
    r = run({QString::fromStdString(log), "--pcapng", pcapng});
    EXPECT_EQ(r.code, kDecodeLinesSkipped);
    EXPECT_EQ(r.out, "Wrote 5 packets to " + pcapng.toStdString() + " (times are synthetic)\n");
    std::ifstream in(pcapng.toStdString(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string file = bytes.str();
    EXPECT_EQ(file.substr(0, 4), std::string("\x0A\x0D\x0D\x0A", 4));
    EXPECT_NE(file.find("Times are synthetic"), std::string::npos);
    EXPECT_NE(file.find("no answer in time"), std::string::npos);
    // The first packet is timed at the moment the file's name gives (local time).
    ASSERT_TRUE(logNameTimeUs(log));
    EXPECT_EQ(*logNameTimeUs(log) % 1'000'000, 0);
    EXPECT_FALSE(logNameTimeUs("session.log"));
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 11;
    tm.tm_mday = 8;
    tm.tm_hour = 13;
    tm.tm_min = 25;
    tm.tm_sec = 37;
    tm.tm_isdst = -1;
    EXPECT_EQ(logNameTimeUs("/logs/copy of Dravo_LOG-20261208_132537.log"),
              static_cast<std::int64_t>(std::mktime(&tm)) * 1'000'000);
    EXPECT_FALSE(logNameTimeUs("Dravo_LOG-2026120X_132537.log"));
    EXPECT_FALSE(logNameTimeUs("Dravo_LOG-20261208-132537.log"));
    EXPECT_FALSE(logNameTimeUs("Dravo_LOG-20261208_1325.log"));

    r = run({dir.filePath("missing.log")});
    EXPECT_EQ(r.code, kDecodeFailed);
    EXPECT_EQ(r.err, dir.filePath("missing.log").toStdString() + ": cannot be opened\n");
    r = run({});
    EXPECT_EQ(r.code, kDecodeFailed);
}

} // namespace
} // namespace nuvex3::decode
