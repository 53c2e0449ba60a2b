#include "decode/DissectorTables.h"

#include "decode/UuidNames.h"
#include "link/AdStructures.h"
#include "link/CommandTable.h"
#include "link/EventDecoder.h"
#include "link/StatusText.h"

#include <cctype>
#include <cstdio>
#include <map>
#include <sstream>
#include <utility>
#include <vector>

namespace nuvex3::decode {

namespace {

constexpr std::size_t kSearchedStatusEntries = 50;

std::string lua(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string hex(unsigned v, int digits = 2) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, v);
    return buf;
}

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

const char* typeName(FieldType t) {
    switch (t) {
    case FieldType::Hex:
        return "hex";
    case FieldType::Decimal:
        return "decimal";
    case FieldType::HandleLsb:
        return "handle_lsb";
    case FieldType::Interval:
        return "interval";
    case FieldType::Enum:
        return "enum";
    case FieldType::Status:
        return "status";
    case FieldType::Reason:
        return "reason";
    case FieldType::Rssi:
        return "rssi";
    case FieldType::Address:
        return "address";
    case FieldType::Text:
        return "text";
    case FieldType::Bytes:
        return "bytes";
    case FieldType::Uuid:
        return "uuid";
    case FieldType::UuidMsbFirst:
        return "uuid_msb_first";
    case FieldType::AdData:
        return "ad_data";
    case FieldType::Properties:
        return "properties";
    case FieldType::Command:
        return "command";
    case FieldType::List:
        return "list";
    }
    return "bytes";
}

// The Wireshark field type and display of a field: numbers for the fields whose value is
// one number, text for the others.
std::pair<std::string, std::string> protoFieldType(const FieldSpec& f) {
    auto sized = [&](const char* display) -> std::pair<std::string, std::string> {
        switch (f.size) {
        case 1:
            return {"uint8", display};
        case 2:
            return {"uint16", display};
        case 4:
            return {"uint32", display};
        default:
            return {"string", "NONE"};
        }
    };
    switch (f.type) {
    case FieldType::Hex:
        return f.sizeFrom < 0 ? sized("HEX")
                              : std::pair<std::string, std::string>{"string", "NONE"};
    case FieldType::Decimal:
        return f.sizeFrom < 0 ? sized("DEC")
                              : std::pair<std::string, std::string>{"string", "NONE"};
    case FieldType::HandleLsb:
    case FieldType::Interval:
        return {"uint16", "HEX"};
    case FieldType::Enum:
    case FieldType::Status:
    case FieldType::Reason:
    case FieldType::Command:
    case FieldType::Properties:
        return {"uint8", "HEX"};
    case FieldType::Rssi:
        return {"int8", "DEC"};
    default:
        return {"string", "NONE"};
    }
}

std::string slug(const char* name) {
    std::string s;
    for (const char* p = name; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (std::isalnum(c))
            s += static_cast<char>(std::tolower(c));
        else if (!s.empty() && s.back() != '_')
            s += '_';
    }
    while (!s.empty() && s.back() == '_')
        s.pop_back();
    return s;
}

class Generator {
public:
    std::string run() {
        std::ostringstream head;
        std::ostringstream body;
        statusAndNames(head);
        body << "local COMMANDS = {\n";
        for (const CommandRow& row : commandTable())
            body << "    [" << hex(row.opcode) << "] = { name = " << lua(row.name)
                 << ", fields = " << fields(row.fields, 2) << " },\n";
        body << "}\n\nlocal EVENTS = {\n";
        for (const EventRow& row : eventTable())
            body << "    [" << hex(row.opcode) << "] = { name = " << lua(row.name)
                 << ", min = " << row.minLength << ", fields = " << fields(row.fields, 2)
                 << " },\n";
        body << "}\n\nlocal CC = {\n";
        for (const CommandCompleteRow& row : commandCompleteTable())
            body << "    [" << hex(row.command) << "] = { min = " << row.minLength
                 << ", fields = " << fields(row.fields, 2) << " },\n";
        body << "}\n\nlocal CC_OTHER = " << fields(otherCommandCompleteFields(), 1) << "\n\n";
        static constexpr FieldSpec kUnknown[] = {
            {.name = "Parameters", .type = FieldType::Bytes, .size = kRest, .optional = true}};
        body << "local UNKNOWN_PARAMETERS = " << fields(kUnknown, 1) << "\n";

        std::ostringstream out;
        out << "-- Generated from the tool's tables: do not edit by hand.\n" << head.str();
        out << "local V = {}\n";
        for (std::size_t i = 0; i < enums_.size(); ++i) {
            out << "V[" << i + 1 << "] = {";
            for (const EnumValue& v : enums_[i])
                out << " [" << hex(v.value) << "] = " << lua(v.text) << ",";
            out << " }\n";
        }
        out << "\nlocal PF_LIST = {\n";
        for (const auto& [key, type] : keys_)
            out << "    { " << lua(key) << ", " << lua(type.first) << ", " << lua(type.second)
                << ", " << lua(labels_[key]) << " },\n";
        out << "}\n\n" << body.str();
        return out.str();
    }

private:
    void statusAndNames(std::ostream& out) {
        out << "local STATUS = {\n";
        const auto table = statusTable();
        for (std::size_t i = 0; i < kSearchedStatusEntries && i < table.size(); ++i)
            out << "    [" << hex(static_cast<unsigned>(table[i].code))
                << "] = " << lua(table[i].text) << ",\n";
        out << "}\nlocal TX_CHECKSUM_ERROR = " << lua(commandErrorMessage(0x00, 0xFF)) << "\n\n";
        out << "local AD_TYPES = {\n";
        for (const AdTypeName& t : adTypeNames())
            out << "    [" << hex(t.type) << "] = " << lua(t.name) << ",\n";
        out << "}\n\nlocal UUID16 = {\n";
        // The first name of a UUID wins, as in the look-up.
        std::map<std::uint16_t, std::string> names16;
        for (const auto& [uuid, name] : uuid16Names())
            names16.emplace(uuid, trimmed(name));
        for (const auto& [uuid, name] : names16)
            out << "    [" << hex(uuid, 4) << "] = " << lua(name) << ",\n";
        out << "}\n\nlocal UUID128 = {\n";
        for (const auto& [uuid, name] : uuid128Names())
            out << "    [" << lua(uuid) << "] = " << lua(trimmed(name)) << ",\n";
        out << "}\n\n";
    }

