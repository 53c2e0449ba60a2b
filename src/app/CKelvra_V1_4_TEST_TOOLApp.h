#pragma once
// The application object: reads the command line, runs the main window modally and ends
// the process when it closes; or, with --run, --test-case or --script, runs without a
// window (on the offscreen platform, no display needed) and ends when the run has.

#include "app/HeadlessOptions.h"

#include <QApplication>
#include <QString>
#include <QStringList>

namespace nuvex3 {

struct AppOptions {
    QStringList ports;          // --port PATH, in order
    bool connect = false;       // --connect
    QStringList sends;          // --send HEX: raw commands written once connected; wait:MS pauses
    bool decoded = false;       // --decoded: the "Decoded" tab is shown
    bool decodedWindow = false; // --decoded-window: in its own window, which --screenshot saves
    QString decodedSelect;      // --decoded-select NAME: the first row of that name is chosen
    QString exportPcapng;       // --export-pcapng FILE: the session is exported with the picture
    QString page;               // --page CAPTION: the page shown at start-up
    QStringList clicks;         // --click TEXT: buttons of the shown page pressed once connected
    QString screenshot;         // --screenshot FILE
    int screenshotDelayMs = 1500;
    QString scenario;         // --scenario NAME|FILE of "Simulated module"
    HeadlessOptions headless; // --run, --test-case or --script: no window
};

// Parses the arguments (argv[0] first). On --help or an error, false with the text to
// print in *output; *exitCode is then what the process returns.
// The pauses of the --send list ("wait:MS") added up.
int sendWaitMs(const QStringList& sends);

bool parseAppOptions(const QStringList& arguments, AppOptions* options, QString* output,
                     int* exitCode);

} // namespace nuvex3

class CKelvra_V1_4_TEST_TOOLApp : public QApplication {
    Q_OBJECT
public:
    CKelvra_V1_4_TEST_TOOLApp(int& argc, char** argv, nuvex3::AppOptions options);

    // Runs the main window; returns the process exit code once it has closed.
    int InitInstance();

    // The whole program: reads the command line (--help needs no display), then runs
    // the application.
    static int run(int argc, char** argv);

private:
    nuvex3::AppOptions options_;
};
