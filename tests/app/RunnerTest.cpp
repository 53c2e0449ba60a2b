// The runner worker and the send gate that every runner of the tool builds on.

#include "framework/SendGate.h"
#include "framework/StepRunner.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "link/Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <vector>

namespace nuvex3 {
namespace {

using namespace std::chrono_literals;

TEST(StepRunner, RunsStepsOneAtATimeInOrderOnOneThread) {
    StepRunner runner;
    std::mutex m;
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::atomic<int> inside{0};
    bool overlapped = false;
    std::promise<void> done;
    for (int i = 0; i < 20; ++i) {
        runner.post([&, i](StepContext&) {
            if (inside.fetch_add(1) != 0)
                overlapped = true;
            {
                std::lock_guard g(m);
                order.push_back(i);
                threads.push_back(std::this_thread::get_id());
            }
            inside.fetch_sub(1);
            if (i == 19)
                done.set_value();
        });
    }
    done.get_future().wait();
    runner.stop();
    std::vector<int> expected(20);
    for (int i = 0; i < 20; ++i)
        expected[static_cast<std::size_t>(i)] = i;
    EXPECT_EQ(order, expected);
    EXPECT_FALSE(overlapped);
    for (const auto& id : threads) {
        EXPECT_EQ(id, threads.front());
        EXPECT_NE(id, std::this_thread::get_id());
    }
}

TEST(StepRunner, StopWakesAWaitingStepDropsQueuedStepsAndJoins) {
    ManualClock clock;
    ScopedClock scoped(clock);
    StepRunner runner;
    std::promise<void> waiting;
    std::atomic<bool> slept{true};
    std::atomic<bool> queuedRan{false};
    runner.post([&](StepContext& c) {
        waiting.set_value();
        slept = c.sleepFor(std::chrono::hours(1)); // the clock never moves
    });
    runner.post([&](StepContext&) { queuedRan = true; });
    waiting.get_future().wait();
    runner.stop(); // returns only once the step has ended
    EXPECT_FALSE(slept);
    EXPECT_FALSE(queuedRan);
    EXPECT_FALSE(runner.busy());

    // Posting again starts a fresh worker.
    std::promise<bool> again;
    runner.post([&](StepContext& c) { again.set_value(c.stopRequested()); });
    EXPECT_FALSE(again.get_future().get());
}

TEST(StepRunner, SleepEndsWhenTheClockPassesTheDelay) {
    ManualClock clock;
    ScopedClock scoped(clock);
    StepRunner runner;
    std::promise<bool> result;
    std::promise<void> started;
    runner.post([&](StepContext& c) {
        started.set_value();
        result.set_value(c.sleepFor(50ms));
    });
    started.get_future().wait();
    auto f = result.get_future();
    EXPECT_EQ(f.wait_for(20ms), std::future_status::timeout); // it cannot end by itself
    // The step may take its deadline after any advance: move the clock until it wakes.
    for (int i = 0; i < 1000 && f.wait_for(1ms) != std::future_status::ready; ++i)
        clock.advance(50ms);
    EXPECT_TRUE(f.get());
}

TEST(SendGate, NothingIsSentWithoutALayerAndTheLayerGoesOnlyWhenNoSendIsUnderWay) {
    ManualClock clock;
    ScopedClock scoped(clock);
    SendGate gate;
    int calls = 0;
    EXPECT_FALSE(gate.send(SendGate::kWait, [&](CKelvra_CmdSet_Layer&) { ++calls; }));
    EXPECT_EQ(calls, 0);

    CKelvra_CmdSet_Layer unopened(LayerSettings{}, {});
    auto* layer = &unopened;
    gate.setLayer(layer);
    std::promise<void> holding;
    std::promise<void> release;
    std::atomic<bool> sendEnded{false};
    std::thread sender([&] {
        gate.send(SendGate::kWait, [&](CKelvra_CmdSet_Layer& l) {
            EXPECT_EQ(&l, layer);
            holding.set_value();
            release.get_future().wait();
            sendEnded = true;
        });
    });
    holding.get_future().wait();

    // A second sender times out while the gate is held (time moves only on the clock).
    std::promise<bool> secondResult;
    std::thread second([&] {
        secondResult.set_value(gate.send(SendGate::kWait, [&](CKelvra_CmdSet_Layer&) { ++calls; }));
    });
    // The waiter may take its deadline after any advance: move the clock until it gives up.
    auto result = secondResult.get_future();
    for (int i = 0; i < 1000 && result.wait_for(1ms) != std::future_status::ready; ++i)
        clock.advance(SendGate::kWait);
    EXPECT_FALSE(result.get());
    second.join();

    std::thread remover([&] { gate.setLayer(nullptr); });
    release.set_value();
    remover.join();
    EXPECT_TRUE(sendEnded); // setLayer returned only after the send under way
    sender.join();
    EXPECT_EQ(gate.layer(), nullptr);
    EXPECT_FALSE(gate.send(SendGate::kWait, [&](CKelvra_CmdSet_Layer&) { ++calls; }));
    EXPECT_EQ(calls, 0);
}

TEST(SendGate, AStopRequestEndsTheWaitForTheGate) {
    ManualClock clock;
    ScopedClock scoped(clock);
    SendGate gate;
    CKelvra_CmdSet_Layer unopened(LayerSettings{}, {});
    gate.setLayer(&unopened);
    std::promise<void> holding;
    std::promise<void> release;
    std::thread holder([&] {
        gate.send(SendGate::kWait, [&](CKelvra_CmdSet_Layer&) {
            holding.set_value();
            release.get_future().wait();
        });
    });
    holding.get_future().wait();
    std::stop_source stop;
    std::promise<bool> waiter;
    std::thread blocked([&] {
        waiter.set_value(gate.send(
            SendGate::kWait, [](CKelvra_CmdSet_Layer&) {}, stop.get_token()));
    });
    stop.request_stop();
    EXPECT_FALSE(waiter.get_future().get());
    blocked.join();
    release.set_value();
    holder.join();
    gate.setLayer(nullptr);
}

} // namespace
} // namespace nuvex3
