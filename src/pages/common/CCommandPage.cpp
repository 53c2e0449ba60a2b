#include "pages/common/CCommandPage.h"

#include "ui/Prompts.h"
#include "ui/StableSize.h"
#include "ui/ValueEntry.h"
#include "ui/ValueEntryQt.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace nuvex3 {

namespace rows {

ParamRowSpec off() {
    return {};
}

ParamRowSpec hex(const QString& caption, const QString& unit, int limit, const QString& text) {
    ParamRowSpec r;
    r.caption = caption;
    r.unit = unit;
    r.limit = limit;
    r.text = text;
    r.hexCheck = true;
    return r;
}

ParamRowSpec selection(const QString& caption, const QStringList& choices) {
    ParamRowSpec r;
    r.caption = caption;
    r.unit = QStringLiteral("(Selection)");
    r.prefix = false;
    r.choices = choices;
    return r;
}

ParamRowSpec choice(const QString& caption, const QStringList& choices) {
    ParamRowSpec r;
    r.caption = caption;
    r.choices = choices;
    return r;
}

ParamRowSpec handle(const QString& caption) {
    ParamRowSpec r;
    r.caption = caption;
    r.unit = QStringLiteral("(Unit: 1 Octet)");
    r.handles = true;
    r.limit = 2;
    r.hexCheck = true;
    return r;
}

ParamRowSpec withRange(ParamRowSpec row, std::optional<std::uint32_t> maxOnChange,
                       std::optional<std::uint32_t> minOnFocusLoss) {
    row.maxOnChange = maxOnChange;
    row.minOnFocusLoss = minOnFocusLoss;
    return row;
}

} // namespace rows

std::optional<std::uint8_t> opcodeOfText(const QString& text) {
    const std::string s = text.trimmed().toStdString();
    if (s.size() < 3 || s[0] != '0' || (s[1] | 0x20) != 'x' || firstNonHex(s.substr(2, 1)))
        return std::nullopt;
    const std::uint32_t v = parseUnsigned(s, 16);
    if (v > 0xFF)
        return std::nullopt;
    return static_cast<std::uint8_t>(v);
}

} // namespace nuvex3

using namespace nuvex3;

namespace {
constexpr int kNoLimit = 32767; // QLineEdit's default maximum length
}

CCommandPage::CCommandPage(const QString& caption, const QString& groupCaption,
                           std::vector<OpcodeSpec> table, int opcodeDropWidth, QWidget* parent)
    : CPageBase(caption, parent), table_(std::move(table)) {
    group_ = new QGroupBox(groupCaption, this);
    auto* grid = new QGridLayout(group_);

    grid->addWidget(new QLabel(QStringLiteral("Opcode:"), group_), 0, 0);
    opcode_ = new QComboBox(group_);
    for (const OpcodeSpec& op : table_)
        opcode_->addItem(op.text);
    if (opcodeDropWidth > 0)
        opcode_->view()->setMinimumWidth(opcodeDropWidth);
    grid->addWidget(opcode_, 0, 1, 1, 2);
    send_ = new QPushButton(QStringLiteral("Send"), group_);
    send_->setEnabled(false);
    grid->addWidget(send_, 0, 3);

    for (int i = 0; i < kRows; ++i) {
        Row& r = rows_[i];
        const int line = 1 + 2 * i;
        r.caption = new QLabel(QStringLiteral("Value %1:").arg(i + 1), group_);
        r.prefix = new QLabel(QStringLiteral("0x"), group_);
        r.combo = new QComboBox(group_);
        r.combo->setEditable(true);
        r.combo->setInsertPolicy(QComboBox::NoInsert);
        r.combo->setMinimumWidth(200);
        // The size does not follow the entries, so relabelling keeps the layout in place.
        r.combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        r.combo->setMinimumContentsLength(16);
        r.unit = new QLabel(QStringLiteral("(Unit: )"), group_);
        r.caption->setBuddy(r.combo);
        QSizePolicy keepPlace = r.prefix->sizePolicy();
        keepPlace.setRetainSizeWhenHidden(true);
        r.prefix->setSizePolicy(keepPlace);
        grid->addWidget(r.caption, line, 0);
        grid->addWidget(r.prefix, line, 1);
        grid->addWidget(r.combo, line, 2, 1, 2);
        grid->addWidget(r.unit, line + 1, 2, 1, 2);
        r.combo->installEventFilter(this);
        r.combo->lineEdit()->installEventFilter(this);
        connect(r.combo->lineEdit(), &QLineEdit::textEdited, this, [this, i] { onTextEdited(i); });
    }
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(1 + 2 * kRows, 1); // the rows stay together at the top
    defaultDropWidth_ = rows_[0].combo->view()->minimumWidth();
    reserveRowWidths();

    // A new selection relabels; choosing the selected entry again relabels too (it
    // refreshes the handle lists and offers the file again), once per user action. A
    // user's choice emits currentIndexChanged and then, at once, activated: the change
    // marked by the first keeps the second from relabelling again. A change made by the
    // program has no activated; its mark is dropped on the next turn of the event loop.
    // The relabelling may run a file dialog with an event loop of its own, so that drop
    // is queued only after it returned, and a drop queued earlier leaves a newer mark.
    connect(opcode_, &QComboBox::currentIndexChanged, this, [this] {
        const std::uint64_t change = ++changes_;
        unansweredChange_ = change;
        relabel();
        QMetaObject::invokeMethod(
            this,
            [this, change] {
                if (unansweredChange_ == change)
                    unansweredChange_ = 0;
            },
            Qt::QueuedConnection);
    });
    connect(opcode_, &QComboBox::activated, this, [this] {
        if (unansweredChange_ == 0)
            relabel();
        unansweredChange_ = 0;
    });
    connect(send_, &QPushButton::clicked, this, [this] { onSend(); });
}

