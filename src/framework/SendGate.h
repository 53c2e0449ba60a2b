#pragma once
// The send gate: keeps the senders on worker threads (continuous send and the other
// runners) and the destruction of the command layer apart. A sender waits a bounded time
// for the gate and sends while holding it; the main window takes the layer away under the
// gate, waiting for a send under way to end, before it destroys the layer. Once the layer
// is taken away, nothing more is sent.

#include "link/Clock.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>

namespace nuvex3 {

class CKelvra_CmdSet_Layer;

class SendGate {
public:
    using Send = std::function<void(CKelvra_CmdSet_Layer&)>;

    // Worker threads. Waits at most `timeout` (on the clock in force) for the gate, ending
    // early when `stop` is requested; then, holding the gate, calls send with the current
    // layer. Returns false, without calling send, on time-out, on stop or when no layer is
    // installed.
    bool send(Clock::duration timeout, const Send& send, std::stop_token stop = {});

    // UI thread. Installs the layer that senders use, or takes it away with nullptr. Waits
    // until no send is under way (sends are bounded), so the old layer may be destroyed
    // as soon as this returns.
    void setLayer(CKelvra_CmdSet_Layer* layer);
    CKelvra_CmdSet_Layer* layer() const;

    static constexpr Clock::duration kWait = std::chrono::milliseconds(3000);

private:
    mutable std::mutex m_;
    std::condition_variable cv_;
    bool held_ = false;
    CKelvra_CmdSet_Layer* layer_ = nullptr;
};

} // namespace nuvex3
