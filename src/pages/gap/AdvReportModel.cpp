#include "pages/gap/AdvReportModel.h"

using namespace nuvex3;

namespace {
const char* const kHeaders[AdvReportModel::kColumns] = {
    "Event Type", "Addr Type", "Addr", "Name", "RSSI", "Length", "Service", "Manufacture", "data"};
}

AdvReportModel::AdvReportModel(QObject* parent) : QAbstractTableModel(parent) {
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
    if (!timer_.isActive())
        timer_.start();
}

void AdvReportModel::flush() {
    timer_.stop();
    if (pending_.empty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(pending_.size()) - 1);
    rows_.insert(rows_.end(), pending_.begin(), pending_.end());
    pending_.clear();
    endInsertRows();
}

void AdvReportModel::clear() {
    timer_.stop();
    pending_.clear();
    beginResetModel();
    rows_.clear();
    rows_.shrink_to_fit();
    endResetModel();
}
