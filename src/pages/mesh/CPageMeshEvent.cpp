#include "pages/mesh/CPageMeshEvent.h"

#include "pages/mesh/MeshRows.h"

CPageMeshEvent::CPageMeshEvent(QWidget* parent)
    : CNamedValuesPage(QStringLiteral("MESH"), meshEventRows(), kMeshNameColumnWidth,
                       QStringLiteral("provisioning values"), parent) {}
