#include "pages/common/ListViews.h"

#include <QHeaderView>
#include <QTableView>

QTableView* makeListView(QAbstractItemModel* model, const std::vector<int>& widthsInDialogUnits,
                         const QString& accessibleName, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setModel(model);
    view->setAccessibleName(accessibleName);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setShowGrid(true);
    view->setWordWrap(false);
    view->verticalHeader()->setVisible(false);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setStretchLastSection(false);
    const int charWidth = view->fontMetrics().averageCharWidth();
    for (std::size_t c = 0; c < widthsInDialogUnits.size(); ++c)
        view->setColumnWidth(static_cast<int>(c), widthsInDialogUnits[c] * charWidth / 4);
    return view;
}
