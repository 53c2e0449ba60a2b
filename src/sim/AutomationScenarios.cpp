#include "sim/AutomationScenarios.h"

#include <array>
#include <functional>

namespace nuvex3::sim {

namespace {

using namespace std::chrono_literals;

constexpr std::uint8_t kReasonConnectionTimeout = 0x08;
constexpr std::uint8_t kReasonFailedToEstablish = 0x3E;

// The heart rate sensor of the demo is the peer the central test cases and the auto test
// talk to at 0A0B0C0D0E0F (pass key 602491).
PeerConfig& heartRateSensor(Scenario& s) {
    return s.peers.front();
}

// The demo with a second heart rate sensor, NVX-AUTO at 333333333333 with the pass key
// 758214: the auto test page's defaults.
Scenario autoTest() {
    Scenario s = defaultScenario();
    PeerConfig peer = heartRateSensor(s);
    peer.address = {0x33, 0x33, 0x33, 0x33, 0x33, 0x33};
    peer.name = "NVX-AUTO";
    peer.advData = {0x02, 0x01, 0x06, 0x09, 0x09, 'N', 'V', 'X', '-', 'A', 'U', 'T', 'O'};
    peer.scanResponse.clear();
    peer.passKey = "758214";
    s.peers.push_back(peer);
    return s;
}

// The heart rate sensor ends each link 3 seconds after it came up ("Wakeup Test - Master").
Scenario wakeupMaster() {
    Scenario s = defaultScenario();
    heartRateSensor(s).disconnectAfter = 3s;
    return s;
}

// The module connects to the heart rate sensor as soon as it is on ("Update Connection
// Interval Test" needs a link).
Scenario connected() {
    Scenario s = defaultScenario();
    s.module.powerOnCommands = {{0x17, 0x00, 0x00, 0x0F, 0x0E, 0x0D, 0x0C, 0x0B, 0x0A}};
    return s;
}

// The heart rate sensor's link times out 5 seconds after it came up.
Scenario linkLoss() {
    Scenario s = defaultScenario();
    heartRateSensor(s).disconnectAfter = 5s;
    heartRateSensor(s).disconnectReason = kReasonConnectionTimeout;
    return s;
}

// Links to the heart rate sensor fail to be established.
Scenario failedLink() {
    Scenario s = defaultScenario();
    heartRateSensor(s).disconnectAfter = 1ms;
    heartRateSensor(s).disconnectReason = kReasonFailedToEstablish;
    return s;
}

// The phone that connects to the advertising module shows a pass key for the module to
// type and stays: a pairing nobody answers times out ("BLE SDK Auto Test - Slave").
Scenario pairingTimeout() {
    Scenario s = defaultScenario();
    for (PeerConfig& p : s.peers)
        if (p.connectsToStandby) {
            p.ioCapability = kIoDisplayOnly;
            p.disconnectAfter = Millis(0);
            p.writes.clear();
        }
    return s;
}

struct BuiltIn {
    const char* name;
    Scenario (*make)();
};

const std::array<BuiltIn, 7>& builtIns() {
    static const std::array<BuiltIn, 7> table{{
        {"demo", &defaultScenario},
        {"auto-test", &autoTest},
        {"wakeup-master", &wakeupMaster},
        {"connected", &connected},
        {"link-loss", &linkLoss},
        {"failed-link", &failedLink},
        {"pairing-timeout", &pairingTimeout},
    }};
    return table;
}

} // namespace

QStringList builtInScenarioNames() {
    QStringList names;
    for (const BuiltIn& b : builtIns())
        names << QString::fromLatin1(b.name);
    return names;
}

std::optional<Scenario> builtInScenario(const QString& name) {
    for (const BuiltIn& b : builtIns())
        if (name == QLatin1String(b.name))
            return b.make();
    return std::nullopt;
}

std::optional<Scenario> scenarioByName(const QString& nameOrFile, QString* error) {
    if (auto s = builtInScenario(nameOrFile))
        return s;
    return loadScenario(nameOrFile, error);
}

} // namespace nuvex3::sim
