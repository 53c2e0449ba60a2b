#include "sim/PtySimulator.h"

#include "link/Clock.h"
#include "sim/VirtualModule.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace nuvex3::sim {

namespace {

using TimePoint = Clock::time_point;
using Duration = Clock::duration;

constexpr std::size_t kMaxBacklog = 1 << 20; // bytes waiting for the tool to read
constexpr std::size_t kMaxLogLines = 10000;  // the log kept for log(): the latest lines
constexpr int kManualClockPollMs = 2;        // re-read a test clock this often
// A Command Complete is watched for this long before it is due instead of slept for.
constexpr auto kAnswerWatch = std::chrono::microseconds(60);
constexpr std::size_t kOpcodeAt = 3; // 0xAA, length (2), event opcode
constexpr std::uint8_t kCommandCompleteEvent = 0x80;

bool makeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

void setFlags(int fd) {
    fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | FD_CLOEXEC);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

} // namespace

struct PtySimulator::Impl {
    Scenario scenario;
    SimOptions options;
    int master = -1;
    int slave = -1; // held open so the line does not hang up while the tool reopens it
    std::array<int, 2> wakePipe{-1, -1};
    std::string path;
    std::thread thread;
    std::atomic<bool> stopping{false};
    std::atomic<bool> running{false};

    mutable std::mutex receivedMutex;
    mutable std::condition_variable receivedCv;
    std::uint64_t received = 0;

    mutable std::mutex logMutex;
    std::vector<std::string> logLines;

    Impl(Scenario s, SimOptions o) : scenario(std::move(s)), options(o) {}
    void countReceived(std::size_t n) {
        std::lock_guard g(receivedMutex);
        received += n;
        receivedCv.notify_all();
    }
    void serve();
    void closeAll();
};

