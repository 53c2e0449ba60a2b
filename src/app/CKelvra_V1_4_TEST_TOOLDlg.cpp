#include "app/CKelvra_V1_4_TEST_TOOLDlg.h"

#include "app/ContinuousSend.h"
#include "app/DecodedModel.h"
#include "app/DecodedView.h"
#include "app/MainTimers.h"
#include "app/PacketLog.h"
#include "app/PageSet.h"
#include "app/SimulatedPort.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "link/Clock.h"
#include "ui/Prompts.h"
#include "ui/StableSize.h"
#include "ui/ValueEntry.h"
#include "ui/ValueEntryQt.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

using namespace nuvex3;

namespace {

const QString kConnect = QStringLiteral("Connect");
const QString kDisconnect = QStringLiteral("Disconnect");
const QString kContinuousSend = QStringLiteral("Continuous Send");
const QString kStop = QStringLiteral("Stop");
const QString kCloseQuestion =
    QStringLiteral("The module is still connected. Disconnect and close the tool?");

constexpr int kLeftColumnWidth = 400;

// Routing gives the event loop a turn after this long, so that the window stays responsive
// while records pour in (the queue then fills and the port's reader waits).
constexpr qint64 kRouteSliceMs = 20;

const QString kExtraPagesKey = QStringLiteral("View/ExtraPages");

// The largest number of data bytes a raw command may carry (its packet must fit one write).
constexpr int kMaxDataDigits = static_cast<int>(kMaxWireParams) * 2;

QComboBox* combo(const QStringList& entries, int selected) {
    auto* c = new QComboBox;
    c->addItems(entries);
    c->setCurrentIndex(selected);
    return c;
}

QLabel* label(const QString& text) {
    return new QLabel(text);
}

// A hex field with the static "0x" before it.
QWidget* hexField(QLineEdit* edit) {
    auto* w = new QWidget;
    auto* l = new QHBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(2);
    l->addWidget(label(QStringLiteral("0x")));
    l->addWidget(edit, 1);
    return w;
}

// A frameless scroll area that shows `content` at the size of its viewport, or at the
// content's minimum size with scroll bars when the viewport is smaller.
QScrollArea* scrolling(QWidget* content) {
    auto* area = new QScrollArea;
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(content);
    return area;
}

} // namespace

const QString& CKelvra_V1_4_TEST_TOOLDlg::title() {
    static const QString t = QStringLiteral("NUVEX3 Manual Test Tool v0.37");
    return t;
}

