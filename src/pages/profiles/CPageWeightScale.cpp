#include "pages/profiles/CPageWeightScale.h"

CPageWeightScale::CPageWeightScale(QWidget* parent)
    : CProfilePage(QStringLiteral("Weight Scale"), parent) {}
