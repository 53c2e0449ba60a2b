#include "pages/automation/AutoTestSettings.h"

#include <QList>

#include <algorithm>
#include <array>
#include <variant>

namespace nuvex3 {

void AutoTestSettings::applyReconnectionRule() {
    if (reconnection) {
        disconnect2 = true;
        return;
    }
    pairing2 = false;
    erasePaired = false;
    disconnect2 = false;
    shutdown2 = false;
}

void AutoTestSettings::applyPairingRule() {
    if (!pairing)
        return;
    reconnection = true;
    erasePaired = true;
    applyReconnectionRule();
}

std::optional<QString> validationMessage(const AutoTestSettings& s) {
    if (s.createConnection && s.address.size() < 12)
        return QStringLiteral("Please input 6 bytes for Direct Address!!");
    if (s.pairing && s.passkey.size() < 6)
        return QStringLiteral("Please input 6 numbers for Passkey!!");
    if (s.sendData && s.sendFile.isEmpty())
        return QStringLiteral("Send File is not Selected!!");
    if (s.updateParameters) {
        if (s.interval.size() < 4)
            return QStringLiteral("Please input 2 bytes for Connection Interval!!");
        if (s.latency.size() < 4)
            return QStringLiteral("Please input 2 bytes for Connection Latency!!");
        if (s.timeout.size() < 4)
            return QStringLiteral("Please input 2 bytes for Connection Timeout!!");
    }
    return std::nullopt;
}

namespace {

bool allOf(const QString& text, int base) {
    return std::all_of(text.begin(), text.end(), [base](QChar c) {
        return c.isDigit() || (base == 16 && QStringLiteral("ABCDEFabcdef").contains(c));
    });
}

} // namespace

std::optional<QString> valueMessage(const AutoTestSettings& s) {
    if (s.address.size() != 12 || !allOf(s.address, 16))
        return QStringLiteral("Direct Address must be 12 hexadecimal digits: \"%1\"")
            .arg(s.address);
    if (s.pairing && !allOf(s.passkey.left(6), 10))
        return QStringLiteral("Passkey must be 6 decimal digits: \"%1\"").arg(s.passkey);
    if (s.updateParameters) {
        const std::pair<const char*, const QString*> fields[] = {
            {"Connection Interval", &s.interval},
            {"Connection Latency", &s.latency},
            {"Connection Timeout", &s.timeout}};
        for (const auto& [name, text] : fields)
            if (text->size() != 4 || !allOf(*text, 16))
                return QStringLiteral("%1 must be 4 hexadecimal digits: \"%2\"")
                    .arg(QLatin1String(name), *text);
    }
    return std::nullopt;
}

namespace {

QString corrected(const QString& text, unsigned minimum, unsigned maximum) {
    bool ok = false;
    const unsigned value = text.isEmpty() ? 0 : text.toUInt(&ok, 16);
    const unsigned v = ok ? value : 0;
    if (v > maximum)
        return QString::asprintf("%04X", maximum);
    if (v < minimum)
        return QString::asprintf("%04X", minimum);
    return text;
}

// One key of the script: a check box or a text field of the settings.
struct IniKey {
    const char* key;
    std::variant<bool AutoTestSettings::*, QString AutoTestSettings::*> field;
    void (AutoTestSettings::*rule)() = nullptr; // run after a check box is loaded
};

// In file order; Load tests them in this order and takes the first one a line contains.
const std::array<IniKey, 19>& iniKeys() {
    using S = AutoTestSettings;
    static const std::array<IniKey, 19> keys{{
        {"[CreatConnection]", &S::createConnection},
        {"[RemoteDeviceAddress]", &S::address},
        {"[PairingRequest]", &S::pairing, &S::applyPairingRule},
        {"[Passkey]", &S::passkey},
        {"[SendByFile]", &S::sendData},
        {"[SendFilePath]", &S::sendFile},
        {"[UpdateConnectionParameter]", &S::updateParameters},
        {"[ConnectionInterval]", &S::interval},
        {"[ConnectionLatency]", &S::latency},
        {"[ConnectionTimeout]", &S::timeout},
        {"[DiscoverRemoteSupportedService]", &S::discover},
        {"[Disconnect]", &S::disconnect},
        {"[Shutdown]", &S::shutdown},
        {"[Wakeup]", &S::wakeUp},
        {"[Reconnection]", &S::reconnection, &S::applyReconnectionRule},
        {"[PairingRequest2]", &S::pairing2},
        {"[Disconnect2]", &S::disconnect2},
        {"[ErasePairedDevice]", &S::erasePaired},
        {"[Shutdown2]", &S::shutdown2},
    }};
    return keys;
}

} // namespace

QString correctedInterval(const QString& text) {
    return corrected(text, 0x0006, 0x0C80);
}

QString correctedTimeout(const QString& text) {
    return corrected(text, 0x000A, 0x0C80);
}

QByteArray iniText(const AutoTestSettings& s) {
    QByteArray out = QByteArray(kIniMarker) + "\r\n\r\n";
    for (const IniKey& k : iniKeys()) {
        out += k.key;
        if (const auto* box = std::get_if<bool AutoTestSettings::*>(&k.field))
            out += (s.**box) ? "Y" : "N";
        else
            out += (s.*std::get<QString AutoTestSettings::*>(k.field)).toUtf8();
        out += ";\r\n";
    }
    return out;
}

QString iniFileName(const QString& chosen) {
    if (chosen.toLower().right(5).contains(QStringLiteral(".ini")))
        return chosen;
    return chosen + QStringLiteral(".ini");
}

bool applyIniLine(const QString& line, AutoTestSettings& s) {
    if (line.contains(QLatin1String(kIniMarker)))
        return true;
    for (const IniKey& k : iniKeys()) {
        if (!line.contains(QLatin1String(k.key)))
            continue;
        QString value = line.mid(line.indexOf(QLatin1Char(']')) + 1);
        if (const qsizetype semicolon = value.lastIndexOf(QLatin1Char(';')); semicolon >= 0)
            value.remove(semicolon, 1);
        if (const auto* box = std::get_if<bool AutoTestSettings::*>(&k.field)) {
            s.** box = value == QLatin1String("Y");
            if (k.rule)
                (s.*k.rule)();
        } else {
            s.*std::get<QString AutoTestSettings::*>(k.field) = value;
        }
        return false;
    }
    return false;
}

bool applyIni(const QByteArray& content, AutoTestSettings& s) {
    bool marker = false;
    for (QByteArray line : content.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        marker = applyIniLine(QString::fromUtf8(line), s) || marker;
    }
    return marker;
}

} // namespace nuvex3
