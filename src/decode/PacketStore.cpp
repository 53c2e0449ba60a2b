#include "decode/PacketStore.h"

#include <algorithm>
#include <cstring>

namespace nuvex3::decode {

PacketStore::PacketStore(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {}

std::uint64_t PacketStore::append(StoredRow row, std::span<const std::uint8_t> bytes) {
    if (rows_.size() >= capacity_)
        dropOldest(rows_.size() - capacity_ + 1);
    const std::size_t n = std::min(bytes.size(), kMaxPacket);
    // A packet never straddles two chunks.
    if (end_ % kChunkBytes + n > kChunkBytes)
        end_ = (end_ / kChunkBytes + 1) * kChunkBytes;
    if (chunks_.empty())
        firstChunk_ = end_ / kChunkBytes;
    while (n > 0 && (end_ + n - 1) / kChunkBytes >= firstChunk_ + chunks_.size())
        chunks_.push_back(std::make_unique<std::uint8_t[]>(kChunkBytes));
    row.position = end_;
    row.size = static_cast<std::uint16_t>(n);
    if (n > 0)
        std::memcpy(chunks_[end_ / kChunkBytes - firstChunk_].get() + end_ % kChunkBytes,
                    bytes.data(), n);
    end_ += n;
    rows_.push_back(row);
    return endSeq() - 1;
}

std::span<const std::uint8_t> PacketStore::bytes(std::uint64_t seq) const {
    const StoredRow& r = row(seq);
    if (r.size == 0)
        return {};
    const std::uint8_t* chunk = chunks_[r.position / kChunkBytes - firstChunk_].get();
    return {chunk + r.position % kChunkBytes, r.size};
}

void PacketStore::setCapacity(std::size_t capacity) {
    capacity_ = std::max<std::size_t>(capacity, 1);
    if (rows_.size() > capacity_)
        dropOldest(rows_.size() - capacity_);
}

void PacketStore::clear() {
    rows_.clear();
    chunks_.clear();
    first_ = 0;
    firstChunk_ = 0;
    end_ = 0;
}

void PacketStore::dropOldest(std::size_t n) {
    n = std::min(n, rows_.size());
    rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(n));
    first_ += n;
    // Chunks before the one holding the oldest remaining byte are free.
    const std::uint64_t keepFrom = rows_.empty() ? end_ : rows_.front().position;
    while (!chunks_.empty() && (firstChunk_ + 1) * kChunkBytes <= keepFrom) {
        chunks_.pop_front();
        ++firstChunk_;
    }
}

std::size_t PacketStore::memoryBytes() const {
    return rows_.size() * sizeof(StoredRow) + chunks_.size() * kChunkBytes;
}

} // namespace nuvex3::decode
