#pragma once

#include "app/core/CPageBase.h"

// The "ADV / SR Data" page. Its controls come with the work that builds this feature.
class CPageAdvEditor : public CPageBase {
    Q_OBJECT
public:
    explicit CPageAdvEditor(QWidget* parent = nullptr);
};
