#pragma once
// What the command line asks of a run without a window (HeadlessRun).

#include <QString>

namespace nuvex3 {

struct HeadlessOptions {
    QString ini;          // --run FILE
    int testCase = 0;     // --test-case N
    QString script;       // --script FILE
    QString port;         // --port PATH (or "Simulated module")
    int rounds = 1;       // --rounds N (0: until a failure)
    int delaySeconds = 0; // --delay S, between rounds
    QString junit;        // --junit FILE
    QString address;      // --address HEX (test cases 2, 3 and 7)
    QString passkey;      // --passkey DIGITS: answers pass key requests nobody took
    int stepTimeout = 0;  // --step-timeout S (0: none)
    QString scenario;     // --scenario NAME|FILE of "Simulated module"
    bool packets = false; // --packets: the packet log lines too

    bool wanted() const { return !ini.isEmpty() || testCase != 0 || !script.isEmpty(); }
};

} // namespace nuvex3
