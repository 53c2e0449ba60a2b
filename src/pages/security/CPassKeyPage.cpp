#include "pages/security/CPassKeyPage.h"

CPassKeyPage::CPassKeyPage(QWidget* parent) : CPageBase(QStringLiteral("Pass Key Page"), parent) {}
