#include "pages/gap/CPageGAP.h"

CPageGAP::CPageGAP(QWidget* parent) : CPageBase(QStringLiteral("GAP"), parent) {}
