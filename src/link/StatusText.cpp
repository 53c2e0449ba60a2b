#include "link/StatusText.h"

#include <array>
#include <cstdio>
#include <vector>

namespace nuvex3 {

namespace {

constexpr std::array<StatusEntry, 51> kTable = {{
    {0x00, "Command succeeded"},
    {0x01, "Unknown Command"},
    {0x02, "Unknown Connection Identifier"},
    {0x03, "Hardware Failure"},
    {0x05, "Authentication Failure"},
    {0x06, "PIN or Key Missing"},
    {0x07, "Memory Capacity Exceeded"},
    {0x08, "Connection Timeout"},
    {0x09, "Connection Limit Exceeded"},
    {0x0B, "ACL Connection Already Exists"},
    {0x0C, "Command Disallowed"},
    {0x0D, "Connection Rejected due to Limited Resources"},
    {0x0E, "Connection Rejected due To Security Reasons"},
    {0x0F, "Connection Rejected due to Unacceptable BD_ADDR"},
    {0x10, "Connection Accept Timeout Exceeded"},
    {0x11, "Unsupported Feature or Parameter Value"},
    {0x12, "Invalid Command Parameters"},
    {0x13, "Remote User Terminated Connection"},
    {0x14, "Remote Device Terminated Connection due to Low Resources"},
    {0x15, "Remote Device Terminated Connection due to Power Off"},
    {0x16, "Connection Terminated By Local Host"},
    {0x18, "Pairing Not Allowed"},
    {0x1F, "Unspecified Error"},
    {0x28, "Instant Passed"},
    {0x29, "Pairing With Unit Key Not Supported"},
    {0x2F, "Insufficient Security"},
    {0x39, "Connection Rejected due to No Suitable Channel Found"},
    {0x3A, "Controller Busy"},
    {0x3B, "Unacceptable Connection Interval"},
    {0x3C, "Directed Advertising Timeout"},
    {0x3D, "Connection Terminated due to MIC Failure"},
    {0x3E, "Connection Failed to be Established"},
    {0x81, "Invalid Handle"},
    {0x82, "Read Not Permitted"},
    {0x83, "Write Not Permitted"},
    {0x84, "Invalid PDU"},
    {0x85, "Insufficient Authentication"},
    {0x86, "Request Not Supported"},
    {0x87, "Invalid Offset"},
    {0x88, "Insufficient Authorization"},
    {0x89, "Prepare Queue Full"},
    {0x8A, "Attribute Not Found"},
    {0x8B, "Attribute Not Long"},
    {0x8C, "Insufficient Encryption Key Size"},
    {0x8D, "Invalid Attribute Value Length"},
    {0x8E, "Unlikely Error"},
    {0x8F, "Insufficient Encryption"},
    {0x90, "Unsupported Grout Type"},
    {0x91, "Insufficient Resources"},
    {0xF0, "Application Defined Error"},
    {0xFF, "UART Checksum Error [TX]"},
}};

constexpr std::size_t kSearched = 50;

template <class... Args> std::string format(const char* fmt, Args... args) {
    const int n = std::snprintf(nullptr, 0, fmt, args...);
    std::vector<char> buf(static_cast<std::size_t>(n) + 1);
    std::snprintf(buf.data(), buf.size(), fmt, args...);
    return std::string(buf.data(), static_cast<std::size_t>(n));
}

} // namespace

std::span<const StatusEntry> statusTable() {
    return kTable;
}

std::string StatusText(int code) {
    for (std::size_t i = 0; i < kSearched; ++i)
        if (kTable[i].code == code)
            return kTable[i].text;
    return {};
}

std::string statusTextOrUnknown(int code) {
    std::string t = StatusText(code);
    return t.empty() ? std::string("Unknown error") : t;
}

std::string commandErrorMessage(std::uint8_t command, std::uint8_t status) {
    if (command == 0x00 && status == 0xFF)
        return kTable.back().text;
    return format("Command(0x%02X) Error: \n%s (0x%02X)", unsigned{command},
                  statusTextOrUnknown(status).c_str(), unsigned{status});
}

std::string createConnectionErrorMessage(std::uint8_t status) {
    return format("Create Connection Error: \n%s (0x%02X)", StatusText(status).c_str(),
                  unsigned{status});
}

std::string terminateConnectionMessage(std::uint8_t handle, std::uint8_t reason) {
    return format("Terminate Connection Handle: 0x%02X\nReason: %s(0x%02X)", unsigned{handle},
                  StatusText(reason).c_str(), unsigned{reason});
}

std::string updateConnectionIntervalErrorMessage(std::uint8_t status) {
    return format("Update Connection Interval Error: %s (0x%02X)",
                  statusTextOrUnknown(status).c_str(), unsigned{status});
}

} // namespace nuvex3
