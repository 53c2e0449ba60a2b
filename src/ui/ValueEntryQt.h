#pragma once
// The value entry helpers on Qt controls: validate and clamp hex and decimal fields as
// the user types, append coloured lines to logs, compare files.

#include <QColor>
#include <QString>

#include <cstdint>

class QComboBox;
class QLineEdit;
class QTextEdit;

namespace nuvex3 {

inline constexpr std::uint32_t kMaxU32 = 0xFFFFFFFFu;

// "Input error!! Not Hex mode" and removal of the first invalid character; with clamp set,
// a value outside [minimum, maximum] is replaced by "%02x" of the bound. True when valid.
bool validateHexEdit(QLineEdit* edit, std::uint32_t minimum, std::uint32_t maximum, bool clamp);
bool validateHexCombo(QComboBox* combo, std::uint32_t minimum, std::uint32_t maximum, bool clamp);
// "Input error!! Not Number"; clamps to "%d" of the bound.
bool validateNumberCombo(QComboBox* combo, std::uint32_t minimum, std::uint32_t maximum,
                         bool clamp);
// Silent clamp of a signed decimal field, except for one allowed value.
void clampNumber(QLineEdit* edit, std::int32_t minimum, std::int32_t maximum,
                 std::int32_t exception);

// Appends text plus a line break in the given colour at the end of a log view.
void colouredAppend(QTextEdit* view, const QColor& colour, const QString& text);

// True when both files hold the same bytes (two missing files count as different).
bool compareFiles(const QString& pathA, const QString& pathB);

inline const QColor kSentColour{255, 0, 0};
inline const QColor kReceivedColour{0, 0, 255};
// Message box texts in the packet log.
inline const QColor kMessageColour{0, 0, 0};

} // namespace nuvex3
