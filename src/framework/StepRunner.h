#pragma once
// A runner's worker: one thread that runs the runner's steps one at a time, in the order
// they were posted. Waits inside a step go through the injectable clock and end early
// when the runner is stopped; stop() wakes every wait, drops the steps not yet started
// and joins the thread, so a stopped runner sends nothing more. Posting after stop()
// starts a fresh worker.

#include "link/Clock.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

namespace nuvex3 {

// What a running step may ask of its runner.
class StepContext {
public:
    explicit StepContext(std::stop_token token) : token_(std::move(token)) {}

    bool stopRequested() const { return token_.stop_requested(); }
    const std::stop_token& token() const { return token_; }

    // Waits d on the clock in force. Returns false (at once) when the runner is stopped
    // before the time is up.
    bool sleepFor(Clock::duration d);

    // Waits until pred() holds, the runner is stopped or d has passed; pred is evaluated
    // under `lock`, and whoever changes what it reads notifies `cv`. Returns pred().
    bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, Clock::duration d,
                 const std::function<bool()>& pred);

private:
    std::stop_token token_;
    std::mutex m_;
    std::condition_variable cv_;
};

class StepRunner {
public:
    using Step = std::function<void(StepContext&)>;

    StepRunner() = default;
    ~StepRunner();
    StepRunner(const StepRunner&) = delete;
    StepRunner& operator=(const StepRunner&) = delete;

    // Any thread. Queues a step behind those already posted; starts the worker if none runs.
    void post(Step step);

    // The owner's thread (never a step of this runner). Wakes the running step's waits,
    // drops the queued steps and joins the worker. Steps posted while it runs are dropped.
    void stop();

    // True while a step runs or waits to run.
    bool busy() const;

private:
    void run(std::stop_token token);

    mutable std::mutex m_;
    std::condition_variable_any cv_;
    std::deque<Step> steps_;
    bool running_ = false;  // a step is executing
    bool stopping_ = false; // stop() is joining the worker
    std::jthread worker_;
};

} // namespace nuvex3
