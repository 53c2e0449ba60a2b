#include "pages/profiles/WrittenValue.h"

#include "ui/ValueEntry.h"

#include <algorithm>

namespace nuvex3::profiles {

namespace {
constexpr std::size_t kValueAt = 7;
} // namespace

std::vector<std::uint8_t> writtenValue(const Record& record) {
    const std::size_t n = std::min<std::size_t>(record[6], kRecordSize - kValueAt);
    return {record.begin() + kValueAt, record.begin() + static_cast<std::ptrdiff_t>(kValueAt + n)};
}

QString writtenValueText(const Record& record) {
    const std::vector<std::uint8_t> v = writtenValue(record);
    return QString::fromStdString(bytesToHex(v.data(), v.size()));
}

} // namespace nuvex3::profiles
