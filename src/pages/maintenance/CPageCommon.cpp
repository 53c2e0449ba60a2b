#include "pages/maintenance/CPageCommon.h"

#include "framework/MainWindow.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "ui/Prompts.h"
#include "ui/ValueEntry.h"
#include "ui/ValueEntryQt.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

using namespace nuvex3;

namespace {

constexpr std::uint8_t kOpDebug = 0x06;
constexpr std::size_t kDebugCountAt = 8; // [8..11] byte count, least significant first
constexpr std::size_t kDebugDataAt = 12;
constexpr std::size_t kNameCountAt = 40;
constexpr std::size_t kPairedAt = 6;
constexpr std::size_t kPairedEntry = 8;

std::uint32_t le32(const Record& r, std::size_t at) {
    return static_cast<std::uint32_t>(r[at]) | (static_cast<std::uint32_t>(r[at + 1]) << 8) |
           (static_cast<std::uint32_t>(r[at + 2]) << 16) |
           (static_cast<std::uint32_t>(r[at + 3]) << 24);
}

QString hexBytes(const std::uint8_t* data, std::size_t n) {
    return QString::fromStdString(bytesToHex(data, n));
}

// Selects entry index of a display list, or nothing when the list has no such entry.
void selectEntry(QComboBox* combo, int index) {
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

QStringList channelList() {
    QStringList l;
    for (int i = 0; i < 16; ++i)
        l << QStringLiteral("Channel %1").arg(i);
    l << QStringLiteral("Battery voltage") << QStringLiteral("Temperature value");
    return l;
}

QStringList deviceIndexList() {
    QStringList l;
    for (int i = 0; i < 8; ++i)
        l << QString::asprintf("0x%02X", i);
    return l;
}

// A choice list whose unit label reads "(Selection)"; the "0x" prefix stays.
ParamRowSpec selectionRow(const QString& caption, const QStringList& choices) {
    ParamRowSpec r = rows::choice(caption, choices);
    r.unit = QStringLiteral("(Selection)");
    return r;
}

std::vector<OpcodeSpec> commonTable() {
    using namespace nuvex3::rows;
    ParamRowSpec channel = choice(QStringLiteral("Channel:"), channelList());
    channel.unit = QStringLiteral("(Reserved)");

    ParamRowSpec length;
    length.caption = QStringLiteral("Length:");
    length.unit = QStringLiteral("(Unit: 1 Octet, 1 ~ 32)");
    length.prefix = false;
    length.limit = 2;
    length.text = QStringLiteral("00");

    ParamRowSpec name;
    name.caption = QStringLiteral("Device Name:");
    name.unit = QStringLiteral("(Max: 16 characters)");
    name.limit = 16;

    const std::array<ParamRowSpec, 4> none{off(), off(), off(), off()};
    return {
        {QStringLiteral("0x01: Read Local Information"), none},
        {QStringLiteral("0x02: Reset"), none},
        {QStringLiteral("0x03: Read NUVEX3 Status"), none},
        {QStringLiteral("0x04: Read ADC Value"), {channel, off(), off(), off()}},
        {QStringLiteral("0x05: Into Shutdown Mode"), none},
        {QStringLiteral("0x06: Debug Command"),
         {selectionRow(QStringLiteral("Debug OpCode:"),
                       {QStringLiteral("0x01: Read Memory"), QStringLiteral("0x02: Write Memory"),
                        QStringLiteral("0x03: Read eFlash"), QStringLiteral("0x04: Write eFlash")}),
          length,
          hex(QStringLiteral("Address:"), QStringLiteral("(Unit: 2 Octet)"), 4,
              QStringLiteral("0000")),
          hex(QStringLiteral("Write Value:"), QStringLiteral("(Unit: 1 ~ 32 Octets)"), 64)}},
        {QStringLiteral("0x07: Read Device Name"), none},
        {QStringLiteral("0x08: Write Device Name"), {name, off(), off(), off()}},
        {QStringLiteral("0x09: Erase All Paired Device Information"), none},
        {QStringLiteral("0x0A: Read Pairing Mode Setting"), none},
        {QStringLiteral("0x0B: Write Pairing Mode Setting"),
         {selectionRow(QStringLiteral("Pairing Mode:"), CPageCommon::pairingModes()), off(), off(),
          off()}},
        {QStringLiteral("0x0C: Read All Paired Device Information"), none},
        {QStringLiteral("0x0D: Delete Paired Device"),
         {selectionRow(QStringLiteral("Device Index:"), deviceIndexList()), off(), off(), off()}},
    };
}

QLineEdit* readOnlyEdit(QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setReadOnly(true);
    return e;
}

QComboBox* displayCombo(const QStringList& entries, QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->addItems(entries);
    c->setCurrentIndex(-1);
    c->setEnabled(false);
    return c;
}

QString stoppedMessage(std::size_t offset, const char* why) {
    return QString::asprintf("Dump eFlash stopped at 0x%04X: %s. No file was written.",
                             static_cast<unsigned>(offset), why);
}

} // namespace

const QStringList& CPageCommon::hwVersions() {
    static const QStringList l = {
        QStringLiteral("0x00: NUVEX3 QFN32"), QStringLiteral("0x01: NUVEX3 QFN48"),
        QStringLiteral("0x02: NUVEX3 Module"), QStringLiteral("0x03: NUVEX3 USB Dongle")};
    return l;
}

const QStringList& CPageCommon::pairingModes() {
    static const QStringList l = {
        QStringLiteral("0x00: DisplayOnly"), QStringLiteral("0x01: DisplayYesNo"),
        QStringLiteral("0x02: KeyboardOnly"), QStringLiteral("0x03: NoInputNoOutput"),
        QStringLiteral("0x04: KeyboardDisplay")};
    return l;
}

const QStringList& CPageCommon::adcRanges() {
    static const QStringList l = {QStringLiteral("ADC Value"), QStringLiteral("0.1V"),
                                  QStringLiteral("0.05V"), QStringLiteral("0.025V")};
    return l;
}

CPageCommon::CPageCommon(QWidget* parent)
    : CCommandPage(QStringLiteral("Common"), QStringLiteral("Common Command"), commonTable(), 250,
                   parent) {
    buildLayout();
    connect(valueCombo(kRow1), &QComboBox::currentIndexChanged, this, [this] { applyDebugRule(); });
    connect(valueCombo(kLengthRow)->lineEdit(), &QLineEdit::textEdited, this,
            [this] { onLengthEdited(); });
    // Connected after the base's hexadecimal check, so the length counts what it left.
    connect(valueCombo(kValueRow)->lineEdit(), &QLineEdit::textEdited, this,
            [this] { onWriteValueEdited(); });
    connect(dumpButton_, &QPushButton::clicked, this, [this] { startDump(); });
    connect(&dump_, &EflashDump::progressed, progress_, &QProgressBar::setValue);
    connect(&dump_, &EflashDump::sendFailed, this, [this] {
        prompts().message(stoppedMessage(dump_.offset(), "the command could not be sent"));
    });

    enable(false);
    selectOpcode(0);
}

void CPageCommon::buildLayout() {
    QGroupBox* command = commandGroup();
    command->setAccessibleName(command->title());
    dumpButton_ = new QPushButton(QStringLiteral("Dump"), command);
    progress_ = new QProgressBar(command);
    progress_->setRange(0, static_cast<int>(EflashDump::kSize));
    progress_->setValue(0);
    progress_->setTextVisible(false);
    progress_->setAccessibleName(QStringLiteral("Dump progress"));
    if (auto* grid = qobject_cast<QGridLayout*>(command->layout())) {
        const int line = grid->rowCount();
        grid->addWidget(dumpButton_, line, 3);
        grid->addWidget(progress_, line + 1, 2, 1, 2);
    }
    dumpButton_->hide();
    progress_->hide();

    auto* local = new QGroupBox(QStringLiteral("Local Information"), this);
    local->setAccessibleName(local->title());
    auto* localForm = new QFormLayout(local);
    fwVersion_ = readOnlyEdit(local);
    hwVersion_ = displayCombo(hwVersions(), local);
    address_ = readOnlyEdit(local);
    localForm->addRow(QStringLiteral("FW Version:"), fwVersion_);
    localForm->addRow(QStringLiteral("HW Version:"), hwVersion_);
    localForm->addRow(QStringLiteral("Bluetooth Address:"), address_);

    auto* read = new QGroupBox(QStringLiteral("Read Information"), this);
    read->setAccessibleName(read->title());
    auto* readForm = new QFormLayout;
    deviceName_ = readOnlyEdit(read);
    pairingMode_ = displayCombo(pairingModes(), read);
    adcValue_ = readOnlyEdit(read);
    adcRange_ = displayCombo(adcRanges(), read);
    adcRange_->setAccessibleName(QStringLiteral("ADC range"));
    voltage_ = new QLabel(QStringLiteral("(ADC Value)"), read);
    voltage_->setAccessibleName(QStringLiteral("ADC voltage"));
    auto* adcLine = new QHBoxLayout;
    adcLine->addWidget(adcValue_, 1);
    adcLine->addWidget(adcRange_);
    adcLine->addWidget(voltage_);
    readForm->addRow(QStringLiteral("Device Name:"), deviceName_);
    readForm->addRow(QStringLiteral("Pairing Mode:"), pairingMode_);
    readForm->addRow(QStringLiteral("ADC Value:"), adcLine);
    if (auto* adcLabel = qobject_cast<QLabel*>(readForm->labelForField(adcLine)))
        adcLabel->setBuddy(adcValue_);

    paired_ = new QStandardItemModel(0, 3, this);
    paired_->setHorizontalHeaderLabels({QStringLiteral("Device Index"), QStringLiteral("Priority"),
                                        QStringLiteral("Device Address")});
    pairedView_ = new QTableView(read);
    pairedView_->setModel(paired_);
    pairedView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    pairedView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pairedView_->setShowGrid(true);
    pairedView_->verticalHeader()->setVisible(false);
    pairedView_->verticalHeader()->setDefaultSectionSize(pairedView_->fontMetrics().height() + 6);
    pairedView_->setColumnWidth(0, 80);
    pairedView_->setColumnWidth(1, 80);
    pairedView_->setColumnWidth(2, 236);
    pairedView_->setMinimumWidth(80 + 80 + 236 + 2 * pairedView_->frameWidth());
    pairedView_->setAccessibleName(QStringLiteral("Paired Device List:"));
    auto* pairedLabel = new QLabel(QStringLiteral("Paired Device List:"), read);
    pairedLabel->setBuddy(pairedView_);
    auto* pairedColumn = new QVBoxLayout;
    pairedColumn->addWidget(pairedLabel);
    pairedColumn->addWidget(pairedView_, 1);

    auto* readLine = new QHBoxLayout(read);
    auto* fields = new QVBoxLayout;
    fields->addLayout(readForm);
    fields->addStretch(1);
    readLine->addLayout(fields, 1);
    readLine->addLayout(pairedColumn, 1);

    // The command and the local information side by side, the read results below.
    auto* right = new QVBoxLayout;
    right->addWidget(local);
    right->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(command, 3);
    top->addLayout(right, 2);
    auto* page = new QVBoxLayout(this);
    page->addLayout(top);
    page->addWidget(read, 1);
}

void CPageCommon::enable(bool on) {
    CCommandPage::enable(on);
    dumpButton_->setEnabled(on);
    if (!on && dump_.stop())
        prompts().message(stoppedMessage(dump_.offset(), "the port was closed"));
}

// ---- opcode rows ---------------------------------------------------------------------

bool CPageCommon::debugSelected() const {
    return selectedOpcode() == kOpDebug;
}

std::uint8_t CPageCommon::debugOpcode() const {
    return static_cast<std::uint8_t>(parseUnsigned(rowText(kRow1).toStdString(), 16));
}

void CPageCommon::afterRelabel(std::uint8_t opcode) {
    const bool debug = opcode == kOpDebug;
    dumpButton_->setVisible(debug);
    progress_->setVisible(debug);
    applyDebugRule();
}

void CPageCommon::applyDebugRule() {
    if (!debugSelected())
        return;
    const std::uint8_t op = debugOpcode();
    valueCombo(kLengthRow)->setEnabled(isDebugRead(op));
    valueCombo(kValueRow)->setEnabled(isDebugWrite(op));
}

void CPageCommon::onLengthEdited() {
    if (debugSelected())
        validateNumberCombo(valueCombo(kLengthRow), 0, 32, true);
}

void CPageCommon::onWriteValueEdited() {
    if (!debugSelected() || !isDebugWrite(debugOpcode()))
        return;
    const auto chars = rowText(kValueRow).size();
    setRowText(kLengthRow, QString::number((chars + 1) / 2));
}

// ---- sending -------------------------------------------------------------------------

CCommandPage::SendResult CPageCommon::sendCommand(std::uint8_t opcode) {
    // A dump under way stops collecting: later answers are shown instead.
    dump_.stop();
    CKelvra_CmdSet_Layer* l = layer();
    auto result = [](bool written) { return written ? SendResult::Sent : SendResult::Failed; };
    const auto index = static_cast<std::uint8_t>(std::max(0, choiceIndex(kRow1)));
    switch (opcode) {
    case 0x01:
        return result(l && l->ReadLocalInformation());
    case 0x02:
        return result(l && l->Reset());
    case 0x03:
        return result(l && l->ReadStatus());
    case 0x04:
        return result(l && l->ReadADCValue(index));
    case 0x05:
        return result(l && l->IntoShutdownMode());
    case kOpDebug:
        return sendDebugCommand();
    case 0x07:
        return result(l && l->ReadDeviceName());
    case 0x08: {
        const QByteArray name = rowText(kRow1).left(16).toLatin1();
        return result(l && l->WriteDeviceName(
                               std::span(reinterpret_cast<const std::uint8_t*>(name.constData()),
                                         static_cast<std::size_t>(name.size()))));
    }
    case 0x09:
        return result(l && l->EraseAllPairedDeviceInformation());
    case 0x0A:
        return result(l && l->ReadPairingModeSetting());
    case 0x0B:
        return result(l && l->WritePairingModeSetting(index));
    case 0x0C:
        return result(l && l->ReadAllPairedDeviceInformation());
    case 0x0D:
        return result(l && l->DeletePairedDevice(index));
    default:
        return SendResult::Failed;
    }
}

CCommandPage::SendResult CPageCommon::sendDebugCommand() {
    const std::uint8_t op = debugOpcode();
    const QString length = rowText(kLengthRow);
    if (length.isEmpty()) {
        prompts().message(QStringLiteral("Please input Length"));
        return SendResult::Refused;
    }
    const std::uint32_t n = parseUnsigned(length.toStdString(), 10);
    if (n == 0) {
        prompts().message(QStringLiteral("Length must bigger than 0"));
        return SendResult::Refused;
    }
    // Fewer than four digits would make a one-byte address the high byte of the two.
    if (!requireChars(kAddressRow, 4, QStringLiteral("Please input 2 byte for Address")))
        return SendResult::Refused;
    if (isDebugWrite(op) &&
        !requireChars(kValueRow, 2, QStringLiteral("Please input at least 1 byte for Write Value")))
        return SendResult::Refused;
    const auto address = bytesOf(kAddressRow, 2);
    const auto value = isDebugWrite(op) ? bytesOf(kValueRow) : std::vector<std::uint8_t>{};
    CKelvra_CmdSet_Layer* l = layer();
    const bool written =
        l && l->DebugCommand(op, static_cast<std::uint8_t>(std::min<std::uint32_t>(n, 0xFF)),
                             {address[0], address[1]}, value);
    return written ? SendResult::Sent : SendResult::Failed;
}

// ---- the dump ------------------------------------------------------------------------

void CPageCommon::startDump() {
    const QString chosen = prompts().saveFile(QStringLiteral("TXT FILE(*.TXT)"), lastDumpPath_);
    if (chosen.isEmpty())
        return;
    lastDumpPath_ = EflashDump::fileName(chosen);
    if (!mainWindow()) {
        prompts().message(QStringLiteral("Write command fail!"));
        return;
    }
    dump_.start(mainWindow()->sendGate(), lastDumpPath_);
}

void CPageCommon::finishDump() {
    if (dump_.writeFile())
        prompts().message(QStringLiteral("Dump eFlash Success!"), PromptIcon::Information);
    else
        prompts().message(QStringLiteral(" Open File Failed "));
}

// ---- results -------------------------------------------------------------------------

void CPageCommon::receive(int kind, const Record& record) {
    switch (kind) {
    case kKindDebugData:
        onDebugData(record);
        break;
    case kKindLocalInformation:
        showLocalInformation(record);
        break;
    case kKindAdcValue:
        showAdcValue(record);
        break;
    case kKindDeviceName:
        showDeviceName(record);
        break;
    case kKindPairingMode:
        selectEntry(pairingMode_, record[5]);
        break;
    case kKindPairedDevices:
        showPairedDevices(record);
        break;
    default:
        break;
    }
}

void CPageCommon::onDebugData(const Record& record) {
    const std::size_t count =
        std::min<std::size_t>(le32(record, kDebugCountAt), kRecordSize - kDebugDataAt);
    const std::span<const std::uint8_t> bytes(record.data() + kDebugDataAt, count);
    if (dump_.dumping()) {
        if (dump_.collect(bytes) == EflashDump::Collected::Complete)
            finishDump();
        return;
    }
    setRowText(kValueRow, hexBytes(bytes.data(), bytes.size()));
}

void CPageCommon::showLocalInformation(const Record& record) {
    fwVersion_->setText(hexBytes(record.data() + 5, 4));
    address_->setText(hexBytes(record.data() + 9, 6));
    // The byte's two hexadecimal digits read as a decimal index ("0A" reads as 0).
    const QString digits = QString::asprintf("%02X", record[15]);
    selectEntry(hwVersion_, static_cast<int>(parseUnsigned(digits.toStdString(), 10)));
}

void CPageCommon::showAdcValue(const Record& record) {
    const std::uint8_t range = record[5];
    const unsigned v = (static_cast<unsigned>(record[6]) << 8) | record[7];
    adcValue_->setText(QString::asprintf("%04X", v));
    selectEntry(adcRange_, range);
    static constexpr double kStep[] = {0.0, 0.1, 0.05, 0.025};
    voltage_->setText(range >= 1 && range <= 3 ? QString::asprintf("(%.3f V)", v * kStep[range])
                                               : QString());
}

void CPageCommon::showDeviceName(const Record& record) {
    const std::size_t count = std::min<std::size_t>(le32(record, kNameCountAt), kNameCountAt - 5);
    deviceName_->setText(QString::fromLatin1(reinterpret_cast<const char*>(record.data() + 5),
                                             static_cast<qsizetype>(count)));
}

void CPageCommon::clearPairedDevices() {
    paired_->removeRows(0, paired_->rowCount());
}

void CPageCommon::showPairedDevices(const Record& record) {
    clearPairedDevices();
    const std::size_t count =
        std::min<std::size_t>(record[5], (kRecordSize - kPairedAt) / kPairedEntry);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = record.data() + kPairedAt + i * kPairedEntry;
        QList<QStandardItem*> row;
        row << new QStandardItem(QString::asprintf("%02d", e[0]))
            << new QStandardItem(QString::asprintf("%02d", e[1]))
            << new QStandardItem(QStringLiteral("0x") + hexBytes(e + 2, 6));
        paired_->appendRow(row);
    }
}
