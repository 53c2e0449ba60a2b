#include "pages/maintenance/CPageCommon.h"

CPageCommon::CPageCommon(QWidget* parent) : CPageBase(QStringLiteral("Common"), parent) {}
