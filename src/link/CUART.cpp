#include "link/CUART.h"

#include "link/Clock.h"
#include "link/Packet.h"

#include <QMetaObject>
#include <QSerialPort>
#include <QString>
#include <QThread>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <future>
#include <mutex>
#include <utility>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace nuvex3 {

namespace {

constexpr auto kWriteDoneWait = std::chrono::milliseconds(3000);
// What the port reads ahead of the I/O thread; while receiving is paused it stops there
// and the driver's buffer fills up (and then the line's flow control holds the sender).
constexpr qint64 kPortReadAhead = 64 * 1024;
constexpr std::size_t kReadChunk = 4096;

std::string formatName(const char* fmt, const std::string& name) {
    std::vector<char> buf(std::string_view(fmt).size() + name.size() + 1);
    std::snprintf(buf.data(), buf.size(), fmt, name.c_str());
    return buf.data();
}

#ifdef Q_OS_UNIX
void applyParity(termios& t, std::uint8_t parity) {
    t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
    t.c_iflag &= ~static_cast<tcflag_t>(INPCK);
    switch (parity) {
    case 1:
        t.c_cflag |= PARENB | PARODD;
        break;
    case 2:
        t.c_cflag |= PARENB;
        break;
    case 3:
        t.c_cflag |= PARENB | PARODD | CMSPAR;
        break; // mark
    case 4:
        t.c_cflag |= PARENB | CMSPAR;
        break; // space
    default:
        return;
    }
    t.c_iflag |= INPCK;
}
#else
QSerialPort::Parity toQtParity(std::uint8_t parity) {
    switch (parity) {
    case 1:
        return QSerialPort::OddParity;
    case 2:
        return QSerialPort::EvenParity;
    case 3:
        return QSerialPort::MarkParity;
    case 4:
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}
#endif

enum class OpenResult { Ok, OpenFail, GetStateFail, SetStateFail };

// Runs the event loop of the I/O thread. The serial port and the context object that
// receives queued invocations are created and destroyed on this thread.
class IoThread final : public QThread {
public:
    IoThread(std::function<void(QSerialPort&)> setup, std::function<void(QSerialPort&)> teardown,
             std::function<void()> finished)
        : setup_(std::move(setup)), teardown_(std::move(teardown)), finished_(std::move(finished)) {
    }

protected:
    void run() override {
        {
            QSerialPort port;
            setup_(port);
            exec();
            teardown_(port);
        }
        finished_(); // the very last thing this thread does with the transport
    }

private:
    std::function<void(QSerialPort&)> setup_;
    std::function<void(QSerialPort&)> teardown_;
    std::function<void()> finished_;
};

} // namespace

struct CUART::Io {
    CUART& owner;
    std::string name;
    std::uint32_t baud;
    bool flow;
    std::uint8_t parity;
    std::uint8_t stopBits;
    MessageSink messages;
    std::function<void()> lostHandler;

    // Thread start and stop, and the pointers to what lives on the I/O thread.
    std::mutex lifeMutex;
    std::unique_ptr<IoThread> thread;
    std::atomic<const QThread*> ioThread{nullptr};
    std::mutex postMutex; // held while posting to `port`, and while it goes away
    QSerialPort* port = nullptr;

    std::atomic<bool> open{false};
    std::atomic<bool> closedForGood{false};
    std::atomic<bool> lost{false};
    bool lostReported = false; // I/O thread only

    std::atomic<std::uint8_t*> rxBuffer{nullptr};
    std::atomic<std::uint32_t*> rxLength{nullptr};

    // Receiving (I/O thread only, but for the counter and the pause flag).
    const std::atomic<bool>* pause = nullptr;
    std::vector<std::uint8_t> held; // read while paused, not yet handed over
    std::size_t heldPos = 0;
    bool quiet = false; // everything read was handed over and the port had no more
    Clock::time_point quietSince{};
    std::atomic<std::uint64_t> delivered{0};

    // Write-done and response signalling.
    std::mutex m;
    std::condition_variable cv;
    std::uint64_t writesIssued = 0;
    std::uint64_t writesDone = 0;
    bool response = false;
    bool ioStopped = false;

    // Written-byte bookkeeping (I/O thread only): the byte total at which each write ends.
    std::uint64_t bytesQueued = 0;
    std::uint64_t bytesWritten = 0;
    std::deque<std::pair<std::uint64_t, std::uint64_t>> pendingWrites; // (end, ticket)

    Io(CUART& o, std::string n, std::uint32_t b, bool f, std::uint8_t p, std::uint8_t s,
       MessageSink msg)
        : owner(o), name(std::move(n)), baud(b), flow(f), parity(p), stopBits(s),
          messages(std::move(msg)) {}

