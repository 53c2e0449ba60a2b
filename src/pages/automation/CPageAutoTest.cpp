#include "pages/automation/CPageAutoTest.h"

#include "framework/MainWindow.h"
#include "framework/SendGate.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/automation/ProcedureLog.h"
#include "ui/Prompts.h"
#include "ui/ValueEntryQt.h"

#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSaveFile>
#include <QTextEdit>
#include <QVBoxLayout>

using namespace nuvex3;

namespace {

const QString kStart = QStringLiteral("Start");
const QString kStop = QStringLiteral("Stop");

QLineEdit* field(int maxLength, int width) {
    auto* edit = new QLineEdit;
    edit->setMaxLength(maxLength);
    edit->setFixedWidth(width);
    return edit;
}

QValidator* digitsOnly(QObject* parent) {
    return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), parent);
}

} // namespace

const QString& CPageAutoTest::preconditions() {
    static const QString text = QStringLiteral(
        "1. Module is set to Manual Mode\n2. RX IND must enable\n3. UART Interface and GPIO "
        "Ctrl(VK5310)\n4. IO capability is set to KeyboardOnly\n5. Remote device IO capability "
        "is set to DisplayOnly\n6. Enable pairing request");
    return text;
}

CPageAutoTest::CPageAutoTest(QWidget* parent) : CPageBase(QStringLiteral("Auto Test"), parent) {
    buildLayout();
    settings_.applyReconnectionRule();
    showSettings();
    run_.setSettings(settings_);
    connect(&run_, &AutomationRun::entry, this,
            [this](const RunEntry& e) { showRunEntry(ui_.log, e); });
    connect(&run_, &AutomationRun::runningChanged, this,
            [this](bool running) { ui_.start->setText(running ? kStop : kStart); });
    ui_.start->setEnabled(false);
    appendProcedureLine(ui_.log, preconditions(), kLogBlack);
}

CPageAutoTest::~CPageAutoTest() {
    run_.stop();
}

