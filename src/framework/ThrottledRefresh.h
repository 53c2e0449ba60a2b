#pragma once
// A view that events update (one per received packet, possibly thousands a second) is
// refreshed at most every intervalMs and only while it is visible: request() marks it due;
// the refresh runs when the interval has passed, or when the widget is shown again, or at
// flush(). The last request is never lost: whatever was asked for last is what shows.

#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

namespace nuvex3 {

class ThrottledRefresh : public QObject {
public:
    static constexpr int kDefaultIntervalMs = 250;

    ThrottledRefresh(QWidget* watched, std::function<void()> refresh,
                     int intervalMs = kDefaultIntervalMs);

    void request();
    // Runs a refresh that is due now, visible or not.
    void flush();
    bool due() const { return due_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* watched_;
    std::function<void()> refresh_;
    QTimer timer_;
    bool due_ = false;
};

} // namespace nuvex3
