#include "pages/gap/CPageGAP.h"

#include "framework/MainWindow.h"
#include "framework/ThrottledRefresh.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/common/Fields.h"
#include "pages/gap/AdvReportModel.h"
#include "ui/Prompts.h"
#include "ui/StableSize.h"
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
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

using namespace nuvex3;

namespace {

// The store option entries of "Write Adv Data"; the apostrophe is U+2019.
const QStringList kStoreOptions = {
    QStringLiteral("0x00: Advertising Data won\u2019t be stored"),
    QStringLiteral("0x80: Beacon Data won\u2019t be stored"),
};
const QStringList kAddressTypes = {QStringLiteral("0x00: Public Device Address"),
                                   QStringLiteral("0x01: Random Device Address")};
const QString kAdvFileFilter = QStringLiteral("ADV FILE(*.ADV) (*.adv *.ADV)");

constexpr std::uint32_t kIntervalMax = 0x4000;
constexpr std::uint32_t kConnMax = 0x0C80;

QString hex2(std::uint8_t b) {
    return QString::asprintf("%02X", b);
}

QString hex16(const Record& r, std::size_t at) {
    return QString::asprintf("%02X%02X", r[at], r[at + 1]);
}

std::vector<OpcodeSpec> gapTable() {
    using namespace nuvex3::rows;
    ParamRowSpec advType =
        selection(QStringLiteral("Advertising Type:"),
                  {QStringLiteral("0x00: Connectable undirected advertising"),
                   QStringLiteral("0x01: Connectable directed advertising"),
                   QStringLiteral("0x02: Scannable undirected advertising"),
                   QStringLiteral("0x03: Non connectable undirected advertising"),
                   QStringLiteral("0x04: Proprietary Beacon Setting")});
    advType.dropWidth = 220;
    ParamRowSpec standby = selection(
        QStringLiteral("Standby Mode:"),
        {QStringLiteral("0x00: Leave Standby Mode"), QStringLiteral("0x01: Enter Standby Mode"),
         QStringLiteral("0x02: Enter Standby Mode and only connectable for trust device"),
         QStringLiteral("0x81: Enter Standby Mode with Beacon Enabled"),
         QStringLiteral("0x82: Enter Standby Mode with Beacon Enabled and only connectable for "
                        "trust device")});
    standby.dropWidth = 400;
    ParamRowSpec filterPolicy =
        selection(QStringLiteral("Filter Policy:"), {QStringLiteral("0x00: White List is not Used"),
                                                     QStringLiteral("0x01: White List is Used")});
    filterPolicy.enabled = false;
    ParamRowSpec noUse = hex(QStringLiteral("No Use Parameters:"), QString(""), 0);
    const QString scanUnit = QStringLiteral("(0x0004~0x4000, Unit: 625us)");

    return {
        {QStringLiteral("0x10: Read RSSI Value"),
         {handle(QStringLiteral("Connection Handle:")), off(), off(), off()}},
        {QStringLiteral("0x11: Write Adv Data"),
         {choice(QStringLiteral("Store Option:"), kStoreOptions),
          hex(QStringLiteral("Advertising Data:"), QStringLiteral("(Unit: 1~25 Octets)"), 62),
          off(), off()}},
        {QStringLiteral("0x12: Write Scan Res_Data"),
         {hex(QStringLiteral("Scan Response Data:"), QStringLiteral("(Unit: 1~31 Octets)"), 62),
          off(), off(), off()}},
        {QStringLiteral("0x13: Set Advertising Parameter"),
         {withRange(hex(QStringLiteral("Advertising Interval:"),
                        QStringLiteral("(Unit: 625us, 0x0020~0x4000)"), 4, QStringLiteral("0800")),
                    kIntervalMax, 0x0020),
          advType, selection(QStringLiteral("Directed Addr Type:"), kAddressTypes),
          hex(QStringLiteral("Directed Addr:"), QStringLiteral("(Unit: 6 Octet)"), 12,
              QStringLiteral("0A0B0C0D0E0F"))}},
        {QStringLiteral("0x15: Set Scan Parameters"),
         {withRange(hex(QStringLiteral("Scan Interval:"), scanUnit, 4, QStringLiteral("0010")),
                    kIntervalMax, 0x0004),
          withRange(hex(QStringLiteral("Scan Window:"), scanUnit, 4, QStringLiteral("0010")),
                    kIntervalMax, 0x0004),
          choice(QStringLiteral("Scan Type:"), {QStringLiteral("0x00: Passive Scanning"),
                                                QStringLiteral("0x01: Active scanning")}),
          off()}},
        {QStringLiteral("0x16: Set Scan Enable"),
         {selection(QStringLiteral("Scan Enable:"), {QStringLiteral("0x00: Scanning Disabled"),
                                                     QStringLiteral("0x01: Scanning Enabled")}),
          selection(QStringLiteral("Filter Duplicate:"),
                    {QStringLiteral("0x00: Duplicate Filtering Disabled."),
                     QStringLiteral("0x01: Duplicate Filtering Enabled.")}),
          off(), off()}},
        {QStringLiteral("0x17: LE Create Connection"),
         {filterPolicy, selection(QStringLiteral("Peer Address Type:"), kAddressTypes),
          hex(QStringLiteral("Peer Address:"), QStringLiteral("(Unit: 6 Octets)"), 12,
              QStringLiteral("0A0B0C0D0E0F")),
          noUse}},
        {QStringLiteral("0x18: LE Create Connection Cancel"), {off(), off(), off(), off()}},
        {QStringLiteral("0x19: Connection Parameter Update Req"),
         {handle(QStringLiteral("Connection Handle:")),
          withRange(hex(QStringLiteral("Conn Interval:"),
                        QStringLiteral("(0x0006~0x0C80, Unit: 1.25ms)"), 4, QStringLiteral("0006")),
                    kConnMax, 0x0006),
          hex(QStringLiteral("Conn Latency:"), QStringLiteral("(Unit: 2 Octets)"), 4,
              QStringLiteral("0000")),
          withRange(hex(QStringLiteral("Supervision Timeout:"),
                        QStringLiteral("(0x000A~0x0C80, Unit: 10ms)"), 4, QStringLiteral("000A")),
                    kConnMax, 0x000A)}},
        {QStringLiteral("0x1B: Disconnect"),
         {handle(QStringLiteral("Connecction Handle:")), off(), off(), off()}},
        {QStringLiteral("0x1C: Set Adv Enable"), {standby, off(), off(), off()}},
        {QStringLiteral("0x1F: Read Remote Device Name"),
         {handle(QStringLiteral("Connection Handle:")), off(), off(), off()}},
    };
}

} // namespace

