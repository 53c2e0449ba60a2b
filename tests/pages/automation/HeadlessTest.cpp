// The tool without a window: a script, a test case or a continuous send run against the
// simulated module; the log with times on the output, the exit code, the JUnit report,
// the questions nobody is there to answer and the message boxes that end a run. In
// process on the test clock, and the real program with no display at all.

#include "AutomationTestSupport.h"

#include "app/HeadlessRun.h"
#include "pages/automation/AutoTestSettings.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

using namespace std::chrono_literals;

// The report as the JUnit schema shapes it: <testsuites><testsuite><testcase>[<failure>].
struct Report {
    bool wellFormed = false;
    QString suite;
    int tests = -1, failures = -1;
    QStringList cases;     // testcase names
    QStringList failures_; // failure messages, one per failing testcase
};

Report readReport(const QString& path) {
    Report r;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return r;
    QXmlStreamReader x(&f);
    QStringList open;
    bool shape = true;
    while (!x.atEnd()) {
        x.readNext();
        if (x.isStartElement()) {
            const QString name = x.name().toString();
            const QString parent = open.isEmpty() ? QString() : open.last();
            shape = shape && ((name == "testsuites" && parent.isEmpty()) ||
                              (name == "testsuite" && parent == "testsuites") ||
                              (name == "testcase" && parent == "testsuite") ||
                              (name == "failure" && parent == "testcase"));
            const auto a = x.attributes();
            if (name == "testsuite") {
                r.suite = a.value("name").toString();
                r.tests = a.value("tests").toInt();
                r.failures = a.value("failures").toInt();
                shape = shape && a.hasAttribute("time") && a.hasAttribute("errors");
            } else if (name == "testcase") {
                r.cases << a.value("name").toString();
                shape = shape && a.hasAttribute("classname") && a.hasAttribute("time");
            } else if (name == "failure") {
                r.failures_ << a.value("message").toString();
            }
            open << name;
        } else if (x.isEndElement()) {
            open.removeLast();
        }
    }
    r.wellFormed = shape && !x.hasError();
    return r;
}

class Headless : public ::testing::Test {
protected:
    // Runs the options against "Simulated module" with this scenario on the test clock.
    int run(HeadlessOptions o) {
        o.port = QStringLiteral("Simulated module");
        out.open(QIODevice::WriteOnly);
        DialogOptions d;
        d.startDirectory = dir.path();
        d.portSource = [] { return QStringList(); };
        headless = std::make_unique<HeadlessRun>(o, &out, d);
        bool ended = false;
        QObject::connect(headless.get(), &HeadlessRun::finished, [&] { ended = true; });
        headless->start();
        EXPECT_TRUE(driveUntil(
            clock, headless->dialog(), [&] { return ended; }, 3600s))
            << output().toStdString();
        return headless->exitCode();
    }
    QString output() const { return QString::fromUtf8(out.data()); }
    // The output's lines without their times.
    QStringList lines() const {
        QStringList l;
        for (const QString& line : output().split('\n', Qt::SkipEmptyParts))
            l << line.mid(line.indexOf(QLatin1String("] ")) + 2);
        return l;
    }
    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        return path;
    }

    ManualClock clock;
    ScopedClock scoped{clock};
    QTemporaryDir dir;
    QBuffer out;
    std::unique_ptr<HeadlessRun> headless;
};

TEST_F(Headless, AScriptWhoseRoundsAllFinishExitsWithZeroAndReportsEachRound) {
    AutoTestSettings s;
    s.pairing = true;
    s.applyPairingRule();
    s.sendData = true;
    s.sendFile = file("send.txt", "0123456789ABCDEFGHIJ0123456789ABCDEFGHIJ+-*/=");
    s.updateParameters = true;
    s.discover = true;
    s.shutdown = true;
    s.wakeUp = true;
    s.pairing2 = true;
    s.shutdown2 = true;
    HeadlessOptions o;
    o.ini = file("all.ini", iniText(s));
    o.rounds = 2;
    o.scenario = "auto-test";
    o.junit = dir.filePath("report.xml");
    EXPECT_EQ(run(o), 0) << output().toStdString();
    const QStringList l = lines();
    EXPECT_EQ(l.first(), "Connecting to Simulated module");
    EXPECT_TRUE(l.contains("--Test Round 2 Finish--"));
    EXPECT_EQ(l.mid(l.size() - 2),
              QStringList({"=========Test Stop==========", "Passed: 2 round(s) finished"}));
    // Every line carries the time since the start.
    EXPECT_TRUE(output().startsWith("[    0.000] Connecting")) << output().toStdString();
    const Report r = readReport(o.junit);
    EXPECT_TRUE(r.wellFormed);
    EXPECT_EQ(r.suite, "Auto Test " + o.ini);
    EXPECT_EQ(r.tests, 2);
    EXPECT_EQ(r.failures, 0);
    EXPECT_EQ(r.cases, QStringList({"Round 1", "Round 2"}));
    EXPECT_TRUE(r.failures_.isEmpty());
}

