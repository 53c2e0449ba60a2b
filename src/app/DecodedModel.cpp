#include "app/DecodedModel.h"

#include "decode/Pcapng.h"
#include "framework/ViewLimits.h"

#include <QBrush>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <fstream>

namespace nuvex3 {

namespace {

const char* const kHeaders[DecodedModel::kColumns] = {"No.",  "Time (ms)",  "Dir",   "Opcode",
                                                      "Name", "Round trip", "Fields"};
constexpr std::size_t kCacheRows = 256;
constexpr std::size_t kFieldsShown = 240;
const QColor kErrorColour(200, 0, 0);

} // namespace

DecodedModel::DecodedModel(QObject* parent)
    : QAbstractTableModel(parent), session_(rowLimitSetting()) {
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(kFlushMs);
    connect(&flushTimer_, &QTimer::timeout, this, &DecodedModel::flush);
    scanTimer_.setInterval(0);
    connect(&scanTimer_, &QTimer::timeout, this, &DecodedModel::scanSlice);
    session_.start(clock().now(), 0);
    setSpoolDirectory(QDir::tempPath());
}

void DecodedModel::setSpoolDirectory(const QString& directory) {
    decode::SpoolSettings spool;
    spool.directory = QFile::encodeName(directory).toStdString();
    spool.segmentsInMemory = kRowsInMemory / decode::PacketStore::kSegmentRows;
    spool.onError = [this](const std::string& error) { spoolError_ = error; };
    session_.enableSpool(std::move(spool));
}

std::size_t DecodedModel::rowLimitSetting() {
    return static_cast<std::size_t>(ViewLimits::fromSettings().decodedRows);
}

void DecodedModel::setRowLimit(std::size_t rows) {
    flush();
    beginResetModel();
    session_.setMaxRows(rows);
    matches_.erase(std::remove_if(matches_.begin(), matches_.end(),
                                  [&](std::uint64_t s) { return !session_.store().contains(s); }),
                   matches_.end());
    scanNext_ = std::max(scanNext_, session_.store().firstSeq());
    cache_.clear();
    lastHit_ = 0;
    endResetModel();
}

int DecodedModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return static_cast<int>(filter_.empty() ? session_.store().size() : matches_.size());
}

int DecodedModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

std::uint64_t DecodedModel::seqAt(int row) const {
    const auto r = static_cast<std::size_t>(row);
    return filter_.empty() ? session_.store().firstSeq() + r : matches_[r];
}

std::optional<int> DecodedModel::rowOf(std::uint64_t seq) const {
    if (!session_.store().contains(seq))
        return std::nullopt;
    if (filter_.empty())
        return static_cast<int>(seq - session_.store().firstSeq());
    const auto it = std::lower_bound(matches_.begin(), matches_.end(), seq);
    if (it == matches_.end() || *it != seq)
        return std::nullopt;
    return static_cast<int>(it - matches_.begin());
}

const decode::RowTexts& DecodedModel::texts(int row) const {
    const std::uint64_t seq = seqAt(row);
    // The rows painted together are asked for one after the other, many times each.
    if (!cache_.empty() && cache_[lastHit_].first == seq)
        return cache_[lastHit_].second;
    for (std::size_t i = 0; i < cache_.size(); ++i)
        if (cache_[i].first == seq) {
            lastHit_ = i;
            return cache_[i].second;
        }
    if (cache_.size() < kCacheRows) {
        cache_.emplace_back(seq, session_.texts(seq));
        lastHit_ = cache_.size() - 1;
    } else {
        cache_[cacheNext_] = {seq, session_.texts(seq)};
        lastHit_ = cacheNext_;
        cacheNext_ = (cacheNext_ + 1) % kCacheRows;
    }
    return cache_[lastHit_].second;
}

