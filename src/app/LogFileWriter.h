#pragma once
// The session log file, written on a thread of its own: the window hands each line over
// (a copy into a buffer, no file operation, no size query) and the writer thread writes
// whatever has gathered, in order. A disk that cannot keep up holds the window back once
// kMaxPending bytes wait, so nothing is ever dropped.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

namespace nuvex3 {

class LogFileWriter {
public:
    static constexpr std::size_t kMaxPending = 1024 * 1024;

    LogFileWriter() = default;
    ~LogFileWriter();
    LogFileWriter(const LogFileWriter&) = delete;
    LogFileWriter& operator=(const LogFileWriter&) = delete;

    // Creates or truncates the file; false when it cannot be opened. A file still open is
    // closed first.
    bool open(const QString& path);
    // Writes what was handed over and closes the file.
    void close();
    bool isOpen() const { return open_; }
    QString path() const { return path_; }

    // Appends the bytes; nothing happens while no file is open.
    void write(const char* data, std::size_t size);
    // Returns once everything handed over so far is in the file.
    void flush();

private:
    void run();

    QFile file_;
    QString path_;
    bool open_ = false; // UI thread

    std::thread thread_;
    std::mutex m_;
    std::condition_variable cv_;
    QByteArray pending_;
    std::uint64_t handedOver_ = 0; // bytes given to write()
    std::uint64_t written_ = 0;    // bytes the thread has written
    bool stop_ = false;
};

} // namespace nuvex3
