#pragma once

#include "app/core/CPageBase.h"

// The "GAP" page. Its controls come with the work that builds this feature.
class CPageGAP : public CPageBase {
    Q_OBJECT
public:
    explicit CPageGAP(QWidget* parent = nullptr);
};
