#include "pages/mesh/CPageMeshTransmit.h"

#include "pages/mesh/MeshRows.h"

CPageMeshTransmit::CPageMeshTransmit(QWidget* parent)
    : CNamedValuesPage(QStringLiteral("MESH - Transmit"), meshPacketRows(), kMeshNameColumnWidth,
                       QStringLiteral("transmitted mesh packet values"), parent) {}
