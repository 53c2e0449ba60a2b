#include "app/MainTimers.h"

#include <algorithm>

namespace nuvex3 {

namespace {
constexpr int kTestClockLookMs = 2;
} // namespace

MainTimers::MainTimers(QObject* parent) : QObject(parent) {
    throughput_.setInterval(kThroughputMs);
    compare_.setSingleShot(true);
    connect(&throughput_, &QTimer::timeout, this, &MainTimers::throughputTick);
    connect(&compare_, &QTimer::timeout, this, &MainTimers::compareTimeout);
}

void MainTimers::restartThroughput() {
    throughput_.start();
}

void MainTimers::stopThroughput() {
    throughput_.stop();
}

void MainTimers::restartCompare() {
    compareDeadline_ = clock().now() + std::chrono::milliseconds(kCompareMs);
    armCompare();
}

void MainTimers::stopCompare() {
    compare_.stop();
}

void MainTimers::armCompare() {
    if (dynamic_cast<SystemClock*>(&clock()) == nullptr) {
        compare_.start(kTestClockLookMs);
        return;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(compareDeadline_ - clock().now());
    compare_.start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count())));
}

void MainTimers::compareTimeout() {
    if (clock().now() < compareDeadline_) {
        armCompare();
        return;
    }
    emit compareDue();
}

} // namespace nuvex3
