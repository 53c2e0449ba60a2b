// Rows that went to the session's temporary file: their bytes and times read back exactly,
// in any order; the ring reuses the file's room; a command answered after it went to the
// file shows its answer; the filter and the pcapng export give the same as with every row
// in memory; a file that cannot be made or fills up is said once, and the newest rows stay.

#include "DecodeTestSupport.h"

#include "decode/Pcapng.h"
#include "decode/RowFilter.h"
#include "decode/Session.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sstream>
#include <sys/resource.h>

namespace nuvex3::decode {
namespace {

constexpr std::size_t kRows = 8; // per segment

std::vector<std::uint8_t> packetOf(std::uint64_t i) {
    std::vector<std::uint8_t> p(1 + i % 60);
    for (std::size_t k = 0; k < p.size(); ++k)
        p[k] = static_cast<std::uint8_t>(i * 7 + k);
    return p;
}

struct Spooled {
    explicit Spooled(std::size_t capacity, std::string directory = {}) : store(capacity, kRows) {
        SpoolSettings s;
        s.directory = directory.empty() ? dir.path().toStdString() : directory;
        s.segmentsInMemory = 2;
        s.segmentsCached = 2;
        s.onError = [this](const std::string& e) { errors.push_back(e); };
        store.enableSpool(std::move(s));
    }
    void fill(std::uint64_t from, std::uint64_t to) {
        for (std::uint64_t i = from; i < to; ++i) {
            StoredRow row;
            row.timeUs = static_cast<std::int64_t>(i) * 1000;
            row.opcode = static_cast<std::uint8_t>(i);
            ASSERT_EQ(store.append(row, packetOf(i)), i);
        }
    }
    void expectRow(std::uint64_t i) const {
        const auto b = store.bytes(i);
        const auto expected = packetOf(i);
        EXPECT_EQ(std::vector<std::uint8_t>(b.begin(), b.end()), expected) << "row " << i;
        const StoredRow r = store.row(i);
        EXPECT_EQ(r.timeUs, static_cast<std::int64_t>(i) * 1000) << "row " << i;
        EXPECT_EQ(r.opcode, static_cast<std::uint8_t>(i)) << "row " << i;
    }

