#pragma once
// Runs a virtual module on a pseudo-terminal: the tool opens slavePath() like any serial
// port. One serving thread waits on the terminal and on the module's next timed action,
// paces the output to a baud rate when asked, and injects the configured line faults.

#include "sim/Scenario.h"
#include "sim/WireFaults.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace nuvex3::sim {

struct SimOptions {
    int baud = 0; // 0: as fast as possible; else bytes take 10 bit times each way (8N1)
    FaultOptions faults;
    // Each line of the simulator's log (what the peers receive and write), on the
    // simulator's thread.
    std::function<void(const std::string&)> log;
};

class PtySimulator {
public:
    explicit PtySimulator(Scenario scenario, SimOptions options = {});
    ~PtySimulator(); // stops and joins
    PtySimulator(const PtySimulator&) = delete;
    PtySimulator& operator=(const PtySimulator&) = delete;

    // Opens the pseudo-terminal in raw mode and starts serving; false with *error set
    // when the terminal cannot be opened. Starting twice does nothing more; starting after
    // stop() powers a fresh module on the same terminal (on a new one when a line fault
    // closed the old one).
    bool start(QString* error);
    // The terminal the tool opens; empty before start().
    std::string slavePath() const;
    // Stops serving and joins the thread; the terminal stays open until destruction.
    void stop();
    bool running() const;

    // Bytes read from the tool so far, and a bounded wait (in real time) until at least n
    // have been read: tests that move a test clock use it to know a command has arrived.
    std::uint64_t bytesReceived() const;
    bool waitBytesReceived(std::uint64_t n, std::chrono::milliseconds bound) const;
    // The simulator's log so far, oldest line first.
    std::vector<std::string> log() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace nuvex3::sim
