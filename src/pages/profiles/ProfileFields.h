#pragma once
// The fields the profile pages share: decimal fields clamped to their range as the user
// types, the six fields of a date and time, drop-down lists whose entries begin with
// their code, and the little-endian value writer.

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

class QComboBox;
class QGridLayout;
class QLineEdit;
class QWidget;

namespace nuvex3::profiles {

// A clamped field without an allowed exception.
inline constexpr std::int32_t kNoException = std::numeric_limits<std::int32_t>::min();

// A decimal field: digits only (and a leading minus when the exception is negative). On
// every change a value outside [minimum, maximum] other than the exception is replaced
// by the nearer bound; an empty field is left empty (it reads as 0). maxLength 0: no limit.
QLineEdit* numberField(QWidget* parent, std::int32_t minimum, std::int32_t maximum,
                       std::int32_t exception = kNoException, int maxLength = 0,
                       const QString& text = {});
// A decimal field without a range (digits only).
QLineEdit* plainNumberField(QWidget* parent, int maxLength = 0, const QString& text = {});
// Changes the range of a numberField and applies it to the text at once.
void setClampRange(QLineEdit* field, std::int32_t minimum, std::int32_t maximum);

// The field's text read as a signed decimal number (0 when empty).
std::int32_t numberOf(const QLineEdit* field);

// A drop-down list with these entries, the first selected.
QComboBox* listOf(const QStringList& entries, QWidget* parent);
// The number an entry begins with ("15: Sample Location value not available" gives 15).
int leadingNumber(const QString& entry);
// The two hexadecimal digits after "0x" of the selected entry ("0x05: Gastro..." gives 5).
std::uint8_t hexCodeOf(const QComboBox* list);

// Year, month, day, hours, minutes, seconds.
struct TimeFields {
    std::array<QLineEdit*, 6> fields{};

    // Clamped as given; limits the year to 4 characters and the others to 2.
    struct Ranges {
        std::array<std::int32_t, 6> minimum{};
        std::array<std::int32_t, 6> maximum{};
    };
    void build(QWidget* parent, const Ranges* ranges = nullptr);
    // "Time" caption and the six fields separated by "/" and ":" in one grid row.
    void addTo(QGridLayout* grid, int row, int column, const QString& caption);
    // The current local date and time, "%d" each.
    void fillNow();
    void setEnabled(bool on);
    std::int32_t value(int i) const { return numberOf(fields[static_cast<std::size_t>(i)]); }
    // Year (16 bits, least significant byte first), month, day, hours, minutes, seconds.
    std::vector<std::uint8_t> bytes() const;
};

// The same ranges for a date and time everywhere the glucose and blood pressure pages use
// one: year 1 to 9999, month 0 to 12, day 1 to 31, hour 0 to 23, minutes and seconds 0 to 59.
const TimeFields::Ranges& calendarRanges(int firstMonth = 0);

// Builds a value least significant byte first.
class ValueWriter {
public:
    ValueWriter& u8(std::uint32_t v) {
        bytes_.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    ValueWriter& u16(std::uint32_t v) { return u8(v).u8(v >> 8); }
    ValueWriter& u24(std::uint32_t v) { return u16(v).u8(v >> 16); }
    ValueWriter& u32(std::uint32_t v) { return u16(v).u16(v >> 16); }
    ValueWriter& append(const std::vector<std::uint8_t>& more) {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
        return *this;
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// An IEEE 11073 16-bit SFLOAT: the mantissa in bits 0 to 11, the exponent nibble in bits 12
// to 15 (0 to 7 for 10^0 to 10^7, 8 to 15 for 10^-8 to 10^-1, the multiplier list's index).
std::uint16_t sfloat(std::int32_t mantissa, int exponentIndex);
// The 16 multipliers "1" to "0.1", in exponent nibble order.
const QStringList& sfloatMultipliers();
// The multiplier of an exponent nibble as a number.
double sfloatMultiplier(int exponentIndex);

} // namespace nuvex3::profiles