CPageGAP::CPageGAP(QWidget* parent)
    : CCommandPage(QStringLiteral("GAP"), QStringLiteral("GAP Command"), gapTable(), 250, parent) {
    buildLayout();
    selectOpcode(kCreateConnectionIndex);
}

void CPageGAP::buildLayout() {
    auto* rssiBox = new QGroupBox(QStringLiteral("RSSI"), this);
    auto* rssiForm = new QFormLayout(rssiBox);
    rssi_ = readOnlyEdit(rssiBox);
    rssiForm->addRow(QStringLiteral("RSSI Value:"), rssi_);

    auto* linkBox = new QGroupBox(QStringLiteral("LE Connection Info"), this);
    auto* linkForm = new QFormLayout(linkBox);
    handleCombo_ = new QComboBox(linkBox);
    role_ = readOnlyEdit(linkBox);
    addrType_ = readOnlyEdit(linkBox);
    address_ = readOnlyEdit(linkBox);
    interval_ = readOnlyEdit(linkBox);
    latency_ = readOnlyEdit(linkBox);
    timeout_ = readOnlyEdit(linkBox);
    // Wide enough for the longest value each field shows.
    reserveWidthFor(handleCombo_, QStringLiteral("DD"));
    reserveWidthFor(role_, QStringLiteral("Master"));
    reserveWidthFor(addrType_, QStringLiteral("Paired device"));
    reserveWidthFor(address_, QStringLiteral("CCCCCCCCCCCC"));
    for (QLineEdit* e : {interval_, latency_, timeout_})
        reserveWidthFor(e, QStringLiteral("CCCC"));
    linkForm->addRow(QStringLiteral("Connection Handle:"), prefixed(handleCombo_, linkBox));
    linkForm->addRow(QStringLiteral("Role:"), role_);
    linkForm->addRow(QStringLiteral("Address type:"), addrType_);
    linkForm->addRow(QStringLiteral("Address:"), prefixed(address_, linkBox));
    linkForm->addRow(QStringLiteral("Conn Interval:"), prefixed(interval_, linkBox));
    linkForm->addRow(QStringLiteral("Conn Latency:"), prefixed(latency_, linkBox));
    linkForm->addRow(QStringLiteral("Supervision Timeout:"), prefixed(timeout_, linkBox));
    connect(handleCombo_, &QComboBox::currentIndexChanged, this, [this] {
        linkInfoHandle_ = handleCombo_->currentText();
        if (linkRefresh_->due())
            linkRefresh_->flush(); // what the events brought, with the chosen handle
        else
            showRecord(linkInfoHandle_);
    });
    // Connection and parameter update events refresh the link information a few times a
    // second at most, and only while the page is visible.
    linkRefresh_ = new ThrottledRefresh(this, [this] { ShowLinkInfo(linkInfoHandle_); });

    auto* remoteBox = new QGroupBox(QStringLiteral("Remote Information"), this);
    auto* remoteForm = new QFormLayout(remoteBox);
    deviceName_ = readOnlyEdit(remoteBox);
    remoteForm->addRow(QStringLiteral("Device Name:"), deviceName_);

    advName_ = new QPushButton(QStringLiteral("Adv Name"), this);
    advName_->setEnabled(false);
    advName_->setVisible(false);

    model_ = new AdvReportModel(this);
    connect(model_, &AdvReportModel::oldestDropped, this, [this](int limit) {
        if (mainWindow())
            mainWindow()->appendLog(
                QStringLiteral("Advertising List : more than %1 reports, the oldest are dropped")
                    .arg(limit),
                kMessageColour);
    });
    view_ = new QTableView(this);
    view_->setModel(model_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setShowGrid(true);
    view_->setWordWrap(false);
    view_->verticalHeader()->setVisible(false);
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->horizontalHeader()->setSectionsMovable(true);
    view_->horizontalHeader()->setStretchLastSection(false);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    // Column widths in dialog units: a quarter of the average character width each.
    static constexpr int kWidths[AdvReportModel::kColumns] = {80, 80,  110, 110, 50,
                                                              50, 200, 200, 300};
    // A column is never narrower than its longest fixed text (the event types).
    const QFontMetrics fm = view_->fontMetrics();
    const int charWidth = fm.averageCharWidth();
    const int cellPadding = 4 * view_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 4;
    for (int c = 0; c < AdvReportModel::kColumns; ++c) {
        int width = kWidths[c] * charWidth / 4;
        if (c == AdvReportModel::EventType)
            for (int type = 0; type <= 0xFF; ++type)
                width = std::max(
                    width, fm.horizontalAdvance(eventTypeText(static_cast<std::uint8_t>(type))) +
                               cellPadding);
        view_->setColumnWidth(c, width);
    }
    connect(view_, &QTableView::clicked, this,
            [this](const QModelIndex& index) { prepareConnection(index.row()); });
    followNewReports();

    clear_ = new QPushButton(QStringLiteral("Clear"), this);
    connect(clear_, &QPushButton::clicked, this, [this] { clearReports(); });

    auto* right = new QVBoxLayout;
    right->addWidget(rssiBox);
    right->addWidget(linkBox);
    right->addWidget(remoteBox);
    right->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(commandGroup(), 3);
    top->addLayout(right, 2);
    auto* listBar = new QHBoxLayout;
    listBar->addWidget(new QLabel(QStringLiteral("Advertising  List :"), this));
    listBar->addStretch(1);
    listBar->addWidget(advName_);
    listBar->addWidget(clear_);
    auto* page = new QVBoxLayout(this);
    page->addLayout(top);
    page->addLayout(listBar);
    page->addWidget(view_, 1);
}

void CPageGAP::enable(bool on) {
    CCommandPage::enable(on);
    advName_->setEnabled(on);
}

// ---- sending ---------------------------------------------------------------------------

CCommandPage::SendResult CPageGAP::sendCommand(std::uint8_t opcode) {
    static const std::pair<std::uint8_t, Sender> senders[] = {
        {0x10, &CPageGAP::sendReadRssi},
        {0x11, &CPageGAP::sendWriteAdvData},
        {0x12, &CPageGAP::sendWriteScanResData},
        {0x13, &CPageGAP::sendSetAdvertisingParameter},
        {0x15, &CPageGAP::sendSetScanParameters},
        {0x16, &CPageGAP::sendSetScanEnable},
        {0x17, &CPageGAP::sendCreateConnection},
        {0x18, &CPageGAP::sendCreateConnectionCancel},
        {0x19, &CPageGAP::sendConnectionParameterUpdate},
        {0x1B, &CPageGAP::sendDisconnect},
        {0x1C, &CPageGAP::sendSetAdvEnable},
        {0x1F, &CPageGAP::sendReadRemoteName},
    };
    return runSender(*this, opcode, senders);
}

CCommandPage::SendResult CPageGAP::sendReadRssi() {
    const auto h = handleOf(0);
    if (!h)
        return SendResult::Refused;
    return result(layer() && layer()->ReadRSSIValue(*h));
}

CCommandPage::SendResult CPageGAP::sendWriteAdvData() {
    if (!requireChars(1, 2, QStringLiteral("The data must input least 1 byte")))
        return SendResult::Refused;
    const auto data = bytesOf(1);
    return result(layer() && layer()->WriteAdvData(choiceValue(0), data));
}

CCommandPage::SendResult CPageGAP::sendWriteScanResData() {
    if (!requireChars(0, 2, QStringLiteral("The data must input least 1 byte")))
        return SendResult::Refused;
    const auto data = bytesOf(0);
    return result(layer() && layer()->WriteScanResData(0x00, data));
}

CCommandPage::SendResult CPageGAP::sendSetAdvertisingParameter() {
    if (!requireChars(0, 4, QStringLiteral("Please input 2 bytes for Advertising interval")) ||
        !requireChars(3, 12, QStringLiteral("Please input 6 bytes for Direct Address")))
        return SendResult::Refused;
    return result(layer() &&
                  layer()->SetAdvertisingParameter(
                      value16Of(0), static_cast<std::uint8_t>(std::max(0, choiceIndex(1))),
                      static_cast<std::uint8_t>(std::max(0, choiceIndex(2))), addressOf(3)));
}

CCommandPage::SendResult CPageGAP::sendSetScanParameters() {
    if (!requireChars(0, 4, QStringLiteral("Please input 2 bytes for Scan interval")) ||
        !requireChars(1, 4, QStringLiteral("Please input 2 bytes for Scan Window")))
        return SendResult::Refused;
    const std::uint16_t interval = value16Of(0);
    const std::uint16_t window = value16Of(1);
    if (window > interval) {
        prompts().message(QStringLiteral("Scan Window must less than or equal to Scan interval"));
        return SendResult::Refused;
    }
    return result(layer() &&
                  layer()->SetScanParameters(
                      interval, window, static_cast<std::uint8_t>(std::max(0, choiceIndex(2)))));
}

CCommandPage::SendResult CPageGAP::sendSetScanEnable() {
    const int enable = std::max(0, choiceIndex(0));
    if (enable == 1)
        clearReports();
    return result(layer() &&
                  layer()->SetScanEnable(static_cast<std::uint8_t>(enable),
                                         static_cast<std::uint8_t>(std::max(0, choiceIndex(1)))));
}

CCommandPage::SendResult CPageGAP::sendCreateConnection() {
    clearLinkInfo();
    if (!requireChars(2, 12, QStringLiteral("Please input 6 bytes for Direct Address")))
        return SendResult::Refused;
    return result(layer() &&
                  layer()->LECreateConnection(
                      static_cast<std::uint8_t>(std::max(0, choiceIndex(0))),
                      static_cast<std::uint8_t>(std::max(0, choiceIndex(1))), addressOf(2)));
}

CCommandPage::SendResult CPageGAP::sendCreateConnectionCancel() {
    return result(layer() && layer()->LECreateConnectionCancel());
}

CCommandPage::SendResult CPageGAP::sendConnectionParameterUpdate() {
    const auto h = handleOf(0);
    if (!h)
        return SendResult::Refused;
    if (!requireChars(1, 4, QStringLiteral("Please input 2 bytes for Conn interval")) ||
        !requireChars(2, 4, QStringLiteral("Please input 2 bytes for Conn Latency")) ||
        !requireChars(3, 4, QStringLiteral("Please input 2 bytes for Supervision Timeout")))
        return SendResult::Refused;
    return result(layer() && layer()->ConnectionParameterUpdateReq(*h, value16Of(1), value16Of(2),
                                                                   value16Of(3)));
}

CCommandPage::SendResult CPageGAP::sendDisconnect() {
    clearLinkInfo();
    const auto h = handleOf(0);
    if (!h)
        return SendResult::Refused;
    return result(layer() && layer()->Disconnect(*h));
}

CCommandPage::SendResult CPageGAP::sendSetAdvEnable() {
    return result(layer() && layer()->SetAdvEnable(choiceValue(0)));
}

CCommandPage::SendResult CPageGAP::sendReadRemoteName() {
    const auto h = handleOf(0);
    if (!h)
        return SendResult::Refused;
    return result(layer() && layer()->ReadRemoteDeviceName(*h));
}

// ---- relabelling extras ----------------------------------------------------------------

void CPageGAP::afterRelabel(std::uint8_t opcode) {
    if (opcode == 0x11 || opcode == 0x12)
        loadDataFromFile(opcode);
}

void CPageGAP::loadDataFromFile(std::uint8_t opcode) {
    const auto lines = promptAndReadAdvFile(kAdvFileFilter);
    if (!lines)
        return;
    if (opcode == 0x11) {
        if (lines->isEmpty())
            return;
        const QString& line = lines->front();
        // Bit 7 of the option byte picks the entry: set is "0x80: Beacon Data ...",
        // clear (or no valid option) is "0x00: Advertising Data ...".
        const QString option = line.left(2);
        const bool beacon = !firstNonHex(option.toStdString()) && option.size() == 2 &&
                            (parseUnsigned(option.toStdString(), 16) & 0x80) != 0;
        valueCombo(0)->setCurrentIndex(beacon ? 1 : 0);
        setRowText(1, line.mid(2));
    } else if (lines->size() >= 2) {
        setRowText(0, lines->at(1));
    }
}

// ---- advertising reports ---------------------------------------------------------------

void CPageGAP::AddAdvertisingReport(const AdvReport& report) {
    model_->add(report);
    // As many addresses as the list has rows; further new ones are not kept.
    if (seen_.size() < model_->rowLimit())
        seen_.insert(addressText(report));
}

void CPageGAP::followNewReports() {
    // New rows scroll into view while the list is scrolled to its end (or not scrollable);
    // a user who scrolled up to read keeps the rows in view.
    connect(model_, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        const QScrollBar* bar = view_->verticalScrollBar();
        followReports_ = bar->value() >= bar->maximum();
    });
    connect(model_, &QAbstractItemModel::rowsInserted, this, [this] {
        if (followReports_)
            view_->scrollToBottom();
    });
}

