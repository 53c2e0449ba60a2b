#pragma once
// The "LESC" page: a read-only table naming the inputs and outputs of the LE Secure
// Connections functions f4, f5, f6, g2 and h6, with a column for their values. No module
// event carries these values yet, so the values stay empty; "Clear" resets the table.

#include "framework/CPageBase.h"

#include <QStringList>

class QPushButton;
class QStandardItemModel;
class QTableView;

class CPageLESC : public CPageBase {
    Q_OBJECT
public:
    explicit CPageLESC(QWidget* parent = nullptr);

    // The 28 row labels, in table order.
    static const QStringList& rowLabels();

    // Deletes every row, then adds the 28 labels with empty values.
    void reset();

    // Controls, for tests.
    QStandardItemModel* model() const { return model_; }
    QTableView* view() const { return view_; }
    QPushButton* clearButton() const { return clear_; }

private:
    QStandardItemModel* model_ = nullptr;
    QTableView* view_ = nullptr;
    QPushButton* clear_ = nullptr;
};
