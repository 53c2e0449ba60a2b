#pragma once
// The rows of the "Decoded" view: one per packet sent or received since Connect (and one
// per command the layer gave up waiting for), each with its time, direction, name, fields
// and round trip. Records are taken as they are routed and shown in batches, at most once
// per flush interval, so a flood costs one insertion per batch. The session keeps at most
// the row limit (setting "limits/decodedRows" of ViewLimits, 1,000,000 unless set): the oldest rows
// go first and memory stays flat. The filter (decode::RowFilter) runs over the kept rows
// in slices of the event loop, so a million rows do not freeze the window.

#include "decode/RowFilter.h"
#include "decode/Session.h"
#include "link/Clock.h"
#include "link/Packet.h"

#include <QAbstractTableModel>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace nuvex3 {

class DecodedModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Number, Time, Direction, Opcode, Name, RoundTrip, Fields };
    static constexpr int kColumns = 7;
    static constexpr int kFlushMs = 50;
    static constexpr int kScanSliceMs = 15;
    static constexpr std::size_t kDefaultRowLimit = decode::Session::kDefaultRows;

    explicit DecodedModel(QObject* parent = nullptr);

    // The row limit in the settings (kDefaultRowLimit unless set to a positive number).
    static std::size_t rowLimitSetting();
    std::size_t rowLimit() const { return session_.maxRows(); }
    void setRowLimit(std::size_t rows);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // A new session starts now (Connect): the rows go.
    void startSession(Clock::time_point at, std::int64_t wallUs);
    // A record of the command layer reported at `at` on the clock: kind 0 (sent), 1
    // (received) and the layer's time-out; other kinds are decoded from their packet.
    void add(int kind, const Record& record, Clock::time_point at);
    // Shows the records taken so far now.
    void flush();

    void setFilter(const QString& text);
    QString filterText() const { return filterText_; }
    // True while the filter is still going through the kept rows.
    bool filtering() const { return scanning_; }
    // Runs the filter over every kept row now (tests).
    void finishFiltering();

    // The session row shown in `row`.
    std::uint64_t seqAt(int row) const;
    // The row that shows session row `seq`, if it is shown.
    std::optional<int> rowOf(std::uint64_t seq) const;
    const decode::Session& session() const { return session_; }
    // The texts of a row; valid until the next call.
    const decode::RowTexts& texts(int row) const;

    // Writes the session's packets as pcapng; false when the file cannot be written.
    bool exportPcapng(const QString& path, const QString& interfaceName) const;

    // Rows beyond the newest few go to a temporary file in `directory` (the system's
    // temporary folder unless set); read back when shown, filtered or exported.
    void setSpoolDirectory(const QString& directory);
    // Rows kept in memory at most when the temporary file cannot be written.
    static constexpr std::size_t kRowsInMemory = decode::PacketStore::kSegmentRows * 4;

signals:
    // The filter went through every kept row.
    void filteringDone();
    // The temporary file for older rows failed: a line for the log view.
    void problem(const QString& text);

private:
    // A record taken since the last flush; its packet (or the timed-out command's opcode)
    // is at `offset` in pendingBytes_.
    struct Pending {
        int kind;
        Clock::time_point at;
        std::uint32_t offset;
        std::uint32_t size;
    };
    void scanSlice();
    void insertPending();

    decode::Session session_;
    std::vector<Pending> pending_;
    std::vector<std::uint8_t> pendingBytes_;
    std::string spoolError_; // not yet said
    QTimer flushTimer_;
    Clock::time_point pendingSince_{}; // the first record waiting for the flush

    QString filterText_;
    decode::RowFilter filter_;
    std::deque<std::uint64_t> matches_; // the rows shown while a filter is set
    bool scanning_ = false;
    std::uint64_t scanNext_ = 0;
    QTimer scanTimer_;

    // The texts of the rows painted last.
    mutable std::vector<std::pair<std::uint64_t, decode::RowTexts>> cache_;
    mutable std::size_t cacheNext_ = 0;
    mutable std::size_t lastHit_ = 0;
};

} // namespace nuvex3