namespace {

// The serving loop's state: what waits to go out and to come in, and the line's timing.
class Server {
public:
    Server(int& master, int wakeFd, const Scenario& scenario, const SimOptions& options,
           std::function<void(std::size_t)> onRead)
        : master_(master), wakeFd_(wakeFd), onRead_(std::move(onRead)), log_(options.log),
          module_(scenario), faults_(options.faults),
          byteTime_(options.baud > 0
                        ? Duration(std::chrono::nanoseconds(10'000'000'000LL / options.baud))
                        : Duration::zero()),
          byteGap_(options.faults.byteGap), closeAfter_(options.faults.closeAfterBytes) {}

    void run(const std::atomic<bool>& stopping);

private:
    struct Chunk {
        Bytes bytes;
        TimePoint notBefore;
        std::size_t offset = 0;
    };

    void collectOutput(TimePoint now);
    void deliverInput(TimePoint now);
    void readInput(TimePoint now);
    // Writes what is due; returns the time the next write is due, if one waits for time.
    std::optional<TimePoint> writeDue(TimePoint now);
    // How long to wait for the terminal before the next timed action; nothing: no limit.
    // Paced lines need sub-millisecond waits (a byte takes 10.85 us at 921600 baud).
    std::optional<Duration> pollTimeout(TimePoint now, std::optional<TimePoint> nextWrite) const;

    int& master_; // closed here when the line is made to fail
    int wakeFd_;
    std::function<void(std::size_t)> onRead_;
    std::function<void(const std::string&)> log_;
    VirtualModule module_;
    WireFaults faults_;
    Duration byteTime_;
    Millis byteGap_;
    long long closeAfter_;

    std::deque<Chunk> out_;
    std::size_t backlog_ = 0;
    TimePoint lastNotBefore_{};
    TimePoint lineFree_{};
    long long written_ = 0;
    bool writeBlocked_ = false;
    bool answerNext_ = false; // the next timed write is a Command Complete
    bool lineOpen_ = true;

    std::deque<std::pair<TimePoint, Bytes>> in_; // paced input: when it has fully arrived
    TimePoint inputFree_{};
};

void Server::run(const std::atomic<bool>& stopping) {
#ifdef __linux__
    // A paced line waits fractions of a millisecond: without this the kernel may end each
    // wait up to 50 us late, several times a line time at 921600 baud.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
    const bool manualClock = dynamic_cast<SystemClock*>(&clock()) == nullptr;
    TimePoint now = clock().now();
    lastNotBefore_ = lineFree_ = inputFree_ = now;
    module_.powerOn(now);
    while (!stopping.load()) {
        now = clock().now();
        deliverInput(now);
        module_.advance(now);
        collectOutput(now);
        const auto nextWrite = lineOpen_ ? writeDue(now) : std::nullopt;
        std::optional<Duration> timeout = pollTimeout(now, nextWrite);
        if (!manualClock && nextWrite && answerNext_ && timeout) {
            // The host waits for this answer. A sleeping thread wakes tens of microseconds
            // late here (a good part of a short exchange at 921600 baud): sleep until
            // shortly before it is due, then watch the clock and the terminal.
            const TimePoint watchFrom = *nextWrite - kAnswerWatch;
            timeout = now >= watchFrom ? Duration::zero() : std::min(*timeout, watchFrom - now);
        }
        if (manualClock && (!timeout || *timeout > std::chrono::milliseconds(kManualClockPollMs)))
            timeout = std::chrono::milliseconds(kManualClockPollMs);
        timespec wait{};
        if (timeout) {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(*timeout).count();
            wait.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            wait.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        }

        std::array<pollfd, 2> fds{pollfd{wakeFd_, POLLIN, 0}, pollfd{-1, 0, 0}};
        if (lineOpen_)
            fds[1] = {master_, static_cast<short>(POLLIN | (writeBlocked_ ? POLLOUT : 0)), 0};
        if (::ppoll(fds.data(), fds.size(), timeout ? &wait : nullptr, nullptr) < 0 &&
            errno != EINTR)
            break;
        if (fds[0].revents & POLLIN) {
            std::array<char, 64> drain{};
            while (::read(wakeFd_, drain.data(), drain.size()) > 0) {
            }
        }
        if (lineOpen_ && (fds[1].revents & POLLIN))
            readInput(clock().now());
    }
}

void Server::collectOutput(TimePoint now) {
    for (const std::string& line : module_.takeLog())
        if (log_)
            log_(line);
    for (Bytes& packet : module_.takeOutput()) {
        auto o = faults_.outbound(std::move(packet));
        if (!o)
            continue;
        if (backlog_ + o->bytes.size() > kMaxBacklog)
            continue; // nobody reads the line: drop like a full transmit buffer
        const TimePoint notBefore = std::max(now + o->delay, lastNotBefore_);
        lastNotBefore_ = notBefore;
        backlog_ += o->bytes.size();
        out_.push_back({std::move(o->bytes), notBefore});
    }
}

void Server::deliverInput(TimePoint now) {
    while (!in_.empty() && in_.front().first <= now) {
        module_.receive(in_.front().second, in_.front().first);
        collectOutput(in_.front().first);
        in_.pop_front();
    }
}

void Server::readInput(TimePoint now) {
    std::array<std::uint8_t, 4096> buf{};
    for (;;) {
        const ssize_t n = ::read(master_, buf.data(), buf.size());
        if (n <= 0) {
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != EIO)
                lineOpen_ = false;
            return;
        }
        onRead_(static_cast<std::size_t>(n));
        Bytes bytes = faults_.inbound(std::span(buf.data(), static_cast<std::size_t>(n)));
        if (byteTime_ == Duration::zero()) {
            // Answers are stamped with the time their command arrived.
            module_.receive(bytes, now);
            collectOutput(now);
            continue;
        }
        inputFree_ = std::max(inputFree_, now) + byteTime_ * static_cast<long>(n);
        const std::optional<TimePoint> due = module_.nextDue();
        if (in_.empty() && (!due || *due > inputFree_)) {
            // Nothing the module does before these bytes have fully arrived: it takes them
            // now, as of their arrival, and its answers are due one line time after that
            // (one timed wait for an answer instead of two).
            module_.receive(bytes, inputFree_);
            collectOutput(inputFree_);
            continue;
        }
        in_.emplace_back(inputFree_, std::move(bytes));
    }
}

std::optional<TimePoint> Server::writeDue(TimePoint now) {
    writeBlocked_ = false;
    while (!out_.empty()) {
        Chunk& c = out_.front();
        std::size_t n = byteGap_.count() > 0 ? 1 : c.bytes.size() - c.offset;
        const TimePoint ready = std::max(c.notBefore, lineFree_) + byteTime_ * static_cast<long>(n);
        if (now < ready) {
            answerNext_ = c.offset == 0 && c.bytes.size() > kOpcodeAt &&
                          c.bytes[kOpcodeAt] == kCommandCompleteEvent;
            return ready;
        }
        bool closeNow = false;
        if (closeAfter_ >= 0 && written_ + static_cast<long long>(n) >= closeAfter_) {
            n = static_cast<std::size_t>(closeAfter_ - written_);
            closeNow = true;
        }
        const ssize_t w = n > 0 ? ::write(master_, c.bytes.data() + c.offset, n) : 0;
        if (w < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                writeBlocked_ = true;
            else if (errno != EINTR)
                lineOpen_ = false;
            return std::nullopt;
        }
        c.offset += static_cast<std::size_t>(w);
        written_ += w;
        backlog_ -= static_cast<std::size_t>(w);
        lineFree_ = byteGap_.count() > 0 ? std::max(ready, now) + byteGap_ : ready;
        if (closeNow && written_ >= closeAfter_) {
            // The line goes down in the middle of a packet.
            ::close(master_);
            master_ = -1;
            lineOpen_ = false;
            out_.clear();
            return std::nullopt;
        }
        if (c.offset == c.bytes.size())
            out_.pop_front();
    }
    return std::nullopt;
}

std::optional<Duration> Server::pollTimeout(TimePoint now,
                                            std::optional<TimePoint> nextWrite) const {
    std::optional<TimePoint> deadline = module_.nextDue();
    auto earliest = [&](std::optional<TimePoint> t) {
        if (t && (!deadline || *t < *deadline))
            deadline = t;
    };
    earliest(nextWrite);
    if (!in_.empty())
        earliest(in_.front().first);
    if (!deadline)
        return std::nullopt;
    if (*deadline <= now)
        return Duration::zero();
    return std::min<Duration>(*deadline - now, std::chrono::seconds(60));
}

} // namespace

void PtySimulator::Impl::serve() {
    SimOptions o = options;
    o.log = [this](const std::string& line) {
        {
            std::lock_guard g(logMutex);
            if (logLines.size() >= kMaxLogLines)
                logLines.erase(logLines.begin(), logLines.begin() + kMaxLogLines / 2);
            logLines.push_back(line);
        }
        if (options.log)
            options.log(line);
    };
    Server server(master, wakePipe[0], scenario, o, [this](std::size_t n) { countReceived(n); });
    server.run(stopping);
}

void PtySimulator::Impl::closeAll() {
    for (int* fd : {&master, &slave, &wakePipe[0], &wakePipe[1]})
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
}

PtySimulator::PtySimulator(Scenario scenario, SimOptions options)
    : d(std::make_unique<Impl>(std::move(scenario), options)) {}

PtySimulator::~PtySimulator() {
    stop();
    d->closeAll();
}

bool PtySimulator::start(QString* error) {
    if (d->thread.joinable())
        return true;
    auto fail = [&](const QString& what) {
        if (error)
            *error = QString("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
        d->closeAll();
        return false;
    };
    // A restart after stop() serves a freshly powered module on the same terminal.
    if (d->master < 0) {
        d->closeAll();
        std::array<char, 256> name{};
        if (::openpty(&d->master, &d->slave, name.data(), nullptr, nullptr) != 0)
            return fail("cannot open a pseudo-terminal");
        if (!makeRaw(d->slave) || !makeRaw(d->master))
            return fail("cannot set the pseudo-terminal to raw mode");
        setFlags(d->master);
        setFlags(d->slave);
        if (::pipe2(d->wakePipe.data(), O_CLOEXEC | O_NONBLOCK) != 0)
            return fail("cannot create a wake-up pipe");
        d->path = name.data();
    }
    char drain[64];
    while (::read(d->wakePipe[0], drain, sizeof drain) > 0) {
    }
    d->stopping = false;
    d->running = true;
    d->thread = std::thread([impl = d.get()] {
        impl->serve();
        impl->running = false;
    });
    return true;
}

std::string PtySimulator::slavePath() const {
    return d->path;
}

void PtySimulator::stop() {
    if (!d->thread.joinable())
        return;
    d->stopping = true;
    const char x = 'x';
    [[maybe_unused]] const auto n = ::write(d->wakePipe[1], &x, 1);
    d->thread.join();
}

bool PtySimulator::running() const {
    return d->running;
}

std::uint64_t PtySimulator::bytesReceived() const {
    std::lock_guard g(d->receivedMutex);
    return d->received;
}

bool PtySimulator::waitBytesReceived(std::uint64_t n, std::chrono::milliseconds bound) const {
    std::unique_lock l(d->receivedMutex);
    return d->receivedCv.wait_for(l, bound, [&] { return d->received >= n; });
}

std::vector<std::string> PtySimulator::log() const {
    std::lock_guard g(d->logMutex);
    return d->logLines;
}

} // namespace nuvex3::sim
