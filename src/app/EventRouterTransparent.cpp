// The event routing of transparent data: received data to its link's file and the
// transparent page's view (and back again in loop-back), and the log line of a credit
// notification the page refuses. The answers to the page's Send Transparent Data
// commands, new links and the credits themselves reach the page's send engine straight
// from the command layer (TransparentSender::layerEvent), ahead of the window.

#include "app/EventRouter.h"

#include "app/MainTimers.h"
#include "app/PageSet.h"
#include "framework/MainWindow.h"
#include "link/Clock.h"
#include "ui/Prompts.h"
#include "ui/ValueEntryQt.h"

namespace nuvex3 {

void EventRouter::transparentCredit(int, const Record& record) {
    const std::optional<CreditNotice> notice = creditNotice(record);
    if (!notice)
        return;
    if (notice->packetSize <= TransparentSender::kCreditOverhead)
        t_.window.appendLog(QString::asprintf("Credit notification refused: packet size %u "
                                              "leaves no data (a block needs at least 1 byte)",
                                              notice->packetSize),
                            kSentColour);
}

void EventRouter::receivedData(int, const Record& record) {
    // [3] handle, [4..7] data length (least significant byte first), [8..] the data; the
    // length is held to what the record can carry.
    constexpr std::size_t kDataOffset = 8;
    CPageTransparent& page = t_.pages.transparent;
    page.setCompareResult(QStringLiteral("Compare Result :"));
    std::uint32_t length = 0;
    for (int i = 3; i >= 0; --i)
        length = (length << 8) | record[4 + static_cast<std::size_t>(i)];
    const std::size_t shown = std::min<std::size_t>(length, kRecordSize - kDataOffset);
    const QByteArray data(reinterpret_cast<const char*>(record.data() + kDataOffset),
                          static_cast<qsizetype>(shown));
    page.appendToView(QStringLiteral("-->\n") + QString::fromLatin1(data), kReceivedColour);
    const QString handle = QString::asprintf("%02X", record[3]);
    const auto result = page.receiveTable().appendReceived(handle, data, clock().tickMs());
    if (result == ReceiveTable::Append::NoEntry)
        return;
    if (result == ReceiveTable::Append::OpenFailed)
        prompts().message(
            QStringLiteral("Open Receive File Fail , data: %1").arg(QString::fromLatin1(data)));
    if (page.compareEnabled())
        t_.timers.restartCompare();
    if (page.loopBack())
        page.sender().echo(handle, data);
}

} // namespace nuvex3