    std::size_t enumIndex(std::span<const EnumValue> values) {
        for (std::size_t i = 0; i < enums_.size(); ++i)
            if (enums_[i].data() == values.data() && enums_[i].size() == values.size())
                return i + 1;
        enums_.push_back(values);
        return enums_.size();
    }

    std::string key(const FieldSpec& f) {
        const auto type = protoFieldType(f);
        std::string k = slug(f.name);
        // The dissector's own fields of every packet keep their names.
        static const std::map<std::string, std::string> kHeaderNames = {
            {"start", "start_field"},    {"length", "data_length"}, {"command", "answered_command"},
            {"event", "event_field"},    {"name", "name_field"},    {"checksum", "checksum_field"},
            {"problem", "problem_field"}};
        if (const auto it = kHeaderNames.find(k); it != kHeaderNames.end())
            k = it->second;
        const auto it = keys_.find(k);
        if (it != keys_.end() && it->second != type)
            k += "_" + type.first;
        keys_.emplace(k, type);
        labels_.emplace(k, f.name);
        return k;
    }

    std::string fields(Fields list, int depth) {
        if (list.empty())
            return "{}";
        const std::string indent(static_cast<std::size_t>(depth) * 4, ' ');
        std::string s = "{\n";
        for (const FieldSpec& f : list) {
            s += indent + "{ name = " + lua(f.name) + ", type = " + lua(typeName(f.type)) +
                 ", size = " + std::to_string(f.size);
            if (f.type != FieldType::List)
                s += ", key = " + lua(key(f));
            if (f.sizeFrom >= 0)
                s += ", size_from = " + std::to_string(f.sizeFrom + 1);
            if (f.optional)
                s += ", optional = true";
            if (f.error)
                s += ", error = true";
            if (!f.values.empty())
                s += ", values = V[" + std::to_string(enumIndex(f.values)) + "]";
            if (f.unitUs)
                s += ", unit = " + std::to_string(f.unitUs);
            if (f.type == FieldType::List) {
                s += ", entry_name = " + lua(f.entryName);
                s += std::string(", entry_size = ") + (f.entrySize == EntrySize::Fixed ? "\"fixed\""
                                                       : f.entrySize == EntrySize::FromField
                                                           ? "\"field\""
                                                           : "\"uuid\"");
                if (f.entryBytes)
                    s += ", entry_bytes = " + std::to_string(f.entryBytes);
                if (f.entryFrom >= 0)
                    s += ", entry_from = " + std::to_string(f.entryFrom + 1);
                if (f.countFrom >= 0)
                    s += ", count_from = " + std::to_string(f.countFrom + 1);
                s += ",\n" + indent + "  entries = " + fields(f.entries, depth + 1);
            }
            s += " },\n";
        }
        return s + std::string(static_cast<std::size_t>(depth - 1) * 4, ' ') + "}";
    }

    std::vector<std::span<const EnumValue>> enums_;
    std::map<std::string, std::pair<std::string, std::string>> keys_;
    std::map<std::string, std::string> labels_;
};

} // namespace

std::string dissectorTables() {
    return Generator().run();
}

std::string dissectorSource(const std::string& templateText) {
    static const std::string kMarker = "--@TABLES@";
    std::string out = templateText;
    const auto at = out.find(kMarker);
    if (at != std::string::npos)
        out.replace(at, kMarker.size(), dissectorTables());
    return out;
}

} // namespace nuvex3::decode
