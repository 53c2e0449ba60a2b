#include "pages/gatt/CPageGATTClient.h"

#include "link/AssignedNumbers.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/common/ListViews.h"
#include "pages/common/TextListModel.h"
#include "pages/gatt/GattTable.h"
#include "ui/Prompts.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using namespace nuvex3;

namespace {

const QString kUuidMessage = QStringLiteral("Please input 2 bytes or 16 bytes for Service UUID");

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
    services_ = new TextListModel({QStringLiteral("Conn Handle"), QStringLiteral("Start Handle"),
                                   QStringLiteral("End Handle"), QStringLiteral("Service UUID")},
                                  {true, true, true, false}, this);
    characteristics_ = new TextListModel({QStringLiteral("Handle"), QStringLiteral("Attr_type"),
                                          QStringLiteral("Attr_value"), QStringLiteral("UUID")},
                                         {false, false, false, false}, this);
    servicesView_ =
        makeListView(services_, {80, 80, 80, 250}, QStringLiteral("Services  List"), this);
    characteristicsView_ = makeListView(characteristics_, {80, 120, 150, 250},
                                        QStringLiteral("Characteristics  List"), this);
    connect(servicesView_, &QTableView::clicked, this,
            [this](const QModelIndex& index) { serviceRowClicked(index.row()); });

    clearServices_ = new QPushButton(QStringLiteral("Clear"), this);
    clearServices_->setAccessibleName(QStringLiteral("Clear Services List"));
    clearCharacteristics_ = new QPushButton(QStringLiteral("Clear"), this);
    clearCharacteristics_->setAccessibleName(QStringLiteral("Clear Characteristics List"));
    connect(clearServices_, &QPushButton::clicked, this, [this] { services_->clear(); });
    connect(clearCharacteristics_, &QPushButton::clicked, this,
            [this] { characteristics_->clear(); });

    auto listBar = [this](const QString& caption, QPushButton* clear, QTableView* view) {
        auto* bar = new QHBoxLayout;
        auto* label = new QLabel(caption, this);
        label->setBuddy(view);
        bar->addWidget(label);
        bar->addStretch(1);
        bar->addWidget(clear);
        return bar;
    };
    auto* page = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(commandGroup(), 1);
    top->addStretch(0);
    page->addLayout(top);
    page->addLayout(listBar(QStringLiteral("Services  List :"), clearServices_, servicesView_));
    page->addWidget(servicesView_, 2);
    page->addLayout(listBar(QStringLiteral("Characteristics  List :"), clearCharacteristics_,
                            characteristicsView_));
    page->addWidget(characteristicsView_, 3);
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
    for (const auto& [op, fn] : senders)
        if (op == opcode)
            return (this->*fn)();
    return SendResult::Failed;
}

std::optional<std::vector<std::uint8_t>> CPageGATTClient::uuidOf(int row) const {
    const qsizetype n = rowText(row).size();
    if (n != 4 && n != 32) {
        prompts().message(kUuidMessage);
        return std::nullopt;
    }
    return bytesOf(row);
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

// ---- lists -----------------------------------------------------------------------------

void CPageGATTClient::addService(const Record& r) {
    const gatt::Service s = gatt::serviceOf(r);
    QString uuid = QStringLiteral("0x") + s.uuid;
    if (const auto name =
            assigned::serviceName(s.uuid.toStdString(), assigned::kClientPageServices);
        name && s.uuid.size() == 4)
        uuid = QStringLiteral("%1 (%2)").arg(QString::fromLatin1(name->data(), name->size()), uuid);
    services_->appendRow({gatt::linkText(r), s.startHandle, s.endHandle, uuid});
}

void CPageGATTClient::addCharacteristic(const Record& r) {
    const gatt::Characteristic c = gatt::characteristicOf(r);
    const int at = characteristics_->count();
    characteristics_->insertRow(
        at, {QStringLiteral("0x") + c.declarationHandle, QStringLiteral("Characteristic"),
             QStringLiteral("%1, 0x%2").arg(gatt::propertiesText(c.properties), c.valueHandle),
             QStringLiteral("0x") + c.uuid});
    characteristics_->insertRow(
        at + 1, {QStringLiteral("0x") + c.valueHandle, QStringLiteral("Characteristic Value")});
}

void CPageGATTClient::addDescriptor(const Record& r) {
    const gatt::Descriptor d = gatt::descriptorOf(r);
    const std::uint32_t h = gatt::hexValue(d.handle);
    int at = characteristics_->count();
    for (int row = 0; row < characteristics_->count(); ++row)
        if (gatt::hexValue(characteristics_->cell(row, Handle)) + 1 == h) {
            at = row + 1;
            break;
        }
    characteristics_->insertRow(at, {QStringLiteral("0x") + d.handle, QStringLiteral("Descriptor"),
                                     QString(), QStringLiteral("0x") + d.uuid});
}

int CPageGATTClient::rowOfHandle(const QString& handle) const {
    if (handle.isEmpty())
        return -1;
    const std::uint32_t h = gatt::hexValue(handle);
    for (int row = 0; row < characteristics_->count(); ++row)
        if (gatt::hexValue(characteristics_->cell(row, Handle)) == h)
            return row;
    return -1;
}

void CPageGATTClient::showValue(const QString& handle, const QString& value) {
    if (const int row = rowOfHandle(handle); row >= 0)
        characteristics_->setCell(row, AttrValue, value);
}

void CPageGATTClient::flushLists() {
    services_->flush();
    characteristics_->flush();
}

void CPageGATTClient::serviceRowClicked(int row) {
    services_->flush();
    if (row < 0 || row >= services_->count())
        return;
    const QString text = services_->cell(row, ServiceUuid);
    QString uuid;
    if (const qsizetype open = text.indexOf(QLatin1String("(0x")); open >= 0) {
        const qsizetype close = text.indexOf(QLatin1Char(')'), open);
        uuid = text.mid(open + 3, close < 0 ? -1 : close - open - 3);
    } else {
        uuid = text.startsWith(QLatin1String("0x")) ? text.mid(2) : text;
    }
    const auto op = selectedOpcode();
    if (op == 0x31 || op == 0x33)
        setRowText(1, uuid);
}

// ---- events ----------------------------------------------------------------------------

void CPageGATTClient::receiveReadReply(const Record& record, const QString& fallbackHandle) {
    const QString handle = pending_ ? pending_->handle : fallbackHandle;
    pending_.reset();
    showValue(handle, gatt::readReplyOf(record).value);
}

void CPageGATTClient::receive(int kind, const Record& record) {
    switch (kind) {
    case kKindPrimaryServiceResult:
        addService(record);
        break;
    case kKindCharacteristicResult:
        addCharacteristic(record);
        break;
    case kKindDescriptorResult:
        addDescriptor(record);
        break;
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
