#pragma once
// Session log files read back: the lines the packet log writes ("<-- " and hex for a
// command sent, "--> " and hex for a packet received, "No response to command 0xNN" for a
// command without answer) become packets again; the other lines the tool writes there
// (the texts of its messages) become Message entries. A packet line whose hex is cut off
// or does not match its length field, a line cut off before its arrow, or one with bytes
// that are no text, is reported with its number and skipped; the lines around it are read
// as usual.

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nuvex3::decode {

struct LogEntry {
    enum class Kind { Sent, Received, Timeout, Message } kind = Kind::Sent;
    std::size_t line = 0;
    // Sent and Received: the wire packet (0xAA, length, opcode, parameters, and the checksum,
    // which a log line does not hold and is computed again).
    std::vector<std::uint8_t> wire;
    std::uint8_t opcode = 0; // Timeout: the command's opcode
    std::string text;        // Message: the line
};

struct LogProblem {
    std::size_t line = 0;
    std::string message;
};

// One line without its line end. nullopt for a line to skip: `problem` says why, or stays
// empty for a blank line.
std::optional<LogEntry> parseLogLine(std::string_view line, std::size_t number,
                                     std::string* problem);

struct LogContents {
    std::vector<LogEntry> entries;
    std::vector<LogProblem> problems;
};

// Every line of a stream (CR LF or LF line ends).
LogContents readLog(std::istream& in);

} // namespace nuvex3::decode
