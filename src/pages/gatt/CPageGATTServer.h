#pragma once

#include "framework/CPageBase.h"

// The "GATT Server" page. Its controls come with the work that builds this feature.
class CPageGATTServer : public CPageBase {
    Q_OBJECT
public:
    explicit CPageGATTServer(QWidget* parent = nullptr);
};
