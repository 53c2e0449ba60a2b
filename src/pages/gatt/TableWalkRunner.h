#pragma once
// Runs the steps of a TableWalk on a worker of its own, one at a time: each step sends the
// walk's next command through the send gate and ends; the next step is posted when the
// module acknowledges that command (the event routing calls step()). When the walk is over
// the runner reports finished() on the UI thread; a command that cannot be written stops
// the walk and reports failed() with the page's message for it.
//
// stop() (Disconnect, program exit) ends the walk, drops the steps not yet started and
// waits for a step under way: nothing is sent after it returns, and what a stopped walk
// would still have reported is dropped. A walk whose module never acknowledges simply
// waits, without holding a thread; a new start() begins again from the first link.
//
// CTableWalkPage puts the pieces together for both table pages: a TableWalk, this runner
// over it with the page's Sender and FailureText, and a GattTablePanel over the same walk;
// each page's receive() fills the walk from the discovery records and places read replies.

#include "framework/StepRunner.h"
#include "pages/gatt/TableWalk.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

namespace nuvex3 {
class CKelvra_CmdSet_Layer;
class SendGate;
} // namespace nuvex3

class TableWalkRunner : public QObject {
    Q_OBJECT
public:
    // Writes one command of the walk; false when the layer refused it.
    using Sender = std::function<bool(nuvex3::CKelvra_CmdSet_Layer& layer,
                                      const nuvex3::gatt::TableWalk::Command& command)>;
    // The message shown when a command of this kind cannot be written.
    using FailureText = std::function<QString(nuvex3::gatt::TableWalk::Op op)>;
    // The gate to send through (UI thread; nullptr: nothing can be sent).
    using GateSource = std::function<nuvex3::SendGate*()>;

    TableWalkRunner(nuvex3::gatt::TableWalk& walk, Sender sender, FailureText failureText,
                    GateSource gate, QObject* parent = nullptr);
    ~TableWalkRunner() override;

    // UI thread. Starts the walk over these links and runs its first step.
    void start(std::vector<std::uint8_t> links);
    // The command opcode of each kind of walk command (a table page's own commands).
    struct Opcodes {
        std::uint8_t services;        // TableWalk::Op::DiscoverServices
        std::uint8_t characteristics; // TableWalk::Op::DiscoverCharacteristics
        std::uint8_t read;            // TableWalk::Op::ReadCharacteristic
    };

    // UI thread. Runs the next step (the module acknowledged the walk's command, see
    // TableWalk::acknowledge()).
    void step();
    // UI thread. The module acknowledged `opcode`: when it is the walk's command under way,
    // the next step runs.
    void acknowledge(std::uint8_t opcode, const Opcodes& opcodes);
    // UI thread. Ends the walk and joins the worker; nothing is sent afterwards.
    void stop();
    // A step is queued or running.
    bool busy() const { return runner_.busy(); }

signals:
    void finished();
    void failed(const QString& message);

private:
    nuvex3::gatt::TableWalk& walk_;
    Sender sender_;
    FailureText failureText_;
    GateSource gate_;
    std::atomic<std::uint64_t> generation_{0}; // counts stops; older reports are dropped
    nuvex3::StepRunner runner_;                // last: joined before the rest goes
};
