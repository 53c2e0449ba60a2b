#pragma once

#include "framework/CPageBase.h"

// The "Local GATT Table" page. Its controls come with the work that builds this feature.
class CPageGATTServerTable : public CPageBase {
    Q_OBJECT
public:
    explicit CPageGATTServerTable(QWidget* parent = nullptr);
};
