#pragma once
// Helpers shared by the link tests: hex literals and a recorder for layer callbacks.

#include "link/Packet.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nuvex3::test {

// "AA 00 01 01 FE" -> bytes.
std::vector<std::uint8_t> hex(std::string_view text);
std::string toHex(const std::vector<std::uint8_t>& bytes);

// The first n bytes of a record.
std::vector<std::uint8_t> head(const Record& r, std::size_t n);

struct Event {
    int kind;
    Record record;
};

// Records every callback; waits on real events with a bound (never a fixed sleep).
class EventLog {
public:
    void add(int kind, const Record& r);
    std::function<void(int, const Record&)> callback() {
        return [this](int k, const Record& r) { add(k, r); };
    }
    std::vector<Event> events() const;
    std::vector<int> kinds() const;
    std::size_t count(int kind) const;
    // Waits until at least n events of `kind` were recorded.
    bool waitForCount(int kind, std::size_t n,
                      std::chrono::milliseconds bound = std::chrono::seconds(5));
    void clear();

private:
    mutable std::mutex m_;
    std::condition_variable cv_;
    std::vector<Event> events_;
};

// Collects message texts.
class MessageLog {
public:
    std::function<void(const std::string&)> sink() {
        return [this](const std::string& t) {
            std::lock_guard g(m_);
            texts_.push_back(t);
            cv_.notify_all();
        };
    }
    std::vector<std::string> texts() const {
        std::lock_guard g(m_);
        return texts_;
    }
    bool waitFor(std::size_t n, std::chrono::milliseconds bound = std::chrono::seconds(5)) {
        std::unique_lock l(m_);
        return cv_.wait_for(l, bound, [&] { return texts_.size() >= n; });
    }

private:
    mutable std::mutex m_;
    std::condition_variable cv_;
    std::vector<std::string> texts_;
};

} // namespace nuvex3::test
