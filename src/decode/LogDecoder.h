#pragma once
// What nuvex3-decode does: reads a session log file written by the tool and prints its
// decoded rows, or writes them as a pcapng file. A log file holds no times, so the packets
// keep their order and are given synthetic times 1 ms apart, starting at the time the
// file's name carries (Dravo_LOG-<yyyymmdd_hhmmss>.log, local time) when it has one.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace nuvex3::decode {

struct LogDecodeOptions {
    std::string logPath;
    std::string pcapngPath; // empty: print the rows
    std::string filter;     // the decoded view's filter syntax
};

enum LogDecodeResult : int {
    kDecodeOk = 0,
    kDecodeLinesSkipped = 1, // some lines were reported and skipped
    kDecodeFailed = 2,       // the log could not be read or the pcapng file not written
};

// Rows go to `out`, skipped lines and failures to `err` as "<path>:<line>: <message>".
int decodeLogFile(const LogDecodeOptions& options, std::ostream& out, std::ostream& err);

// Adds one entry of a log file to the session at `timeUs`.
class Session;
struct LogEntry;
void addLogEntry(Session& session, const LogEntry& entry, std::int64_t timeUs);

// The time a log file's name carries, in microseconds since 1970; nullopt without one.
std::optional<std::int64_t> logNameTimeUs(const std::string& path);

// The text line of one row: number, time, direction, opcode, name and fields, pairing and
// what is wrong with the packet.
std::string rowLine(const Session& session, std::uint64_t seq);

} // namespace nuvex3::decode
