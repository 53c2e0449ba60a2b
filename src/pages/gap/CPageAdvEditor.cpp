#include "pages/gap/CPageAdvEditor.h"

#include "framework/ThrottledRefresh.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "ui/Prompts.h"
#include "ui/ValueEntry.h"
#include "ui/ValueEntryQt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

using namespace nuvex3;

const QString CPageAdvEditor::kServiceRefUrl =
    QStringLiteral("https://www.bluetooth.com/specifications/assigned-numbers/");

namespace {

const QString kAdvFileFilter = QStringLiteral("ADV FILE(*.adv)");
constexpr int kUuidChars = 32;
constexpr int kMaxLength = 31;
constexpr int kSaveLimit = 26; // a file holds at most 25 advertising bytes

constexpr std::uint8_t kType16BitUuids = 0x03;
constexpr std::uint8_t kType128BitUuids = 0x07;
constexpr std::uint8_t kTypeFlags = 0x01;
constexpr std::uint8_t kTypeName = 0x09;
constexpr std::uint8_t kTypeManufacturer = 0xFF;

std::vector<std::uint8_t> hexBytes(const QLineEdit* e, bool reverse = false) {
    return hexToBytes(e->text().toStdString(), false, reverse);
}

void appendStructure(std::vector<std::uint8_t>& out, std::uint8_t type,
                     const std::vector<std::uint8_t>& data) {
    out.push_back(static_cast<std::uint8_t>(data.size() + 1));
    out.push_back(type);
    out.insert(out.end(), data.begin(), data.end());
}

QString lengthText(int length) {
    return length >= kMaxLength + 1 ? QStringLiteral("Exceeding Length")
                                    : QString::number(kMaxLength - length);
}

} // namespace

// Holds refreshes back while many controls change, then refreshes once.
class CPageAdvEditor::RefreshHold {
public:
    explicit RefreshHold(CPageAdvEditor* page) : page_(page) { ++page_->refreshHeld_; }
    ~RefreshHold() {
        if (--page_->refreshHeld_ == 0)
            page_->refresh();
    }
    RefreshHold(const RefreshHold&) = delete;
    RefreshHold& operator=(const RefreshHold&) = delete;

private:
    CPageAdvEditor* page_;
};

CPageAdvEditor::CPageAdvEditor(QWidget* parent)
    : CPageBase(QStringLiteral("ADV / SR Data"), parent) {
    reportRefresh_ = new ThrottledRefresh(this, [this] {
        const RefreshHold hold(this);
        PendingReports reports = std::exchange(pending_, {});
        if (reports.flags)
            decodeInto(adv_, *reports.flags, true);
        for (const AdStructure& s : reports.uuids)
            decodeInto(adv_, s, true);
        if (reports.name)
            decodeInto(adv_, *reports.name, true);
        if (reports.manufacturer)
            decodeInto(adv_, *reports.manufacturer, true);
    });
    auto* page = new QVBoxLayout(this);
    page->addWidget(buildDataSet(adv_, QStringLiteral("Advertising Data Setting"),
                                 QStringLiteral("Service UUID"), true));
    page->addWidget(buildDataSet(scan_, QStringLiteral("Scan Response Data Setting"),
                                 QStringLiteral("Minor Service UUID"), false));

    auto* buttons = new QHBoxLayout;
    load_ = new QPushButton(QStringLiteral("Load File"), this);
    save_ = new QPushButton(QStringLiteral("Save As..."), this);
    serviceRef_ = new QPushButton(QStringLiteral("Service Ref."), this);
    buttons->addWidget(load_);
    buttons->addWidget(save_);
    buttons->addStretch(1);
    buttons->addWidget(serviceRef_);
    page->addLayout(buttons);
    page->addStretch(1);

    connect(load_, &QPushButton::clicked, this, [this] { loadFile(); });
    connect(save_, &QPushButton::clicked, this, [this] { saveAs(); });
    connect(serviceRef_, &QPushButton::clicked, this, [] { prompts().openUrl(kServiceRefUrl); });
    connect(adv_.update, &QPushButton::clicked, this, [this] { updateAdvertising(); });
    connect(scan_.update, &QPushButton::clicked, this, [this] { updateScanResponse(); });

    enable(false);
    refresh();
}

