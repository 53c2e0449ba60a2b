#include "decode/DecodedPacket.h"

#include "decode/UuidNames.h"
#include "link/AdStructures.h"
#include "link/CommandTable.h"
#include "link/EventDecoder.h"
#include "link/StatusText.h"
#include "link/Vocabulary.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

namespace nuvex3::decode {

namespace {

constexpr std::uint8_t kCommandComplete = 0x80;
constexpr std::uint8_t kStatusChecksumError = 0xFF;
constexpr std::size_t kHeader = 4;      // 0xAA, length, opcode
constexpr std::size_t kBytesShown = 64; // bytes a value text shows before it is cut

std::string format(const char* fmt, unsigned long long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

std::string byteCount(std::size_t n) {
    return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

std::string hex8(unsigned v) {
    return format("0x%02llX", v);
}

std::string withText(std::string value, const char* text) {
    if (text && *text)
        value.append(" (").append(text).append(")");
    return value;
}

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

unsigned long long bigEndian(std::span<const std::uint8_t> b) {
    unsigned long long v = 0;
    for (std::uint8_t x : b.first(std::min<std::size_t>(b.size(), 8)))
        v = (v << 8) | x;
    return v;
}

std::string bytesText(std::span<const std::uint8_t> b) {
    if (b.empty())
        return "(none)";
    if (b.size() <= kBytesShown)
        return spacedHex(b);
    return spacedHex(b.first(kBytesShown)) + " ... (" + std::to_string(b.size()) + " bytes)";
}

std::string quoted(std::span<const std::uint8_t> b) {
    std::string s = "\"";
    for (std::uint8_t c : b) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\')
            s.push_back(static_cast<char>(c));
        else
            s += format("\\x%02llX", c);
    }
    return s + "\"";
}

std::string addressText(std::span<const std::uint8_t> lsbFirst) {
    std::string s;
    for (std::size_t i = lsbFirst.size(); i-- > 0;) {
        s += format("%02llX", lsbFirst[i]);
        if (i)
            s += ':';
    }
    return s;
}

// A UUID given most significant byte first: 0x180D, 0x0000FEED, or 8-4-4-4-12 digits.
std::string uuidText(std::span<const std::uint8_t> msb) {
    std::string s;
    if (msb.size() == 2 || msb.size() == 4) {
        s = "0x";
        for (std::uint8_t b : msb)
            s += format("%02llX", b);
    } else if (msb.size() == 16) {
        for (std::size_t i = 0; i < 16; ++i) {
            if (i == 4 || i == 6 || i == 8 || i == 10)
                s += '-';
            s += format("%02llX", msb[i]);
        }
    } else {
        return bytesText(msb);
    }
    return withText(s, trimmed(uuidName(msb)).c_str());
}

std::vector<std::uint8_t> reversed(std::span<const std::uint8_t> b) {
    return {b.rbegin(), b.rend()};
}

std::string propertiesText(std::uint8_t p) {
    static constexpr std::array<const char*, 8> kNames = {"B", "R", "WO", "W", "N", "I", "A", "E"};
    std::string s;
    for (std::size_t bit = 0; bit < 8; ++bit) {
        if (!(p & (1u << bit)))
            continue;
        if (!s.empty())
            s += '/';
        s += kNames[bit];
    }
    return withText(hex8(p), s.empty() ? "N/A" : s.c_str());
}

std::string statusText(std::uint8_t code, std::uint8_t command, bool inCommandComplete) {
    if (inCommandComplete && command == 0x00 && code == kStatusChecksumError)
        return withText(hex8(code), commandErrorMessage(command, code).c_str());
    return withText(hex8(code), statusTextOrUnknown(code).c_str());
}

// Formats one advertising data structure.
std::string adValue(const AdStructure& s) {
    const std::span<const std::uint8_t> d(s.data);
    auto uuidList = [&](std::size_t size) {
        if (d.empty() || d.size() % size)
            return bytesText(d);
        std::string out;
        for (std::size_t i = 0; i < d.size(); i += size) {
            if (!out.empty())
                out += ", ";
            out += uuidText(reversed(d.subspan(i, size)));
        }
        return out;
    };
    auto serviceData = [&](std::size_t size) {
        if (d.size() < size)
            return bytesText(d);
        return uuidText(reversed(d.first(size))) + ": " + bytesText(d.subspan(size));
    };
    switch (s.type) {
    case 0x01:
        return d.size() == 1 ? hex8(d[0]) : bytesText(d);
    case 0x02:
    case 0x03:
    case 0x14:
        return uuidList(2);
    case 0x04:
    case 0x05:
        return uuidList(4);
    case 0x06:
    case 0x07:
    case 0x15:
        return uuidList(16);
    case 0x08:
    case 0x09:
        return quoted(d);
    case 0x0A:
        return d.size() == 1 ? std::to_string(static_cast<std::int8_t>(d[0])) + " dBm"
                             : bytesText(d);
    case 0x16:
        return serviceData(2);
    case 0x20:
        return serviceData(4);
    case 0x21:
        return serviceData(16);
    case 0x19:
        return d.size() == 2 ? format("0x%04llX", d[0] | (d[1] << 8)) : bytesText(d);
    case 0xFF:
        if (d.size() < 2)
            return bytesText(d);
        return format("Company 0x%04llX", d[0] | (d[1] << 8)) + ": " + bytesText(d.subspan(2));
    default:
        return bytesText(d);
    }
}

std::string braced(const std::vector<Field>& children, char open, char close) {
    std::string s(1, open);
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (i)
            s += ", ";
        if (open == '{')
            s += children[i].name + ": ";
        s += children[i].value;
    }
    return s + close;
}

// Walks the field lists over the wire bytes.
class Reader {
public:
    Reader(std::span<const std::uint8_t> wire, DecodedPacket& out) : w_(wire), out_(out) {}

