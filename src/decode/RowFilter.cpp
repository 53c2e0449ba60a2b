#include "decode/RowFilter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace nuvex3::decode {

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// One or two hexadecimal digits, with or without "0x".
std::optional<std::uint8_t> hexByte(std::string s) {
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        s = s.substr(2);
    if (s.empty() || s.size() > 2 ||
        !std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isxdigit(c); }))
        return std::nullopt;
    return static_cast<std::uint8_t>(std::stoul(s, nullptr, 16));
}

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::string word;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && std::isspace(static_cast<unsigned char>(c))) {
            if (!word.empty())
                out.push_back(word);
            word.clear();
            continue;
        }
        word += c;
    }
    if (!word.empty())
        out.push_back(word);
    return out;
}

bool hasHandle(const std::vector<Field>& fields, const std::string& value) {
    for (const Field& f : fields) {
        if (f.name == "Connection Handle" && f.value == value)
            return true;
        if (hasHandle(f.children, value))
            return true;
    }
    return false;
}

} // namespace

RowFilter::RowFilter(const std::string& text) {
    for (const std::string& w : words(text)) {
        const std::string l = lower(w);
        Term t{Term::Text};
        if (l.size() == 4 && l.rfind("0x", 0) == 0 && hexByte(l)) {
            t = {Term::Opcode, *hexByte(l)};
        } else if (const auto colon = l.find_first_of(":=");
                   colon != std::string::npos &&
                   (l.substr(0, colon) == "handle" || l.substr(0, colon) == "h") &&
                   hexByte(l.substr(colon + 1))) {
            t = {Term::Handle, *hexByte(l.substr(colon + 1))};
        } else if (l == "is:error") {
            t.kind = Term::Error;
        } else if (l == "is:sent") {
            t.kind = Term::Sent;
        } else if (l == "is:received") {
            t.kind = Term::Received;
        } else {
            t.text = l;
        }
        needsDecode_ = needsDecode_ || t.kind != Term::Opcode;
        terms_.push_back(std::move(t));
    }
}

bool RowFilter::matches(const Session& session, std::uint64_t seq) const {
    const StoredRow row = session.store().row(seq);
    const bool packet = session.isPacket(seq);
    DecodedPacket decoded;
    if (needsDecode_ && packet)
        decoded = session.decode(seq);
    RowTexts texts;
    bool haveTexts = false;
    auto rowTexts = [&]() -> const RowTexts& {
        if (!haveTexts)
            texts = session.texts(seq, decoded);
        haveTexts = true;
        return texts;
    };
    for (const Term& t : terms_) {
        switch (t.kind) {
        case Term::Opcode: {
            const auto bytes = session.store().bytes(seq);
            if (row.flags & StoredRow::Message)
                return false;
            const bool answerTo = packet && !(row.flags & StoredRow::Sent) && row.opcode == 0x80 &&
                                  bytes.size() > 5 && bytes[4] == t.value;
            if (row.opcode != t.value && !answerTo)
                return false;
            break;
        }
        case Term::Handle: {
            char value[8];
            std::snprintf(value, sizeof value, "0x%02X", t.value);
            if (!hasHandle(decoded.fields, value))
                return false;
            break;
        }
        case Term::Error:
            if (!rowTexts().error)
                return false;
            break;
        case Term::Sent:
            if (!packet || !(row.flags & StoredRow::Sent))
                return false;
            break;
        case Term::Received:
            if (!packet || (row.flags & StoredRow::Sent))
                return false;
            break;
        case Term::Text: {
            const RowTexts& r = rowTexts();
            if (lower(r.name).find(t.text) == std::string::npos &&
                lower(r.fields).find(t.text) == std::string::npos)
                return false;
            break;
        }
        }
    }
    return true;
}

} // namespace nuvex3::decode