TEST_F(Headless, ARoundThatFailsExitsWithOneAndItsRedLineIsTheFailure) {
    AutoTestSettings s;
    s.pairing = true;
    s.applyPairingRule();
    s.erasePaired = false; // the second round finds the bond
    HeadlessOptions o;
    o.ini = file("bonded.ini", iniText(s));
    o.rounds = 2;
    o.scenario = "auto-test";
    o.junit = dir.filePath("report.xml");
    EXPECT_EQ(run(o), 1);
    EXPECT_TRUE(lines().contains("Error: Pairing record exists"));
    EXPECT_EQ(lines().last(), "Failed");
    const Report r = readReport(o.junit);
    EXPECT_TRUE(r.wellFormed);
    EXPECT_EQ(r.tests, 2);
    EXPECT_EQ(r.failures, 1);
    EXPECT_EQ(r.failures_, QStringList({"Error: Pairing record exists"}));
}

TEST_F(Headless, AMessageBoxThatWouldWaitForAPersonEndsTheRunWithItsText) {
    // The wrong pass key: the pairing fails, which a person would have to acknowledge.
    AutoTestSettings s;
    s.pairing = true;
    s.passkey = "111111";
    HeadlessOptions o;
    o.ini = file("wrong-key.ini", iniText(s));
    o.scenario = "auto-test";
    o.junit = dir.filePath("report.xml");
    EXPECT_EQ(run(o), 1);
    EXPECT_TRUE(lines().contains("Message: Pairing Fail"));
    EXPECT_EQ(readReport(o.junit).failures_, QStringList({"Pairing Fail"}));
}

TEST_F(Headless, AStepWithoutAnswerEndsTheRunAfterTheStepTimeOut) {
    AutoTestSettings s;
    s.address = "0A0B0C0D0E0E"; // nobody advertises there
    HeadlessOptions o;
    o.ini = file("nobody.ini", iniText(s));
    o.stepTimeout = 30;
    EXPECT_EQ(run(o), 1);
    const QStringList l = lines();
    EXPECT_EQ(l.mid(l.size() - 4),
              QStringList({"Send \"Set Scan Enable\" command, check Module is enter Scanning Mode.",
                           "Error: No answer within 30 seconds, the run ends.",
                           "=========Test Stop==========", "Failed"}));
}

TEST_F(Headless, TestCasesRunByNumberAndPassKeyRequestsNobodyTookAreAnswered) {
    HeadlessOptions o;
    o.testCase = 2;
    o.scenario = "wakeup-master";
    o.rounds = 2;
    o.junit = dir.filePath("report.xml");
    EXPECT_EQ(run(o), 0) << output().toStdString();
    const Report r = readReport(o.junit);
    EXPECT_EQ(r.suite, "Test case 2 Wakeup Test - Master");
    EXPECT_EQ(r.cases, QStringList({"Round 1", "Round 2"}));

    // The thermometer asks for pairing by itself; the run does not: the pass key given
    // answers it, and the round finishes.
    AutoTestSettings s;
    s.address = "665544332211";
    HeadlessOptions t;
    t.ini = file("thermo.ini", iniText(s));
    t.passkey = "602491";
    t.packets = true;
    headless.reset();
    out.close();
    out.setData({});
    EXPECT_EQ(run(t), 0) << output().toStdString();
    EXPECT_TRUE(lines().contains("Pass key request of handle 0x01: typing 602491"));
    EXPECT_TRUE(lines().contains("<-- 0003400104"));
}

