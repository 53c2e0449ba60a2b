#include "link/RecordQueue.h"

#include <algorithm>
#include <cstring>

namespace nuvex3 {

std::size_t compactSize(const Record& record) {
    // Most of a record is zeros: skip them 64 bytes at a time from the end, then word by
    // word, then byte by byte.
    constexpr std::size_t kWord = sizeof(std::uint64_t);
    constexpr std::size_t kBlock = 8 * kWord;
    const std::uint8_t* data = record.data();
    std::size_t n = record.size();
    const auto word = [data](std::size_t at) {
        std::uint64_t w = 0;
        std::memcpy(&w, data + at, kWord);
        return w;
    };
    while (n >= kBlock) {
        std::uint64_t any = 0;
        for (std::size_t i = 1; i <= 8; ++i)
            any |= word(n - i * kWord);
        if (any != 0)
            break;
        n -= kBlock;
    }
    while (n >= kWord && word(n - kWord) == 0)
        n -= kWord;
    while (n > 0 && data[n - 1] == 0)
        --n;
    return n;
}

bool RecordBatch::next(int& kind, Record& record) {
    if (pos_ + 3 > bytes_.size())
        return false;
    kind = bytes_[pos_];
    const std::size_t size = bytes_[pos_ + 1] | (static_cast<std::size_t>(bytes_[pos_ + 2]) << 8);
    pos_ += 3;
    const std::size_t n = std::min({size, record.size(), bytes_.size() - pos_});
    std::memcpy(record.data(), bytes_.data() + pos_, n);
    std::memset(record.data() + n, 0, record.size() - n);
    pos_ += size;
    ++index_;
    return true;
}

bool RecordBatch::next(int& kind, Record& record, Clock::time_point& at) {
    const std::size_t index = index_;
    if (!next(kind, record))
        return false;
    at = index < times_.size() ? times_[index] : Clock::time_point{};
    return true;
}

RecordQueue::RecordQueue(std::size_t capacityBytes) : capacity_(capacityBytes) {}

bool RecordQueue::push(int kind, const Record& record, Clock::time_point at) {
    const std::size_t size = compactSize(record);
    std::lock_guard g(m_);
    const bool wasEmpty = bytes_.empty();
    const std::size_t end = bytes_.size();
    bytes_.resize(end + 3 + size);
    bytes_[end] = static_cast<std::uint8_t>(kind);
    bytes_[end + 1] = static_cast<std::uint8_t>(size & 0xFF);
    bytes_[end + 2] = static_cast<std::uint8_t>(size >> 8);
    std::memcpy(bytes_.data() + end + 3, record.data(), size);
    times_.push_back(at);
    ++pushed_;
    peak_ = std::max(peak_, bytes_.size());
    if (bytes_.size() >= capacity_)
        full_.store(true, std::memory_order_relaxed);
    return wasEmpty;
}

bool RecordQueue::takeAll(RecordBatch& batch) {
    batch.clear();
    std::lock_guard g(m_);
    bytes_.swap(batch.bytes_);
    times_.swap(batch.times_);
    return full_.exchange(false, std::memory_order_relaxed);
}

std::size_t RecordQueue::queuedBytes() const {
    std::lock_guard g(m_);
    return bytes_.size();
}

std::size_t RecordQueue::peakBytes() const {
    std::lock_guard g(m_);
    return peak_;
}

std::uint64_t RecordQueue::pushed() const {
    std::lock_guard g(m_);
    return pushed_;
}

} // namespace nuvex3
