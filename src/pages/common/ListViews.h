#pragma once
// The report lists of the pages as the user sees them: full-row selection, grid lines,
// compact rows without row numbers, read-only, columns as wide as given in dialog units
// (a quarter of the font's average character width each).

#include <QString>

#include <vector>

class QAbstractItemModel;
class QTableView;
class QWidget;

QTableView* makeListView(QAbstractItemModel* model, const std::vector<int>& widthsInDialogUnits,
                         const QString& accessibleName, QWidget* parent);
