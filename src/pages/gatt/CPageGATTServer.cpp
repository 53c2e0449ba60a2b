#include "pages/gatt/CPageGATTServer.h"

#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/gatt/GattResultLists.h"
#include "pages/gatt/GattTable.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace nuvex3;

namespace {

constexpr std::uint8_t kWriteResponse = 0x3D;
constexpr std::uint8_t kReadLocalService = 0x3C;

const QString kCharValueHandleMessage = QStringLiteral("Please input 2 byte for Char Value Handle");
const QString kValueMessage =
    QStringLiteral("Please input at least 1 byte for Characteristic Value");

std::vector<OpcodeSpec> serverTable() {
    using namespace nuvex3::rows;
    const ParamRowSpec connection = handle(QStringLiteral("Connection Handle:"));
    const ParamRowSpec valueHandle =
        hex(QStringLiteral("Char Value Handle:"), QStringLiteral("(Unit: 2 Octets)"), 4,
            QStringLiteral("0000"));
    const ParamRowSpec value =
        hex(QStringLiteral("Characteristic Value:"), QStringLiteral("(Unit: 1~20 Octets)"), 40);
    ParamRowSpec requestOpcode = hex(QStringLiteral("Request Opcode:"),
                                     QStringLiteral("(Unit: 1 Octet)"), 2, QStringLiteral("12"));
    requestOpcode.enabled = false;
    return {
        {QStringLiteral("0x38: Send Characteristic Value"),
         {connection, valueHandle, value, off()}},
        {QStringLiteral("0x39: Update Characteristic Value"), {valueHandle, value, off(), off()}},
        {QStringLiteral("0x3A: Read Local Characteristic Value"),
         {valueHandle, off(), off(), off()}},
        {QStringLiteral("0x3B: Read Local All Pirmary Service"), {off(), off(), off(), off()}},
        {QStringLiteral("0x3C: Read Local Specific Pirmary Service"),
         {hex(QStringLiteral("Service UUID:"), QStringLiteral("(Unit: 2 or 16 Octets)"), 32,
              QStringLiteral("0000")),
          off(), off(), off()}},
        {QStringLiteral("0x3D: Send Write Response"),
         {connection, requestOpcode,
          hex(QStringLiteral("Attribute Handle:"), QStringLiteral("(Unit: 2 Octet)"), 4),
          selection(QStringLiteral("Error Code:"), CPageGATTServer::errorCodes())}},
    };
}

CCommandPage::SendResult result(bool written) {
    return written ? CCommandPage::SendResult::Sent : CCommandPage::SendResult::Failed;
}

} // namespace

const QStringList& CPageGATTServer::errorCodes() {
    static const QStringList codes = {
        QStringLiteral("0x00: No Error"),
        QStringLiteral("0x01: Invalid Handle"),
        QStringLiteral("0x02: Read Not Permitted"),
        QStringLiteral("0x03: Write Not Permitted"),
        QStringLiteral("0x04: Invalid PDU"),
        QStringLiteral("0x05: Insufficient Authentication"),
        QStringLiteral("0x06: Request Not Supported"),
        QStringLiteral("0x07: Invalid Offset"),
        QStringLiteral("0x08: Insufficient Authorization"),
        QStringLiteral("0x09: Prepare Queue Full"),
        QStringLiteral("0x0A: Attribute Not Found"),
        QStringLiteral("0x0B: Attribute Not Long"),
        QStringLiteral("0x0C: Insufficient Encryption Key Size"),
        QStringLiteral("0x0D: Invalid Attribute Value Length"),
        QStringLiteral("0x0E: Unlikely Error"),
        QStringLiteral("0x0F: Insufficient Encryption"),
        QStringLiteral("0x10: Unsupported Group Type"),
        QStringLiteral("0x11: Insufficient Resources"),
        QStringLiteral("0x80: Application Error"),
        QStringLiteral("0x81: Application Error"),
    };
    return codes;
}

CPageGATTServer::CPageGATTServer(QWidget* parent)
    : CCommandPage(QStringLiteral("GATT Server"), QStringLiteral("GATT Server Command"),
                   serverTable(), 250, parent) {
    buildLayout();
    selectOpcode(3); // "0x3B: Read Local All Pirmary Service"
}

void CPageGATTServer::buildLayout() {
    lists_ = new GattResultLists(this);
    connect(lists_, &GattResultLists::serviceRowClicked, this, &CPageGATTServer::serviceRowClicked);
    auto* page = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(commandGroup(), 1);
    top->addStretch(0);
    page->addLayout(top);
    page->addWidget(lists_, 1);
}

void CPageGATTServer::linkTableChanged() {
    refreshHandleRows();
    prepareWriteResponse();
}

// ---- sending ---------------------------------------------------------------------------

