#include "app/DecodedView.h"

#include "app/DecodedModel.h"
#include "app/WhileVisibleProxy.h"
#include "decode/DecodedPacket.h"
#include "ui/Prompts.h"

#include <QAction>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QTextBlock>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace nuvex3 {

namespace {

constexpr int kBytesPerLine = 16;
// Parts of the height for the rows, the fields and the bytes.
constexpr int kListShare = 600;
constexpr int kDetailShare = 300;
constexpr int kBytesShare = 150;
constexpr int kOffsetWidth = 6; // "0000  "
constexpr int kOffsetRole = Qt::UserRole;
constexpr int kLengthRole = Qt::UserRole + 1;
const QColor kErrorColour(200, 0, 0);

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

QString hexDump(std::span<const std::uint8_t> bytes) {
    QString out;
    for (std::size_t i = 0; i < bytes.size(); i += kBytesPerLine) {
        if (i)
            out += '\n';
        out += QString::asprintf("%04zX  ", i);
        const std::size_t n = std::min<std::size_t>(kBytesPerLine, bytes.size() - i);
        out += text(decode::spacedHex(bytes.subspan(i, n)));
    }
    return out;
}

void addFields(QTreeWidgetItem* parent, QTreeWidget* tree,
               const std::vector<decode::Field>& fields) {
    for (const decode::Field& f : fields) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
        item->setText(0, text(f.name));
        item->setText(1, text(f.value));
        item->setToolTip(1, text(f.value));
        item->setData(0, kOffsetRole, static_cast<qulonglong>(f.offset));
        item->setData(0, kLengthRole, static_cast<qulonglong>(f.length));
        addFields(item, tree, f.children);
    }
}

QString kindsText(const std::vector<int>& kinds) {
    QStringList parts;
    for (std::size_t i = 0; i < kinds.size();) {
        std::size_t n = 1;
        while (i + n < kinds.size() && kinds[i + n] == kinds[i])
            ++n;
        parts << (n > 1 ? QStringLiteral("%1 (x%2)").arg(kinds[i]).arg(n)
                        : QString::number(kinds[i]));
        i += n;
    }
    return parts.join(QStringLiteral(", "));
}

QLabel* buddyLabel(const QString& caption, QWidget* buddy) {
    auto* l = new QLabel(caption);
    l->setBuddy(buddy);
    return l;
}

} // namespace

