#include "decode/LogDecoder.h"

#include "decode/LogReader.h"
#include "decode/Pcapng.h"
#include "decode/RowFilter.h"
#include "decode/Session.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace nuvex3::decode {

namespace {

constexpr std::int64_t kSyntheticStepUs = 1000;
const char* const kApplication = "nuvex3-decode 0.37";

} // namespace

std::optional<std::int64_t> logNameTimeUs(const std::string& path) {
    // "Dravo_LOG-yyyyMMdd_HHmmss" anywhere in the file name.
    static constexpr std::string_view kPrefix = "Dravo_LOG-";
    static constexpr std::string_view kShape = "dddddddd_dddddd";
    const std::string name = std::filesystem::path(path).filename().string();
    const std::string_view view(name);
    std::size_t at = view.find(kPrefix);
    std::string_view stamp;
    for (; at != std::string_view::npos; at = view.find(kPrefix, at + 1)) {
        const std::string_view rest = view.substr(at + kPrefix.size(), kShape.size());
        bool fits = rest.size() == kShape.size();
        for (std::size_t i = 0; fits && i < kShape.size(); ++i)
            fits = kShape[i] == 'd' ? (rest[i] >= '0' && rest[i] <= '9') : rest[i] == kShape[i];
        if (fits) {
            stamp = rest;
            break;
        }
    }
    if (stamp.empty())
        return std::nullopt;
    const auto number = [&](std::size_t pos, std::size_t n) {
        int v = 0;
        for (char c : stamp.substr(pos, n))
            v = v * 10 + (c - '0');
        return v;
    };
    std::tm tm{};
    tm.tm_year = number(0, 4) - 1900;
    tm.tm_mon = number(4, 2) - 1;
    tm.tm_mday = number(6, 2);
    tm.tm_hour = number(9, 2);
    tm.tm_min = number(11, 2);
    tm.tm_sec = number(13, 2);
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1))
        return std::nullopt;
    return static_cast<std::int64_t>(t) * 1'000'000;
}

void addLogEntry(Session& session, const LogEntry& e, std::int64_t timeUs) {
    switch (e.kind) {
    case LogEntry::Kind::Timeout:
        session.addTimeout(timeUs, e.opcode);
        break;
    case LogEntry::Kind::Message:
        session.addMessage(timeUs, e.text);
        break;
    case LogEntry::Kind::Sent:
    case LogEntry::Kind::Received:
        session.addPacket(e.kind == LogEntry::Kind::Sent ? Direction::Sent : Direction::Received,
                          timeUs, e.wire);
        break;
    }
}

std::string rowLine(const Session& session, std::uint64_t seq) {
    const DecodedPacket decoded = session.isPacket(seq) ? session.decode(seq) : DecodedPacket{};
    const RowTexts t = session.texts(seq, decoded);
    char head[64];
    std::snprintf(head, sizeof head, "%6s %12s  %-8s  %-4s  ", t.number.c_str(), t.time.c_str(),
                  t.direction.c_str(), t.opcode.c_str());
    std::string line = head + t.name;
    if (!t.fields.empty())
        line += ", " + t.fields;
    if (!t.pairing.empty())
        line += "  [" + t.pairing + "]";
    for (std::size_t i = 0; i < decoded.problems.size(); ++i)
        line += (i ? "; " : "  !! ") + decoded.problems[i];
    return line;
}

int decodeLogFile(const LogDecodeOptions& options, std::ostream& out, std::ostream& err) {
    std::ifstream in(options.logPath, std::ios::binary);
    if (!in) {
        err << options.logPath << ": cannot be opened\n";
        return kDecodeFailed;
    }
    const LogContents log = readLog(in);
    for (const LogProblem& p : log.problems)
        err << options.logPath << ":" << p.line << ": " << p.message << "; line skipped\n";

    Session session(log.entries.size() + 1);
    session.start({}, logNameTimeUs(options.logPath).value_or(0));
    session.setSyntheticTimes(true);
    std::int64_t time = 0;
    for (const LogEntry& e : log.entries) {
        addLogEntry(session, e, time);
        time += kSyntheticStepUs;
    }

    const int result = log.problems.empty() ? kDecodeOk : kDecodeLinesSkipped;
    if (!options.pcapngPath.empty()) {
        std::ofstream file(options.pcapngPath, std::ios::binary | std::ios::trunc);
        if (!file || !writeSessionPcapng(session, file, kApplication, options.logPath)) {
            err << options.pcapngPath << ": cannot be written\n";
            return kDecodeFailed;
        }
        std::size_t packets = 0;
        for (std::uint64_t seq = session.store().firstSeq(); seq < session.store().endSeq(); ++seq)
            packets += session.isPacket(seq) ? 1 : 0;
        out << "Wrote " << packets << " packets to " << options.pcapngPath
            << " (times are synthetic)\n";
        return result;
    }

    out << "# " << options.logPath << ": " << log.entries.size() << " packets and notes"
        << (log.problems.empty() ? std::string()
                                 : ", " + std::to_string(log.problems.size()) + " lines skipped")
        << "\n# Times are synthetic: a session log file holds no times, so the packets keep "
           "their order, 1 ms apart.\n";
    const RowFilter filter(options.filter);
    const PacketStore& store = session.store();
    for (std::uint64_t seq = store.firstSeq(); seq < store.endSeq(); ++seq)
        if (filter.empty() || filter.matches(session, seq))
            out << rowLine(session, seq) << "\n";
    return result;
}

} // namespace nuvex3::decode
