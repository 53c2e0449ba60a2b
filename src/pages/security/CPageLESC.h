#pragma once

#include "framework/CPageBase.h"

// The "LESC" page. Its controls come with the work that builds this feature.
class CPageLESC : public CPageBase {
    Q_OBJECT
public:
    explicit CPageLESC(QWidget* parent = nullptr);
};
