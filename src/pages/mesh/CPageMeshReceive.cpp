#include "pages/mesh/CPageMeshReceive.h"

#include "pages/mesh/MeshRows.h"

CPageMeshReceive::CPageMeshReceive(QWidget* parent)
    : CNamedValuesPage(QStringLiteral("MESH - Receive"), meshPacketRows(), kMeshNameColumnWidth,
                       QStringLiteral("received mesh packet values"), parent) {}
