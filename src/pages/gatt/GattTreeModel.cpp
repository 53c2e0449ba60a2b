#include "pages/gatt/GattTreeModel.h"

using namespace nuvex3::gatt;

QModelIndex GattTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0 || !root_)
        return {};
    if (!parent.isValid())
        return row == 0 ? createIndex(0, 0, const_cast<TreeItem*>(&*root_)) : QModelIndex();
    const TreeItem* p = item(parent);
    if (static_cast<std::size_t>(row) >= p->children.size())
        return {};
    return createIndex(row, 0, const_cast<TreeItem*>(&p->children[static_cast<std::size_t>(row)]));
}

QModelIndex GattTreeModel::indexOf(const TreeItem* it) const {
    const auto p = parents_.find(it);
    if (p == parents_.end() || !p->second)
        return it == (root_ ? &*root_ : nullptr) ? createIndex(0, 0, const_cast<TreeItem*>(it))
                                                 : QModelIndex();
    const int row = static_cast<int>(it - p->second->children.data());
    return createIndex(row, 0, const_cast<TreeItem*>(it));
}

QModelIndex GattTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid())
        return {};
    const auto p = parents_.find(item(child));
    if (p == parents_.end() || !p->second)
        return {};
    return indexOf(p->second);
}

int GattTreeModel::rowCount(const QModelIndex& parent) const {
    if (!root_)
        return 0;
    if (!parent.isValid())
        return 1;
    return static_cast<int>(item(parent)->children.size());
}

int GattTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant GattTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    return item(index)->label;
}

const TreeItem* GattTreeModel::item(const QModelIndex& index) const {
    return index.isValid() ? static_cast<const TreeItem*>(index.internalPointer()) : nullptr;
}

QModelIndex GattTreeModel::rootIndex() const {
    return root_ ? createIndex(0, 0, const_cast<TreeItem*>(&*root_)) : QModelIndex();
}

void GattTreeModel::indexParents(const TreeItem& it) {
    for (const TreeItem& child : it.children) {
        parents_[&child] = &it;
        indexParents(child);
    }
}

void GattTreeModel::setTree(TreeItem root) {
    beginResetModel();
    parents_.clear();
    root_ = std::move(root);
    parents_[&*root_] = nullptr;
    indexParents(*root_);
    endResetModel();
}

int GattTreeModel::updateValue(const QString& link, const QString& handle, const QString& value) {
    int changed = 0;
    for (const auto& [it, parent] : parents_) {
        const ItemRecord& r = it->record;
        if ((r.kind != ItemKind::Value && r.kind != ItemKind::Descriptor) ||
            !sameHandle(r.link, link) || !sameHandle(r.handle, handle))
            continue;
        auto* m = const_cast<TreeItem*>(it);
        m->record.value = value;
        m->label = labelOf(m->record);
        const QModelIndex i = indexOf(it);
        emit dataChanged(i, i);
        ++changed;
    }
    return changed;
}

QString GattTreeModel::saveText() const {
    return root_ ? nuvex3::gatt::saveText(*root_) : nuvex3::gatt::saveText(buildTree({}));
}
