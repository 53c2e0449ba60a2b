#include "pages/maintenance/CPageAirPatch.h"

CPageAirPatch::CPageAirPatch(QWidget* parent) : CPageBase(QStringLiteral("Air Patch"), parent) {}
