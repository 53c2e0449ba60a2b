#pragma once
// The tree of a table page as a model: built in one go from the table ("Update View", the
// end of a walk), with the labels of value and descriptor items updated in place when a
// value is read, written or notified.

#include "pages/gatt/GattTree.h"

#include <QAbstractItemModel>

#include <optional>
#include <unordered_map>

class GattTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    using QAbstractItemModel::QAbstractItemModel;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Replaces the tree (the root "GATT Table" and everything under it).
    void setTree(nuvex3::gatt::TreeItem root);
    bool empty() const { return !root_.has_value(); }
    // The item behind an index (nullptr for an invalid one).
    const nuvex3::gatt::TreeItem* item(const QModelIndex& index) const;
    QModelIndex rootIndex() const;

    // The value of an attribute changed: the value or descriptor items of that link and
    // handle get it and their labels again. Returns the number of items changed.
    int updateValue(const QString& link, const QString& handle, const QString& value);

    // The "Save As..." text of the tree as shown (an empty tree is the root alone).
    QString saveText() const;

private:
    QModelIndex indexOf(const nuvex3::gatt::TreeItem* item) const;
    void indexParents(const nuvex3::gatt::TreeItem& item);

    std::optional<nuvex3::gatt::TreeItem> root_;
    std::unordered_map<const nuvex3::gatt::TreeItem*, const nuvex3::gatt::TreeItem*> parents_;
};