    // Decodes `specs` from [pos, end) into `fields`; returns the position after the last
    // field. Stops at the first field the bytes do not hold.
    std::size_t fields(Fields specs, std::size_t pos, std::size_t end, std::vector<Field>& into) {
        std::vector<std::optional<unsigned long long>> values(specs.size());
        for (std::size_t i = 0; i < specs.size(); ++i) {
            const FieldSpec& spec = specs[i];
            const std::size_t left = end > pos ? end - pos : 0;
            if (spec.optional && left == 0)
                continue;
            std::size_t n = spec.size == kRest ? left : spec.size;
            if (spec.sizeFrom >= 0) {
                n = static_cast<std::size_t>(
                    values[static_cast<std::size_t>(spec.sizeFrom)].value_or(0));
                if (n > left) {
                    problem(std::string(specs[static_cast<std::size_t>(spec.sizeFrom)].name) +
                            " says " + std::to_string(n) + " bytes, " + std::to_string(left) +
                            " follow");
                    n = left;
                }
            } else if (n > left) {
                if (left == 0)
                    problem("ends before " + std::string(spec.name));
                else
                    problem(std::string(spec.name) + " cut short: " + std::to_string(left) +
                            " of " + std::to_string(n) + " bytes");
                into.push_back({spec.name,
                                left ? bytesText(w_.subspan(pos, left)) : "(missing)",
                                pos,
                                left,
                                {}});
                return end;
            }
            const auto b = w_.subspan(pos, n);
            if (n >= 1 && n <= 8)
                values[i] = bigEndian(b);
            Field f{spec.name, {}, pos, n, {}};
            if (spec.type == FieldType::List)
                list(spec, values, pos, pos + n, f);
            else
                f.value = value(spec, b, f);
            if (spec.error && n >= 1 && b[0] != 0)
                out_.error = true;
            into.push_back(std::move(f));
            pos += n;
        }
        return pos;
    }

    // Bytes after the fields of a list: shown, and a problem.
    void trailing(std::size_t pos, std::size_t end, std::vector<Field>& into) {
        if (pos >= end)
            return;
        problem(byteCount(end - pos) + " more than the layout holds");
        into.push_back(
            {"Trailing Bytes", bytesText(w_.subspan(pos, end - pos)), pos, end - pos, {}});
    }

    void problem(std::string text) { out_.problems.push_back(std::move(text)); }

