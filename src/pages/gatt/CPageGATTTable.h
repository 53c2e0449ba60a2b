#pragma once

#include "framework/CPageBase.h"

// The "Remote GATT Table" page. Its controls come with the work that builds this feature.
class CPageGATTTable : public CPageBase {
    Q_OBJECT
public:
    explicit CPageGATTTable(QWidget* parent = nullptr);
};