CKelvra_V1_4_TEST_TOOLDlg::CKelvra_V1_4_TEST_TOOLDlg(DialogOptions options, QWidget* parent)
    : QDialog(parent), options_(std::move(options)) {
    setWindowTitle(QStringLiteral("Kelvra_V1_4_TEST_TOOL"));
    pages_ = std::make_unique<PageSet>();
    timers_ = new MainTimers(this);
    continuous_ = new ContinuousSend(gate_, this);

    // Both sides scroll when the window is smaller than they need, so that the window
    // fits any screen.
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 6, 6, 6);
    leftArea_ = scrolling(buildLeftColumn());
    leftArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    leftArea_->setFixedWidth(kLeftColumnWidth);
    row->addWidget(leftArea_);
    ui_.sheet = new QTabWidget;
    row->addWidget(scrolling(ui_.sheet), 1);
    log_ = new PacketLog(ui_.logView, this);
    // Every message box text, each time it occurs, also goes to the log (one line).
    setMessageLog([this](const QString& text) { log_->append(text.simplified(), kMessageColour); });

    router_ = std::make_unique<EventRouter>(EventRouter::Targets{
        *pages_, *this, ui_.status, *timers_, [this] { continuous_->commandSucceeded(); }});
    connect(timers_, &MainTimers::throughputTick, this,
            [this] { pages_->transparent.refreshStatistics(); });
    connect(timers_, &MainTimers::compareDue, this,
            [this] { pages_->transparent.compareReceivedFile(); });

    // Start-up: the port list, the defaults of every control, then the sheet.
    if (!options_.portSource)
        options_.portSource = systemSerialPorts;
    refreshPorts();
    const QString firstExtra =
        options_.extraPorts.isEmpty() ? QString() : options_.extraPorts.first();
    if (const int i = ui_.port->findText(firstExtra); !firstExtra.isEmpty() && i >= 0)
        ui_.port->setCurrentIndex(i);
    portPath_ = ui_.port->currentText();
    ui_.nuvexInterface->setEnabled(false);
    baudRate_ = ui_.baud->currentText().left(7).toUInt();
    ui_.length->setText(QStringLiteral("0"));
    ui_.repeatRounds->setText(QStringLiteral("1"));
    ui_.writeData->setEnabled(false);
    ui_.continuousSend->setEnabled(false);
    ui_.loadScript->setEnabled(false);
    ui_.connect->setEnabled(true);
    setWindowTitle(title());
    startDirectory_ =
        options_.startDirectory.isEmpty() ? QDir::currentPath() : options_.startDirectory;
    buildSheet();
    buildMenu();
    applyEnablingRule();
    fitToScreen();

    connect(ui_.connect, &QPushButton::clicked, this,
            &CKelvra_V1_4_TEST_TOOLDlg::connectOrDisconnect);
    connect(ui_.writeData, &QPushButton::clicked, this,
            &CKelvra_V1_4_TEST_TOOLDlg::writeRawCommand);
    connect(ui_.opcode, &QLineEdit::textChanged, this, &CKelvra_V1_4_TEST_TOOLDlg::opcodeChanged);
    connect(ui_.data, &QLineEdit::textChanged, this, &CKelvra_V1_4_TEST_TOOLDlg::dataChanged);
    connect(ui_.port, &PortComboBox::aboutToShowPopup, this,
            &CKelvra_V1_4_TEST_TOOLDlg::refreshPorts);
    connect(ui_.port, &QComboBox::currentIndexChanged, this,
            [this] { portPath_ = ui_.port->currentText(); });
    connect(ui_.baud, &QComboBox::currentIndexChanged, this,
            [this] { baudRate_ = ui_.baud->currentText().toUInt(); });
    connect(ui_.nuvexInterface, &QComboBox::currentIndexChanged, this, [this] {
        ui_.gpio->setEnabled(true);
        ui_.flowControl->setEnabled(true);
    });
    connect(ui_.clear, &QPushButton::clicked, this, [this] { log_->clearView(); });
    connect(ui_.save, &QPushButton::clicked, this, &CKelvra_V1_4_TEST_TOOLDlg::saveLog);
    connect(ui_.loadScript, &QPushButton::clicked, this, &CKelvra_V1_4_TEST_TOOLDlg::loadScript);
    connect(ui_.continuousSend, &QPushButton::clicked, this,
            &CKelvra_V1_4_TEST_TOOLDlg::continuousSendClicked);
    connect(continuous_, &ContinuousSend::runningChanged, this, [this](bool running) {
        ui_.continuousSend->setText(running ? kStop : kContinuousSend);
    });
}

CKelvra_V1_4_TEST_TOOLDlg::~CKelvra_V1_4_TEST_TOOLDlg() {
    setMessageLog({});
    continuous_->stop();
    stopRunners();
    releaseLayer();
    log_->flush();
    log_->closeFile();
    pages_.reset();
}