void CPageAutoTest::buildLayout() {
    auto* setting = new QGroupBox(QStringLiteral("Setting:"), this);
    auto* g = new QGridLayout(setting);
    int row = 0;
    auto box = [&](QCheckBox*& b, const QString& text) {
        b = new QCheckBox(text, setting);
        g->addWidget(b, row++, 0, 1, 4);
    };
    auto text = [&](QLineEdit*& e, const QString& caption, QLineEdit* edit, const QString& unit) {
        e = edit;
        e->setParent(setting);
        auto* label = new QLabel(caption, setting);
        label->setBuddy(e);
        g->addWidget(label, row, 0);
        g->addWidget(e, row, 1);
        if (!unit.isEmpty())
            g->addWidget(new QLabel(unit, setting), row, 2);
        ++row;
    };
    box(ui_.createConnection, QStringLiteral("Creat Connection"));
    text(ui_.address, QStringLiteral("-- Address :"), field(12, 130),
         QStringLiteral("(Unit: 6 Octet)"));
    box(ui_.pairing, QStringLiteral("Pairing Request"));
    text(ui_.passkey, QStringLiteral("-- Passkey :"), field(6, 130),
         QStringLiteral("(Unit: 6 Number)"));
    ui_.passkey->setValidator(digitsOnly(ui_.passkey));
    box(ui_.sendData, QStringLiteral("Send Data"));
    auto* file = new QLineEdit;
    file->setReadOnly(true);
    text(ui_.file, QStringLiteral("-- File :"), file, QString());
    g->removeWidget(ui_.file);
    g->addWidget(ui_.file, row - 1, 1, 1, 2);
    ui_.browse = new QPushButton(QStringLiteral("Browse..."), setting);
    ui_.browse->setAccessibleName(QStringLiteral("Browse send file"));
    g->addWidget(ui_.browse, row - 1, 3);
    box(ui_.updateParameters, QStringLiteral("Update Connection Parameter"));
    text(ui_.interval, QStringLiteral("-- Interval :"), field(4, 70),
         QStringLiteral("(Unit: 1.25ms)"));
    text(ui_.latency, QStringLiteral("-- Latency :"), field(4, 70),
         QStringLiteral("(Unit: 2 Octet)"));
    text(ui_.timeout, QStringLiteral("-- Timeout :"), field(4, 70),
         QStringLiteral("(Unit: 10 ms)"));
    box(ui_.discover, QStringLiteral("Discover Remote Supported Service"));
    box(ui_.disconnect, QStringLiteral("Disconnect"));
    box(ui_.shutdown, QStringLiteral("Shutdown "));
    box(ui_.wakeUp, QStringLiteral("Wake Up"));
    box(ui_.reconnection, QStringLiteral("Reconnection"));
    // The second-connection row.
    auto* second = new QHBoxLayout;
    ui_.pairing2 = new QCheckBox(QStringLiteral("Pairing Request"), setting);
    ui_.pairing2->setAccessibleName(QStringLiteral("Pairing Request (second connection)"));
    ui_.disconnect2 = new QCheckBox(setting);
    ui_.disconnect2->setAccessibleName(QStringLiteral("Disconnect (second connection)"));
    ui_.disconnect2Label = new QLabel(QStringLiteral("Disconnect"), setting);
    ui_.disconnect2Label->setBuddy(ui_.disconnect2);
    ui_.erasePaired = new QCheckBox(QStringLiteral("Erase Paired Device"), setting);
    ui_.shutdown2 = new QCheckBox(QStringLiteral("Shutdown"), setting);
    ui_.shutdown2->setAccessibleName(QStringLiteral("Shutdown (second connection)"));
    second->addSpacing(20);
    second->addWidget(ui_.pairing2);
    second->addWidget(ui_.disconnect2);
    second->addWidget(ui_.disconnect2Label);
    second->addWidget(ui_.erasePaired);
    second->addWidget(ui_.shutdown2);
    second->addStretch(1);
    g->addLayout(second, row++, 0, 1, 4);
    auto* files = new QHBoxLayout;
    ui_.load = new QPushButton(QStringLiteral("Load"), setting);
    ui_.save = new QPushButton(QStringLiteral("Save"), setting);
    files->addStretch(1);
    files->addWidget(ui_.load);
    files->addWidget(ui_.save);
    g->addLayout(files, row++, 0, 1, 4);
    g->setColumnStretch(3, 1);

    auto* procedure = new QGroupBox(QStringLiteral("Test Procedure :"), this);
    auto* pl = new QVBoxLayout(procedure);
    ui_.log = makeProcedureLog(QStringLiteral("Test Procedure :"));
    pl->addWidget(ui_.log);

    auto* startBox = new QGroupBox(QStringLiteral("Start Test:"), this);
    auto* sl = new QHBoxLayout(startBox);
    ui_.executionTimes = field(10, 80);
    ui_.executionTimes->setText(QStringLiteral("1"));
    ui_.executionTimes->setValidator(digitsOnly(ui_.executionTimes));
    auto* timesLabel = new QLabel(QStringLiteral("Execution Times :"), startBox);
    timesLabel->setBuddy(ui_.executionTimes);
    ui_.start = new QPushButton(kStart, startBox);
    ui_.start->setAutoDefault(false);
    sl->addWidget(timesLabel);
    sl->addWidget(ui_.executionTimes);
    sl->addWidget(new QLabel(QStringLiteral("(0: Always Repeat)"), startBox));
    sl->addStretch(1);
    sl->addWidget(ui_.start);

    // Kept from the dialog template, hidden: only the delay is read by the run.
    auto* hidden = new QWidget(this);
    auto* hl = new QHBoxLayout(hidden);
    ui_.delay = field(6, 60);
    ui_.delay->setText(QStringLiteral("0"));
    ui_.delay->setValidator(digitsOnly(ui_.delay));
    auto* delayLabel = new QLabel(QStringLiteral("Delay Time :"), hidden);
    delayLabel->setBuddy(ui_.delay);
    ui_.eraseDevice = new QPushButton(QStringLiteral("Erase Device"), hidden);
    hl->addWidget(delayLabel);
    hl->addWidget(ui_.delay);
    hl->addWidget(new QLabel(QStringLiteral("(Unit: seconds)"), hidden));
    hl->addWidget(ui_.eraseDevice);
    hidden->hide();

    // The settings with "Start" below them; the procedure log beside them, full height.
    auto* left = new QVBoxLayout;
    left->addWidget(setting);
    left->addWidget(startBox);
    left->addStretch(1);
    auto* columns = new QHBoxLayout(this);
    columns->addLayout(left);
    columns->addWidget(procedure, 1);
    columns->addWidget(hidden);

    bindBox(ui_.createConnection, &AutoTestSettings::createConnection);
    bindBox(ui_.pairing, &AutoTestSettings::pairing, &AutoTestSettings::applyPairingRule);
    bindBox(ui_.sendData, &AutoTestSettings::sendData);
    bindBox(ui_.updateParameters, &AutoTestSettings::updateParameters);
    bindBox(ui_.discover, &AutoTestSettings::discover);
    bindBox(ui_.disconnect, &AutoTestSettings::disconnect);
    bindBox(ui_.shutdown, &AutoTestSettings::shutdown);
    bindBox(ui_.wakeUp, &AutoTestSettings::wakeUp);
    bindBox(ui_.reconnection, &AutoTestSettings::reconnection,
            &AutoTestSettings::applyReconnectionRule);
    bindBox(ui_.pairing2, &AutoTestSettings::pairing2);
    bindBox(ui_.disconnect2, &AutoTestSettings::disconnect2);
    bindBox(ui_.erasePaired, &AutoTestSettings::erasePaired);
    bindBox(ui_.shutdown2, &AutoTestSettings::shutdown2);
    bindText(ui_.address, &AutoTestSettings::address, true);
    bindText(ui_.passkey, &AutoTestSettings::passkey, false);
    bindText(ui_.file, &AutoTestSettings::sendFile, false);
    bindText(ui_.interval, &AutoTestSettings::interval, true);
    bindText(ui_.latency, &AutoTestSettings::latency, true);
    bindText(ui_.timeout, &AutoTestSettings::timeout, true);
    ui_.interval->installEventFilter(this);
    ui_.timeout->installEventFilter(this);
    // The user cannot change these two; only a loaded script can.
    ui_.createConnection->setEnabled(false);
    ui_.disconnect->setEnabled(false);

    connect(ui_.browse, &QPushButton::clicked, this, &CPageAutoTest::browse);
    connect(ui_.start, &QPushButton::clicked, this, &CPageAutoTest::startOrStop);
    connect(ui_.eraseDevice, &QPushButton::clicked, this, &CPageAutoTest::eraseDevice);
    // Load and Save run once the click has returned.
    connect(ui_.load, &QPushButton::clicked, this, &CPageAutoTest::load, Qt::QueuedConnection);
    connect(ui_.save, &QPushButton::clicked, this, &CPageAutoTest::save, Qt::QueuedConnection);
}

