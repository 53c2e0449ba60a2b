#include "PtyPair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

namespace nuvex3::test {

PtyPair::PtyPair() {
    std::array<char, 256> name{};
    if (openpty(&master_, &slave_, name.data(), nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    slavePath_ = name.data();
    termios t{};
    tcgetattr(slave_, &t);
    cfmakeraw(&t);
    tcsetattr(slave_, TCSANOW, &t);
    tcgetattr(master_, &t);
    cfmakeraw(&t);
    tcsetattr(master_, TCSANOW, &t);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair() {
    closeMaster();
    if (slave_ >= 0)
        ::close(slave_);
}

void PtyPair::closeMaster() {
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

void PtyPair::write(const std::vector<std::uint8_t>& bytes) {
    std::size_t off = 0;
    while (off < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + off, bytes.size() - off);
        if (n > 0) {
            off += static_cast<std::size_t>(n);
            continue;
        }
        pollfd p{master_, POLLOUT, 0};
        if (::poll(&p, 1, 5000) <= 0)
            throw std::runtime_error("pty write stalled");
    }
}

std::vector<std::uint8_t> PtyPair::read(std::size_t n, std::chrono::milliseconds quiet) {
    std::vector<std::uint8_t> out;
    std::array<std::uint8_t, 4096> buf{};
    while (out.size() < n) {
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(quiet.count())) <= 0)
            break;
        const ssize_t got = ::read(master_, buf.data(), std::min(buf.size(), n - out.size()));
        if (got <= 0)
            break;
        out.insert(out.end(), buf.begin(), buf.begin() + got);
    }
    return out;
}

std::vector<std::uint8_t> PtyPair::drain(std::chrono::milliseconds quiet) {
    std::vector<std::uint8_t> out;
    std::array<std::uint8_t, 4096> buf{};
    for (;;) {
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(quiet.count())) <= 0)
            break;
        const ssize_t got = ::read(master_, buf.data(), buf.size());
        if (got <= 0)
            break;
        out.insert(out.end(), buf.begin(), buf.begin() + got);
    }
    return out;
}

} // namespace nuvex3::test
