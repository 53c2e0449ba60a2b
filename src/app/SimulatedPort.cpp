#include "app/SimulatedPort.h"

#include "sim/PtySimulator.h"
#include "sim/Scenario.h"

namespace nuvex3 {

SimulatedPort::SimulatedPort()
    : simulator_(std::make_unique<sim::PtySimulator>(sim::defaultScenario(), sim::SimOptions{})) {}

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
