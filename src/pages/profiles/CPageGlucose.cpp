#include "pages/profiles/CPageGlucose.h"

CPageGlucose::CPageGlucose(QWidget* parent) : CPageBase(QStringLiteral("Glucose"), parent) {}
