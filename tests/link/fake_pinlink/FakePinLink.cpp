// A stand-in for the bridge chip's library: records every call, and for pin changes the
// time and how many bytes were waiting on a watched descriptor (the pty master), so tests
// can check the pin sequence around each written packet.

#include <poll.h>
#include <sys/ioctl.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct State {
    std::mutex m;
    std::string log;
    std::vector<long long> pinTimes;
    std::vector<int> pinPending;
    int connected = 1;
    int configureOk = 1;
    int ioOk = 1;
    int watchFd = -1;
};

State& state() {
    static State s;
    return s;
}

void record(const std::string& line) {
    std::lock_guard g(state().m);
    state().log += line + "\n";
}

void recordPin(const char* what, unsigned pin) {
    const long long now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count();
    int pending = -1;
    if (state().watchFd >= 0) {
        // A pseudo-terminal hands written bytes to the other side a moment later: when
        // the pin goes high, give them a bounded moment to show up.
        if (std::strcmp(what, "SetPin") == 0) {
            pollfd p{state().watchFd, POLLIN, 0};
            ::poll(&p, 1, 200);
        }
        ::ioctl(state().watchFd, FIONREAD, &pending);
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s %u", what, pin);
    std::lock_guard g(state().m);
    state().log += std::string(buf) + "\n";
    state().pinTimes.push_back(now);
    state().pinPending.push_back(pending);
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int InitVK5310(std::uint16_t vendor, std::uint16_t product) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "InitVK5310 %04X %04X", vendor, product);
    record(buf);
    return 1;
}

__attribute__((visibility("default"))) int IsConnected() {
    record("IsConnected");
    return state().connected;
}

__attribute__((visibility("default"))) int ConfigureVK5310(std::uint8_t mode, std::uint32_t baud,
                                                           std::uint8_t a, std::uint8_t b,
                                                           std::uint8_t flow) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "ConfigureVK5310 %02X %u %u %u %u", mode, baud, a, b, flow);
    record(buf);
    return state().configureOk;
}

__attribute__((visibility("default"))) int SetPin(std::uint8_t pin) {
    recordPin("SetPin", pin);
    return 1;
}

__attribute__((visibility("default"))) int ClearPin(std::uint8_t pin) {
    recordPin("ClearPin", pin);
    return 1;
}

__attribute__((visibility("default"))) int ReadPin(std::uint8_t) {
    return 0;
}

__attribute__((visibility("default"))) int ConfigureIoDefaultOutput(std::uint8_t dir,
                                                                    std::uint8_t level) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "ConfigureIoDefaultOutput %02X %02X", dir, level);
    record(buf);
    return state().ioOk;
}

__attribute__((visibility("default"))) int ReadPort(std::uint8_t* value) {
    if (value)
        *value = 0;
    return 1;
}

__attribute__((visibility("default"))) int fnHardwareFlowControl(std::uint8_t) {
    return 1;
}

// ---- test controls ----

__attribute__((visibility("default"))) void FakePinLink_Reset(int connected, int configureOk,
                                                              int ioOk, int watchFd) {
    std::lock_guard g(state().m);
    state().log.clear();
    state().pinTimes.clear();
    state().pinPending.clear();
    state().connected = connected;
    state().configureOk = configureOk;
    state().ioOk = ioOk;
    state().watchFd = watchFd;
}

// Copies the call log (one call per line) into buf; returns its full length.
__attribute__((visibility("default"))) int FakePinLink_Log(char* buf, int size) {
    std::lock_guard g(state().m);
    if (buf && size > 0) {
        const auto n =
            std::min<std::size_t>(state().log.size(), static_cast<std::size_t>(size - 1));
        std::memcpy(buf, state().log.data(), n);
        buf[n] = 0;
    }
    return static_cast<int>(state().log.size());
}

// Pin change i: its steady-clock time in ns and the bytes waiting on the watched fd.
__attribute__((visibility("default"))) int FakePinLink_Pin(int i, long long* timeNs, int* pending) {
    std::lock_guard g(state().m);
    if (i < 0 || static_cast<std::size_t>(i) >= state().pinTimes.size())
        return 0;
    *timeNs = state().pinTimes[static_cast<std::size_t>(i)];
    *pending = state().pinPending[static_cast<std::size_t>(i)];
    return 1;
}

} // extern "C"
