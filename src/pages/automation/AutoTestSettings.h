#pragma once
// The settings of one auto test round, without widgets: which optional steps it holds,
// their parameters, the rules that tie the check boxes together, the checks made before
// Save and Start, and the script file (.ini) they are saved to and loaded from.

#include <QByteArray>
#include <QString>

#include <optional>

namespace nuvex3 {

struct AutoTestSettings {
    bool createConnection = true;
    QString address = QStringLiteral("333333333333");
    bool pairing = false;
    QString passkey = QStringLiteral("758214");
    bool sendData = false;
    QString sendFile;
    bool updateParameters = false;
    QString interval = QStringLiteral("0006");
    QString latency = QStringLiteral("0000");
    QString timeout = QStringLiteral("000A");
    bool discover = false;
    bool disconnect = true;
    bool shutdown = false;
    bool wakeUp = false;
    bool reconnection = false;
    // The second-connection row, usable only while "Reconnection" is checked.
    bool pairing2 = false;
    bool disconnect2 = false;
    bool erasePaired = false;
    bool shutdown2 = false;

    bool operator==(const AutoTestSettings&) const = default;

    // "Reconnection" was clicked (or loaded): checked checks the second-row "Disconnect";
    // unchecked clears the whole second row.
    void applyReconnectionRule();
    // The first-row "Pairing Request" was clicked (or loaded): checked also checks
    // "Reconnection" and "Erase Paired Device"; unchecking changes nothing else.
    void applyPairingRule();
};

// The message of the first rule the settings break (only lengths are checked), or none.
std::optional<QString> validationMessage(const AutoTestSettings& s);
// Checked when a run starts, after validationMessage: the values the run will send must
// be what their fields stand for (a loaded script is not filtered as typing is): the address
// 12 hexadecimal digits, the pass key (with "Pairing Request") 6 decimal digits, the three
// connection parameters (with "Update Connection Parameter") 4 hexadecimal digits each.
// The message for the first value that is not, or none.
std::optional<QString> valueMessage(const AutoTestSettings& s);

// The interval and timeout fields when they lose the focus: read as hexadecimal (text that
// is not counts as 0) and held to 0x0006..0x0C80 and 0x000A..0x0C80. Text in range stays as
// typed.
QString correctedInterval(const QString& text);
QString correctedTimeout(const QString& text);

// The script file. Lines end with CR LF.
inline constexpr char kIniMarker[] = "@NUVEX_AUTO_TEST_TOOL_INI_FILE;";
QByteArray iniText(const AutoTestSettings& s);
// The name a script is saved under: ".ini" appended unless the last five characters hold
// it (in any case).
QString iniFileName(const QString& chosen);

// Applies one script line to the settings as Load does: the first key the line contains
// (exact case, table order) sets its value; the Pairing Request and Reconnection rules run
// as they would on a click. Returns true when the line holds the marker.
bool applyIniLine(const QString& line, AutoTestSettings& s);
// Applies every non-empty line of a script in order, so later lines win. Returns whether
// any line held the marker; the values are applied either way.
bool applyIni(const QByteArray& content, AutoTestSettings& s);

} // namespace nuvex3
