#include "app/LogFileWriter.h"

namespace nuvex3 {

LogFileWriter::~LogFileWriter() {
    close();
}

bool LogFileWriter::open(const QString& path) {
    close();
    path_ = path;
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    open_ = true;
    stop_ = false;
    handedOver_ = written_ = 0;
    pending_.clear();
    thread_ = std::thread([this] { run(); });
    return true;
}

void LogFileWriter::close() {
    if (!open_)
        return;
    {
        std::lock_guard g(m_);
        stop_ = true;
        cv_.notify_all();
    }
    thread_.join();
    file_.close();
    open_ = false;
}

void LogFileWriter::write(const char* data, std::size_t size) {
    if (!open_)
        return;
    std::unique_lock l(m_);
    cv_.wait(l, [&] { return static_cast<std::size_t>(pending_.size()) < kMaxPending; });
    const bool wake = pending_.isEmpty();
    pending_.append(data, static_cast<qsizetype>(size));
    handedOver_ += size;
    if (wake)
        cv_.notify_all();
}

void LogFileWriter::flush() {
    if (!open_)
        return;
    std::unique_lock l(m_);
    const std::uint64_t target = handedOver_;
    cv_.wait(l, [&] { return written_ >= target; });
}

void LogFileWriter::run() {
    QByteArray chunk;
    std::unique_lock l(m_);
    for (;;) {
        cv_.wait(l, [&] { return stop_ || !pending_.isEmpty(); });
        if (pending_.isEmpty())
            return; // stopping, and everything is written
        chunk.swap(pending_);
        cv_.notify_all(); // room for a writer held back
        l.unlock();
        file_.write(chunk);
        file_.flush();
        l.lock();
        written_ += static_cast<std::uint64_t>(chunk.size());
        chunk.resize(0);
        cv_.notify_all(); // flush() waits for this
    }
}

} // namespace nuvex3
