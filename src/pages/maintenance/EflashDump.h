#pragma once
// The eFlash dump of the "Common" page, without widgets: it reads the first 1024 bytes of
// the module's eFlash in blocks of 32 (Debug Command, Read eFlash), one block per answer,
// and writes them into a text file once the last block is in. The reads leave on the
// dump's own worker through the send gate; the answers come back on the UI thread.

#include "framework/StepRunner.h"

#include <QObject>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

namespace nuvex3 {

class SendGate;

class EflashDump : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kSize = 1024;
    static constexpr std::uint8_t kBlock = 32;
    static constexpr std::uint8_t kReadEflash = 0x03;

    explicit EflashDump(QObject* parent = nullptr);
    ~EflashDump() override;

    // The file the user chose, with ".txt" appended when its last five characters hold
    // none (in any case): "dump" becomes "dump.txt", "DUMP.TXT" stays.
    static QString fileName(const QString& chosen);
    // The text of a dump file: a header line, 64 rows of 16 bytes with their offset, and
    // the header again after the rows 0x10, 0x20 and 0x30.
    static QString fileText(std::span<const std::uint8_t, kSize> bytes);

    // UI thread. Starts a dump into path from offset 0; the first read goes out at once.
    void start(SendGate& gate, const QString& path);
    bool dumping() const { return dumping_; }
    std::size_t offset() const { return offset_; }
    const QString& path() const { return path_; }
    const std::array<std::uint8_t, kSize>& buffer() const { return buffer_; }

    enum class Collected {
        NextBlock, // stored; the next read is on its way
        Complete,  // the last block is in: dumping has ended, write the file
    };
    // UI thread. A debug answer while dumping: its bytes go into the buffer at the
    // current offset (never past its end) and the next block is read. An answer without
    // bytes changes nothing.
    Collected collect(std::span<const std::uint8_t> bytes);

    // UI thread. "Send" was pressed or the port closed: answers are no longer collected
    // and no further read goes out. True when a dump was under way.
    bool stop();

    // Writes the file of a complete dump (whole or not at all). False when it cannot.
    bool writeFile() const;

signals:
    // UI thread: the dump moved to a new offset (0 to 1024).
    void progressed(int offset);
    // UI thread: a read could not be handed to the module (no port, the gate stayed
    // busy); the dump has stopped.
    void sendFailed();

private:
    void readNextBlock();

    SendGate* gate_ = nullptr;
    std::atomic<bool> dumping_{false};
    std::size_t offset_ = 0;
    QString path_;
    std::array<std::uint8_t, kSize> buffer_{};
    StepRunner runner_; // last: stopped and joined before the rest goes
};

} // namespace nuvex3
