#include "app/SimulatedPort.h"

#include "link/Clock.h"
#include "sim/AutomationScenarios.h"
#include "sim/PtySimulator.h"

namespace nuvex3 {

namespace {

// The line takes the time a real one takes at the baud rate chosen. On a test clock,
// whose time moves only when the test moves it, the line is not paced: it would stand
// still between the test's steps.
int lineBaud(int baud) {
    return dynamic_cast<SystemClock*>(&clock()) ? baud : 0;
}

} // namespace

SimulatedPort::SimulatedPort(int baud, QString scenario)
    : baud_(baud), scenario_(std::move(scenario)) {}

SimulatedPort::~SimulatedPort() {
    if (simulator_)
        simulator_->stop();
}

bool SimulatedPort::start(QString* error) {
    if (!simulator_) {
        auto scenario = scenario_.isEmpty() ? std::optional(sim::defaultScenario())
                                            : sim::scenarioByName(scenario_, error);
        if (!scenario)
            return false;
        simulator_ = std::make_unique<sim::PtySimulator>(std::move(*scenario),
                                                         sim::SimOptions{lineBaud(baud_), {}});
    }
    return simulator_->start(error);
}

QString SimulatedPort::path() const {
    return simulator_ ? QString::fromStdString(simulator_->slavePath()) : QString();
}

} // namespace nuvex3
