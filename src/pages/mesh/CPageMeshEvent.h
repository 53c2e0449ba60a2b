#pragma once
// The "MESH" page: the values of a mesh provisioning, one row per stage, with a column left
// for the values (no module event fills it yet); "Clear" empties every value.

#include "pages/common/CNamedValuesPage.h"

class CPageMeshEvent : public CNamedValuesPage {
    Q_OBJECT
public:
    explicit CPageMeshEvent(QWidget* parent = nullptr);
};
