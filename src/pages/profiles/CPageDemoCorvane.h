#pragma once
// The "Corvane" page: a demonstration for a remote capacitive touch panel. It shows a
// picture of the panel with the channels "CS1" to "CS8", a marker "M" beside each, and the
// link's RSSI. A Customer Demo Event (kind 30) lights the markers of channels 1 to 5 red:
// code 0xE0 with type 1 lights all five; code 0xC0 lights all five but the one its type
// names (2, 4, 8, 16 for markers 2 to 5), and with type 0 clears them again after 3 s
// unless another event comes first.

#include "framework/CPageBase.h"

#include <array>

class QLabel;
class QLineEdit;
class QTimer;

class CPageDemoCorvane : public CPageBase {
    Q_OBJECT
public:
    static constexpr int kClearDelayMs = 3000;
    static constexpr QSize kPictureSize{448, 230};

    explicit CPageDemoCorvane(QWidget* parent = nullptr);

    void receive(int kind, const nuvex3::Record& record) override;

    // The lit state of markers 1 to 5.
    const std::array<bool, 5>& lit() const { return lit_; }
    QLineEdit* rssiEdit() const { return rssi_; }
    QLabel* channelLabel(int i) const { return channels_[static_cast<std::size_t>(i)]; }
    QLabel* marker(int i) const { return markers_[static_cast<std::size_t>(i)]; }
    QTimer* clearTimer() const { return timer_; }
    // What the clear timer does when it expires.
    void clearTimerExpired();

private:
    void updateMarkers(std::uint8_t code, std::uint8_t type);
    void paintMarkers();

    QLineEdit* rssi_ = nullptr;
    std::array<QLabel*, 8> channels_{};
    std::array<QLabel*, 8> markers_{};
    std::array<bool, 5> lit_{};
    QTimer* timer_ = nullptr;
    std::uint8_t pendingCode_ = 0;
    std::uint8_t pendingType_ = 0xFF;
};
