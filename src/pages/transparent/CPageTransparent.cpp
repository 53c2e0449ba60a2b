#include "pages/transparent/CPageTransparent.h"

#include "framework/MainWindow.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "link/Clock.h"
#include "pages/transparent/DataView.h"
#include "ui/Prompts.h"
#include "ui/ValueEntry.h"
#include "ui/ValueEntryQt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTextEdit>
#include <QVBoxLayout>

using namespace nuvex3;

namespace {

const QString kNoHandle = QStringLiteral("No Connection Handle!");
const QString kStartTx = QStringLiteral("Start Tx");
const QString kStopTx = QStringLiteral("Stop Tx");
const QString kTotalTime = QStringLiteral("Total Time :");
const QString kTxtFilter = QStringLiteral("TXT FILE(*.TXT)");
const QString kPullHigh = QStringLiteral("Pull High");
const QString kPullLow = QStringLiteral("Pull Low");

QLineEdit* numberEdit(const QString& text) {
    auto* e = new QLineEdit(text);
    e->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
    return e;
}

QLineEdit* readOnlyEdit() {
    auto* e = new QLineEdit;
    e->setReadOnly(true);
    return e;
}

// A caption label that names its field for screen readers.
QLabel* labelFor(const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text);
    l->setBuddy(buddy);
    buddy->setAccessibleName(text.trimmed());
    return l;
}

std::uint32_t decimal(const QLineEdit* edit) {
    return parseUnsigned(edit->text().toStdString(), 10);
}

QString asText(const QByteArray& data) {
    return QString::fromLatin1(data);
}

} // namespace

CPageTransparent::CPageTransparent(QWidget* parent)
    : CPageBase(QStringLiteral("Transparent"), parent) {
    buildLayout();
    dataView_ = new DataView(ui_.view, this);

    connect(ui_.send, &QPushButton::clicked, this, &CPageTransparent::sendTyped);
    connect(ui_.loadFile, &QPushButton::clicked, this, &CPageTransparent::loadFile);
    connect(ui_.startTx, &QPushButton::clicked, this, &CPageTransparent::startOrStopTx);
    connect(ui_.handle, &QComboBox::activated, this, &CPageTransparent::showSelected);
    connect(ui_.clear, &QPushButton::clicked, this, &CPageTransparent::clearStatistics);
    connect(ui_.saveAs, &QPushButton::clicked, this, &CPageTransparent::saveAs);
    connect(ui_.loopBack, &QCheckBox::toggled, this, &CPageTransparent::loopBackToggled);
    connect(ui_.clearView, &QPushButton::clicked, this, [this] { dataView_->clear(); });
    connect(ui_.pullHigh, &QPushButton::clicked, this, &CPageTransparent::pullHigh);
    connect(ui_.blockSize, &QLineEdit::textChanged, this, &CPageTransparent::blockSizeChanged);
    ui_.blockSize->installEventFilter(this);

    // The engine reports from its worker; these run on the UI thread.
    connect(&sender_, &TransparentSender::sent, this,
            [this](const QString& handle, const QByteArray& data) {
                appendToView(QStringLiteral("<--[%1] :\n").arg(handle) + asText(data), kSentColour);
            });
    connect(&sender_, &TransparentSender::stopped, this, &CPageTransparent::onStopped);

    // Initialisation of the page window.
    ui_.startTx->setEnabled(false);
    ui_.compare->setEnabled(false);
    ui_.pullHigh->setEnabled(false);
    ui_.blockSize->setText(QStringLiteral("80"));
    showFlow();
}

CPageTransparent::~CPageTransparent() {
    sender_.stopAll();
}

