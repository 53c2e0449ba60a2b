#pragma once
// What the GAP page tests share: a real command layer on a pseudo-terminal whose other
// side plays the module (reads each command packet, answers it with a Command Complete),
// and helpers that drive the page's widgets as a user does.

#include "PtyPair.h"
#include "RecordingPrompts.h"

#include "link/CKelvra_CmdSet_Layer.h"
#include "link/Packet.h"

#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QComboBox;
class QWidget;

namespace nuvex3::test {

// "AA 00 02 10 00 EE" for opcode + parameters.
std::string packetText(std::uint8_t opcode, const std::vector<std::uint8_t>& params);
std::string toHexText(const std::vector<std::uint8_t>& bytes);

// The layer on one side of a pty; the test reads what it writes on the other.
class WireModule {
public:
    WireModule();
    ~WireModule();

    CKelvra_CmdSet_Layer* layer() const { return layer_.get(); }

    // The next command packet the layer wrote ("AA ..."), empty when none came; the
    // command is answered with a Command Complete so the next one may leave.
    std::string nextPacket();
    // True when the layer writes nothing more within a short bounded wait.
    bool silent();
    // Writes raw bytes as the module.
    void send(const std::vector<std::uint8_t>& packet);

private:
    void onEvent(int kind);

    PtyPair pty_;
    std::unique_ptr<CKelvra_CmdSet_Layer> layer_;
    std::mutex m_;
    std::condition_variable cv_;
    std::size_t received_ = 0;
};

// Chooses an entry of a drop-down list with the mouse, as a user does (also when it is
// the entry already selected).
void choose(QComboBox* combo, int index);
// Replaces the whole text of an editable combo by typing, key by key.
void typeInto(QComboBox* combo, const QString& text);
// Moves the keyboard focus away from `from` (the focus-out a user's Tab makes).
void leaveField(QWidget* from);

} // namespace nuvex3::test