    QTemporaryDir dir;
    PacketStore store;
    std::vector<std::string> errors;
};

TEST(SpooledStore, RowsReadBackExactlyInAnyOrderAndTheRingReusesTheFile) {
    Spooled s(100);
    s.fill(0, 60);
    // 60 rows: 8 segments, the newest 2 in memory, the rest in the file.
    EXPECT_EQ(s.store.segmentsInMemory(), 2u);
    EXPECT_EQ(s.store.spooledSegments(), 6u);
    for (std::uint64_t i = 60; i-- > 0;)
        s.expectRow(i); // newest first: every segment read back, the cache of two turning
    for (std::uint64_t i = 0; i < 60; i += 9)
        s.expectRow(i);
    // The file is unlinked at once: nothing shows in the directory.
    EXPECT_TRUE(QDir(s.dir.path()).entryList(QDir::Files).isEmpty());

    s.fill(60, 5000);
    EXPECT_EQ(s.store.size(), 100u);
    EXPECT_EQ(s.store.firstSeq(), 4900u);
    for (std::uint64_t i = 4900; i < 5000; ++i)
        s.expectRow(i);
    // The ring: rows of at most 60 bytes in 100 rows need at most 15 slots of the file,
    // however long the session; memory holds two segments and two read back.
    const std::size_t segment = kRows * sizeof(StoredRow) + PacketStore::kSegmentBytes;
    EXPECT_LE(s.store.spoolFileBytes(), (100 / kRows + 3) * segment);
    EXPECT_LE(s.store.memoryBytes(), 4 * segment);
    EXPECT_TRUE(s.errors.empty());

    // A new session starts an empty file.
    s.store.clear();
    EXPECT_EQ(s.store.spoolFileBytes(), 0u);
    s.fill(0, 30);
    for (std::uint64_t i = 0; i < 30; ++i)
        s.expectRow(i);
}

TEST(SpooledStore, ADirectoryThatCannotBeWrittenIsSaidOnceAndTheNewestRowsStay) {
    Spooled s(1000, "/nonexistent/nuvex3");
    s.fill(0, 100);
    ASSERT_EQ(s.errors.size(), 1u);
    EXPECT_EQ(s.errors[0],
              "cannot create a temporary file in /nonexistent/nuvex3: No such file or directory");
    EXPECT_EQ(s.store.spoolError(), s.errors[0]);
    EXPECT_FALSE(s.store.spooling());
    // What memory holds: the segment being filled (4 rows) and the one before.
    EXPECT_EQ(s.store.firstSeq(), 88u);
    EXPECT_EQ(s.store.size(), 12u);
    EXPECT_EQ(s.store.spooledSegments(), 0u);
    for (std::uint64_t i = 88; i < 100; ++i)
        s.expectRow(i);

    // The next session tries again, and says so again.
    s.store.clear();
    s.fill(0, 20);
    EXPECT_EQ(s.errors.size(), 2u);
}

TEST(SpooledStore, AFileThatFillsUpIsSaidOnceAndTheRowsInMemoryStay) {
    Spooled s(1000);
    const std::size_t segment = kRows * sizeof(StoredRow) + PacketStore::kSegmentBytes;
    // The file may grow to three slots, the third one not quite.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 3 * segment - 10;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    s.fill(0, 200);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    ASSERT_EQ(s.errors.size(), 1u);
    EXPECT_EQ(s.errors[0], "cannot write to the temporary file: File too large");
    EXPECT_EQ(s.store.size(), 16u);
    EXPECT_EQ(s.store.firstSeq(), 184u);
    for (std::uint64_t i = 184; i < 200; ++i)
        s.expectRow(i);
}

// The same packets into a session with every row in memory and one that keeps only two
// segments of eight rows in memory.
class SpooledSession : public ::testing::Test {
protected:
    SpooledSession() {
        SpoolSettings s;
        s.directory = dir.path().toStdString();
        s.segmentsInMemory = 2;
        s.segmentsCached = 2; // the fewest: every read back turns the cache
        spooled.enableSpool(std::move(s));
    }
    QTemporaryDir dir;
    Session inMemory;
    Session spooled{Session::kDefaultRows, kRows};
};

TEST_F(SpooledSession, FilterAndExportOverRowsInTheFileGiveWhatRowsInMemoryGive) {
    test::playSimulatorSession(inMemory);
    test::playSimulatorSession(spooled);
    ASSERT_EQ(spooled.store().size(), inMemory.store().size());
    ASSERT_GE(spooled.store().spooledSegments(), 3u);

    for (std::uint64_t seq = 0; seq < inMemory.store().endSeq(); ++seq) {
        const RowTexts a = inMemory.texts(seq);
        const RowTexts b = spooled.texts(seq);
        EXPECT_EQ(b.fields, a.fields) << seq;
        EXPECT_EQ(b.pairing, a.pairing) << seq;
        EXPECT_EQ(b.roundTrip, a.roundTrip) << seq;
    }
    // The first rows are read back from the file with their pairing.
    EXPECT_EQ(spooled.texts(2).name, "Read Local Information");
    EXPECT_EQ(spooled.texts(2).pairing, "answered by #4 after 1.000 ms");

    for (const char* text : {"0x16", "is:error", "handle:01", "NVX-HRM", "\"Heart Rate\""}) {
        const RowFilter filter(text);
        std::vector<std::uint64_t> a, b;
        for (std::uint64_t seq = 0; seq < inMemory.store().endSeq(); ++seq) {
            if (filter.matches(inMemory, seq))
                a.push_back(seq);
            if (filter.matches(spooled, seq))
                b.push_back(seq);
        }
        EXPECT_FALSE(a.empty()) << text;
        EXPECT_EQ(b, a) << text;
    }

    std::ostringstream fromMemory, fromFile;
    ASSERT_TRUE(writeSessionPcapng(inMemory, fromMemory, "nuvex3-tool 0.37", "Simulated module"));
    ASSERT_TRUE(writeSessionPcapng(spooled, fromFile, "nuvex3-tool 0.37", "Simulated module"));
    EXPECT_GT(fromFile.str().size(), 3000u);
    EXPECT_TRUE(fromFile.str() == fromMemory.str());
}

TEST_F(SpooledSession, ACommandAnsweredAfterItWentToTheFileShowsItsAnswer) {
    for (Session* s : {&inMemory, &spooled}) {
        s->start({}, 0);
        s->addPacket(Direction::Sent, 100, test::wire("10 01"));
        for (int i = 0; i < 40; ++i)
            s->addPacket(Direction::Received, 200 + i,
                         test::wire("70 00 00 0F0E0D0C0B0A 06 020106 020941 C4"));
        s->addPacket(Direction::Received, 5100, test::wire("80 10 00 C4"));
    }
    ASSERT_EQ(spooled.store().spooledSegments(), 4u);
    EXPECT_EQ(spooled.texts(0).pairing, "answered by #42 after 5.000 ms");
    EXPECT_EQ(spooled.texts(0).roundTrip, "5.000 ms");
    EXPECT_EQ(spooled.texts(41).pairing, "answers #1 (Read RSSI Value) after 5.000 ms");
    // Read back once more after other segments went through the cache.
    EXPECT_EQ(spooled.texts(20).name, "Advertising Report");
    EXPECT_EQ(spooled.texts(0).pairing, inMemory.texts(0).pairing);
}

} // namespace
} // namespace nuvex3::decode
