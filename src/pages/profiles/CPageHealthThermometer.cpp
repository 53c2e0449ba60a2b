#include "pages/profiles/CPageHealthThermometer.h"

CPageHealthThermometer::CPageHealthThermometer(QWidget* parent)
    : CPageBase(QStringLiteral("Health Thermometer"), parent) {}
