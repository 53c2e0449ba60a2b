#pragma once
// The "COM Port" list: the serial ports of the system, then every port given on the
// command line, then the simulated module. The list is read again each time the
// drop-down opens; the selection stays on the same text when it is still listed.

#include <QComboBox>
#include <QStringList>

#include <functional>

namespace nuvex3 {

inline const QString kSimulatedPort = QStringLiteral("Simulated module");

// Where the serial ports come from (the system by default; tests inject a list).
using PortSource = std::function<QStringList()>;

// The device paths of the serial ports present, sorted.
QStringList systemSerialPorts();

// System ports, then the extra ports not already listed, then the simulated module.
QStringList portListEntries(const QStringList& system, const QStringList& extra);

// A legacy serial port (/dev/ttyS0 ...) that Linux lists on every PC whether or not a
// UART is behind it; USB (ttyUSB, ttyACM) and other ports have a device behind them.
bool isLegacyPlaceholderPort(const QString& path);

// The entry selected when no earlier choice decides: the first one that is not a legacy
// placeholder, which is "Simulated module" when the system has only placeholders.
int preferredPortIndex(const QStringList& entries);

// Replaces the entries of `combo`, then selects the entry whose text equals the text
// selected before, or the preferred entry when it is gone.
void refreshPortCombo(QComboBox* combo, const QStringList& entries);

// A combo box that tells when its drop-down is about to open.
class PortComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;

signals:
    void aboutToShowPopup();
};

} // namespace nuvex3
