#include "link/CommandTable.h"

#include "link/Vocabulary.h"

#include <array>

namespace nuvex3 {

namespace {

using namespace field;
namespace v = vocabulary;

constexpr std::uint16_t kUnit625us = 625;
constexpr std::uint16_t kUnit1250us = 1250;
constexpr std::uint16_t kUnit10ms = 10000;

constexpr FieldSpec kHandleOnly[] = {connectionHandle()};
constexpr FieldSpec kReadAdc[] = {decimal("Channel")};
constexpr FieldSpec kDebug[] = {choice("Debug OpCode", v::kDebugOpcodes), decimal("Length"),
                                hex("Memory Address", 2), optional(bytes("Write Value"))};
constexpr FieldSpec kWriteName[] = {hex("Reserved"), text("Device Name")};
constexpr FieldSpec kWritePairingMode[] = {hex("Reserved"),
                                           choice("Pairing Mode", v::kPairingModes)};
constexpr FieldSpec kDeleteDevice[] = {hex("Device Index")};
constexpr FieldSpec kDio[] = {bytes("Output Enable", 4), bytes("Output Level", 4),
                              bytes("Selected Pins", 4)};
constexpr FieldSpec kPwm[] = {decimal("Channel"),
                              choice("Enable", v::kDisableEnable),
                              optional(hex("Clock Source")),
                              optional(hex("Top Value", 2)),
                              optional(hex("Compare Value", 2)),
                              optional(hex("Output Inverse"))};
constexpr FieldSpec kWriteAdvData[] = {choice("Store Option", v::kStoreOptions),
                                       adData("Advertising Data")};
constexpr FieldSpec kWriteScanResponse[] = {choice("Store Option", v::kStoreOptions),
                                            adData("Scan Response Data")};
constexpr FieldSpec kAdvParameters[] = {
    interval("Advertising Interval", kUnit625us), choice("Advertising Type", v::kAdvertisingTypes),
    choice("Directed Addr Type", v::kDeviceAddressTypes), address("Directed Addr")};
constexpr FieldSpec kScanParameters[] = {interval("Scan Interval", kUnit625us),
                                         interval("Scan Window", kUnit625us),
                                         choice("Scan Type", v::kScanTypes)};
constexpr FieldSpec kScanEnable[] = {choice("Scan Enable", v::kScanEnable),
                                     choice("Filter Duplicate", v::kFilterDuplicates)};
constexpr FieldSpec kCreateConnection[] = {choice("Filter Policy", v::kFilterPolicies),
                                           choice("Peer Address Type", v::kDeviceAddressTypes),
                                           address("Peer Address")};
constexpr FieldSpec kParameterUpdate[] = {
    connectionHandle(), interval("Conn Interval", kUnit1250us), decimal("Conn Latency", 2),
    interval("Supervision Timeout", kUnit10ms)};
constexpr FieldSpec kAdvEnable[] = {choice("Standby Mode", v::kStandbyModes)};
constexpr FieldSpec kServiceUuid[] = {connectionHandle(), uuid("Service UUID")};
constexpr FieldSpec kReadValue[] = {connectionHandle(), hex("Char Value Handle", 2)};
constexpr FieldSpec kReadByUuid[] = {connectionHandle(), uuid("Characteristic UUID")};
constexpr FieldSpec kWriteValue[] = {connectionHandle(), choice("Write Type", v::kWriteTypes),
                                     hex("Char Value Handle", 2), bytes("Characteristic Value")};
constexpr FieldSpec kEnableTransparent[] = {connectionHandle(),
                                            choice("Transparent Ctrl", v::kDisableEnable),
                                            choice("Transparent Mode", v::kTransparentModes)};
constexpr FieldSpec kSendValue[] = {connectionHandle(), hex("Char Value Handle", 2),
                                    bytes("Characteristic Value")};
constexpr FieldSpec kUpdateValue[] = {hex("Char Value Handle", 2), bytes("Characteristic Value")};
constexpr FieldSpec kReadLocalValue[] = {hex("Char Value Handle", 2)};
constexpr FieldSpec kLocalService[] = {uuidMsbFirst("Service UUID")};
constexpr FieldSpec kWriteResponse[] = {connectionHandle(), hex("Request Opcode"),
                                        hex("Attribute Handle", 2),
                                        choice("Error Code", v::kAttErrors)};
constexpr FieldSpec kTransparentData[] = {connectionHandle(), bytes("Data")};
constexpr FieldSpec kPasskeyEntry[] = {connectionHandle(), choice("Entry Type", v::kKeypressTypes),
                                       optional(text("Digit", 1))};
constexpr FieldSpec kPasskeyConfirm[] = {connectionHandle(), choice("Answer", v::kConfirmAnswers)};

constexpr std::uint8_t kCommandComplete = 0x80;
constexpr std::uint8_t kStatusReport = 0x81;

constexpr std::array kCommands = {
    CommandRow{0x01, "Read Local Information", {}},
    CommandRow{0x02, "Reset", {}, kStatusReport},
    CommandRow{0x03, "Read NUVEX3 Status", {}, kStatusReport},
    CommandRow{0x04, "Read ADC Value", kReadAdc},
    CommandRow{0x05, "Into Shutdown Mode", {}},
    CommandRow{0x06, "Debug Command", kDebug},
    CommandRow{0x07, "Read Device Name", {}},
    CommandRow{0x08, "Write Device Name", kWriteName},
    CommandRow{0x09, "Erase All Paired Device Information", {}},
    CommandRow{0x0A, "Read Pairing Mode Setting", {}},
    CommandRow{0x0B, "Write Pairing Mode Setting", kWritePairingMode},
    CommandRow{0x0C, "Read All Paired Device Information", {}},
    CommandRow{0x0D, "Delete Paired Device", kDeleteDevice},
    CommandRow{0x0E, "DIO Control", kDio},
    CommandRow{0x0F, "PWM Control", kPwm},
    CommandRow{0x10, "Read RSSI Value", kHandleOnly},
    CommandRow{0x11, "Write Adv Data", kWriteAdvData},
    CommandRow{0x12, "Write Scan Res_Data", kWriteScanResponse},
    CommandRow{0x13, "Set Advertising Parameter", kAdvParameters},
    CommandRow{0x15, "Set Scan Parameters", kScanParameters},
    CommandRow{0x16, "Set Scan Enable", kScanEnable},
    CommandRow{0x17, "LE Create Connection", kCreateConnection, kCommandComplete, 0x71},
    CommandRow{0x18, "LE Create Connection Cancel", {}, kCommandComplete, 0, false, true},
    CommandRow{0x19, "Connection Parameter Update Req", kParameterUpdate, kCommandComplete, 0x73,
               true},
    CommandRow{0x1B, "Disconnect", kHandleOnly, kCommandComplete, 0x72, true},
    CommandRow{0x1C, "Set Adv Enable", kAdvEnable},
    CommandRow{0x1F, "Read Remote Device Name", kHandleOnly},
    CommandRow{0x30, "Discover All Primary Service", kHandleOnly},
    CommandRow{0x31, "Discover Specific Primary Service Characteristics and Descriptors",
               kServiceUuid},
    CommandRow{0x32, "Read Characteristics Value", kReadValue},
    CommandRow{0x33, "Read Using Characteristics UUID", kReadByUuid},
    CommandRow{0x34, "Write Characteristics Value", kWriteValue},
    CommandRow{0x35, "Enable Transparent", kEnableTransparent},
    CommandRow{0x38, "Send Characteristic Value", kSendValue},
    CommandRow{0x39, "Update Characteristic Value", kUpdateValue},
    CommandRow{0x3A, "Read Local Characteristic Value", kReadLocalValue},
    CommandRow{0x3B, "Read Local All Pirmary Service", {}},
    CommandRow{0x3C, "Read Local Specific Pirmary Service", kLocalService},
    CommandRow{0x3D, "Send Write Response", kWriteResponse},
    CommandRow{0x3F, "Send Transparent Data", kTransparentData},
    CommandRow{0x40, "Passkey Entry Reply", kPasskeyEntry, kCommandComplete, 0, false, true},
    CommandRow{0x41, "Passkey Confirm Reply", kPasskeyConfirm},
    CommandRow{0x42, "Pairing Request", kHandleOnly, kCommandComplete, 0x61, true},
};

} // namespace

std::span<const CommandRow> commandTable() {
    return kCommands;
}

const CommandRow* findCommand(std::uint8_t opcode) {
    for (const CommandRow& row : kCommands)
        if (row.opcode == opcode)
            return &row;
    return nullptr;
}

} // namespace nuvex3