void CPageGAP::flushReports() {
    model_->flush();
}

void CPageGAP::clearReports() {
    model_->clear();
}

void CPageGAP::prepareConnection(int row) {
    flushReports();
    if (row < 0 || row >= model_->rowCount())
        return;
    const QString addrType = model_->cellText(row, AdvReportModel::AddrType);
    const QString addr = model_->cellText(row, AdvReportModel::Addr);
    const QString data = model_->cellText(row, AdvReportModel::Data);
    selectOpcode(kCreateConnectionIndex);
    valueCombo(1)->setCurrentIndex(addrType == QLatin1String("Public") ? 0 : 1);
    setRowText(2, addr.mid(2));
    setRowText(3, data.mid(2));
}

// ---- link information ------------------------------------------------------------------

CPageGAP::LinkRecord* CPageGAP::findRecord(const QString& handle) {
    for (LinkRecord& r : records_)
        if (r.handle == handle)
            return &r;
    return nullptr;
}

void CPageGAP::clearLinkInfo() {
    flushLinkInfo();
    const QSignalBlocker block(handleCombo_);
    handleCombo_->setCurrentIndex(-1);
    for (QLineEdit* e : {role_, addrType_, address_, interval_, latency_, timeout_})
        e->clear();
}

void CPageGAP::showRecord(const QString& handle) {
    const LinkRecord* r = findRecord(handle);
    if (!r)
        return;
    role_->setText(r->role);
    addrType_->setText(r->addressType);
    address_->setText(r->address);
    interval_->setText(r->interval);
    latency_->setText(r->latency);
    timeout_->setText(r->timeout);
}

