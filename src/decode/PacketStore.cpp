#include "decode/PacketStore.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace nuvex3::decode {

namespace {

// Moves all of `size` bytes at `offset` with pread or pwrite, again after an interrupted
// or short call; false on any failure.
template <typename Byte, typename Io>
bool transferAll(Io io, int fd, Byte* data, std::size_t size, std::uint64_t offset) {
    while (size > 0) {
        const ssize_t n = io(fd, data, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool writeAll(int fd, const void* data, std::size_t size, std::uint64_t offset) {
    return transferAll(::pwrite, fd, static_cast<const char*>(data), size, offset);
}

bool readAll(int fd, void* data, std::size_t size, std::uint64_t offset) {
    return transferAll(::pread, fd, static_cast<char*>(data), size, offset);
}

std::string errnoText() {
    return std::strerror(errno);
}

} // namespace

PacketStore::PacketStore(std::size_t capacity, std::size_t segmentRows, std::size_t segmentBytes)
    : capacity_(std::max<std::size_t>(capacity, 1)),
      segmentRows_(std::max<std::size_t>(segmentRows, 1)),
      segmentBytes_(std::max(segmentBytes, kMaxPacket)) {}

void PacketStore::File::close() {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

void PacketStore::enableSpool(SpoolSettings settings) {
    settings.segmentsInMemory = std::max<std::size_t>(settings.segmentsInMemory, 1);
    // Two at least: a row's bytes stay valid while one other segment is read back.
    settings.segmentsCached = std::max<std::size_t>(settings.segmentsCached, 2);
    spool_.emplace();
    spool_->settings = std::move(settings);
    spoolFailed_ = false;
    spoolError_.clear();
    keepMemoryBound();
}

std::uint64_t PacketStore::slotOffset(std::int64_t slot) const {
    return static_cast<std::uint64_t>(slot) * (segmentRows_ * sizeof(StoredRow) + segmentBytes_);
}

void PacketStore::startSegment() {
    Segment& s = segments_.emplace_back();
    s.firstSeq = end_;
    // Reserved whole: pages that are never written cost no memory.
    s.rowData.reserve(segmentRows_);
    s.byteData.reserve(segmentBytes_);
}

std::uint64_t PacketStore::append(StoredRow row, std::span<const std::uint8_t> bytes) {
    if (size() >= capacity_)
        dropOldest(size() - capacity_ + 1);
    const std::size_t n = std::min(bytes.size(), kMaxPacket);
    if (segments_.empty() || segments_.back().rows >= segmentRows_ ||
        segments_.back().bytes + n > segmentBytes_) {
        startSegment();
        keepMemoryBound();
    }
    Segment& s = segments_.back();
    row.position = s.bytes;
    row.size = static_cast<std::uint16_t>(n);
    s.byteData.insert(s.byteData.end(), bytes.begin(),
                      bytes.begin() + static_cast<std::ptrdiff_t>(n));
    s.rowData.push_back(row);
    ++s.rows;
    s.bytes += static_cast<std::uint32_t>(n);
    return end_++;
}

const PacketStore::Segment& PacketStore::segmentOf(std::uint64_t seq) const {
    if (seq >= segments_.back().firstSeq)
        return segments_.back();
    const auto it = std::upper_bound(
        segments_.begin(), segments_.end(), seq,
        [](std::uint64_t s, const Segment& segment) { return s < segment.firstSeq; });
    return *(it - 1);
}

PacketStore::Segment& PacketStore::segmentOf(std::uint64_t seq) {
    return const_cast<Segment&>(std::as_const(*this).segmentOf(seq));
}

const PacketStore::Cached& PacketStore::readBack(const Segment& s) const {
    for (Cached& c : cache_)
        if (c.firstSeq == s.firstSeq) {
            c.lastUse = ++useCounter_;
            return c;
        }
    Cached* c = nullptr;
    if (cache_.size() < spool_->settings.segmentsCached) {
        c = &cache_.emplace_back();
    } else {
        c = &*std::min_element(cache_.begin(), cache_.end(), [](const Cached& a, const Cached& b) {
            return a.lastUse < b.lastUse;
        });
    }
    c->firstSeq = s.firstSeq;
    c->lastUse = ++useCounter_;
    c->rowData.resize(s.rows);
    c->byteData.resize(s.bytes);
    const std::uint64_t at = slotOffset(s.slot);
    c->readable = readAll(spool_->file.fd, c->rowData.data(), s.rows * sizeof(StoredRow), at) &&
                  readAll(spool_->file.fd, c->byteData.data(), s.bytes,
                          at + segmentRows_ * sizeof(StoredRow));
    return *c;
}

StoredRow PacketStore::row(std::uint64_t seq) const {
    const Segment& s = segmentOf(seq);
    const std::size_t i = static_cast<std::size_t>(seq - s.firstSeq);
    if (s.inMemory())
        return s.rowData[i];
    const Cached& c = readBack(s);
    if (c.readable)
        return c.rowData[i];
    StoredRow lost;
    lost.flags = StoredRow::Note | StoredRow::Message;
    lost.size = static_cast<std::uint16_t>(kUnreadable.size());
    return lost;
}

std::span<const std::uint8_t> PacketStore::bytes(std::uint64_t seq) const {
    const Segment& s = segmentOf(seq);
    const std::size_t i = static_cast<std::size_t>(seq - s.firstSeq);
    const std::uint8_t* base = nullptr;
    const StoredRow* r = nullptr;
    if (s.inMemory()) {
        base = s.byteData.data();
        r = &s.rowData[i];
    } else {
        const Cached& c = readBack(s);
        if (!c.readable)
            return {reinterpret_cast<const std::uint8_t*>(kUnreadable.data()), kUnreadable.size()};
        base = c.byteData.data();
        r = &c.rowData[i];
    }
    if (r->size == 0)
        return {};
    return {base + r->position, r->size};
}

void PacketStore::setPairing(std::uint64_t seq, std::uint8_t flags, std::uint32_t link,
                             std::uint32_t rttUs) {
    Segment& s = segmentOf(seq);
    const std::size_t i = static_cast<std::size_t>(seq - s.firstSeq);
    if (s.inMemory()) {
        StoredRow& r = s.rowData[i];
        r.flags = flags;
        r.link = link;
        r.rttUs = rttUs;
        return;
    }
    // A command that went to the file is answered: the file's copy and the cache's change.
    auto& c = const_cast<Cached&>(readBack(s));
    if (!c.readable)
        return;
    StoredRow& r = c.rowData[i];
    r.flags = flags;
    r.link = link;
    r.rttUs = rttUs;
    if (!writeAll(spool_->file.fd, &r, sizeof r, slotOffset(s.slot) + i * sizeof(StoredRow)))
        failSpool("cannot write to the temporary file: " + errnoText());
}

void PacketStore::setCapacity(std::size_t capacity) {
    capacity_ = std::max<std::size_t>(capacity, 1);
    if (size() > capacity_)
        dropOldest(size() - capacity_);
}

void PacketStore::clear() {
    segments_.clear();
    cache_.clear();
    first_ = end_ = 0;
    if (spool_) {
        // A new session tries the file again.
        spool_->file.close();
        spool_->slotCount = 0;
        spool_->freeSlots.clear();
        spoolFailed_ = false;
        spoolError_.clear();
    }
}

void PacketStore::dropOldest(std::size_t n) {
    first_ += std::min<std::uint64_t>(n, size());
    releaseSegments();
}

void PacketStore::releaseSegments() {
    while (!segments_.empty() && segments_.front().firstSeq + segments_.front().rows <= first_ &&
           (segments_.size() > 1 || first_ == end_)) {
        const Segment& s = segments_.front();
        if (!s.inMemory()) {
            spool_->freeSlots.push_back(s.slot);
            std::erase_if(cache_, [&](const Cached& c) { return c.firstSeq == s.firstSeq; });
        }
        segments_.pop_front();
    }
}

void PacketStore::keepMemoryBound() {
    if (!spool_)
        return;
    const std::size_t bound = spool_->settings.segmentsInMemory;
    for (;;) {
        std::size_t inMemory = 0;
        for (const Segment& s : segments_)
            inMemory += s.inMemory() ? 1 : 0;
        if (inMemory <= bound)
            return;
        auto oldest = std::find_if(segments_.begin(), segments_.end(),
                                   [](const Segment& s) { return s.inMemory(); });
        if (!spoolFailed_ && spoolOut(*oldest))
            continue;
        // No file: the oldest rows in memory go.
        dropOldest(static_cast<std::size_t>(oldest->firstSeq + oldest->rows - first_));
    }
}

bool PacketStore::spoolOut(Segment& s) {
    Spool& sp = *spool_;
    if (sp.file.fd < 0) {
        std::string name = sp.settings.directory;
        if (name.empty())
            name = ".";
        name += "/nuvex3-decoded-XXXXXX";
        sp.file.fd = ::mkstemp(name.data());
        if (sp.file.fd < 0) {
            failSpool("cannot create a temporary file in " + sp.settings.directory + ": " +
                      errnoText());
            return false;
        }
        ::unlink(name.c_str()); // gone with the last descriptor, whatever happens
    }
    std::int64_t slot = sp.slotCount;
    if (!sp.freeSlots.empty()) {
        slot = sp.freeSlots.back();
        sp.freeSlots.pop_back();
    }
    const std::uint64_t at = slotOffset(slot);
    if (!writeAll(sp.file.fd, s.rowData.data(), s.rows * sizeof(StoredRow), at) ||
        !writeAll(sp.file.fd, s.byteData.data(), s.bytes, at + segmentRows_ * sizeof(StoredRow))) {
        if (slot < sp.slotCount)
            sp.freeSlots.push_back(slot);
        failSpool("cannot write to the temporary file: " + errnoText());
        return false;
    }
    if (slot == sp.slotCount)
        ++sp.slotCount;
    s.slot = slot;
    std::vector<StoredRow>().swap(s.rowData);
    std::vector<std::uint8_t>().swap(s.byteData);
    return true;
}

void PacketStore::failSpool(const std::string& what) {
    if (spoolFailed_)
        return;
    spoolFailed_ = true;
    spoolError_ = what;
    if (spool_->settings.onError)
        spool_->settings.onError(what);
}

std::size_t PacketStore::memoryBytes() const {
    std::size_t n = 0;
    for (const Segment& s : segments_)
        n += s.rowData.capacity() * sizeof(StoredRow) + s.byteData.capacity();
    for (const Cached& c : cache_)
        n += c.rowData.capacity() * sizeof(StoredRow) + c.byteData.capacity();
    return n;
}

std::size_t PacketStore::spooledSegments() const {
    return static_cast<std::size_t>(std::count_if(segments_.begin(), segments_.end(),
                                                  [](const Segment& s) { return !s.inMemory(); }));
}

std::uint64_t PacketStore::spoolFileBytes() const {
    return spool_ ? slotOffset(spool_->slotCount) : 0;
}

std::size_t PacketStore::segmentsInMemory() const {
    return segments_.size() - spooledSegments();
}

} // namespace nuvex3::decode
