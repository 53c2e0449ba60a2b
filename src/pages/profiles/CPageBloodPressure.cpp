#include "pages/profiles/CPageBloodPressure.h"

CPageBloodPressure::CPageBloodPressure(QWidget* parent)
    : CProfilePage(QStringLiteral("Blood Pressure"), parent) {}