void CCommandPage::reserveRowWidths() {
    QStringList captions, units{QStringLiteral("Unit:"), QStringLiteral("(Unit: )")};
    for (int i = 0; i < kRows; ++i)
        captions << QStringLiteral("Value %1:").arg(i + 1)
                 << QStringLiteral("Parameter %1:").arg(i + 1);
    for (const OpcodeSpec& op : table_) {
        for (const ParamRowSpec& row : op.rows) {
            captions << row.caption;
            units << row.unit;
        }
    }
    for (Row& r : rows_) {
        reserveWidthFor(r.caption, captions);
        reserveWidthFor(r.unit, units);
    }
}

void CCommandPage::enable(bool on) {
    send_->setEnabled(on);
}

void CCommandPage::selectOpcode(int index) {
    if (opcode_->currentIndex() == index)
        relabel();
    else
        opcode_->setCurrentIndex(index); // relabels through currentIndexChanged
}

std::optional<std::uint8_t> CCommandPage::selectedOpcode() const {
    return opcodeOfText(opcode_->currentText());
}

const ParamRowSpec* CCommandPage::currentSpec(int row) const {
    const auto op = selectedOpcode();
    if (!op)
        return nullptr;
    for (const OpcodeSpec& spec : table_)
        if (opcodeOfText(spec.text) == op)
            return &spec.rows[row];
    return nullptr;
}

void CCommandPage::resetRows() {
    for (int i = 0; i < kRows; ++i) {
        Row& r = rows_[i];
        r.caption->setText(QStringLiteral("Parameter %1:").arg(i + 1));
        r.unit->setText(QStringLiteral("Unit:"));
        r.prefix->setVisible(true);
        r.combo->clear();
        r.combo->clearEditText();
        r.combo->lineEdit()->setMaxLength(kNoLimit);
        r.combo->view()->setMinimumWidth(defaultDropWidth_);
    }
}

void CCommandPage::applyRow(int row, const ParamRowSpec& spec) {
    Row& r = rows_[row];
    if (spec.isDisabled()) {
        r.combo->setEnabled(false);
        return;
    }
    r.caption->setText(spec.caption);
    if (!spec.unit.isNull())
        r.unit->setText(spec.unit);
    r.prefix->setVisible(spec.prefix);
    r.combo->setEnabled(spec.enabled);
    if (spec.limit > 0)
        r.combo->lineEdit()->setMaxLength(spec.limit);
    if (spec.dropWidth > 0)
        r.combo->view()->setMinimumWidth(spec.dropWidth);
    if (spec.handles) {
        fillHandles(row);
    } else if (!spec.choices.isEmpty()) {
        r.combo->addItems(spec.choices);
        r.combo->setCurrentIndex(0);
    } else {
        r.combo->setEditText(spec.text);
    }
}

void CCommandPage::fillHandles(int row) {
    QComboBox* combo = rows_[row].combo;
    combo->clear();
    for (std::uint8_t h : linkTable())
        combo->addItem(QString::asprintf("%02X", h));
    if (combo->count() > 0)
        combo->setCurrentIndex(0);
    else
        combo->setEditText(QStringLiteral("00"));
}

void CCommandPage::refreshHandleRows() {
    for (int i = 0; i < kRows; ++i)
        if (const ParamRowSpec* spec = currentSpec(i); spec && spec->handles)
            fillHandles(i);
}

