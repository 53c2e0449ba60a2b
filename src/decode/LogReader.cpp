#include "decode/LogReader.h"

#include "link/Packet.h"

#include <cstdio>

namespace nuvex3::decode {

namespace {

constexpr std::string_view kSent = "<-- ";
constexpr std::string_view kReceived = "--> ";
constexpr std::string_view kTimeout = "No response to command 0x";

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string quotedChar(char c) {
    char buf[16];
    if (c >= 0x20 && c < 0x7F)
        std::snprintf(buf, sizeof buf, "'%c'", c);
    else
        std::snprintf(buf, sizeof buf, "byte 0x%02X", static_cast<unsigned char>(c));
    return buf;
}

std::string_view trimmedEnd(std::string_view s) {
    while (!s.empty() &&
           (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::optional<LogEntry> parseLogLine(std::string_view line, std::size_t number,
                                     std::string* problem) {
    auto fail = [&](std::string message) -> std::optional<LogEntry> {
        if (problem)
            *problem = std::move(message);
        return std::nullopt;
    };
    if (problem)
        problem->clear();
    line = trimmedEnd(line);
    if (line.empty())
        return std::nullopt;

    LogEntry entry;
    entry.line = number;
    if (line.substr(0, kTimeout.size()) == kTimeout) {
        const std::string_view digits = line.substr(kTimeout.size());
        if (digits.size() != 2 || hexValue(digits[0]) < 0 || hexValue(digits[1]) < 0)
            return fail("no command opcode after \"No response to command 0x\"");
        entry.kind = LogEntry::Kind::Timeout;
        entry.opcode = static_cast<std::uint8_t>(hexValue(digits[0]) * 16 + hexValue(digits[1]));
        return entry;
    }
    if (line == kSent.substr(0, 3) || line == kReceived.substr(0, 3))
        return fail("no packet after the arrow");
    if (line.substr(0, kSent.size()) == kSent)
        entry.kind = LogEntry::Kind::Sent;
    else if (line.substr(0, kReceived.size()) == kReceived)
        entry.kind = LogEntry::Kind::Received;
    else if (line.starts_with(kSent.substr(0, 3)) || line.starts_with(kReceived.substr(0, 3)))
        return fail("no blank after the arrow");
    else if (kSent.starts_with(line) || kReceived.starts_with(line) || kTimeout.starts_with(line))
        return fail("cut off before its packet");
    else {
        // Any other line is a message the tool showed, unless it holds bytes no message has.
        for (char c : line)
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                return fail(quotedChar(c) +
                            " in a line that is no packet: not written by the tool");
        entry.kind = LogEntry::Kind::Message;
        entry.text = std::string(line);
        return entry;
    }

    const std::string_view digits = line.substr(kSent.size());
    if (digits.empty())
        return fail("no packet after the arrow");
    for (char c : digits)
        if (hexValue(c) < 0)
            return fail(quotedChar(c) + " is not a hexadecimal digit");
    if (digits.size() % 2)
        return fail("odd number of hexadecimal digits: the line is cut off");
    std::vector<std::uint8_t> bytes(digits.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] =
            static_cast<std::uint8_t>(hexValue(digits[2 * i]) * 16 + hexValue(digits[2 * i + 1]));
    if (bytes.size() < 3)
        return fail("too short for a length and an opcode");
    const std::size_t length = (static_cast<std::size_t>(bytes[0]) << 8) | bytes[1];
    if (length == 0)
        return fail("length 0");
    if (length != bytes.size() - 2) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "length 0x%04zX announces %zu bytes, the line holds %zu",
                      length, length, bytes.size() - 2);
        return fail(buf);
    }
    entry.wire = framePacket(bytes[2], std::span(bytes).subspan(3));
    entry.opcode = bytes[2];
    return entry;
}

LogContents readLog(std::istream& in) {
    LogContents out;
    std::string line;
    std::string problem;
    std::size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (auto entry = parseLogLine(line, number, &problem))
            out.entries.push_back(std::move(*entry));
        else if (!problem.empty())
            out.problems.push_back({number, problem});
    }
    return out;
}

} // namespace nuvex3::decode
