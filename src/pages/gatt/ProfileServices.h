#pragma once
// The profile services an attribute table may hold: which profile pages a service brings
// into the sheet (MainWindow::setProfilePages flags) and which profile page learns the
// handles of a service's characteristics (MainWindow::tableEvent selector).

#include <QString>

#include <cstdint>

namespace nuvex3::gatt {

// The page flag of a 16-bit service UUID text ("180D"): weight scale, heart rate, health
// thermometer, blood pressure or glucose; 0 for any other service.
std::uint8_t profileFlagOf(const QString& serviceUuid);

// The profile page selector of a 16-bit service UUID text: 1 glucose (1808), 2 health
// thermometer (1809), 3 heart rate (180D), 4 battery (180F), 5 blood pressure (1810),
// 6 weight scale (181D); 0 for any other service.
int profileSelectorOf(const QString& serviceUuid);

} // namespace nuvex3::gatt
