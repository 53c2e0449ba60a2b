#include "pages/security/CPageSMP.h"

CPageSMP::CPageSMP(QWidget* parent) : CPageBase(QStringLiteral("SMP"), parent) {}
