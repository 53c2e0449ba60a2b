#pragma once

#include "framework/CPageBase.h"

// The "Common" page. Its controls come with the work that builds this feature.
class CPageCommon : public CPageBase {
    Q_OBJECT
public:
    explicit CPageCommon(QWidget* parent = nullptr);
};
