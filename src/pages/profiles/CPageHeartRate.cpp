#include "pages/profiles/CPageHeartRate.h"

CPageHeartRate::CPageHeartRate(QWidget* parent)
    : CProfilePage(QStringLiteral("Heart Rate"), parent) {}
