#include "app/EventRouter.h"

#include "app/MainTimers.h"
#include "app/PageSet.h"
#include "framework/MainWindow.h"
#include "link/Clock.h"
#include "link/StatusText.h"
#include "ui/Prompts.h"
#include "ui/ValueEntry.h"
#include "ui/ValueEntryQt.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>

#include <algorithm>
#include <span>

namespace nuvex3 {

namespace {

constexpr std::uint8_t kEventCommandComplete = 0x80;
constexpr std::uint8_t kStateStandby = 0x03;
constexpr std::uint8_t kStateIdle = 0x09;

std::size_t recordLength(const Record& r) {
    return (static_cast<std::size_t>(r[0]) << 8) | r[1];
}

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

QStringList moduleStateEntries(bool link4) {
    return {link4 ? QStringLiteral("0x00: Poawer On") : QStringLiteral("0x00: Power On"),
            QStringLiteral("0x01: Scanning Mode"),
            QStringLiteral("0x02: Connecting Mode"),
            QStringLiteral("0x03: Standby Mode"),
            QStringLiteral("0x05: Broadcast Mode"),
            QStringLiteral("0x08: Transparent Service Enabled Mode"),
            QStringLiteral("0x09: Idle Mode."),
            QStringLiteral("0x0A: Shutdown Mode"),
            QStringLiteral("0x0B: Configure Mode"),
            QStringLiteral("0x0c: BLE Connected Mode")};
}

namespace {
// A log line: the prefix, then every byte as two upper-case hex digits, written straight
// into the text (a flood of packets makes one line each).
QString hexLine(QLatin1StringView prefix, std::span<const std::uint8_t> head,
                std::span<const std::uint8_t> body) {
    static constexpr char16_t digits[] = u"0123456789ABCDEF";
    QString line(prefix.size() + 2 * static_cast<qsizetype>(head.size() + body.size()),
                 Qt::Uninitialized);
    QChar* out = line.data();
    for (char c : prefix)
        *out++ = QLatin1Char(c);
    for (auto bytes : {head, body}) {
        for (std::uint8_t b : bytes) {
            *out++ = QChar(digits[b >> 4]);
            *out++ = QChar(digits[b & 0x0F]);
        }
    }
    return line;
}
} // namespace

QString sentLine(const Record& command) {
    const std::size_t count = std::min(commandParamCount(command), kMaxCommandParams);
    const std::size_t length = count + 1;
    const std::uint8_t lengthBytes[2] = {static_cast<std::uint8_t>((length >> 8) & 0xFF),
                                         static_cast<std::uint8_t>(length & 0xFF)};
    return hexLine(QLatin1StringView("<-- "), lengthBytes, std::span(command).subspan(2, length));
}

QString receivedLine(const Record& packet) {
    // The length field's two bytes are its four hex digits.
    const std::size_t shown = std::min(recordLength(packet), kRecordSize - 2);
    return hexLine(QLatin1StringView("--> "), {}, std::span(packet).first(2 + shown));
}

EventRouter::EventRouter(Targets targets) : t_(std::move(targets)) {}

// The routing of decoded kinds. Kinds 0, 1 and 31 (log lines and link errors), the log
// line of kind 34 and the Command Complete status check come first, in route().
const std::vector<EventRouter::Route>& EventRouter::routes() {
    static const std::vector<Route> table = {
        {kKindRssi, &EventRouter::toGap},
        {kKindRemoteName, &EventRouter::toGap},
        {kKindStatusReport, &EventRouter::moduleStatus},
        {kKindAdvertisingReport, &EventRouter::toGapAndAdvEditor},
        {kKindConnectionComplete, &EventRouter::connectionComplete},
        {kKindDisconnectionComplete, &EventRouter::disconnectionComplete},
        {kKindConnectionParameterUpdate, &EventRouter::toGap},
        {kKindPasskeyEntryRequest, &EventRouter::passkeyEntryRequest},
        {kKindPairingComplete, &EventRouter::pairingComplete},
        {kKindPasskeyConfirmRequest, &EventRouter::passkeyConfirmRequest},
        {kKindConfigureModeStatus, &EventRouter::configureMode},
        {kKindCharacteristicValueReceived, &EventRouter::transparentCredit},
        {kKindTransparentData, &EventRouter::receivedData},
        {kKindCommandComplete, &EventRouter::maintenanceCommandComplete},
        {kKindDebugData, &EventRouter::toCommon},
        {kKindLocalInformation, &EventRouter::toCommon},
        {kKindAdcValue, &EventRouter::toCommon},
        {kKindDeviceName, &EventRouter::toCommon},
        {kKindPairingMode, &EventRouter::toCommon},
        {kKindPairedDevices, &EventRouter::toCommon},
        {kKindDioControl, &EventRouter::toGpio},
        {kKindCommandComplete, &EventRouter::gattCommandDone},
        {kKindCharacteristicValue, &EventRouter::gattReadReply},
        {kKindValueByUuid, &EventRouter::gattReadByUuid},
        {kKindPrimaryServiceResult, &EventRouter::gattDiscovery},
        {kKindCharacteristicResult, &EventRouter::gattDiscovery},
        {kKindDescriptorResult, &EventRouter::gattDiscovery},
        {kKindCharacteristicValueReceived, &EventRouter::gattValueReceived},
        {kKindCommandComplete, &EventRouter::gattServerCommandDone},
        {kKindLocalCharacteristicValue, &EventRouter::localReadReply},
        {kKindClientWrite, &EventRouter::clientWrite},
        {kKindStatusReport, &EventRouter::automationStatus},
        {kKindAdvertisingReport, &EventRouter::automationAdvertising},
        {kKindCommandComplete, &EventRouter::automationCommandComplete},
        {kKindPrimaryServiceResult, &EventRouter::automationServiceFound},
        {kKindClientWrite, &EventRouter::profileControlPoint},
        {kKindCustomerDemo, &EventRouter::customerDemo},
    };
    return table;
}

void EventRouter::route(int kind, const Record& record) {
    switch (kind) {
    case kKindCommandSent:
        t_.window.appendLog(sentLine(record), kSentColour);
        return;
    case kKindPacketReceived:
        t_.window.appendLog(receivedLine(record), kReceivedColour);
        return;
    case kKindChecksumError:
        prompts().message(QStringLiteral("UART Checksum Error [RX]"));
        return;
    case kKindCommandTimeout:
        t_.window.appendLog(QString::asprintf("No response to command 0x%02X", record[2]),
                            kSentColour);
        break; // the record is the command: no Command Complete
    default:
        if (record[2] == kEventCommandComplete && !commandComplete(record))
            return;
        break;
    }
    for (const Route& route : routes())
        if (route.kind == kind)
            (this->*route.handler)(kind, record);
}

bool EventRouter::commandComplete(const Record& record) {
    const std::uint8_t opcode = record[3];
    const std::uint8_t status = record[4];
    if (status != 0) {
        if (gattCommandError(opcode, status))
            return false;
        if (!commandErrorTakenByRunner(opcode, status))
            prompts().message(text(commandErrorMessage(opcode, status)));
        return false;
    }
    if (t_.commandSucceeded)
        t_.commandSucceeded();
    return true;
}

void EventRouter::toGap(int kind, const Record& record) {
    t_.pages.gap.receive(kind, record);
}

void EventRouter::toGapAndAdvEditor(int kind, const Record& record) {
    t_.pages.gap.receive(kind, record);
    t_.pages.advEditor.receive(kind, record);
}

void EventRouter::selectState(QComboBox* combo, std::uint8_t state) {
    // The entry texts are fixed ("0x0c: BLE Connected Mode" in lower case), so the
    // prefix is matched without regard to case.
    const QString prefix = QString::asprintf("0x%02X", state);
    int index = -1;
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i).startsWith(prefix, Qt::CaseInsensitive)) {
            index = i;
            break;
        }
    }
    combo->setCurrentIndex(index);
}

