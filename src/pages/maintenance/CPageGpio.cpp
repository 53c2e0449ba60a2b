#include "pages/maintenance/CPageGpio.h"

#include "link/CKelvra_CmdSet_Layer.h"
#include "ui/Prompts.h"
#include "ui/ValueEntry.h"
#include "ui/ValueEntryQt.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nuvex3 {

DioMasks dioMasks(const std::array<PinSetting, 32>& pins) {
    DioMasks m;
    for (std::size_t i = 0; i < pins.size(); ++i) {
        if (!pins[i].checked)
            continue;
        const std::size_t k = i / 8;
        const auto bit = static_cast<std::uint8_t>(1u << (i % 8));
        m.selected[k] |= bit;
        if (pins[i].control == PinControl::OutputLow) {
            m.outputEnable[k] |= bit;
            m.outputLevel[k] &= static_cast<std::uint8_t>(~bit);
        } else if (pins[i].control == PinControl::OutputHigh) {
            m.outputEnable[k] |= bit;
            m.outputLevel[k] |= bit;
        }
    }
    return m;
}

} // namespace nuvex3

using namespace nuvex3;

namespace {

constexpr int kLevelsAt = 5; // DIO answer: [3] 0x0E, [4] status, [5..8] levels by port

QComboBox* combo(const QStringList& entries, QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->addItems(entries);
    c->setCurrentIndex(0);
    return c;
}

QLabel* heading(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

} // namespace

QString CPageGpio::pinName(int pin) {
    return QStringLiteral("P%1%2").arg(pin / 8).arg(pin % 8);
}

CPageGpio::CPageGpio(QWidget* parent) : CPageBase(QStringLiteral("DIO"), parent) {
    auto* page = new QVBoxLayout(this);
    page->addWidget(buildDioGroup());
    page->addWidget(buildPwmGroup());
    page->addStretch(1);
    for (int i = 0; i < kPins; ++i)
        applyCheckRule(i);
    applyPwmRule();
    enable(false);
}

QWidget* CPageGpio::buildDioGroup() {
    auto* group = new QGroupBox(QStringLiteral("DIO Control Command"), this);
    group->setAccessibleName(group->title());
    auto* grid = new QGridLayout(group);
    const QStringList controls = {QStringLiteral("Input"), QStringLiteral("Output Low"),
                                  QStringLiteral("Output High")};
    // Left half: ports 0 and 2; right half: ports 1 and 3.
    for (int half = 0; half < 2; ++half) {
        const int col = half * 4;
        grid->addWidget(heading(QStringLiteral("Pin"), group), 0, col);
        grid->addWidget(heading(QStringLiteral("Control"), group), 0, col + 1);
        grid->addWidget(heading(QStringLiteral("Input Value"), group), 0, col + 2);
        for (int line = 0; line < 16; ++line) {
            const int port = half + (line / 8) * 2;
            const int pin = port * 8 + line % 8;
            Pin& p = pins_[pin];
            const QString name = pinName(pin);
            p.check = new QCheckBox(name, group);
            p.control = combo(controls, group);
            p.control->setAccessibleName(name + QStringLiteral(" Control"));
            p.input = new QLineEdit(group);
            p.input->setReadOnly(true);
            p.input->setMaximumWidth(60);
            p.input->setAccessibleName(name + QStringLiteral(" Input Value"));
            grid->addWidget(p.check, line + 1, col);
            grid->addWidget(p.control, line + 1, col + 1);
            grid->addWidget(p.input, line + 1, col + 2);
            connect(p.check, &QCheckBox::toggled, this, [this, pin] { applyCheckRule(pin); });
        }
    }
    grid->setColumnMinimumWidth(3, 24);
    grid->setColumnStretch(7, 1);
    dioSend_ = new QPushButton(QStringLiteral("Send"), group);
    grid->addWidget(dioSend_, 17, 6);
    connect(dioSend_, &QPushButton::clicked, this, [this] { sendDio(); });
    return group;
}

QWidget* CPageGpio::buildPwmGroup() {
    auto* group = new QGroupBox(QStringLiteral("PWM Control"), this);
    group->setAccessibleName(group->title());
    auto* grid = new QGridLayout(group);
    channel_ = combo({QStringLiteral("Channel 1 with output to P21"), QStringLiteral("Channel 2"),
                      QStringLiteral("Channel 3"), QStringLiteral("Channel 4"),
                      QStringLiteral("Channel 1 with output to P36")},
                     group);
    channel_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    channel_->view()->setMinimumWidth(150);
    pwm_ = combo({QStringLiteral("Disable"), QStringLiteral("Enable")}, group);
    clock_ = combo({QStringLiteral("32 KHz"), QStringLiteral("1024 KHz"), QStringLiteral("16 MHz")},
                   group);
    top_ = new QLineEdit(QStringLiteral("0001"), group);
    top_->setMaxLength(4);
    compare_ = new QLineEdit(QStringLiteral("0000"), group);
    compare_->setMaxLength(4);
    inverse_ = combo({QStringLiteral("Normal output"), QStringLiteral("Inverse output")}, group);
    pwmSend_ = new QPushButton(QStringLiteral("Send"), group);

    const std::pair<QString, QWidget*> fields[] = {
        {QStringLiteral("Channel"), channel_},       {QStringLiteral("PWM"), pwm_},
        {QStringLiteral("Clock Source"), clock_},    {QStringLiteral("Top Value"), top_},
        {QStringLiteral("Compare Value"), compare_}, {QStringLiteral("Output Inverse"), inverse_},
    };
    int col = 0;
    for (const auto& [caption, field] : fields) {
        auto* label = new QLabel(caption, group);
        label->setBuddy(field);
        grid->addWidget(label, 0, col);
        grid->addWidget(field, 1, col);
        ++col;
    }
    grid->addWidget(pwmSend_, 1, col);
    grid->setColumnStretch(col + 1, 1);

    connect(pwm_, &QComboBox::currentIndexChanged, this, [this] { applyPwmRule(); });
    for (QLineEdit* e : {top_, compare_})
        connect(e, &QLineEdit::textEdited, this, [e] { validateHexEdit(e, 0, kMaxU32, false); });
    connect(pwmSend_, &QPushButton::clicked, this, [this] { sendPwm(); });
    return group;
}

void CPageGpio::enable(bool on) {
    dioSend_->setEnabled(on);
    pwmSend_->setEnabled(on);
}

void CPageGpio::applyCheckRule(int pin) {
    Pin& p = pins_[pin];
    if (!p.check->isChecked())
        p.control->setCurrentIndex(static_cast<int>(PinControl::Input));
    p.control->setEnabled(p.check->isChecked());
}

void CPageGpio::applyPwmRule() {
    const bool on = pwm_->currentIndex() == 1;
    for (QWidget* w : {static_cast<QWidget*>(clock_), static_cast<QWidget*>(inverse_),
                       static_cast<QWidget*>(top_), static_cast<QWidget*>(compare_)})
        w->setEnabled(on);
}

void CPageGpio::sendDio() {
    std::array<PinSetting, kPins> settings;
    for (int i = 0; i < kPins; ++i) {
        pins_[i].input->clear();
        settings[i].checked = pins_[i].check->isChecked();
        settings[i].control =
            static_cast<PinControl>(std::max(0, pins_[i].control->currentIndex()));
    }
    const DioMasks m = dioMasks(settings);
    if (!layer() || !layer()->DIOControl(m.outputEnable, m.outputLevel, m.selected))
        prompts().message(QStringLiteral("Write command fail!"));
}

void CPageGpio::sendPwm() {
    const auto channel = static_cast<std::uint8_t>(std::max(0, channel_->currentIndex()));
    const auto enable = static_cast<std::uint8_t>(std::max(0, pwm_->currentIndex()));
    const auto top = static_cast<std::uint16_t>(parseUnsigned(top_->text().toStdString(), 16));
    const auto compare =
        static_cast<std::uint16_t>(parseUnsigned(compare_->text().toStdString(), 16));
    if (enable == 1 && compare >= top) {
        prompts().message(QStringLiteral("The Compare Value must smaller than Top Value"),
                          PromptIcon::Error);
        return;
    }
    const bool written =
        layer() &&
        layer()->PWMControl(
            channel, enable, static_cast<std::uint8_t>(std::max(0, clock_->currentIndex())), top,
            compare, static_cast<std::uint8_t>(std::max(0, inverse_->currentIndex())));
    if (!written)
        prompts().message(QStringLiteral("Write command fail!"));
}

void CPageGpio::receive(int kind, const Record& record) {
    if (kind != kKindDioControl)
        return;
    const std::size_t length = (static_cast<std::size_t>(record[0]) << 8) | record[1];
    // 0x80, 0x0E, status and four level bytes.
    if (length < 7)
        return;
    for (int i = 0; i < kPins; ++i) {
        const bool high = record[kLevelsAt + i / 8] & (1u << (i % 8));
        pins_[i].input->setText(high ? QStringLiteral("1") : QStringLiteral("0"));
    }
}
