#include "pages/common/TextListModel.h"

#include <algorithm>

TextListModel::TextListModel(QStringList headers, std::vector<bool> centred, QObject* parent)
    : QAbstractTableModel(parent), headers_(std::move(headers)), centred_(std::move(centred)) {
    centred_.resize(static_cast<std::size_t>(headers_.size()), false);
    timer_.setSingleShot(true);
    timer_.setInterval(kDefaultFlushMs);
    connect(&timer_, &QTimer::timeout, this, &TextListModel::flush);
}

int TextListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

int TextListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant TextListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shown_)
        return {};
    if (role == Qt::DisplayRole)
        return cell(index.row(), index.column());
    if (role == Qt::TextAlignmentRole) {
        const bool centred = centred_[static_cast<std::size_t>(index.column())];
        return QVariant::fromValue(
            Qt::Alignment((centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    return {};
}

QVariant TextListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < headers_.size())
        return headers_[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

void TextListModel::insertRow(int at, QStringList cells) {
    at = std::clamp(at, 0, count());
    while (cells.size() < headers_.size())
        cells.append(QString());
    if (at < shown_) {
        beginInsertRows({}, at, at);
        rows_.insert(rows_.begin() + at, std::move(cells));
        ++shown_;
        endInsertRows();
        return;
    }
    rows_.insert(rows_.begin() + at, std::move(cells));
    if (!timer_.isActive())
        timer_.start();
}

QString TextListModel::cell(int row, int column) const {
    if (row < 0 || row >= count() || column < 0 || column >= headers_.size())
        return {};
    return rows_[static_cast<std::size_t>(row)][column];
}

void TextListModel::setCell(int row, int column, const QString& text) {
    if (row < 0 || row >= count() || column < 0 || column >= headers_.size())
        return;
    rows_[static_cast<std::size_t>(row)][column] = text;
    if (row < shown_)
        emit dataChanged(index(row, column), index(row, column));
}

void TextListModel::clear() {
    timer_.stop();
    beginResetModel();
    rows_.clear();
    shown_ = 0;
    endResetModel();
}

void TextListModel::flush() {
    timer_.stop();
    if (shown_ == count())
        return;
    beginInsertRows({}, shown_, count() - 1);
    shown_ = count();
    endInsertRows();
}
