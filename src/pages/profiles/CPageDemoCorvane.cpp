#include "pages/profiles/CPageDemoCorvane.h"

CPageDemoCorvane::CPageDemoCorvane(QWidget* parent)
    : CPageBase(QStringLiteral("Corvane"), parent) {}
