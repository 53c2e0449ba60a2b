#include "pages/gatt/CPageGATTServerTable.h"

CPageGATTServerTable::CPageGATTServerTable(QWidget* parent)
    : CPageBase(QStringLiteral("Local GATT Table"), parent) {}
