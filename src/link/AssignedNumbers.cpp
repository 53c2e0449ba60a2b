#include "link/AssignedNumbers.h"

#include <algorithm>

namespace nuvex3::assigned {

namespace {

constexpr Entry16 kServices[] = {
    {0x1800, "Generic Access"},
    {0x1801, "Generic Attribute"},
    {0x1802, "Immediate Alert"},
    {0x1803, "Link Loss"},
    {0x1804, "Tx Power"},
    {0x1805, "Current Time Service"},
    {0x1806, "Reference Time Update Service"},
    {0x1807, "Next DST Change Service"},
    {0x1808, "Glucose"},
    {0x1809, "Health Thermometer"},
    {0x180A, "Device Information"},
    {0x180D, "Heart Rate"},
    {0x180E, "Phone Alert Status Service"},
    {0x180F, "Battery Service"},
    {0x1810, "Blood Pressure"},
    {0x1811, "Alert Notification Service"},
    {0x1812, "Human Interface Device"},
    {0x1813, "Scan Parameters"},
    {0x1814, "Running Speed and Cadence"},
    {0x1815, "Automation IO"},
    {0x1816, "Cycling Speed and Cadence"},
    {0x1818, "Cycling Power Service"},
    {0x1819, "Location and Navigation Service "},
    {0x181A, "Environmental Sensing "},
    {0x181B, "Body Composition "},
    {0x181C, "User Data Service "},
    {0x181D, "Weight Scale Service "},
    {0x181E, "Bond Management "},
    {0x181F, "Continuous Glucose Monitoring "},
    {0x1820, "Internet Protocol Support "},
};
constexpr Entry16 kCharacteristicsAndDescriptors[] = {
    {0x2A00, "Device Name"},
    {0x2A01, "Appearance"},
    {0x2A02, "Peripheral Privacy Flag"},
    {0x2A03, "Reconnection Address"},
    {0x2A04, "Peripheral Preferred Connection Parameters"},
    {0x2A05, "Service Changed"},
    {0x2A06, "Alert Level"},
    {0x2A07, "Tx Power Level"},
    {0x2A08, "Date Time"},
    {0x2A09, "Day of Week"},
    {0x2A0A, "Day Date Time"},
    {0x2A0C, "Exact Time 256"},
    {0x2A0D, "DST Offset"},
    {0x2A0E, "Time Zone"},
    {0x2A0F, "Local Time Information"},
    {0x2A11, "Time with DST"},
    {0x2A12, "Time Accuracy"},
    {0x2A13, "Time Source"},
    {0x2A14, "Reference Time Information"},
    {0x2A16, "Time Update Control Point"},
    {0x2A17, "Time Update State"},
    {0x2A18, "Glucose Measurement"},
    {0x2A19, "Battery Level"},
    {0x2A1C, "Temperature Measurement"},
    {0x2A1D, "Temperature Type"},
    {0x2A1E, "Intermediate Temperature"},
    {0x2A21, "Measurement Interval"},
    {0x2A22, "Boot Keyboard Input Report"},
    {0x2A23, "System ID"},
    {0x2A24, "Model Number String"},
    {0x2A25, "Serial Number String"},
    {0x2A26, "Firmware Revision String"},
    {0x2A27, "Hardware Revision String"},
    {0x2A28, "Software Revision String"},
    {0x2A29, "Manufacturer Name String"},
    {0x2A2A, "IEEE 11073-20601 Regulatory Certification Data List"},
    {0x2A2B, "Current Time"},
    {0x2A2C, "Magnetic Declination"},
    {0x2A31, "Scan Refresh"},
    {0x2A32, "Boot Keyboard Output Report"},
    {0x2A33, "Boot Mouse Input Report"},
    {0x2A34, "Glucose Measurement Context"},
    {0x2A35, "Blood Pressure Measurement"},
    {0x2A36, "Intermediate Cuff Pressure"},
    {0x2A37, "Heart Rate Measurement"},
    {0x2A38, "Body Sensor Location"},
    {0x2A39, "Heart Rate Control Point"},
    {0x2A3F, "Alert Status"},
    {0x2A40, "Ringer Control Point"},
    {0x2A41, "Ringer Setting"},
    {0x2A42, "Alert Category ID Bit Mask"},
    {0x2A43, "Alert Category ID"},
    {0x2A44, "Alert Notification Control Point"},
    {0x2A45, "Unread Alert Status"},
    {0x2A46, "New Alert"},
    {0x2A47, "Supported New Alert Category"},
    {0x2A48, "Supported Unread Alert Category"},
    {0x2A49, "Blood Pressure Feature"},
    {0x2A4A, "HID Information"},
    {0x2A4B, "Report Map"},
    {0x2A4C, "HID Control Point"},
    {0x2A4D, "Report"},
    {0x2A4E, "Protocol Mode"},
    {0x2A4F, "Scan Interval Window"},
    {0x2A50, "PnP ID"},
    {0x2A51, "Glucose Feature"},
    {0x2A52, "Record Access Control Point"},
    {0x2A53, "RSC Measurement"},
    {0x2A54, "RSC Feature"},
    {0x2A55, "SC Control Point"},
    {0x2A56, "Digital"},
    {0x2A58, "Analog"},
    {0x2A5A, "Aggregate Input"},
    {0x2A5B, "CSC Measurement"},
    {0x2A5C, "CSC Feature"},
    {0x2A5D, "Sensor Location"},
    {0x2A63, "Cycling Power Measurement Characteristic"},
    {0x2A64, "Cycling Power Vector Characteristic"},
    {0x2A65, "Cycling Power Feature Characteristic"},
    {0x2A66, "Cycling Power Control Point Characteristic"},
    {0x2A67, "Location and Speed Characteristic"},
    {0x2A68, "Navigation Characteristic"},
    {0x2A69, "Position Quality Characteristic"},
    {0x2A6A, "LN Feature Characteristic"},
    {0x2A6B, "LN Control Point Characteristic "},
    {0x2A6C, "Elevation "},
    {0x2A6D, "Pressure "},
    {0x2A6E, "Temperature "},
    {0x2A6F, "Humidity "},
    {0x2A70, "True Wind Speed "},
    {0x2A71, "True Wind Direction "},
    {0x2A72, "Apparent Wind Speed "},
    {0x2A73, "Apparent Wind Direction "},
    {0x2A74, "Gust Factor "},
    {0x2A75, "Pollen Concentration "},
    {0x2A76, "UV Index "},
    {0x2A77, "Irradiance "},
    {0x2A78, "Rainfall "},
    {0x2A79, "Wind Chill "},
    {0x2A7A, "Heat Index "},
    {0x2A7B, "Dew Point "},
    {0x2A7D, "Descriptor Value Changed "},
    {0x2A7E, "Aerobic Heart Rate Lower Limit "},
    {0x2A7F, "Aerobic Threshold "},
    {0x2A80, "Age Characteristic "},
    {0x2A81, "Anaerobic Heart Rate Lower Limit Characteristic "},
    {0x2A82, "Anaerobic Heart Rate Upper Limit Characteristic "},
    {0x2A83, "Anaerobic Threshold Characteristic "},
    {0x2A84, "Aerobic Heart Rate Upper Limit "},
    {0x2A85, "Date of Birth "},
    {0x2A86, "Date of Threshold Assessment Characteristic "},
    {0x2A87, "Email Address Characteristic "},
    {0x2A88, "Fat Burn Heart Rate Upper Limit Characteristic "},
    {0x2A89, "Fat Burn Heart Rate Lower Limit Characteristic "},
    {0x2A8A, "First Name Characteristic "},
    {0x2A8B, "Five Zone Heart Rate Limits Characteristic "},
    {0x2A8C, "Gender Characteristic "},
    {0x2A8D, "Heart Rate Max Characteristic "},
    {0x2A8E, "Height Characteristic "},
    {0x2A8F, "Hip Circumference Characteristic "},
    {0x2A90, "Last Name Characteristic "},
    {0x2A91, "Maximum Recommended Heart Rate Characteristic "},
    {0x2A92, "Resting Heart Rate Characteristic "},
    {0x2A93, "Sport Type for Aerobic and Anaerobic Thresholds Characteristic "},
    {0x2A94, "Three Zone Heart Rate Limits Characteristic "},
    {0x2A95, "Two Zone Heart Rate Limits Characteristic "},
    {0x2A96, "VO2 Max Characteristic "},
    {0x2A97, "Waist Circumference Characteristic "},
    {0x2A98, "Weight Characteristic "},
    {0x2A99, "Database Change Increment Characteristic "},
    {0x2A9A, "User Index "},
    {0x2A9B, "Body Composition Feature Characteristic "},
    {0x2A9C, "Body Composition Measurmeent Characteristic "},
    {0x2A9D, "Weight Measurement Charateristic "},
    {0x2A9E, "Waight Scale Feature Characteristic "},
    {0x2A9F, "User Control Point "},
    {0x2AA0, "Magnetic Flux Density - 2D "},
    {0x2AA1, "Magnetic Flux Density - 3D "},
    {0x2AA2, "Language "},
    {0x2AA3, "Barometric Pressure Trend "},
    {0x2AA4, "Bond Management Control Point "},
    {0x2AA5, "Bond Management Feature "},
    {0x2AA6, "Central Address Resolution "},
    {0x2AA7, "CGM Measurement "},
    {0x2AA8, "CGM Feature "},
    {0x2AA9, "CGM Status "},
    {0x2AAA, "CGM Session Start Time "},
    {0x2AAB, "CGM Session Run Time "},
    {0x2AAC, "CGM Specific Ops Control Point "},
    {0x2900, "Characteristic Extended Properties"},
    {0x2901, "Characteristic User Description"},
    {0x2902, "Client Characteristic Configuration"},
    {0x2903, "Server Characteristic Configuration"},
    {0x2904, "Characteristic Presentation Format"},
    {0x2905, "Characteristic Aggregate Format"},
    {0x2906, "Valid Range"},
    {0x2907, "External Report Reference"},
    {0x2908, "Report Reference"},
    {0x2909, "Number of Digitals"},
    {0x290A, "Trigger Setting"},
    {0x290B, "Environmental Sensing Configuration"},
    {0x290C, "Environmental Sensing Measurement"},
    {0x290D, "Environmental Sensing Trigger Setting"},
    {0x290E, "Time Trigger Setting"},
};
constexpr Entry128 k128[] = {
    {"4B4F4C54FE7D4AE58FA99FAFD205E455", "KOLT Transparent Service"},
    {"4B4F4C541E4D4BD9BA6123C647249616", "KOLT Transparent TX"},
    {"4B4F4C54884143F4A8D4ECBE34729BB3", "KOLT Transparent RX"},
    {"4B4F4C546DAA4D02ABF619569ACA69FE", "Connection Parameter Update"},
    {"4B4F4C546C1F401DBAA3EC966D1A3AA1",
     "Digital Input Trigger Setting and Number of Digital Input"},
    {"4B4F4C54F82E4B2B847CDBEA67318E35", "Number Of Digital Output"},
    {"4B4F4C54A742442B9D2024C6709FBD16", "PWM Output Setting"},
    {"4B4F4C54B01140819C96C3990D17A69E", "Analog Input Trigger Setting and Index"},
    {"7905F431B5CE4E99A40F4B1E122D00D0", "Apple Notification Center Service"},
    {"9FBF120D630142D98C5825E699A21DBD", "Notification Source"},
    {"69D1D8F345E149A898219BBDFDAAD9D9", "Control Point"},
    {"22EAC6E924D64BB5BE44B36ACE7C7BFB", "Data Source"},
    {"4B4F4C545D82609993487AAC4D5FBC51", "KOLT Beacon Admin Service"},
    {"4B4F4C54026E3A9B954C97DAEF17E26E", "KOLT Beacon Admin"},
    {"4B4F4C54C9D0CC83A44A6FE238D06D33", "KOLT Air Patch Service"},
    {"4B4F4C54ACA3481C91ECD85E28A60318", "KOLT Air Patch"},
};

constexpr std::size_t kCharacteristicCount = 149;
static_assert(std::size(kServices) == 30);
static_assert(std::size(kCharacteristicsAndDescriptors) == kCharacteristicCount + 15);
static_assert(std::size(k128) == 16);
static_assert(kCharacteristicRows <= std::size(kCharacteristicsAndDescriptors));

std::optional<std::string_view> find16(std::span<const Entry16> rows, std::uint32_t uuid) {
    for (const Entry16& e : rows)
        if (e.uuid == uuid)
            return std::string_view(e.name);
    return std::nullopt;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::span<const Entry16> services() {
    return kServices;
}

std::span<const Entry16> characteristicsAndDescriptors() {
    return kCharacteristicsAndDescriptors;
}

std::span<const Entry16> descriptors() {
    return std::span<const Entry16>(kCharacteristicsAndDescriptors).subspan(kCharacteristicCount);
}

std::span<const Entry128> uuids128() {
    return k128;
}

std::uint32_t readHexNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        i + 2 < text.size() && hexDigit(text[i + 2]) >= 0)
        i += 2;
    std::uint64_t v = 0;
    for (; i < text.size(); ++i) {
        const int d = hexDigit(text[i]);
        if (d < 0)
            break;
        v = std::min<std::uint64_t>(v * 16 + static_cast<unsigned>(d), 0xFFFFFFFFu);
    }
    return static_cast<std::uint32_t>(v);
}

std::optional<std::string_view> serviceName(std::string_view uuidText, std::size_t rows) {
    return find16(services().first(std::min(rows, services().size())), readHexNumber(uuidText));
}

std::optional<std::string_view> characteristicName(std::string_view uuidText) {
    return find16(characteristicsAndDescriptors().first(kCharacteristicRows),
                  readHexNumber(uuidText));
}

std::optional<std::string_view> descriptorName(std::string_view uuidText) {
    return find16(descriptors(), readHexNumber(uuidText));
}

std::optional<std::string_view> name128(std::string_view uuidText) {
    for (const Entry128& e : k128)
        if (uuidText == e.uuid)
            return std::string_view(e.name);
    return std::nullopt;
}

} // namespace nuvex3::assigned
