// The walk's worker: one command per step through the send gate, the end and the failures
// reported on the UI thread, and Stop while a step waits for the gate.

#include "GapTestSupport.h"
#include "QtPrinters.h"

#include "framework/SendGate.h"
#include "pages/gatt/TableWalkRunner.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <future>

namespace nuvex3 {
namespace {

using gatt::TableWalk;

class WalkRunner : public ::testing::Test {
protected:
    test::WireModule module; // a real command layer for the gate; the sender writes nothing
    SendGate gate;
    TableWalk walk{TableWalk::Reads::Readable};
    std::mutex m;
    std::vector<TableWalk::Op> sent;
    std::atomic<bool> refuse{false};
    TableWalkRunner runner{walk,
                           [this](CKelvra_CmdSet_Layer&, const TableWalk::Command& c) {
                               std::lock_guard g(m);
                               sent.push_back(c.op);
                               return !refuse.load();
                           },
                           [](TableWalk::Op op) {
                               return op == TableWalk::Op::DiscoverServices
                                          ? QStringLiteral("services failed")
                                          : QStringLiteral("other failed");
                           },
                           [this] { return &gate; }};

    void SetUp() override { gate.setLayer(module.layer()); }
    std::size_t sentCount() {
        std::lock_guard g(m);
        return sent.size();
    }
    bool waitSent(std::size_t n) {
        return QTest::qWaitFor([&] { return sentCount() >= n && !runner.busy(); }, 5000);
    }
};

TEST_F(WalkRunner, OneCommandPerAcknowledgementThenFinished) {
    QSignalSpy finished(&runner, &TableWalkRunner::finished);
    runner.start({0x01});
    ASSERT_TRUE(waitSent(1));
    EXPECT_EQ(sentCount(), 1u); // a step sends one command and ends
    walk.addService("01", gatt::Service{"0010", "0013", "180F", {}});
    ASSERT_TRUE(walk.acknowledge(TableWalk::Op::DiscoverServices));
    runner.step();
    ASSERT_TRUE(waitSent(2));
    walk.addCharacteristic("01", gatt::Characteristic{"0011", "2A19", 0x12, "0012", {}, {}});
    ASSERT_TRUE(walk.acknowledge(TableWalk::Op::DiscoverCharacteristics));
    runner.step();
    ASSERT_TRUE(waitSent(3));
    ASSERT_TRUE(walk.acknowledge(TableWalk::Op::ReadCharacteristic));
    runner.step();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 5000));
    EXPECT_EQ(sent, (std::vector<TableWalk::Op>{TableWalk::Op::DiscoverServices,
                                                TableWalk::Op::DiscoverCharacteristics,
                                                TableWalk::Op::ReadCharacteristic}));
    EXPECT_FALSE(walk.running());
}

TEST_F(WalkRunner, ACommandTheLayerRefusesEndsTheWalkWithItsMessage) {
    QSignalSpy failed(&runner, &TableWalkRunner::failed);
    refuse = true;
    runner.start({0x01});
    ASSERT_TRUE(QTest::qWaitFor([&] { return failed.count() == 1; }, 5000));
    EXPECT_EQ(failed.at(0).at(0).toString(), "services failed");
    EXPECT_FALSE(walk.running());
    // Without a layer (taken away by Disconnect) nothing can be sent either.
    refuse = false;
    gate.setLayer(nullptr);
    runner.start({0x01});
    ASSERT_TRUE(QTest::qWaitFor([&] { return failed.count() == 2; }, 5000));
    EXPECT_EQ(sentCount(), 1u);
}

TEST_F(WalkRunner, StopWhileAStepWaitsForTheGateSendsNothingAndReportsNothing) {
    QSignalSpy failed(&runner, &TableWalkRunner::failed);
    // Another sender holds the gate.
    std::promise<void> release;
    std::promise<void> holding;
    auto other = std::async(std::launch::async, [&] {
        gate.send(SendGate::kWait, [&](CKelvra_CmdSet_Layer&) {
            holding.set_value();
            release.get_future().wait();
        });
    });
    holding.get_future().wait();
    runner.start({0x01});
    ASSERT_TRUE(runner.busy());
    // Stop returns while the gate is still held: it wakes the waiting step.
    runner.stop();
    release.set_value();
    other.get();
    EXPECT_FALSE(runner.busy());
    EXPECT_FALSE(walk.running());
    QCoreApplication::processEvents();
    EXPECT_EQ(sentCount(), 0u);
    EXPECT_EQ(failed.count(), 0);
}

} // namespace
} // namespace nuvex3
