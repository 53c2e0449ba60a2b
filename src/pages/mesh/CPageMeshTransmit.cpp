#include "pages/mesh/CPageMeshTransmit.h"

CPageMeshTransmit::CPageMeshTransmit(QWidget* parent)
    : CPageBase(QStringLiteral("MESH - Transmit"), parent) {}
