#pragma once
// The profile pages inside the main window, the module played on a pseudo-terminal: every
// profile page in the sheet, one link (handle 0x01) established, and the characteristic
// handles the local table's walk would hand over.

#include "MaintenanceTestSupport.h"

#include <QString>

#include <cstdint>
#include <string>

class QAbstractButton;
class QLineEdit;

namespace nuvex3::test {

class ProfilePageTest : public ModuleOnPty {
public:
    ProfilePageTest();

    static constexpr std::uint8_t kLink = 0x01;

    void connectionComplete(std::uint8_t handle);
    // A peer on link kLink writes `value` to the module's attribute `at`.
    void peerWrites(std::uint16_t at, const Bytes& value);

    static void click(QAbstractButton* button);
    // Replaces the field's text by typing it key by key, as a user does.
    static void retype(QLineEdit* field, const QString& text);

    // Send Characteristic Value (0x38) and Update Characteristic Value (0x39) as they leave.
    static std::string sent(std::uint8_t link, std::uint16_t at, const Bytes& value);
    static std::string updated(std::uint16_t at, const Bytes& value);
};

} // namespace nuvex3::test
