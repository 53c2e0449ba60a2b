#pragma once
// The main window of the tool: the port settings and Connect, the raw command entry, the
// continuous send, the module status with the four link states and the packet log on the
// left; the property sheet with the feature pages on the right. It owns every page, and
// the command layer from Connect to Disconnect.

#include "app/EventRouter.h"
#include "app/PortList.h"
#include "framework/MainWindow.h"
#include "framework/SendGate.h"
#include "link/Clock.h"
#include "link/Packet.h"
#include "link/RecordQueue.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QKeyEvent;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QTabWidget;
class QTextEdit;
class QToolButton;

namespace nuvex3 {
class CKelvra_CmdSet_Layer;
class ContinuousSend;
class DecodedModel;
class DecodedView;
class MainTimers;
class PacketLog;
class SimulatedPort;
struct PageSet;

struct DialogOptions {
    QString startDirectory; // where log files go; empty: the current directory
    QStringList extraPorts; // listed after the system ports; the first one is selected
    PortSource portSource;  // the system's serial ports unless set
    QString scenario;       // of "Simulated module": a built-in name or a file; empty: demo
};
} // namespace nuvex3

class CKelvra_V1_4_TEST_TOOLDlg : public QDialog, public nuvex3::MainWindow {
    Q_OBJECT
public:
    static const QString& title();

    explicit CKelvra_V1_4_TEST_TOOLDlg(nuvex3::DialogOptions options = {},
                                       QWidget* parent = nullptr);
    ~CKelvra_V1_4_TEST_TOOLDlg() override;

    // nuvex3::MainWindow
    void appendLog(const QString& text, const QColor& colour) override;
    void setProfilePages(std::uint8_t flags) override;
    void tableEvent(int selector, const QString& uuid, const QString& valueHandle) override;
    void activatePage(CPageBase& page) override;
    QString startDirectory() const override { return startDirectory_; }
    nuvex3::SendGate& sendGate() override { return gate_; }

    // The Connect button: connects while disconnected, disconnects while connected.
    void connectOrDisconnect();
    bool connected() const { return connected_; }
    nuvex3::CKelvra_CmdSet_Layer* layer() const { return layer_.get(); }
    const std::vector<std::uint8_t>& linkTable() const { return router_->linkTable(); }
    nuvex3::PageSet& pages() { return *pages_; }
    nuvex3::PacketLog& packetLog() { return *log_; }
    nuvex3::DecodedModel& decodedModel() { return *decodedModel_; }
    nuvex3::ContinuousSend& continuousSend() { return *continuous_; }
    nuvex3::MainTimers& timers() { return *timers_; }
    // The records between the layer and the routing (tests, benchmarks).
    const nuvex3::RecordQueue& recordQueue() const { return records_; }
    // The port path handed to the layer at Connect (the selected entry).
    const QString& portPath() const { return portPath_; }
    // Reads the port list again, keeping the selection (as the drop-down does).
    void refreshPorts();
    // Pass key requests and numeric comparisons that nobody is there to answer.
    void setUnattendedPairing(nuvex3::UnattendedPairing* answers);
    // "View", "Extra Pages": shows the pages built but not in the sheet at start-up (LESC,
    // Air Patch, Corvane and the three mesh pages) at the end of the sheet, or hides them.
    // The choice is remembered for the next start.
    void showExtraPages(bool on);
    bool extraPagesShown() const;

    // The controls, for tests and the screenshot.
    struct Controls {
        nuvex3::PortComboBox* port = nullptr;
        QComboBox* baud = nullptr;
        QComboBox* parity = nullptr;
        QComboBox* stopBits = nullptr;
        QComboBox* gpio = nullptr;
        QComboBox* nuvexInterface = nullptr;
        QCheckBox* flowControl = nullptr;
        QComboBox* partNumber = nullptr;
        QLineEdit* rxIndBefore = nullptr;
        QLineEdit* rxIndAfter = nullptr;
        QPushButton* connect = nullptr;
        QLineEdit* opcode = nullptr;
        QLineEdit* data = nullptr;
        QLineEdit* length = nullptr;
        QPushButton* writeData = nullptr;
        QPushButton* loadScript = nullptr;
        QLineEdit* countTimes = nullptr;
        QLineEdit* repeatRounds = nullptr;
        QPushButton* continuousSend = nullptr;
        nuvex3::StatusCombos status{};
        QTextEdit* logView = nullptr;
        QPushButton* clear = nullptr;
        QPushButton* save = nullptr;
        QTabWidget* logTabs = nullptr; // "Raw" (the log view) and "Decoded"
        nuvex3::DecodedView* decoded = nullptr;
        QTabWidget* sheet = nullptr;
        QToolButton* viewButton = nullptr; // its menu: "Extra Pages"
        QAction* extraPages = nullptr;
    };
    const Controls& controls() const { return ui_; }

    // Sizes the window to what its two sides need, as far as the available area of its
    // screen allows (the sides scroll in a smaller window), and centres it there.
    void fitToScreen();

signals:
    // Every line of the packet log, as it is added.
    void packetLogged(const QString& text, const QColor& colour);

private slots:
    // Routes what the layer queued, one batch at a time (woken once per batch).
    void drainRecords();

protected:
    // Enter in a field presses no button (the window's default button is a hidden,
    // disabled OK); Esc does nothing.
    void keyPressEvent(QKeyEvent* event) override;
    // Closing while connected asks first.
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildLeftColumn();
    void buildMenu();
    void buildSheet();
    void connectPort();
    void disconnectPort();
    void onPortLost(std::uint64_t session);
    // Routes queued records in order; gives the event loop a turn after a time slice
    // unless `everything` is asked for.
    void routeQueued(bool everything);
    void applyEnablingRule();
    void giveLayerToPages(nuvex3::CKelvra_CmdSet_Layer* layer);
    void releaseLayer();
    void stopRunners();

    void writeRawCommand();
    void opcodeChanged();
    void dataChanged();
    void saveLog();
    void loadScript();
    void continuousSendClicked();

    nuvex3::DialogOptions options_;
    QString startDirectory_;
    QString portPath_;
    std::uint32_t baudRate_ = 115200;
    QString scriptPath_;
    bool connected_ = false;
    std::uint64_t session_ = 0; // counts Connects; events of an earlier layer are ignored

    Controls ui_;
    QScrollArea* leftArea_ = nullptr;
    std::unique_ptr<nuvex3::PageSet> pages_;
    nuvex3::PacketLog* log_ = nullptr;
    nuvex3::DecodedModel* decodedModel_ = nullptr;
    nuvex3::MainTimers* timers_ = nullptr;
    nuvex3::ContinuousSend* continuous_ = nullptr;
    std::unique_ptr<nuvex3::EventRouter> router_;
    nuvex3::RecordQueue records_; // filled by the layer's threads, outlives every layer
    nuvex3::RecordBatch batch_;   // the batch being routed
    nuvex3::SendGate gate_;
    std::unique_ptr<nuvex3::SimulatedPort> simulator_;
    std::unique_ptr<nuvex3::CKelvra_CmdSet_Layer> layer_;
};
