#include "pages/transparent/ReceiveTable.h"

#include <QFile>

#include <algorithm>

namespace nuvex3 {

namespace {

constexpr int kOpenAttempts = 3;

bool appendToFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            const bool written = file.write(data) == data.size();
            file.close();
            return written;
        }
    }
    return false;
}

} // namespace

QString totalTimeText(std::int64_t elapsedMs) {
    const std::int64_t e = std::max<std::int64_t>(elapsedMs, 0);
    return QString::asprintf("Total Time :  %02d:%02d.%d", static_cast<int>(e / 60000 % 60),
                             static_cast<int>(e / 1000 % 60), static_cast<int>(e % 1000));
}

void ReceiveTable::add(ReceiveEntry entry) {
    QFile file(entry.receivedPath);
    if (file.open(QIODevice::ReadWrite | QIODevice::Truncate))
        file.close();
    std::lock_guard lock(m_);
    entries_.push_back(std::move(entry));
}

bool ReceiveTable::remove(const QString& handle) {
    std::lock_guard lock(m_);
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const ReceiveEntry& e) { return e.handle == handle; });
    if (it == entries_.end())
        return false;
    entries_.erase(it);
    return true;
}

void ReceiveTable::clear() {
    std::lock_guard lock(m_);
    entries_.clear();
}

bool ReceiveTable::empty() const {
    std::lock_guard lock(m_);
    return entries_.empty();
}

std::size_t ReceiveTable::size() const {
    std::lock_guard lock(m_);
    return entries_.size();
}

std::vector<ReceiveEntry> ReceiveTable::entries() const {
    std::lock_guard lock(m_);
    return entries_;
}

std::optional<ReceiveEntry> ReceiveTable::find(const QString& handle) const {
    std::lock_guard lock(m_);
    for (const ReceiveEntry& e : entries_)
        if (e.handle == handle)
            return e;
    return std::nullopt;
}

std::optional<ReceiveEntry> ReceiveTable::first() const {
    std::lock_guard lock(m_);
    if (entries_.empty())
        return std::nullopt;
    return entries_.front();
}

ReceiveEntry* ReceiveTable::entryLocked(const QString& handle) {
    for (ReceiveEntry& e : entries_)
        if (e.handle == handle)
            return &e;
    return nullptr;
}

bool ReceiveTable::modify(const QString& handle, const std::function<void(ReceiveEntry&)>& change) {
    std::lock_guard lock(m_);
    ReceiveEntry* entry = entryLocked(handle);
    if (!entry)
        return false;
    change(*entry);
    return true;
}

void ReceiveTable::modifyAll(const std::function<void(ReceiveEntry&)>& change) {
    std::lock_guard lock(m_);
    for (ReceiveEntry& e : entries_)
        change(e);
}

ReceiveTable::Append ReceiveTable::appendReceived(const QString& handle, const QByteArray& data,
                                                  std::int64_t nowMs) {
    std::lock_guard lock(m_);
    ReceiveEntry* entry = entryLocked(handle);
    if (!entry)
        return Append::NoEntry;
    if (entry->bytesReceived == 0)
        entry->startTick = nowMs;
    entry->lastTick = nowMs;
    entry->totalTime = totalTimeText(entry->lastTick - entry->startTick);
    // The bytes were received even when the file could not take them: they count.
    const bool written = appendToFile(entry->receivedPath, data);
    entry->bytesReceived += static_cast<std::uint64_t>(data.size());
    return written ? Append::Written : Append::OpenFailed;
}

void ReceiveTable::setReferencePath(const QString& handle, const QString& path) {
    std::lock_guard lock(m_);
    if (ReceiveEntry* entry = entryLocked(handle))
        entry->referencePath = path;
}

void ReceiveTable::resetTicks(const QString& handle, std::int64_t nowMs) {
    std::lock_guard lock(m_);
    if (ReceiveEntry* entry = entryLocked(handle)) {
        entry->startTick = nowMs;
        entry->lastTick = nowMs;
    }
}

} // namespace nuvex3
