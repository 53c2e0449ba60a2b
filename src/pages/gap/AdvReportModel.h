#pragma once
// The rows of the GAP page's advertising list. Reports are kept compact (the raw report,
// about 50 bytes a row) and their cell texts are made when a view asks for them. Reports
// that arrive are collected and inserted together at most once per flush interval, so a
// flood of reports costs one model insertion and one repaint per interval. The list keeps
// at most rowLimit() rows: beyond it the oldest go, and oldestDropped() says so once (until
// the list is cleared).

#include "link/Clock.h"
#include "pages/gap/AdvData.h"

#include <QAbstractTableModel>
#include <QTimer>

#include <deque>
#include <vector>

class AdvReportModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { EventType, AddrType, Addr, Name, Rssi, Length, Service, Manufacture, Data };
    static constexpr int kColumns = 9;
    static constexpr int kDefaultFlushMs = 40;

    explicit AdvReportModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Queues one report; it shows at the next flush.
    void add(const nuvex3::AdvReport& report);
    // Inserts every queued report now.
    void flush();
    // Empties the list, including queued reports.
    void clear();

    // Rows shown plus rows queued: the index of the next report.
    int reportCount() const { return static_cast<int>(rows_.size() + pending_.size()); }
    const nuvex3::AdvReport& report(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    QString cellText(int row, int column) const;

    void setFlushInterval(int ms) { timer_.setInterval(ms); }

    int rowLimit() const { return rowLimit_; }
    void setRowLimit(int rows);
    // Rows dropped since the list was last cleared.
    long long droppedRows() const { return dropped_; }

signals:
    // The first time rows are dropped after the list was cleared.
    void oldestDropped(int rowLimit);

private:
    // Removes the oldest `rows` rows and counts `unshown` reports that never got a row.
    void dropOldest(std::size_t rows, std::size_t unshown);

    std::deque<nuvex3::AdvReport> rows_;
    std::vector<nuvex3::AdvReport> pending_;
    QTimer timer_;
    nuvex3::Clock::time_point pendingSince_{}; // the first report waiting for the flush
    int rowLimit_;
    long long dropped_ = 0;
};