DecodedView::DecodedView(DecodedModel* model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    content_ = new QWidget;
    outer->addWidget(content_);

    placeholder_ = new QWidget;
    auto* ph = new QVBoxLayout(placeholder_);
    auto* back = new QPushButton(QStringLiteral("Show Here"));
    ph->addWidget(new QLabel(QStringLiteral("The decoded packets are shown in their own window.")));
    ph->addWidget(back, 0, Qt::AlignLeft);
    ph->addStretch(1);
    placeholder_->hide();
    outer->addWidget(placeholder_);
    connect(back, &QPushButton::clicked, this, &DecodedView::popIn);

    auto* v = new QVBoxLayout(content_);
    v->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    ui_.filter = new QLineEdit;
    ui_.filter->setPlaceholderText(QStringLiteral("name, 0x16, handle:01, is:error, text"));
    ui_.filter->setClearButtonEnabled(true);
    ui_.filter->setToolTip(QStringLiteral(
        "Rows matching every term: an opcode (0x16, also its Command Complete), handle:01, "
        "is:error, is:sent, is:received, or text in the name or fields (\"quoted words\" "
        "are one term)."));
    ui_.status = new QLabel;
    ui_.exportButton = new QPushButton(QStringLiteral("Export..."));
    ui_.exportButton->setToolTip(QStringLiteral("Write the session as pcapng for Wireshark"));
    ui_.window = new QPushButton(QStringLiteral("Window"));
    ui_.window->setToolTip(QStringLiteral("Show the decoded packets in a window of their own"));
    top->addWidget(buddyLabel(QStringLiteral("Filter:"), ui_.filter));
    top->addWidget(ui_.filter, 1);
    top->addWidget(ui_.exportButton);
    top->addWidget(ui_.window);
    v->addLayout(top);
    v->addWidget(ui_.status);

    // A table with rows of one fixed height: inserting rows into a list of a million costs
    // no more than into an empty one.
    ui_.list = new QTableView;
    ui_.list->setAccessibleName(QStringLiteral("Decoded packets"));
    // While the list is hidden (another tab, a folded window) it takes no rows.
    proxy_ = new WhileVisibleProxy(model_, ui_.list);
    ui_.list->setShowGrid(false);
    ui_.list->setWordWrap(false);
    ui_.list->setSelectionMode(QAbstractItemView::SingleSelection);
    ui_.list->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui_.list->setTextElideMode(Qt::ElideRight);
    const QFontMetrics fm(ui_.list->font());
    QHeaderView* rows = ui_.list->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fm.height() + 4);
    QHeaderView* header = ui_.list->horizontalHeader();
    header->setHighlightSections(false);
    header->setStretchLastSection(true); // the fields take what is left
    const int widths[DecodedModel::kColumns - 1] = {
        fm.horizontalAdvance(QStringLiteral("000000")),
        fm.horizontalAdvance(QStringLiteral("000000.000")),
        fm.horizontalAdvance(QStringLiteral("-->")),
        fm.horizontalAdvance(QStringLiteral("Opcode")),
        fm.horizontalAdvance(QStringLiteral("Discover All Primary Service Result")),
        fm.horizontalAdvance(QStringLiteral("no response"))};
    for (int c = 0; c < DecodedModel::kColumns - 1; ++c)
        header->resizeSection(c, widths[c] + 12);
    // The header's menu shows and hides columns.
    header->setContextMenuPolicy(Qt::ActionsContextMenu);
    for (int c = 0; c < DecodedModel::kColumns; ++c) {
        auto* action = new QAction(model_->headerData(c, Qt::Horizontal).toString(), header);
        action->setCheckable(true);
        action->setChecked(true);
        connect(action, &QAction::toggled, this,
                [this, c](bool on) { ui_.list->setColumnHidden(c, !on); });
        header->addAction(action);
    }

    ui_.detail = new QTreeWidget;
    ui_.detail->setAccessibleName(QStringLiteral("Packet fields"));
    ui_.detail->setColumnCount(2);
    ui_.detail->setHeaderLabels({QStringLiteral("Field"), QStringLiteral("Value")});
    ui_.detail->header()->resizeSection(0, fm.horizontalAdvance(QString(22, QChar('x'))));
    ui_.bytes = new QPlainTextEdit;
    ui_.bytes->setAccessibleName(QStringLiteral("Packet bytes"));
    ui_.bytes->setReadOnly(true);
    ui_.bytes->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    ui_.bytes->setFont(mono);

    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(ui_.list);
    split->addWidget(ui_.detail);
    split->addWidget(ui_.bytes);
    split->setStretchFactor(0, 4);
    split->setStretchFactor(1, 2);
    split->setStretchFactor(2, 1);
    split->setChildrenCollapsible(true);
    // Beside the raw log there is little height: the rows first, the bytes folded away
    // (drag the bar at the bottom to open them); the own window shows all three.
    split->setSizes({kListShare, kDetailShare, 0});
    split_ = split;
    v->addWidget(split, 1);

    filterDelay_ = new QTimer(this);
    filterDelay_->setSingleShot(true);
    filterDelay_->setInterval(kFilterDelayMs);
    connect(filterDelay_, &QTimer::timeout, this, &DecodedView::applyFilter);
    connect(ui_.filter, &QLineEdit::textChanged, filterDelay_, qOverload<>(&QTimer::start));
    connect(ui_.filter, &QLineEdit::returnPressed, this, &DecodedView::applyFilter);
    connect(ui_.exportButton, &QPushButton::clicked, this, &DecodedView::exportSession);
    connect(ui_.window, &QPushButton::clicked, this, &DecodedView::popOut);
    connect(ui_.list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!proxy_->passing())
                    return; // hidden: the row stays chosen for when the list shows again
                chosen_.reset();
                if (current.isValid())
                    chosen_ = model_->seqAt(current.row());
                showRow(current.isValid() ? current.row() : -1);
            });
    connect(ui_.detail, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { markField(item); });

    // New rows keep the list at its end while the user looks at the end.
    QScrollBar* bar = ui_.list->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) {
        if (proxy_->passing())
            following_ = value >= bar->maximum();
    });
    connect(proxy_, &QAbstractItemModel::rowsInserted, this, [this] {
        if (following_)
            ui_.list->scrollToBottom();
    });
    connect(proxy_, &WhileVisibleProxy::woken, this, [this] {
        const auto row = chosen_ ? model_->rowOf(*chosen_) : std::nullopt;
        if (row)
            ui_.list->setCurrentIndex(proxy_->index(*row, 0));
        if (following_)
            ui_.list->scrollToBottom();
        else if (row)
            ui_.list->scrollTo(proxy_->index(*row, 0));
    });
    connect(model_, &QAbstractItemModel::rowsInserted, this, &DecodedView::updateStatus);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &DecodedView::updateStatus);
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        chosen_.reset();
        showRow(-1);
        updateStatus();
    });
    connect(model_, &DecodedModel::filteringDone, this, &DecodedView::updateStatus);
    updateStatus();
}

DecodedView::~DecodedView() {
    // The window holds the content while it is out; both go with the view.
    delete window_;
}

void DecodedView::applyFilter() {
    filterDelay_->stop();
    if (ui_.filter->text() != model_->filterText())
        model_->setFilter(ui_.filter->text());
    updateStatus();
}

