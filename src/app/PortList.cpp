#include "app/PortList.h"

#include <QRegularExpression>
#include <QSerialPortInfo>

namespace nuvex3 {

QStringList systemSerialPorts() {
    QStringList ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports << info.systemLocation();
    ports.sort();
    return ports;
}

QStringList portListEntries(const QStringList& system, const QStringList& extra) {
    QStringList entries = system;
    for (const QString& port : extra)
        if (!port.isEmpty() && !entries.contains(port) && port != kSimulatedPort)
            entries << port;
    entries << kSimulatedPort;
    return entries;
}

bool isLegacyPlaceholderPort(const QString& path) {
    static const QRegularExpression legacy(QStringLiteral("^/dev/ttyS[0-9]+$"));
    return legacy.match(path).hasMatch();
}

int preferredPortIndex(const QStringList& entries) {
    for (int i = 0; i < entries.size(); ++i)
        if (!isLegacyPlaceholderPort(entries[i]))
            return i;
    return 0;
}

void refreshPortCombo(QComboBox* combo, const QStringList& entries) {
    const QString previous = combo->currentText();
    combo->clear();
    combo->addItems(entries);
    const int index = combo->findText(previous, Qt::MatchExactly | Qt::MatchCaseSensitive);
    combo->setCurrentIndex(index >= 0 ? index : preferredPortIndex(entries));
}

void PortComboBox::showPopup() {
    emit aboutToShowPopup();
    QComboBox::showPopup();
}

} // namespace nuvex3