void CPageAutoTest::bindBox(QCheckBox* box, bool AutoTestSettings::*field,
                            void (AutoTestSettings::*rule)()) {
    connect(box, &QCheckBox::clicked, this, [this, field, rule](bool checked) {
        settings_.*field = checked;
        if (rule)
            (settings_.*rule)();
        showSettings();
        settingsChanged();
    });
}

void CPageAutoTest::bindText(QLineEdit* edit, QString AutoTestSettings::*field, bool hex) {
    if (hex)
        connect(edit, &QLineEdit::textEdited, this,
                [edit] { validateHexEdit(edit, 0, kMaxU32, false); });
    connect(edit, &QLineEdit::textChanged, this, [this, field](const QString& text) {
        if (showing_)
            return;
        settings_.*field = text;
        settingsChanged();
    });
}

void CPageAutoTest::showSettings() {
    showing_ = true;
    const AutoTestSettings& s = settings_;
    ui_.createConnection->setChecked(s.createConnection);
    ui_.pairing->setChecked(s.pairing);
    ui_.sendData->setChecked(s.sendData);
    ui_.updateParameters->setChecked(s.updateParameters);
    ui_.discover->setChecked(s.discover);
    ui_.disconnect->setChecked(s.disconnect);
    ui_.shutdown->setChecked(s.shutdown);
    ui_.wakeUp->setChecked(s.wakeUp);
    ui_.reconnection->setChecked(s.reconnection);
    ui_.pairing2->setChecked(s.pairing2);
    ui_.disconnect2->setChecked(s.disconnect2);
    ui_.erasePaired->setChecked(s.erasePaired);
    ui_.shutdown2->setChecked(s.shutdown2);
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui_.pairing2, ui_.disconnect2, ui_.disconnect2Label, ui_.erasePaired, ui_.shutdown2})
        w->setEnabled(s.reconnection);
    // Loaded texts are shown as they stand, beyond the lengths that typing allows.
    auto show = [](QLineEdit* edit, const QString& text, int typed) {
        edit->setMaxLength(std::max<int>(typed, static_cast<int>(text.size())));
        if (edit->text() != text)
            edit->setText(text);
    };
    show(ui_.address, s.address, 12);
    show(ui_.passkey, s.passkey, 6);
    show(ui_.file, s.sendFile, 32767);
    show(ui_.interval, s.interval, 4);
    show(ui_.latency, s.latency, 4);
    show(ui_.timeout, s.timeout, 4);
    showing_ = false;
}

