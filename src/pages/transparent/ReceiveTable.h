#pragma once
// The transparent page's receive table: one entry per established link, with the file the
// link's received data goes to, the transfer that streams a file to the link, and the
// statistics the page shows. The event routing fills it on the UI thread; the block sender
// reads and updates it from its worker, so every access goes through the table's lock and
// hands out copies.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace nuvex3 {

struct ReceiveEntry {
    QString handle; // "%02X"
    // The transfer of a file to this link ("Start Tx").
    std::uint32_t repeatRounds = 1; // 0: until stopped
    std::uint32_t deltaMs = 0;      // pause before each block
    std::uint32_t roundsCompleted = 0;
    std::uint64_t bytesSent = 0;
    std::uint64_t bytesReceived = 0;
    bool streaming = false;
    std::uint64_t transfer = 0;     // counts the starts, so a stale block is not counted
    std::uint64_t filePosition = 0; // where the next block starts
    QString referencePath;          // the file to send, compared with the received file
    // Received data.
    QString receivedPath;
    std::int64_t startTick = 0;
    std::int64_t lastTick = 0;
    QString totalTime = QStringLiteral("Total Time :");
};

// "Total Time :  %02d:%02d.%d": minutes (whole hours dropped), seconds, milliseconds.
QString totalTimeText(std::int64_t elapsedMs);

class ReceiveTable {
public:
    enum class Append { NoEntry, Written, OpenFailed };

    // Adds an entry for a new link and creates its received data file empty.
    void add(ReceiveEntry entry);
    // Removes the entry with that handle text; false when there is none.
    bool remove(const QString& handle);
    void clear();

    bool empty() const;
    std::size_t size() const;
    std::vector<ReceiveEntry> entries() const;
    std::optional<ReceiveEntry> find(const QString& handle) const;
    std::optional<ReceiveEntry> first() const;

    // Changes the entry with that handle under the lock; false when there is none. `change`
    // must not call back into the table.
    bool modify(const QString& handle, const std::function<void(ReceiveEntry&)>& change);
    // The same for every entry.
    void modifyAll(const std::function<void(ReceiveEntry&)>& change);

    // Data received on a link at tick nowMs: updates the ticks and the total time text,
    // appends the bytes to the entry's file (three attempts to open it) and counts them.
    Append appendReceived(const QString& handle, const QByteArray& data, std::int64_t nowMs);

    void setReferencePath(const QString& handle, const QString& path);
    // Both ticks of the entry := nowMs.
    void resetTicks(const QString& handle, std::int64_t nowMs);

private:
    ReceiveEntry* entryLocked(const QString& handle);

    mutable std::mutex m_;
    std::vector<ReceiveEntry> entries_;
};

} // namespace nuvex3
