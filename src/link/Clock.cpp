#include "link/Clock.h"

#include <atomic>
#include <thread>

namespace nuvex3 {

namespace {
SystemClock g_system;
std::atomic<Clock*> g_current{nullptr};
} // namespace

Clock& clock() {
    Clock* c = g_current.load(std::memory_order_acquire);
    return c ? *c : g_system;
}

void setClock(Clock* c) {
    g_current.store(c, std::memory_order_release);
}

bool SystemClock::waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                            time_point deadline, const std::function<bool()>& pred) {
    return cv.wait_until(lock, deadline, pred);
}

void SystemClock::sleepFor(duration d) {
    std::this_thread::sleep_for(d);
}

ManualClock::time_point ManualClock::now() const {
    std::lock_guard g(m_);
    return now_;
}

void ManualClock::advance(duration d) {
    std::lock_guard g(m_);
    now_ += d;
}

bool ManualClock::waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                            time_point deadline, const std::function<bool()>& pred) {
    // The test drives time from another thread without knowing this waiter's condition
    // variable, so the virtual deadline is re-checked on a short real period.
    for (;;) {
        if (pred())
            return true;
        if (now() >= deadline)
            return pred();
        cv.wait_for(lock, std::chrono::milliseconds(1));
    }
}

} // namespace nuvex3