void DecodedView::updateStatus() {
    const auto kept = model_->session().store().size();
    QString s = model_->filterText().isEmpty()
                    ? QStringLiteral("%1 rows").arg(kept)
                    : QStringLiteral("%1 of %2 rows match").arg(model_->rowCount()).arg(kept);
    if (model_->filtering())
        s += QStringLiteral(", filtering...");
    if (kept >= model_->rowLimit())
        s += QStringLiteral(" (the last %1 are kept)").arg(model_->rowLimit());
    ui_.status->setText(s);
}

void DecodedView::showRow(int row) {
    ui_.detail->clear();
    ui_.bytes->clear();
    if (row < 0 || row >= model_->rowCount())
        return;
    const decode::Session& session = model_->session();
    const std::uint64_t seq = model_->seqAt(row);
    const decode::RowTexts t = model_->texts(row);
    auto* head = new QTreeWidgetItem(ui_.detail);
    head->setText(0, QStringLiteral("Row"));
    head->setText(1, QStringLiteral("#%1, %2 ms%3")
                         .arg(text(t.number), text(t.time),
                              t.direction.empty() ? QString() : ", " + text(t.direction)));
    auto* name = new QTreeWidgetItem(ui_.detail);
    name->setText(0, QStringLiteral("Name"));
    name->setText(1, text(t.name) + " (" + text(t.opcode) + ")");
    if (!session.isPacket(seq)) {
        auto* note = new QTreeWidgetItem(ui_.detail);
        note->setText(0, QStringLiteral("Note"));
        note->setText(1, text(t.fields));
        note->setForeground(1, kErrorColour);
    } else {
        const decode::DecodedPacket d = session.decode(seq);
        addFields(nullptr, ui_.detail, d.fields);
        if (d.direction == decode::Direction::Received) {
            auto* kinds = new QTreeWidgetItem(ui_.detail);
            kinds->setText(0, QStringLiteral("Reported as kinds"));
            kinds->setText(1, kindsText(d.kinds));
        }
        for (const std::string& p : d.problems) {
            auto* item = new QTreeWidgetItem(ui_.detail);
            item->setText(0, QStringLiteral("Problem"));
            item->setText(1, text(p));
            item->setForeground(1, kErrorColour);
        }
        ui_.bytes->setPlainText(hexDump(session.store().bytes(seq)));
    }
    if (!t.pairing.empty()) {
        auto* pairing = new QTreeWidgetItem(ui_.detail);
        pairing->setText(0, QStringLiteral("Round trip"));
        pairing->setText(1, text(t.pairing));
        if (t.roundTrip == "no response")
            pairing->setForeground(1, kErrorColour);
    }
    ui_.detail->expandAll();
}

void DecodedView::markField(QTreeWidgetItem* item) {
    QList<QTextEdit::ExtraSelection> marks;
    if (item && item->data(0, kLengthRole).isValid()) {
        const auto offset = item->data(0, kOffsetRole).toULongLong();
        const auto length = item->data(0, kLengthRole).toULongLong();
        QTextCharFormat format;
        format.setBackground(ui_.bytes->palette().highlight());
        format.setForeground(ui_.bytes->palette().highlightedText());
        for (auto i = offset; i < offset + length; ++i) {
            const QTextBlock line =
                ui_.bytes->document()->findBlockByNumber(static_cast<int>(i / kBytesPerLine));
            if (!line.isValid())
                break;
            QTextCursor c(line);
            c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor,
                           kOffsetWidth + static_cast<int>(i % kBytesPerLine) * 3);
            c.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, 2);
            marks.push_back({c, format});
        }
    }
    ui_.bytes->setExtraSelections(marks);
}

void DecodedView::exportSession() {
    model_->flush();
    QString path = prompts().saveFile(QStringLiteral("PCAPNG FILE(*.pcapng)"), exportDirectory_);
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".pcapng"), Qt::CaseInsensitive))
        path += QStringLiteral(".pcapng");
    if (!model_->exportPcapng(path, interfaceName_))
        prompts().message(QStringLiteral("Export failed: %1 cannot be written").arg(path));
}

void DecodedView::popOut() {
    if (window_)
        return;
    window_ = new QDialog(window(), Qt::Window);
    window_->setWindowTitle(QStringLiteral("Decoded packets"));
    window_->setAttribute(Qt::WA_DeleteOnClose);
    auto* l = new QVBoxLayout(window_);
    l->addWidget(content_);
    ui_.window->hide();
    placeholder_->show();
    connect(window_, &QObject::destroyed, this, [this] { window_ = nullptr; });
    connect(window_, &QDialog::finished, this, &DecodedView::popIn);
    window_->resize(1200, 700);
    split_->setSizes({kListShare, kDetailShare, kBytesShare});
    window_->show();
}

void DecodedView::popIn() {
    if (!window_)
        return;
    QDialog* w = window_;
    window_ = nullptr;
    static_cast<QVBoxLayout*>(layout())->insertWidget(0, content_);
    content_->show();
    placeholder_->hide();
    ui_.window->show();
    w->disconnect(this);
    w->close();
}

} // namespace nuvex3
