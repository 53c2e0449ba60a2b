#pragma once
// The tool without a window: runs an auto test script (.ini), one test case or a
// continuous-send script against a port, writes the procedure log with times, and ends
// with 0 when every round finished and 1 otherwise; optionally writes a JUnit report with
// one test case per round. Nobody is there to answer: pass key requests and numeric
// comparisons are answered from the pass key, and a message box that would wait for a
// person ends the run with its text.

#include "app/CKelvra_V1_4_TEST_TOOLDlg.h"
#include "app/EventRouter.h"
#include "app/HeadlessOptions.h"
#include "pages/automation/AutomationRun.h"
#include "ui/Prompts.h"

#include <QIODevice>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace nuvex3 {

// One round as the report shows it.
struct RoundResult {
    int round = 0;
    double seconds = 0;
    bool finished = false;
    QString failure; // why it did not finish
};

// The JUnit XML report: one <testsuite> named `suite` with one <testcase> per round; a
// round that did not finish holds a <failure> whose message is its failure text.
QByteArray junitReport(const QString& suite, const std::vector<RoundResult>& rounds,
                       double totalSeconds);

class HeadlessRun : public QObject, public UnattendedPairing, private Prompts {
    Q_OBJECT
public:
    // out receives the log lines; dialogOptions are those of the (hidden) main window.
    HeadlessRun(HeadlessOptions options, QIODevice* out, DialogOptions dialogOptions = {});
    ~HeadlessRun() override;

    // Connects and starts the run; the run ends by itself (finished()).
    void start();
    // start(), then waits in an event loop until the run has ended; the exit code.
    int exec();

    // The run has ended (finished() follows once the port is closed).
    bool done() const { return done_; }
    int exitCode() const { return exitCode_; }
    const std::vector<RoundResult>& rounds() const { return rounds_; }
    CKelvra_V1_4_TEST_TOOLDlg& dialog() { return *dialog_; }

    // UnattendedPairing
    void passkeyRequested(std::uint8_t handle) override;
    void confirmRequested(std::uint8_t handle, const QString& code) override;

signals:
    void finished(int exitCode);

private:
    // Prompts: nobody can answer.
    void message(const QString& text, PromptIcon icon) override;
    bool askYesNo(const QString& text) override;
    QString openFile(const QString& filter, const QString& directory) override;
    QString saveFile(const QString& filter, const QString& directory) override;
    void openUrl(const QString& url) override;

    bool prepare(); // loads the files, connects; false: ended
    void startAutoTest();
    void startTestCase();
    void startScript();
    void onEntry(const RunEntry& entry);
    void fail(const QString& why); // ends the run (or the start-up) with this text
    void finish(bool passed);
    void wrapUp(bool passed); // closes the port, writes the report, emits finished()
    void write(const QString& line);
    double elapsed() const;
    QString suiteName() const;
    QString passkey() const;

    HeadlessOptions options_;
    QIODevice* out_;
    std::unique_ptr<CKelvra_V1_4_TEST_TOOLDlg> dialog_;
    Prompts* previousPrompts_ = nullptr;
    AutomationRun* run_ = nullptr; // the run under way (auto test or test case)
    Clock::time_point started_{};
    std::vector<RoundResult> rounds_;
    QString lastError_;      // the last red or "Error" line of the round
    QString pendingFailure_; // a message box that ended the run
    int scriptRound_ = 0;
    bool done_ = false;
    bool wrapped_ = false;
    int exitCode_ = 1;
};

} // namespace nuvex3
