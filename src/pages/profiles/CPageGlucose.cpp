#include "pages/profiles/CPageGlucose.h"

CPageGlucose::CPageGlucose(QWidget* parent) : CProfilePage(QStringLiteral("Glucose"), parent) {}