QGroupBox* CPageAdvEditor::buildDataSet(DataSet& set, const QString& title,
                                        const QString& serviceCaption, bool advertising) {
    auto* box = new QGroupBox(title, this);
    auto* grid = new QGridLayout(box);
    int line = 0;

    auto* head = new QHBoxLayout;
    if (advertising) {
        storeOption_ = new QComboBox(box);
        storeOption_->addItems({QStringLiteral("0x00: Advertising Data won\u2019t be stored"),
                                QStringLiteral("0x80: Beacon Data won\u2019t be stored")});
        head->addWidget(new QLabel(QStringLiteral("Store Option"), box));
        head->addWidget(storeOption_);
    } else {
        scanStoreOption_ = new QComboBox(box);
        scanStoreOption_->addItems({QStringLiteral("0x00: The change won't store to E2PROM"),
                                    QStringLiteral("0x01: The change will store to E2PROM")});
        scanStoreOption_->setVisible(false);
        head->addWidget(scanStoreOption_);
    }
    set.update = new QPushButton(QStringLiteral("Update"), box);
    set.available = new QLineEdit(box);
    set.available->setReadOnly(true);
    head->addWidget(set.update);
    head->addStretch(1);
    head->addWidget(new QLabel(QStringLiteral("Available Length"), box));
    head->addWidget(set.available);
    grid->addLayout(head, line++, 0, 1, 4);

    set.service = new QCheckBox(serviceCaption, box);
    grid->addWidget(set.service, line, 0);
    grid->addWidget(new QLabel(QStringLiteral("( 2 or 16 Octet)"), box), line++, 1);
    for (int i = 0; i < kUuidRows; ++i) {
        set.uuidBox[i] = new QCheckBox(QStringLiteral("0x"), box);
        set.uuid[i] = new QLineEdit(box);
        set.uuid[i]->setMaxLength(kUuidChars);
        grid->addWidget(set.uuidBox[i], line, 1);
        grid->addWidget(set.uuid[i], line++, 2, 1, 2);
        QLineEdit* e = set.uuid[i];
        connect(e, &QLineEdit::textEdited, this, [e] { validateHexEdit(e, 0, kMaxU32, false); });
        connect(e, &QLineEdit::textChanged, this, [this] { refresh(); });
        connect(set.uuidBox[i], &QCheckBox::toggled, this, [this] { refresh(); });
    }
    connect(set.service, &QCheckBox::toggled, this, [this] { refresh(); });

    if (advertising) {
        set.flag = new QCheckBox(QStringLiteral("Flag"), box);
        set.flagCombo = new QComboBox(box);
        set.flagCombo->addItem(QStringLiteral("0x06: BLE Only"));
        grid->addWidget(set.flag, line, 0);
        grid->addWidget(set.flagCombo, line++, 1, 1, 3);
        set.name = new QCheckBox(QStringLiteral("Local Name"), box);
        set.nameEdit = new QLineEdit(box);
        grid->addWidget(set.name, line, 0);
        grid->addWidget(set.nameEdit, line++, 1, 1, 3);
        connect(set.flag, &QCheckBox::toggled, this, [this] { refresh(); });
        connect(set.name, &QCheckBox::toggled, this, [this] { refresh(); });
        connect(set.nameEdit, &QLineEdit::textChanged, this, [this] { refresh(); });
    }

    set.manufacturer = new QCheckBox(QStringLiteral("Manufacture Data"), box);
    set.manufacturerEdit = new QLineEdit(box);
    grid->addWidget(set.manufacturer, line, 0);
    grid->addWidget(new QLabel(QStringLiteral("0x"), box), line, 1);
    grid->addWidget(set.manufacturerEdit, line++, 2, 1, 2);
    QLineEdit* m = set.manufacturerEdit;
    connect(m, &QLineEdit::textEdited, this, [m] { validateHexEdit(m, 0, kMaxU32, false); });
    connect(m, &QLineEdit::textChanged, this, [this] { refresh(); });
    connect(set.manufacturer, &QCheckBox::toggled, this, [this] { refresh(); });
    grid->setColumnStretch(2, 1);
    return box;
}

void CPageAdvEditor::enable(bool on) {
    for (QPushButton* b : {load_, save_, adv_.update, scan_.update})
        b->setEnabled(on);
}

// ---- lengths and enable states ---------------------------------------------------------

int CPageAdvEditor::lengthOf(const DataSet& set) {
    int length = 0;
    if (set.service->isChecked()) {
        length += 2;
        for (int i = 0; i < kUuidRows; ++i)
            if (set.uuidBox[i]->isChecked())
                length += static_cast<int>(set.uuid[i]->text().size() / 2);
    }
    if (set.flag && set.flag->isChecked())
        length += 3;
    if (set.name && set.name->isChecked())
        length += 2 + static_cast<int>(set.nameEdit->text().toUtf8().size());
    if (set.manufacturer->isChecked())
        length += 2 + static_cast<int>((set.manufacturerEdit->text().size() + 1) / 2);
    return length;
}

int CPageAdvEditor::advertisingLength() const {
    return lengthOf(adv_);
}

int CPageAdvEditor::scanResponseLength() const {
    return lengthOf(scan_);
}