    void show(const std::string& text) const {
        if (messages)
            messages(text);
    }

    void markWritesDone(std::uint64_t ticket) {
        std::lock_guard g(m);
        if (ticket > writesDone)
            writesDone = ticket;
        cv.notify_all();
    }

    void startThread() {
        std::promise<void> ready;
        auto readyFuture = ready.get_future();
        thread = std::make_unique<IoThread>(
            [this, &ready](QSerialPort& p) {
                wire(p);
                {
                    std::lock_guard g(postMutex);
                    port = &p;
                }
                ready.set_value();
            },
            [this](QSerialPort& p) {
                {
                    std::lock_guard g(postMutex);
                    port = nullptr;
                }
                p.close();
                open = false;
                pendingWrites.clear();
            },
            [this] {
                std::lock_guard g(m);
                ioStopped = true;
                cv.notify_all();
            });
        {
            std::lock_guard g(m);
            ioStopped = false;
        }
        ioThread = thread.get();
        thread->start();
        readyFuture.wait();
    }

    // Posts fn to the I/O thread; false when the thread is gone.
    template <class F> bool post(F&& fn) {
        std::lock_guard g(postMutex);
        if (!port)
            return false;
        return QMetaObject::invokeMethod(port, std::forward<F>(fn), Qt::QueuedConnection);
    }

    // Runs fn on the I/O thread and waits for it.
    template <class F> void runOnIo(F&& fn) {
        if (owner.onIoThread()) {
            fn();
            return;
        }
        QSerialPort* p = nullptr;
        {
            std::lock_guard g(postMutex);
            p = port;
        }
        if (p)
            QMetaObject::invokeMethod(p, std::forward<F>(fn), Qt::BlockingQueuedConnection);
    }

    void wire(QSerialPort& p) {
        QObject::connect(&p, &QSerialPort::readyRead, &p, [this, &p] { deliver(p); });
        QObject::connect(&p, &QSerialPort::bytesWritten, &p, [this](qint64 n) {
            bytesWritten += static_cast<std::uint64_t>(n);
            std::uint64_t done = 0;
            while (!pendingWrites.empty() && pendingWrites.front().first <= bytesWritten) {
                done = pendingWrites.front().second;
                pendingWrites.pop_front();
            }
            if (done)
                markWritesDone(done);
        });
        QObject::connect(&p, &QSerialPort::errorOccurred, &p,
                         [this, &p](QSerialPort::SerialPortError e) { onError(p, e); });
    }

    bool paused() const { return pause && pause->load(std::memory_order_relaxed); }

    static bool driverHasBytes([[maybe_unused]] QSerialPort& p) {
#ifdef Q_OS_UNIX
        int pending = 0;
        return ::ioctl(static_cast<int>(p.handle()), FIONREAD, &pending) == 0 && pending > 0;
#else
        return false;
#endif
    }

    // Hands bytes to OnReceive until the window asks to pause; returns how many it took.
    std::size_t feed(const std::uint8_t* data, std::size_t n) {
        std::uint8_t* const target = rxBuffer.load(std::memory_order_acquire);
        std::uint32_t* const targetLength = rxLength.load(std::memory_order_acquire);
        std::size_t i = 0;
        for (; i < n && !paused(); ++i) {
            if (owner.OnReceive(&data[i], 1, target, targetLength)) {
                std::lock_guard g(m);
                response = true;
                cv.notify_all();
            }
        }
        return i;
    }

    void deliver(QSerialPort& p) {
        // The count is published when this turn ends, after the quiet line is noted.
        std::uint64_t taken = 0;
        struct Publish {
            std::atomic<std::uint64_t>& to;
            std::uint64_t& n;
            ~Publish() { to.fetch_add(n, std::memory_order_release); }
        } publish{delivered, taken};
        if (heldPos < held.size()) {
            const std::size_t used = feed(held.data() + heldPos, held.size() - heldPos);
            taken += used;
            heldPos += used;
            if (heldPos < held.size())
                return;
            held.clear();
            heldPos = 0;
        }
        std::array<std::uint8_t, kReadChunk> buf{};
        for (;;) {
            if (!p.isOpen() || paused())
                return; // what is not read stays in the port
            const qint64 n = p.read(reinterpret_cast<char*>(buf.data()), kReadChunk);
            if (n <= 0) {
                // Quiet only when the driver has nothing either (bytes there arrived
                // while this thread was busy, not after a pause of the line).
                if (!driverHasBytes(p)) {
                    quiet = true;
                    quietSince = clock().now();
                }
                return;
            }
            if (quiet) {
                quiet = false;
                owner.OnLineQuiet(clock().now() - quietSince);
            }
            const auto count = static_cast<std::size_t>(n);
            const std::size_t used = feed(buf.data(), count);
            taken += used;
            if (used < count) {
                held.assign(buf.begin() + static_cast<std::ptrdiff_t>(used),
                            buf.begin() + static_cast<std::ptrdiff_t>(count));
                heldPos = 0;
                return;
            }
        }
    }

