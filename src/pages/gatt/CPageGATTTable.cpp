#include "pages/gatt/CPageGATTTable.h"

#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/common/Fields.h"
#include "pages/common/ListViews.h"
#include "pages/common/TextListModel.h"
#include "pages/gatt/GattTablePanel.h"
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
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

using namespace nuvex3;
using namespace nuvex3::gatt;

namespace {

// The remote walk's commands: 0x30, 0x31 and 0x32.
bool sendWalkCommand(CKelvra_CmdSet_Layer& layer, const TableWalk::Command& c) {
    switch (c.op) {
    case TableWalk::Op::DiscoverServices:
        return layer.DiscoverAllPrimaryService(c.link);
    case TableWalk::Op::DiscoverCharacteristics: {
        const auto uuid = hexToBytes(c.uuid.toStdString());
        return layer.DiscoverCharacteristicsAndDescriptors(
            c.link, uuid.size() == 2 ? UuidKind::Bits16 : UuidKind::Bits128, uuid);
    }
    case TableWalk::Op::ReadCharacteristic:
    case TableWalk::Op::ReadDescriptor:
        return layer.ReadCharacteristicsValue(c.link, c.handle);
    }
    return false;
}

} // namespace

CPageGATTTable::CPageGATTTable(QWidget* parent)
    : CTableWalkPage({.caption = QStringLiteral("Remote GATT Table"),
                      .getTable = QStringLiteral("Get Remote GATT Table"),
                      .table = QStringLiteral("Client"),
                      .reads = TableWalk::Reads::Readable,
                      .sender = sendWalkCommand,
                      .opcodes = {.services = 0x30, .characteristics = 0x31, .read = 0x32}},
                     parent) {
    buildLayout();
}

void CPageGATTTable::buildLayout() {
    connect(panel_, &GattTablePanel::itemSelected, this, &CPageGATTTable::onSelected);
    connect(panel_, &GattTablePanel::rebuilt, this, &CPageGATTTable::rebuildNotifyList);

    auto* group = new QGroupBox(QStringLiteral("GATT R/W"), this);
    connection_ = new QComboBox(group);
    handle_ = readOnlyEdit(group);
    read_ = new QPushButton(QStringLiteral("Read"), group);
    writeValue_ = new QLineEdit(group);
    write_ = new QPushButton(QStringLiteral("Write"), group);
    readValue_ = readOnlyEdit(group);
    notifySwitch_ = new QPushButton(QStringLiteral("Test"), group);
    notifySwitch_->setVisible(false);
    notifySwitch_->setEnabled(false);
    read_->setEnabled(false);
    write_->setEnabled(false);

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
    row(QStringLiteral("Handle:"), handle_, read_);
    row(QStringLiteral("Write Value:"), writeValue_, write_);
    row(QStringLiteral("Read Value:"), readValue_, nullptr);
    grid->addWidget(notifySwitch_, line, 2);
    grid->setColumnStretch(1, 1);

    notify_ = new TextListModel({QStringLiteral("Connection"), QStringLiteral("Service"),
                                 QStringLiteral("Char"), QStringLiteral("Handle"),
                                 QStringLiteral("Value"), QStringLiteral("Notify/Indicate")},
                                {true, false, false, true, false, true}, this);
    notifyView_ = makeListView(notify_, {60, 60, 60, 60, 120, 100},
                               QStringLiteral("Notify/Indicate List"), this);

    connect(read_, &QPushButton::clicked, this, &CPageGATTTable::onRead);
    connect(write_, &QPushButton::clicked, this, &CPageGATTTable::onWrite);
    connect(writeValue_, &QLineEdit::textEdited, this,
            [this] { validateHexEdit(writeValue_, 0, kMaxU32, false); });
    connect(notifyView_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { toggleNotify(index.row()); });

    auto* right = new QVBoxLayout;
    right->addWidget(group);
    right->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(panel_, 3);
    top->addLayout(right, 2);
    auto* page = new QVBoxLayout(this);
    page->addLayout(top, 3);
    page->addWidget(notifyView_, 1);
}

void CPageGATTTable::enable(bool on) {
    connected_ = on;
    panel_->enable(on);
    if (!on) {
        read_->setEnabled(false);
        write_->setEnabled(false);
    } else {
        onSelected(panel_->selectedRecord());
    }
}

void CPageGATTTable::linkTableChanged() {
    refreshConnections();
    if (walk_.running())
        walk_.setLinks(linkTable());
}

void CPageGATTTable::refreshConnections() {
    std::vector<std::uint8_t> handles = linkTable();
    std::sort(handles.begin(), handles.end());
    connection_->clear();
    for (std::uint8_t h : handles)
        connection_->addItem(QString::asprintf("%02X", h));
    if (connection_->count() > 0)
        connection_->setCurrentIndex(0);
}

// ---- the walk --------------------------------------------------------------------------

std::vector<std::uint8_t> CPageGATTTable::linksToWalk() const {
    return linkTable();
}

void CPageGATTTable::receive(int kind, const Record& record) {
    switch (kind) {
    case kKindPrimaryServiceResult:
        onServiceFound(record);
        break;
    case kKindCharacteristicResult:
        walk_.addCharacteristic(linkText(record), characteristicOf(record));
        break;
    case kKindDescriptorResult:
        walk_.addDescriptor(linkText(record), descriptorOf(record));
        break;
    case kKindCharacteristicValueReceived: {
        const ValueRecord v = receivedValueOf(record);
        valueChanged(v.link, v.handle, v.value);
        break;
    }
    case kKindCharacteristicValue: {
        const QString value = readReplyOf(record).value;
        const auto placed = walk_.placeReadReply(value);
        if (!placed)
            break;
        valueChanged(placed->link, placed->handle, value);
        if (sameHandle(placed->handle, handle_->text()) &&
            sameHandle(placed->link, connection_->currentText()))
            readValue_->setText(value.mid(2));
        break;
    }
    default:
        break;
    }
}

