#pragma once
// What both attribute-table pages show of their table, written once: the tree, the buttons
// "Save As...", "Get ... Table", "Update View", "Verify " and "Collapse All"/"Expand All",
// the context menu of service items, the "Save As..." text file and the comparison with a
// ".SERV" reference file. The page places the panel, starts its own walk when the "Get"
// button is pressed (getTableClicked) and reacts to the selected item (itemSelected).
//
// The panel reads the table from the page's TableWalk; "Update View" and the end of a walk
// rebuild the tree from it (rebuild()).

#include "pages/gatt/GattTree.h"

#include <QMenu>
#include <QPointer>
#include <QString>
#include <QWidget>

class GattTreeModel;
class QPushButton;
class QTreeView;

namespace nuvex3::gatt {
class TableWalk;
}

class GattTablePanel : public QWidget {
    Q_OBJECT
public:
    // `getCaption`: "Get Remote GATT Table" or "Get Local GATT Table".
    GattTablePanel(nuvex3::gatt::TableWalk& walk, const QString& getCaption,
                   QWidget* parent = nullptr);

    // Port opened or closed: "Get ... Table", "Save As..." and "Update View" follow it.
    void enable(bool connected);
    // Empties the tree and builds it again from the table, fully expanded; the toggle reads
    // "Collapse All" and "Verify " is enabled when the table holds a link record.
    void rebuild();
    // "Collapse All" / "Expand All".
    void toggleCollapse();
    // "Save As...": asks for a file ("TEXT FILE(*.txt)"), appends ".txt" unless the name
    // ends in it and writes the tree's text.
    void saveAs();
    // "Verify ": asks for a ".SERV" file, reads it and compares it with the first link
    // record; shows the first difference, an error naming a bad line, " Open File Failed "
    // or "GATT Table Verify Success".
    void verify();
    // A value changed (read reply, notification, write): the items of that attribute show
    // it at once.
    void showValue(const QString& link, const QString& handle, const QString& value);

    // The right-click menu for an item, or nullptr when it has none: service items get
    // "Service Control" (0x1805, 0x180D, 0x180F, 0x1816 and the Apple notification service)
    // or, for another 16-bit service, a disabled "No Control View". Choosing "Service
    // Control" has no further effect.
    static QMenu* contextMenuFor(const nuvex3::gatt::ItemRecord& record, QWidget* parent);
    // Right-click at a point of the tree's viewport: selects the item (not the root) and
    // opens its menu, if it has one.
    void openContextMenu(const QPoint& position);
    // The menu opened last (tests), nullptr when none is open.
    QMenu* contextMenu() const { return menu_; }

    // The selected item's record, or nullptr.
    const nuvex3::gatt::ItemRecord* selectedRecord() const;

    QTreeView* tree() const { return tree_; }
    GattTreeModel* model() const { return model_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* getButton() const { return get_; }
    QPushButton* updateButton() const { return update_; }
    QPushButton* verifyButton() const { return verify_; }
    QPushButton* collapseButton() const { return collapse_; }

    static const QString& saveFilter();
    static const QString& referenceFilter();

signals:
    void getTableClicked();
    // The tree was built again (the page rebuilds what goes with it, the notify list).
    void rebuilt();
    // The selection moved to another item (nullptr: nothing selected).
    void itemSelected(const nuvex3::gatt::ItemRecord* record);

private:
    nuvex3::gatt::TableWalk& walk_;
    GattTreeModel* model_ = nullptr;
    QTreeView* tree_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* get_ = nullptr;
    QPushButton* update_ = nullptr;
    QPushButton* verify_ = nullptr;
    QPushButton* collapse_ = nullptr;
    QPointer<QMenu> menu_; // the open context menu; it deletes itself when it closes
    bool collapsed_ = false;
    QString directory_; // where the file dialogs open: the folder chosen last
};