QWidget* CKelvra_V1_4_TEST_TOOLDlg::buildLeftColumn() {
    auto* column = new QWidget;
    auto* v = new QVBoxLayout(column);
    v->setContentsMargins(0, 0, 0, 0);

    // Port settings.
    auto* port = new QGroupBox;
    auto* pg = new QGridLayout(port);
    ui_.port = new PortComboBox;
    ui_.baud = combo(
        {"921600", "460800", "230400", "115200", "57600", "38400", "9600", "4800", "2400"}, 3);
    ui_.parity = combo({"None", "Odd", "Event", "Mark", "Space"}, 0);
    ui_.stopBits = combo({"1", "2"}, 0);
    ui_.gpio = combo({"No Use", "VK5310"}, 0);
    ui_.nuvexInterface = combo({"SPI", "UART"}, 1);
    ui_.flowControl = new QCheckBox(QStringLiteral("H/W Flow Ctrl"));
    ui_.partNumber = new QComboBox;
    ui_.rxIndBefore = new QLineEdit(QStringLiteral("20"));
    ui_.rxIndAfter = new QLineEdit(QStringLiteral("10"));
    ui_.connect = new QPushButton(kConnect);
    pg->addWidget(label(QStringLiteral("COM Port :")), 0, 0);
    pg->addWidget(ui_.port, 0, 1);
    pg->addWidget(label(QStringLiteral("Baudrate :")), 0, 2);
    pg->addWidget(ui_.baud, 0, 3);
    pg->addWidget(label(QStringLiteral("Parity Bit :")), 1, 0);
    pg->addWidget(ui_.parity, 1, 1);
    pg->addWidget(label(QStringLiteral("Stop Bit :")), 1, 2);
    pg->addWidget(ui_.stopBits, 1, 3);
    pg->addWidget(label(QStringLiteral("GPIO Ctrl:")), 2, 0);
    pg->addWidget(ui_.gpio, 2, 1);
    pg->addWidget(ui_.connect, 2, 2, 1, 2);
    pg->setColumnStretch(1, 1);
    // Settings the module has no use for at present: kept, hidden.
    auto* hidden = new QWidget;
    auto* hg = new QGridLayout(hidden);
    hg->addWidget(label(QStringLiteral("NUVEX I/F:")), 0, 0);
    hg->addWidget(ui_.nuvexInterface, 0, 1);
    hg->addWidget(ui_.flowControl, 0, 2);
    hg->addWidget(ui_.partNumber, 0, 3);
    hg->addWidget(label(QStringLiteral("Rx_Ind delay Time (Before) :")), 1, 0);
    hg->addWidget(ui_.rxIndBefore, 1, 1);
    hg->addWidget(label(QStringLiteral("( 0.1 ms )")), 1, 2);
    hg->addWidget(label(QStringLiteral("Rx_Ind delay Time (After) :")), 2, 0);
    hg->addWidget(ui_.rxIndAfter, 2, 1);
    hg->addWidget(label(QStringLiteral("( 0.1 ms )")), 2, 2);
    hidden->hide();
    pg->addWidget(hidden, 3, 0, 1, 4);
    v->addWidget(port);

    // Raw command entry.
    auto* raw = new QGroupBox;
    auto* rg = new QGridLayout(raw);
    ui_.opcode = new QLineEdit;
    ui_.opcode->setMaxLength(2);
    ui_.opcode->setFixedWidth(40);
    ui_.data = new QLineEdit;
    ui_.data->setMaxLength(kMaxDataDigits);
    ui_.length = new QLineEdit(QStringLiteral("0"));
    ui_.length->setReadOnly(true);
    ui_.length->setFixedWidth(60);
    ui_.writeData = new QPushButton(QStringLiteral("Write Data "));
    auto* opRow = new QHBoxLayout;
    opRow->addWidget(hexField(ui_.opcode));
    opRow->addStretch(1);
    opRow->addWidget(label(QStringLiteral("Length :")));
    opRow->addWidget(ui_.length);
    rg->addWidget(label(QStringLiteral("Opcode :")), 0, 0);
    rg->addLayout(opRow, 0, 1);
    rg->addWidget(label(QStringLiteral("Write Data :")), 1, 0);
    rg->addWidget(hexField(ui_.data), 1, 1);
    rg->addWidget(ui_.writeData, 1, 2);
    rg->setColumnStretch(1, 1);
    v->addWidget(raw);

    // Continuous send.
    auto* cont = new QGroupBox(QStringLiteral("Continuous Send"));
    auto* cg = new QGridLayout(cont);
    ui_.loadScript = new QPushButton(QStringLiteral("Load Script"));
    ui_.countTimes = new QLineEdit;
    ui_.countTimes->setReadOnly(true);
    ui_.repeatRounds = new QLineEdit(QStringLiteral("1"));
    ui_.repeatRounds->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]*")), ui_.repeatRounds));
    ui_.continuousSend = new QPushButton(kContinuousSend);
    reserveWidthFor(ui_.continuousSend, {kContinuousSend, kStop});
    cg->addWidget(ui_.loadScript, 0, 0);
    cg->addWidget(label(QStringLiteral("Count Times:")), 0, 1);
    cg->addWidget(ui_.countTimes, 0, 2);
    cg->addWidget(label(QStringLiteral("Repeat Round Times :")), 1, 1);
    cg->addWidget(ui_.repeatRounds, 1, 2);
    cg->addWidget(ui_.continuousSend, 1, 0);
    v->addWidget(cont);

    // Module status and link states: displays only, one per row so that every entry
    // reads whole, and in the normal text colour although disabled.
    auto* status = new QGroupBox;
    auto* sg = new QGridLayout(status);
    sg->setVerticalSpacing(2);
    const QStringList labels = {"BT Status:", "Link 1:", "Link 2:", "Link 3:", "Link 4:"};
    for (int i = 0; i < 5; ++i) {
        auto* c = combo(moduleStateEntries(i == 4), -1);
        c->setEnabled(false);
        QPalette readable = c->palette();
        for (const auto role : {QPalette::ButtonText, QPalette::Text, QPalette::WindowText})
            readable.setColor(QPalette::Disabled, role, readable.color(QPalette::Active, role));
        c->setPalette(readable);
        c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        ui_.status[static_cast<std::size_t>(i)] = c;
        auto* caption = label(labels[i]);
        caption->setBuddy(c);
        sg->addWidget(caption, i, 0);
        sg->addWidget(c, i, 1);
    }
    sg->setColumnStretch(1, 1);
    v->addWidget(status);

    // Packet log.
    v->addWidget(label(QStringLiteral("Log View : ")));
    ui_.logView = new QTextEdit;
    ui_.logView->setReadOnly(true);
    ui_.logView->setLineWrapMode(QTextEdit::WidgetWidth);
    ui_.logView->setWordWrapMode(QTextOption::WrapAnywhere); // long packets fill each row
    ui_.logView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    ui_.logView->setFont(mono);
    auto* rawLog = new QWidget;
    auto* rawLayout = new QVBoxLayout(rawLog);
    rawLayout->setContentsMargins(0, 0, 0, 0);
    rawLayout->addWidget(ui_.logView, 1);
    auto* buttons = new QHBoxLayout;
    ui_.clear = new QPushButton(QStringLiteral("Clear"));
    ui_.save = new QPushButton(QStringLiteral("Save..."));
    buttons->addWidget(ui_.clear);
    buttons->addWidget(ui_.save);
    buttons->addStretch(1);
    rawLayout->addLayout(buttons);
    // The same packets decoded, beside the raw lines.
    decodedModel_ = new DecodedModel(this);
    connect(decodedModel_, &DecodedModel::problem, this,
            [this](const QString& text) { appendLog(text, kMessageColour); });
    ui_.decoded = new DecodedView(decodedModel_);
    ui_.logTabs = new QTabWidget;
    ui_.logTabs->setAccessibleName(QStringLiteral("Log View"));
    ui_.logTabs->addTab(rawLog, QStringLiteral("Raw"));
    ui_.logTabs->addTab(ui_.decoded, QStringLiteral("Decoded"));
    v->addWidget(ui_.logTabs, 1);
    return column;
}