void CPageGAP::ShowLinkInfo(const QString& handle) {
    {
        const QSignalBlocker block(handleCombo_);
        handleCombo_->clear();
        for (const LinkRecord& r : records_)
            handleCombo_->addItem(r.handle);
        if (records_.empty())
            return;
        const int index = handle.isEmpty() ? 0 : handleCombo_->findText(handle);
        if (index < 0)
            return;
        handleCombo_->setCurrentIndex(index);
    }
    showRecord(handleCombo_->currentText());
}

void CPageGAP::onConnectionComplete(const Record& r) {
    if (r[3] != 0)
        return; // the main window reports a failed connection
    static const char* const roles[] = {"Master", "Slave"};
    static const char* const types[] = {"Public", "Random", "Paired device"};
    LinkRecord rec;
    rec.handle = hex2(r[4]);
    rec.role = r[5] < 2 ? QString::fromLatin1(roles[r[5]]) : QString();
    rec.addressType = r[6] < 3 ? QString::fromLatin1(types[r[6]]) : QString();
    rec.address = QString::fromStdString(bytesToHex(r.data() + 7, 6));
    rec.interval = hex16(r, 13);
    rec.latency = hex16(r, 15);
    rec.timeout = hex16(r, 17);
    if (LinkRecord* existing = findRecord(rec.handle))
        *existing = rec; // a handle the module reuses replaces its stale record
    else
        records_.push_back(rec);
    showLinkInfoSoon(rec.handle);
}

