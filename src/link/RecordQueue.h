#pragma once
// Records on their way from the command layer's threads to the window. Each record is kept
// compact (without its trailing zero bytes, so an advertising report takes about 50 bytes
// instead of 1508) in one bounded buffer, in the order the layer reported them. The window
// takes everything queued at once (one wake-up per batch) and expands each record again
// just before it routes it.
//
// The bound is kept by the reader, not by dropping: full() tells the port's I/O thread to
// stop reading until the window has taken the batch; the port's own buffer holds the rest,
// as with hardware flow control. Pushes never block, so a sender on the UI thread never
// waits for itself.

#include "link/Clock.h"
#include "link/Packet.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace nuvex3 {

// The bytes of a record up to its last non-zero byte; the rest are zero.
std::size_t compactSize(const Record& record);

// Compact records in order: [kind][size, 2 bytes][size bytes] each, and beside them the
// time each was pushed at.
class RecordBatch {
public:
    bool empty() const { return pos_ >= bytes_.size(); }
    // Expands the next record into `record` (bytes after its compact size are zero).
    bool next(int& kind, Record& record);
    // The same, with the time the record was pushed at.
    bool next(int& kind, Record& record, Clock::time_point& at);
    // Bytes held, read or not.
    std::size_t bytes() const { return bytes_.size(); }
    void clear() {
        bytes_.clear();
        times_.clear();
        pos_ = 0;
        index_ = 0;
    }

private:
    friend class RecordQueue;
    std::vector<std::uint8_t> bytes_;
    std::vector<Clock::time_point> times_;
    std::size_t pos_ = 0;
    std::size_t index_ = 0;
};

class RecordQueue {
public:
    // About 5,000 advertising reports (report and packet record each).
    static constexpr std::size_t kDefaultCapacity = 512 * 1024;

    explicit RecordQueue(std::size_t capacityBytes = kDefaultCapacity);

    // Any thread; never blocks. True when the queue was empty before: the caller wakes the
    // consumer (once per batch).
    bool push(int kind, const Record& record, Clock::time_point at = {});

    // Consumer: replaces `batch` with everything queued. True when the queue had been full,
    // so the reader may have paused and should be resumed.
    bool takeAll(RecordBatch& batch);

    // Set while the queued bytes reach the capacity; the reader stops reading while it is.
    const std::atomic<bool>& fullFlag() const { return full_; }
    bool full() const { return full_.load(std::memory_order_relaxed); }

    std::size_t capacity() const { return capacity_; }
    std::size_t queuedBytes() const;
    // The most bytes the queue has held at once, and the records pushed (tests, benchmarks).
    std::size_t peakBytes() const;
    std::uint64_t pushed() const;

private:
    const std::size_t capacity_;
    mutable std::mutex m_;
    std::vector<std::uint8_t> bytes_;
    std::vector<Clock::time_point> times_;
    std::size_t peak_ = 0;
    std::uint64_t pushed_ = 0;
    std::atomic<bool> full_{false};
};

} // namespace nuvex3
