#pragma once
// The transparent page inside the real main window, connected to a pseudo-terminal whose
// other side the test plays as the module: it reads every command packet the tool writes,
// answers it, and sends links, data and credit notifications.

#include "AppTestSupport.h"
#include "PtyPair.h"

#include "app/PageSet.h"
#include "link/Packet.h"

#include <QAbstractButton>
#include <QString>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace nuvex3::test {

using Bytes = std::vector<std::uint8_t>;

// "AA 00 05 3F 01 ..." for an opcode and parameters.
QString wireText(const Bytes& packet);
// The packet of Send Transparent Data for a link and data.
Bytes sendDataPacket(std::uint8_t handle, const QByteArray& data);

class TransparentOnWire : public ::testing::Test {
protected:
    void SetUp() override;

    CPageTransparent& page() { return h.dialog().pages().transparent; }
    const CPageTransparent::Controls& ui() { return page().controls(); }

    // Sends an event as the module and waits until the window has routed it.
    void event(std::uint8_t code, const Bytes& params);
    void linkUp(std::uint8_t handle);
    void linkDown(std::uint8_t handle);
    void received(std::uint8_t handle, const QByteArray& data);
    // A credit notification on attribute handle 0x0057.
    void credit(std::uint8_t handle, std::uint16_t packetSize, std::uint8_t credits);
    // Command Complete for an opcode.
    void answer(std::uint8_t opcode, std::uint8_t status = 0x00);

    // The next command packet the tool writes (the Qt events go on meanwhile).
    std::optional<Bytes> nextPacket();
    // The data of the next Send Transparent Data command, checked to be one for `handle`.
    QByteArray nextBlock(std::uint8_t handle);
    // The engine has nothing more to do and nothing more came on the wire.
    bool silent();

    // A file in the test directory.
    QString file(const QString& name, const QByteArray& bytes);
    void loadFile(const QString& path);
    void select(std::uint8_t handle);
    void type(QLineEdit* edit, const QString& text);
    void click(QAbstractButton* button);
    QString viewText();

    PtyPair pty;
    MainWindowHarness h;

private:
    Bytes pending_;
    std::uint8_t sync_ = 0;
};

// The same on the test clock (which outlives the window).
class TransparentOnWireTimed : public InstalledClock, public TransparentOnWire {};

} // namespace nuvex3::test