void CPageAdvEditor::refreshEnables(const DataSet& set) {
    const bool service = set.service->isChecked();
    for (int i = 0; i < kUuidRows; ++i) {
        set.uuidBox[i]->setEnabled(service);
        set.uuid[i]->setEnabled(service && set.uuidBox[i]->isChecked());
    }
    if (set.flag)
        set.flagCombo->setEnabled(set.flag->isChecked());
    if (set.name)
        set.nameEdit->setEnabled(set.name->isChecked());
    set.manufacturerEdit->setEnabled(set.manufacturer->isChecked());
}

void CPageAdvEditor::refresh() {
    if (refreshHeld_ > 0)
        return;
    for (const DataSet* set : {&adv_, &scan_}) {
        if (!set->available)
            return; // still being built
        refreshEnables(*set);
        set->available->setText(lengthText(lengthOf(*set)));
    }
}

// ---- composing -------------------------------------------------------------------------

std::optional<std::vector<std::uint8_t>> CPageAdvEditor::compose(const DataSet& set) {
    std::vector<std::uint8_t> out;
    if (set.service->isChecked()) {
        std::vector<std::uint8_t> uuids;
        bool any = false;
        bool wide = false;
        for (int i = 0; i < kUuidRows; ++i) {
            if (!set.uuidBox[i]->isChecked())
                continue;
            const qsizetype n = set.uuid[i]->text().size();
            if (n != 4 && n != kUuidChars) {
                prompts().message(QStringLiteral("Please Input 2 or 16 Octet for Service UUID"));
                return std::nullopt;
            }
            any = true;
            wide = wide || n == kUuidChars;
            const auto bytes = hexBytes(set.uuid[i], true);
            uuids.insert(uuids.end(), bytes.begin(), bytes.end());
        }
        if (!any) {
            prompts().message(QStringLiteral("No Service Supported!"));
            return std::nullopt;
        }
        appendStructure(out, wide ? kType128BitUuids : kType16BitUuids, uuids);
    }
    if (set.flag && set.flag->isChecked()) {
        const QString entry = set.flagCombo->currentText();
        appendStructure(out, kTypeFlags,
                        {static_cast<std::uint8_t>(parseUnsigned(entry.toStdString(), 16))});
    }
    if (set.name && set.name->isChecked()) {
        const QByteArray name = set.nameEdit->text().toUtf8();
        if (name.isEmpty()) {
            prompts().message(QStringLiteral("Local Name can not be empty!"));
            return std::nullopt;
        }
        appendStructure(out, kTypeName, std::vector<std::uint8_t>(name.begin(), name.end()));
    }
    if (set.manufacturer->isChecked()) {
        if (set.manufacturerEdit->text().isEmpty()) {
            prompts().message(QStringLiteral("Manufacture Data can not be empty!"));
            return std::nullopt;
        }
        appendStructure(out, kTypeManufacturer, hexBytes(set.manufacturerEdit));
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> CPageAdvEditor::composeAdvertising() const {
    return compose(adv_);
}

std::optional<std::vector<std::uint8_t>> CPageAdvEditor::composeScanResponse() const {
    return compose(scan_);
}

// ---- sending ---------------------------------------------------------------------------

void CPageAdvEditor::updateAdvertising() {
    if (advertisingLength() > kMaxLength) {
        prompts().message(QStringLiteral("ADV Data Setting is Exceeding Length"));
        return;
    }
    const auto data = composeAdvertising();
    if (!data || !layer())
        return;
    const auto option =
        static_cast<std::uint8_t>(parseUnsigned(storeOption_->currentText().toStdString(), 16));
    layer()->WriteAdvData(option, *data);
}

void CPageAdvEditor::updateScanResponse() {
    if (scanResponseLength() > kMaxLength) {
        prompts().message(QStringLiteral("Scan Response Data Setting is Exceeding Length"));
        return;
    }
    const auto data = composeScanResponse();
    if (!data || !layer())
        return;
    layer()->WriteScanResData(
        static_cast<std::uint8_t>(std::max(0, scanStoreOption_->currentIndex())), *data);
}

// ---- files -----------------------------------------------------------------------------

void CPageAdvEditor::saveAs() {
    if (advertisingLength() >= kSaveLimit) {
        prompts().message(QStringLiteral("ADV Data Setting is Exceeding Length"));
        return;
    }
    if (scanResponseLength() > kMaxLength) {
        prompts().message(QStringLiteral("Scan Response Data Setting is Exceeding Length"));
        return;
    }
    const auto adv = composeAdvertising();
    if (!adv)
        return;
    const auto scan = composeScanResponse();
    if (!scan)
        return;
    QString path = prompts().saveFile(kAdvFileFilter, QDir::currentPath());
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".adv"), Qt::CaseInsensitive))
        path += QStringLiteral(".adv");
    QFile f(path);
    const QByteArray content = formatAdvFile(storeOption_->currentText().mid(2, 2), *adv, *scan);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size())
        prompts().message(QStringLiteral("Save File Failed"));
}

