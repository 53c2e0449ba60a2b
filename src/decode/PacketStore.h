#pragma once
// The packets of a session, kept compact: per row a small fixed record and the packet's
// bytes in large shared chunks. A ring of at most `capacity` rows: appending to a full
// store drops the oldest row, so memory stays flat however long the session runs. Rows
// keep their sequence numbers (0 for the first row of the session) when older rows go.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>

namespace nuvex3::decode {

struct StoredRow {
    enum Flag : std::uint8_t {
        Sent = 1,      // a command sent; otherwise a packet received
        Note = 2,      // not a packet: a command without answer, or a Message
        Answered = 4,  // a command whose answer arrived (link: forward to it)
        Answer = 8,    // an answer to a command (link: back to it)
        TimedOut = 16, // a command that got no answer in time
        Unpaired = 32, // a Command Complete for no command sent in this session
        Message = 64,  // with Note: a message the tool showed; its bytes are the text
    };
    std::int64_t timeUs = 0;    // since the session started
    std::uint64_t position = 0; // of the bytes in the store
    std::uint32_t link = 0;     // distance in rows to the paired row; 0: none
    std::uint32_t rttUs = 0;    // round trip to the answer (saturated)
    std::uint16_t size = 0;     // bytes
    std::uint8_t flags = 0;
    std::uint8_t opcode = 0;
};

class PacketStore {
public:
    static constexpr std::size_t kChunkBytes = 256 * 1024;
    static constexpr std::size_t kMaxPacket = 0xFFFF;

    explicit PacketStore(std::size_t capacity);

    // Appends a row with a copy of `bytes` (cut to kMaxPacket); drops the oldest row when
    // the store is full. Returns the row's sequence number.
    std::uint64_t append(StoredRow row, std::span<const std::uint8_t> bytes);

    std::uint64_t firstSeq() const { return first_; }
    std::uint64_t endSeq() const { return first_ + rows_.size(); }
    std::size_t size() const { return rows_.size(); }
    bool contains(std::uint64_t seq) const { return seq >= first_ && seq < endSeq(); }

    const StoredRow& row(std::uint64_t seq) const { return rows_[seq - first_]; }
    StoredRow& row(std::uint64_t seq) { return rows_[seq - first_]; }
    std::span<const std::uint8_t> bytes(std::uint64_t seq) const;

    std::size_t capacity() const { return capacity_; }
    // A smaller capacity drops the oldest rows at once.
    void setCapacity(std::size_t capacity);
    // Empties the store; sequence numbers start again at 0.
    void clear();
    // Drops the `n` oldest rows (all when n is larger).
    void dropOldest(std::size_t n);

    // Bytes held by rows and chunks (benchmarks).
    std::size_t memoryBytes() const;

private:
    std::size_t capacity_;
    std::uint64_t first_ = 0;
    std::deque<StoredRow> rows_;
    std::deque<std::unique_ptr<std::uint8_t[]>> chunks_;
    std::uint64_t firstChunk_ = 0; // chunk number of chunks_.front()
    std::uint64_t end_ = 0;        // position after the last byte written
};

} // namespace nuvex3::decode