void EventRouter::moduleStatus(int, const Record& record) {
    const std::uint8_t state = record[3];
    selectState(t_.status[0], state);
    if (recordLength(record) != 6)
        return;
    for (int i = 0; i < 4; ++i)
        selectState(t_.status[static_cast<std::size_t>(i) + 1], record[4 + i]);
    const bool linksIdle =
        std::all_of(record.begin() + 4, record.begin() + 8, [](auto s) { return s == kStateIdle; });
    if ((state == kStateIdle || state == kStateStandby) && linksIdle)
        forgetLinks();
}

void EventRouter::forgetLinks() {
    t_.timers.stopCompare();
    t_.timers.stopThroughput();
    links_.clear();
    for (CPageBase* page : t_.pages.clearedWhenIdle())
        page->onAllIdle();
}

void EventRouter::forgetModule() {
    for (QComboBox* combo : t_.status)
        combo->setCurrentIndex(-1);
    forgetLinks();
}

void EventRouter::connectionComplete(int kind, const Record& record) {
    const std::uint8_t status = record[3];
    if (status != 0) {
        prompts().message(text(createConnectionErrorMessage(status)));
        return;
    }
    // The GAP page builds its link record from the record and its unchanged copy first.
    t_.pages.gap.receive(kind, record);
    const std::uint8_t handle = record[4];
    links_.push_back(handle);
    addReceiveEntry(handle);
    t_.timers.restartThroughput();
    copyLinkTable();
    t_.pages.smp.refreshHandleRows();
}

void EventRouter::addReceiveEntry(std::uint8_t handle) {
    ReceiveEntry entry;
    entry.handle = QString::asprintf("%02X", handle);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss"));
    entry.receivedPath =
        QDir(t_.window.startDirectory())
            .filePath(QStringLiteral("BLE_Data-%1-%2.txt").arg(entry.handle, stamp));
    t_.pages.transparent.receiveTable().add(std::move(entry));
}

void EventRouter::disconnectionComplete(int kind, const Record& record) {
    const std::uint8_t handle = record[3];
    const std::uint8_t reason = record[4];
    t_.pages.gap.receive(kind, record);
    if (!links_.empty()) {
        if (const auto it = std::find(links_.begin(), links_.end(), handle); it != links_.end())
            links_.erase(it);
        copyLinkTable();
        t_.window.setProfilePages(0);
    }
    ReceiveTable& received = t_.pages.transparent.receiveTable();
    received.remove(QString::asprintf("%02X", handle));
    if (received.empty())
        t_.timers.stopThroughput();
    if (disconnectionTakenByRunner(reason))
        return;
    // A link that a user ended (on either side) is news; any other reason is a fault.
    constexpr std::uint8_t kRemoteUserTerminated = 0x13;
    constexpr std::uint8_t kLocalHostTerminated = 0x16;
    const bool asked = reason == kRemoteUserTerminated || reason == kLocalHostTerminated;
    prompts().message(text(terminateConnectionMessage(handle, reason)),
                      asked ? PromptIcon::Information : PromptIcon::Exclamation);
}

void EventRouter::configureMode(int, const Record& record) {
    if (record[3] == 0)
        prompts().message(QStringLiteral("Configure Mode is Disable"), PromptIcon::Information);
    else if (record[3] == 1)
        prompts().message(QStringLiteral("Configure Mode is Enable"), PromptIcon::Information);
}

void EventRouter::copyLinkTable() {
    for (CPageBase* page : t_.pages.all())
        page->setLinkTable(links_);
}

} // namespace nuvex3
