// The queue between the layer's threads and the window: compact copies that expand to
// the same records, in order, one wake-up per batch, and the full flag that holds the
// reader back.

#include "link/RecordQueue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace nuvex3 {
namespace {

Record recordWith(std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes) {
    Record r{};
    for (auto [at, value] : bytes)
        r[at] = value;
    return r;
}

TEST(RecordQueue, RecordsComeBackByteForByteInOrderAndTakeOnlyTheirUsedBytes) {
    const std::vector<Record> records = {
        recordWith({{1, 42}, {2, 0x70}, {43, 0xC4}}),         // an advertising report
        Record{},                                             // nothing but zeros
        recordWith({{0, 1}, {kRecordSize - 1, 0xFF}}),        // the last byte is used
        recordWith({{260, 5}, {263, 0}, {5, 'a'}, {9, 'e'}}), // a count far behind the data
    };
    EXPECT_EQ(compactSize(records[0]), 44u);
    EXPECT_EQ(compactSize(records[1]), 0u);
    EXPECT_EQ(compactSize(records[2]), kRecordSize);
    EXPECT_EQ(compactSize(records[3]), 261u);

    RecordQueue queue;
    for (std::size_t i = 0; i < records.size(); ++i)
        EXPECT_EQ(queue.push(static_cast<int>(i) + 12, records[i]), i == 0)
            << "only the first record of a batch wakes the window";
    EXPECT_EQ(queue.queuedBytes(), 4 * 3 + 44 + 0 + kRecordSize + 261);

    RecordBatch batch;
    EXPECT_FALSE(queue.takeAll(batch));
    EXPECT_EQ(queue.queuedBytes(), 0u);
    Record out;
    out.fill(0xEE); // every byte is written, also the zeros after the compact size
    int kind = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        ASSERT_TRUE(batch.next(kind, out));
        EXPECT_EQ(kind, static_cast<int>(i) + 12);
        EXPECT_EQ(out, records[i]) << "record " << i;
    }
    EXPECT_FALSE(batch.next(kind, out));
    EXPECT_TRUE(queue.push(1, records[0])) << "the next batch wakes the window again";
}

TEST(RecordQueue, EachRecordKeepsTheTimeItWasPushedAtAcrossBatches) {
    using namespace std::chrono_literals;
    RecordQueue queue;
    const Clock::time_point t0{};
    queue.push(0, recordWith({{0, 1}}), t0 + 1ms);
    queue.push(1, recordWith({{0, 2}}), t0 + 5ms);
    RecordBatch batch;
    queue.takeAll(batch);
    queue.push(1, recordWith({{0, 3}}), t0 + 9ms); // the next batch
    Record out;
    int kind = 0;
    Clock::time_point at{};
    ASSERT_TRUE(batch.next(kind, out, at));
    EXPECT_EQ(at, t0 + 1ms);
    ASSERT_TRUE(batch.next(kind, out)); // read without its time
    EXPECT_EQ(out[0], 2);
    EXPECT_FALSE(batch.next(kind, out, at));
    queue.takeAll(batch);
    ASSERT_TRUE(batch.next(kind, out, at));
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(at, t0 + 9ms);
}

TEST(RecordQueue, FullFromTheCapacityUntilTheBatchIsTaken) {
    RecordQueue queue(100);
    const Record r = recordWith({{46, 1}}); // 47 bytes + 3
    queue.push(1, r);
    EXPECT_FALSE(queue.full());
    queue.push(1, r);
    EXPECT_TRUE(queue.full());
    EXPECT_TRUE(queue.fullFlag().load());
    queue.push(0, r); // a sender is never refused nor held up
    EXPECT_EQ(queue.peakBytes(), 150u);
    RecordBatch batch;
    EXPECT_TRUE(queue.takeAll(batch)) << "the reader may be waiting: resume it";
    EXPECT_FALSE(queue.full());
    EXPECT_EQ(batch.bytes(), 150u);
}

TEST(RecordQueue, RecordsFromSeveralThreadsKeepEachThreadsOrder) {
    RecordQueue queue;
    constexpr int kPerThread = 5000;
    auto producer = [&](std::uint8_t id) {
        for (int i = 0; i < kPerThread; ++i)
            queue.push(id, recordWith({{0, static_cast<std::uint8_t>(i >> 8)},
                                       {1, static_cast<std::uint8_t>(i)},
                                       {2, id}}));
    };
    std::thread a(producer, 1), b(producer, 2);
    std::vector<int> next(3, 0);
    RecordBatch batch;
    Record r;
    int kind = 0;
    auto consume = [&] {
        queue.takeAll(batch);
        while (batch.next(kind, r)) {
            ASSERT_EQ(r[2], kind);
            ASSERT_EQ((r[0] << 8) | r[1], next[static_cast<std::size_t>(kind)]++);
        }
    };
    while (next[1] + next[2] < 2 * kPerThread && !::testing::Test::HasFailure()) {
        consume();
        std::this_thread::yield();
    }
    a.join();
    b.join();
    consume();
    EXPECT_EQ(next[1], kPerThread);
    EXPECT_EQ(next[2], kPerThread);
}

} // namespace
} // namespace nuvex3
