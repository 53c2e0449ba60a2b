#pragma once
// The "SMP" page: starts pairing on one link with the module's Pairing Request (0x42) for
// the chosen connection handle. The main window prefills the handle when the module asks
// for a pass key.

#include "pages/common/CCommandPage.h"

#include <cstdint>

class CPageSMP : public CCommandPage {
    Q_OBJECT
public:
    explicit CPageSMP(QWidget* parent = nullptr);

    // The module asked for the pass key of `handle`: selects "0x42: Pairing Request" and
    // writes the handle ("%02X") into its field.
    void prefillForPassKey(std::uint8_t handle);

protected:
    SendResult sendCommand(std::uint8_t opcode) override;
    void afterRelabel(std::uint8_t opcode) override;
};