void CKelvra_V1_4_TEST_TOOLDlg::buildSheet() {
    for (CPageBase* page : pages_->all()) {
        page->setMainWindow(this);
        // Compact margins: the sheet's frame already sets the page apart.
        if (QLayout* layout = page->layout())
            layout->setContentsMargins(6, 6, 6, 6);
    }
    for (CPageBase* page : pages_->sheet())
        ui_.sheet->addTab(page, page->caption());
    for (const auto& [flag, page] : pages_->profiles())
        ui_.sheet->removeTab(ui_.sheet->indexOf(page));
    ui_.sheet->setCurrentIndex(0);
}

void CKelvra_V1_4_TEST_TOOLDlg::buildMenu() {
    // A "View" button beside the sheet's tabs: it costs the window no height.
    ui_.viewButton = new QToolButton(ui_.sheet);
    ui_.viewButton->setText(QStringLiteral("&View"));
    ui_.viewButton->setAccessibleName(QStringLiteral("View"));
    ui_.viewButton->setPopupMode(QToolButton::InstantPopup);
    auto* view = new QMenu(ui_.viewButton);
    ui_.viewButton->setMenu(view);
    ui_.sheet->setCornerWidget(ui_.viewButton, Qt::TopRightCorner);
    ui_.extraPages =
        view->addAction(QStringLiteral("&Extra Pages (LESC, Air Patch, Corvane, MESH)"));
    ui_.extraPages->setCheckable(true);
    showExtraPages(QSettings().value(kExtraPagesKey, false).toBool());
    connect(ui_.extraPages, &QAction::toggled, this, [this](bool on) {
        showExtraPages(on);
        QSettings().setValue(kExtraPagesKey, on);
    });
}

