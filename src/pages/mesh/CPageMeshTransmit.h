#pragma once
// The "MESH - Transmit" page: the keys, nonces and parts of a transmitted mesh network packet,
// for the values (no module event fills it yet); "Clear" empties every value.

#include "pages/common/CNamedValuesPage.h"

class CPageMeshTransmit : public CNamedValuesPage {
    Q_OBJECT
public:
    explicit CPageMeshTransmit(QWidget* parent = nullptr);
};
