#include "pages/transparent/CPageTransparent.h"

CPageTransparent::CPageTransparent(QWidget* parent)
    : CPageBase(QStringLiteral("Transparent"), parent) {}
