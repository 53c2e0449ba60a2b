#pragma once
// The "Pass Key Page": a numeric keypad for the six-digit pass key the module asks for.
// Every press goes to the module at once as a Passkey Entry Reply (0x40) carrying a
// keypress notification, so the module sees the digits arrive one by one; the page never
// assembles or checks the whole key. The keypad is enabled from a Passkey Entry Request
// until the pairing ends or the port opens or closes.

#include "framework/CPageBase.h"

#include <array>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

class CPassKeyPage : public CPageBase {
    Q_OBJECT
public:
    // The keypress notification types, sent as the second parameter byte.
    enum EntryType : std::uint8_t {
        kDigitEntered = 0x01,
        kDigitErased = 0x02,
        kCleared = 0x03,
        kEntryCompleted = 0x04,
    };
    static constexpr int kMaxDigits = 6;

    explicit CPassKeyPage(QWidget* parent = nullptr);

    // Enables or disables the thirteen buttons together and empties the display.
    void enable(bool on) override;
    bool keypadEnabled() const;

    // The "Connection Handle :" field, as the main window fills it ("%02X").
    void setHandleText(const QString& text);

    // One button press: updates the display and sends the notification unless refused.
    void pressDigit(int digit);
    void pressBackspace();
    void pressClear();
    void pressEnter();

    // Controls, for tests.
    QLabel* display() const { return display_; }
    QLineEdit* handleEdit() const { return handle_; }
    QPushButton* digitButton(int digit) const { return digits_[static_cast<std::size_t>(digit)]; }
    QPushButton* backspaceButton() const { return backspace_; }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* enterButton() const { return enter_; }

protected:
    // Digits, Backspace, Delete (Clear) and Enter typed while the page has the focus press
    // the buttons, except in the handle field.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildLayout();
    std::uint8_t handle() const;
    void send(std::uint8_t type, std::uint8_t digit = 0);

    QLabel* display_ = nullptr;
    QLineEdit* handle_ = nullptr;
    std::array<QPushButton*, 10> digits_{};
    QPushButton* backspace_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* enter_ = nullptr;
};