    void onError(QSerialPort& p, QSerialPort::SerialPortError e) {
        if (!open)
            return; // failures while opening are reported by OpenPort
        switch (e) {
        case QSerialPort::WriteError:
            show(uart_text::kWriteError);
            finishPendingWrites();
            p.clearError();
            break;
        case QSerialPort::ResourceError:
        case QSerialPort::ReadError:
            losePort(p);
            break;
        default:
            break;
        }
    }

    void finishPendingWrites() {
        std::uint64_t last = 0;
        if (!pendingWrites.empty())
            last = pendingWrites.back().second;
        pendingWrites.clear();
        bytesWritten = bytesQueued;
        if (last)
            markWritesDone(last);
    }

    void losePort(QSerialPort& p) {
        if (lostReported)
            return;
        lostReported = true;
        open = false;
        lost = true;
        p.close(); // no more notifications: nothing spins on a dead descriptor
        finishPendingWrites();
        if (lostHandler)
            lostHandler();
        show(uart_text::kCommError);
    }

    OpenResult openOnIo(const std::string& portName, std::uint32_t rate) {
        QSerialPort& p = *port;
        p.setPortName(QString::fromStdString(portName));
        if (!p.open(QIODevice::ReadWrite))
            return OpenResult::OpenFail;
        const bool lineOk =
            p.setBaudRate(static_cast<qint32>(rate)) && p.setDataBits(QSerialPort::Data8) &&
            p.setStopBits(stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
            p.setFlowControl(flow ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl)
#ifndef Q_OS_UNIX
            && p.setParity(toQtParity(parity))
#endif
            ;
        if (!lineOk) {
            p.close();
            return OpenResult::SetStateFail;
        }
#ifdef Q_OS_UNIX
        // Parity goes straight to the terminal (a pseudo-terminal keeps no parity bit and
        // would make a read-back check fail). Bytes received with a framing or parity
        // error, and breaks, are dropped by the driver instead of being passed on.
        termios t{};
        if (::tcgetattr(static_cast<int>(p.handle()), &t) != 0) {
            p.close();
            return OpenResult::GetStateFail;
        }
        applyParity(t, parity);
        t.c_iflag |= IGNPAR | IGNBRK;
        t.c_iflag &= ~static_cast<tcflag_t>(PARMRK | BRKINT);
        if (::tcsetattr(static_cast<int>(p.handle()), TCSANOW, &t) != 0) {
            p.close();
            return OpenResult::SetStateFail;
        }
#endif
        p.setReadBufferSize(kPortReadAhead);
        p.clearError();
        lostReported = false;
        held.clear();
        heldPos = 0;
        quiet = false;
        bytesQueued = bytesWritten = 0;
        pendingWrites.clear();
        open = true;
        return OpenResult::Ok;
    }

    void writeOnIo(const std::vector<std::uint8_t>& bytes, std::uint64_t ticket) {
        if (!port || !port->isOpen()) {
            markWritesDone(ticket);
            return;
        }
        bytesQueued += bytes.size();
        pendingWrites.emplace_back(bytesQueued, ticket);
        const qint64 n = port->write(reinterpret_cast<const char*>(bytes.data()),
                                     static_cast<qint64>(bytes.size()));
        if (n != static_cast<qint64>(bytes.size())) {
            show(uart_text::kWriteError);
            finishPendingWrites();
            return;
        }
        port->flush(); // write now rather than on the next turn of the event loop
    }
};

CUART::CUART(std::string portName, std::uint32_t baudRate, bool hardwareFlowControl,
             std::uint8_t parity, std::uint8_t stopBits, MessageSink messages)
    : io_(std::make_unique<Io>(*this, std::move(portName), baudRate, hardwareFlowControl, parity,
                               stopBits, std::move(messages))) {}

CUART::~CUART() {
    ClosePort();
}

bool CUART::OpenPort(const std::string& name, std::uint32_t baudRate) {
    if (io_->open)
        return true;
    std::lock_guard life(io_->lifeMutex);
    if (io_->open)
        return true;
    if (io_->closedForGood)
        return false;
    std::string portName = name;
    std::uint32_t rate = baudRate;
    if (portName.empty()) {
        portName = io_->name;
        rate = io_->baud;
    }
    if (rate == 0)
        rate = io_->baud;
    if (!io_->thread)
        io_->startThread();
    OpenResult result = OpenResult::OpenFail;
    io_->runOnIo([&] { result = io_->openOnIo(portName, rate); });
    switch (result) {
    case OpenResult::Ok:
        return true;
    case OpenResult::OpenFail:
        showMessage(formatName(uart_text::kOpenFail, portName));
        break;
    case OpenResult::GetStateFail:
        showMessage(uart_text::kGetStateFail);
        break;
    case OpenResult::SetStateFail:
        showMessage(uart_text::kSetStateFail);
        break;
    }
    return false;
}

bool CUART::SendData(const std::uint8_t* data, std::size_t length, std::uint8_t* rxBuffer,
                     std::uint32_t* rxLength, std::uint32_t timeoutMs) {
    if (length > kTxBufferSize)
        return false;
    if (!OpenPort())
        return false;
    io_->rxBuffer.store(rxBuffer, std::memory_order_release);
    io_->rxLength.store(rxLength, std::memory_order_release);
    if (length == 0)
        return true;

    std::vector<std::uint8_t> bytes(data, data + length);
    std::uint64_t ticket = 0;
    {
        std::lock_guard g(io_->m);
        io_->response = false;
        ticket = ++io_->writesIssued;
    }
    if (onIoThread()) { // cannot wait for our own thread: write and return
        io_->writeOnIo(bytes, ticket);
        return true;
    }
    if (!io_->post(
            [io = io_.get(), bytes = std::move(bytes), ticket] { io->writeOnIo(bytes, ticket); }))
        return false;

    std::unique_lock lock(io_->m);
    if (timeoutMs == 0) {
        clock().waitFor(lock, io_->cv, kWriteDoneWait,
                        [&] { return io_->writesDone >= ticket || io_->ioStopped; });
        return true;
    }
    clock().waitFor(lock, io_->cv, std::chrono::milliseconds(timeoutMs),
                    [&] { return io_->response || io_->ioStopped; });
    const bool got = io_->response;
    io_->response = false;
    return got;
}

void CUART::ClosePort() {
    io_->closedForGood = true;
    std::lock_guard life(io_->lifeMutex);
    if (!io_->thread)
        return;
    if (onIoThread()) { // cannot join ourselves; the owner's destructor joins
        io_->thread->quit();
        return;
    }
    io_->thread->quit();
    io_->thread->wait();
    {
        // Joined; this also orders everything the thread did before what follows here.
        std::unique_lock l(io_->m);
        io_->cv.wait(l, [&] { return io_->ioStopped; });
    }
    io_->ioThread = nullptr;
    io_->thread.reset();
    io_->open = false;
}

void CUART::pauseReceivingWhile(const std::atomic<bool>* flag) {
    io_->pause = flag;
}

void CUART::resumeReceiving() {
    io_->post([io = io_.get()] {
        if (io->port)
            io->deliver(*io->port);
    });
}

std::uint64_t CUART::receivedBytes() const {
    return io_->delivered.load(std::memory_order_acquire);
}

void CUART::OnLineQuiet(std::chrono::steady_clock::duration) {}

bool CUART::isOpen() const {
    return io_->open;
}
bool CUART::portLost() const {
    return io_->lost;
}
void CUART::setPortLostHandler(std::function<void()> handler) {
    io_->lostHandler = std::move(handler);
}
const std::string& CUART::portName() const {
    return io_->name;
}
std::uint32_t CUART::baudRate() const {
    return io_->baud;
}
bool CUART::hardwareFlowControl() const {
    return io_->flow;
}

bool CUART::OnReceive(const std::uint8_t* data, int count, std::uint8_t* rxBuffer,
                      std::uint32_t* rxLength) {
    if (rxBuffer && count > 0)
        std::copy_n(data, count, rxBuffer);
    if (rxLength)
        *rxLength = static_cast<std::uint32_t>(count);
    return false;
}

void CUART::showMessage(const std::string& text) const {
    io_->show(text);
}

bool CUART::onIoThread() const {
    const QThread* t = io_->ioThread.load();
    return t && QThread::currentThread() == t;
}

namespace {
bool spin(std::int64_t n, std::int64_t perSecond) {
    if (n <= 0)
        return true;
    using sc = std::chrono::steady_clock;
    const auto start = sc::now();
    const auto target = std::chrono::nanoseconds(n * (1'000'000'000 / perSecond));
    while (sc::now() - start < target) {
    }
    return true;
}
} // namespace

bool DelayMilliseconds(std::int64_t n) {
    return spin(n, 1000);
}
bool DelayTenthMilliseconds(std::int64_t n) {
    return spin(n, 10000);
}

} // namespace nuvex3
