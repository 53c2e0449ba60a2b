#include "pages/profiles/CPageBloodPressure.h"

CPageBloodPressure::CPageBloodPressure(QWidget* parent)
    : CPageBase(QStringLiteral("Blood Pressure"), parent) {}
