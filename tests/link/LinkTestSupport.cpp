#include "LinkTestSupport.h"

#include <algorithm>
#include <cstdio>

namespace nuvex3::test {

std::vector<std::uint8_t> hex(std::string_view text) {
    std::vector<std::uint8_t> out;
    int hi = -1;
    for (char c : text) {
        int v = -1;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        if (v < 0)
            continue;
        if (hi < 0) {
            hi = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(hi << 4 | v));
            hi = -1;
        }
    }
    return out;
}

std::string toHex(const std::vector<std::uint8_t>& bytes) {
    std::string s;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
        s += buf;
    }
    return s;
}

std::vector<std::uint8_t> head(const Record& r, std::size_t n) {
    return {r.begin(), r.begin() + static_cast<std::ptrdiff_t>(std::min(n, r.size()))};
}

void EventLog::add(int kind, const Record& r) {
    std::lock_guard g(m_);
    events_.push_back({kind, r});
    cv_.notify_all();
}

std::vector<Event> EventLog::events() const {
    std::lock_guard g(m_);
    return events_;
}

std::vector<int> EventLog::kinds() const {
    std::lock_guard g(m_);
    std::vector<int> k;
    for (const auto& e : events_)
        k.push_back(e.kind);
    return k;
}

std::size_t EventLog::count(int kind) const {
    std::lock_guard g(m_);
    return static_cast<std::size_t>(std::count_if(
        events_.begin(), events_.end(), [kind](const Event& e) { return e.kind == kind; }));
}

bool EventLog::waitForCount(int kind, std::size_t n, std::chrono::milliseconds bound) {
    std::unique_lock l(m_);
    return cv_.wait_for(l, bound, [&] {
        return static_cast<std::size_t>(
                   std::count_if(events_.begin(), events_.end(),
                                 [kind](const Event& e) { return e.kind == kind; })) >= n;
    });
}

void EventLog::clear() {
    std::lock_guard g(m_);
    events_.clear();
}

} // namespace nuvex3::test
