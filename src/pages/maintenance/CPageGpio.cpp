#include "pages/maintenance/CPageGpio.h"

CPageGpio::CPageGpio(QWidget* parent) : CPageBase(QStringLiteral("DIO"), parent) {}
