#include "app/CKelvra_V1_4_TEST_TOOLApp.h"

#include "app/CKelvra_V1_4_TEST_TOOLDlg.h"
#include "app/PacketLog.h"

#include <QCommandLineParser>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

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
    QCommandLineOption page(QStringLiteral("page"),
                            QStringLiteral("Shows the page with this tab caption at start-up."),
                            QStringLiteral("CAPTION"));
    page.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption click(QStringLiteral("click"),
                             QStringLiteral("Presses the button with this caption on the shown "
                                            "page, a moment after the raw commands."),
                             QStringLiteral("TEXT"));
    click.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(port);
    parser.addOption(click);
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
    options->ports = parser.values(port);
    options->connect = parser.isSet(connect);
    options->sends = parser.values(send);
    options->page = parser.value(page);
    options->clicks = parser.values(click);
    options->screenshot = parser.value(screenshot);
    return true;
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
    CKelvra_V1_4_TEST_TOOLApp app(argc, argv, std::move(options));
    return app.InitInstance();
}

CKelvra_V1_4_TEST_TOOLApp::CKelvra_V1_4_TEST_TOOLApp(int& argc, char** argv, AppOptions options)
    : QApplication(argc, argv), options_(std::move(options)) {
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

    DialogOptions dialogOptions;
    dialogOptions.extraPorts = options.ports;
    CKelvra_V1_4_TEST_TOOLDlg dialog(dialogOptions);

    for (int i = 0; i < dialog.controls().sheet->count(); ++i)
        if (dialog.controls().sheet->tabText(i) == options.page)
            dialog.controls().sheet->setCurrentIndex(i);
    QTimer::singleShot(0, &dialog, [&dialog, &options] {
        if (options.connect)
            dialog.connectOrDisconnect();
        if (!dialog.connected())
            return;
        for (const QString& hex : options.sends) {
            dialog.controls().opcode->setText(hex.left(2));
            dialog.controls().data->setText(hex.mid(2));
            dialog.controls().writeData->click();
        }
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
        QTimer::singleShot(options.screenshotDelayMs, &dialog, [&dialog, &options, &exitCode] {
            dialog.packetLog().flush();
            if (!dialog.grab().save(options.screenshot)) {
                std::fprintf(stderr, "Cannot write %s\n", qPrintable(options.screenshot));
                exitCode = 1;
            }
            dialog.done(QDialog::Accepted);
        });
    }
    dialog.exec();
    return exitCode;
}