CCommandPage::SendResult CPageGATTServer::sendCommand(std::uint8_t opcode) {
    using Sender = SendResult (CPageGATTServer::*)();
    static const std::pair<std::uint8_t, Sender> senders[] = {
        {0x38, &CPageGATTServer::sendCharacteristicValue},
        {0x39, &CPageGATTServer::sendUpdate},
        {0x3A, &CPageGATTServer::sendReadLocalValue},
        {0x3B, &CPageGATTServer::sendReadAllServices},
        {0x3C, &CPageGATTServer::sendReadService},
        {0x3D, &CPageGATTServer::sendWriteResponse},
    };
    return runSender(*this, opcode, senders);
}

CCommandPage::SendResult CPageGATTServer::sendCharacteristicValue() {
    const auto h = handleOf(0);
    if (!h || !requireChars(1, 4, kCharValueHandleMessage) || !requireChars(2, 2, kValueMessage))
        return SendResult::Refused;
    return result(layer() && layer()->SendCharacteristicValue(*h, value16Of(1), bytesOf(2)));
}

CCommandPage::SendResult CPageGATTServer::sendUpdate() {
    if (!requireChars(0, 4, kCharValueHandleMessage) || !requireChars(1, 2, kValueMessage))
        return SendResult::Refused;
    const auto value = bytesOf(1);
    const bool written = layer() && layer()->UpdateCharacteristicValue(value16Of(0), value);
    if (written)
        pendingUpdate_ = Update{rowText(0), gatt::valueText(value.data(), value.size())};
    return result(written);
}

CCommandPage::SendResult CPageGATTServer::sendReadLocalValue() {
    if (!requireChars(0, 4, kCharValueHandleMessage))
        return SendResult::Refused;
    pendingRead_ = rowText(0);
    return result(layer() && layer()->ReadLocalCharacteristicValue(value16Of(0)));
}

CCommandPage::SendResult CPageGATTServer::sendReadAllServices() {
    return result(layer() && layer()->ReadLocalAllPrimaryService());
}

CCommandPage::SendResult CPageGATTServer::sendReadService() {
    const auto uuid = uuidOf(0);
    if (!uuid)
        return SendResult::Refused;
    // The module takes this UUID in the order it is typed.
    return result(layer() && layer()->ReadLocalSpecificPrimaryService(
                                 uuid->size() == 2 ? UuidKind::Bits16 : UuidKind::Bits128, *uuid));
}

CCommandPage::SendResult CPageGATTServer::sendWriteResponse() {
    const auto h = handleOf(0);
    if (!h || !requireChars(2, 4, QStringLiteral("Please input 2 bytes for Char Value Handle")))
        return SendResult::Refused;
    const std::uint8_t requestOpcode = bytesOf(1, 1).front();
    return result(layer() &&
                  layer()->SendWriteResponse(*h, requestOpcode, value16Of(2), choiceValue(3)));
}

// ---- the write response ----------------------------------------------------------------

void CPageGATTServer::afterRelabel(std::uint8_t opcode) {
    if (opcode == kWriteResponse)
        prepareWriteResponse();
}

void CPageGATTServer::prepareWriteResponse() {
    if (!lastWrite_ || selectedOpcode() != kWriteResponse)
        return;
    if (const int i = valueCombo(0)->findText(lastWrite_->link); i >= 0)
        valueCombo(0)->setCurrentIndex(i);
    setRowText(2, lastWrite_->handle);
}

void CPageGATTServer::clientWrote(const Record& record) {
    const gatt::ValueRecord v = gatt::receivedValueOf(record);
    lists_->showValue(v.handle, v.value);
    lastWrite_ = ClientWrite{v.link, v.handle};
    prepareWriteResponse();
}

// ---- lists and events ------------------------------------------------------------------

void CPageGATTServer::flushLists() {
    lists_->flush();
}

void CPageGATTServer::serviceRowClicked(int row) {
    const QString uuid = lists_->serviceUuidOfRow(row);
    if (!uuid.isEmpty() && selectedOpcode() == kReadLocalService)
        setRowText(0, uuid);
}

void CPageGATTServer::receiveReadReply(const Record& record, const QString& fallbackHandle) {
    const QString handle = pendingRead_ ? *pendingRead_ : fallbackHandle;
    pendingRead_.reset();
    lists_->showValue(handle, gatt::readReplyOf(record).value);
}

void CPageGATTServer::updateDone(bool success) {
    const auto update = std::exchange(pendingUpdate_, std::nullopt);
    if (success && update)
        lists_->showValue(update->handle, update->value);
}

void CPageGATTServer::receive(int kind, const Record& record) {
    if (lists_->addDiscoveryResult(kind, record))
        return;
    switch (kind) {
    case kKindClientWrite:
        clientWrote(record);
        break;
    case kKindLocalCharacteristicValue:
        receiveReadReply(record, {});
        break;
    default:
        break;
    }
}
