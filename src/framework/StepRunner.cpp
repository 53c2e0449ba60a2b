#include "framework/StepRunner.h"

namespace nuvex3 {

bool StepContext::sleepFor(Clock::duration d) {
    std::unique_lock lock(m_);
    waitFor(lock, cv_, d, [] { return false; });
    return !stopRequested();
}

bool StepContext::waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                          Clock::duration d, const std::function<bool()>& pred) {
    // The stop callback must not run while `lock` is held by this thread when it is
    // registered (it runs at once if a stop is already requested), so register it with
    // the lock released.
    lock.unlock();
    std::mutex* m = lock.mutex();
    std::stop_callback wake(token_, [m, &cv] {
        std::lock_guard g(*m);
        cv.notify_all();
    });
    lock.lock();
    clock().waitFor(lock, cv, d, [&] { return token_.stop_requested() || pred(); });
    return pred();
}

StepRunner::~StepRunner() {
    stop();
}

void StepRunner::post(Step step) {
    std::lock_guard g(m_);
    if (stopping_)
        return;
    steps_.push_back(std::move(step));
    if (!worker_.joinable())
        worker_ = std::jthread([this](std::stop_token t) { run(std::move(t)); });
    cv_.notify_all();
}

void StepRunner::stop() {
    std::jthread worker;
    {
        std::lock_guard g(m_);
        if (!worker_.joinable())
            return;
        stopping_ = true;
        steps_.clear();
        worker = std::move(worker_);
    }
    worker.request_stop(); // wakes the queue wait and every wait of the running step
    worker.join();
    std::lock_guard g(m_);
    stopping_ = false;
}

bool StepRunner::busy() const {
    std::lock_guard g(m_);
    return running_ || !steps_.empty();
}

void StepRunner::run(std::stop_token token) {
    for (;;) {
        Step step;
        {
            std::unique_lock lock(m_);
            cv_.wait(lock, token, [&] { return !steps_.empty(); });
            if (token.stop_requested())
                return;
            step = std::move(steps_.front());
            steps_.pop_front();
            running_ = true;
        }
        StepContext context(token);
        step(context);
        std::lock_guard g(m_);
        running_ = false;
    }
}

} // namespace nuvex3
