#include "pages/security/CPassKeyPage.h"

#include "link/CKelvra_CmdSet_Layer.h"
#include "ui/ValueEntry.h"
#include "ui/ValueEntryQt.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace nuvex3;

namespace {

constexpr int kButtonWidth = 72;
constexpr int kButtonHeight = 44;

QPushButton* keypadButton(const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setMinimumSize(kButtonWidth, kButtonHeight);
    // Enter on a focused button means the "Enter" key of the keypad, not this button.
    b->setAutoDefault(false);
    return b;
}

} // namespace

CPassKeyPage::CPassKeyPage(QWidget* parent) : CPageBase(QStringLiteral("Pass Key Page"), parent) {
    buildLayout();
    setFocusPolicy(Qt::ClickFocus);
    enable(false);
}

void CPassKeyPage::buildLayout() {
    // The display: digits typed so far, 30-point Arial in blue on black.
    display_ = new QLabel(this);
    display_->setAccessibleName(QStringLiteral("Pass Key"));
    QFont font(QStringLiteral("Arial"), 30);
    display_->setFont(font);
    display_->setAutoFillBackground(true);
    QPalette palette = display_->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, QColor(80, 120, 230));
    display_->setPalette(palette);
    display_->setAlignment(Qt::AlignCenter);
    display_->setMinimumHeight(QFontMetrics(font).height() + 12);

    auto* handleCaption = new QLabel(QStringLiteral("Connection Handle :"), this);
    handle_ = new QLineEdit(this);
    handle_->setMaxLength(2);
    handle_->setFixedWidth(60);
    handleCaption->setBuddy(handle_);
    connect(handle_, &QLineEdit::textEdited, this,
            [this] { validateHexEdit(handle_, 0, kMaxU32, false); });
    auto* handleRow = new QHBoxLayout;
    handleRow->addWidget(handleCaption);
    handleRow->addWidget(new QLabel(QStringLiteral("0x"), this));
    handleRow->addWidget(handle_);
    handleRow->addStretch(1);

    // 7 8 9 / 4 5 6 / 1 2 3 / 0 Backspace Clear / Enter.
    auto* keypad = new QGridLayout;
    for (int d = 0; d <= 9; ++d) {
        QPushButton* b = keypadButton(QString::number(d), this);
        digits_[static_cast<std::size_t>(d)] = b;
        connect(b, &QPushButton::clicked, this, [this, d] { pressDigit(d); });
        if (d > 0)
            keypad->addWidget(b, 2 - (d - 1) / 3, (d - 1) % 3);
    }
    keypad->addWidget(digits_[0], 3, 0);
    backspace_ = keypadButton(QStringLiteral("Backspace"), this);
    clear_ = keypadButton(QStringLiteral("Clear"), this);
    enter_ = keypadButton(QStringLiteral("Enter"), this);
    keypad->addWidget(backspace_, 3, 1);
    keypad->addWidget(clear_, 3, 2);
    keypad->addWidget(enter_, 4, 0, 1, 3);
    connect(backspace_, &QPushButton::clicked, this, [this] { pressBackspace(); });
    connect(clear_, &QPushButton::clicked, this, [this] { pressClear(); });
    connect(enter_, &QPushButton::clicked, this, [this] { pressEnter(); });

    auto* column = new QVBoxLayout;
    column->addWidget(display_);
    column->addLayout(handleRow);
    column->addLayout(keypad);
    column->addStretch(1);
    auto* page = new QHBoxLayout(this);
    page->addStretch(1);
    page->addLayout(column, 0);
    page->addStretch(1);
}

void CPassKeyPage::enable(bool on) {
    for (QPushButton* b : digits_)
        b->setEnabled(on);
    for (QPushButton* b : {backspace_, clear_, enter_})
        b->setEnabled(on);
    display_->clear();
}

bool CPassKeyPage::keypadEnabled() const {
    return enter_->isEnabled();
}

void CPassKeyPage::setHandleText(const QString& text) {
    handle_->setText(text);
}

std::uint8_t CPassKeyPage::handle() const {
    return static_cast<std::uint8_t>(parseUnsigned(handle_->text().toStdString(), 16) & 0xFF);
}

void CPassKeyPage::send(std::uint8_t type, std::uint8_t digit) {
    // The module answers each press with its own Command Complete; a failed write shows
    // nothing (the next press tries again).
    if (layer())
        layer()->PasskeyEntryReply(handle(), type, digit);
}

void CPassKeyPage::pressDigit(int digit) {
    const QString shown = display_->text();
    if (shown.size() >= kMaxDigits)
        return;
    display_->setText(shown + QString::number(digit));
    send(kDigitEntered, static_cast<std::uint8_t>('0' + digit));
}

void CPassKeyPage::pressBackspace() {
    const QString shown = display_->text();
    if (shown.isEmpty())
        return;
    display_->setText(shown.left(shown.size() - 1));
    send(kDigitErased);
}

void CPassKeyPage::pressClear() {
    display_->clear();
    send(kCleared);
}

void CPassKeyPage::pressEnter() {
    send(kEntryCompleted);
}

void CPassKeyPage::keyPressEvent(QKeyEvent* event) {
    if (!keypadEnabled() || handle_->hasFocus() || event->modifiers() & ~Qt::KeypadModifier) {
        CPageBase::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        digits_[static_cast<std::size_t>(key - Qt::Key_0)]->click();
    else if (key == Qt::Key_Backspace)
        backspace_->click();
    else if (key == Qt::Key_Delete)
        clear_->click();
    else if (key == Qt::Key_Return || key == Qt::Key_Enter)
        enter_->click();
    else {
        CPageBase::keyPressEvent(event);
        return;
    }
    event->accept();
}