void CKelvra_V1_4_TEST_TOOLDlg::showExtraPages(bool on) {
    {
        const QSignalBlocker quiet(ui_.extraPages);
        ui_.extraPages->setChecked(on);
    }
    for (CPageBase* page : pages_->extras()) {
        const int tab = ui_.sheet->indexOf(page);
        if (on && tab < 0)
            ui_.sheet->addTab(page, page->caption());
        else if (!on && tab >= 0)
            ui_.sheet->removeTab(tab);
    }
}

bool CKelvra_V1_4_TEST_TOOLDlg::extraPagesShown() const {
    return ui_.extraPages->isChecked();
}

void CKelvra_V1_4_TEST_TOOLDlg::fitToScreen() {
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    // The window manager's frame: known once the window is shown, estimated before.
    QMargins frame(geometry().left() - frameGeometry().left(),
                   geometry().top() - frameGeometry().top(),
                   frameGeometry().right() - geometry().right(),
                   frameGeometry().bottom() - geometry().bottom());
    if (frame.isNull()) {
        const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
        frame = QMargins(border,
                         style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) + border,
                         border, border);
    }
    const QSize room = available.size().shrunkBy(frame);
    // What both sides need without scrolling, as much of it as the screen holds.
    const QMargins m = layout()->contentsMargins();
    const QSize wanted(
        m.left() + m.right() + layout()->spacing() + leftArea_->width() +
            ui_.sheet->sizeHint().width(),
        m.top() + m.bottom() +
            std::max(leftArea_->widget()->sizeHint().height(), ui_.sheet->sizeHint().height()));
    resize(wanted.boundedTo(room));
    const QRect inner = available - frame;
    QRect placed(inner.topLeft(), size());
    placed.moveCenter(inner.center());
    move(placed.topLeft() - QPoint(frame.left(), frame.top()));
}

