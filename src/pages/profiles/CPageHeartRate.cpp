#include "pages/profiles/CPageHeartRate.h"

CPageHeartRate::CPageHeartRate(QWidget* parent) : CPageBase(QStringLiteral("Heart Rate"), parent) {}
