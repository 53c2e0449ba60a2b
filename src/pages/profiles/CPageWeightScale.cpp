#include "pages/profiles/CPageWeightScale.h"

CPageWeightScale::CPageWeightScale(QWidget* parent)
    : CPageBase(QStringLiteral("Weight Scale"), parent) {}
