#include "app/CKelvra_V1_4_TEST_TOOLApp.h"

#include "app/CKelvra_V1_4_TEST_TOOLDlg.h"
#include "app/DecodedModel.h"
#include "app/DecodedView.h"
#include "app/HeadlessRun.h"
#include "app/PacketLog.h"
#include "sim/AutomationScenarios.h"

#include <QCommandLineParser>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <unistd.h>

using namespace nuvex3;

namespace nuvex3 {

bool parseAppOptions(const QStringList& arguments, AppOptions* options, QString* output,
                     int* exitCode) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "NUVEX3 Manual Test Tool: drives a NUVEX3 Bluetooth LE module through its UART "
        "command set. Choose \"Simulated module\" as the port to try it without hardware."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Adds PATH (a serial device or pseudo-terminal) to the port list and "
                       "selects it. May be given more than once; the first one is selected."),
        QStringLiteral("PATH"));
    const QCommandLineOption connect(QStringLiteral("connect"),
                                     QStringLiteral("Connects to the selected port at start-up."));
    QCommandLineOption send(QStringLiteral("send"),
                            QStringLiteral("Writes the raw command HEX (opcode then data) "
                                           "once connected."),
                            QStringLiteral("HEX"));
    send.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                  QStringLiteral("Saves a picture of the main window to FILE "
                                                 "and quits."),
                                  QStringLiteral("FILE"));
    screenshot.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption decoded(QStringLiteral("decoded"),
                               QStringLiteral("Shows the decoded packets at start-up."));
    decoded.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption decodedWindow(
        QStringLiteral("decoded-window"),
        QStringLiteral("Shows the decoded packets in their own window (--screenshot saves it)."));
    decodedWindow.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption decodedSelect(
        QStringLiteral("decoded-select"),
        QStringLiteral("Chooses the first decoded row named NAME before the picture is taken."),
        QStringLiteral("NAME"));
    decodedSelect.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption exportPcapng(
        QStringLiteral("export-pcapng"),
        QStringLiteral("Exports the decoded session to FILE when --screenshot is taken."),
        QStringLiteral("FILE"));
    exportPcapng.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(decoded);
    parser.addOption(decodedWindow);
    parser.addOption(decodedSelect);
    parser.addOption(exportPcapng);
    QCommandLineOption page(QStringLiteral("page"),
                            QStringLiteral("Shows the page with this tab caption at start-up."),
                            QStringLiteral("CAPTION"));
    page.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption click(QStringLiteral("click"),
                             QStringLiteral("Presses the button with this caption on the shown "
                                            "page, a moment after the raw commands."),
                             QStringLiteral("TEXT"));
    click.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(click);
    const QCommandLineOption scenario(
        QStringLiteral("scenario"),
        QStringLiteral("The scenario of \"Simulated module\": a built-in one (%1) or a "
                       "scenario JSON file. Default: demo.")
            .arg(sim::builtInScenarioNames().join(QStringLiteral(", "))),
        QStringLiteral("NAME|FILE"));
    const QCommandLineOption run(
        QStringLiteral("run"),
        QStringLiteral("Runs the auto test script FILE (.ini) without a window against the "
                       "port given with --port, writes the procedure log to standard output "
                       "and exits with 0 when every round finished, else 1."),
        QStringLiteral("FILE"));
    const QCommandLineOption testCase(
        QStringLiteral("test-case"),
        QStringLiteral("Runs test case N (1 to 7) of the \"Test Page\" without a window, as "
                       "--run does."),
        QStringLiteral("N"));
    const QCommandLineOption script(
        QStringLiteral("script"),
        QStringLiteral("Runs the continuous-send script FILE (one command per line in "
                       "hexadecimal) without a window, as --run does."),
        QStringLiteral("FILE"));
    const QCommandLineOption rounds(QStringLiteral("rounds"),
                                    QStringLiteral("Rounds to run (0: until a failure). "
                                                   "Default: 1."),
                                    QStringLiteral("N"));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Seconds to wait between rounds. Default: 0."),
                                   QStringLiteral("S"));
    const QCommandLineOption junit(
        QStringLiteral("junit"),
        QStringLiteral("Writes a JUnit XML report to FILE: one test case per round, a round "
                       "that did not finish as a failure with the line that ended it."),
        QStringLiteral("FILE"));
    const QCommandLineOption address(
        QStringLiteral("address"),
        QStringLiteral("The peer's address for test cases 2, 3 and 7 (12 hex digits, most "
                       "significant first, upper case)."),
        QStringLiteral("HEX"));
    const QCommandLineOption passkey(
        QStringLiteral("passkey"),
        QStringLiteral("Answers pass key requests and pairing code questions that no run takes "
                       "with these six digits. Default: the script's pass key, else 758214."),
        QStringLiteral("DIGITS"));
    const QCommandLineOption stepTimeout(
        QStringLiteral("step-timeout"),
        QStringLiteral("Ends the run when a step's command gets no answer that moves the run on "
                       "within S seconds. Default: none."),
        QStringLiteral("S"));
    const QCommandLineOption packets(QStringLiteral("packets"),
                                     QStringLiteral("Writes the packet log lines too."));
    parser.addOption(port);
    parser.addOption(scenario);
    parser.addOption(run);
    parser.addOption(testCase);
    parser.addOption(script);
    parser.addOption(rounds);
    parser.addOption(delay);
    parser.addOption(junit);
    parser.addOption(address);
    parser.addOption(passkey);
    parser.addOption(stepTimeout);
    parser.addOption(packets);
    parser.addOption(page);
    parser.addOption(connect);
    parser.addOption(send);
    parser.addOption(screenshot);
    if (!parser.parse(arguments)) {
        *output = parser.errorText() + QStringLiteral("\n\n") + parser.helpText();
        *exitCode = 2;
        return false;
    }
    if (parser.isSet(help)) {
        *output = parser.helpText();
        *exitCode = 0;
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *output = QStringLiteral("Unexpected argument: %1\n\n%2")
                      .arg(parser.positionalArguments().first(), parser.helpText());
        *exitCode = 2;
        return false;
    }
    auto usage = [&](const QString& text) {
        *output = text + QStringLiteral("\n\n") + parser.helpText();
        *exitCode = 2;
        return false;
    };
    // A whole number from minimum up, or nothing when the option is not given.
    auto number = [&](const QCommandLineOption& o, int minimum, int maximum, int* out) {
        if (!parser.isSet(o))
            return true;
        bool ok = false;
        const int v = parser.value(o).toInt(&ok);
        if (!ok || v < minimum || v > maximum)
            return false;
        *out = v;
        return true;
    };
    HeadlessOptions& h = options->headless;
    h.ini = parser.value(run);
    h.script = parser.value(script);
    h.junit = parser.value(junit);
    h.address = parser.value(address);
    h.passkey = parser.value(passkey);
    h.packets = parser.isSet(packets);
    if (!number(testCase, 1, 7, &h.testCase))
        return usage(QStringLiteral("--test-case needs a number from 1 to 7"));
    if (!number(rounds, 0, 1000000000, &h.rounds))
        return usage(QStringLiteral("--rounds needs a whole number, 0 or more"));
    if (!number(delay, 0, 86400, &h.delaySeconds))
        return usage(QStringLiteral("--delay needs a number of seconds, 0 or more"));
    if (!number(stepTimeout, 0, 86400, &h.stepTimeout))
        return usage(QStringLiteral("--step-timeout needs a number of seconds, 0 or more"));
    const int modes =
        int(parser.isSet(run)) + int(parser.isSet(testCase)) + int(parser.isSet(script));
    if (modes > 1)
        return usage(QStringLiteral("Give only one of --run, --test-case and --script"));
    if (h.wanted() && parser.values(port).isEmpty())
        return usage(QStringLiteral("--run, --test-case and --script need --port"));
    if (!h.passkey.isEmpty() &&
        (h.passkey.size() != 6 ||
         !QRegularExpression(QStringLiteral("^[0-9]{6}$")).match(h.passkey).hasMatch()))
        return usage(QStringLiteral("--passkey needs six decimal digits"));
    if (!h.wanted() && (parser.isSet(rounds) || parser.isSet(junit) || parser.isSet(delay) ||
                        parser.isSet(stepTimeout) || parser.isSet(address)))
        return usage(QStringLiteral("--rounds, --delay, --junit, --address and --step-timeout "
                                    "go with --run, --test-case or --script"));
    options->scenario = parser.value(scenario);
    h.scenario = options->scenario;
    h.port = parser.values(port).value(0);
    options->ports = parser.values(port);
    options->connect = parser.isSet(connect);
    options->sends = parser.values(send);
    options->page = parser.value(page);
    options->clicks = parser.values(click);
    options->screenshot = parser.value(screenshot);
    options->decoded = parser.isSet(decoded);
    options->decodedWindow = parser.isSet(decodedWindow);
    options->decodedSelect = parser.value(decodedSelect);
    options->exportPcapng = parser.value(exportPcapng);
    return true;
}

