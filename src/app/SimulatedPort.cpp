#include "app/SimulatedPort.h"

#include "sim/PtySimulator.h"
#include "sim/Scenario.h"

namespace nuvex3 {

SimulatedPort::SimulatedPort(int baud)
    : simulator_(
          std::make_unique<sim::PtySimulator>(sim::defaultScenario(), sim::SimOptions{baud, {}})) {}

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
