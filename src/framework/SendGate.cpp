#include "framework/SendGate.h"

namespace nuvex3 {

bool SendGate::send(Clock::duration timeout, const Send& send, std::stop_token stop) {
    CKelvra_CmdSet_Layer* layer = nullptr;
    {
        std::stop_callback wake(stop, [this] {
            std::lock_guard g(m_);
            cv_.notify_all();
        });
        std::unique_lock lock(m_);
        const bool got =
            clock().waitFor(lock, cv_, timeout, [&] { return stop.stop_requested() || !held_; });
        if (!got || stop.stop_requested() || held_ || !layer_)
            return false;
        held_ = true;
        layer = layer_;
    }
    send(*layer);
    std::lock_guard g(m_);
    held_ = false;
    cv_.notify_all();
    return true;
}

void SendGate::setLayer(CKelvra_CmdSet_Layer* layer) {
    std::unique_lock lock(m_);
    cv_.wait(lock, [&] { return !held_; });
    layer_ = layer;
}

CKelvra_CmdSet_Layer* SendGate::layer() const {
    std::lock_guard g(m_);
    return layer_;
}

} // namespace nuvex3
