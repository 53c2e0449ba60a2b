#pragma once

#include "framework/CPageBase.h"
#include "pages/transparent/ReceiveTable.h"

// The "Transparent" page. Its controls come with the work that builds this feature; the
// receive table, the compare result and the compare and loop-back flags exist already
// because the main window's event routing and timers use them.
class CPageTransparent : public CPageBase {
    Q_OBJECT
public:
    explicit CPageTransparent(QWidget* parent = nullptr);

    nuvex3::ReceiveTable& receiveTable() { return receiveTable_; }
    const nuvex3::ReceiveTable& receiveTable() const { return receiveTable_; }

    // "Compare Enable": compare the received file with the sent file after the data.
    bool compareEnabled() const { return compareEnabled_; }
    void setCompareEnabled(bool on) { compareEnabled_ = on; }
    // "Loop Back": echo received data.
    bool loopBack() const { return loopBack_; }
    void setLoopBack(bool on) { loopBack_ = on; }

    // The compare result label.
    const QString& compareResult() const { return compareResult_; }
    void setCompareResult(const QString& text) { compareResult_ = text; }

    // Compares the first receive table entry's received file with its reference file.
    // Equal: the received file is emptied for the next transfer. Different: a message
    // names both files. Either way both ticks of the entry restart.
    void compareReceivedFile();

    // The statistics refresh of the main window's throughput timer; the page's statistics
    // fields override it when they exist.
    virtual void refreshStatistics() {}

    void onAllIdle() override;

private:
    nuvex3::ReceiveTable receiveTable_;
    bool compareEnabled_ = false;
    bool loopBack_ = false;
    QString compareResult_ = QStringLiteral("Compare Result : N/A");
};
