#include "pages/security/CPageLESC.h"

CPageLESC::CPageLESC(QWidget* parent) : CPageBase(QStringLiteral("LESC"), parent) {}