int sendWaitMs(const QStringList& sends) {
    int ms = 0;
    for (const QString& s : sends)
        if (s.startsWith(QStringLiteral("wait:")))
            ms += s.mid(5).toInt();
    return ms;
}

} // namespace nuvex3

int CKelvra_V1_4_TEST_TOOLApp::run(int argc, char** argv) {
    AppOptions options;
    {
        QCoreApplication reader(argc, argv);
        reader.setApplicationName(QStringLiteral("nuvex3-tool"));
        QString output;
        int exitCode = 0;
        if (!parseAppOptions(reader.arguments(), &options, &output, &exitCode)) {
            std::fputs(qPrintable(output), exitCode == 0 ? stdout : stderr);
            return exitCode;
        }
    }
    // Without a window nothing is drawn: no display is needed.
    if (options.headless.wanted())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    CKelvra_V1_4_TEST_TOOLApp app(argc, argv, std::move(options));
    return app.InitInstance();
}

CKelvra_V1_4_TEST_TOOLApp::CKelvra_V1_4_TEST_TOOLApp(int& argc, char** argv, AppOptions options)
    : QApplication(argc, argv), options_(std::move(options)) {
    setOrganizationName(QStringLiteral("NUVEX3"));
    setApplicationName(QStringLiteral("nuvex3-tool"));
    setApplicationDisplayName(CKelvra_V1_4_TEST_TOOLDlg::title());
    setApplicationVersion(QStringLiteral("0.37"));
}

