#pragma once

#include "framework/CPageBase.h"

// The "MESH - Transmit" page. Its controls come with the work that builds this feature.
class CPageMeshTransmit : public CPageBase {
    Q_OBJECT
public:
    explicit CPageMeshTransmit(QWidget* parent = nullptr);
};