void CPageTransparent::buildLayout() {
    ui_.sendData = new QLineEdit;
    ui_.send = new QPushButton(QStringLiteral("Send"));
    ui_.handle = new QComboBox;
    ui_.handle->setMinimumContentsLength(3);
    ui_.loadFile = new QPushButton(QStringLiteral("Load File"));
    ui_.file = readOnlyEdit();
    ui_.file->setAccessibleName(QStringLiteral("File to send"));
    ui_.startTx = new QPushButton(kStartTx);
    ui_.repeatRounds = numberEdit(QStringLiteral("1"));
    ui_.deltaTime = numberEdit(QStringLiteral("0"));
    ui_.blockSize = numberEdit(QString());
    ui_.countTimes = readOnlyEdit();
    ui_.txNumber = readOnlyEdit();
    ui_.rxNumber = readOnlyEdit();
    ui_.saveAs = new QPushButton(QStringLiteral("Save As..."));
    ui_.clear = new QPushButton(QStringLiteral("Clear"));
    ui_.clear->setAccessibleName(QStringLiteral("Clear counters"));
    ui_.loopBack = new QCheckBox(QStringLiteral("Loop Back"));
    ui_.compare = new QCheckBox(QStringLiteral("Compare Enable"));
    ui_.compareResult = new QLabel(QStringLiteral("Compare Result : N/A"));
    ui_.totalTime = new QLabel(kTotalTime);
    ui_.view = new QTextEdit;
    ui_.view->setReadOnly(true);
    ui_.view->setAccessibleName(QStringLiteral("Sent and received data"));
    ui_.view->setWordWrapMode(QTextOption::WrapAnywhere);
    ui_.clearView = new QPushButton(QStringLiteral("Clear"));
    ui_.clearView->setAccessibleName(QStringLiteral("Clear view"));
    ui_.pullHigh = new QPushButton(kPullHigh);
    ui_.pullHigh->setToolTip(
        QStringLiteral("Drives pin 1 of the VK5310 bridge (GPIO Ctrl: VK5310)"));
    ui_.credits = new QLabel;
    ui_.credits->setAccessibleName(QStringLiteral("Credits"));
    ui_.progress = new QProgressBar;
    ui_.progress->setAccessibleName(QStringLiteral("Progress of the file being sent"));
    ui_.progress->setRange(0, 1);
    ui_.progress->setValue(0);
    ui_.progress->setFormat(QString());
    ui_.chart = new ThroughputChart;
    ui_.chart->setMinimumHeight(160);
    ui_.chart->setMaximumHeight(210);

    auto* page = new QVBoxLayout(this);

    auto* sendRow = new QHBoxLayout;
    sendRow->addWidget(labelFor(QStringLiteral("Send Data:"), ui_.sendData));
    sendRow->addWidget(ui_.sendData, 1);
    sendRow->addWidget(ui_.send);
    page->addLayout(sendRow);

    auto* tx = new QGroupBox(QStringLiteral("Transfer"));
    tx->setAccessibleName(QStringLiteral("Transfer"));
    auto* g = new QGridLayout(tx);
    auto* handleRow = new QHBoxLayout;
    handleRow->addWidget(new QLabel(QStringLiteral("0x")));
    handleRow->addWidget(ui_.handle, 1);
    g->addWidget(labelFor(QStringLiteral("Connection Handle :"), ui_.handle), 0, 0);
    g->addLayout(handleRow, 0, 1);
    g->addWidget(ui_.loadFile, 0, 2);
    g->addWidget(ui_.file, 0, 3, 1, 4);
    g->addWidget(labelFor(QStringLiteral("Repeat Round Times :"), ui_.repeatRounds), 1, 0);
    g->addWidget(ui_.repeatRounds, 1, 1);
    g->addWidget(labelFor(QStringLiteral("Delta Time (ms):"), ui_.deltaTime), 1, 2);
    g->addWidget(ui_.deltaTime, 1, 3);
    g->addWidget(labelFor(QStringLiteral("Block Size (byte):"), ui_.blockSize), 1, 4);
    g->addWidget(ui_.blockSize, 1, 5);
    g->addWidget(new QLabel(QStringLiteral("( 1 ~ 640 )")), 1, 6);
    g->addWidget(ui_.startTx, 2, 0);
    g->addWidget(ui_.progress, 2, 1, 1, 4);
    g->addWidget(ui_.credits, 2, 5, 1, 2);
    g->addWidget(labelFor(QStringLiteral("Count Times:"), ui_.countTimes), 3, 0);
    g->addWidget(ui_.countTimes, 3, 1);
    g->addWidget(labelFor(QStringLiteral("Tx Number:"), ui_.txNumber), 3, 2);
    g->addWidget(ui_.txNumber, 3, 3);
    g->addWidget(labelFor(QStringLiteral("Rx Number:"), ui_.rxNumber), 3, 4);
    g->addWidget(ui_.rxNumber, 3, 5, 1, 2);
    auto* checks = new QHBoxLayout;
    checks->addWidget(ui_.loopBack);
    checks->addWidget(ui_.compare);
    checks->addWidget(ui_.compareResult, 1);
    checks->addWidget(ui_.totalTime, 1);
    checks->addWidget(ui_.saveAs);
    checks->addWidget(ui_.clear);
    g->addLayout(checks, 4, 0, 1, 7);
    g->setColumnStretch(3, 1);
    g->setColumnStretch(1, 1);
    page->addWidget(tx);

    page->addWidget(ui_.chart);
    page->addWidget(ui_.view, 1);
    ui_.view->setMinimumHeight(120);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ui_.clearView);
    bottom->addStretch(1);
    bottom->addWidget(ui_.pullHigh);
    page->addLayout(bottom);
}

