#include "pages/gatt/CPageGATTServer.h"

CPageGATTServer::CPageGATTServer(QWidget* parent)
    : CPageBase(QStringLiteral("GATT Server"), parent) {}
