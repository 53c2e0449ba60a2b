#include "MaintenanceTestSupport.h"

#include "app/PacketLog.h"
#include "link/Packet.h"
#include "ui/ValueEntry.h"

#include <QTabWidget>
#include <QTest>

#include <stdexcept>

namespace nuvex3::test {

ModuleOnPty::ModuleOnPty() {
    h.connectTo(QString::fromStdString(pty.slavePath()));
    if (!h.dialog().connected())
        throw std::runtime_error("the window did not open the pty");
}

void ModuleOnPty::show(QWidget* page) {
    const int tab = h.ui().sheet->indexOf(page);
    QWidget* shown = tab >= 0 ? static_cast<QWidget*>(&h.dialog()) : page;
    if (tab >= 0)
        h.ui().sheet->setCurrentIndex(tab);
    shown->show();
    if (!QTest::qWaitForWindowExposed(shown))
        throw std::runtime_error("the window was not shown");
}

std::string ModuleOnPty::nextCommand(bool answer) {
    Bytes packet = pty.read(3);
    if (packet.size() < 3)
        return toHexText(packet);
    const std::size_t length = (static_cast<std::size_t>(packet[1]) << 8) | packet[2];
    const Bytes rest = pty.read(length + 1);
    packet.insert(packet.end(), rest.begin(), rest.end());
    if (answer && rest.size() == length + 1 && length >= 1)
        complete(rest[0]);
    return toHexText(packet);
}

bool ModuleOnPty::silent() {
    return pty.drain(std::chrono::milliseconds(100)).empty();
}

void ModuleOnPty::event(std::uint8_t code, const Bytes& params) {
    pty.write(framePacket(code, params));
    const Bytes sync = framePacket(0xEE, Bytes{++sync_});
    pty.write(sync);
    const QString line = QStringLiteral("--> ") +
                         QString::fromStdString(bytesToHex(sync.data() + 1, sync.size() - 2));
    if (!h.waitForLine(line))
        throw std::runtime_error("the window did not route the event");
}

void ModuleOnPty::complete(std::uint8_t opcode, const Bytes& data) {
    Bytes params{opcode, 0x00};
    params.insert(params.end(), data.begin(), data.end());
    event(0x80, params);
}

} // namespace nuvex3::test
