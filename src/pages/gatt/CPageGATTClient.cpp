#include "pages/gatt/CPageGATTClient.h"

#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/gatt/GattResultLists.h"
#include "pages/gatt/GattTable.h"
#include "ui/Prompts.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace nuvex3;

namespace {

std::vector<OpcodeSpec> clientTable() {
    using namespace nuvex3::rows;
    const ParamRowSpec connection = handle(QStringLiteral("Connection Handle:"));
    const ParamRowSpec valueHandle =
        hex(QStringLiteral("Char Value Handle:"), QStringLiteral("(Unit: 2 Octets)"), 4,
            QStringLiteral("0000"));
    ParamRowSpec transparentCtrl =
        selection(QStringLiteral("Transparent Ctrl:"),
                  {QStringLiteral("0x00: Disable"), QStringLiteral("0x01: Enable")});
    transparentCtrl.prefix = true;
    return {
        {QStringLiteral("0x30: Discover All Primary Service"), {connection, off(), off(), off()}},
        {QStringLiteral("0x31: Discover Specific Primary Service Characteristics and Descriptors"),
         {connection,
          hex(QStringLiteral("Service UUID:"), QStringLiteral("(Unit: 2 or 16 Octets)"), 32,
              QStringLiteral("0000")),
          off(), off()}},
        {QStringLiteral("0x32: Read Characteristics Value"),
         {connection, valueHandle, off(), off()}},
        {QStringLiteral("0x33: Read Using Characteristics UUID"),
         {connection,
          hex(QStringLiteral("Characteristic UUID:"), QStringLiteral("(Unit: 2 or 16 Octets)"), 32,
              QStringLiteral("0000")),
          off(), off()}},
        {QStringLiteral("0x34: Write Characteristics Value"),
         {connection,
          selection(QStringLiteral("Write Type:"),
                    {QStringLiteral("0x00: Write with Response"),
                     QStringLiteral("0x01: Write without Response")}),
          valueHandle,
          hex(QStringLiteral("Characteristic Value:"), QStringLiteral("(Unit: 1~20 Octets)"), 40)}},
        {QStringLiteral("0x35: Enable Transparent"),
         {connection, transparentCtrl,
          selection(QStringLiteral("Transparent Mode:"),
                    {QStringLiteral("0x00: Write Req"), QStringLiteral("0x01: Write Cmd")}),
          off()}},
    };
}

CCommandPage::SendResult result(bool written) {
    return written ? CCommandPage::SendResult::Sent : CCommandPage::SendResult::Failed;
}

UuidKind uuidKind(std::size_t bytes) {
    return bytes == 2 ? UuidKind::Bits16 : UuidKind::Bits128;
}

} // namespace

CPageGATTClient::CPageGATTClient(QWidget* parent)
    : CCommandPage(QStringLiteral("GATT Client"), QStringLiteral("GATT Client Command"),
                   clientTable(), 350, parent) {
    buildLayout();
    selectOpcode(0);
}

void CPageGATTClient::buildLayout() {
    lists_ = new GattResultLists(this);
    connect(lists_, &GattResultLists::serviceRowClicked, this, &CPageGATTClient::serviceRowClicked);
    auto* page = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(commandGroup(), 1);
    top->addStretch(0);
    page->addLayout(top);
    page->addWidget(lists_, 1);
}

TextListModel* CPageGATTClient::servicesModel() const {
    return lists_->servicesModel();
}
TextListModel* CPageGATTClient::characteristicsModel() const {
    return lists_->characteristicsModel();
}
QTableView* CPageGATTClient::servicesView() const {
    return lists_->servicesView();
}
QTableView* CPageGATTClient::characteristicsView() const {
    return lists_->characteristicsView();
}
QPushButton* CPageGATTClient::servicesClearButton() const {
    return lists_->servicesClearButton();
}
QPushButton* CPageGATTClient::characteristicsClearButton() const {
    return lists_->characteristicsClearButton();
}

void CPageGATTClient::linkTableChanged() {
    refreshHandleRows();
}

// ---- sending ---------------------------------------------------------------------------

CCommandPage::SendResult CPageGATTClient::sendCommand(std::uint8_t opcode) {
    using Sender = SendResult (CPageGATTClient::*)();
    static const std::pair<std::uint8_t, Sender> senders[] = {
        {0x30, &CPageGATTClient::sendDiscoverServices},
        {0x31, &CPageGATTClient::sendDiscoverCharacteristics},
        {0x32, &CPageGATTClient::sendReadValue},
        {0x33, &CPageGATTClient::sendReadByUuid},
        {0x34, &CPageGATTClient::sendWriteValue},
        {0x35, &CPageGATTClient::sendEnableTransparent},
    };
    return runSender(*this, opcode, senders);
}

