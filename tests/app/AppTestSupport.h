#pragma once
// The main window under test: a dialog whose log files go to a temporary directory, whose
// port list comes from the test, with every message recorded instead of shown.

#include "RecordingPrompts.h"

#include "app/CKelvra_V1_4_TEST_TOOLDlg.h"
#include "link/Clock.h"

#include <QColor>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace nuvex3::test {

inline constexpr int kBoundMs = 5000;

// Processes events until pred holds or the bound passes (event-driven, bounded).
bool waitFor(const std::function<bool()>& pred, int boundMs = kBoundMs);

// One line of the log view and its colour.
struct LogLine {
    QString text;
    QColor colour;
};
std::vector<LogLine> logLines(QTextEdit* view);

// A framed packet from the module: event opcode and parameters.
std::vector<std::uint8_t> packet(std::uint8_t event, const std::vector<std::uint8_t>& params);

// A test clock installed for a fixture's whole life. A fixture that runs the window on it
// names it as its first base class, so the clock outlives the window: the layer's threads
// may wait on it until the window is gone.
struct InstalledClock {
    ManualClock clock;
    ScopedClock scoped{clock};
};

class MainWindowHarness {
public:
    // scenario: that of "Simulated module" (a built-in name or a file; empty: the demo).
    explicit MainWindowHarness(QStringList systemPorts = {}, QString scenario = {});
    ~MainWindowHarness();

    CKelvra_V1_4_TEST_TOOLDlg& dialog() { return *dialog_; }
    const CKelvra_V1_4_TEST_TOOLDlg::Controls& ui() const { return dialog_->controls(); }
    RecordingPrompts& prompts() { return prompts_; }
    QString directory() const { return dir_.path(); }
    QStringList& systemPorts() { return *ports_; }

    // Selects the port entry (added to the system list if needed) and presses Connect.
    void connectTo(const QString& port);
    void pressConnectButton();
    // Opcode and data typed, then "Write Data " pressed.
    void writeRaw(const QString& opcode, const QString& data);
    // The session log files in the directory, oldest name first.
    QStringList logFiles() const;
    // Waits until the log view shows a line equal to text.
    bool waitForLine(const QString& text);
    int countMessages(const QString& text) const;

private:
    QTemporaryDir dir_;
    RecordingPrompts prompts_;
    ScopedPrompts scoped_{prompts_};
    std::shared_ptr<QStringList> ports_;
    std::unique_ptr<CKelvra_V1_4_TEST_TOOLDlg> dialog_;
};

} // namespace nuvex3::test
