#pragma once
// The "LESC" page: a read-only table naming the inputs and outputs of the LE Secure
// Connections functions f4, f5, f6, g2 and h6, with a column for their values. No module
// event carries these values yet, so the values stay empty; "Clear" resets the table.

#include "pages/common/CNamedValuesPage.h"

class CPageLESC : public CNamedValuesPage {
    Q_OBJECT
public:
    explicit CPageLESC(QWidget* parent = nullptr);

    // The 28 row labels, in table order.
    static const QStringList& rowLabels();
};
