#pragma once
// The main window against the simulated module on the test clock, for the auto test and
// the test cases: the clock moves on whenever the window, the runs and the module have
// nothing left to do, so the 2- and 120-second waits take milliseconds.

#include "AppTestSupport.h"

#include "link/Clock.h"
#include "pages/automation/AutoTestSettings.h"

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <ostream>

class QTextEdit;

// Texts in test failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace nuvex3::test {

// Processes events and moves the test clock on, tick by tick, while no command of the
// window's layer waits for its answer, until pred holds or `bound` of test time has passed.
bool driveUntil(ManualClock& clock, CKelvra_V1_4_TEST_TOOLDlg& dialog,
                const std::function<bool()>& pred,
                std::chrono::seconds bound = std::chrono::seconds(900));

class AutomationHarness {
public:
    // scenario: of "Simulated module" (a built-in name; empty: the demo).
    explicit AutomationHarness(const QString& scenario = {});

    MainWindowHarness& window() { return *h_; }
    CKelvra_V1_4_TEST_TOOLDlg& dialog() { return h_->dialog(); }
    RecordingPrompts& prompts() { return h_->prompts(); }
    ManualClock& clock() { return clock_; }
    PageSet& pages();

    // Connects to "Simulated module" and waits until its power-on reports are in.
    void connect();
    // Processes events and moves the test clock on, tick by tick, while no command waits
    // for its answer, until pred holds or `bound` of test time has passed.
    bool runUntil(const std::function<bool()>& pred,
                  std::chrono::seconds bound = std::chrono::seconds(900));
    // Lets the window and the module settle for `d` of test time.
    void runFor(std::chrono::milliseconds d);

    // The lines of a procedure log as shown (empty lines included).
    static QStringList lines(QTextEdit* log);
    // The colour of the first line equal to text, or an invalid colour.
    static QColor colourOf(QTextEdit* log, const QString& text);
    // The packet log lines that begin with prefix ("<-- " for sent ones).
    QStringList packets(const QString& prefix);

    // A file in the test's directory with these bytes; its path.
    QString writeFile(const QString& name, const QByteArray& bytes);
    // A script file of these settings; its path.
    QString writeIni(const QString& name, const AutoTestSettings& settings);

    // The auto test page: loads a script with "Load", starts with "Start".
    void loadScript(const QString& path);
    void pressStart();
    // The test case page n: "Start".
    void pressTestCaseStart(int n);

private:
    ManualClock clock_;
    ScopedClock scoped_{clock_};
    std::unique_ptr<MainWindowHarness> h_;
};

// The procedure of one round with no optional step.
inline const QString kResetLine =
    QStringLiteral("Send \"Reset\" command, check Module is enter Idle Mode.");
inline const QString kScanLine =
    QStringLiteral("Send \"Set Scan Enable\" command, check Module is enter Scanning Mode.");
inline const QString kConnectLine =
    QStringLiteral("Send \"LE Create Connection\" command, check Module is enter Connected Mode.");
inline const QString kWaitLine =
    QStringLiteral("Wait for 120 seconds, whether the link can be kept.");
inline const QString kDisconnectLine =
    QStringLiteral("Send \"Disconnect\" command, check Module is enter Idle Mode.");
inline const QString kStartLine = QStringLiteral("=========Start Test==========");
inline const QString kStopLine = QStringLiteral("=========Test Stop==========");

} // namespace nuvex3::test
