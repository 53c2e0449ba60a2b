#pragma once
// The "Simulated module" port: the virtual module with a scenario (the demo unless another
// is named), running in this process on a pseudo-terminal pair from Connect to Disconnect.
// The tool opens the terminal's path like any serial port; the module sends and reads at
// the pace of a real line at the chosen baud rate (8N1), unless a test clock is in force.

#include <QString>

#include <memory>

namespace nuvex3 {

namespace sim {
class PtySimulator;
}

class SimulatedPort {
public:
    // scenario: a built-in scenario's name or a scenario file; empty: the demo.
    explicit SimulatedPort(int baud, QString scenario = {});
    ~SimulatedPort(); // stops the module
    SimulatedPort(const SimulatedPort&) = delete;
    SimulatedPort& operator=(const SimulatedPort&) = delete;

    // Starts the module; false with the reason in *error when it cannot (no terminal, a
    // scenario that cannot be read).
    bool start(QString* error);
    // The terminal to open.
    QString path() const;

private:
    int baud_;
    QString scenario_;
    std::unique_ptr<sim::PtySimulator> simulator_;
};

} // namespace nuvex3
