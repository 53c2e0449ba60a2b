#include "pages/profiles/CPageHealthThermometer.h"

CPageHealthThermometer::CPageHealthThermometer(QWidget* parent)
    : CProfilePage(QStringLiteral("Health Thermometer"), parent) {}
