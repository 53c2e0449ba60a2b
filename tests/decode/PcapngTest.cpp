// pcapng files: the exact blocks, and a simulator session read back by tshark with the
// project's dissector: every packet's Info column is the decoded view's row, and the
// fields, directions and pairing comments come out as the tool shows them.

#include "DecodeTestSupport.h"

#include "decode/DissectorTables.h"
#include "decode/Pcapng.h"
#include "decode/Session.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

namespace nuvex3::decode {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

TEST(Pcapng, BlocksByteForByte) {
    std::ostringstream out;
    {
        PcapngWriter writer(out, "app", "if");
        writer.packet(Direction::Sent, 0x0000000100000002LL, test::hex("AA 00 01 01 FE"));
        writer.packet(Direction::Received, 7, test::hex("AA 00 03 80 01 00 7C"), "answers frame 1");
        EXPECT_EQ(writer.packets(), 2u);
    }
    const std::string s = out.str();
    const std::string bytes =
        test::toHex(std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()));
    const std::string shb = "0A 0D 0D 0A 28 00 00 00 4D 3C 2B 1A 01 00 00 00 FF FF FF FF FF FF "
                            "FF FF 04 00 03 00 61 70 70 00 00 00 00 00 28 00 00 00";
    const std::string idb = "01 00 00 00 28 00 00 00 93 00 00 00 00 00 00 00 02 00 02 00 69 66 "
                            "00 00 09 00 01 00 06 00 00 00 00 00 00 00 28 00 00 00";
    // Outbound (2) in the flags; the time in microseconds, high word first.
    const std::string epb1 = "06 00 00 00 34 00 00 00 00 00 00 00 01 00 00 00 02 00 00 00 05 00 "
                             "00 00 05 00 00 00 AA 00 01 01 FE 00 00 00 02 00 04 00 02 00 00 00 "
                             "00 00 00 00 34 00 00 00";
    // Inbound (1), and the comment before the flags.
    const std::string epb2 = "06 00 00 00 48 00 00 00 00 00 00 00 00 00 00 00 07 00 00 00 07 00 "
                             "00 00 07 00 00 00 AA 00 03 80 01 00 7C 00 01 00 0F 00 61 6E 73 77 "
                             "65 72 73 20 66 72 61 6D 65 20 31 00 02 00 04 00 01 00 00 00 00 00 "
                             "00 00 48 00 00 00";
    EXPECT_EQ(bytes, shb + " " + idb + " " + epb1 + " " + epb2);
}

// A session against the virtual module: start-up, local information, a scan, a
// connection, service discovery, a read, a disconnection, plus one packet with a bad
// checksum and a command that got no answer.
Session simulatorSession() {
    Session session;
    test::playSimulatorSession(session);
    return session;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs tshark with the dissector on `file`; every output line.
std::vector<std::string> tshark(const QString& file, const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(NUVEX3_TSHARK),
            QStringList{"-X", "lua_script:" NUVEX3_DISSECTOR_COPY, "-r", file} + args);
    EXPECT_TRUE(p.waitForFinished(60000)) << "tshark did not finish";
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    std::vector<std::string> lines;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
        lines.push_back(line.toStdString());
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

class TsharkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(QStringLiteral(NUVEX3_TSHARK)))
            << "tshark is missing: scripts/setup installs it";
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("session.pcapng"));
        std::ofstream out(path.toStdString(), std::ios::binary);
        ASSERT_TRUE(writeSessionPcapng(session, out, "nuvex3-tool 0.37", "Simulated module"));
    }

    Session session = simulatorSession();
    QTemporaryDir dir;
    QString path;
};

TEST_F(TsharkTest, EveryPacketShowsTheDecodedRow) {
    std::vector<std::string> expected;
    const PacketStore& store = session.store();
    for (std::uint64_t seq = store.firstSeq(); seq < store.endSeq(); ++seq)
        if (session.isPacket(seq))
            expected.push_back(session.decode(seq).info());
    ASSERT_GT(expected.size(), 30u); // status, scan reports, connection, discovery...

    const auto info = tshark(path, {"-T", "fields", "-e", "_ws.col.Info"});
    EXPECT_EQ(info, expected);
}

TEST_F(TsharkTest, OpcodesFieldsDirectionsAndComments) {
    const auto first = tshark(path, {"-Y", "frame.number <= 3", "-T", "fields", "-E", "separator=|",
                                     "-e", "frame.p2p_dir", "-e", "nuvex3.length", "-e",
                                     "nuvex3.command", "-e", "nuvex3.event", "-e", "nuvex3.name"});
    EXPECT_EQ(first, (Lines{"1|6||0x81|Status Report", "1|6||0x81|Status Report",
                            "0|1|0x01||Read Local Information"}));

    const auto connection =
        tshark(path, {"-Y", "nuvex3.event == 0x71", "-T", "fields", "-E", "separator=|", "-e",
                      "nuvex3.status", "-e", "nuvex3.connection_handle", "-e",
                      "nuvex3.peer_address", "-e", "nuvex3.conn_interval", "-e", "frame.comment"});
    ASSERT_EQ(connection.size(), 1u);
    EXPECT_TRUE(connection[0].starts_with("0x00|0x01|0A:0B:0C:0D:0E:0F|0x0018|answers frame "))
        << connection[0];
    EXPECT_TRUE(connection[0].ends_with(" (LE Create Connection) after 101.000 ms"))
        << connection[0];

    const auto reports = tshark(
        path, {"-Y", "nuvex3.event == 0x70 && nuvex3.address == \"0A:0B:0C:0D:0E:0F\"", "-T",
               "fields", "-E", "separator=|", "-e", "nuvex3.rssi", "-e", "nuvex3.event_type"});
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports[0], "-52|0x00");

    // The packet with a bad checksum and the unknown command are named and flagged.
    const auto problems =
        tshark(path, {"-Y", "nuvex3.problem", "-T", "fields", "-E", "separator=|", "-e",
                      "nuvex3.name", "-e", "nuvex3.problem", "-e", "frame.comment"});
    EXPECT_EQ(problems, (Lines{"Status Report|checksum 0xB3, should be 0x4C|"}));
    const auto unknown = tshark(path, {"-Y", "nuvex3.command == 0x55", "-T", "fields", "-e",
                                       "_ws.col.Info", "-e", "frame.comment"});
    EXPECT_EQ(unknown, (Lines{"Unknown command 0x55, Parameters: 01\tno answer in time"}));
}

TEST(Dissector, TheCopyInTheProjectMatchesTheTables) {
    const std::string generated = dissectorSource(readFile(NUVEX3_DISSECTOR_TEMPLATE));
    EXPECT_NE(generated.find("local COMMANDS = {"), std::string::npos);
    EXPECT_EQ(readFile(NUVEX3_DISSECTOR_COPY), generated)
        << "tools/wireshark/nuvex3.lua is out of date: cmake --build build --target "
           "update-wireshark-dissector";
}

} // namespace
} // namespace nuvex3::decode
