#pragma once
// The main window's two timers: the throughput timer (every 500 ms while the transparent
// page's receive table has entries, for its statistics) and the compare timer (5 s after
// the last received data packet while comparing). The compare waits on the injectable
// clock (src/link/Clock.h): under a test clock it is due once the test has moved the time
// past it. The main window connects the two signals to the transparent page; nothing else
// listens to them.

#include "link/Clock.h"

#include <QObject>
#include <QTimer>

namespace nuvex3 {

class MainTimers : public QObject {
    Q_OBJECT
public:
    static constexpr int kThroughputId = 165;
    static constexpr int kCompareId = 166;
    static constexpr int kThroughputMs = 500;
    static constexpr int kCompareMs = 5000;

    explicit MainTimers(QObject* parent = nullptr);

    void restartThroughput();
    void stopThroughput();
    void restartCompare();
    void stopCompare();
    bool throughputActive() const { return throughput_.isActive(); }
    bool compareActive() const { return compare_.isActive(); }
    // When the compare is due, on the clock in force (while it is active).
    Clock::time_point compareDeadline() const { return compareDeadline_; }

signals:
    // Hook for the transparent page's periodic statistics update.
    void throughputTick();
    // Hook for the file compare; the compare timer has already been stopped.
    void compareDue();

private:
    // Starts compare_ for what is left until the deadline; a test clock is looked at again
    // every few milliseconds, since its time moves only when the test says so.
    void armCompare();
    void compareTimeout();

    QTimer throughput_;
    QTimer compare_;
    Clock::time_point compareDeadline_{};
};

} // namespace nuvex3
