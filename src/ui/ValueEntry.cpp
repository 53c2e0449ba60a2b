#include "ui/ValueEntry.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <limits>

namespace nuvex3 {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string format(const char* fmt, long long v) {
    std::array<char, 32> buf{};
    std::snprintf(buf.data(), buf.size(), fmt, v);
    return buf.data();
}

} // namespace

std::vector<std::uint8_t> hexToBytes(std::string_view text, bool zeroPrefix, bool reverse) {
    std::string s(text);
    if (zeroPrefix && s.size() % 2 == 1)
        s.insert(s.begin(), '0');
    if (reverse && s.size() > 3) {
        std::string r;
        r.reserve(s.size());
        std::size_t i = s.size();
        if (i % 2 == 1) { // a lone leading digit stays a pair of its own, last
            for (i = s.size(); i >= 3; i -= 2)
                r.append(s, i - 2, 2);
            r.append(s, 0, 1);
        } else {
            for (; i >= 2; i -= 2)
                r.append(s, i - 2, 2);
        }
        s.swap(r);
    }
    std::vector<std::uint8_t> out;
    out.reserve(s.size() / 2 + 1);
    bool high = true;
    for (char c : s) {
        const int v = hexValue(c);
        if (v < 0)
            continue;
        if (high)
            out.push_back(static_cast<std::uint8_t>(v << 4));
        else
            out.back() = static_cast<std::uint8_t>(out.back() | v);
        high = !high;
    }
    return out;
}

std::optional<std::size_t> firstNonHex(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (hexValue(text[i]) < 0)
            return i;
    return std::nullopt;
}

std::optional<std::size_t> firstNonDigit(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return i;
    return std::nullopt;
}

std::uint32_t parseUnsigned(std::string_view text, int base) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (base == 16 && i + 1 < text.size() && text[i] == '0' && (text[i + 1] | 0x20) == 'x')
        i += 2;
    std::uint64_t v = 0;
    bool overflow = false;
    for (; i < text.size(); ++i) {
        const int d = hexValue(text[i]);
        if (d < 0 || d >= base)
            break;
        v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        if (v > 0xFFFFFFFFull) {
            overflow = true;
            v = 0xFFFFFFFFull;
        }
    }
    if (overflow)
        return 0xFFFFFFFFu;
    const auto r = static_cast<std::uint32_t>(v);
    return negative ? static_cast<std::uint32_t>(0u - r) : r;
}

std::int32_t parseSigned(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > 0x80000000LL)
            v = 0x80000000LL;
    }
    if (negative)
        v = -v;
    v = std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(v);
}

std::optional<std::string> clampHexText(std::string_view text, std::uint32_t minimum,
                                        std::uint32_t maximum) {
    const std::uint32_t v = parseUnsigned(text, 16);
    if (v > maximum)
        return format("%02llx", maximum);
    if (v < minimum)
        return format("%02llx", minimum);
    return std::nullopt;
}

std::optional<std::string> clampNumberText(std::string_view text, std::uint32_t minimum,
                                           std::uint32_t maximum) {
    const std::uint32_t v = parseUnsigned(text, 10);
    if (v > maximum)
        return format("%lld", maximum);
    if (v < minimum)
        return format("%lld", minimum);
    return std::nullopt;
}

std::optional<std::string> clampSignedText(std::string_view text, std::int32_t minimum,
                                           std::int32_t maximum, std::int32_t exception) {
    const std::int32_t v = parseSigned(text);
    if ((v < minimum || v > maximum) && v != exception)
        return format("%lld", v > maximum ? maximum : minimum);
    return std::nullopt;
}

std::string bytesToHex(const std::uint8_t* data, std::size_t n) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string s;
    s.resize(n * 2);
    for (std::size_t i = 0; i < n; ++i) {
        s[2 * i] = digits[data[i] >> 4];
        s[2 * i + 1] = digits[data[i] & 0x0F];
    }
    return s;
}

bool compareStreams(std::istream& a, std::istream& b) {
    std::array<char, 10000> ba{};
    std::array<char, 10000> bb{};
    for (;;) {
        a.read(ba.data(), ba.size());
        b.read(bb.data(), bb.size());
        const auto na = a.gcount();
        const auto nb = b.gcount();
        if (na != nb || !std::equal(ba.begin(), ba.begin() + na, bb.begin()))
            return false;
        const bool ea = a.eof();
        const bool eb = b.eof();
        if (ea || eb)
            return ea && eb;
    }
}

} // namespace nuvex3