namespace {
constexpr int kClickDelayMs = 500;
} // namespace

int CKelvra_V1_4_TEST_TOOLApp::InitInstance() {
    const AppOptions& options = options_;
    int exitCode = 0;

    if (options.headless.wanted()) {
        QFile out;
        out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
        HeadlessRun headless(options.headless, &out);
        return headless.exec();
    }

    DialogOptions dialogOptions;
    dialogOptions.extraPorts = options.ports;
    dialogOptions.scenario = options.scenario;
    CKelvra_V1_4_TEST_TOOLDlg dialog(dialogOptions);

    for (int i = 0; i < dialog.controls().sheet->count(); ++i)
        if (dialog.controls().sheet->tabText(i) == options.page)
            dialog.controls().sheet->setCurrentIndex(i);
    if (options.decoded || options.decodedWindow)
        dialog.controls().logTabs->setCurrentWidget(dialog.controls().decoded);
    // The raw commands in order; "wait:MS" lets the module answer first.
    std::function<void(qsizetype)> sendFrom = [&dialog, &options, &sendFrom](qsizetype i) {
        for (; i < options.sends.size() && dialog.connected(); ++i) {
            const QString& hex = options.sends[i];
            if (hex.startsWith(QStringLiteral("wait:"))) {
                QTimer::singleShot(hex.mid(5).toInt(), &dialog,
                                   [&sendFrom, i] { sendFrom(i + 1); });
                return;
            }
            dialog.controls().opcode->setText(hex.left(2));
            dialog.controls().data->setText(hex.mid(2));
            dialog.controls().writeData->click();
        }
    };
    QTimer::singleShot(0, &dialog, [&dialog, &options, &sendFrom] {
        if (options.connect)
            dialog.connectOrDisconnect();
        if (options.decodedWindow)
            dialog.controls().decoded->popOut();
        sendFrom(0);
    });
    // Buttons pressed once the module has answered the raw commands (a link is up).
    QTimer::singleShot(kClickDelayMs, &dialog, [&dialog, &options] {
        QWidget* page = dialog.controls().sheet->currentWidget();
        for (const QString& text : options.clicks)
            for (QPushButton* b : page->findChildren<QPushButton*>())
                if (b->text() == text && b->isEnabled())
                    b->click();
    });
    if (!options.screenshot.isEmpty()) {
        const int delay = options.screenshotDelayMs + sendWaitMs(options.sends);
        QTimer::singleShot(delay, &dialog, [&dialog, &options, &exitCode] {
            dialog.packetLog().flush();
            dialog.decodedModel().flush();
            DecodedModel& model = dialog.decodedModel();
            for (int r = 0; !options.decodedSelect.isEmpty() && r < model.rowCount(); ++r)
                if (model.data(model.index(r, DecodedModel::Name)).toString() ==
                    options.decodedSelect) {
                    dialog.controls().decoded->controls().list->selectRow(r);
                    break;
                }
            if (!options.exportPcapng.isEmpty() &&
                !dialog.decodedModel().exportPcapng(options.exportPcapng, dialog.portPath())) {
                std::fprintf(stderr, "Cannot write %s\n", qPrintable(options.exportPcapng));
                exitCode = 1;
            }
            QWidget* shown = options.decodedWindow
                                 ? dialog.controls().decoded->controls().list->window()
                                 : static_cast<QWidget*>(&dialog);
            if (!shown->grab().save(options.screenshot)) {
                std::fprintf(stderr, "Cannot write %s\n", qPrintable(options.screenshot));
                exitCode = 1;
            }
            dialog.done(QDialog::Accepted);
        });
    }
    dialog.exec();
    return exitCode;
}
