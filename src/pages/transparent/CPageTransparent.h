#pragma once

#include "app/core/CPageBase.h"

// The "Transparent" page. Its controls come with the work that builds this feature.
class CPageTransparent : public CPageBase {
    Q_OBJECT
public:
    explicit CPageTransparent(QWidget* parent = nullptr);
};
