#include "AutomationTestSupport.h"

#include "app/PacketLog.h"
#include "app/PageSet.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/automation/CTestCasePage.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QThread>

#include <gtest/gtest.h>

namespace nuvex3::test {

namespace {
constexpr auto kTick = std::chrono::milliseconds(250);
constexpr int kRealBoundMs = 120000;
} // namespace

AutomationHarness::AutomationHarness(const QString& scenario)
    : h_(std::make_unique<MainWindowHarness>(QStringList{}, scenario)) {}

PageSet& AutomationHarness::pages() {
    return h_->dialog().pages();
}

void AutomationHarness::connect() {
    h_->connectTo(QStringLiteral("Simulated module"));
    ASSERT_TRUE(h_->dialog().connected());
    ASSERT_TRUE(h_->waitForLine(QStringLiteral("--> 0006810909090909"))); // powered on, idle
}

bool driveUntil(ManualClock& clock, CKelvra_V1_4_TEST_TOOLDlg& dialog,
                const std::function<bool()>& pred, std::chrono::seconds bound) {
    const auto deadline = clock.now() + bound;
    QElapsedTimer real;
    real.start();
    while (real.elapsed() < kRealBoundMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (pred())
            return true;
        if (clock.now() >= deadline)
            return false;
        QThread::msleep(1); // the workers and the module take up what came
        CKelvra_CmdSet_Layer* layer = dialog.layer();
        if (layer && (layer->awaitingResponse() || layer->queuedCommands() > 0))
            continue; // the answer is on its way: no time passes meanwhile
        clock.advance(kTick);
    }
    return false;
}

bool AutomationHarness::runUntil(const std::function<bool()>& pred, std::chrono::seconds bound) {
    return driveUntil(clock_, h_->dialog(), pred, bound);
}

void AutomationHarness::runFor(std::chrono::milliseconds d) {
    const auto until = clock_.now() + d;
    runUntil([&] { return clock_.now() >= until; });
}

QStringList AutomationHarness::lines(QTextEdit* log) {
    QStringList out = log->toPlainText().split(QLatin1Char('\n'));
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

QColor AutomationHarness::colourOf(QTextEdit* log, const QString& text) {
    for (QTextBlock b = log->document()->begin(); b.isValid(); b = b.next())
        if (b.text() == text && b.begin() != b.end())
            return b.begin().fragment().charFormat().foreground().color();
    return {};
}

QStringList AutomationHarness::packets(const QString& prefix) {
    h_->dialog().packetLog().flush();
    QStringList out;
    for (const LogLine& l : logLines(h_->ui().logView))
        if (l.text.startsWith(prefix))
            out << l.text;
    return out;
}

QString AutomationHarness::writeFile(const QString& name, const QByteArray& bytes) {
    const QString path = QDir(h_->directory()).filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

QString AutomationHarness::writeIni(const QString& name, const AutoTestSettings& settings) {
    return writeFile(name, iniText(settings));
}

void AutomationHarness::loadScript(const QString& path) {
    h_->prompts().queueOpenFile(path);
    QTest::mouseClick(pages().autoTest.controls().load, Qt::LeftButton);
    QCoreApplication::processEvents(); // Load runs once the click has returned
}

void AutomationHarness::pressStart() {
    QTest::mouseClick(pages().autoTest.controls().start, Qt::LeftButton);
}

void AutomationHarness::pressTestCaseStart(int n) {
    QTest::mouseClick(pages().testPage.page(n).startButton(), Qt::LeftButton);
}

} // namespace nuvex3::test