bool CPageTransparent::compareEnabled() const {
    return ui_.compare->isChecked();
}

void CPageTransparent::setCompareEnabled(bool on) {
    ui_.compare->setChecked(on);
}

bool CPageTransparent::loopBack() const {
    return ui_.loopBack->isChecked();
}

void CPageTransparent::setLoopBack(bool on) {
    ui_.loopBack->setChecked(on);
}

QString CPageTransparent::compareResult() const {
    return ui_.compareResult->text();
}

void CPageTransparent::setCompareResult(const QString& text) {
    ui_.compareResult->setText(text);
}

QString CPageTransparent::selectedHandle() const {
    return ui_.handle->currentText();
}

bool CPageTransparent::noHandle() {
    if (!receiveTable_.empty())
        return false;
    prompts().message(kNoHandle);
    return true;
}

void CPageTransparent::appendToView(const QString& text, const QColor& colour) {
    dataView_->append(text, colour);
}

void CPageTransparent::flushView() {
    dataView_->flush();
}

void CPageTransparent::enable(bool on) {
    ui_.pullHigh->setEnabled(on);
}

void CPageTransparent::layerChanged() {
    if (!layer()) {
        // Disconnect or a lost port: nothing more is sent, every transfer is over.
        sender_.stopAll();
        if (!receiveTable_.empty())
            showSelected();
        return;
    }
    if (mainWindow())
        sender_.setGate(&mainWindow()->sendGate());
}

void CPageTransparent::linkTableChanged() {
    // The handles of the open links; the first is selected and shown.
    ui_.handle->clear();
    for (std::uint8_t h : linkTable())
        ui_.handle->addItem(QString::asprintf("%02X", h));
    if (ui_.handle->count() > 0) {
        ui_.handle->setCurrentIndex(0);
        if (receiveTable_.find(selectedHandle()))
            showSelected();
    }
}

void CPageTransparent::onAllIdle() {
    CPageBase::onAllIdle();
    sender_.stopAll();
    ui_.startTx->setText(QStringLiteral("Start"));
    ui_.startTx->setEnabled(false);
    receiveTable_.clear();
    throughput_.clear();
    if (ui_.loopBack->isChecked())
        ui_.loopBack->setChecked(false); // shows "Start Tx" again
    showFlow();
}

void CPageTransparent::sendTyped() {
    if (noHandle())
        return;
    const std::vector<std::uint8_t> handle = hexToBytes(selectedHandle().toStdString());
    const QByteArray data = ui_.sendData->text().toLatin1();
    const std::uint8_t h = handle.empty() ? 0 : handle.front();
    appendToView(QString::asprintf("<--[%02X] :\n", h) + asText(data), kSentColour);
    if (!layer() || !sender_.sendNow(*layer(), h, data))
        prompts().message(QStringLiteral("Write command fail!"));
}

void CPageTransparent::loadFile() {
    if (noHandle())
        return;
    const QString path = prompts().openFile(kTxtFilter, lastFile_);
    if (path.isEmpty())
        return;
    lastFile_ = path;
    ui_.startTx->setEnabled(true);
    ui_.compare->setEnabled(true);
    ui_.file->setText(path);
    const QString handle = selectedHandle();
    // A new file for a link that is streaming ends its transfer first.
    if (const auto e = receiveTable_.find(handle); e && e->streaming)
        stopEntry(handle);
    receiveTable_.setReferencePath(handle, path);
}

