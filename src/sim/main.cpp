// nuvex3-sim [--scenario NAME|FILE] [--baud N] [--link PATH]
// Serves a virtual NUVEX3 module on a pseudo-terminal until SIGINT or SIGTERM.

#include "sim/AutomationScenarios.h"
#include "sim/PtySimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <unistd.h>

using namespace nuvex3::sim;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("nuvex3-sim");

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "A virtual NUVEX3 module on a pseudo-terminal. Open the printed path like a serial port.");
    parser.addHelpOption();
    const QCommandLineOption scenarioOpt("scenario",
                                         "A built-in scenario (" +
                                             builtInScenarioNames().join(", ") +
                                             ") or a scenario JSON file (default: demo).",
                                         "NAME|FILE");
    const QCommandLineOption baudOpt("baud", "Pace the output to N baud, 8N1 (default: no pacing).",
                                     "N");
    const QCommandLineOption linkOpt("link", "Make PATH a symbolic link to the terminal.", "PATH");
    parser.addOptions({scenarioOpt, baudOpt, linkOpt});
    parser.process(app);

    Scenario scenario = defaultScenario();
    if (parser.isSet(scenarioOpt)) {
        QString error;
        auto loaded = scenarioByName(parser.value(scenarioOpt), &error);
        if (!loaded) {
            std::fprintf(stderr, "nuvex3-sim: %s\n", qPrintable(error));
            return 2;
        }
        scenario = std::move(*loaded);
    }
    SimOptions options;
    // What the peers receive from the module's own table and write to it.
    options.log = [](const std::string& line) {
        std::fprintf(stderr, "nuvex3-sim: %s\n", line.c_str());
        std::fflush(stderr);
    };
    if (parser.isSet(baudOpt)) {
        bool ok = false;
        options.baud = parser.value(baudOpt).toInt(&ok);
        if (!ok || options.baud <= 0) {
            std::fprintf(stderr, "nuvex3-sim: --baud needs a positive number\n");
            return 2;
        }
    }

    // SIGINT and SIGTERM are taken by sigwait below, on this thread only.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    PtySimulator sim(std::move(scenario), options);
    QString error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "nuvex3-sim: %s\n", qPrintable(error));
        return 1;
    }
    const std::string path = sim.slavePath();
    QString link;
    if (parser.isSet(linkOpt)) {
        link = parser.value(linkOpt);
        const QByteArray linkPath = QFile::encodeName(link);
        ::unlink(linkPath.constData()); // an old link from an earlier run
        if (::symlink(path.c_str(), linkPath.constData()) != 0) {
            std::perror(("nuvex3-sim: cannot create link " + linkPath.toStdString()).c_str());
            return 1;
        }
    }
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    sim.stop();
    if (!link.isEmpty())
        ::unlink(QFile::encodeName(link).constData());
    return 0;
}
