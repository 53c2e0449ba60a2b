#include "pages/transparent/ThroughputChart.h"

#include <QChart>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>

#include <algorithm>

namespace nuvex3 {

void ThroughputHistory::add(std::int64_t tickMs, std::uint64_t sent, std::uint64_t received) {
    samples_.push_back({tickMs, sent, received});
    // One sample older than the span is kept: the first interval starts there.
    while (samples_.size() > 2 && tickMs - samples_[1].tickMs >= kSpanMs)
        samples_.pop_front();
}

std::vector<ThroughputHistory::Rate> ThroughputHistory::rates() const {
    std::vector<Rate> out;
    if (samples_.size() < 2)
        return out;
    const std::int64_t last = samples_.back().tickMs;
    auto delta = [](std::uint64_t now, std::uint64_t before) {
        return static_cast<double>(now >= before ? now - before : now);
    };
    for (std::size_t i = 1; i < samples_.size(); ++i) {
        const Sample& a = samples_[i - 1];
        const Sample& b = samples_[i];
        if (b.tickMs <= a.tickMs)
            continue;
        const double seconds = static_cast<double>(b.tickMs - a.tickMs) / 1000.0;
        out.push_back({static_cast<double>(last - b.tickMs) / 1000.0,
                       delta(b.sent, a.sent) / seconds, delta(b.received, a.received) / seconds});
    }
    return out;
}

ThroughputChart::ThroughputChart(QWidget* parent) : QChartView(parent) {
    auto* chart = new QChart;
    tx_ = new QLineSeries(chart);
    tx_->setName(QStringLiteral("Tx bytes/s"));
    // Sent under received: the wider red line stays visible when an echo matches it.
    tx_->setPen(QPen(QColor(255, 0, 0), 4));
    rx_ = new QLineSeries(chart);
    rx_->setName(QStringLiteral("Rx bytes/s"));
    rx_->setPen(QPen(QColor(0, 0, 255), 1.5));
    chart->addSeries(tx_);
    chart->addSeries(rx_);
    x_ = new QValueAxis(chart);
    x_->setRange(-60, 0);
    x_->setLabelFormat(QStringLiteral("%d s"));
    x_->setTickCount(7);
    y_ = new QValueAxis(chart);
    y_->setRange(0, 1000);
    y_->setLabelFormat(QStringLiteral("%.0f"));
    y_->setTitleText(QStringLiteral("bytes/s"));
    chart->addAxis(x_, Qt::AlignBottom);
    chart->addAxis(y_, Qt::AlignLeft);
    for (QLineSeries* s : {tx_, rx_}) {
        s->attachAxis(x_);
        s->attachAxis(y_);
    }
    chart->legend()->setAlignment(Qt::AlignTop);
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->setBackgroundRoundness(0);
    setChart(chart);
    setRenderHint(QPainter::Antialiasing);
    setAccessibleName(QStringLiteral("Throughput of the selected link"));
}

void ThroughputChart::show(const std::vector<ThroughputHistory::Rate>& rates) {
    QList<QPointF> tx, rx;
    double top = 0;
    for (const auto& r : rates) {
        tx.append({-r.secondsAgo, r.txPerSecond});
        rx.append({-r.secondsAgo, r.rxPerSecond});
        top = std::max({top, r.txPerSecond, r.rxPerSecond});
    }
    tx_->replace(tx);
    rx_->replace(rx);
    // A round upper bound above the highest rate: 1, 2 or 5 times a power of ten.
    double bound = 1000;
    while (bound < top * 1.05)
        bound *= (QString::number(bound).startsWith('2') ? 2.5 : 2);
    y_->setRange(0, bound);
}

} // namespace nuvex3
