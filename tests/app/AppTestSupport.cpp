#include "AppTestSupport.h"

#include "app/PacketLog.h"
#include "link/Packet.h"

#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

namespace nuvex3::test {

bool waitFor(const std::function<bool()>& pred, int boundMs) {
    return QTest::qWaitFor(pred, boundMs);
}

std::vector<LogLine> logLines(QTextEdit* view) {
    std::vector<LogLine> lines;
    for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next()) {
        if (b.text().isEmpty())
            continue;
        QColor colour;
        if (auto it = b.begin(); !it.atEnd())
            colour = it.fragment().charFormat().foreground().color();
        lines.push_back({b.text(), colour});
    }
    return lines;
}

std::vector<std::uint8_t> packet(std::uint8_t event, const std::vector<std::uint8_t>& params) {
    return framePacket(event, params);
}

MainWindowHarness::MainWindowHarness(QStringList systemPorts, QString scenario)
    : ports_(std::make_shared<QStringList>(std::move(systemPorts))) {
    DialogOptions options;
    options.scenario = std::move(scenario);
    options.startDirectory = dir_.path();
    options.portSource = [ports = ports_] { return *ports; };
    dialog_ = std::make_unique<CKelvra_V1_4_TEST_TOOLDlg>(options);
}

MainWindowHarness::~MainWindowHarness() {
    dialog_.reset();
    // Messages the layer's threads posted before they were joined (a port that went away
    // with the test's pseudo-terminal) reach this test's prompts, not the next test's.
    QCoreApplication::sendPostedEvents();
}

void MainWindowHarness::connectTo(const QString& port) {
    if (port != QStringLiteral("Simulated module") && !ports_->contains(port))
        ports_->append(port);
    dialog_->refreshPorts();
    ui().port->setCurrentIndex(ui().port->findText(port));
    pressConnectButton();
}

void MainWindowHarness::pressConnectButton() {
    QTest::mouseClick(ui().connect, Qt::LeftButton);
}

void MainWindowHarness::writeRaw(const QString& opcode, const QString& data) {
    ui().opcode->clear();
    ui().data->clear();
    QTest::keyClicks(ui().opcode, opcode);
    QTest::keyClicks(ui().data, data);
    QTest::mouseClick(ui().writeData, Qt::LeftButton);
}

QStringList MainWindowHarness::logFiles() const {
    return QDir(dir_.path())
        .entryList({QStringLiteral("Dravo_LOG-*.log")}, QDir::Files, QDir::Name);
}

bool MainWindowHarness::waitForLine(const QString& text) {
    return waitFor([&] {
        dialog_->packetLog().flush();
        for (const LogLine& l : logLines(ui().logView))
            if (l.text == text)
                return true;
        return false;
    });
}

int MainWindowHarness::countMessages(const QString& text) const {
    return static_cast<int>(prompts_.messages().count(text));
}

} // namespace nuvex3::test
