#include "app/HeadlessRun.h"

#include "app/ContinuousSend.h"
#include "app/PageSet.h"
#include "app/PortList.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/automation/CTestCasePage.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QSaveFile>
#include <QThread>
#include <QTimer>
#include <QXmlStreamWriter>

namespace nuvex3 {

namespace {

constexpr std::uint8_t kDigitEntered = 0x01;
constexpr std::uint8_t kEntryCompleted = 0x04;
constexpr std::uint8_t kConfirmYes = 0x00;
constexpr std::uint8_t kConfirmNo = 0x01;

const QString kScriptFinished = QStringLiteral("Continuius_send Finish");
constexpr int kSettleMs = 300; // quiet line before the run starts

QString seconds(double s) {
    return QString::number(s, 'f', 3);
}

} // namespace

QByteArray junitReport(const QString& suite, const std::vector<RoundResult>& rounds,
                       double totalSeconds) {
    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("testsuites"));
    w.writeStartElement(QStringLiteral("testsuite"));
    int failures = 0;
    for (const RoundResult& r : rounds)
        failures += r.finished ? 0 : 1;
    w.writeAttribute(QStringLiteral("name"), suite);
    w.writeAttribute(QStringLiteral("tests"), QString::number(rounds.size()));
    w.writeAttribute(QStringLiteral("failures"), QString::number(failures));
    w.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
    w.writeAttribute(QStringLiteral("time"), seconds(totalSeconds));
    for (const RoundResult& r : rounds) {
        w.writeStartElement(QStringLiteral("testcase"));
        w.writeAttribute(QStringLiteral("classname"), suite);
        w.writeAttribute(QStringLiteral("name"), QStringLiteral("Round %1").arg(r.round));
        w.writeAttribute(QStringLiteral("time"), seconds(r.seconds));
        if (!r.finished) {
            w.writeStartElement(QStringLiteral("failure"));
            w.writeAttribute(QStringLiteral("message"), r.failure);
            w.writeAttribute(QStringLiteral("type"), QStringLiteral("RoundNotFinished"));
            w.writeCharacters(r.failure);
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    return xml;
}

HeadlessRun::HeadlessRun(HeadlessOptions options, QIODevice* out, DialogOptions dialogOptions)
    : options_(std::move(options)), out_(out) {
    previousPrompts_ = &prompts();
    setPrompts(this);
    dialogOptions.extraPorts.prepend(options_.port); // listed and selected
    dialogOptions.scenario = options_.scenario;
    dialog_ = std::make_unique<CKelvra_V1_4_TEST_TOOLDlg>(std::move(dialogOptions));
    dialog_->setUnattendedPairing(this);
    connect(&dialog_->continuousSend(), &ContinuousSend::roundSent, this, [this](int round) {
        const double now = elapsed();
        const double from = rounds_.empty() ? 0 : rounds_.back().seconds;
        rounds_.push_back({round, now - from, true, {}});
        write(QStringLiteral("--Script Round %1 Sent--").arg(round));
    });
    if (options_.packets)
        connect(dialog_.get(), &CKelvra_V1_4_TEST_TOOLDlg::packetLogged, this,
                [this](const QString& text, const QColor&) { write(text); });
}

HeadlessRun::~HeadlessRun() {
    if (dialog_)
        dialog_->setUnattendedPairing(nullptr);
    dialog_.reset();
    setPrompts(previousPrompts_);
}

double HeadlessRun::elapsed() const {
    return std::chrono::duration<double>(clock().now() - started_).count();
}

void HeadlessRun::write(const QString& line) {
    if (!out_)
        return;
    out_->write(QStringLiteral("[%1] %2\n").arg(seconds(elapsed()), 9).arg(line).toUtf8());
}

QString HeadlessRun::suiteName() const {
    if (!options_.ini.isEmpty())
        return QStringLiteral("Auto Test %1").arg(options_.ini);
    if (options_.testCase != 0)
        return QStringLiteral("Test case %1 %2")
            .arg(options_.testCase)
            .arg(dialog_->pages().testPage.page(options_.testCase).caption());
    return QStringLiteral("Continuous send %1").arg(options_.script);
}

QString HeadlessRun::passkey() const {
    if (!options_.passkey.isEmpty())
        return options_.passkey;
    return dialog_->pages().autoTest.settings().passkey;
}

int HeadlessRun::exec() {
    start();
    if (!wrapped_) {
        QEventLoop loop;
        connect(this, &HeadlessRun::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return exitCode_;
}

void HeadlessRun::start() {
    started_ = clock().now();
    if (!prepare())
        return;
    // What the module reports by itself when the port opens (a simulated module powers
    // on) comes first; the run starts once the line has been quiet for a moment, as it
    // would when a person presses "Start".
    auto* quiet = new QTimer(this);
    quiet->setSingleShot(true);
    quiet->setInterval(kSettleMs);
    connect(dialog_.get(), &CKelvra_V1_4_TEST_TOOLDlg::packetLogged, quiet,
            qOverload<>(&QTimer::start));
    connect(quiet, &QTimer::timeout, this, [this, quiet] {
        quiet->deleteLater();
        if (done_)
            return;
        if (!options_.ini.isEmpty())
            startAutoTest();
        else if (options_.testCase != 0)
            startTestCase();
        else
            startScript();
    });
    quiet->start();
}

bool HeadlessRun::prepare() {
    PageSet& pages = dialog_->pages();
    if (!options_.ini.isEmpty()) {
        switch (pages.autoTest.loadScript(options_.ini)) {
        case CPageAutoTest::Loaded::OpenFailed:
            fail(QStringLiteral("Cannot open the auto test script %1").arg(options_.ini));
            return false;
        case CPageAutoTest::Loaded::NoMarker:
            fail(QStringLiteral("The is not the correct ini file"));
            return false;
        case CPageAutoTest::Loaded::Ok:
            break;
        }
        const AutoTestSettings& s = pages.autoTest.settings();
        if (auto problem = validationMessage(s); problem || (problem = valueMessage(s))) {
            fail(*problem);
            return false;
        }
        if (s.sendData && !QFile(s.sendFile).open(QIODevice::ReadOnly)) {
            fail(QStringLiteral("Can not open the send file %1").arg(s.sendFile));
            return false;
        }
    }
    if (!options_.script.isEmpty() && !dialog_->continuousSend().loadScript(options_.script)) {
        fail(QStringLiteral("Cannot open the script %1").arg(options_.script));
        return false;
    }
    if (options_.testCase != 0) {
        CTestCasePage& page = pages.testPage.page(options_.testCase);
        if (page.addressEdit() && !options_.address.isEmpty())
            page.addressEdit()->setText(options_.address);
    }
    write(QStringLiteral("Connecting to %1").arg(options_.port));
    dialog_->connectOrDisconnect();
    if (done_)
        return false; // a message box of the connection ended it
    if (!dialog_->connected()) {
        fail(QStringLiteral("Cannot open the port %1").arg(options_.port));
        return false;
    }
    return true;
}

void HeadlessRun::startAutoTest() {
    CPageAutoTest& page = dialog_->pages().autoTest;
    run_ = &page.run();
    const auto& ui = page.controls();
    ui.executionTimes->setText(QString::number(options_.rounds));
    ui.delay->setText(QString::number(options_.delaySeconds));
    page.run().setStepTimeout(std::chrono::seconds(options_.stepTimeout));
    connect(run_, &AutomationRun::entry, this, &HeadlessRun::onEntry);
    page.startOrStop();
    if (!page.run().running() && !done_)
        fail(QStringLiteral("The auto test did not start"));
}

void HeadlessRun::startTestCase() {
    CTestCasePage& page = dialog_->pages().testPage.page(options_.testCase);
    run_ = &page.run();
    page.executionTimesEdit()->setText(QString::number(options_.rounds));
    page.delayEdit()->setText(QString::number(options_.delaySeconds));
    page.run().setStepTimeout(std::chrono::seconds(options_.stepTimeout));
    connect(run_, &AutomationRun::entry, this, &HeadlessRun::onEntry);
    page.startOrStop();
    if (!page.run().running() && !done_)
        fail(QStringLiteral("The test case did not start"));
}

void HeadlessRun::startScript() {
    ContinuousSend& send = dialog_->continuousSend();
    write(QStringLiteral("Continuous send of %1 commands, %2 rounds")
              .arg(send.lineCount())
              .arg(options_.rounds));
    send.start(static_cast<std::uint32_t>(options_.rounds));
}

void HeadlessRun::onEntry(const RunEntry& e) {
    if (e.tag == RunEntry::Tag::Begin)
        return;
    for (const QString& line : e.text.split(QLatin1Char('\n')))
        if (!line.isEmpty())
            write(line);
    switch (e.tag) {
    case RunEntry::Tag::RoundStart:
        rounds_.push_back({e.round, elapsed(), false, {}});
        lastError_.clear();
        break;
    case RunEntry::Tag::RoundFinish:
        if (!rounds_.empty()) {
            rounds_.back().finished = true;
            rounds_.back().seconds = elapsed() - rounds_.back().seconds;
        }
        break;
    case RunEntry::Tag::Line:
        if (e.colour == kLogRed || e.text.startsWith(QLatin1String("Error")))
            lastError_ = e.text;
        break;
    case RunEntry::Tag::Stop: {
        const QString why = !pendingFailure_.isEmpty() ? pendingFailure_
                            : !lastError_.isEmpty()    ? lastError_
                                                       : QStringLiteral("Stopped");
        if (rounds_.empty() && e.cause != StopCause::Finished)
            rounds_.push_back({1, elapsed(), false, {}});
        if (!rounds_.empty() && !rounds_.back().finished) {
            rounds_.back().failure = why;
            rounds_.back().seconds = elapsed() - rounds_.back().seconds;
        }
        finish(e.cause == StopCause::Finished);
        break;
    }
    case RunEntry::Tag::Begin:
        break;
    }
}

void HeadlessRun::fail(const QString& why) {
    if (done_)
        return;
    pendingFailure_ = why;
    if (run_ && run_->running()) {
        run_->stop(); // its stop entry finishes
        return;
    }
    if (rounds_.empty() || rounds_.back().finished)
        rounds_.push_back({static_cast<int>(rounds_.size()) + 1, 0, false, why});
    else
        rounds_.back().failure = why;
    write(QStringLiteral("Error: %1").arg(why));
    finish(false);
}

void HeadlessRun::finish(bool passed) {
    if (done_)
        return;
    done_ = true;
    exitCode_ = passed ? 0 : 1;
    // Called from inside the routing of an event: the port closes once that has returned.
    QMetaObject::invokeMethod(
        this, [this, passed] { wrapUp(passed); }, Qt::QueuedConnection);
}

void HeadlessRun::wrapUp(bool passed) {
    if (dialog_->continuousSend().running())
        dialog_->continuousSend().stop();
    if (dialog_->connected())
        dialog_->connectOrDisconnect();
    if (!options_.junit.isEmpty()) {
        QSaveFile file(options_.junit);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(junitReport(suiteName(), rounds_, elapsed())) < 0 || !file.commit()) {
            write(QStringLiteral("Error: Cannot write %1").arg(options_.junit));
            exitCode_ = 1;
        }
    }
    write(passed ? QStringLiteral("Passed: %1 round(s) finished").arg(rounds_.size())
                 : QStringLiteral("Failed"));
    wrapped_ = true;
    emit finished(exitCode_);
}

// ---------------------------------------------------------------------------------------
// Nobody to answer

void HeadlessRun::passkeyRequested(std::uint8_t handle) {
    const QString key = passkey();
    write(
        QString::asprintf("Pass key request of handle 0x%02X: typing %s", handle, qPrintable(key)));
    CKelvra_CmdSet_Layer* layer = dialog_->layer();
    if (!layer)
        return;
    for (QChar d : key)
        layer->PasskeyEntryReply(handle, kDigitEntered, static_cast<std::uint8_t>(d.toLatin1()));
    layer->PasskeyEntryReply(handle, kEntryCompleted, 0);
}

void HeadlessRun::confirmRequested(std::uint8_t handle, const QString& code) {
    const bool same = code == passkey();
    write(QString::asprintf("Pairing code %s of handle 0x%02X: %s", qPrintable(code), handle,
                            same ? "Yes" : "No"));
    if (CKelvra_CmdSet_Layer* layer = dialog_->layer())
        layer->PasskeyConfirmReply(handle, same ? kConfirmYes : kConfirmNo);
}

void HeadlessRun::message(const QString& text, PromptIcon icon) {
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, text, icon] { message(text, icon); }, Qt::QueuedConnection);
        return;
    }
    write(QStringLiteral("Message: %1").arg(QString(text).replace(QLatin1Char('\n'), ' ')));
    if (!options_.script.isEmpty() && text == kScriptFinished) {
        finish(true);
        return;
    }
    fail(text);
}

bool HeadlessRun::askYesNo(const QString& text) {
    fail(text);
    return false;
}

QString HeadlessRun::openFile(const QString&, const QString&) {
    fail(QStringLiteral("A file was asked for"));
    return {};
}

QString HeadlessRun::saveFile(const QString&, const QString&) {
    fail(QStringLiteral("A file was asked for"));
    return {};
}

void HeadlessRun::openUrl(const QString&) {}

} // namespace nuvex3
