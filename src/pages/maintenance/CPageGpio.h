#pragma once

#include "framework/CPageBase.h"

// The "DIO" page. Its controls come with the work that builds this feature.
class CPageGpio : public CPageBase {
    Q_OBJECT
public:
    explicit CPageGpio(QWidget* parent = nullptr);
};