QVariant DecodedModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        const decode::RowTexts& t = texts(index.row());
        switch (index.column()) {
        case Number:
            return QString::fromStdString(t.number);
        case Time:
            return QString::fromStdString(t.time);
        case Direction:
            // The raw log's arrows: "<--" sent, "-->" received.
            if (role == Qt::ToolTipRole)
                return QString::fromStdString(t.direction);
            return t.direction.empty()     ? QString()
                   : t.direction == "Sent" ? QStringLiteral("<--")
                                           : QStringLiteral("-->");
        case Opcode:
            return QString::fromStdString(t.opcode);
        case Name:
            return QString::fromStdString(t.name);
        case Fields:
            // The list shows the start of long field texts (painting shapes every character);
            // the tool tip and the detail pane show all of it.
            if (role == Qt::DisplayRole && t.fields.size() > kFieldsShown)
                return QString::fromStdString(t.fields.substr(0, kFieldsShown)) + QChar(0x2026);
            return QString::fromStdString(t.fields);
        case RoundTrip:
            return QString::fromStdString(role == Qt::ToolTipRole ? t.pairing : t.roundTrip);
        default:
            return {};
        }
    }
    if (role == Qt::ForegroundRole)
        return texts(index.row()).error ? QVariant(QBrush(kErrorColour)) : QVariant();
    if (role == Qt::TextAlignmentRole) {
        const bool number =
            index.column() == Number || index.column() == Time || index.column() == RoundTrip;
        return QVariant::fromValue(
            Qt::Alignment((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    return {};
}

QVariant DecodedModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < kColumns)
        return QString::fromLatin1(kHeaders[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void DecodedModel::startSession(Clock::time_point at, std::int64_t wallUs) {
    flushTimer_.stop();
    scanTimer_.stop();
    beginResetModel();
    pending_.clear();
    pendingBytes_.clear();
    session_.start(at, wallUs);
    matches_.clear();
    scanning_ = false;
    scanNext_ = 0;
    cache_.clear();
    lastHit_ = 0;
    endResetModel();
}

void DecodedModel::add(int kind, const Record& record, Clock::time_point at) {
    // The packet goes into one flat buffer until the next flush: no allocation per record.
    const auto offset = static_cast<std::uint32_t>(pendingBytes_.size());
    switch (kind) {
    case kKindCommandSent: {
        const std::vector<std::uint8_t> wire = decode::wireFromCommand(record);
        pendingBytes_.insert(pendingBytes_.end(), wire.begin(), wire.end());
        break;
    }
    case kKindPacketReceived:
        decode::appendWireFromReceived(record, pendingBytes_);
        break;
    case kKindCommandTimeout:
        pendingBytes_.push_back(record[2]);
        break;
    default:
        return; // decoded again from the packet (kind 1)
    }
    pending_.push_back(
        {kind, at, offset, static_cast<std::uint32_t>(pendingBytes_.size() - offset)});
    if (!flushTimer_.isActive()) {
        flushTimer_.start();
        pendingSince_ = at;
    } else if (at - pendingSince_ >= std::chrono::milliseconds(kFlushMs)) {
        // A flood keeps the event loop busy and the timer may wait: the rows still show
        // every flush interval and what waits stays small.
        flush();
    }
}

void DecodedModel::flush() {
    flushTimer_.stop();
    if (!pending_.empty())
        insertPending();
    if (!spoolError_.empty()) {
        emit problem(
            QStringLiteral("Decoded view: %1; only the newest %2 rows are kept from now on")
                .arg(QString::fromStdString(spoolError_))
                .arg(kRowsInMemory));
        spoolError_.clear();
    }
}

void DecodedModel::insertPending() {
    const decode::PacketStore& store = session_.store();
    const std::size_t limit = session_.maxRows();
    const bool reset = pending_.size() >= limit; // more new rows than the view keeps
    if (reset) {
        beginResetModel();
    } else if (const std::size_t overflow = store.size() + pending_.size() > limit
                                                ? store.size() + pending_.size() - limit
                                                : 0) {
        // The oldest rows make room for the new ones.
        const std::uint64_t newFirst = store.firstSeq() + overflow;
        std::size_t gone = overflow;
        if (!filter_.empty())
            gone = static_cast<std::size_t>(
                std::lower_bound(matches_.begin(), matches_.end(), newFirst) - matches_.begin());
        if (gone > 0)
            beginRemoveRows({}, 0, static_cast<int>(gone) - 1);
        session_.dropOldest(overflow);
        if (!filter_.empty())
            matches_.erase(matches_.begin(), matches_.begin() + static_cast<std::ptrdiff_t>(gone));
        scanNext_ = std::max(scanNext_, newFirst);
        if (gone > 0)
            endRemoveRows();
    }

    const std::uint64_t from = store.endSeq();
    const bool insertAll = !reset && filter_.empty();
    if (insertAll)
        beginInsertRows({}, static_cast<int>(store.size()),
                        static_cast<int>(store.size() + pending_.size()) - 1);
    for (const Pending& p : pending_) {
        const std::int64_t us = session_.sinceStart(p.at);
        const std::span<const std::uint8_t> wire(pendingBytes_.data() + p.offset, p.size);
        if (p.kind == kKindCommandTimeout)
            session_.addTimeout(us, wire[0]);
        else
            session_.addPacket(p.kind == kKindCommandSent ? decode::Direction::Sent
                                                          : decode::Direction::Received,
                               us, wire);
    }
    pending_.clear();
    pendingBytes_.clear();
    if (insertAll)
        endInsertRows();

    if (reset) {
        matches_.clear();
        scanNext_ = std::max(scanNext_, store.firstSeq());
        if (!filter_.empty() && !scanning_) {
            scanning_ = true;
            scanTimer_.start();
        }
        cache_.clear();
        lastHit_ = 0;
        endResetModel();
        return;
    }
    if (!filter_.empty() && !scanning_) {
        std::vector<std::uint64_t> found;
        for (std::uint64_t seq = from; seq < store.endSeq(); ++seq)
            if (filter_.matches(session_, seq))
                found.push_back(seq);
        scanNext_ = store.endSeq();
        if (!found.empty()) {
            beginInsertRows({}, static_cast<int>(matches_.size()),
                            static_cast<int>(matches_.size() + found.size()) - 1);
            matches_.insert(matches_.end(), found.begin(), found.end());
            endInsertRows();
        }
    }
    // Commands answered (or given up) by the new rows show their round trip now.
    for (std::uint64_t seq = std::max(from, store.firstSeq()); seq < store.endSeq(); ++seq) {
        const decode::StoredRow row = store.row(seq);
        if (!(row.flags & (decode::StoredRow::Answer | decode::StoredRow::Note)) || row.link == 0)
            continue;
        const std::uint64_t command = seq - row.link;
        if (command >= from || !store.contains(command))
            continue;
        std::erase_if(cache_, [&](const auto& entry) { return entry.first == command; });
        cacheNext_ = 0;
        lastHit_ = 0;
        if (const auto r = rowOf(command))
            emit dataChanged(index(*r, 0), index(*r, kColumns - 1));
    }
}

void DecodedModel::setFilter(const QString& text) {
    flush();
    scanTimer_.stop();
    beginResetModel();
    filterText_ = text;
    filter_ = decode::RowFilter(text.toStdString());
    matches_.clear();
    cache_.clear();
    lastHit_ = 0;
    scanning_ = !filter_.empty();
    scanNext_ = session_.store().firstSeq();
    endResetModel();
    if (scanning_)
        scanTimer_.start();
    else
        emit filteringDone();
}

void DecodedModel::scanSlice() {
    const decode::PacketStore& store = session_.store();
    QElapsedTimer elapsed;
    elapsed.start();
    std::vector<std::uint64_t> found;
    constexpr int kRowsBetweenClockReads = 64;
    while (scanNext_ < store.endSeq() && elapsed.elapsed() < kScanSliceMs)
        for (int k = 0; k < kRowsBetweenClockReads && scanNext_ < store.endSeq(); ++k, ++scanNext_)
            if (filter_.matches(session_, scanNext_))
                found.push_back(scanNext_);
    if (!found.empty()) {
        beginInsertRows({}, static_cast<int>(matches_.size()),
                        static_cast<int>(matches_.size() + found.size()) - 1);
        matches_.insert(matches_.end(), found.begin(), found.end());
        endInsertRows();
    }
    if (scanNext_ >= store.endSeq()) {
        scanning_ = false;
        scanTimer_.stop();
        emit filteringDone();
    }
}

void DecodedModel::finishFiltering() {
    while (scanning_)
        scanSlice();
}

bool DecodedModel::exportPcapng(const QString& path, const QString& interfaceName) const {
    std::ofstream out(QFile::encodeName(path).toStdString(), std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    return decode::writeSessionPcapng(session_, out, "nuvex3-tool 0.37",
                                      interfaceName.toStdString());
}

} // namespace nuvex3