void CPageAdvEditor::clearAll() {
    for (DataSet* set : {&adv_, &scan_}) {
        set->service->setChecked(false);
        for (int i = 0; i < kUuidRows; ++i) {
            set->uuidBox[i]->setChecked(false);
            set->uuid[i]->clear();
        }
        set->manufacturer->setChecked(false);
        set->manufacturerEdit->clear();
    }
    adv_.flag->setChecked(false);
    adv_.name->setChecked(false);
    adv_.nameEdit->clear();
}

void CPageAdvEditor::loadFile() {
    const auto lines = promptAndReadAdvFile(kAdvFileFilter);
    if (!lines)
        return;
    const RefreshHold hold(this);
    clearAll();
    if (!lines->isEmpty()) {
        const auto bytes = hexToBytes(lines->at(0).toStdString());
        for (const AdStructure& s : walkEditorData(bytes, 1)) // byte 0: the store option
            decodeInto(adv_, s, true);
    }
    if (lines->size() >= 2) {
        const auto bytes = hexToBytes(lines->at(1).toStdString());
        for (const AdStructure& s : walkEditorData(bytes, 0))
            decodeInto(scan_, s, false);
    }
}

// ---- decoding --------------------------------------------------------------------------

void CPageAdvEditor::putUuid(DataSet& set, const QString& text) {
    for (int i = 0; i < kUuidRows; ++i) {
        if (!set.uuid[i]->text().isEmpty())
            continue;
        set.uuid[i]->setText(text);
        set.uuidBox[i]->setChecked(true);
        return;
    }
    // every row holds a UUID already: this one is dropped
}

void CPageAdvEditor::decodeInto(DataSet& set, const AdStructure& s, bool advertising) {
    switch (s.type) {
    case kType16BitUuids:
        set.service->setChecked(true);
        for (std::size_t i = 0; i + 1 < s.data.size(); i += 2)
            putUuid(set, QString::asprintf("%02X%02X", s.data[i + 1], s.data[i]));
        break;
    case kType128BitUuids:
        set.service->setChecked(true);
        if (s.data.size() >= 16) {
            std::vector<std::uint8_t> uuid(s.data.begin(), s.data.begin() + 16);
            std::reverse(uuid.begin(), uuid.end());
            putUuid(set, QString::fromStdString(bytesToHex(uuid.data(), uuid.size())));
        }
        break;
    case kTypeFlags:
        if (advertising) {
            set.flag->setChecked(true);
            // "0x06: BLE Only" is the only entry; any flags byte selects it.
            set.flagCombo->setCurrentIndex(0);
        }
        break;
    case kTypeName:
        if (advertising) {
            set.name->setChecked(true);
            set.nameEdit->setText(QString::fromUtf8(reinterpret_cast<const char*>(s.data.data()),
                                                    static_cast<qsizetype>(s.data.size())));
        }
        break;
    case kTypeManufacturer:
        set.manufacturer->setChecked(true);
        set.manufacturerEdit->setText(
            QString::fromStdString(bytesToHex(s.data.data(), s.data.size())));
        break;
    default:
        break;
    }
}

void CPageAdvEditor::showAdvertisingReport(std::span<const std::uint8_t> data) {
    const RefreshHold hold(this);
    for (const AdStructure& s : walkEditorData(data, 0))
        decodeInto(adv_, s, true);
}

void CPageAdvEditor::gather(std::span<const std::uint8_t> data) {
    for (AdStructure& s : walkEditorData(data, 0)) {
        switch (s.type) {
        case kType16BitUuids:
        case kType128BitUuids:
            if (pending_.uuidCount < kUuidRows) {
                pending_.uuidCount += s.type == kType16BitUuids ? s.data.size() / 2
                                      : s.data.size() >= 16     ? 1
                                                                : 0;
                pending_.uuids.push_back(std::move(s));
            }
            break;
        case kTypeFlags:
            pending_.flags = std::move(s);
            break;
        case kTypeName:
            pending_.name = std::move(s);
            break;
        case kTypeManufacturer:
            pending_.manufacturer = std::move(s);
            break;
        default:
            break;
        }
    }
}

void CPageAdvEditor::showPendingReports() {
    reportRefresh_->flush();
}

void CPageAdvEditor::receive(int kind, const Record& record) {
    if (kind != kKindAdvertisingReport)
        return;
    const AdvReport report = reportFromRecord(record);
    gather(report.bytes());
    reportRefresh_->request();
}
