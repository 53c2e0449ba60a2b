#pragma once

#include "framework/CPageBase.h"

// The "GATT Client" page. Its controls come with the work that builds this feature.
class CPageGATTClient : public CPageBase {
    Q_OBJECT
public:
    explicit CPageGATTClient(QWidget* parent = nullptr);
};
