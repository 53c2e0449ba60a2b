#include "pages/gatt/CPageGATTServerTable.h"

#include "framework/MainWindow.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/common/Fields.h"
#include "pages/gatt/GattTablePanel.h"
#include "pages/gatt/ProfileServices.h"
#include "ui/Prompts.h"
#include "ui/ValueEntry.h"
#include "ui/ValueEntryQt.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace nuvex3;
using namespace nuvex3::gatt;

namespace {

// The module's own table is the one link record, named like its discovery results.
constexpr std::uint8_t kModule = 0x00;
const QString kModuleText = QStringLiteral("00");

// The local walk's commands: 0x3B, 0x3C (the UUID in the order of its text) and 0x3A.
bool sendWalkCommand(CKelvra_CmdSet_Layer& layer, const TableWalk::Command& c) {
    switch (c.op) {
    case TableWalk::Op::DiscoverServices:
        return layer.ReadLocalAllPrimaryService();
    case TableWalk::Op::DiscoverCharacteristics: {
        const auto uuid = hexToBytes(c.uuid.toStdString());
        return layer.ReadLocalSpecificPrimaryService(
            uuid.size() == 2 ? UuidKind::Bits16 : UuidKind::Bits128, uuid);
    }
    case TableWalk::Op::ReadCharacteristic:
    case TableWalk::Op::ReadDescriptor:
        return layer.ReadLocalCharacteristicValue(c.handle);
    }
    return false;
}

} // namespace

CPageGATTServerTable::CPageGATTServerTable(QWidget* parent)
    : CTableWalkPage({.caption = QStringLiteral("Local GATT Table"),
                      .getTable = QStringLiteral("Get Local GATT Table"),
                      .table = QStringLiteral("Server"),
                      .reads = TableWalk::Reads::All,
                      .sender = sendWalkCommand,
                      .opcodes = {.services = 0x3B, .characteristics = 0x3C, .read = 0x3A}},
                     parent) {
    buildLayout();
}

void CPageGATTServerTable::buildLayout() {
    connect(panel_, &GattTablePanel::itemSelected, this, &CPageGATTServerTable::onSelected);

    auto* group = new QGroupBox(QStringLiteral("GATT R/W"), this);
    connection_ = new QComboBox(group);
    connection_->setAccessibleDescription(QStringLiteral("The connected client to send to"));
    handle_ = readOnlyEdit(group);
    send_ = new QPushButton(QStringLiteral("Send"), group);
    value_ = new QLineEdit(group);
    update_ = new QPushButton(QStringLiteral("Update"), group);
    send_->setEnabled(false);
    update_->setEnabled(false);

    auto* grid = new QGridLayout(group);
    int line = 0;
    auto row = [&](const QString& caption, QWidget* field, QPushButton* button) {
        auto* label = new QLabel(caption, group);
        label->setBuddy(field);
        grid->addWidget(label, line, 0);
        grid->addWidget(prefixed(field, group), line, 1);
        if (button)
            grid->addWidget(button, line, 2);
        ++line;
    };
    row(QStringLiteral("Connection Handle:"), connection_, nullptr);
    row(QStringLiteral("Handle:"), handle_, send_);
    row(QStringLiteral("Characteristic Value:"), value_, update_);
    grid->setColumnStretch(1, 1);

    connect(send_, &QPushButton::clicked, this, &CPageGATTServerTable::onSend);
    connect(update_, &QPushButton::clicked, this, &CPageGATTServerTable::onUpdate);
    connect(value_, &QLineEdit::textEdited, this,
            [this] { validateHexEdit(value_, 0, kMaxU32, false); });

    auto* right = new QVBoxLayout;
    right->addWidget(group);
    right->addStretch(1);
    auto* page = new QHBoxLayout(this);
    page->addWidget(panel_, 3);
    page->addLayout(right, 2);
}

void CPageGATTServerTable::enable(bool on) {
    connected_ = on;
    panel_->enable(on);
    onSelected(panel_->selectedRecord());
}

// "Connection Handle:" offers the open links, the first one selected: "Send" goes to a
// connected client, never to the module's own table.
void CPageGATTServerTable::linkTableChanged() {
    const QString chosen = connection_->currentText();
    connection_->clear();
    for (std::uint8_t h : linkTable())
        connection_->addItem(QString::asprintf("%02X", h));
    const int keep = connection_->findText(chosen);
    connection_->setCurrentIndex(keep >= 0 ? keep : (connection_->count() > 0 ? 0 : -1));
}

