#include "pages/gap/AdvData.h"

#include "ui/Prompts.h"
#include "ui/ValueEntry.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace nuvex3 {

namespace {

QString hexText(std::span<const std::uint8_t> bytes) {
    return QString::fromStdString(bytesToHex(bytes.data(), bytes.size()));
}

QString lastOfTypes(const AdvReport& r, std::initializer_list<std::uint8_t> types) {
    QString text;
    for (const AdStructure& s : walkReportData(r.bytes()))
        if (std::find(types.begin(), types.end(), s.type) != types.end())
            text = bytesAsChars(s.data);
    return text;
}

} // namespace

AdvReport reportFromRecord(const Record& record) {
    AdvReport r;
    r.eventType = record[3];
    r.addressType = record[4];
    std::copy_n(record.begin() + 5, 6, r.address.begin());
    r.length = record[11];
    r.dataSize = static_cast<std::uint8_t>(std::min<std::size_t>(r.length, kAdvDataMax));
    std::copy_n(record.begin() + 12, r.dataSize, r.data.begin());
    r.rssi = record[43];
    return r;
}

QString eventTypeText(std::uint8_t type) {
    static const char* const names[] = {"ADV_IND", "ADV_DIRECT_IND", "ADV_SCAN_IND",
                                        "ADV_NONCONN_IND", "SCAN_RSP"};
    return type < std::size(names) ? QString::fromLatin1(names[type]) : QString();
}

QString addressTypeText(std::uint8_t type) {
    switch (type) {
    case 0:
        return QStringLiteral("Public");
    case 1:
        return QStringLiteral("Random");
    case 2:
        return QStringLiteral("Paired device");
    default:
        return QString::asprintf("0x%02X", type);
    }
}

QString addressText(const AdvReport& r) {
    return QStringLiteral("0x") + hexText(r.address);
}

QString dataText(const AdvReport& r) {
    return QStringLiteral("0x") + hexText(r.bytes());
}

QString rssiText(std::uint8_t rssi) {
    return QString::number(static_cast<std::int8_t>(rssi));
}

QString reportName(const AdvReport& r) {
    return lastOfTypes(r, {0x08, 0x09});
}

QString reportManufacturer(const AdvReport& r) {
    return lastOfTypes(r, {0xFF});
}

QString bytesAsChars(std::span<const std::uint8_t> bytes) {
    QString s;
    s.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::uint8_t b : bytes)
        s.append(QChar(static_cast<char16_t>(b)));
    return s;
}

QStringList parseAdvLines(const QByteArray& content) {
    constexpr int kMaxLines = 200;
    constexpr int kMaxChars = 64;
    QStringList entries;
    const QList<QByteArray> lines = content.split('\n');
    int read = 0;
    for (qsizetype i = 0; i < lines.size() && read < kMaxLines; ++i) {
        // A newline at the very end of the file does not start another line.
        if (i == lines.size() - 1 && lines[i].isEmpty())
            break;
        ++read;
        QString line = QString::fromLatin1(lines[i]);
        line.remove(QLatin1Char(' '));
        line.remove(QLatin1Char('\t'));
        line.remove(QLatin1Char('\r'));
        if (line.isEmpty()) {
            if (entries.size() < 3)
                entries.append(QString());
            continue;
        }
        entries.append(line.left(kMaxChars));
    }
    return entries;
}

std::optional<QStringList> readAdvFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    // 200 lines of a sensible length are far below this; a huge file is not read whole.
    constexpr qint64 kMaxBytes = 1 << 20;
    return parseAdvLines(f.read(kMaxBytes));
}

std::optional<QStringList> promptAndReadAdvFile(const QString& filter) {
    const QString path = prompts().openFile(filter, QDir::currentPath());
    if (path.isEmpty())
        return std::nullopt;
    auto lines = readAdvFile(path);
    if (!lines)
        prompts().message(QStringLiteral(" Open File Failed "));
    return lines;
}

QByteArray formatAdvFile(const QString& option, std::span<const std::uint8_t> adv,
                         std::span<const std::uint8_t> scanResponse) {
    QByteArray out = option.toLatin1();
    out += QByteArray::fromStdString(bytesToHex(adv.data(), adv.size()));
    out += '\n';
    out += QByteArray::fromStdString(bytesToHex(scanResponse.data(), scanResponse.size()));
    return out;
}

} // namespace nuvex3
