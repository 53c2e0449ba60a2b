// The decoded rows: one golden row for every command, every event and every Command
// Complete condition of the tables (a new opcode without its golden row fails), the kinds
// the command layer reports for each, and what the view says about packets that do not
// match their layout.

#include "DecodeTestSupport.h"

#include "decode/DecodedPacket.h"
#include "link/CommandTable.h"
#include "link/EventDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace nuvex3::decode {
namespace {

using test::received;
using test::sent;

struct Golden {
    const char* body; // opcode and parameters in hex
    const char* info;
    const char* kinds = "0"; // what the command layer reports, in order
};

const std::vector<Golden> kCommands = {
    {"01", "Read Local Information"},
    {"02", "Reset"},
    {"03", "Read NUVEX3 Status"},
    {"04 10", "Read ADC Value, Channel: 16"},
    {"05", "Into Shutdown Mode"},
    {"06 01 20 0010",
     "Debug Command, Debug OpCode: 0x01 (Read Memory), Length: 32, Memory Address: 0x0010"},
    {"07", "Read Device Name"},
    {"08 00 4E 56 58", "Write Device Name, Reserved: 0x00, Device Name: \"NVX\""},
    {"09", "Erase All Paired Device Information"},
    {"0A", "Read Pairing Mode Setting"},
    {"0B 00 03",
     "Write Pairing Mode Setting, Reserved: 0x00, Pairing Mode: 0x03 (NoInputNoOutput)"},
    {"0C", "Read All Paired Device Information"},
    {"0D 02", "Delete Paired Device, Device Index: 0x02"},
    {"0E 01000000 01000000 FF000000", "DIO Control, Output Enable: 01 00 00 00, Output Level: 01 "
                                      "00 00 00, Selected Pins: FF 00 00 00"},
    {"0F 00 01 02 00FF 0080 00",
     "PWM Control, Channel: 0, Enable: 0x01 (Enable), Clock Source: 0x02, Top Value: 0x00FF, "
     "Compare Value: 0x0080, Output Inverse: 0x00"},
    {"10 01", "Read RSSI Value, Connection Handle: 0x01"},
    {"11 00 020106 0809 4E56582D48524D",
     "Write Adv Data, Store Option: 0x00 (Advertising Data won't be stored), Advertising Data: "
     "{Flags: 0x06, Complete Local Name: \"NVX-HRM\"}"},
    {"12 00 03FF4E56",
     "Write Scan Res_Data, Store Option: 0x00 (Advertising Data won't be stored), Scan Response "
     "Data: {Manufacturer Specific Data: Company 0x564E: (none)}"},
    {"13 0800 00 01 0F0E0D0C0B0A",
     "Set Advertising Parameter, Advertising Interval: 0x0800 (1280.00 ms), Advertising Type: 0x00 "
     "(Connectable undirected advertising), Directed Addr Type: 0x01 (Random Device Address), "
     "Directed Addr: 0A:0B:0C:0D:0E:0F"},
    {"15 0010 0010 01", "Set Scan Parameters, Scan Interval: 0x0010 (10.00 ms), Scan Window: "
                        "0x0010 (10.00 ms), Scan Type: 0x01 (Active scanning)"},
    {"16 01 00", "Set Scan Enable, Scan Enable: 0x01 (Scanning Enabled), Filter Duplicate: 0x00 "
                 "(Duplicate Filtering Disabled)"},
    {"17 00 00 0F0E0D0C0B0A",
     "LE Create Connection, Filter Policy: 0x00 (White List is not Used), Peer Address Type: 0x00 "
     "(Public Device Address), Peer Address: 0A:0B:0C:0D:0E:0F"},
    {"18", "LE Create Connection Cancel"},
    {"19 01 0006 0000 000A",
     "Connection Parameter Update Req, Connection Handle: 0x01, Conn Interval: 0x0006 (7.50 ms), "
     "Conn Latency: 0, Supervision Timeout: 0x000A (100.00 ms)"},
    {"1B 01", "Disconnect, Connection Handle: 0x01"},
    {"1C 81", "Set Adv Enable, Standby Mode: 0x81 (Enter Standby Mode with Beacon Enabled)"},
    {"1F 01", "Read Remote Device Name, Connection Handle: 0x01"},
    {"30 01", "Discover All Primary Service, Connection Handle: 0x01"},
    {"31 01 0D18", "Discover Specific Primary Service Characteristics and Descriptors, Connection "
                   "Handle: 0x01, Service UUID: 0x180D (Heart Rate)"},
    {"32 01 0012",
     "Read Characteristics Value, Connection Handle: 0x01, Char Value Handle: 0x0012"},
    {"33 01 372A", "Read Using Characteristics UUID, Connection Handle: 0x01, Characteristic UUID: "
                   "0x2A37 (Heart Rate Measurement)"},
    {"34 01 00 0013 0100",
     "Write Characteristics Value, Connection Handle: 0x01, Write Type: 0x00 (Write with "
     "Response), Char Value Handle: 0x0013, Characteristic Value: 01 00"},
    {"35 01 01 00", "Enable Transparent, Connection Handle: 0x01, Transparent Ctrl: 0x01 (Enable), "
                    "Transparent Mode: 0x00 (Write Req)"},
    {"38 01 0012 0040", "Send Characteristic Value, Connection Handle: 0x01, Char Value Handle: "
                        "0x0012, Characteristic Value: 00 40"},
    {"39 0012 0048",
     "Update Characteristic Value, Char Value Handle: 0x0012, Characteristic Value: 00 48"},
    {"3A 0012", "Read Local Characteristic Value, Char Value Handle: 0x0012"},
    {"3B", "Read Local All Pirmary Service"},
    {"3C 180D", "Read Local Specific Pirmary Service, Service UUID: 0x180D (Heart Rate)"},
    {"3D 01 12 0013 00", "Send Write Response, Connection Handle: 0x01, Request Opcode: 0x12, "
                         "Attribute Handle: 0x0013, Error Code: 0x00 (No Error)"},
    {"3F 01 48656C6C6F", "Send Transparent Data, Connection Handle: 0x01, Data: 48 65 6C 6C 6F"},
    {"40 01 01 31", "Passkey Entry Reply, Connection Handle: 0x01, Entry Type: 0x01 (Digit "
                    "entered), Digit: \"1\""},
    {"41 01 00", "Passkey Confirm Reply, Connection Handle: 0x01, Answer: 0x00 (Yes)"},
    {"42 01", "Pairing Request, Connection Handle: 0x01"},
};

const std::vector<Golden> kEvents = {
    {"60 01", "Passkey Entry Request, Connection Handle: 0x01", "1 26"},
    {"61 01 00", "Pairing Complete, Connection Handle: 0x01, Result: 0x00 (Success)", "1 27"},
    {"62 01 313233343536", "Passkey Confirm Request, Connection Handle: 0x01, Pass Key: \"123456\"",
     "1 28"},
    {"70 00 00 0F0E0D0C0B0A 06 020106 020941 C4",
     "Advertising Report, Event Type: 0x00 (ADV_IND), Address Type: 0x00 (Public), Address: "
     "0A:0B:0C:0D:0E:0F, Data Length: 6, Data: {Flags: 0x06, Complete Local Name: \"A\"}, RSSI: "
     "-60 dBm",
     "1 15"},
    {"71 00 01 00 00 0F0E0D0C0B0A 0018 0000 0048",
     "Connection Complete, Status: 0x00 (Command succeeded), Connection Handle: 0x01, Role: 0x00 "
     "(Master), Peer Address Type: 0x00 (Public), Peer Address: 0A:0B:0C:0D:0E:0F, Conn Interval: "
     "0x0018 (30.00 ms), Conn Latency: 0, Supervision Timeout: 0x0048 (720.00 ms)",
     "1 16"},
    {"72 01 13",
     "Disconnection Complete, Connection Handle: 0x01, Reason: 0x13 (Remote User Terminated "
     "Connection)",
     "1 17"},
    {"73 01 0028 0001 0064",
     "Connection Parameter Update, Connection Handle: 0x01, Conn Interval: 0x0028 (50.00 ms), Conn "
     "Latency: 1, Supervision Timeout: 0x0064 (1000.00 ms)",
     "1 18"},
    {"80 16 00",
     "Command Complete, Command: 0x16 (Set Scan Enable), Status: 0x00 (Command succeeded)", "1 2"},
    {"81 09 09 09 09 09",
     "Status Report, Module State: 0x09 (Idle Mode), Link 1: 0x09 (Idle Mode), Link 2: 0x09 (Idle "
     "Mode), Link 3: 0x09 (Idle Mode), Link 4: 0x09 (Idle Mode)",
     "1 12"},
    {"8F 01", "Configure Mode Status, Configure Mode: 0x01 (Enabled)", "1 29"},
    {"90 01 06 0100 0500 0018 0600 0B00 0118",
     "Discover All Primary Service Result, Connection Handle: 0x01, Entry Length: 6, Services: "
     "[{Start Handle: 0x0001, End Handle: 0x0005, Service UUID: 0x1800 (Generic Access)}, {Start "
     "Handle: 0x0006, "
     "End Handle: 0x000B, Service UUID: 0x1801 (Generic Attribute)}]",
     "1 19 19"},
    {"91 01 07 0200 02 0300 002A",
     "Discover Characteristics Result, Connection Handle: 0x01, Entry Length: 7, Characteristics: "
     "[{Attribute Handle: 0x0002, Properties: 0x02 (R), Value Handle: 0x0003, Characteristic UUID: "
     "0x2A00 (Device Name)}]",
     "1 20"},
    {"92 01 01 0400 0229 0500 0129",
     "Discover Descriptors Result, Connection Handle: 0x01, UUID Format: 0x01 (16-bit UUIDs), "
     "Descriptors: [{Handle: 0x0004, UUID: 0x2902 (Client Characteristic Configuration)}, {Handle: "
     "0x0005, UUID: 0x2901 (Characteristic User Description)}]",
     "1 21 21"},
    {"93 01 1200 0040",
     "Characteristic Value Received, Connection Handle: 0x01, Attribute Handle: 0x0012, Value: 00 "
     "40",
     "1 22"},
    {"98 01 1300 0100",
     "Client Write Characteristic Value, Connection Handle: 0x01, Attribute Handle: 0x0013, Value: "
     "01 00",
     "1 23"},
    {"9A 01 48656C6C6F", "Received Transparent Data, Connection Handle: 0x01, Data: 48 65 6C 6C 6F",
     "1 25"},
    {"C0 01 02 0304", "Event 0xC0, Parameter 1: 0x01, Parameter 2: 0x02, Data: 03 04", "1 33"},
    {"F0 01 02 03", "Customer Demo Event, Parameter 1: 0x01, Parameter 2: 0x02, Parameter 3: 0x03",
     "1 30"},
    {"F9 01 02", "Event 0xF9, Data: 01 02", "1 32"},
};

const std::vector<Golden> kCommandCompletes = {
    {"80 01 00 01000307 554433221100 02",
     "Command Complete, Command: 0x01 (Read Local Information), Status: 0x00 (Command succeeded), "
     "FW Version: 01 00 03 07, Bluetooth Address: 00:11:22:33:44:55, HW Version: 0x02",
     "1 4"},
    {"80 04 00 02 0064",
     "Command Complete, Command: 0x04 (Read ADC Value), Status: 0x00 (Command succeeded), ADC "
     "Range: 0x02 (0.05V), ADC Value: 0x0064",
     "1 5"},
    {"80 06 00 01 AABBCC",
     "Command Complete, Command: 0x06 (Debug Command), Status: 0x00 (Command succeeded), Debug "
     "OpCode: 0x01 (Read Memory), Data: AA BB CC",
     "1 3"},
    {"80 07 00 4E5558",
     "Command Complete, Command: 0x07 (Read Device Name), Status: 0x00 (Command succeeded), Device "
     "Name: \"NUX\"",
     "1 6"},
    {"80 0A 00 02",
     "Command Complete, Command: 0x0A (Read Pairing Mode Setting), Status: 0x00 (Command "
     "succeeded), Pairing Mode: 0x02 (KeyboardOnly)",
     "1 7"},
    {"80 0C 00 02 00 01 554433221100 01 00 0F0E0D0C0B0A",
     "Command Complete, Command: 0x0C (Read All Paired Device Information), Status: 0x00 (Command "
     "succeeded), Count: 2, Devices: [{Device Index: 0, Priority: 1, Device Address: "
     "00:11:22:33:44:55}, {Device Index: 1, Priority: 0, Device Address: 0A:0B:0C:0D:0E:0F}]",
     "1 11"},
    {"80 0E 00 00000000",
     "Command Complete, Command: 0x0E (DIO Control), Status: 0x00 (Command succeeded), Pin Levels: "
     "00 00 00 00",
     "1 10"},
    {"80 10 00 C4",
     "Command Complete, Command: 0x10 (Read RSSI Value), Status: 0x00 (Command succeeded), RSSI: "
     "-60 dBm",
     "1 8"},
    {"80 1F 00 4E5658",
     "Command Complete, Command: 0x1F (Read Remote Device Name), Status: 0x00 (Command succeeded), "
     "Device Name: \"NVX\"",
     "1 9"},
    {"80 32 00 0040",
     "Command Complete, Command: 0x32 (Read Characteristics Value), Status: 0x00 (Command "
     "succeeded), Characteristic Value: 00 40",
     "1 13"},
    {"80 33 00 1200 0040",
     "Command Complete, Command: 0x33 (Read Using Characteristics UUID), Status: 0x00 (Command "
     "succeeded), Attribute Handle: 0x0012, Characteristic Value: 00 40",
     "1 14"},
    {"80 3A 00 0048",
     "Command Complete, Command: 0x3A (Read Local Characteristic Value), Status: 0x00 (Command "
     "succeeded), Characteristic Value: 00 48",
     "1 24"},
};

std::string kindsText(const DecodedPacket& d) {
    std::string s;
    for (int k : d.kinds)
        s += (s.empty() ? "" : " ") + std::to_string(k);
    return s;
}

const Golden* find(const std::vector<Golden>& rows, std::uint8_t opcode, std::size_t at = 0) {
    for (const Golden& g : rows)
        if (test::hex(g.body).at(at) == opcode)
            return &g;
    return nullptr;
}

void expectRow(const Golden& g, const DecodedPacket& d) {
    SCOPED_TRACE(g.body);
    EXPECT_EQ(d.info(), g.info);
    EXPECT_EQ(kindsText(d), g.kinds);
    EXPECT_TRUE(d.known);
    EXPECT_FALSE(d.error);
    EXPECT_TRUE(d.problems.empty()) << d.problems.front();
}

TEST(DecodedRows, EveryCommandOfTheTable) {
    for (const CommandRow& row : commandTable()) {
        const Golden* g = find(kCommands, row.opcode);
        ASSERT_NE(g, nullptr) << "no golden row for command " << test::hex8(row.opcode);
        expectRow(*g, sent(g->body));
        EXPECT_EQ(sent(g->body).name, row.name);
    }
    EXPECT_EQ(kCommands.size(), commandTable().size());
}

TEST(DecodedRows, EveryEventOfTheTable) {
    for (const EventRow& row : eventTable()) {
        const Golden* g = find(kEvents, row.opcode);
        ASSERT_NE(g, nullptr) << "no golden row for event " << test::hex8(row.opcode);
        expectRow(*g, received(g->body));
    }
    EXPECT_EQ(kEvents.size(), eventTable().size());
}

TEST(DecodedRows, EveryCommandCompleteCondition) {
    for (const CommandCompleteRow& row : commandCompleteTable()) {
        const Golden* g = find(kCommandCompletes, row.command, 1);
        ASSERT_NE(g, nullptr) << "no golden row for the Command Complete of "
                              << test::hex8(row.command);
        expectRow(*g, received(g->body));
        EXPECT_EQ(received(g->body).kinds.back(), row.kind);
    }
    EXPECT_EQ(kCommandCompletes.size(), commandCompleteTable().size());
}

TEST(DecodedRows, ErrorStatusesAndResultsAreErrors) {
    auto d = received("80 10 02");
    EXPECT_EQ(d.info(), "Command Complete, Command: 0x10 (Read RSSI Value), Status: 0x02 (Unknown "
                        "Connection Identifier)");
    EXPECT_TRUE(d.error);
    EXPECT_TRUE(d.problems.empty());
    d = received("80 00 FF");
    EXPECT_EQ(d.summary(), "Command: 0x00, Status: 0xFF (UART Checksum Error [TX])");
    EXPECT_TRUE(d.error);
    d = received("80 16 FF");
    EXPECT_EQ(d.summary(), "Command: 0x16 (Set Scan Enable), Status: 0xFF (Unknown error)");
    d = received("71 3E 00 00 00 0F0E0D0C0B0A 0018 0000 0048");
    EXPECT_TRUE(d.error);
    EXPECT_EQ(d.fields[0].value, "0x3E (Connection Failed to be Established)");
    EXPECT_TRUE(received("61 01 02").error);
    EXPECT_EQ(received("61 01 02").fields[1].value, "0x02 (Timed out)");
    // A disconnection reason is no error; one without a text shows the code alone.
    d = received("72 01 3F");
    EXPECT_FALSE(d.error);
    EXPECT_EQ(d.fields[1].value, "0x3F");
}

TEST(DecodedRows, FieldsKnowWhereTheyAreInThePacket) {
    const auto d = received("70 00 00 0F0E0D0C0B0A 06 020106 020941 C4");
    ASSERT_EQ(d.fields.size(), 6u);
    EXPECT_EQ(d.fields[2].name, "Address");
    EXPECT_EQ(d.fields[2].offset, 6u); // 0xAA, length (2), opcode, type, address type
    EXPECT_EQ(d.fields[2].length, 6u);
    const Field& data = d.fields[4];
    ASSERT_EQ(data.children.size(), 2u);
    EXPECT_EQ(data.children[1].name, "Complete Local Name");
    EXPECT_EQ(data.children[1].offset, 16u);
    EXPECT_EQ(data.children[1].length, 3u);
    EXPECT_EQ(d.fields[5].offset, 19u);

    const auto s = received("90 01 06 0100 0500 0018 0600 0B00 0118");
    ASSERT_EQ(s.fields[2].children.size(), 2u);
    EXPECT_EQ(s.fields[2].children[1].name, "Service 2");
    EXPECT_EQ(
        s.fields[2].children[1].value,
        "{Start Handle: 0x0006, End Handle: 0x000B, Service UUID: 0x1801 (Generic Attribute)}");
    EXPECT_EQ(s.fields[2].children[1].offset, 12u);
}

TEST(DecodedRows, UuidsAreNamedFromTheCatalogue) {
    // 16-bit UUIDs by the service table, then the characteristic and descriptor table;
    // trailing blanks of catalogue names are not shown.
    EXPECT_EQ(sent("31 01 1D18").fields[1].value, "0x181D (Weight Scale Service)");
    EXPECT_EQ(sent("33 01 9D2A").fields[1].value, "0x2A9D (Weight Measurement Charateristic)");
    EXPECT_EQ(sent("31 01 1718").fields[1].value, "0x1817");
    EXPECT_EQ(sent("3C 2902").fields[0].value, "0x2902 (Client Characteristic Configuration)");
    // 128-bit UUIDs least significant byte first on the wire, and in entered order.
    EXPECT_EQ(received("92 01 02 0400 55E405D2AF9FA98FE54A7DFE544C4F4B").fields[2].value,
              "[{Handle: 0x0004, UUID: 4B4F4C54-FE7D-4AE5-8FA9-9FAFD205E455 (KOLT Transparent "
              "Service)}]");
    EXPECT_EQ(sent("3C 4B4F4C54FE7D4AE58FA99FAFD205E455").fields[0].value,
              "4B4F4C54-FE7D-4AE5-8FA9-9FAFD205E455 (KOLT Transparent Service)");
    EXPECT_EQ(sent("3C 00112233445566778899AABBCCDDEEFF").fields[0].value,
              "00112233-4455-6677-8899-AABBCCDDEEFF");
    // UUID lists and service data in advertising data.
    EXPECT_EQ(sent("11 00 05030D180F18 04160F1857").fields[1].value,
              "{Complete List of 16-bit Service UUIDs: 0x180D (Heart Rate), 0x180F (Battery "
              "Service), Service Data - 16-bit UUID: 0x180F (Battery Service): 57}");
}

TEST(DecodedRows, UnknownOpcodesShowTheirParameters) {
    auto d = sent("55 01 02");
    EXPECT_EQ(d.info(), "Unknown command 0x55, Parameters: 01 02");
    EXPECT_FALSE(d.known);
    EXPECT_FALSE(d.error);
    d = received("AB");
    EXPECT_EQ(d.info(), "Unknown event 0xAB");
    EXPECT_EQ(kindsText(d), "1");
    // Long values are cut after 64 bytes in the row; the detail pane shows the raw bytes.
    std::string body = "3F 01";
    for (int i = 0; i < 100; ++i)
        body += " 5A";
    const std::string value = sent(body).fields[1].value;
    EXPECT_EQ(value.size(), 64u * 3 - 1 + std::string(" ... (100 bytes)").size());
    EXPECT_TRUE(value.ends_with("5A 5A ... (100 bytes)"));
}

std::vector<std::string> problemsOf(const DecodedPacket& d) {
    return d.problems;
}

TEST(DecodedRows, PacketsThatDoNotMatchTheirLayout) {
    using V = std::vector<std::string>;
    // Too short for the tool's decoder: shown as far as it goes, never read past the end.
    auto d = received("80 01 00 01000307 5544");
    EXPECT_EQ(d.summary(), "Command: 0x01 (Read Local Information), Status: 0x00 (Command "
                           "succeeded), FW Version: 01 00 03 07, Bluetooth Address: 55 44");
    EXPECT_EQ(problemsOf(d), (V{"Bluetooth Address cut short: 2 of 6 bytes",
                                "not decoded by the tool: shorter than 14 bytes"}));
    EXPECT_EQ(kindsText(d), "1");
    EXPECT_TRUE(d.error);

    d = received("71 00 01");
    EXPECT_EQ(d.summary(), "Status: 0x00 (Command succeeded), Connection Handle: 0x01, Role: "
                           "(missing)");
    EXPECT_EQ(problemsOf(d),
              (V{"ends before Role", "not decoded by the tool: shorter than 17 bytes"}));

    // A data length that promises more than the packet holds.
    d = received("70 00 00 0F0E0D0C0B0A 28 0201 C4");
    EXPECT_EQ(problemsOf(d), (V{"Data Length says 40 bytes, 3 follow", "ends before RSSI",
                                "not decoded by the tool"}));

    // Counts and entry sizes that do not fit.
    d = received("80 0C 00 05 00 01 554433221100");
    EXPECT_EQ(problemsOf(d), (V{"Devices: 5 announced, bytes for 1", "not decoded by the tool"}));
    d = received("90 01 06 0100 0500 0018 06");
    EXPECT_EQ(
        d.fields[2].value,
        "[{Start Handle: 0x0001, End Handle: 0x0005, Service UUID: 0x1800 (Generic Access)}, 06]");
    EXPECT_EQ(problemsOf(d), (V{"1 byte more than the layout holds"}));
    EXPECT_EQ(kindsText(d), "1 19");
    d = received("90 01 00 0100");
    EXPECT_EQ(problemsOf(d),
              (V{"Services: no entry size for 2 bytes", "2 bytes more than the layout holds",
                 "not decoded by the tool: shorter than 9 bytes"}));
    d = received("92 01 03 0400 0229");
    EXPECT_EQ(problemsOf(d).front(), "Descriptors: no entry size for 4 bytes");

    // Parameters the layout does not have, and advertising data that is not structures.
    d = sent("10 01 02");
    EXPECT_EQ(d.info(), "Read RSSI Value, Connection Handle: 0x01, Trailing Bytes: 02");
    EXPECT_EQ(problemsOf(d), (V{"1 byte more than the layout holds"}));
    d = sent("11 00 0201 06 05 09 41");
    EXPECT_EQ(d.fields[1].value, "{Flags: 0x06, Undecoded: 05 09 41}");
    EXPECT_EQ(problemsOf(d), (V{"Advertising Data: 3 bytes after the last whole structure"}));
    // Zero bytes after the structures are padding, not a problem.
    EXPECT_TRUE(sent("11 00 020106 0000").problems.empty());
    d = sent("31 01 0D18 00");
    EXPECT_EQ(problemsOf(d), (V{"Service UUID of 3 bytes"}));
}

TEST(DecodedRows, BadChecksumsAndBrokenFrames) {
    auto wire = test::wire("81 09");
    wire.back() ^= 0x01;
    auto d = decodeWire(Direction::Received, wire);
    EXPECT_EQ(d.info(), "Status Report, Module State: 0x09 (Idle Mode)");
    EXPECT_EQ(problemsOf(d), (std::vector<std::string>{"checksum 0x75, should be 0x74"}));
    EXPECT_EQ(kindsText(d), "1 31");
    EXPECT_TRUE(d.error);

    d = decodeWire(Direction::Received, test::hex("AA 00 05 81 09 74"));
    EXPECT_EQ(d.problems.front(), "length field says 5, the packet holds 2");
    // A length of 0 (which the receiver drops) announces not even the opcode.
    d = decodeWire(Direction::Received, test::hex("AA 00 00 70 02 0B 00 FF 30 01"));
    EXPECT_EQ(d.info(), "Advertising Report, Event Type: (missing)");
    EXPECT_EQ(problemsOf(d), (std::vector<std::string>{"length field says 0, the packet holds 6",
                                                       "checksum 0x02, should be 0x90",
                                                       "ends before Event Type"}));
    d = decodeWire(Direction::Received, test::hex("55 00 01 81"));
    EXPECT_EQ(d.name, "Malformed packet");
    EXPECT_EQ(problemsOf(d), (std::vector<std::string>{"not a whole packet: 55 00 01 81"}));
}

TEST(DecodedRows, RecordsBecomeWirePackets) {
    Record command = makeCommandRecord(0x16, test::hex("01 00"));
    EXPECT_EQ(test::toHex(wireFromCommand(command)), "AA 00 03 16 01 00 E6");
    Record packet{};
    const auto body = test::hex("00 03 80 16 00 67");
    std::copy(body.begin(), body.end(), packet.begin());
    EXPECT_EQ(test::toHex(wireFromReceived(packet)), "AA 00 03 80 16 00 67");
}

} // namespace
} // namespace nuvex3::decode
