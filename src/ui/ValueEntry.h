#pragma once
// Pure helpers behind every hexadecimal and decimal field of the tool.

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nuvex3 {

// Hex text to bytes. zeroPrefix: an odd-length text gets a leading "0". reverse: with more
// than 3 characters the digit pairs are taken last pair first. Characters other than hex
// digits are skipped; an odd digit count leaves the last byte's low nibble 0.
std::vector<std::uint8_t> hexToBytes(std::string_view text, bool zeroPrefix = false,
                                     bool reverse = false);

// Index of the first character that is not a hex digit (either case), if any.
std::optional<std::size_t> firstNonHex(std::string_view text);
// Index of the first character that is not a decimal digit, if any.
std::optional<std::size_t> firstNonDigit(std::string_view text);

// Reads text as an unsigned number like strtoul does on a 32-bit unsigned long: leading
// blanks and sign accepted, stops at the first invalid character, saturates at 0xFFFFFFFF.
std::uint32_t parseUnsigned(std::string_view text, int base);
// Reads text as a signed decimal like strtol on a 32-bit long (saturating).
std::int32_t parseSigned(std::string_view text);

// The text a hex field is clamped to ("%02x" of the bound), or nothing when in range.
std::optional<std::string> clampHexText(std::string_view text, std::uint32_t minimum,
                                        std::uint32_t maximum);
// The same for a decimal field ("%d" of the bound).
std::optional<std::string> clampNumberText(std::string_view text, std::uint32_t minimum,
                                           std::uint32_t maximum);
// Decimal field of the profile pages: out of [minimum, maximum] and not the allowed
// exception gives "%d" of the nearer bound; otherwise nothing.
std::optional<std::string> clampSignedText(std::string_view text, std::int32_t minimum,
                                           std::int32_t maximum, std::int32_t exception);

// Bytes as upper-case hex digits, two per byte, no separators.
std::string bytesToHex(const std::uint8_t* data, std::size_t n);

// True when both streams hold the same bytes to their ends.
bool compareStreams(std::istream& a, std::istream& b);

} // namespace nuvex3