TEST_F(Headless, BadFilesEndTheRunBeforeItConnects) {
    HeadlessOptions o;
    o.ini = dir.filePath("missing.ini");
    EXPECT_EQ(run(o), 1);
    EXPECT_TRUE(lines().contains("Error: Cannot open the auto test script " + o.ini));
    EXPECT_FALSE(lines().contains("Connecting to Simulated module"));

    AutoTestSettings s;
    s.sendData = true;
    s.sendFile = dir.filePath("gone.txt");
    for (const auto& [content, error] :
         {std::pair{QByteArray("[Shutdown]Y;\r\n"), QString("The is not the correct ini file")},
          std::pair{iniText(s), "Can not open the send file " + s.sendFile},
          std::pair{QByteArray(kIniMarker) + "\r\n[Passkey]12;\r\n[PairingRequest]Y;\r\n",
                    QString("Please input 6 numbers for Passkey!!")},
          std::pair{iniText(AutoTestSettings{}) + "[RemoteDeviceAddress]33333333333Z;\r\n",
                    QString("Direct Address must be 12 hexadecimal digits: \"33333333333Z\"")}}) {
        headless.reset();
        out.close();
        out.setData({});
        o.ini = file("bad.ini", content);
        EXPECT_EQ(run(o), 1);
        EXPECT_TRUE(lines().contains("Error: " + error)) << output().toStdString();
    }
}

TEST_F(Headless, AContinuousSendScriptRunsItsRounds) {
    HeadlessOptions o;
    o.script = file("script.txt", "01\r\n0A\r\n");
    o.rounds = 2;
    o.junit = dir.filePath("report.xml");
    EXPECT_EQ(run(o), 0) << output().toStdString();
    EXPECT_TRUE(lines().contains("Message: Continuius_send Finish"));
    EXPECT_EQ(readReport(o.junit).cases, QStringList({"Round 1", "Round 2"}));
}

// ---------------------------------------------------------------------------------------
// The program itself, with no display

class Program : public ::testing::Test {
protected:
    int run(const QStringList& args, int boundMs = 60000) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(TOOL_PROGRAM, args);
        EXPECT_TRUE(p.waitForFinished(boundMs));
        out = QString::fromUtf8(p.readAllStandardOutput());
        err = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    QTemporaryDir dir;
    QString out, err;
};

TEST_F(Program, RunsHeadlessWithoutADisplayAndWritesItsReport) {
    const QString ini = dir.filePath("quick.ini");
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(kIniMarker) +
            "\r\n\r\n[RemoteDeviceAddress]0A0B0C0D0E0F;\r\n[Disconnect]N;\r\n");
    f.close();
    EXPECT_EQ(run({"--run", ini, "--port", "Simulated module", "--junit", "report.xml"}), 0)
        << out.toStdString() << err.toStdString();
    EXPECT_TRUE(out.contains("] --Test Round 1 Finish--\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("] Passed: 1 round(s) finished\n"));
    const Report r = readReport(dir.filePath("report.xml"));
    EXPECT_TRUE(r.wellFormed);
    EXPECT_EQ(r.cases, QStringList({"Round 1"}));
    EXPECT_EQ(r.failures, 0);

    // Test case 5 needs a link: against the idle module it fails at once.
    EXPECT_EQ(run({"--test-case", "5", "--port", "Simulated module"}), 1);
    EXPECT_TRUE(out.contains("] Error: Module is in wrong State (9)\n")) << out.toStdString();
}

TEST_F(Program, RefusesOptionsThatDoNotFit) {
    EXPECT_EQ(run({"--run", "x.ini"}), 2);
    EXPECT_TRUE(err.contains("--run, --test-case and --script need --port"));
    EXPECT_EQ(run({"--test-case", "8", "--port", "Simulated module"}), 2);
    EXPECT_TRUE(err.contains("--test-case needs a number from 1 to 7"));
    EXPECT_EQ(run({"--run", "x.ini", "--script", "y.txt", "--port", "Simulated module"}), 2);
    EXPECT_EQ(run({"--rounds", "2"}), 2);
    EXPECT_EQ(run({"--run", "x.ini", "--port", "Simulated module", "--passkey", "12345"}), 2);
}

} // namespace
} // namespace nuvex3::test
