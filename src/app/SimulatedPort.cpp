#include "app/SimulatedPort.h"

#include "link/Clock.h"
#include "sim/PtySimulator.h"
#include "sim/Scenario.h"

namespace nuvex3 {

namespace {

// The line takes the time a real one takes at the baud rate chosen. On a test clock,
// whose time moves only when the test moves it, the line is not paced: it would stand
// still between the test's steps.
int lineBaud(int baud) {
    return dynamic_cast<SystemClock*>(&clock()) ? baud : 0;
}

} // namespace

SimulatedPort::SimulatedPort(int baud)
    : simulator_(std::make_unique<sim::PtySimulator>(sim::defaultScenario(),
                                                     sim::SimOptions{lineBaud(baud), {}})) {}

SimulatedPort::~SimulatedPort() {
    simulator_->stop();
}

bool SimulatedPort::start(QString* error) {
    return simulator_->start(error);
}

QString SimulatedPort::path() const {
    return QString::fromStdString(simulator_->slavePath());
}

} // namespace nuvex3
