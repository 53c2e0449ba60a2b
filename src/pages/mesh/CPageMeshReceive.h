#pragma once
// The "MESH - Receive" page: the keys, nonces and parts of a received mesh network packet,
// for the values (no module event fills it yet); "Clear" empties every value.

#include "pages/common/CNamedValuesPage.h"

class CPageMeshReceive : public CNamedValuesPage {
    Q_OBJECT
public:
    explicit CPageMeshReceive(QWidget* parent = nullptr);
};
