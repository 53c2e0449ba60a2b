#pragma once

#include "framework/CPageBase.h"

// The "MESH" page. Its controls come with the work that builds this feature.
class CPageMeshEvent : public CPageBase {
    Q_OBJECT
public:
    explicit CPageMeshEvent(QWidget* parent = nullptr);
};