void CPageTransparent::startOrStopTx() {
    if (noHandle())
        return;
    const QString handle = selectedHandle();
    const std::optional<ReceiveEntry> entry = receiveTable_.find(handle);
    if (handle.isEmpty() || !entry) {
        ui_.startTx->setText(kStartTx);
        prompts().message(kNoHandle);
        return;
    }
    if (entry->streaming) {
        stopEntry(handle);
        return;
    }
    // The link's own file; the last file loaded when the link has none yet.
    const QString file = entry->referencePath.isEmpty() ? lastFile_ : entry->referencePath;
    ui_.file->setText(file);
    throughput_[handle].clear();
    if (sender_.start(handle, file, decimal(ui_.repeatRounds), decimal(ui_.deltaTime)))
        ui_.startTx->setText(kStopTx);
    showProgress(receiveTable_.find(handle).value_or(ReceiveEntry{}));
}

void CPageTransparent::stopEntry(const QString& handle) {
    sender_.stop(handle);
    showSelected();
}

void CPageTransparent::onStopped(const QString& handle, const QString& reason) {
    if (!reason.isEmpty())
        appendToView(reason, kSentColour);
    if (handle == selectedHandle())
        showSelected();
}

void CPageTransparent::showSelected() {
    if (noHandle())
        return;
    const std::optional<ReceiveEntry> entry = receiveTable_.find(selectedHandle());
    if (!entry)
        return;
    const bool hasFile = !entry->referencePath.isEmpty();
    ui_.compare->setEnabled(hasFile);
    if (!hasFile)
        ui_.compare->setChecked(false);
    ui_.startTx->setText(entry->streaming ? kStopTx : kStartTx);
    ui_.repeatRounds->setText(QString::number(entry->repeatRounds));
    ui_.deltaTime->setText(QString::number(entry->deltaMs));
    ui_.file->setText(entry->referencePath);
    refreshStatistics();
}

void CPageTransparent::refreshStatistics() {
    if (noHandle())
        return;
    sampleThroughput();
    const std::optional<ReceiveEntry> entry = receiveTable_.find(selectedHandle());
    if (!entry)
        return;
    ui_.countTimes->setText(QString::number(entry->roundsCompleted));
    ui_.txNumber->setText(QString::number(entry->bytesSent));
    ui_.rxNumber->setText(QString::number(entry->bytesReceived));
    ui_.totalTime->setText(entry->totalTime);
    showProgress(*entry);
    showFlow();
    const auto it = throughput_.find(entry->handle);
    ui_.chart->show(it == throughput_.end() ? std::vector<ThroughputHistory::Rate>{}
                                            : it->second.rates());
}

void CPageTransparent::sampleThroughput() {
    const std::int64_t now = nuvex3::clock().tickMs();
    std::map<QString, ThroughputHistory> kept;
    for (const ReceiveEntry& e : receiveTable_.entries()) {
        ThroughputHistory& h = throughput_[e.handle];
        h.add(now, e.bytesSent, e.bytesReceived);
        kept[e.handle] = std::move(h);
    }
    throughput_ = std::move(kept); // links that went are forgotten
}

void CPageTransparent::showProgress(const ReceiveEntry& entry) {
    const qint64 size = entry.referencePath.isEmpty() ? 0 : QFileInfo(entry.referencePath).size();
    if (size <= 0) {
        ui_.progress->setRange(0, 1);
        ui_.progress->setValue(0);
        ui_.progress->setFormat(QString());
        return;
    }
    // The bar counts in per mille of the file, so files beyond 2 GB fit.
    const auto position = static_cast<qint64>(
        std::min<std::uint64_t>(entry.filePosition, static_cast<std::uint64_t>(size)));
    const bool done =
        !entry.streaming && entry.repeatRounds != 0 && entry.roundsCompleted >= entry.repeatRounds;
    const qint64 shown = done ? size : position;
    const QString rounds =
        entry.repeatRounds == 0 ? QStringLiteral("endless") : QString::number(entry.repeatRounds);
    const std::uint32_t round = done ? entry.repeatRounds : entry.roundsCompleted + 1;
    ui_.progress->setRange(0, 1000);
    ui_.progress->setValue(static_cast<int>(shown * 1000 / size));
    ui_.progress->setFormat(QStringLiteral("Round %1 of %2: %3 of %4 bytes")
                                .arg(round)
                                .arg(rounds)
                                .arg(shown)
                                .arg(size));
}