    // Set while decoding a Command Complete: its command opcode.
    std::optional<std::uint8_t> commandCompleteOf;

private:
    std::string value(const FieldSpec& spec, std::span<const std::uint8_t> b, Field& f) {
        switch (spec.type) {
        case FieldType::Hex:
            if (b.size() == 1)
                return hex8(b[0]);
            if (b.size() == 2)
                return format("0x%04llX", bigEndian(b));
            if (b.size() == 4)
                return format("0x%08llX", bigEndian(b));
            return bytesText(b);
        case FieldType::Decimal:
            return b.size() <= 4 ? std::to_string(bigEndian(b)) : bytesText(b);
        case FieldType::HandleLsb:
            return format("0x%04llX", b[0] | (b[1] << 8));
        case FieldType::Interval: {
            const auto v = bigEndian(b);
            char ms[48];
            std::snprintf(ms, sizeof ms, " (%.2f ms)",
                          static_cast<double>(v * spec.unitUs) / 1000.0);
            return format("0x%04llX", v) + ms;
        }
        case FieldType::Enum:
            return withText(hex8(b[0]), vocabulary::find(spec.values, b[0]));
        case FieldType::Status:
            return statusText(b[0], commandCompleteOf.value_or(0), commandCompleteOf.has_value());
        case FieldType::Reason:
            return withText(hex8(b[0]), StatusText(b[0]).c_str());
        case FieldType::Rssi:
            return std::to_string(static_cast<std::int8_t>(b[0])) + " dBm";
        case FieldType::Address:
            return addressText(b);
        case FieldType::Text:
            return quoted(b);
        case FieldType::Bytes:
            return bytesText(b);
        case FieldType::Uuid:
            if (b.size() != 2 && b.size() != 16)
                problem(std::string(spec.name) + " of " + std::to_string(b.size()) + " bytes");
            return uuidText(reversed(b));
        case FieldType::UuidMsbFirst:
            if (b.size() != 2 && b.size() != 16)
                problem(std::string(spec.name) + " of " + std::to_string(b.size()) + " bytes");
            return uuidText(b);
        case FieldType::AdData:
            return adData(b, f);
        case FieldType::Properties:
            return propertiesText(b[0]);
        case FieldType::Command:
            return withText(hex8(b[0]), findCommand(b[0]) ? findCommand(b[0])->name : nullptr);
        case FieldType::List:
            break;
        }
        return bytesText(b);
    }

    std::string adData(std::span<const std::uint8_t> b, Field& f) {
        const auto structures = walkReportData(b);
        std::size_t at = f.offset;
        for (const AdStructure& s : structures) {
            const char* name = adTypeName(s.type);
            f.children.push_back(
                {name ? name : "AD Type " + hex8(s.type), adValue(s), at, s.data.size() + 2, {}});
            at += s.data.size() + 2;
        }
        const auto rest = b.subspan(walkedBytes(structures));
        if (std::any_of(rest.begin(), rest.end(), [](std::uint8_t x) { return x != 0; })) {
            problem(std::string(f.name) + ": " + byteCount(rest.size()) +
                    " after the last whole structure");
            f.children.push_back({"Undecoded", bytesText(rest), at, rest.size(), {}});
        }
        return braced(f.children, '{', '}');
    }

    void list(const FieldSpec& spec, const std::vector<std::optional<unsigned long long>>& values,
              std::size_t pos, std::size_t end, Field& f) {
        auto valueOf = [&](std::int8_t i) {
            return i >= 0 ? values[static_cast<std::size_t>(i)].value_or(0) : 0ull;
        };
        std::size_t size = spec.entryBytes;
        if (spec.entrySize == EntrySize::FromField) {
            size = static_cast<std::size_t>(valueOf(spec.entryFrom));
        } else if (spec.entrySize == EntrySize::FromUuidFormat) {
            const auto format = valueOf(spec.entryFrom);
            size = format == 1 ? size + 2 : format == 2 ? size + 16 : 0;
        }
        std::size_t count = size ? (end - pos) / size : 0;
        if (spec.countFrom >= 0) {
            const auto announced = static_cast<std::size_t>(valueOf(spec.countFrom));
            if (announced > count)
                problem(std::string(spec.name) + ": " + std::to_string(announced) +
                        " announced, bytes for " + std::to_string(count));
            count = std::min(count, announced);
        }
        for (std::size_t i = 0; i < count; ++i) {
            Field entry{
                std::string(spec.entryName) + " " + std::to_string(i + 1), {}, pos, size, {}};
            const std::size_t after = fields(spec.entries, pos, pos + size, entry.children);
            trailing(after, pos + size, entry.children);
            entry.value = braced(entry.children, '{', '}');
            f.children.push_back(std::move(entry));
            pos += size;
        }
        if (pos < end) {
            if (size == 0)
                problem(std::string(spec.name) + ": no entry size for " + byteCount(end - pos));
            trailing(pos, end, f.children);
        }
        f.value = braced(f.children, '[', ']');
    }

    std::span<const std::uint8_t> w_;
    DecodedPacket& out_;
};

std::string unknownName(const char* what, std::uint8_t opcode) {
    return std::string(what) + " " + hex8(opcode);
}

constexpr FieldSpec kUnknownParameters[] = {
    {.name = "Parameters", .type = FieldType::Bytes, .size = kRest, .optional = true}};

} // namespace

std::string spacedHex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i)
            s += ' ';
        s += kDigits[bytes[i] >> 4];
        s += kDigits[bytes[i] & 0x0F];
    }
    return s;
}