// ---- the walk --------------------------------------------------------------------------

std::vector<std::uint8_t> CPageGATTServerTable::linksToWalk() const {
    return {kModule};
}

// A characteristic of a profile service: its profile page learns its value handle.
void CPageGATTServerTable::onCharacteristicFound(const Record& record) {
    Characteristic c = characteristicOf(record);
    if (has16BitUuid(record) && mainWindow())
        if (const int selector = profileSelectorOf(walk_.discoveringUuid()); selector != 0)
            mainWindow()->tableEvent(selector, c.uuid, c.valueHandle);
    walk_.addCharacteristic(linkText(record), std::move(c));
}

void CPageGATTServerTable::receive(int kind, const Record& record) {
    // Discovery results belong to the table only while its walk asks for them: those of
    // a command sent from another page would be filed under the service being walked.
    const bool walkResult = walk_.running();
    switch (kind) {
    case kKindPrimaryServiceResult:
        if (walkResult)
            onServiceFound(record);
        break;
    case kKindCharacteristicResult:
        if (walkResult)
            onCharacteristicFound(record);
        break;
    case kKindDescriptorResult:
        if (walkResult)
            walk_.addDescriptor(linkText(record), descriptorOf(record));
        break;
    case kKindLocalCharacteristicValue: {
        const QString value = readReplyOf(record).value;
        if (const auto placed = walk_.placeReadReply(value))
            panel_->showValue(placed->link, placed->handle, value);
        break;
    }
    default:
        break;
    }
}

// ---- sending and updating from the tree ------------------------------------------------

void CPageGATTServerTable::onSelected(const ItemRecord* record) {
    const ItemRecord none;
    const ItemRecord& r = record ? *record : none;
    handle_->setText(r.handle);
    if (const int i = connection_->findText(r.link); i >= 0)
        connection_->setCurrentIndex(i);
    const bool cccd = r.kind == ItemKind::Descriptor && r.uuid == kCccdUuid;
    update_->setEnabled(connected_ && !cccd && (r.properties & kPropRead));
    send_->setEnabled(connected_ && !cccd && (r.properties & (kPropNotify | kPropIndicate)));
}

void CPageGATTServerTable::onSend() {
    const QString link = connection_->currentText();
    const QString handle = handle_->text();
    const QString value = value_->text();
    if (link.size() < 2) {
        prompts().message(QStringLiteral("Please input 1 byte for Connction Handle"));
        return;
    }
    if (handle.size() < 4) {
        prompts().message(QStringLiteral("Please input 2 byte for Char Value Handle"));
        return;
    }
    if (value.size() < 2) {
        prompts().message(QStringLiteral("Please input at least 1 byte for Characteristic Value"));
        return;
    }
    const auto h = hexToBytes(link.toStdString());
    if (layer() && !h.empty())
        layer()->SendCharacteristicValue(h.front(), static_cast<std::uint16_t>(hexValue(handle)),
                                         hexToBytes(value.toStdString()));
}

void CPageGATTServerTable::onUpdate() {
    const QString handle = handle_->text();
    if (handle.size() < 4) {
        prompts().message(QStringLiteral("Please input 2 byte for Char Value Handle"));
        return;
    }
    if (value_->text().size() < 2) {
        prompts().message(QStringLiteral("Please input at least 1 byte for Characteristic Value"));
        return;
    }
    const auto value = hexToBytes(value_->text().toStdString());
    if (layer() &&
        layer()->UpdateCharacteristicValue(static_cast<std::uint16_t>(hexValue(handle)), value))
        pendingUpdate_ = Update{handle, valueText(value.data(), value.size())};
}

void CPageGATTServerTable::updateDone(bool success) {
    const auto update = std::exchange(pendingUpdate_, std::nullopt);
    if (success && update)
        valueChanged(update->handle, update->value);
}

void CPageGATTServerTable::showValue(const QString& handle, const QString& value) {
    valueChanged(handle, value);
}

void CPageGATTServerTable::valueChanged(const QString& handle, const QString& value) {
    walk_.placeValue(kModuleText, handle, value);
    panel_->showValue(kModuleText, handle, value);
}
