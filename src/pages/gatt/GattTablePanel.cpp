#include "pages/gatt/GattTablePanel.h"

#include "pages/gatt/GattTreeModel.h"
#include "pages/gatt/ServReference.h"
#include "pages/gatt/TableWalk.h"
#include "ui/Prompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>

using namespace nuvex3;
using namespace nuvex3::gatt;

namespace {

bool hasServiceControl(const QString& uuid) {
    static const QStringList kControlled = {QStringLiteral("1805"), QStringLiteral("180D"),
                                            QStringLiteral("180F"), QStringLiteral("1816"),
                                            QStringLiteral("7905F431B5CE4E99A40F4B1E122D00D0")};
    return kControlled.contains(uuid);
}

} // namespace

const QString& GattTablePanel::saveFilter() {
    static const QString f = QStringLiteral("TEXT FILE(*.txt)");
    return f;
}

const QString& GattTablePanel::referenceFilter() {
    // The file names are matched in either case.
    static const QString f = QStringLiteral("SERVICE FILE(*.SERV) (*.SERV *.serv)");
    return f;
}

GattTablePanel::GattTablePanel(TableWalk& walk, const QString& getCaption, QWidget* parent)
    : QWidget(parent), walk_(walk), directory_(QDir::currentPath()) {
    model_ = new GattTreeModel(this);
    tree_ = new QTreeView(this);
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    // Long labels widen the tree and get a scroll bar instead of being cut.
    tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree_->header()->setStretchLastSection(false);
    tree_->setRootIsDecorated(true);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setUniformRowHeights(true);
    tree_->setMouseTracking(true); // track-select: the item under the mouse is highlighted
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->setAccessibleName(QStringLiteral("GATT Table"));

    save_ = new QPushButton(QStringLiteral("Save As..."), this);
    get_ = new QPushButton(getCaption, this);
    update_ = new QPushButton(QStringLiteral("Update View"), this);
    verify_ = new QPushButton(QStringLiteral("Verify "), this);
    collapse_ = new QPushButton(QStringLiteral("Collapse All"), this);
    for (QPushButton* b : {save_, get_, update_, verify_})
        b->setEnabled(false);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(tree_, 0, 0, 1, 5);
    grid->addWidget(save_, 1, 0);
    grid->addWidget(get_, 1, 1);
    grid->addWidget(update_, 1, 2);
    grid->addWidget(verify_, 1, 3);
    grid->addWidget(collapse_, 1, 4);
    grid->setRowStretch(0, 1);

    connect(get_, &QPushButton::clicked, this, &GattTablePanel::getTableClicked);
    connect(update_, &QPushButton::clicked, this, &GattTablePanel::rebuild);
    connect(save_, &QPushButton::clicked, this, &GattTablePanel::saveAs);
    connect(verify_, &QPushButton::clicked, this, &GattTablePanel::verify);
    connect(collapse_, &QPushButton::clicked, this, &GattTablePanel::toggleCollapse);
    connect(tree_, &QTreeView::customContextMenuRequested, this, &GattTablePanel::openContextMenu);
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                const TreeItem* item = model_->item(current);
                emit itemSelected(item ? &item->record : nullptr);
            });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { emit itemSelected(nullptr); });
}

void GattTablePanel::enable(bool connected) {
    for (QPushButton* b : {get_, save_, update_})
        b->setEnabled(connected);
}

void GattTablePanel::rebuild() {
    model_->setTree(buildTree(walk_.table()));
    tree_->expandAll();
    collapsed_ = false;
    collapse_->setText(QStringLiteral("Collapse All"));
    if (walk_.hasLinks())
        verify_->setEnabled(true);
    emit rebuilt();
}

void GattTablePanel::toggleCollapse() {
    if (collapsed_)
        tree_->expandAll();
    else
        tree_->collapseAll();
    collapsed_ = !collapsed_;
    collapse_->setText(collapsed_ ? QStringLiteral("Expand All") : QStringLiteral("Collapse All"));
}

void GattTablePanel::saveAs() {
    QString path = prompts().saveFile(saveFilter(), directory_);
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".txt")))
        path += QLatin1String(".txt");
    directory_ = QFileInfo(path).absolutePath();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text) ||
        file.write(model_->saveText().toUtf8()) < 0) {
        prompts().message(QStringLiteral("Cannot write the file %1").arg(path));
    }
}

void GattTablePanel::verify() {
    const QString path = prompts().openFile(referenceFilter(), directory_);
    if (path.isEmpty())
        return;
    directory_ = QFileInfo(path).absolutePath();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        prompts().message(QStringLiteral(" Open File Failed "));
        return;
    }
    const auto parsed = parseReference(file.readAll());
    if (const auto* error = std::get_if<ReferenceError>(&parsed)) {
        prompts().message(error->text());
        return;
    }
    const Table table = walk_.table();
    prompts().message(
        verifyTable(std::get<Reference>(parsed), table.empty() ? nullptr : &table.front()));
}

void GattTablePanel::showValue(const QString& link, const QString& handle, const QString& value) {
    model_->updateValue(link, handle, value);
}

QMenu* GattTablePanel::contextMenuFor(const ItemRecord& record, QWidget* parent) {
    if (record.kind != ItemKind::Service)
        return nullptr;
    if (hasServiceControl(record.uuid)) {
        auto* menu = new QMenu(parent);
        menu->addAction(QStringLiteral("Service Control"));
        return menu;
    }
    if (record.uuid.size() == 4) {
        auto* menu = new QMenu(parent);
        menu->addAction(QStringLiteral("No Control View"))->setEnabled(false);
        return menu;
    }
    return nullptr;
}

void GattTablePanel::openContextMenu(const QPoint& position) {
    const QModelIndex index = tree_->indexAt(position);
    const TreeItem* item = model_->item(index);
    if (!item || item->record.kind == ItemKind::Root)
        return;
    tree_->setCurrentIndex(index);
    if (menu_)
        menu_->close();
    menu_ = contextMenuFor(item->record, this);
    if (!menu_)
        return;
    connect(menu_, &QMenu::aboutToHide, menu_, &QObject::deleteLater);
    menu_->popup(tree_->viewport()->mapToGlobal(position));
}

const ItemRecord* GattTablePanel::selectedRecord() const {
    const TreeItem* item = model_->item(tree_->currentIndex());
    return item ? &item->record : nullptr;
}
