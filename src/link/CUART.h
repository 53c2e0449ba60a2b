#pragma once
// Serial transport: one port, written in blocks and read one byte at a time.
//
// The port lives on one I/O thread with its own event loop. SendData hands each write to
// that thread and waits (through the injectable clock) for the write to be done or for
// the response; every received byte is passed alone, in arrival order, to the virtual
// OnReceive on the I/O thread. Messages (open and configuration failures, write and
// communication errors) go to the MessageSink the application supplies; the transport
// shows no window itself.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace nuvex3 {

// Receives the message texts of the link layer. Called on the thread that met the
// failure: the caller of OpenPort/SendData, or the I/O thread for write and
// communication errors. Must not block.
using MessageSink = std::function<void(const std::string&)>;

namespace uart_text {
inline constexpr const char* kOpenFail = "Open %s Fail!";
inline constexpr const char* kGetStateFail = "Connect error! Couldn't get comm state!";
inline constexpr const char* kSetStateFail = "Can't set com port status! Connect error";
inline constexpr const char* kSetupBufferFail = "Can't setup in/out buffer! Connect error";
inline constexpr const char* kSetMaskFail = "Can't set com mask! Connect error";
inline constexpr const char* kWriteError = "WriteFile error";
inline constexpr const char* kCommError = "Error in Communications!";
} // namespace uart_text

class CUART {
public:
    // parity: 0 none, 1 odd, 2 even, 3 mark, 4 space. stopBits: 2 for two stop bits,
    // anything else one. Eight data bits always. Nothing is opened here.
    CUART(std::string portName, std::uint32_t baudRate, bool hardwareFlowControl,
          std::uint8_t parity, std::uint8_t stopBits, MessageSink messages = {});
    virtual ~CUART();
    CUART(const CUART&) = delete;
    CUART& operator=(const CUART&) = delete;

    // Opens and configures the port and starts the I/O thread. Already open: true at once.
    // An empty name means the stored name with the stored rate; a rate of 0 the stored
    // rate. A failure shows its message and returns false. After ClosePort it refuses.
    bool OpenPort(const std::string& name = {}, std::uint32_t baudRate = 0);

    // The only way to write. Opens the port if needed (false when that fails) and stores
    // the receive target handed to OnReceive. Length 0: returns true without writing.
    // More than 1500 bytes: refused (false). timeoutMs 0: waits up to 3000 ms for the
    // write to be done and returns true. timeoutMs > 0: waits that long for OnReceive to
    // report a complete response and returns whether it came.
    bool SendData(const std::uint8_t* data, std::size_t length, std::uint8_t* rxBuffer,
                  std::uint32_t* rxLength, std::uint32_t timeoutMs);

    // Closes the port, stops and joins the I/O thread. The object is not reopened after.
    void ClosePort();

    bool isOpen() const;
    // True once an open port was lost (device gone, read failure). The port is closed by
    // then and "Error in Communications!" has been shown once.
    bool portLost() const;
    // Called once, on the I/O thread, when the port is lost. Set it before opening.
    void setPortLostHandler(std::function<void()> handler);

    // Flow control towards the window: while *flag is set, the I/O thread reads nothing
    // more from the port (bytes already read wait, in order) and the port's own buffer
    // holds what arrives, as with hardware flow control. Set before opening; the flag must
    // outlive the port. resumeReceiving() (any thread) carries on once the flag is clear.
    void pauseReceivingWhile(const std::atomic<bool>* flag);
    void resumeReceiving();
    // Bytes handed to OnReceive so far.
    std::uint64_t receivedBytes() const;

    const std::string& portName() const;
    std::uint32_t baudRate() const;
    bool hardwareFlowControl() const;

protected:
    // Called on the I/O thread for every received byte (count is 1). The base version
    // copies the bytes into rxBuffer, stores the count and returns false. True tells that
    // a complete response has arrived.
    virtual bool OnReceive(const std::uint8_t* data, int count, std::uint8_t* rxBuffer,
                           std::uint32_t* rxLength);

    // Called on the I/O thread before the first byte that arrives after the line was quiet
    // (everything received had been handed over and nothing more came) for `quiet`.
    virtual void OnLineQuiet(std::chrono::steady_clock::duration quiet);

    void showMessage(const std::string& text) const;
    bool onIoThread() const;

private:
    struct Io;
    friend struct Io;
    std::unique_ptr<Io> io_;
};

// Busy waits on a steady clock, so that sub-millisecond delays are honoured. Both
// return true; n <= 0 returns at once.
bool DelayMilliseconds(std::int64_t n);
bool DelayTenthMilliseconds(std::int64_t n); // n tenths of a millisecond

} // namespace nuvex3
