// Fuzz target for what the GAP page and the advertising data editor read from outside:
// ".adv" file contents (lines, hex, both structure walks) and advertising report records
// (report fields, name and manufacturer walk, cell texts).

#include "link/Packet.h"
#include "pages/gap/AdvData.h"
#include "ui/ValueEntry.h"

#include <QByteArray>

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nuvex3;
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList lines = parseAdvLines(content);
    for (qsizetype i = 0; i < lines.size() && i < 2; ++i) {
        const auto bytes = hexToBytes(lines[i].toStdString());
        for (const AdStructure& s : walkEditorData(bytes, i == 0 ? 1 : 0))
            if (s.data.size() > kAdvDataMax)
                __builtin_trap();
    }

    Record record{};
    std::copy_n(data, std::min(size, record.size()), record.begin());
    const AdvReport report = reportFromRecord(record);
    if (report.bytes().size() > kAdvDataMax)
        __builtin_trap();
    (void)reportName(report);
    (void)reportManufacturer(report);
    (void)dataText(report);
    (void)addressTypeText(report.addressType);
    (void)eventTypeText(report.eventType);
    (void)rssiText(report.rssi);
    return 0;
}
