#pragma once
// Advertising data as the GAP page and the advertising data editor see it: advertising
// reports taken from event records, their cell texts, and the ".adv" file that holds one
// advertising and one scan response data set. The structure walks are in link.

#include "link/AdStructures.h"
#include "link/Packet.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace nuvex3 {

// One advertising report (event 0x70) as the layer hands it over.
struct AdvReport {
    std::uint8_t eventType = 0;
    std::uint8_t addressType = 0;
    std::array<std::uint8_t, 6> address{}; // most significant byte first
    std::uint8_t length = 0;               // data length as reported
    std::uint8_t dataSize = 0;             // data bytes held (the length, at most 31)
    std::array<std::uint8_t, kAdvDataMax> data{};
    std::uint8_t rssi = 0;

    std::span<const std::uint8_t> bytes() const { return {data.data(), dataSize}; }
};

// Record layout: [3] event type, [4] address type, [5..10] address, [11] length,
// [12..] data, [43] RSSI. Data beyond 31 bytes cannot be in a report and is not taken.
AdvReport reportFromRecord(const Record& record);

// Cell texts of a report row.
QString eventTypeText(std::uint8_t type);   // "ADV_IND" ... "SCAN_RSP", empty otherwise
QString addressTypeText(std::uint8_t type); // "Public", "Random", "Paired device", "0x%02X"
QString addressText(const AdvReport& r);    // "0x" + six bytes "%02X"
QString dataText(const AdvReport& r);       // "0x" + data bytes "%02X"
QString rssiText(std::uint8_t rssi);        // the byte as a signed number
// Name (AD types 0x08 and 0x09) and manufacturer data (0xFF), one character per byte;
// a later structure of the same kind replaces an earlier one.
QString reportName(const AdvReport& r);
QString reportManufacturer(const AdvReport& r);

// Bytes as characters, one per byte.
QString bytesAsChars(std::span<const std::uint8_t> bytes);

// ".adv" files. Reading: every non-empty line loses its blanks and is cut to 64
// characters; an empty line is an empty entry while fewer than three entries were taken
// and is skipped after that; at most 200 lines are read.
QStringList parseAdvLines(const QByteArray& content);
// nullopt when the file cannot be opened.
std::optional<QStringList> readAdvFile(const QString& path);
// Asks for an .adv file with the given filter and reads it; nullopt when the user
// cancels or the file cannot be opened (then " Open File Failed " is shown).
std::optional<QStringList> promptAndReadAdvFile(const QString& filter);
// Line 1: the two-character store option and the advertising bytes; "\n"; line 2: the
// scan response bytes; no newline at the end.
QByteArray formatAdvFile(const QString& option, std::span<const std::uint8_t> adv,
                         std::span<const std::uint8_t> scanResponse);

} // namespace nuvex3
