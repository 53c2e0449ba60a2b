#pragma once
// What the seven test case pages share: the procedure and preconditions texts, the
// "Test Log:", "Execution Times", "Delay Time :", "Start" and, for the central test cases,
// the peer's "Address :". Each page adds its sequence (a TestCaseRun) and its texts.

#include "pages/automation/TestCaseRun.h"

#include <QString>
#include <QWidget>

#include <memory>

class QLineEdit;
class QPushButton;
class QTextEdit;

namespace nuvex3 {
class SendGate;
}

class CTestCasePage : public QWidget {
    Q_OBJECT
public:
    struct Texts {
        QString caption;
        QString procedure;
        QString preconditions;
        bool procedureEditor = false; // "Procedure:" in a read-only rich edit
        QString address;              // default "Address :"; empty: no address field
        int addressMaxLength = 0;     // 0: no limit
        bool eraseButton = false;     // "Erase Device"
    };

    CTestCasePage(Texts texts, std::unique_ptr<nuvex3::TestCaseRun> run, QWidget* parent = nullptr);
    ~CTestCasePage() override;

    const QString& caption() const { return texts_.caption; }
    nuvex3::TestCaseRun& run() { return *run_; }

    // The port is open (or closed): "Start" (and "Erase Device") usable.
    void enable(bool on);
    // The gate the sequence sends through; "Erase Device" sends through its layer.
    void setGate(nuvex3::SendGate* gate);

    // "Start": starts the run, or stops the one in progress.
    void startOrStop();

    // Controls, for tests.
    QTextEdit* logView() const { return log_; }
    QLineEdit* executionTimesEdit() const { return times_; }
    QLineEdit* delayEdit() const { return delay_; }
    QLineEdit* addressEdit() const { return address_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* eraseButton() const { return erase_; }
    QWidget* procedureView() const { return procedure_; }
    QWidget* preconditionsView() const { return preconditions_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void showEntry(const nuvex3::RunEntry& entry);
    void eraseDevice();

    Texts texts_;
    std::unique_ptr<nuvex3::TestCaseRun> run_;
    nuvex3::SendGate* gate_ = nullptr;
    QWidget* procedure_ = nullptr;
    QWidget* preconditions_ = nullptr;
    QTextEdit* log_ = nullptr;
    QLineEdit* times_ = nullptr;
    QLineEdit* delay_ = nullptr;
    QLineEdit* address_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* erase_ = nullptr;
};
