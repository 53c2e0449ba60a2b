#include "pages/mesh/CPageMeshEvent.h"

CPageMeshEvent::CPageMeshEvent(QWidget* parent) : CPageBase(QStringLiteral("MESH"), parent) {}
