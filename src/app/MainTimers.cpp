#include "app/MainTimers.h"

namespace nuvex3 {

MainTimers::MainTimers(QObject* parent) : QObject(parent) {
    throughput_.setInterval(kThroughputMs);
    compare_.setInterval(kCompareMs);
    compare_.setSingleShot(true);
    connect(&throughput_, &QTimer::timeout, this, &MainTimers::throughputTick);
    connect(&compare_, &QTimer::timeout, this, &MainTimers::compareDue);
}

void MainTimers::restartThroughput() {
    throughput_.start();
}

void MainTimers::stopThroughput() {
    throughput_.stop();
}

void MainTimers::restartCompare() {
    compare_.start();
}

void MainTimers::stopCompare() {
    compare_.stop();
}

} // namespace nuvex3