void CPageGATTTable::showValue(const QString& link, const QString& handle, const QString& value) {
    valueChanged(link, handle, value);
}

void CPageGATTTable::valueChanged(const QString& link, const QString& handle,
                                  const QString& value) {
    walk_.placeValue(link, handle, value);
    panel_->showValue(link, handle, value);
    for (std::size_t i = 0; i < notifyRecords_.size(); ++i) {
        NotifyRow& r = notifyRecords_[i];
        if (!sameHandle(r.link, link))
            continue;
        const int row = static_cast<int>(i);
        if (sameHandle(r.valueHandle, handle)) {
            r.value = value;
            notify_->setCell(row, NotifyValue, value);
        }
        if (sameHandle(r.cccdHandle, handle)) {
            r.state = notifyState(value);
            notify_->setCell(row, NotifyState, r.state);
        }
    }
}

void CPageGATTTable::rebuildNotifyList() {
    notifyRecords_ = notifyRows(walk_.table());
    notify_->clear();
    for (const NotifyRow& r : notifyRecords_)
        notify_->appendRow({r.connection, r.service, r.characteristic, r.handle, r.value, r.state});
    notify_->flush();
}

// ---- reading and writing single attributes ---------------------------------------------

void CPageGATTTable::onSelected(const ItemRecord* record) {
    const ItemRecord none;
    const ItemRecord& r = record ? *record : none;
    handle_->setText(r.handle);
    readValue_->clear();
    // The item's link is the one to read and write.
    if (const int i = connection_->findText(r.link); i >= 0)
        connection_->setCurrentIndex(i);
    read_->setEnabled(connected_ && (r.properties & kPropRead));
    write_->setEnabled(connected_ && (r.properties & (kPropWriteNoResponse | kPropWrite)));
    writeType_ = (r.properties & kPropWriteNoResponse) ? 1 : 0;

    const bool cccd = r.kind == ItemKind::Descriptor && r.uuid == kCccdUuid &&
                      (r.properties & (kPropNotify | kPropIndicate));
    notifySwitch_->setEnabled(cccd);
    if (!cccd)
        return;
    const bool off = r.value == QLatin1String("0x0000");
    if (r.properties & kPropNotify)
        notifySwitch_->setText(off ? QStringLiteral("Enable Notify")
                                   : QStringLiteral("Disable Notify"));
    else
        notifySwitch_->setText(off ? QStringLiteral("Enable Indicate")
                                   : QStringLiteral("Disable Notify"));
}

void CPageGATTTable::onRead() {
    const QString link = connection_->currentText();
    const QString handle = handle_->text();
    walk_.setPendingRead({link, handle});
    const auto h = hexToBytes(link.toStdString());
    const bool written =
        layer() && !h.empty() &&
        layer()->ReadCharacteristicsValue(h.front(), static_cast<std::uint16_t>(hexValue(handle)));
    if (!written)
        prompts().message(QStringLiteral("Read Value Fail!"));
}

void CPageGATTTable::onWrite() {
    const QString link = connection_->currentText();
    const QString handle = handle_->text();
    const auto value = hexToBytes(writeValue_->text().toStdString());
    const auto h = hexToBytes(link.toStdString());
    walk_.setPendingRead({link, handle});
    const bool written =
        layer() && !h.empty() &&
        layer()->WriteCharacteristicsValue(h.front(), writeType_,
                                           static_cast<std::uint16_t>(hexValue(handle)), value);
    if (!written) {
        prompts().message(QStringLiteral("Write Characteristic Value Fail!"));
        return;
    }
    pendingWrite_ = PendingWrite{link, handle, valueText(value.data(), value.size())};
}

void CPageGATTTable::toggleNotify(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= notifyRecords_.size())
        return;
    const NotifyRow& r = notifyRecords_[static_cast<std::size_t>(row)];
    std::vector<std::uint8_t> value{0x00, 0x00};
    if (notify_->cell(row, NotifyState) == kDisabled) {
        if (r.properties & kPropNotify)
            value = {0x01, 0x00};
        else if (r.properties & kPropIndicate)
            value = {0x02, 0x00};
    }
    const auto h = hexToBytes(r.link.toStdString());
    const bool written =
        layer() && !h.empty() &&
        layer()->WriteCharacteristicsValue(
            h.front(), 0, static_cast<std::uint16_t>(hexValue(r.cccdHandle)), value);
    if (!written) {
        prompts().message(QStringLiteral("Write Value Fail!"));
        return;
    }
    pendingWrite_ = PendingWrite{r.link, r.cccdHandle, valueText(value.data(), value.size())};
}

void CPageGATTTable::writeDone(bool success) {
    const auto write = std::exchange(pendingWrite_, std::nullopt);
    if (success && write)
        valueChanged(write->link, write->handle, write->value);
}

std::optional<std::uint16_t> CPageGATTTable::valueHandleOf(std::uint8_t link,
                                                           const QString& uuid) const {
    const Table table = walk_.table();
    const Link* l = findLink(table, QString::asprintf("%02X", link));
    if (!l)
        return std::nullopt;
    for (const Service& s : l->services)
        for (const Characteristic& c : s.characteristics)
            if (c.uuid.compare(uuid, Qt::CaseInsensitive) == 0)
                return static_cast<std::uint16_t>(hexValue(c.valueHandle));
    return std::nullopt;
}