void CPageTransparent::showFlow() {
    const TransparentSender::Flow flow = sender_.flow();
    if (!flow.active) {
        ui_.credits->setText(QStringLiteral("Credits: flow control off"));
        return;
    }
    ui_.credits->setText(
        flow.payload > 0
            ? QStringLiteral("Credits: %1 (blocks of %2 bytes)").arg(flow.credit).arg(flow.payload)
            : QStringLiteral("Credits: %1").arg(flow.credit));
}

void CPageTransparent::clearStatistics() {
    if (noHandle())
        return;
    const QString handle = selectedHandle();
    QString receivedPath;
    receiveTable_.modify(handle, [&](ReceiveEntry& e) {
        e.roundsCompleted = 0;
        e.bytesSent = 0;
        e.bytesReceived = 0;
        e.totalTime = kTotalTime;
        receivedPath = e.receivedPath;
    });
    ui_.totalTime->setText(kTotalTime);
    throughput_[handle].clear();
    if (prompts().askYesNo(QStringLiteral("Clear Original File?")) && !receivedPath.isEmpty()) {
        QFile file(receivedPath);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.close();
    }
    refreshStatistics();
}

void CPageTransparent::saveAs() {
    if (noHandle())
        return;
    const std::optional<ReceiveEntry> entry = receiveTable_.find(selectedHandle());
    if (!entry)
        return;
    QString path = prompts().saveFile(kTxtFilter, QFileInfo(entry->receivedPath).absolutePath());
    if (path.isEmpty())
        return;
    if (!path.toLower().right(5).contains(QStringLiteral(".txt")))
        path += QStringLiteral(".txt");
    if (QFileInfo(path).absoluteFilePath() != QFileInfo(entry->receivedPath).absoluteFilePath()) {
        QFile::remove(path);
        if (!QFile::copy(entry->receivedPath, path)) {
            prompts().message(QStringLiteral("Save File Fail!\n%1").arg(path));
            return;
        }
    }
    if (prompts().askYesNo(QStringLiteral("Save File Success!\nClear Original File?"))) {
        QFile file(entry->receivedPath);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.close();
    }
}

void CPageTransparent::loopBackToggled(bool on) {
    ui_.startTx->setVisible(!on);
    sender_.setLoopBack(on);
}

void CPageTransparent::pullHigh() {
    if (!layer() || !layer()->bridgeInUse()) {
        prompts().message(QStringLiteral("VK5310 is not initial"));
        return;
    }
    pinHigh_ = !pinHigh_;
    layer()->SetBridgePin1(pinHigh_);
    ui_.pullHigh->setText(pinHigh_ ? kPullLow : kPullHigh);
}

void CPageTransparent::blockSizeChanged() {
    // Above 640 while typing becomes 640; 0 or nothing becomes 1 when the field is left.
    if (decimal(ui_.blockSize) > TransparentSender::kMaxBlockSize)
        ui_.blockSize->setText(QString::number(TransparentSender::kMaxBlockSize));
    sender_.setBlockSize(static_cast<int>(decimal(ui_.blockSize)));
}

bool CPageTransparent::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_.blockSize && event->type() == QEvent::FocusOut &&
        decimal(ui_.blockSize) == 0)
        ui_.blockSize->setText(QStringLiteral("1"));
    return CPageBase::eventFilter(watched, event);
}

void CPageTransparent::compareReceivedFile() {
    const std::optional<nuvex3::ReceiveEntry> entry = receiveTable_.first();
    if (!entry)
        return;
    setCompareResult(QStringLiteral("Compare Result : Comparing"));
    if (nuvex3::compareFiles(entry->referencePath, entry->receivedPath)) {
        QFile received(entry->receivedPath);
        if (received.open(QIODevice::ReadWrite | QIODevice::Truncate))
            received.close();
        setCompareResult(QStringLiteral("Compare Result : Pass"));
    } else {
        nuvex3::prompts().message(
            QStringLiteral("Compare Fail (Connection Handle:%1) \nReceive File Path: %2\nCompare "
                           "File Path: %3")
                .arg(entry->handle, entry->receivedPath, entry->referencePath));
        setCompareResult(QStringLiteral("Compare Result : Fail"));
    }
    receiveTable_.resetTicks(entry->handle, nuvex3::clock().tickMs());
}
