#include "pages/mesh/CPageMeshReceive.h"

CPageMeshReceive::CPageMeshReceive(QWidget* parent)
    : CPageBase(QStringLiteral("MESH - Receive"), parent) {}
