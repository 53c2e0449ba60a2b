#pragma once
// The packets of a session, kept compact: per row a small fixed record and the packet's
// bytes, both in segments of consecutive rows. A ring of at most `capacity` rows:
// appending to a full store drops the oldest row, so memory stays flat however long the
// session runs. Rows keep their sequence numbers (0 for the first row of the session) when
// older rows go.
//
// With a spool (enableSpool) only the newest segments stay in memory; older ones go to a
// temporary file of the session and are read back when a row of theirs is asked for (a
// few of them are kept as a cache), as a capture tool keeps its frames. The file is
// unlinked as soon as it is created, so it goes when the session ends, when the program
// ends and also when it crashes. When the file cannot be written the store says so once
// (SpoolSettings::onError) and from then on keeps only the rows of the segments in memory,
// dropping the oldest.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
    std::uint64_t position = 0; // of the bytes within the row's segment
    std::uint32_t link = 0;     // distance in rows to the paired row; 0: none
    std::uint32_t rttUs = 0;    // round trip to the answer (saturated)
    std::uint16_t size = 0;     // bytes
    std::uint8_t flags = 0;
    std::uint8_t opcode = 0;
};

struct SpoolSettings {
    std::string directory;            // where the temporary file is made
    std::size_t segmentsInMemory = 4; // the newest segments, the one being filled included
    std::size_t segmentsCached = 4;   // spooled segments kept after they were read back
    std::function<void(const std::string& error)> onError; // once, when the file fails
};

class PacketStore {
public:
    static constexpr std::size_t kMaxPacket = 0xFFFF;
    static constexpr std::size_t kSegmentRows = 8192;
    static constexpr std::size_t kSegmentBytes = 512 * 1024; // at least kMaxPacket
    // The text of a row whose spooled segment could not be read back.
    static constexpr std::string_view kUnreadable =
        "This row could not be read back from the temporary file.";

    explicit PacketStore(std::size_t capacity, std::size_t segmentRows = kSegmentRows,
                         std::size_t segmentBytes = kSegmentBytes);

    // From now on segments beyond settings.segmentsInMemory go to a temporary file in
    // settings.directory (made when the first one goes). Called before rows are spooled.
    void enableSpool(SpoolSettings settings);
    bool spooling() const { return spool_.has_value() && !spoolFailed_; }
    // The error that stopped the spool; empty while it works.
    const std::string& spoolError() const { return spoolError_; }

    // Appends a row with a copy of `bytes` (cut to kMaxPacket); drops the oldest row when
    // the store is full. Returns the row's sequence number.
    std::uint64_t append(StoredRow row, std::span<const std::uint8_t> bytes);

    std::uint64_t firstSeq() const { return first_; }
    std::uint64_t endSeq() const { return end_; }
    std::size_t size() const { return static_cast<std::size_t>(end_ - first_); }
    bool contains(std::uint64_t seq) const { return seq >= first_ && seq < end_; }

    // A kept row (read back from the file when its segment was spooled).
    StoredRow row(std::uint64_t seq) const;
    // Changes a kept row's pairing fields (flags, link, round trip); its time, opcode and
    // bytes stay.
    void setPairing(std::uint64_t seq, std::uint8_t flags, std::uint32_t link, std::uint32_t rttUs);
    // The row's bytes; valid until a row of another spooled segment is read, at least
    // until segmentsCached - 1 others were.
    std::span<const std::uint8_t> bytes(std::uint64_t seq) const;

    std::size_t capacity() const { return capacity_; }
    // A smaller capacity drops the oldest rows at once.
    void setCapacity(std::size_t capacity);
    // Empties the store (and its file); sequence numbers start again at 0.
    void clear();
    // Drops the `n` oldest rows (all when n is larger).
    void dropOldest(std::size_t n);

    // Bytes held in memory by rows, packets and the read-back cache (benchmarks, tests).
    std::size_t memoryBytes() const;
    // Segments in the file and in memory (tests).
    std::size_t spooledSegments() const;
    std::size_t segmentsInMemory() const;
    // Bytes the temporary file takes at most (the slots it holds, used or free).
    std::uint64_t spoolFileBytes() const;

private:
    struct Segment {
        std::uint64_t firstSeq = 0;
        std::uint32_t rows = 0;
        std::uint32_t bytes = 0;
        std::int64_t slot = -1;         // in the file, once spooled
        std::vector<StoredRow> rowData; // empty once spooled
        std::vector<std::uint8_t> byteData;
        bool inMemory() const { return slot < 0; }
    };
    struct Cached {
        std::uint64_t firstSeq = 0;
        std::uint64_t lastUse = 0;
        bool readable = false;
        std::vector<StoredRow> rowData;
        std::vector<std::uint8_t> byteData;
    };
    // The temporary file's descriptor, closed with its owner.
    struct File {
        int fd = -1;
        File() = default;
        File(File&& o) noexcept : fd(std::exchange(o.fd, -1)) {}
        File& operator=(File&& o) noexcept {
            std::swap(fd, o.fd);
            return *this;
        }
        ~File() { close(); }
        void close();
    };
    struct Spool {
        SpoolSettings settings;
        File file;
        std::int64_t slotCount = 0; // slots the file holds, used or free
        std::vector<std::int64_t> freeSlots;
    };

    const Segment& segmentOf(std::uint64_t seq) const;
    Segment& segmentOf(std::uint64_t seq);
    // The rows and bytes of a spooled segment, read back if not cached.
    const Cached& readBack(const Segment& s) const;
    void startSegment();
    void releaseSegments(); // the whole ones before first_
    void keepMemoryBound();
    bool spoolOut(Segment& s);
    void failSpool(const std::string& what);
    std::uint64_t slotOffset(std::int64_t slot) const;

    std::size_t capacity_;
    std::size_t segmentRows_;
    std::size_t segmentBytes_;
    std::uint64_t first_ = 0;
    std::uint64_t end_ = 0;
    std::deque<Segment> segments_;

    std::optional<Spool> spool_;
    bool spoolFailed_ = false;
    std::string spoolError_;
    mutable std::vector<Cached> cache_;
    mutable std::uint64_t useCounter_ = 0;
};

} // namespace nuvex3::decode