void CPageGAP::showLinkInfoSoon(const QString& handle) {
    linkInfoHandle_ = handle;
    linkRefresh_->request();
}

void CPageGAP::flushLinkInfo() {
    linkRefresh_->flush();
}

void CPageGAP::onDisconnectionComplete(const Record& r) {
    flushLinkInfo();
    const QString handle = hex2(r[3]);
    const auto& links = linkTable();
    if (!links.empty()) {
        const auto it = std::find(links.begin(), links.end(), r[3]);
        if (it != links.end()) {
            const int index = static_cast<int>(it - links.begin());
            const QSignalBlocker block(handleCombo_);
            if (index < handleCombo_->count())
                handleCombo_->removeItem(index);
        }
        clearLinkInfo();
    }
    records_.erase(std::remove_if(records_.begin(), records_.end(),
                                  [&](const LinkRecord& rec) { return rec.handle == handle; }),
                   records_.end());
}

void CPageGAP::onParameterUpdate(const Record& r) {
    const QString handle = hex2(r[3]);
    LinkRecord* rec = findRecord(handle);
    if (!rec)
        return;
    rec->interval = hex16(r, 4);
    rec->latency = hex16(r, 6);
    rec->timeout = hex16(r, 8);
    showLinkInfoSoon(handle);
}

