#include "pages/gap/AdvReportModel.h"

#include "framework/ViewLimits.h"

#include <algorithm>

using namespace nuvex3;

namespace {
const char* const kHeaders[AdvReportModel::kColumns] = {
    "Event Type", "Addr Type", "Addr", "Name", "RSSI", "Length", "Service", "Manufacture", "data"};
}

AdvReportModel::AdvReportModel(QObject* parent)
    : QAbstractTableModel(parent), rowLimit_(ViewLimits::fromSettings().advertisingRows) {
    timer_.setSingleShot(true);
    timer_.setInterval(kDefaultFlushMs);
    connect(&timer_, &QTimer::timeout, this, &AdvReportModel::flush);
}

int AdvReportModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int AdvReportModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QString AdvReportModel::cellText(int row, int column) const {
    if (row < 0 || row >= rowCount())
        return {};
    const AdvReport& r = report(row);
    switch (column) {
    case EventType:
        return eventTypeText(r.eventType);
    case AddrType:
        return addressTypeText(r.addressType);
    case Addr:
        return addressText(r);
    case Name:
        return reportName(r);
    case Rssi:
        return rssiText(r.rssi);
    case Length:
        return QString::number(r.length);
    case Manufacture:
        return reportManufacturer(r);
    case Data:
        return dataText(r);
    default:
        return {};
    }
}

QVariant AdvReportModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole) {
        const bool centred = index.column() <= Rssi;
        return QVariant::fromValue(
            Qt::Alignment((centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    return {};
}

QVariant AdvReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < kColumns)
        return QString::fromLatin1(kHeaders[section]);
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section + 1;
    return QAbstractTableModel::headerData(section, orientation, role);
}

void AdvReportModel::add(const AdvReport& report) {
    pending_.push_back(report);
    const nuvex3::Clock::time_point now = nuvex3::clock().now();
    if (!timer_.isActive()) {
        timer_.start();
        pendingSince_ = now;
    } else if (now - pendingSince_ >= std::chrono::milliseconds(timer_.interval())) {
        flush(); // the timer waits behind a flood: the list still fills every interval
    }
}

void AdvReportModel::setRowLimit(int rows) {
    rowLimit_ = std::max(rows, 1);
    flush();
    const auto limit = static_cast<std::size_t>(rowLimit_);
    if (rows_.size() > limit)
        dropOldest(rows_.size() - limit, 0);
}

void AdvReportModel::dropOldest(std::size_t rows, std::size_t unshown) {
    if (rows + unshown == 0)
        return;
    const bool first = dropped_ == 0;
    dropped_ += static_cast<long long>(rows + unshown);
    if (rows > 0) {
        beginRemoveRows({}, 0, static_cast<int>(rows) - 1);
        rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(rows));
        endRemoveRows();
    }
    if (first)
        emit oldestDropped(rowLimit_);
}

void AdvReportModel::flush() {
    timer_.stop();
    if (pending_.empty())
        return;
    const auto limit = static_cast<std::size_t>(rowLimit_);
    // Reports that would be dropped again at once are not inserted at all.
    const std::size_t skip = pending_.size() > limit ? pending_.size() - limit : 0;
    const std::size_t kept = pending_.size() - skip;
    dropOldest(rows_.size() + kept > limit ? rows_.size() + kept - limit : 0, skip);
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(kept) - 1);
    rows_.insert(rows_.end(), pending_.begin() + static_cast<std::ptrdiff_t>(skip), pending_.end());
    pending_.clear();
    endInsertRows();
}

void AdvReportModel::clear() {
    timer_.stop();
    pending_.clear();
    beginResetModel();
    rows_.clear();
    rows_.shrink_to_fit();
    dropped_ = 0;
    endResetModel();
}
