#include "pages/gatt/CPageGATTClient.h"

CPageGATTClient::CPageGATTClient(QWidget* parent)
    : CPageBase(QStringLiteral("GATT Client"), parent) {}
