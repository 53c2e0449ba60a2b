#pragma once
// Named values of the one-byte fields of commands and events, as the tool's pages name
// them. The field lists of the command, event and Command Complete tables refer to these.

#include "link/FieldSpec.h"

namespace nuvex3::vocabulary {

inline constexpr EnumValue kAdvEventTypes[] = {
    {0x00, "ADV_IND"},         {0x01, "ADV_DIRECT_IND"}, {0x02, "ADV_SCAN_IND"},
    {0x03, "ADV_NONCONN_IND"}, {0x04, "SCAN_RSP"},
};
inline constexpr EnumValue kPeerAddressTypes[] = {
    {0x00, "Public"},
    {0x01, "Random"},
    {0x02, "Paired device"},
};
inline constexpr EnumValue kDeviceAddressTypes[] = {
    {0x00, "Public Device Address"},
    {0x01, "Random Device Address"},
};
inline constexpr EnumValue kRoles[] = {{0x00, "Master"}, {0x01, "Slave"}};
inline constexpr EnumValue kModuleStates[] = {
    {0x00, "Power On"},        {0x01, "Scanning Mode"},
    {0x02, "Connecting Mode"}, {0x03, "Standby Mode"},
    {0x05, "Broadcast Mode"},  {0x08, "Transparent Service Enabled Mode"},
    {0x09, "Idle Mode"},       {0x0A, "Shutdown Mode"},
    {0x0B, "Configure Mode"},  {0x0C, "BLE Connected Mode"},
};
inline constexpr EnumValue kPairingResults[] = {
    {0x00, "Success"},
    {0x01, "Failed"},
    {0x02, "Timed out"},
};
inline constexpr EnumValue kDisabledEnabled[] = {{0x00, "Disabled"}, {0x01, "Enabled"}};
inline constexpr EnumValue kDisableEnable[] = {{0x00, "Disable"}, {0x01, "Enable"}};
inline constexpr EnumValue kAdvertisingTypes[] = {
    {0x00, "Connectable undirected advertising"}, {0x01, "Connectable directed advertising"},
    {0x02, "Scannable undirected advertising"},   {0x03, "Non connectable undirected advertising"},
    {0x04, "Proprietary Beacon Setting"},
};
inline constexpr EnumValue kScanTypes[] = {{0x00, "Passive Scanning"}, {0x01, "Active scanning"}};
inline constexpr EnumValue kScanEnable[] = {
    {0x00, "Scanning Disabled"},
    {0x01, "Scanning Enabled"},
};
inline constexpr EnumValue kFilterDuplicates[] = {
    {0x00, "Duplicate Filtering Disabled"},
    {0x01, "Duplicate Filtering Enabled"},
};
inline constexpr EnumValue kFilterPolicies[] = {
    {0x00, "White List is not Used"},
    {0x01, "White List is Used"},
};
inline constexpr EnumValue kStandbyModes[] = {
    {0x00, "Leave Standby Mode"},
    {0x01, "Enter Standby Mode"},
    {0x02, "Enter Standby Mode and only connectable for trust device"},
    {0x81, "Enter Standby Mode with Beacon Enabled"},
    {0x82, "Enter Standby Mode with Beacon Enabled and only connectable for trust device"},
};
inline constexpr EnumValue kStoreOptions[] = {
    {0x00, "Advertising Data won't be stored"},
    {0x80, "Beacon Data won't be stored"},
};
inline constexpr EnumValue kDebugOpcodes[] = {
    {0x01, "Read Memory"},
    {0x02, "Write Memory"},
    {0x03, "Read eFlash"},
    {0x04, "Write eFlash"},
};
inline constexpr EnumValue kPairingModes[] = {
    {0x00, "DisplayOnly"},     {0x01, "DisplayYesNo"},    {0x02, "KeyboardOnly"},
    {0x03, "NoInputNoOutput"}, {0x04, "KeyboardDisplay"},
};
inline constexpr EnumValue kWriteTypes[] = {
    {0x00, "Write with Response"},
    {0x01, "Write without Response"},
};
inline constexpr EnumValue kTransparentModes[] = {{0x00, "Write Req"}, {0x01, "Write Cmd"}};
inline constexpr EnumValue kKeypressTypes[] = {
    {0x01, "Digit entered"},
    {0x02, "Digit erased"},
    {0x03, "Cleared"},
    {0x04, "Entry completed"},
};
inline constexpr EnumValue kConfirmAnswers[] = {{0x00, "Yes"}, {0x01, "No"}};
inline constexpr EnumValue kUuidFormats[] = {{0x01, "16-bit UUIDs"}, {0x02, "128-bit UUIDs"}};
inline constexpr EnumValue kAdcRanges[] = {
    {0x00, "ADC Value"},
    {0x01, "0.1V"},
    {0x02, "0.05V"},
    {0x03, "0.025V"},
};
// Attribute protocol error codes a write response may carry.
inline constexpr EnumValue kAttErrors[] = {
    {0x00, "No Error"},
    {0x01, "Invalid Handle"},
    {0x02, "Read Not Permitted"},
    {0x03, "Write Not Permitted"},
    {0x04, "Invalid PDU"},
    {0x05, "Insufficient Authentication"},
    {0x06, "Request Not Supported"},
    {0x07, "Invalid Offset"},
    {0x08, "Insufficient Authorization"},
    {0x09, "Prepare Queue Full"},
    {0x0A, "Attribute Not Found"},
    {0x0B, "Attribute Not Long"},
    {0x0C, "Insufficient Encryption Key Size"},
    {0x0D, "Invalid Attribute Value Length"},
    {0x0E, "Unlikely Error"},
    {0x0F, "Insufficient Encryption"},
    {0x10, "Unsupported Group Type"},
    {0x11, "Insufficient Resources"},
    {0x80, "Application Error"},
    {0x81, "Application Error"},
};

// The text of value v in values; nullptr when it has none.
constexpr const char* find(std::span<const EnumValue> values, std::uint8_t v) {
    for (const EnumValue& e : values)
        if (e.value == v)
            return e.text;
    return nullptr;
}

} // namespace nuvex3::vocabulary
