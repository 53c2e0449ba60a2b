#pragma once
// Texts of the status and reason codes the module reports, and the messages built on them.

#include <cstdint>
#include <span>
#include <string>

namespace nuvex3 {

struct StatusEntry {
    int code;
    const char* text;
};

// The whole table, 51 entries in order; the last one (0xFF) is never found by StatusText.
std::span<const StatusEntry> statusTable();

// Text of the first of the first 50 entries whose code equals `code`; empty when none.
std::string StatusText(int code);

// StatusText, or "Unknown error" when the code has no text.
std::string statusTextOrUnknown(int code);

// Command Complete with a non-zero status: "UART Checksum Error [TX]" for command 0x00
// with status 0xFF, else "Command(0x%02X) Error: \n%s (0x%02X)".
std::string commandErrorMessage(std::uint8_t command, std::uint8_t status);
// Connection Complete with a non-zero status.
std::string createConnectionErrorMessage(std::uint8_t status);
// Disconnection Complete.
std::string terminateConnectionMessage(std::uint8_t handle, std::uint8_t reason);
// A failed connection parameter update during a test case.
std::string updateConnectionIntervalErrorMessage(std::uint8_t status);

} // namespace nuvex3
