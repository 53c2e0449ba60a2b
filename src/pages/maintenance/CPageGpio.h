#pragma once
// The "DIO" page: sets the module's own 32 pins (ports 0 to 3, eight pins each) to input,
// output low or output high (DIO Control, 0x0E) and configures its PWM channels (PWM
// Control, 0x0F). The levels the module returns with the DIO answer fill the "Input
// Value" fields.

#include "framework/CPageBase.h"

#include <array>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace nuvex3 {

enum class PinControl { Input = 0, OutputLow = 1, OutputHigh = 2 };

struct PinSetting {
    bool checked = false;
    PinControl control = PinControl::Input;
};

// Byte k of each mask is port k; bit n is pin Pkn.
struct DioMasks {
    std::array<std::uint8_t, 4> outputEnable{};
    std::array<std::uint8_t, 4> outputLevel{};
    std::array<std::uint8_t, 4> selected{};
};

// Pins indexed port × 8 + bit (P00 = 0, P37 = 31).
DioMasks dioMasks(const std::array<PinSetting, 32>& pins);

} // namespace nuvex3

class CPageGpio : public CPageBase {
    Q_OBJECT
public:
    static constexpr int kPins = 32;

    explicit CPageGpio(QWidget* parent = nullptr);

    // Both "Send" buttons.
    void enable(bool on) override;
    // Kind 10: the DIO Control answer; four level bytes, port 0 first, fill the "Input
    // Value" fields ("0" or "1") when the answer carries them.
    void receive(int kind, const nuvex3::Record& record) override;

    // The pin name of index port × 8 + bit: "P00" to "P37".
    static QString pinName(int pin);

    // Controls, by pin index port × 8 + bit.
    QCheckBox* pinCheck(int pin) const { return pins_[pin].check; }
    QComboBox* pinControl(int pin) const { return pins_[pin].control; }
    QLineEdit* pinInput(int pin) const { return pins_[pin].input; }
    QPushButton* dioSendButton() const { return dioSend_; }
    QComboBox* pwmChannel() const { return channel_; }
    QComboBox* pwmEnable() const { return pwm_; }
    QComboBox* pwmClock() const { return clock_; }
    QLineEdit* topValue() const { return top_; }
    QLineEdit* compareValue() const { return compare_; }
    QComboBox* pwmInverse() const { return inverse_; }
    QPushButton* pwmSendButton() const { return pwmSend_; }

private:
    struct Pin {
        QCheckBox* check = nullptr;
        QComboBox* control = nullptr;
        QLineEdit* input = nullptr;
    };

    QWidget* buildDioGroup();
    QWidget* buildPwmGroup();
    void applyCheckRule(int pin);
    void applyPwmRule();
    void sendDio();
    void sendPwm();

    std::array<Pin, kPins> pins_{};
    QPushButton* dioSend_ = nullptr;
    QComboBox* channel_ = nullptr;
    QComboBox* pwm_ = nullptr;
    QComboBox* clock_ = nullptr;
    QLineEdit* top_ = nullptr;
    QLineEdit* compare_ = nullptr;
    QComboBox* inverse_ = nullptr;
    QPushButton* pwmSend_ = nullptr;
};
