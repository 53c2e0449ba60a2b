#include "pages/automation/CTestCasePage.h"

#include "framework/SendGate.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/automation/ProcedureLog.h"
#include "ui/Prompts.h"
#include "ui/ValueEntryQt.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTextEdit>
#include <QVBoxLayout>

using namespace nuvex3;

namespace {

const QString kStart = QStringLiteral("Start");
const QString kStop = QStringLiteral("Stop");
const QString kOneRound = QStringLiteral("1");
const QString kNoDelay = QStringLiteral("0");

QLineEdit* decimalField(const QString& text, QWidget* parent) {
    auto* edit = new QLineEdit(text, parent);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setMaximumWidth(80);
    return edit;
}

// A caption whose buddy is the field, on one row with the field and its note.
QHBoxLayout* fieldRow(const QString& caption, QWidget* field, const QString& note,
                      QWidget* parent) {
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(caption, parent);
    label->setBuddy(field);
    row->addWidget(label);
    row->addWidget(field);
    if (!note.isEmpty())
        row->addWidget(new QLabel(note, parent));
    row->addStretch(1);
    return row;
}

} // namespace

CTestCasePage::CTestCasePage(Texts texts, std::unique_ptr<TestCaseRun> run, QWidget* parent)
    : QWidget(parent), texts_(std::move(texts)), run_(std::move(run)) {
    buildLayout();
    connect(run_.get(), &AutomationRun::entry, this,
            [this](const RunEntry& e) { showRunEntry(log_, e); });
    connect(run_.get(), &AutomationRun::runningChanged, this,
            [this](bool running) { start_->setText(running ? kStop : kStart); });
    connect(start_, &QPushButton::clicked, this, &CTestCasePage::startOrStop);
    if (erase_)
        connect(erase_, &QPushButton::clicked, this, &CTestCasePage::eraseDevice);
    enable(false);
}

CTestCasePage::~CTestCasePage() {
    run_->stop();
}

void CTestCasePage::buildLayout() {
    auto* texts = new QVBoxLayout;
    auto* procedureBox = new QGroupBox(texts_.procedureEditor ? QStringLiteral("Procedure:")
                                                              : QStringLiteral("Test Procedure:"),
                                       this);
    auto* pl = new QVBoxLayout(procedureBox);
    if (texts_.procedureEditor) {
        auto* editor = new QTextEdit(procedureBox);
        editor->setReadOnly(true);
        editor->setPlainText(texts_.procedure);
        procedure_ = editor;
    } else {
        auto* label = new QLabel(texts_.procedure, procedureBox);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        procedure_ = label;
    }
    procedure_->setAccessibleName(procedureBox->title());
    pl->addWidget(procedure_);
    auto* preconditionsBox = new QGroupBox(QStringLiteral("Initialzation:"), this);
    auto* il = new QVBoxLayout(preconditionsBox);
    auto* preconditions = new QLabel(texts_.preconditions, preconditionsBox);
    preconditions->setWordWrap(true);
    preconditions->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    preconditions->setAccessibleName(preconditionsBox->title());
    preconditions_ = preconditions;
    il->addWidget(preconditions);
    texts->addWidget(procedureBox, 3);
    texts->addWidget(preconditionsBox, 2);

    auto* logBox = new QGroupBox(QStringLiteral("Test Log:"), this);
    auto* ll = new QVBoxLayout(logBox);
    log_ = makeProcedureLog(QStringLiteral("Test Log:"));
    ll->addWidget(log_);

    auto* top = new QHBoxLayout;
    top->addLayout(texts, 2);
    top->addWidget(logBox, 3);

    times_ = decimalField(kOneRound, this);
    times_->setAccessibleName(QStringLiteral("Execution Times"));
    delay_ = decimalField(kNoDelay, this);
    delay_->setAccessibleName(QStringLiteral("Delay Time :"));
    times_->installEventFilter(this);
    delay_->installEventFilter(this);
    start_ = new QPushButton(kStart, this);
    start_->setAutoDefault(false);

    auto* controls = new QVBoxLayout;
    controls->addLayout(fieldRow(QStringLiteral("Execution Times"), times_,
                                 QStringLiteral("(0: Always Repeat)"), this));
    controls->addLayout(
        fieldRow(QStringLiteral("Delay Time :"), delay_, QStringLiteral("(Unit: seconds)"), this));
    if (!texts_.address.isNull()) {
        address_ = new QLineEdit(texts_.address, this);
        address_->setAccessibleName(QStringLiteral("Address :"));
        if (texts_.addressMaxLength > 0)
            address_->setMaxLength(texts_.addressMaxLength);
        address_->setMinimumWidth(140);
        connect(address_, &QLineEdit::textEdited, this,
                [this] { validateHexEdit(address_, 0, kMaxU32, false); });
        controls->addLayout(fieldRow(QStringLiteral("Address :"), address_, QString(), this));
    }
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start_);
    if (texts_.eraseButton) {
        erase_ = new QPushButton(QStringLiteral("Erase Device"), this);
        erase_->setAutoDefault(false);
        buttons->addWidget(erase_);
    }
    buttons->addStretch(1);
    controls->addLayout(buttons);

    auto* column = new QVBoxLayout(this);
    column->addLayout(top, 1);
    column->addLayout(controls);
}

bool CTestCasePage::eventFilter(QObject* watched, QEvent* event) {
    // An empty field gets its default back when it loses the focus.
    if (event->type() == QEvent::FocusOut) {
        if (watched == times_ && times_->text().isEmpty())
            times_->setText(kOneRound);
        else if (watched == delay_ && delay_->text().isEmpty())
            delay_->setText(kNoDelay);
    }
    return QWidget::eventFilter(watched, event);
}

void CTestCasePage::enable(bool on) {
    start_->setEnabled(on);
    if (erase_)
        erase_->setEnabled(on);
}

void CTestCasePage::setGate(SendGate* gate) {
    gate_ = gate;
    run_->setGate(gate);
}

void CTestCasePage::startOrStop() {
    if (address_ && address_->text().size() < 12) {
        prompts().message(QStringLiteral("Please input 6 bytes for Direct Address"));
        return;
    }
    if (run_->running()) {
        run_->stop();
        return;
    }
    run_->start(times_->text().toInt(), delay_->text().toInt(),
                address_ ? address_->text() : QString());
}

void CTestCasePage::eraseDevice() {
    // The UI thread may use the layer directly; the gate holds the one in use.
    if (CKelvra_CmdSet_Layer* layer = gate_ ? gate_->layer() : nullptr;
        !layer || !layer->EraseAllPairedDeviceInformation())
        prompts().message(QStringLiteral("Write command fail!"));
}