void CKelvra_V1_4_TEST_TOOLDlg::keyPressEvent(QKeyEvent* event) {
    // Enter presses no button; Esc does not end the session (closing asks first).
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CKelvra_V1_4_TEST_TOOLDlg::closeEvent(QCloseEvent* event) {
    if (connected_) {
        if (!prompts().askYesNo(kCloseQuestion)) {
            event->ignore();
            return;
        }
        disconnectPort();
    }
    QDialog::closeEvent(event);
}

void CKelvra_V1_4_TEST_TOOLDlg::setProfilePages(std::uint8_t flags) {
    if (flags == 0) {
        for (const auto& [flag, page] : pages_->profiles())
            if (const int i = ui_.sheet->indexOf(page); i >= 0)
                ui_.sheet->removeTab(i);
        return;
    }
    for (const auto& [flag, page] : pages_->profiles()) {
        if (!(flags & flag))
            continue;
        if (ui_.sheet->indexOf(page) < 0)
            ui_.sheet->addTab(page, page->caption());
        ui_.sheet->setCurrentWidget(page);
    }
}

void CKelvra_V1_4_TEST_TOOLDlg::tableEvent(int selector, const QString& uuid,
                                           const QString& valueHandle) {
    if (CProfilePage* page = pages_->profileBySelector(selector))
        page->characteristicFound(uuid, valueHandle);
}

void CKelvra_V1_4_TEST_TOOLDlg::activatePage(CPageBase& page) {
    if (ui_.sheet->indexOf(&page) >= 0)
        ui_.sheet->setCurrentWidget(&page);
}

void CKelvra_V1_4_TEST_TOOLDlg::appendLog(const QString& text, const QColor& colour) {
    log_->append(text, colour);
    emit packetLogged(text, colour);
}

void CKelvra_V1_4_TEST_TOOLDlg::refreshPorts() {
    refreshPortCombo(ui_.port, portListEntries(options_.portSource(), options_.extraPorts));
    portPath_ = ui_.port->currentText();
}

void CKelvra_V1_4_TEST_TOOLDlg::connectOrDisconnect() {
    if (connected_)
        disconnectPort();
    else
        connectPort();
}

void CKelvra_V1_4_TEST_TOOLDlg::giveLayerToPages(CKelvra_CmdSet_Layer* layer) {
    for (CPageBase* page : pages_->layerUsers())
        page->setLayer(layer);
}

void CKelvra_V1_4_TEST_TOOLDlg::connectPort() {
    LayerSettings settings;
    settings.interfaceIndex = ui_.nuvexInterface->currentIndex();
    settings.portName = portPath_.toStdString();
    settings.baudRate = baudRate_;
    settings.useBridge = ui_.gpio->currentIndex() == 1;
    settings.hardwareFlowControl = ui_.flowControl->isChecked();
    settings.parity = static_cast<std::uint8_t>(std::max(0, ui_.parity->currentIndex()));
    settings.stopBits = ui_.stopBits->currentIndex() == 1 ? 2 : 0;
    settings.rxIndDelayBefore = ui_.rxIndBefore->text().toInt();
    settings.rxIndDelayAfter = ui_.rxIndAfter->text().toInt();

    // The simulated module runs in this process on a pseudo-terminal; the layer opens its
    // terminal like any serial port.
    std::unique_ptr<SimulatedPort> simulator;
    bool portAvailable = true;
    if (portPath_ == kSimulatedPort) {
        simulator = std::make_unique<SimulatedPort>(static_cast<int>(baudRate_), options_.scenario);
        QString error;
        if (simulator->start(&error)) {
            settings.portName = simulator->path().toStdString();
        } else {
            prompts().message(QStringLiteral("Simulated module: %1").arg(error));
            simulator.reset();
            portAvailable = false;
        }
    }

    // The decoded view's times count from here.
    decodedModel_->startSession(nuvex3::clock().now(),
                                std::chrono::duration_cast<std::chrono::microseconds>(
                                    std::chrono::system_clock::now().time_since_epoch())
                                    .count());
    ui_.decoded->setInterfaceName(portPath_);
    ui_.decoded->setExportDirectory(startDirectory_);

    const std::uint64_t session = ++session_;
    if (portAvailable) {
        auto layer = std::make_unique<CKelvra_CmdSet_Layer>(
            settings,
            [this, &sender = pages_->transparent.sender()](int kind, const Record& record) {
                // Reader, pump, step or UI thread: a compact copy joins the queue with the
                // time it came, and the first record of a batch wakes the window.
                const bool first = records_.push(kind, record, nuvex3::clock().now());
                // The transparent sender takes its answers and credits here, after the
                // record is queued (so the log keeps the wire's order) and before the
                // window is woken: its next block leaves without waiting for the window.
                sender.layerEvent(kind, record);
                if (first)
                    QMetaObject::invokeMethod(this, "drainRecords", Qt::QueuedConnection);
            },
            [](const std::string& text) { postMessage(QString::fromStdString(text)); });
        if (settings.useBridge && !layer->bridgeInUse())
            return; // the bridge did not start: nothing else changes
        layer->pauseReceivingWhile(&records_.fullFlag());
        layer->setPortLostHandler([this, session] {
            QMetaObject::invokeMethod(
                this, [this, session] { onPortLost(session); }, Qt::QueuedConnection);
        });
        layer_ = std::move(layer);
        giveLayerToPages(layer_.get());
        if (layer_->Connect()) {
            connected_ = true;
            ui_.connect->setText(kDisconnect);
            simulator_ = std::move(simulator);
            gate_.setLayer(layer_.get());
        } else {
            giveLayerToPages(nullptr);
            layer_.reset();
        }
    }
    log_->openFile(startDirectory_);
    log_->clearView();
    ui_.gpio->setEnabled(false);
    ui_.flowControl->setEnabled(false);
    applyEnablingRule();
}

// The auto test and the test cases end before the port goes: nothing of theirs is sent
// after Disconnect.
void CKelvra_V1_4_TEST_TOOLDlg::stopRunners() {
    pages_->autoTest.run().stop();
    pages_->testPage.stopAll();
}

void CKelvra_V1_4_TEST_TOOLDlg::setUnattendedPairing(UnattendedPairing* answers) {
    router_->setUnattendedPairing(answers);
}

void CKelvra_V1_4_TEST_TOOLDlg::releaseLayer() {
    for (CPageBase* page : pages_->all())
        page->stopRunners();          // their workers are joined: nothing more comes from them
    router_->endPairingOnPortClose(); // the question may not answer through a closed port
    gate_.setLayer(nullptr);          // waits for a send under way
    giveLayerToPages(nullptr);
    layer_.reset(); // closes the port and joins the layer's threads: no more events
    // Records the layer reported before it went are still queued: they reach the log and
    // its file before the file closes.
    routeQueued(true);
    simulator_.reset();
}

void CKelvra_V1_4_TEST_TOOLDlg::disconnectPort() {
    ui_.connect->setText(kConnect);
    connected_ = false;
    if (continuous_->running())
        continuous_->stop();
    stopRunners();
    releaseLayer();
    router_->forgetModule();
    ui_.gpio->setEnabled(true);
    ui_.flowControl->setEnabled(true);
    log_->flush();
    log_->closeFile();
    setProfilePages(0);
    applyEnablingRule();
}

void CKelvra_V1_4_TEST_TOOLDlg::onPortLost(std::uint64_t session) {
    // The layer has shown "Error in Communications!"; the window goes back to disconnected.
    if (session != session_ || !connected_)
        return;
    disconnectPort();
}

void CKelvra_V1_4_TEST_TOOLDlg::drainRecords() {
    routeQueued(false);
}

void CKelvra_V1_4_TEST_TOOLDlg::routeQueued(bool everything) {
    // A message box opened while routing runs an event loop of its own, which may call
    // this again: every call carries on with the same batch, so each record is routed once
    // and in order.
    QElapsedTimer slice;
    slice.start();
    Record record;
    int kind = 0;
    nuvex3::Clock::time_point at{};
    for (;;) {
        if (batch_.empty()) {
            if (records_.takeAll(batch_) && layer_)
                layer_->resumeReceiving();
            if (batch_.empty())
                return;
        }
        while (batch_.next(kind, record, at)) {
            decodedModel_->add(kind, record, at);
            router_->route(kind, record);
            if (!everything && slice.elapsed() >= kRouteSliceMs) {
                QMetaObject::invokeMethod(this, "drainRecords", Qt::QueuedConnection);
                return;
            }
        }
    }
}

void CKelvra_V1_4_TEST_TOOLDlg::applyEnablingRule() {
    ui_.continuousSend->setEnabled(false);
    ui_.writeData->setEnabled(connected_);
    ui_.loadScript->setEnabled(connected_);
    ui_.port->setEnabled(!connected_);
    ui_.baud->setEnabled(!connected_);
    ui_.parity->setEnabled(!connected_);
    ui_.stopBits->setEnabled(!connected_);
    for (CPageBase* page : pages_->enabledWhileConnected())
        page->enable(connected_);
    pages_->passKey.enable(false);
}

void CKelvra_V1_4_TEST_TOOLDlg::opcodeChanged() {
    validateHexEdit(ui_.opcode, 0, kMaxU32, false);
}

void CKelvra_V1_4_TEST_TOOLDlg::dataChanged() {
    const int n = static_cast<int>(ui_.data->text().size());
    ui_.length->setText(QString::number(n / 2 + n % 2));
    validateHexEdit(ui_.data, 0, kMaxU32, false);
}

void CKelvra_V1_4_TEST_TOOLDlg::writeRawCommand() {
    const QString opcode = ui_.opcode->text();
    const QString data = ui_.data->text().toUpper();
    if (opcode.isEmpty()) {
        prompts().message(QStringLiteral("Please input the write Opcode!"),
                          PromptIcon::Exclamation);
        return;
    }
    const auto count = static_cast<std::size_t>((data.size() + 1) / 2);
    std::vector<std::uint8_t> params = hexToBytes(data.toStdString());
    params.resize(count, 0);
    const std::vector<std::uint8_t> op = hexToBytes(opcode.toStdString());
    const Record command = makeCommandRecord(op.empty() ? 0 : op[0], params);
    if (!layer_ || !layer_->SendCommand(command))
        prompts().message(QStringLiteral("Write Data fail!"));
}

void CKelvra_V1_4_TEST_TOOLDlg::saveLog() {
    const QString chosen = prompts().saveFile(QStringLiteral("LOG FILE(*.log)"), startDirectory_);
    if (chosen.isEmpty())
        return;
    log_->saveView(PacketLog::saveName(chosen));
}

void CKelvra_V1_4_TEST_TOOLDlg::loadScript() {
    const QString chosen = prompts().openFile(QStringLiteral("TXT FILE(*.TXT)"), scriptPath_);
    continuous_->setLines({});
    if (chosen.isEmpty())
        return;
    scriptPath_ = chosen;
    if (!continuous_->loadScript(chosen)) {
        prompts().message(QStringLiteral(" Open File Failed "));
        return;
    }
    ui_.continuousSend->setEnabled(true);
}

void CKelvra_V1_4_TEST_TOOLDlg::continuousSendClicked() {
    if (continuous_->running()) {
        continuous_->stop();
        return;
    }
    continuous_->start(ui_.repeatRounds->text().toUInt());
}
