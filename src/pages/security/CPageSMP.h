#pragma once

#include "framework/CPageBase.h"

// The "SMP" page. Its controls come with the work that builds this feature.
class CPageSMP : public CPageBase {
    Q_OBJECT
public:
    explicit CPageSMP(QWidget* parent = nullptr);
};