CCommandPage::SendResult CPageGATTClient::sendDiscoverServices() {
    const auto h = handleOf(0);
    if (!h)
        return SendResult::Refused;
    return result(layer() && layer()->DiscoverAllPrimaryService(*h));
}

CCommandPage::SendResult CPageGATTClient::sendWithUuid(UuidCommand command) {
    const auto h = handleOf(0);
    if (!h)
        return SendResult::Refused;
    const auto uuid = uuidOf(1);
    if (!uuid)
        return SendResult::Refused;
    return result(layer() && (layer()->*command)(*h, uuidKind(uuid->size()), *uuid));
}

CCommandPage::SendResult CPageGATTClient::sendDiscoverCharacteristics() {
    return sendWithUuid(&CKelvra_CmdSet_Layer::DiscoverCharacteristicsAndDescriptors);
}

CCommandPage::SendResult CPageGATTClient::sendReadValue() {
    const auto h = handleOf(0);
    if (!h)
        return SendResult::Refused;
    if (!requireChars(1, 4, QStringLiteral("Please input 2 byte for Char Value Handle")))
        return SendResult::Refused;
    pending_ = PendingRead{rowText(0), rowText(1)};
    return result(layer() && layer()->ReadCharacteristicsValue(*h, value16Of(1)));
}

CCommandPage::SendResult CPageGATTClient::sendReadByUuid() {
    if (rowText(0).size() >= 2)
        lastUuidLink_ = bytesOf(0, 1).front();
    return sendWithUuid(&CKelvra_CmdSet_Layer::ReadUsingCharacteristicsUUID);
}

CCommandPage::SendResult CPageGATTClient::sendWriteValue() {
    const auto h = handleOf(0);
    if (!h)
        return SendResult::Refused;
    if (!requireChars(2, 4, QStringLiteral("Please input 2 bytes for Char Value Handle")) ||
        !requireChars(3, 2,
                      QStringLiteral("Please input at least 1 byte for Characteristic Value")))
        return SendResult::Refused;
    const auto value = bytesOf(3);
    return result(layer() && layer()->WriteCharacteristicsValue(
                                 *h, static_cast<std::uint8_t>(std::max(0, choiceIndex(1))),
                                 value16Of(2), value));
}

CCommandPage::SendResult CPageGATTClient::sendEnableTransparent() {
    const auto h = handleOf(0);
    if (!h)
        return SendResult::Refused;
    return result(layer() && layer()->EnableTransparent(
                                 *h, static_cast<std::uint8_t>(std::max(0, choiceIndex(1))),
                                 static_cast<std::uint8_t>(std::max(0, choiceIndex(2)))));
}

// ---- lists ----------------------------------------------------------------------------

void CPageGATTClient::showValue(const QString& handle, const QString& value) {
    lists_->showValue(handle, value);
}

void CPageGATTClient::flushLists() {
    lists_->flush();
}

void CPageGATTClient::serviceRowClicked(int row) {
    const QString uuid = lists_->serviceUuidOfRow(row);
    const auto op = selectedOpcode();
    if (!uuid.isEmpty() && (op == 0x31 || op == 0x33))
        setRowText(1, uuid);
}

// ---- events ----------------------------------------------------------------------------

void CPageGATTClient::receiveReadReply(const Record& record, const QString& fallbackHandle) {
    const QString handle = pending_ ? pending_->handle : fallbackHandle;
    pending_.reset();
    showValue(handle, gatt::readReplyOf(record).value);
}

void CPageGATTClient::receive(int kind, const Record& record) {
    if (lists_->addDiscoveryResult(kind, record))
        return;
    switch (kind) {
    case kKindCharacteristicValueReceived: {
        const gatt::ValueRecord v = gatt::receivedValueOf(record);
        showValue(v.handle, v.value);
        break;
    }
    case kKindCharacteristicValue:
        receiveReadReply(record, {});
        break;
    case kKindValueByUuid: {
        const gatt::ValueRecord v = gatt::readByUuidReplyOf(record);
        showValue(v.handle, v.value);
        prompts().message(QStringLiteral("Characteristic Value Handle:%1 \nCharacterist Value:%2")
                              .arg(v.handle, v.value));
        break;
    }
    default:
        break;
    }
}
