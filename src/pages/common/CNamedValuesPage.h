#pragma once
// A page that lays out named values: a two-column list ("Event Opcode", "Value") whose
// first column names the values of one procedure and whose second is left for the values,
// with grid lines, movable columns and whole-row selection, and a "Clear" button that
// fills the rows again (every value empty).

#include "framework/CPageBase.h"

#include <QStringList>

class QPushButton;
class QStandardItemModel;
class QTableView;

class CNamedValuesPage : public CPageBase {
    Q_OBJECT
public:
    CNamedValuesPage(const QString& caption, QStringList rowNames, int nameColumnWidth,
                     const QString& accessibleName, QWidget* parent = nullptr);

    const QStringList& rowNames() const { return names_; }
    // Deletes every row, then adds the row names with empty values.
    void reset();

    // Controls, for tests.
    QStandardItemModel* model() const { return model_; }
    QTableView* view() const { return view_; }
    QPushButton* clearButton() const { return clear_; }

private:
    QStringList names_;
    QStandardItemModel* model_ = nullptr;
    QTableView* view_ = nullptr;
    QPushButton* clear_ = nullptr;
};