void CCommandPage::relabel() {
    resetRows();
    const auto op = selectedOpcode();
    const OpcodeSpec* entry = nullptr;
    for (const OpcodeSpec& spec : table_)
        if (op && opcodeOfText(spec.text) == op)
            entry = &spec;
    for (int i = 0; i < kRows; ++i)
        applyRow(i, entry ? entry->rows[i] : rows::off());
    if (op)
        afterRelabel(*op);
}

void CCommandPage::clampRow(int row, std::uint32_t bound, bool above) {
    const ParamRowSpec* spec = currentSpec(row);
    QComboBox* combo = rows_[row].combo;
    const std::uint32_t v = parseUnsigned(combo->currentText().toStdString(), 16);
    if (above ? v <= bound : v >= bound)
        return;
    const int width = spec && spec->limit > 0 ? spec->limit : 2;
    combo->setEditText(QStringLiteral("%1").arg(bound, width, 16, QLatin1Char('0')).toUpper());
}

void CCommandPage::onTextEdited(int row) {
    const ParamRowSpec* spec = currentSpec(row);
    if (!spec || !spec->hexCheck)
        return;
    if (!validateHexCombo(rows_[row].combo, 0, kMaxU32, false))
        return;
    if (spec->maxOnChange)
        clampRow(row, *spec->maxOnChange, true);
}

void CCommandPage::onFocusLost(int row) {
    const ParamRowSpec* spec = currentSpec(row);
    if (!spec || !spec->minOnFocusLoss || !rows_[row].combo->isEnabled())
        return;
    if (firstNonHex(rows_[row].combo->currentText().toStdString()))
        return; // the hex check has the last word on a field that is being corrected
    clampRow(row, *spec->minOnFocusLoss, false);
}

bool CCommandPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        for (int i = 0; i < kRows; ++i) {
            QComboBox* c = rows_[i].combo;
            if (watched != c && watched != c->lineEdit())
                continue;
            // The combo or its line edit sees the focus leave; clamp when the focus has
            // really left the row (the clamp is idempotent should both report it).
            QWidget* now = QApplication::focusWidget();
            if (now != c && now != c->lineEdit())
                onFocusLost(i);
            break;
        }
    }
    return CPageBase::eventFilter(watched, event);
}

QString CCommandPage::rowText(int row) const {
    return rows_[row].combo->currentText();
}

void CCommandPage::setRowText(int row, const QString& text) {
    rows_[row].combo->setEditText(text);
}

int CCommandPage::choiceIndex(int row) const {
    return rows_[row].combo->currentIndex();
}

std::uint8_t CCommandPage::choiceValue(int row) const {
    const QComboBox* c = rows_[row].combo;
    if (c->currentIndex() < 0)
        return 0;
    return static_cast<std::uint8_t>(
        parseUnsigned(c->itemText(c->currentIndex()).toStdString(), 16));
}

bool CCommandPage::requireChars(int row, int minChars, const QString& message) const {
    if (rowText(row).size() >= minChars)
        return true;
    prompts().message(message);
    return false;
}

std::optional<std::uint8_t> CCommandPage::handleOf(int row) const {
    if (!requireChars(row, 2, QStringLiteral("Please input 1 byte for Connction Handle")))
        return std::nullopt;
    return bytesOf(row, 1).front();
}

std::vector<std::uint8_t> CCommandPage::bytesOf(int row, std::size_t atLeast) const {
    auto bytes = hexToBytes(rowText(row).toStdString());
    if (bytes.size() < atLeast)
        bytes.resize(atLeast, 0);
    return bytes;
}

std::optional<std::vector<std::uint8_t>> CCommandPage::uuidOf(int row) const {
    const qsizetype n = rowText(row).size();
    if (n != 4 && n != 32) {
        prompts().message(QStringLiteral("Please input 2 bytes or 16 bytes for Service UUID"));
        return std::nullopt;
    }
    return bytesOf(row);
}

std::uint16_t CCommandPage::value16Of(int row) const {
    const auto b = bytesOf(row, 2);
    return static_cast<std::uint16_t>((b[0] << 8) | b[1]);
}

std::array<std::uint8_t, 6> CCommandPage::addressOf(int row) const {
    const auto b = bytesOf(row, 6);
    std::array<std::uint8_t, 6> a{};
    std::copy_n(b.begin(), 6, a.begin());
    return a;
}

void CCommandPage::onSend() {
    const auto op = selectedOpcode();
    const SendResult r = op ? sendCommand(*op) : SendResult::Failed;
    if (r == SendResult::Failed)
        prompts().message(QStringLiteral("Write command fail!"));
}