void CPageGAP::onAllIdle() {
    flushLinkInfo();
    CCommandPage::onAllIdle();
    records_.clear();
    {
        const QSignalBlocker block(handleCombo_);
        handleCombo_->clear();
    }
    clearLinkInfo();
}

// ---- events ----------------------------------------------------------------------------

void CPageGAP::receive(int kind, const Record& record) {
    switch (kind) {
    case kKindRssi:
        rssi_->setText(QString::number(static_cast<std::int8_t>(record[5])));
        break;
    case kKindRemoteName: {
        // The name runs from [5]; its length is kept at [260..263], least significant first.
        const std::uint32_t count = record[260] | (record[261] << 8) | (record[262] << 16) |
                                    (static_cast<std::uint32_t>(record[263]) << 24);
        const std::size_t n = std::min<std::size_t>(count, 255);
        deviceName_->setText(bytesAsChars({record.data() + 5, n}));
        break;
    }
    case kKindAdvertisingReport:
        AddAdvertisingReport(reportFromRecord(record));
        break;
    case kKindConnectionComplete:
        onConnectionComplete(record);
        break;
    case kKindDisconnectionComplete:
        onDisconnectionComplete(record);
        break;
    case kKindConnectionParameterUpdate:
        onParameterUpdate(record);
        break;
    default:
        break;
    }
}
