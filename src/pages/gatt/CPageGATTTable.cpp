#include "pages/gatt/CPageGATTTable.h"

CPageGATTTable::CPageGATTTable(QWidget* parent)
    : CPageBase(QStringLiteral("Remote GATT Table"), parent) {}