void CPageAutoTest::settingsChanged() {
    run_.setSettings(settings_);
}

bool CPageAutoTest::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == ui_.interval)
            ui_.interval->setText(correctedInterval(ui_.interval->text()));
        else if (watched == ui_.timeout)
            ui_.timeout->setText(correctedTimeout(ui_.timeout->text()));
    }
    return CPageBase::eventFilter(watched, event);
}

void CPageAutoTest::linkTableChanged() {
    run_.setHandles(linkTable());
}

void CPageAutoTest::enable(bool on) {
    if (mainWindow())
        run_.setGate(&mainWindow()->sendGate());
    if (!on)
        run_.stop();
    ui_.start->setEnabled(on);
}

void CPageAutoTest::startOrStop() {
    if (const auto message = validationMessage(settings_)) {
        prompts().message(*message);
        return;
    }
    if (run_.running()) {
        run_.stop();
        return;
    }
    if (const auto message = valueMessage(settings_)) {
        prompts().message(*message);
        return;
    }
    run_.start(ui_.executionTimes->text().toInt(), ui_.delay->text().toInt());
}

void CPageAutoTest::browse() {
    const QString chosen = prompts().openFile(QStringLiteral("TXT FILE(*.TXT)"), ui_.file->text());
    if (!chosen.isEmpty())
        ui_.file->setText(chosen);
}

CPageAutoTest::Loaded CPageAutoTest::loadScript(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Loaded::OpenFailed;
    const bool marker = applyIni(file.readAll(), settings_);
    showSettings();
    settingsChanged();
    return marker ? Loaded::Ok : Loaded::NoMarker;
}

void CPageAutoTest::load() {
    const QString chosen = prompts().openFile(QStringLiteral("INI FILE(*.INI)"), QString());
    if (chosen.isEmpty())
        return;
    switch (loadScript(chosen)) {
    case Loaded::OpenFailed:
        prompts().message(QStringLiteral(" Open File Failed "));
        break;
    case Loaded::NoMarker:
        prompts().message(QStringLiteral("The is not the correct ini file"), PromptIcon::Error);
        break;
    case Loaded::Ok:
        break;
    }
}

void CPageAutoTest::save() {
    if (const auto message = validationMessage(settings_)) {
        prompts().message(*message);
        return;
    }
    const QString chosen = prompts().saveFile(QStringLiteral("INI FILE(*.ini)"), QString());
    if (chosen.isEmpty())
        return;
    QSaveFile file(iniFileName(chosen));
    if (!file.open(QIODevice::WriteOnly) || file.write(iniText(settings_)) < 0 || !file.commit()) {
        prompts().message(QStringLiteral(" Open File Failed "));
        return;
    }
    prompts().message(QStringLiteral("Save INI File Success!"), PromptIcon::Information);
}

void CPageAutoTest::eraseDevice() {
    if (CKelvra_CmdSet_Layer* l = layer(); !l || !l->EraseAllPairedDeviceInformation())
        prompts().message(QStringLiteral("Write command fail!"));
}
