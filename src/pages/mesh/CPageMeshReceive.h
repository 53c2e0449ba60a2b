#pragma once

#include "framework/CPageBase.h"

// The "MESH - Receive" page. Its controls come with the work that builds this feature.
class CPageMeshReceive : public CPageBase {
    Q_OBJECT
public:
    explicit CPageMeshReceive(QWidget* parent = nullptr);
};
