#pragma once
// One injectable clock for every wait and sleep of the tool. The program uses the
// system clock; tests install a ManualClock whose time moves only when told to, so
// steps that wait 3 or 120 seconds run in milliseconds.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace nuvex3 {

class Clock {
public:
    using time_point = std::chrono::steady_clock::time_point;
    using duration = std::chrono::steady_clock::duration;

    virtual ~Clock() = default;
    virtual time_point now() const = 0;

    // Blocks until pred() holds or the clock reaches deadline; returns pred(). pred is
    // evaluated with lock held; whoever changes what pred reads notifies cv.
    virtual bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                           time_point deadline, const std::function<bool()>& pred) = 0;

    bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, duration d,
                 const std::function<bool()>& pred) {
        return waitUntil(lock, cv, now() + d, pred);
    }

    virtual void sleepFor(duration d) = 0;

    // Milliseconds since an arbitrary start, for tick counts shown to the user.
    std::int64_t tickMs() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(now().time_since_epoch())
            .count();
    }
};

// The clock in force (the system clock unless a test installed another).
Clock& clock();
void setClock(Clock* c); // nullptr restores the system clock

class SystemClock final : public Clock {
public:
    time_point now() const override { return std::chrono::steady_clock::now(); }
    bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                   time_point deadline, const std::function<bool()>& pred) override;
    void sleepFor(duration d) override;
};

// Test clock: now() moves only through advance() and sleepFor(). A wait returns as soon
// as its predicate holds, or once advance() has moved the time past its deadline.
class ManualClock final : public Clock {
public:
    time_point now() const override;
    bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                   time_point deadline, const std::function<bool()>& pred) override;
    // Sleeping moves this clock's time forward at once instead of blocking.
    void sleepFor(duration d) override { advance(d); }
    void advance(duration d);

private:
    mutable std::mutex m_;
    time_point now_{std::chrono::hours(1)};
};

// Installs a clock for the lifetime of a scope (tests).
class ScopedClock {
public:
    explicit ScopedClock(Clock& c) { setClock(&c); }
    ~ScopedClock() { setClock(nullptr); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;
};

} // namespace nuvex3
