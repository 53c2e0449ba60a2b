#pragma once
// The "Transparent" page: sends a typed text at once, or streams a text file to one or
// more links in blocks, round after round, with a pause between blocks and the credit flow
// control the peer announces; shows what is sent and received, counts both ways, shows
// the elapsed time and the throughput, echoes received data (loop-back) and compares the
// received file with the file sent. One receive table entry exists per established link;
// the main window's event routing creates and removes them and hands the page received
// data, credit notifications and the answers to its sends.

#include "framework/CPageBase.h"
#include "pages/transparent/ReceiveTable.h"
#include "pages/transparent/ThroughputChart.h"
#include "pages/transparent/TransparentSender.h"

#include <QColor>
#include <QString>

#include <map>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTextEdit;

namespace nuvex3 {
class DataView;
}

class CPageTransparent : public CPageBase {
    Q_OBJECT
public:
    explicit CPageTransparent(QWidget* parent = nullptr);
    ~CPageTransparent() override;

    nuvex3::ReceiveTable& receiveTable() { return receiveTable_; }
    const nuvex3::ReceiveTable& receiveTable() const { return receiveTable_; }
    // The send engine: blocks, echoes and the answers to them.
    nuvex3::TransparentSender& sender() { return sender_; }

    // "Compare Enable": compare the received file with the sent file after the data.
    bool compareEnabled() const;
    void setCompareEnabled(bool on);
    // "Loop Back": echo received data.
    bool loopBack() const;
    void setLoopBack(bool on);

    // The compare result label.
    QString compareResult() const;
    void setCompareResult(const QString& text);

    // Compares the first receive table entry's received file with its reference file.
    // Equal: the received file is emptied for the next transfer. Different: a message
    // names both files. Either way both ticks of the entry restart.
    void compareReceivedFile();

    // The main window's throughput timer: the selected link's statistics, its transfer's
    // progress, the credits and the throughput chart.
    void refreshStatistics();

    // Adds text and a line break to the send and receive view, which is emptied first
    // when it holds more than 12000 characters.
    void appendToView(const QString& text, const QColor& colour);
    // Shows what waits for the view's next batch.
    void flushView();

    // Enables "Pull High" (connected) or disables it.
    void enable(bool on) override;
    // The module reported every link idle: transfers stop, the table and queues empty.
    void onAllIdle() override;

    // The link shown and acted on ("Connection Handle :"), empty when there is none.
    QString selectedHandle() const;

    struct Controls {
        QLineEdit* sendData = nullptr;
        QPushButton* send = nullptr;
        QComboBox* handle = nullptr;
        QPushButton* loadFile = nullptr;
        QLineEdit* file = nullptr;
        QPushButton* startTx = nullptr;
        QLineEdit* repeatRounds = nullptr;
        QLineEdit* deltaTime = nullptr;
        QLineEdit* blockSize = nullptr;
        QLineEdit* countTimes = nullptr;
        QLineEdit* txNumber = nullptr;
        QLineEdit* rxNumber = nullptr;
        QPushButton* saveAs = nullptr;
        QPushButton* clear = nullptr;
        QCheckBox* loopBack = nullptr;
        QCheckBox* compare = nullptr;
        QLabel* compareResult = nullptr;
        QLabel* totalTime = nullptr;
        QTextEdit* view = nullptr;
        QPushButton* clearView = nullptr;
        QPushButton* pullHigh = nullptr;
        QLabel* credits = nullptr;
        QProgressBar* progress = nullptr;
        nuvex3::ThroughputChart* chart = nullptr;
    };
    const Controls& controls() const { return ui_; }

protected:
    void linkTableChanged() override;
    void layerChanged() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void sendTyped();
    void loadFile();
    void startOrStopTx();
    void stopEntry(const QString& handle);
    void showSelected();
    void clearStatistics();
    void saveAs();
    void loopBackToggled(bool on);
    void pullHigh();
    void blockSizeChanged();
    void onStopped(const QString& handle, const QString& reason);
    void showFlow();
    void showProgress(const nuvex3::ReceiveEntry& entry);
    void sampleThroughput();
    bool noHandle(); // "No Connection Handle!" when the table is empty

    nuvex3::ReceiveTable receiveTable_;
    nuvex3::TransparentSender sender_{receiveTable_};
    Controls ui_;
    nuvex3::DataView* dataView_ = nullptr;
    QString lastFile_;
    bool pinHigh_ = false;
    std::map<QString, nuvex3::ThroughputHistory> throughput_;
};
