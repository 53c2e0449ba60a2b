#pragma once
// The main window connected to a pseudo-terminal whose other side the test plays as the
// module: it reads each command the window writes (byte-exact) and answers it, and feeds
// events that the window routes to the maintenance pages.

#include "AppTestSupport.h"
#include "GapTestSupport.h"
#include "PtyPair.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class QComboBox;
class QWidget;

namespace nuvex3::test {

using Bytes = std::vector<std::uint8_t>;

class ModuleOnPty {
public:
    ModuleOnPty();

    PtyPair pty;
    MainWindowHarness h;

    // Shows the window with `page` as the current tab (pages outside the sheet are shown
    // on their own).
    void show(QWidget* page);
    // The next command packet the window wrote, as packetText() shows one, or what came before the
    // bytes stopped; answered with a Command Complete of status 0 when `answer` is set.
    std::string nextCommand(bool answer = true);
    // True when the window writes nothing within a short bounded wait.
    bool silent();
    // Sends an event packet and waits until the window has routed every record of it.
    void event(std::uint8_t code, const Bytes& params);
    // A Command Complete: opcode, status 0, data.
    void complete(std::uint8_t opcode, const Bytes& data = {});

private:
    std::uint8_t sync_ = 0;
};

} // namespace nuvex3::test
