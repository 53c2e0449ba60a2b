#pragma once
// The "Auto Test" page: the steps one round holds and their parameters, the number of
// rounds, "Start", the "Test Procedure :" log, and Load and Save of the settings as a
// script (.ini). The run itself is AutoTestRun.

#include "framework/CPageBase.h"
#include "pages/automation/AutoTestRun.h"
#include "pages/automation/AutoTestSettings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

class CPageAutoTest : public CPageBase {
    Q_OBJECT
public:
    explicit CPageAutoTest(QWidget* parent = nullptr);
    ~CPageAutoTest() override;

    // "Start" is usable while the port is open; closing it stops a run in progress.
    void enable(bool on) override;

    nuvex3::AutoTestRun& run() { return run_; }
    const nuvex3::AutoTestSettings& settings() const { return settings_; }

    // Reads a script into the settings, line by line (later lines win).
    enum class Loaded { Ok, OpenFailed, NoMarker };
    Loaded loadScript(const QString& path);
    // The preconditions text written into the log at start-up.
    static const QString& preconditions();

    // "Start": validation, then Stop when a run is in progress, else Start.
    void startOrStop();
    // "Load" and "Save" (with their dialogs), as the buttons do once the click returned.
    void load();
    void save();

    struct Controls {
        QCheckBox* createConnection = nullptr;
        QLineEdit* address = nullptr;
        QCheckBox* pairing = nullptr;
        QLineEdit* passkey = nullptr;
        QCheckBox* sendData = nullptr;
        QLineEdit* file = nullptr;
        QPushButton* browse = nullptr;
        QCheckBox* updateParameters = nullptr;
        QLineEdit* interval = nullptr;
        QLineEdit* latency = nullptr;
        QLineEdit* timeout = nullptr;
        QCheckBox* discover = nullptr;
        QCheckBox* disconnect = nullptr;
        QCheckBox* shutdown = nullptr;
        QCheckBox* wakeUp = nullptr;
        QCheckBox* reconnection = nullptr;
        QCheckBox* pairing2 = nullptr;
        QCheckBox* disconnect2 = nullptr;
        QLabel* disconnect2Label = nullptr;
        QCheckBox* erasePaired = nullptr;
        QCheckBox* shutdown2 = nullptr;
        QPushButton* load = nullptr;
        QPushButton* save = nullptr;
        QTextEdit* log = nullptr;
        QLineEdit* executionTimes = nullptr;
        QPushButton* start = nullptr;
        QLineEdit* delay = nullptr;         // hidden
        QPushButton* eraseDevice = nullptr; // hidden
    };
    const Controls& controls() const { return ui_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void linkTableChanged() override;

private:
    void buildLayout();
    void bindBox(QCheckBox* box, bool nuvex3::AutoTestSettings::*field,
                 void (nuvex3::AutoTestSettings::*rule)() = nullptr);
    void bindText(QLineEdit* edit, QString nuvex3::AutoTestSettings::*field, bool hex);
    void showSettings();
    void settingsChanged();
    void browse();
    void eraseDevice();

    nuvex3::AutoTestSettings settings_;
    Controls ui_;
    nuvex3::AutoTestRun run_;
    bool showing_ = false;
};
