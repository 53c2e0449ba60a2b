#include "pages/security/CPageLESC.h"

CPageLESC::CPageLESC(QWidget* parent)
    : CNamedValuesPage(QStringLiteral("LESC"), rowLabels(), 100,
                       QStringLiteral("LE Secure Connections values"), parent) {}

const QStringList& CPageLESC::rowLabels() {
    static const QStringList labels = {
        QStringLiteral("f4-PKax"),  QStringLiteral("f4-PKbx"),   QStringLiteral("f4-Na"),
        QStringLiteral("f4-Nb"),    QStringLiteral("f4-rai"),    QStringLiteral("f4-rbi"),
        QStringLiteral("f4-Ca"),    QStringLiteral("f4-Cb"),     QStringLiteral("f5-DHKey"),
        QStringLiteral("f5-LTK"),   QStringLiteral("f5-MAC"),    QStringLiteral("f6-MACKey"),
        QStringLiteral("f6-Na"),    QStringLiteral("f6-Nb"),     QStringLiteral("f6-ra"),
        QStringLiteral("f6-rb"),    QStringLiteral("f6-IOcapA"), QStringLiteral("f6-IOcapB"),
        QStringLiteral("f6-A"),     QStringLiteral("f6-B"),      QStringLiteral("F6-Ea"),
        QStringLiteral("F6-Eb"),    QStringLiteral("g2-PKax"),   QStringLiteral("g2-PKbx"),
        QStringLiteral("g2-Na"),    QStringLiteral("g2-Nb"),     QStringLiteral("g2-Output"),
        QStringLiteral("h6-BRLTK"),
    };
    return labels;
}
