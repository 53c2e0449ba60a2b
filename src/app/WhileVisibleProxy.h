#pragma once
// A table model between a view and its source that passes the source's rows on only while
// the view is visible. A hidden view then costs nothing per row: a view keeps a header
// entry for every row of its model (8 to 16 bytes each, so 16 MB for the decoded view's
// million rows) and updates it, its scroll bars and its selection with every batch. When
// the view shows again it gets every row at once, in one reset. Row and column numbers
// are the source's.

#include <QAbstractTableModel>
#include <QPointer>

class QAbstractItemView;

namespace nuvex3 {

class WhileVisibleProxy : public QAbstractTableModel {
    Q_OBJECT
public:
    // Becomes the model of `view`; follows its visibility from now on.
    WhileVisibleProxy(QAbstractItemModel* source, QAbstractItemView* view);

    bool passing() const { return passing_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    // The rows are passed on again (the view was shown): it may select and scroll.
    void woken();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setPassing(bool passing);

    QAbstractItemModel* source_;
    bool passing_ = false;
};

} // namespace nuvex3
