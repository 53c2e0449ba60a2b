#pragma once
// Adapter for the library of the USB-to-UART bridge chip (VK5310) whose spare pins drive
// module control lines: pin 0 is the receive-indication line around every command packet,
// pin 1 a line the transparent page toggles. The library is loaded at run time.

#include "link/CUART.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace nuvex3 {

namespace bridge_text {
inline constexpr const char* kNotFound = "Can't find PinLink-UM.dll";
inline constexpr const char* kDisconnected = "The VK5310 is Disconnected";
inline constexpr const char* kConfigureFailed = "ConfigureVK5310 Failed";
inline constexpr const char* kIoDefaultFailed = "ConfigureIoDefaultOutput Failed";
inline constexpr const char* kNotInitial = "VK5310 is not initial";
} // namespace bridge_text

// The library's C interface. Results are non-zero for true.
namespace pinlink {
using InitVK5310 = int (*)(std::uint16_t vendorId, std::uint16_t productId);
using IsConnected = int (*)();
using ConfigureVK5310 = int (*)(std::uint8_t mode, std::uint32_t baudRate, std::uint8_t a,
                                std::uint8_t b, std::uint8_t hardwareFlowControl);
using SetPin = int (*)(std::uint8_t pin);
using ClearPin = int (*)(std::uint8_t pin);
using ReadPin = int (*)(std::uint8_t pin);
using ConfigureIoDefaultOutput = int (*)(std::uint8_t direction, std::uint8_t level);
using ReadPort = int (*)(std::uint8_t* value);
using HardwareFlowControl = int (*)(std::uint8_t enable);

inline constexpr const char* kLibraryName = "PinLink-UM"; // PinLink-UM.dll, libPinLink-UM.so
inline constexpr std::uint16_t kVendorId = 0x2F5E;
inline constexpr std::uint16_t kProductId = 0x5310;
// Tests (and unusual installs) may name the directory that holds the library.
inline constexpr const char* kDirectoryVariable = "NUVEX3_BRIDGE_DIR";
} // namespace pinlink

class BridgeAdapter {
public:
    explicit BridgeAdapter(MessageSink messages = {});

    // Loads the library, looks up its functions and sets the chip up for the port's rate
    // and flow control. Shows the message of the step that failed. True when the bridge is
    // in use afterwards. The library stays loaded for the life of the process.
    bool initialise(std::uint32_t baudRate, bool hardwareFlowControl);
    bool inUse() const { return inUse_; }

    // Drive a pin; ignored while the bridge is not in use. Calls into the library are
    // made one at a time (the send path and the transparent page may both drive pins).
    void setPin(std::uint8_t pin) const;
    void clearPin(std::uint8_t pin) const;

    // The file name tried first: the directory named by NUVEX3_BRIDGE_DIR, else the
    // application's directory; afterwards the system's library paths.
    static std::string libraryLocation();

private:
    MessageSink messages_;
    mutable std::mutex callMutex_;
    bool inUse_ = false;
    pinlink::InitVK5310 init_ = nullptr;
    pinlink::IsConnected isConnected_ = nullptr;
    pinlink::ConfigureVK5310 configure_ = nullptr;
    pinlink::SetPin setPin_ = nullptr;
    pinlink::ClearPin clearPin_ = nullptr;
    pinlink::ReadPin readPin_ = nullptr;
    pinlink::ConfigureIoDefaultOutput ioDefault_ = nullptr;
    pinlink::ReadPort readPort_ = nullptr;
    pinlink::HardwareFlowControl flowControl_ = nullptr;
};

} // namespace nuvex3
