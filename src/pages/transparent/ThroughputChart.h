#pragma once
// The throughput of one link over the last minute: bytes per second sent and received,
// from the link's byte counters sampled by the page (ThroughputHistory), drawn with Qt
// Charts (ThroughputChart).

#include <QChartView>

#include <cstdint>
#include <deque>
#include <vector>

class QLineSeries;
class QValueAxis;

namespace nuvex3 {

class ThroughputHistory {
public:
    static constexpr std::int64_t kSpanMs = 60'000;

    struct Rate {
        double secondsAgo = 0; // end of the interval, before the last sample
        double txPerSecond = 0;
        double rxPerSecond = 0;
    };

    // The link's counters at tickMs. A counter that went down was cleared: its rate counts
    // from 0.
    void add(std::int64_t tickMs, std::uint64_t sent, std::uint64_t received);
    // One rate per interval between samples within the last minute, oldest first.
    std::vector<Rate> rates() const;
    void clear() { samples_.clear(); }

private:
    struct Sample {
        std::int64_t tickMs;
        std::uint64_t sent;
        std::uint64_t received;
    };
    std::deque<Sample> samples_;
};

class ThroughputChart : public QChartView {
    Q_OBJECT
public:
    explicit ThroughputChart(QWidget* parent = nullptr);

    void show(const std::vector<ThroughputHistory::Rate>& rates);

    QLineSeries* txSeries() const { return tx_; }
    QLineSeries* rxSeries() const { return rx_; }

private:
    QLineSeries* tx_;
    QLineSeries* rx_;
    QValueAxis* x_;
    QValueAxis* y_;
};

} // namespace nuvex3