std::string commandName(std::uint8_t opcode) {
    const CommandRow* row = findCommand(opcode);
    return row ? row->name : unknownName("Unknown command", opcode);
}

std::string eventName(std::uint8_t opcode) {
    const EventRow* row = findEvent(opcode);
    if (!row)
        return unknownName("Unknown event", opcode);
    return *row->name ? row->name : unknownName("Event", opcode);
}

std::string DecodedPacket::summary() const {
    std::string s;
    for (const Field& f : fields) {
        if (!s.empty())
            s += ", ";
        s += f.name + ": " + f.value;
    }
    return s;
}

std::string DecodedPacket::info() const {
    return fields.empty() ? name : name + ", " + summary();
}

DecodedPacket decodeWire(Direction direction, std::span<const std::uint8_t> wire) {
    DecodedPacket out;
    out.direction = direction;
    if (wire.size() < kHeader + 1 || wire[0] != kStartByte) {
        out.name = "Malformed packet";
        out.problems.push_back("not a whole packet: " + spacedHex(wire));
        out.error = true;
        return out;
    }
    const std::size_t length = (static_cast<std::size_t>(wire[1]) << 8) | wire[2];
    out.opcode = wire[3];
    // The checksum's offset: after the parameters the length announces, within the packet.
    const std::size_t end = std::clamp(length + 3, kHeader, wire.size() - 1);
    Reader reader(wire, out);
    if (wire.size() != length + 4)
        reader.problem("length field says " + std::to_string(length) + ", the packet holds " +
                       std::to_string(wire.size() >= 4 ? wire.size() - 4 : 0));
    const std::uint8_t sum = packetChecksum(wire.subspan(1, end - 1));
    const bool checksumGood = sum == wire[end];
    if (!checksumGood)
        reader.problem("checksum " + hex8(wire[end]) + ", should be " + hex8(sum));

    Fields specs = kUnknownParameters;
    if (direction == Direction::Sent) {
        out.kinds = {kKindCommandSent};
        if (const CommandRow* row = findCommand(out.opcode)) {
            out.known = true;
            specs = row->fields;
        }
        out.name = commandName(out.opcode);
    } else {
        out.kinds = {kKindPacketReceived};
        if (!checksumGood)
            out.kinds.push_back(kKindChecksumError);
        else if (wire.size() == length + 4)
            decodePacket(wire.subspan(1),
                         [&](int kind, const Record&) { out.kinds.push_back(kind); });
        if (const EventRow* row = findEvent(out.opcode)) {
            out.known = true;
            specs = row->fields;
        }
        out.name = eventName(out.opcode);
    }

    std::size_t pos = kHeader;
    if (out.known && direction == Direction::Received && out.opcode == kCommandComplete &&
        end >= kHeader + 1) {
        reader.commandCompleteOf = wire[kHeader];
        pos = reader.fields(specs, pos, end, out.fields);
        if (pos < end) {
            const CommandCompleteRow* row = findCommandComplete(wire[kHeader]);
            pos = reader.fields(row ? row->fields : otherCommandCompleteFields(), pos, end,
                                out.fields);
        }
    } else {
        pos = reader.fields(specs, pos, end, out.fields);
    }
    reader.trailing(pos, end, out.fields);

    if (direction == Direction::Received && out.known && checksumGood && out.kinds.size() == 1) {
        const EventRow* row = findEvent(out.opcode);
        std::size_t minimum = row->minLength;
        if (out.opcode == kCommandComplete && length > 3)
            if (const CommandCompleteRow* cc = findCommandComplete(wire[kHeader]))
                minimum = cc->minLength;
        reader.problem(length < minimum ? "not decoded by the tool: shorter than " +
                                              std::to_string(minimum) + " bytes"
                                        : std::string("not decoded by the tool"));
    }
    if (!out.problems.empty())
        out.error = true;
    return out;
}

std::vector<std::uint8_t> wireFromCommand(const Record& command) {
    return frameCommandRecord(command);
}

std::vector<std::uint8_t> wireFromReceived(const Record& packet) {
    std::vector<std::uint8_t> wire;
    appendWireFromReceived(packet, wire);
    return wire;
}

void appendWireFromReceived(const Record& packet, std::vector<std::uint8_t>& out) {
    const std::size_t length = (static_cast<std::size_t>(packet[0]) << 8) | packet[1];
    const std::size_t n = std::min(length + 3, kReassemblySize);
    out.push_back(kStartByte);
    out.insert(out.end(), packet.begin(), packet.begin() + static_cast<std::ptrdiff_t>(n));
}

} // namespace nuvex3::decode
