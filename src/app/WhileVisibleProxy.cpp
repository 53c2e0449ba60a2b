#include "app/WhileVisibleProxy.h"

#include <QAbstractItemView>
#include <QEvent>

namespace nuvex3 {

WhileVisibleProxy::WhileVisibleProxy(QAbstractItemModel* source, QAbstractItemView* view)
    : QAbstractTableModel(view), source_(source), passing_(view->isVisible()) {
    // Each change of the source is passed on as it happens while the view is visible.
    connect(source, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex&, int first, int last) {
                if (passing_)
                    beginInsertRows({}, first, last);
            });
    connect(source, &QAbstractItemModel::rowsInserted, this, [this] {
        if (passing_)
            endInsertRows();
    });
    connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                if (passing_)
                    beginRemoveRows({}, first, last);
            });
    connect(source, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (passing_)
            endRemoveRows();
    });
    connect(source, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        if (passing_)
            beginResetModel();
    });
    connect(source, &QAbstractItemModel::modelReset, this, [this] {
        if (passing_)
            endResetModel();
    });
    connect(source, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to, const QList<int>& roles) {
                if (passing_)
                    emit dataChanged(index(from.row(), from.column()), index(to.row(), to.column()),
                                     roles);
            });
    connect(source, &QAbstractItemModel::headerDataChanged, this,
            &QAbstractItemModel::headerDataChanged);
    view->setModel(this);
    view->installEventFilter(this);
}

int WhileVisibleProxy::rowCount(const QModelIndex& parent) const {
    return passing_ && !parent.isValid() ? source_->rowCount() : 0;
}

int WhileVisibleProxy::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : source_->columnCount();
}

QVariant WhileVisibleProxy::data(const QModelIndex& index, int role) const {
    if (!passing_ || !index.isValid())
        return {};
    return source_->data(source_->index(index.row(), index.column()), role);
}

QVariant WhileVisibleProxy::headerData(int section, Qt::Orientation orientation, int role) const {
    return source_->headerData(section, orientation, role);
}

bool WhileVisibleProxy::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show)
        setPassing(true);
    else if (event->type() == QEvent::Hide)
        setPassing(false);
    return QAbstractTableModel::eventFilter(watched, event);
}

void WhileVisibleProxy::setPassing(bool passing) {
    if (passing == passing_)
        return;
    beginResetModel();
    passing_ = passing;
    endResetModel();
    if (passing_)
        emit woken();
}

} // namespace nuvex3
