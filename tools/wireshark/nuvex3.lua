-- Wireshark dissector for the NUVEX3 UART protocol (link type USER0, 147), as written by
-- the NUVEX3 test tool's "Export..." and by nuvex3-decode --pcapng.
--
-- Every packet: 0xAA, a 16-bit length (most significant byte first) counting the opcode
-- and the parameters, the opcode, the parameters, a checksum. Commands go from the host to
-- the module, events come back; the direction is in the packet flags of each block.
--
-- The tables below are generated from the tool's command, event and Command Complete
-- tables (tools/wireshark/generate); the code after them turns them into the tree, the
-- same texts the tool's decoded view shows.
--
-- Install: copy this file into Wireshark's personal Lua plugin folder
-- (~/.local/lib/wireshark/plugins/ on Linux; see Help > About > Folders), or run
-- tshark -X lua_script:nuvex3.lua -r session.pcapng

-- Generated from the tool's tables: do not edit by hand.
local STATUS = {
    [0x00] = "Command succeeded",
    [0x01] = "Unknown Command",
    [0x02] = "Unknown Connection Identifier",
    [0x03] = "Hardware Failure",
    [0x05] = "Authentication Failure",
    [0x06] = "PIN or Key Missing",
    [0x07] = "Memory Capacity Exceeded",
    [0x08] = "Connection Timeout",
    [0x09] = "Connection Limit Exceeded",
    [0x0B] = "ACL Connection Already Exists",
    [0x0C] = "Command Disallowed",
    [0x0D] = "Connection Rejected due to Limited Resources",
    [0x0E] = "Connection Rejected due To Security Reasons",
    [0x0F] = "Connection Rejected due to Unacceptable BD_ADDR",
    [0x10] = "Connection Accept Timeout Exceeded",
    [0x11] = "Unsupported Feature or Parameter Value",
    [0x12] = "Invalid Command Parameters",
    [0x13] = "Remote User Terminated Connection",
    [0x14] = "Remote Device Terminated Connection due to Low Resources",
    [0x15] = "Remote Device Terminated Connection due to Power Off",
    [0x16] = "Connection Terminated By Local Host",
    [0x18] = "Pairing Not Allowed",
    [0x1F] = "Unspecified Error",
    [0x28] = "Instant Passed",
    [0x29] = "Pairing With Unit Key Not Supported",
    [0x2F] = "Insufficient Security",
    [0x39] = "Connection Rejected due to No Suitable Channel Found",
    [0x3A] = "Controller Busy",
    [0x3B] = "Unacceptable Connection Interval",
    [0x3C] = "Directed Advertising Timeout",
    [0x3D] = "Connection Terminated due to MIC Failure",
    [0x3E] = "Connection Failed to be Established",
    [0x81] = "Invalid Handle",
    [0x82] = "Read Not Permitted",
    [0x83] = "Write Not Permitted",
    [0x84] = "Invalid PDU",
    [0x85] = "Insufficient Authentication",
    [0x86] = "Request Not Supported",
    [0x87] = "Invalid Offset",
    [0x88] = "Insufficient Authorization",
    [0x89] = "Prepare Queue Full",
    [0x8A] = "Attribute Not Found",
    [0x8B] = "Attribute Not Long",
    [0x8C] = "Insufficient Encryption Key Size",
    [0x8D] = "Invalid Attribute Value Length",
    [0x8E] = "Unlikely Error",
    [0x8F] = "Insufficient Encryption",
    [0x90] = "Unsupported Grout Type",
    [0x91] = "Insufficient Resources",
    [0xF0] = "Application Defined Error",
}
local TX_CHECKSUM_ERROR = "UART Checksum Error [TX]"

local AD_TYPES = {
    [0x01] = "Flags",
    [0x02] = "Incomplete List of 16-bit Service UUIDs",
    [0x03] = "Complete List of 16-bit Service UUIDs",
    [0x04] = "Incomplete List of 32-bit Service UUIDs",
    [0x05] = "Complete List of 32-bit Service UUIDs",
    [0x06] = "Incomplete List of 128-bit Service UUIDs",
    [0x07] = "Complete List of 128-bit Service UUIDs",
    [0x08] = "Shortened Local Name",
    [0x09] = "Complete Local Name",
    [0x0A] = "Tx Power Level",
    [0x0D] = "Class of Device",
    [0x12] = "Peripheral Connection Interval Range",
    [0x14] = "List of 16-bit Service Solicitation UUIDs",
    [0x15] = "List of 128-bit Service Solicitation UUIDs",
    [0x16] = "Service Data - 16-bit UUID",
    [0x17] = "Public Target Address",
    [0x18] = "Random Target Address",
    [0x19] = "Appearance",
    [0x1A] = "Advertising Interval",
    [0x1B] = "LE Bluetooth Device Address",
    [0x1C] = "LE Role",
    [0x20] = "Service Data - 32-bit UUID",
    [0x21] = "Service Data - 128-bit UUID",
    [0x24] = "URI",
    [0xFF] = "Manufacturer Specific Data",
}

local UUID16 = {
    [0x1800] = "Generic Access",
    [0x1801] = "Generic Attribute",
    [0x1802] = "Immediate Alert",
    [0x1803] = "Link Loss",
    [0x1804] = "Tx Power",
    [0x1805] = "Current Time Service",
    [0x1806] = "Reference Time Update Service",
    [0x1807] = "Next DST Change Service",
    [0x1808] = "Glucose",
    [0x1809] = "Health Thermometer",
    [0x180A] = "Device Information",
    [0x180D] = "Heart Rate",
    [0x180E] = "Phone Alert Status Service",
    [0x180F] = "Battery Service",
    [0x1810] = "Blood Pressure",
    [0x1811] = "Alert Notification Service",
    [0x1812] = "Human Interface Device",
    [0x1813] = "Scan Parameters",
    [0x1814] = "Running Speed and Cadence",
    [0x1815] = "Automation IO",
    [0x1816] = "Cycling Speed and Cadence",
    [0x1818] = "Cycling Power Service",
    [0x1819] = "Location and Navigation Service",
    [0x181A] = "Environmental Sensing",
    [0x181B] = "Body Composition",
    [0x181C] = "User Data Service",
    [0x181D] = "Weight Scale Service",
    [0x181E] = "Bond Management",
    [0x181F] = "Continuous Glucose Monitoring",
    [0x1820] = "Internet Protocol Support",
    [0x2900] = "Characteristic Extended Properties",
    [0x2901] = "Characteristic User Description",
    [0x2902] = "Client Characteristic Configuration",
    [0x2903] = "Server Characteristic Configuration",
    [0x2904] = "Characteristic Presentation Format",
    [0x2905] = "Characteristic Aggregate Format",
    [0x2906] = "Valid Range",
    [0x2907] = "External Report Reference",
    [0x2908] = "Report Reference",
    [0x2909] = "Number of Digitals",
    [0x290A] = "Trigger Setting",
    [0x290B] = "Environmental Sensing Configuration",
    [0x290C] = "Environmental Sensing Measurement",
    [0x290D] = "Environmental Sensing Trigger Setting",
    [0x290E] = "Time Trigger Setting",
    [0x2A00] = "Device Name",
    [0x2A01] = "Appearance",
    [0x2A02] = "Peripheral Privacy Flag",
    [0x2A03] = "Reconnection Address",
    [0x2A04] = "Peripheral Preferred Connection Parameters",
    [0x2A05] = "Service Changed",
    [0x2A06] = "Alert Level",
    [0x2A07] = "Tx Power Level",
    [0x2A08] = "Date Time",
    [0x2A09] = "Day of Week",
    [0x2A0A] = "Day Date Time",
    [0x2A0C] = "Exact Time 256",
    [0x2A0D] = "DST Offset",
    [0x2A0E] = "Time Zone",
    [0x2A0F] = "Local Time Information",
    [0x2A11] = "Time with DST",
    [0x2A12] = "Time Accuracy",
    [0x2A13] = "Time Source",
    [0x2A14] = "Reference Time Information",
    [0x2A16] = "Time Update Control Point",
    [0x2A17] = "Time Update State",
    [0x2A18] = "Glucose Measurement",
    [0x2A19] = "Battery Level",
    [0x2A1C] = "Temperature Measurement",
    [0x2A1D] = "Temperature Type",
    [0x2A1E] = "Intermediate Temperature",
    [0x2A21] = "Measurement Interval",
    [0x2A22] = "Boot Keyboard Input Report",
    [0x2A23] = "System ID",
    [0x2A24] = "Model Number String",
    [0x2A25] = "Serial Number String",
    [0x2A26] = "Firmware Revision String",
    [0x2A27] = "Hardware Revision String",
    [0x2A28] = "Software Revision String",
    [0x2A29] = "Manufacturer Name String",
    [0x2A2A] = "IEEE 11073-20601 Regulatory Certification Data List",
    [0x2A2B] = "Current Time",
    [0x2A2C] = "Magnetic Declination",
    [0x2A31] = "Scan Refresh",
    [0x2A32] = "Boot Keyboard Output Report",
    [0x2A33] = "Boot Mouse Input Report",
    [0x2A34] = "Glucose Measurement Context",
    [0x2A35] = "Blood Pressure Measurement",
    [0x2A36] = "Intermediate Cuff Pressure",
    [0x2A37] = "Heart Rate Measurement",
    [0x2A38] = "Body Sensor Location",
    [0x2A39] = "Heart Rate Control Point",
    [0x2A3F] = "Alert Status",
    [0x2A40] = "Ringer Control Point",
    [0x2A41] = "Ringer Setting",
    [0x2A42] = "Alert Category ID Bit Mask",
    [0x2A43] = "Alert Category ID",
    [0x2A44] = "Alert Notification Control Point",
    [0x2A45] = "Unread Alert Status",
    [0x2A46] = "New Alert",
    [0x2A47] = "Supported New Alert Category",
    [0x2A48] = "Supported Unread Alert Category",
    [0x2A49] = "Blood Pressure Feature",
    [0x2A4A] = "HID Information",
    [0x2A4B] = "Report Map",
    [0x2A4C] = "HID Control Point",
    [0x2A4D] = "Report",
    [0x2A4E] = "Protocol Mode",
    [0x2A4F] = "Scan Interval Window",
    [0x2A50] = "PnP ID",
    [0x2A51] = "Glucose Feature",
    [0x2A52] = "Record Access Control Point",
    [0x2A53] = "RSC Measurement",
    [0x2A54] = "RSC Feature",
    [0x2A55] = "SC Control Point",
    [0x2A56] = "Digital",
    [0x2A58] = "Analog",
    [0x2A5A] = "Aggregate Input",
    [0x2A5B] = "CSC Measurement",
    [0x2A5C] = "CSC Feature",
    [0x2A5D] = "Sensor Location",
    [0x2A63] = "Cycling Power Measurement Characteristic",
    [0x2A64] = "Cycling Power Vector Characteristic",
    [0x2A65] = "Cycling Power Feature Characteristic",
    [0x2A66] = "Cycling Power Control Point Characteristic",
    [0x2A67] = "Location and Speed Characteristic",
    [0x2A68] = "Navigation Characteristic",
    [0x2A69] = "Position Quality Characteristic",
    [0x2A6A] = "LN Feature Characteristic",
    [0x2A6B] = "LN Control Point Characteristic",
    [0x2A6C] = "Elevation",
    [0x2A6D] = "Pressure",
    [0x2A6E] = "Temperature",
    [0x2A6F] = "Humidity",
    [0x2A70] = "True Wind Speed",
    [0x2A71] = "True Wind Direction",
    [0x2A72] = "Apparent Wind Speed",
    [0x2A73] = "Apparent Wind Direction",
    [0x2A74] = "Gust Factor",
    [0x2A75] = "Pollen Concentration",
    [0x2A76] = "UV Index",
    [0x2A77] = "Irradiance",
    [0x2A78] = "Rainfall",
    [0x2A79] = "Wind Chill",
    [0x2A7A] = "Heat Index",
    [0x2A7B] = "Dew Point",
    [0x2A7D] = "Descriptor Value Changed",
    [0x2A7E] = "Aerobic Heart Rate Lower Limit",
    [0x2A7F] = "Aerobic Threshold",
    [0x2A80] = "Age Characteristic",
    [0x2A81] = "Anaerobic Heart Rate Lower Limit Characteristic",
    [0x2A82] = "Anaerobic Heart Rate Upper Limit Characteristic",
    [0x2A83] = "Anaerobic Threshold Characteristic",
    [0x2A84] = "Aerobic Heart Rate Upper Limit",
    [0x2A85] = "Date of Birth",
    [0x2A86] = "Date of Threshold Assessment Characteristic",
    [0x2A87] = "Email Address Characteristic",
    [0x2A88] = "Fat Burn Heart Rate Upper Limit Characteristic",
    [0x2A89] = "Fat Burn Heart Rate Lower Limit Characteristic",
    [0x2A8A] = "First Name Characteristic",
    [0x2A8B] = "Five Zone Heart Rate Limits Characteristic",
    [0x2A8C] = "Gender Characteristic",
    [0x2A8D] = "Heart Rate Max Characteristic",
    [0x2A8E] = "Height Characteristic",
    [0x2A8F] = "Hip Circumference Characteristic",
    [0x2A90] = "Last Name Characteristic",
    [0x2A91] = "Maximum Recommended Heart Rate Characteristic",
    [0x2A92] = "Resting Heart Rate Characteristic",
    [0x2A93] = "Sport Type for Aerobic and Anaerobic Thresholds Characteristic",
    [0x2A94] = "Three Zone Heart Rate Limits Characteristic",
    [0x2A95] = "Two Zone Heart Rate Limits Characteristic",
    [0x2A96] = "VO2 Max Characteristic",
    [0x2A97] = "Waist Circumference Characteristic",
    [0x2A98] = "Weight Characteristic",
    [0x2A99] = "Database Change Increment Characteristic",
    [0x2A9A] = "User Index",
    [0x2A9B] = "Body Composition Feature Characteristic",
    [0x2A9C] = "Body Composition Measurmeent Characteristic",
    [0x2A9D] = "Weight Measurement Charateristic",
    [0x2A9E] = "Waight Scale Feature Characteristic",
    [0x2A9F] = "User Control Point",
    [0x2AA0] = "Magnetic Flux Density - 2D",
    [0x2AA1] = "Magnetic Flux Density - 3D",
    [0x2AA2] = "Language",
    [0x2AA3] = "Barometric Pressure Trend",
    [0x2AA4] = "Bond Management Control Point",
    [0x2AA5] = "Bond Management Feature",
    [0x2AA6] = "Central Address Resolution",
    [0x2AA7] = "CGM Measurement",
    [0x2AA8] = "CGM Feature",
    [0x2AA9] = "CGM Status",
    [0x2AAA] = "CGM Session Start Time",
    [0x2AAB] = "CGM Session Run Time",
    [0x2AAC] = "CGM Specific Ops Control Point",
}

local UUID128 = {
    ["4B4F4C54FE7D4AE58FA99FAFD205E455"] = "KOLT Transparent Service",
    ["4B4F4C541E4D4BD9BA6123C647249616"] = "KOLT Transparent TX",
    ["4B4F4C54884143F4A8D4ECBE34729BB3"] = "KOLT Transparent RX",
    ["4B4F4C546DAA4D02ABF619569ACA69FE"] = "Connection Parameter Update",
    ["4B4F4C546C1F401DBAA3EC966D1A3AA1"] = "Digital Input Trigger Setting and Number of Digital Input",
    ["4B4F4C54F82E4B2B847CDBEA67318E35"] = "Number Of Digital Output",
    ["4B4F4C54A742442B9D2024C6709FBD16"] = "PWM Output Setting",
    ["4B4F4C54B01140819C96C3990D17A69E"] = "Analog Input Trigger Setting and Index",
    ["7905F431B5CE4E99A40F4B1E122D00D0"] = "Apple Notification Center Service",
    ["9FBF120D630142D98C5825E699A21DBD"] = "Notification Source",
    ["69D1D8F345E149A898219BBDFDAAD9D9"] = "Control Point",
    ["22EAC6E924D64BB5BE44B36ACE7C7BFB"] = "Data Source",
    ["4B4F4C545D82609993487AAC4D5FBC51"] = "KOLT Beacon Admin Service",
    ["4B4F4C54026E3A9B954C97DAEF17E26E"] = "KOLT Beacon Admin",
    ["4B4F4C54C9D0CC83A44A6FE238D06D33"] = "KOLT Air Patch Service",
    ["4B4F4C54ACA3481C91ECD85E28A60318"] = "KOLT Air Patch",
}

local V = {}
V[1] = { [0x01] = "Read Memory", [0x02] = "Write Memory", [0x03] = "Read eFlash", [0x04] = "Write eFlash", }
V[2] = { [0x00] = "DisplayOnly", [0x01] = "DisplayYesNo", [0x02] = "KeyboardOnly", [0x03] = "NoInputNoOutput", [0x04] = "KeyboardDisplay", }
V[3] = { [0x00] = "Disable", [0x01] = "Enable", }
V[4] = { [0x00] = "Advertising Data won't be stored", [0x80] = "Beacon Data won't be stored", }
V[5] = { [0x00] = "Connectable undirected advertising", [0x01] = "Connectable directed advertising", [0x02] = "Scannable undirected advertising", [0x03] = "Non connectable undirected advertising", [0x04] = "Proprietary Beacon Setting", }
V[6] = { [0x00] = "Public Device Address", [0x01] = "Random Device Address", }
V[7] = { [0x00] = "Passive Scanning", [0x01] = "Active scanning", }
V[8] = { [0x00] = "Scanning Disabled", [0x01] = "Scanning Enabled", }
V[9] = { [0x00] = "Duplicate Filtering Disabled", [0x01] = "Duplicate Filtering Enabled", }
V[10] = { [0x00] = "White List is not Used", [0x01] = "White List is Used", }
V[11] = { [0x00] = "Leave Standby Mode", [0x01] = "Enter Standby Mode", [0x02] = "Enter Standby Mode and only connectable for trust device", [0x81] = "Enter Standby Mode with Beacon Enabled", [0x82] = "Enter Standby Mode with Beacon Enabled and only connectable for trust device", }
V[12] = { [0x00] = "Write with Response", [0x01] = "Write without Response", }
V[13] = { [0x00] = "Write Req", [0x01] = "Write Cmd", }
V[14] = { [0x00] = "No Error", [0x01] = "Invalid Handle", [0x02] = "Read Not Permitted", [0x03] = "Write Not Permitted", [0x04] = "Invalid PDU", [0x05] = "Insufficient Authentication", [0x06] = "Request Not Supported", [0x07] = "Invalid Offset", [0x08] = "Insufficient Authorization", [0x09] = "Prepare Queue Full", [0x0A] = "Attribute Not Found", [0x0B] = "Attribute Not Long", [0x0C] = "Insufficient Encryption Key Size", [0x0D] = "Invalid Attribute Value Length", [0x0E] = "Unlikely Error", [0x0F] = "Insufficient Encryption", [0x10] = "Unsupported Group Type", [0x11] = "Insufficient Resources", [0x80] = "Application Error", [0x81] = "Application Error", }
V[15] = { [0x01] = "Digit entered", [0x02] = "Digit erased", [0x03] = "Cleared", [0x04] = "Entry completed", }
V[16] = { [0x00] = "Yes", [0x01] = "No", }
V[17] = { [0x00] = "Success", [0x01] = "Failed", [0x02] = "Timed out", }
V[18] = { [0x00] = "ADV_IND", [0x01] = "ADV_DIRECT_IND", [0x02] = "ADV_SCAN_IND", [0x03] = "ADV_NONCONN_IND", [0x04] = "SCAN_RSP", }
V[19] = { [0x00] = "Public", [0x01] = "Random", [0x02] = "Paired device", }
V[20] = { [0x00] = "Master", [0x01] = "Slave", }
V[21] = { [0x00] = "Power On", [0x01] = "Scanning Mode", [0x02] = "Connecting Mode", [0x03] = "Standby Mode", [0x05] = "Broadcast Mode", [0x08] = "Transparent Service Enabled Mode", [0x09] = "Idle Mode", [0x0A] = "Shutdown Mode", [0x0B] = "Configure Mode", [0x0C] = "BLE Connected Mode", }
V[22] = { [0x00] = "Disabled", [0x01] = "Enabled", }
V[23] = { [0x01] = "16-bit UUIDs", [0x02] = "128-bit UUIDs", }
V[24] = { [0x00] = "ADC Value", [0x01] = "0.1V", [0x02] = "0.05V", [0x03] = "0.025V", }

local PF_LIST = {
    { "adc_range", "uint8", "HEX", "ADC Range" },
    { "adc_value", "uint16", "HEX", "ADC Value" },
    { "address", "string", "NONE", "Address" },
    { "address_type", "uint8", "HEX", "Address Type" },
    { "advertising_data", "string", "NONE", "Advertising Data" },
    { "advertising_interval", "uint16", "HEX", "Advertising Interval" },
    { "advertising_type", "uint8", "HEX", "Advertising Type" },
    { "answer", "uint8", "HEX", "Answer" },
    { "answered_command", "uint8", "HEX", "Command" },
    { "attribute_handle", "uint16", "HEX", "Attribute Handle" },
    { "bluetooth_address", "string", "NONE", "Bluetooth Address" },
    { "channel", "uint8", "DEC", "Channel" },
    { "char_value_handle", "uint16", "HEX", "Char Value Handle" },
    { "characteristic_uuid", "string", "NONE", "Characteristic UUID" },
    { "characteristic_value", "string", "NONE", "Characteristic Value" },
    { "clock_source", "uint8", "HEX", "Clock Source" },
    { "compare_value", "uint16", "HEX", "Compare Value" },
    { "configure_mode", "uint8", "HEX", "Configure Mode" },
    { "conn_interval", "uint16", "HEX", "Conn Interval" },
    { "conn_latency", "uint16", "DEC", "Conn Latency" },
    { "connection_handle", "uint8", "HEX", "Connection Handle" },
    { "count", "uint8", "DEC", "Count" },
    { "data", "string", "NONE", "Data" },
    { "data_length", "uint8", "DEC", "Length" },
    { "debug_opcode", "uint8", "HEX", "Debug OpCode" },
    { "device_address", "string", "NONE", "Device Address" },
    { "device_index", "uint8", "HEX", "Device Index" },
    { "device_index_uint8", "uint8", "DEC", "Device Index" },
    { "device_name", "string", "NONE", "Device Name" },
    { "digit", "string", "NONE", "Digit" },
    { "directed_addr", "string", "NONE", "Directed Addr" },
    { "directed_addr_type", "uint8", "HEX", "Directed Addr Type" },
    { "enable", "uint8", "HEX", "Enable" },
    { "end_handle", "uint16", "HEX", "End Handle" },
    { "entry_length", "uint8", "DEC", "Entry Length" },
    { "entry_type", "uint8", "HEX", "Entry Type" },
    { "error_code", "uint8", "HEX", "Error Code" },
    { "event_type", "uint8", "HEX", "Event Type" },
    { "filter_duplicate", "uint8", "HEX", "Filter Duplicate" },
    { "filter_policy", "uint8", "HEX", "Filter Policy" },
    { "fw_version", "string", "NONE", "FW Version" },
    { "handle", "uint16", "HEX", "Handle" },
    { "hw_version", "uint8", "HEX", "HW Version" },
    { "link_1", "uint8", "HEX", "Link 1" },
    { "link_2", "uint8", "HEX", "Link 2" },
    { "link_3", "uint8", "HEX", "Link 3" },
    { "link_4", "uint8", "HEX", "Link 4" },
    { "memory_address", "uint16", "HEX", "Memory Address" },
    { "module_state", "uint8", "HEX", "Module State" },
    { "output_enable", "string", "NONE", "Output Enable" },
    { "output_inverse", "uint8", "HEX", "Output Inverse" },
    { "output_level", "string", "NONE", "Output Level" },
    { "pairing_mode", "uint8", "HEX", "Pairing Mode" },
    { "parameter_1", "uint8", "HEX", "Parameter 1" },
    { "parameter_2", "uint8", "HEX", "Parameter 2" },
    { "parameter_3", "uint8", "HEX", "Parameter 3" },
    { "parameters", "string", "NONE", "Parameters" },
    { "pass_key", "string", "NONE", "Pass Key" },
    { "peer_address", "string", "NONE", "Peer Address" },
    { "peer_address_type", "uint8", "HEX", "Peer Address Type" },
    { "pin_levels", "string", "NONE", "Pin Levels" },
    { "priority", "uint8", "DEC", "Priority" },
    { "properties", "uint8", "HEX", "Properties" },
    { "reason", "uint8", "HEX", "Reason" },
    { "request_opcode", "uint8", "HEX", "Request Opcode" },
    { "reserved", "uint8", "HEX", "Reserved" },
    { "result", "uint8", "HEX", "Result" },
    { "role", "uint8", "HEX", "Role" },
    { "rssi", "int8", "DEC", "RSSI" },
    { "scan_enable", "uint8", "HEX", "Scan Enable" },
    { "scan_interval", "uint16", "HEX", "Scan Interval" },
    { "scan_response_data", "string", "NONE", "Scan Response Data" },
    { "scan_type", "uint8", "HEX", "Scan Type" },
    { "scan_window", "uint16", "HEX", "Scan Window" },
    { "selected_pins", "string", "NONE", "Selected Pins" },
    { "service_uuid", "string", "NONE", "Service UUID" },
    { "standby_mode", "uint8", "HEX", "Standby Mode" },
    { "start_handle", "uint16", "HEX", "Start Handle" },
    { "status", "uint8", "HEX", "Status" },
    { "store_option", "uint8", "HEX", "Store Option" },
    { "supervision_timeout", "uint16", "HEX", "Supervision Timeout" },
    { "top_value", "uint16", "HEX", "Top Value" },
    { "transparent_ctrl", "uint8", "HEX", "Transparent Ctrl" },
    { "transparent_mode", "uint8", "HEX", "Transparent Mode" },
    { "uuid", "string", "NONE", "UUID" },
    { "uuid_format", "uint8", "HEX", "UUID Format" },
    { "value", "string", "NONE", "Value" },
    { "value_handle", "uint16", "HEX", "Value Handle" },
    { "write_type", "uint8", "HEX", "Write Type" },
    { "write_value", "string", "NONE", "Write Value" },
}

local COMMANDS = {
    [0x01] = { name = "Read Local Information", fields = {} },
    [0x02] = { name = "Reset", fields = {} },
    [0x03] = { name = "Read NUVEX3 Status", fields = {} },
    [0x04] = { name = "Read ADC Value", fields = {
        { name = "Channel", type = "decimal", size = 1, key = "channel" },
    } },
    [0x05] = { name = "Into Shutdown Mode", fields = {} },
    [0x06] = { name = "Debug Command", fields = {
        { name = "Debug OpCode", type = "enum", size = 1, key = "debug_opcode", values = V[1] },
        { name = "Length", type = "decimal", size = 1, key = "data_length" },
        { name = "Memory Address", type = "hex", size = 2, key = "memory_address" },
        { name = "Write Value", type = "bytes", size = 0, key = "write_value", optional = true },
    } },
    [0x07] = { name = "Read Device Name", fields = {} },
    [0x08] = { name = "Write Device Name", fields = {
        { name = "Reserved", type = "hex", size = 1, key = "reserved" },
        { name = "Device Name", type = "text", size = 0, key = "device_name" },
    } },
    [0x09] = { name = "Erase All Paired Device Information", fields = {} },
    [0x0A] = { name = "Read Pairing Mode Setting", fields = {} },
    [0x0B] = { name = "Write Pairing Mode Setting", fields = {
        { name = "Reserved", type = "hex", size = 1, key = "reserved" },
        { name = "Pairing Mode", type = "enum", size = 1, key = "pairing_mode", values = V[2] },
    } },
    [0x0C] = { name = "Read All Paired Device Information", fields = {} },
    [0x0D] = { name = "Delete Paired Device", fields = {
        { name = "Device Index", type = "hex", size = 1, key = "device_index" },
    } },
    [0x0E] = { name = "DIO Control", fields = {
        { name = "Output Enable", type = "bytes", size = 4, key = "output_enable" },
        { name = "Output Level", type = "bytes", size = 4, key = "output_level" },
        { name = "Selected Pins", type = "bytes", size = 4, key = "selected_pins" },
    } },
    [0x0F] = { name = "PWM Control", fields = {
        { name = "Channel", type = "decimal", size = 1, key = "channel" },
        { name = "Enable", type = "enum", size = 1, key = "enable", values = V[3] },
        { name = "Clock Source", type = "hex", size = 1, key = "clock_source", optional = true },
        { name = "Top Value", type = "hex", size = 2, key = "top_value", optional = true },
        { name = "Compare Value", type = "hex", size = 2, key = "compare_value", optional = true },
        { name = "Output Inverse", type = "hex", size = 1, key = "output_inverse", optional = true },
    } },
    [0x10] = { name = "Read RSSI Value", fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
    } },
    [0x11] = { name = "Write Adv Data", fields = {
        { name = "Store Option", type = "enum", size = 1, key = "store_option", values = V[4] },
        { name = "Advertising Data", type = "ad_data", size = 0, key = "advertising_data" },
    } },
    [0x12] = { name = "Write Scan Res_Data", fields = {
        { name = "Store Option", type = "enum", size = 1, key = "store_option", values = V[4] },
        { name = "Scan Response Data", type = "ad_data", size = 0, key = "scan_response_data" },
    } },
    [0x13] = { name = "Set Advertising Parameter", fields = {
        { name = "Advertising Interval", type = "interval", size = 2, key = "advertising_interval", unit = 625 },
        { name = "Advertising Type", type = "enum", size = 1, key = "advertising_type", values = V[5] },
        { name = "Directed Addr Type", type = "enum", size = 1, key = "directed_addr_type", values = V[6] },
        { name = "Directed Addr", type = "address", size = 6, key = "directed_addr" },
    } },
    [0x15] = { name = "Set Scan Parameters", fields = {
        { name = "Scan Interval", type = "interval", size = 2, key = "scan_interval", unit = 625 },
        { name = "Scan Window", type = "interval", size = 2, key = "scan_window", unit = 625 },
        { name = "Scan Type", type = "enum", size = 1, key = "scan_type", values = V[7] },
    } },
    [0x16] = { name = "Set Scan Enable", fields = {
        { name = "Scan Enable", type = "enum", size = 1, key = "scan_enable", values = V[8] },
        { name = "Filter Duplicate", type = "enum", size = 1, key = "filter_duplicate", values = V[9] },
    } },
    [0x17] = { name = "LE Create Connection", fields = {
        { name = "Filter Policy", type = "enum", size = 1, key = "filter_policy", values = V[10] },
        { name = "Peer Address Type", type = "enum", size = 1, key = "peer_address_type", values = V[6] },
        { name = "Peer Address", type = "address", size = 6, key = "peer_address" },
    } },
    [0x18] = { name = "LE Create Connection Cancel", fields = {} },
    [0x19] = { name = "Connection Parameter Update Req", fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Conn Interval", type = "interval", size = 2, key = "conn_interval", unit = 1250 },
        { name = "Conn Latency", type = "decimal", size = 2, key = "conn_latency" },
        { name = "Supervision Timeout", type = "interval", size = 2, key = "supervision_timeout", unit = 10000 },
    } },
    [0x1B] = { name = "Disconnect", fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
    } },
    [0x1C] = { name = "Set Adv Enable", fields = {
        { name = "Standby Mode", type = "enum", size = 1, key = "standby_mode", values = V[11] },
    } },
    [0x1F] = { name = "Read Remote Device Name", fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
    } },
    [0x30] = { name = "Discover All Primary Service", fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
    } },
    [0x31] = { name = "Discover Specific Primary Service Characteristics and Descriptors", fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Service UUID", type = "uuid", size = 0, key = "service_uuid" },
    } },
    [0x32] = { name = "Read Characteristics Value", fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Char Value Handle", type = "hex", size = 2, key = "char_value_handle" },
    } },
    [0x33] = { name = "Read Using Characteristics UUID", fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Characteristic UUID", type = "uuid", size = 0, key = "characteristic_uuid" },
    } },
    [0x34] = { name = "Write Characteristics Value", fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Write Type", type = "enum", size = 1, key = "write_type", values = V[12] },
        { name = "Char Value Handle", type = "hex", size = 2, key = "char_value_handle" },
        { name = "Characteristic Value", type = "bytes", size = 0, key = "characteristic_value" },
    } },
    [0x35] = { name = "Enable Transparent", fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Transparent Ctrl", type = "enum", size = 1, key = "transparent_ctrl", values = V[3] },
        { name = "Transparent Mode", type = "enum", size = 1, key = "transparent_mode", values = V[13] },
    } },
    [0x38] = { name = "Send Characteristic Value", fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Char Value Handle", type = "hex", size = 2, key = "char_value_handle" },
        { name = "Characteristic Value", type = "bytes", size = 0, key = "characteristic_value" },
    } },
    [0x39] = { name = "Update Characteristic Value", fields = {
        { name = "Char Value Handle", type = "hex", size = 2, key = "char_value_handle" },
        { name = "Characteristic Value", type = "bytes", size = 0, key = "characteristic_value" },
    } },
    [0x3A] = { name = "Read Local Characteristic Value", fields = {
        { name = "Char Value Handle", type = "hex", size = 2, key = "char_value_handle" },
    } },
    [0x3B] = { name = "Read Local All Pirmary Service", fields = {} },
    [0x3C] = { name = "Read Local Specific Pirmary Service", fields = {
        { name = "Service UUID", type = "uuid_msb_first", size = 0, key = "service_uuid" },
    } },
    [0x3D] = { name = "Send Write Response", fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Request Opcode", type = "hex", size = 1, key = "request_opcode" },
        { name = "Attribute Handle", type = "hex", size = 2, key = "attribute_handle" },
        { name = "Error Code", type = "enum", size = 1, key = "error_code", values = V[14] },
    } },
    [0x3F] = { name = "Send Transparent Data", fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Data", type = "bytes", size = 0, key = "data" },
    } },
    [0x40] = { name = "Passkey Entry Reply", fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Entry Type", type = "enum", size = 1, key = "entry_type", values = V[15] },
        { name = "Digit", type = "text", size = 1, key = "digit", optional = true },
    } },
    [0x41] = { name = "Passkey Confirm Reply", fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Answer", type = "enum", size = 1, key = "answer", values = V[16] },
    } },
    [0x42] = { name = "Pairing Request", fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
    } },
}

local EVENTS = {
    [0x60] = { name = "Passkey Entry Request", min = 2, fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
    } },
    [0x61] = { name = "Pairing Complete", min = 3, fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Result", type = "enum", size = 1, key = "result", error = true, values = V[17] },
    } },
    [0x62] = { name = "Passkey Confirm Request", min = 8, fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Pass Key", type = "text", size = 6, key = "pass_key" },
    } },
    [0x70] = { name = "Advertising Report", min = 11, fields = {
        { name = "Event Type", type = "enum", size = 1, key = "event_type", values = V[18] },
        { name = "Address Type", type = "enum", size = 1, key = "address_type", values = V[19] },
        { name = "Address", type = "address", size = 6, key = "address" },
        { name = "Data Length", type = "decimal", size = 1, key = "data_length" },
        { name = "Data", type = "ad_data", size = 0, key = "data", size_from = 4 },
        { name = "RSSI", type = "rssi", size = 1, key = "rssi" },
    } },
    [0x71] = { name = "Connection Complete", min = 17, fields = {
        { name = "Status", type = "status", size = 1, key = "status", error = true },
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Role", type = "enum", size = 1, key = "role", values = V[20] },
        { name = "Peer Address Type", type = "enum", size = 1, key = "peer_address_type", values = V[19] },
        { name = "Peer Address", type = "address", size = 6, key = "peer_address" },
        { name = "Conn Interval", type = "interval", size = 2, key = "conn_interval", unit = 1250 },
        { name = "Conn Latency", type = "decimal", size = 2, key = "conn_latency" },
        { name = "Supervision Timeout", type = "interval", size = 2, key = "supervision_timeout", unit = 10000 },
    } },
    [0x72] = { name = "Disconnection Complete", min = 3, fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Reason", type = "reason", size = 1, key = "reason" },
    } },
    [0x73] = { name = "Connection Parameter Update", min = 8, fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Conn Interval", type = "interval", size = 2, key = "conn_interval", unit = 1250 },
        { name = "Conn Latency", type = "decimal", size = 2, key = "conn_latency" },
        { name = "Supervision Timeout", type = "interval", size = 2, key = "supervision_timeout", unit = 10000 },
    } },
    [0x80] = { name = "Command Complete", min = 1, fields = {
        { name = "Command", type = "command", size = 1, key = "answered_command" },
        { name = "Status", type = "status", size = 1, key = "status", error = true },
    } },
    [0x81] = { name = "Status Report", min = 2, fields = {
        { name = "Module State", type = "enum", size = 1, key = "module_state", values = V[21] },
        { name = "Link 1", type = "enum", size = 1, key = "link_1", optional = true, values = V[21] },
        { name = "Link 2", type = "enum", size = 1, key = "link_2", optional = true, values = V[21] },
        { name = "Link 3", type = "enum", size = 1, key = "link_3", optional = true, values = V[21] },
        { name = "Link 4", type = "enum", size = 1, key = "link_4", optional = true, values = V[21] },
    } },
    [0x8F] = { name = "Configure Mode Status", min = 2, fields = {
        { name = "Configure Mode", type = "enum", size = 1, key = "configure_mode", values = V[22] },
    } },
    [0x90] = { name = "Discover All Primary Service Result", min = 9, fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Entry Length", type = "decimal", size = 1, key = "entry_length" },
        { name = "Services", type = "list", size = 0, entry_name = "Service", entry_size = "field", entry_from = 2,
          entries = {
            { name = "Start Handle", type = "handle_lsb", size = 2, key = "start_handle" },
            { name = "End Handle", type = "handle_lsb", size = 2, key = "end_handle" },
            { name = "Service UUID", type = "uuid", size = 0, key = "service_uuid" },
        } },
    } },
    [0x91] = { name = "Discover Characteristics Result", min = 10, fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Entry Length", type = "decimal", size = 1, key = "entry_length" },
        { name = "Characteristics", type = "list", size = 0, entry_name = "Characteristic", entry_size = "field", entry_from = 2,
          entries = {
            { name = "Attribute Handle", type = "handle_lsb", size = 2, key = "attribute_handle" },
            { name = "Properties", type = "properties", size = 1, key = "properties" },
            { name = "Value Handle", type = "handle_lsb", size = 2, key = "value_handle" },
            { name = "Characteristic UUID", type = "uuid", size = 0, key = "characteristic_uuid" },
        } },
    } },
    [0x92] = { name = "Discover Descriptors Result", min = 5, fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "UUID Format", type = "enum", size = 1, key = "uuid_format", values = V[23] },
        { name = "Descriptors", type = "list", size = 0, entry_name = "Descriptor", entry_size = "uuid", entry_bytes = 2, entry_from = 2,
          entries = {
            { name = "Handle", type = "handle_lsb", size = 2, key = "handle" },
            { name = "UUID", type = "uuid", size = 0, key = "uuid" },
        } },
    } },
    [0x93] = { name = "Characteristic Value Received", min = 5, fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Attribute Handle", type = "handle_lsb", size = 2, key = "attribute_handle" },
        { name = "Value", type = "bytes", size = 0, key = "value" },
    } },
    [0x98] = { name = "Client Write Characteristic Value", min = 4, fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Attribute Handle", type = "handle_lsb", size = 2, key = "attribute_handle" },
        { name = "Value", type = "bytes", size = 0, key = "value" },
    } },
    [0x9A] = { name = "Received Transparent Data", min = 2, fields = {
        { name = "Connection Handle", type = "hex", size = 1, key = "connection_handle" },
        { name = "Data", type = "bytes", size = 0, key = "data" },
    } },
    [0xC0] = { name = "", min = 3, fields = {
        { name = "Parameter 1", type = "hex", size = 1, key = "parameter_1" },
        { name = "Parameter 2", type = "hex", size = 1, key = "parameter_2" },
        { name = "Data", type = "bytes", size = 0, key = "data" },
    } },
    [0xF0] = { name = "Customer Demo Event", min = 1, fields = {
        { name = "Parameter 1", type = "hex", size = 1, key = "parameter_1" },
        { name = "Parameter 2", type = "hex", size = 1, key = "parameter_2", optional = true },
        { name = "Parameter 3", type = "hex", size = 1, key = "parameter_3", optional = true },
    } },
    [0xF9] = { name = "", min = 2, fields = {
        { name = "Data", type = "bytes", size = 0, key = "data" },
    } },
}

local CC = {
    [0x01] = { min = 14, fields = {
        { name = "FW Version", type = "bytes", size = 4, key = "fw_version" },
        { name = "Bluetooth Address", type = "address", size = 6, key = "bluetooth_address" },
        { name = "HW Version", type = "hex", size = 1, key = "hw_version", optional = true },
    } },
    [0x04] = { min = 6, fields = {
        { name = "ADC Range", type = "enum", size = 1, key = "adc_range", values = V[24] },
        { name = "ADC Value", type = "hex", size = 2, key = "adc_value" },
    } },
    [0x06] = { min = 5, fields = {
        { name = "Debug OpCode", type = "enum", size = 1, key = "debug_opcode", values = V[1] },
        { name = "Data", type = "bytes", size = 0, key = "data", optional = true },
    } },
    [0x07] = { min = 4, fields = {
        { name = "Device Name", type = "text", size = 0, key = "device_name" },
    } },
    [0x0A] = { min = 4, fields = {
        { name = "Pairing Mode", type = "enum", size = 1, key = "pairing_mode", values = V[2] },
    } },
    [0x0C] = { min = 4, fields = {
        { name = "Count", type = "decimal", size = 1, key = "count" },
        { name = "Devices", type = "list", size = 0, entry_name = "Device", entry_size = "fixed", entry_bytes = 8, count_from = 1,
          entries = {
            { name = "Device Index", type = "decimal", size = 1, key = "device_index_uint8" },
            { name = "Priority", type = "decimal", size = 1, key = "priority" },
            { name = "Device Address", type = "address", size = 6, key = "device_address" },
        } },
    } },
    [0x0E] = { min = 4, fields = {
        { name = "Pin Levels", type = "bytes", size = 0, key = "pin_levels" },
    } },
    [0x10] = { min = 4, fields = {
        { name = "RSSI", type = "rssi", size = 1, key = "rssi" },
    } },
    [0x1F] = { min = 4, fields = {
        { name = "Device Name", type = "text", size = 0, key = "device_name" },
    } },
    [0x32] = { min = 4, fields = {
        { name = "Characteristic Value", type = "bytes", size = 0, key = "characteristic_value" },
    } },
    [0x33] = { min = 6, fields = {
        { name = "Attribute Handle", type = "handle_lsb", size = 2, key = "attribute_handle" },
        { name = "Characteristic Value", type = "bytes", size = 0, key = "characteristic_value" },
    } },
    [0x3A] = { min = 4, fields = {
        { name = "Characteristic Value", type = "bytes", size = 0, key = "characteristic_value" },
    } },
}

local CC_OTHER = {
    { name = "Data", type = "bytes", size = 0, key = "data", optional = true },
}

local UNKNOWN_PARAMETERS = {
    { name = "Parameters", type = "bytes", size = 0, key = "parameters", optional = true },
}


local proto = Proto("nuvex3", "NUVEX3 UART Protocol")

local pf = {
    start = ProtoField.uint8("nuvex3.start", "Start", base.HEX),
    length = ProtoField.uint16("nuvex3.length", "Length", base.DEC),
    command = ProtoField.uint8("nuvex3.command", "Command", base.HEX),
    event = ProtoField.uint8("nuvex3.event", "Event", base.HEX),
    name = ProtoField.string("nuvex3.name", "Name"),
    checksum = ProtoField.uint8("nuvex3.checksum", "Checksum", base.HEX),
    problem = ProtoField.string("nuvex3.problem", "Problem"),
}
for _, f in ipairs(PF_LIST) do
    local key, ftype, display, label = f[1], f[2], f[3], f[4]
    if ftype == "string" then
        pf[key] = ProtoField.string("nuvex3." .. key, label)
    else
        pf[key] = ProtoField[ftype]("nuvex3." .. key, label, base[display])
    end
end
local pf_list = {}
for _, f in pairs(pf) do
    pf_list[#pf_list + 1] = f
end
proto.fields = pf_list

local ex_problem = ProtoExpert.new("nuvex3.problem.expert", "Packet does not match its layout",
    expert.group.MALFORMED, expert.severity.ERROR)
local ex_error = ProtoExpert.new("nuvex3.error.expert", "Error status or result",
    expert.group.RESPONSE_CODE, expert.severity.WARN)
proto.experts = { ex_problem, ex_error }

-- ---- texts -------------------------------------------------------------------------------

local BYTES_SHOWN = 64

local function byte_count(n)
    if n == 1 then
        return "1 byte"
    end
    return n .. " bytes"
end

local function hex8(v)
    return string.format("0x%02X", v)
end

local function with_text(value, text)
    if text ~= nil and text ~= "" then
        return value .. " (" .. text .. ")"
    end
    return value
end

local function spaced_hex(b, from, n)
    local parts = {}
    for i = from, from + n - 1 do
        parts[#parts + 1] = string.format("%02X", b[i])
    end
    return table.concat(parts, " ")
end

local function bytes_text(b, from, n)
    if n == 0 then
        return "(none)"
    end
    if n <= BYTES_SHOWN then
        return spaced_hex(b, from, n)
    end
    return spaced_hex(b, from, BYTES_SHOWN) .. " ... (" .. n .. " bytes)"
end

local function big_endian(b, from, n)
    local v = 0
    for i = from, from + n - 1 do
        v = v * 256 + b[i]
    end
    return v
end

local function quoted(b, from, n)
    local parts = { '"' }
    for i = from, from + n - 1 do
        local c = b[i]
        if c >= 0x20 and c < 0x7F and c ~= 0x22 and c ~= 0x5C then
            parts[#parts + 1] = string.char(c)
        else
            parts[#parts + 1] = string.format("\\x%02X", c)
        end
    end
    parts[#parts + 1] = '"'
    return table.concat(parts)
end

local function address_text(b, from)
    local parts = {}
    for i = from + 5, from, -1 do
        parts[#parts + 1] = string.format("%02X", b[i])
    end
    return table.concat(parts, ":")
end

-- A UUID given as a list of bytes, most significant first.
local function uuid_text(msb)
    local n = #msb
    local s
    if n == 2 or n == 4 then
        s = "0x"
        for i = 1, n do
            s = s .. string.format("%02X", msb[i])
        end
    elseif n == 16 then
        s = ""
        for i = 1, 16 do
            if i == 5 or i == 7 or i == 9 or i == 11 then
                s = s .. "-"
            end
            s = s .. string.format("%02X", msb[i])
        end
    else
        local b = {}
        for i = 1, n do
            b[i - 1] = msb[i]
        end
        return bytes_text(b, 0, n)
    end
    local name
    if n == 2 then
        name = UUID16[msb[1] * 256 + msb[2]]
    elseif n == 16 then
        local digits = ""
        for i = 1, 16 do
            digits = digits .. string.format("%02X", msb[i])
        end
        name = UUID128[digits]
    end
    return with_text(s, name)
end

local function reversed(b, from, n)
    local out = {}
    for i = from + n - 1, from, -1 do
        out[#out + 1] = b[i]
    end
    return out
end

local function in_order(b, from, n)
    local out = {}
    for i = from, from + n - 1 do
        out[#out + 1] = b[i]
    end
    return out
end

local PROPERTY_NAMES = { "B", "R", "WO", "W", "N", "I", "A", "E" }
local function properties_text(p)
    local parts = {}
    for bit = 0, 7 do
        if bit32.band(p, bit32.lshift(1, bit)) ~= 0 then
            parts[#parts + 1] = PROPERTY_NAMES[bit + 1]
        end
    end
    local s = table.concat(parts, "/")
    if s == "" then
        s = "N/A"
    end
    return with_text(hex8(p), s)
end

local function braced(children, open, close)
    local parts = {}
    for i, c in ipairs(children) do
        if open == "{" then
            parts[i] = c.name .. ": " .. c.value
        else
            parts[i] = c.value
        end
    end
    return open .. table.concat(parts, ", ") .. close
end

local function signed8(v)
    if v >= 128 then
        return v - 256
    end
    return v
end

-- Advertising data: the structures of the report walk.
local AD_MAX = 31
local function walk_ad(b, from, n)
    local out = {}
    local offset = 0
    while offset < AD_MAX do
        if offset >= n then
            break
        end
        local len = b[from + offset]
        if len == 0 or len > AD_MAX or offset + len >= n then
            break
        end
        out[#out + 1] = { type = b[from + offset + 1], at = from + offset + 2, n = len - 1 }
        offset = offset + len + 1
    end
    return out, offset
end

local function ad_value(b, s)
    local d, n = s.at, s.n
    local function uuid_list(size)
        if n == 0 or n % size ~= 0 then
            return bytes_text(b, d, n)
        end
        local parts = {}
        for i = 0, n - 1, size do
            parts[#parts + 1] = uuid_text(reversed(b, d + i, size))
        end
        return table.concat(parts, ", ")
    end
    local function service_data(size)
        if n < size then
            return bytes_text(b, d, n)
        end
        return uuid_text(reversed(b, d, size)) .. ": " .. bytes_text(b, d + size, n - size)
    end
    local t = s.type
    if t == 0x01 then
        if n == 1 then return hex8(b[d]) end
        return bytes_text(b, d, n)
    elseif t == 0x02 or t == 0x03 or t == 0x14 then
        return uuid_list(2)
    elseif t == 0x04 or t == 0x05 then
        return uuid_list(4)
    elseif t == 0x06 or t == 0x07 or t == 0x15 then
        return uuid_list(16)
    elseif t == 0x08 or t == 0x09 then
        return quoted(b, d, n)
    elseif t == 0x0A then
        if n == 1 then return signed8(b[d]) .. " dBm" end
        return bytes_text(b, d, n)
    elseif t == 0x16 then
        return service_data(2)
    elseif t == 0x20 then
        return service_data(4)
    elseif t == 0x21 then
        return service_data(16)
    elseif t == 0x19 then
        if n == 2 then return string.format("0x%04X", b[d] + b[d + 1] * 256) end
        return bytes_text(b, d, n)
    elseif t == 0xFF then
        if n < 2 then return bytes_text(b, d, n) end
        return string.format("Company 0x%04X", b[d] + b[d + 1] * 256) .. ": " ..
            bytes_text(b, d + 2, n - 2)
    end
    return bytes_text(b, d, n)
end

-- ---- the field lists -----------------------------------------------------------------------

local Reader = {}
Reader.__index = Reader

local function new_reader(b)
    return setmetatable({ b = b, problems = {}, error = false, cc = nil }, Reader)
end

function Reader:problem(text)
    self.problems[#self.problems + 1] = text
end

function Reader:trailing(pos, last, into)
    if pos >= last then
        return
    end
    self:problem(byte_count(last - pos) .. " more than the layout holds")
    into[#into + 1] = { name = "Trailing Bytes", value = bytes_text(self.b, pos, last - pos),
        offset = pos, length = last - pos, children = {} }
end

function Reader:value(spec, pos, n, f)
    local b = self.b
    local t = spec.type
    if t == "hex" then
        if n == 1 then return hex8(b[pos]), b[pos] end
        if n == 2 then local v = big_endian(b, pos, 2); return string.format("0x%04X", v), v end
        if n == 4 then local v = big_endian(b, pos, 4); return string.format("0x%08X", v), v end
        return bytes_text(b, pos, n)
    elseif t == "decimal" then
        if n <= 4 then local v = big_endian(b, pos, n); return tostring(v), v end
        return bytes_text(b, pos, n)
    elseif t == "handle_lsb" then
        local v = b[pos] + b[pos + 1] * 256
        return string.format("0x%04X", v), v
    elseif t == "interval" then
        local v = big_endian(b, pos, 2)
        return string.format("0x%04X (%.2f ms)", v, v * spec.unit / 1000.0), v
    elseif t == "enum" then
        return with_text(hex8(b[pos]), spec.values[b[pos]]), b[pos]
    elseif t == "status" then
        local code = b[pos]
        if self.cc == 0x00 and code == 0xFF then
            return with_text(hex8(code), TX_CHECKSUM_ERROR), code
        end
        return with_text(hex8(code), STATUS[code] or "Unknown error"), code
    elseif t == "reason" then
        return with_text(hex8(b[pos]), STATUS[b[pos]]), b[pos]
    elseif t == "rssi" then
        local v = signed8(b[pos])
        return v .. " dBm", v
    elseif t == "address" then
        return address_text(b, pos)
    elseif t == "text" then
        return quoted(b, pos, n)
    elseif t == "bytes" then
        return bytes_text(b, pos, n)
    elseif t == "uuid" or t == "uuid_msb_first" then
        if n ~= 2 and n ~= 16 then
            self:problem(spec.name .. " of " .. n .. " bytes")
        end
        if t == "uuid" then
            return uuid_text(reversed(b, pos, n))
        end
        return uuid_text(in_order(b, pos, n))
    elseif t == "ad_data" then
        local structures, walked = walk_ad(b, pos, n)
        for _, s in ipairs(structures) do
            f.children[#f.children + 1] = { name = AD_TYPES[s.type] or ("AD Type " .. hex8(s.type)),
                value = ad_value(b, s), offset = s.at - 2, length = s.n + 2, children = {} }
        end
        local rest_nonzero = false
        for i = pos + walked, pos + n - 1 do
            if b[i] ~= 0 then rest_nonzero = true end
        end
        if rest_nonzero then
            self:problem(spec.name .. ": " .. byte_count(n - walked) .. " after the last whole structure")
            f.children[#f.children + 1] = { name = "Undecoded",
                value = bytes_text(b, pos + walked, n - walked), offset = pos + walked,
                length = n - walked, children = {} }
        end
        return braced(f.children, "{", "}")
    elseif t == "properties" then
        return properties_text(b[pos]), b[pos]
    elseif t == "command" then
        local row = COMMANDS[b[pos]]
        return with_text(hex8(b[pos]), row and row.name), b[pos]
    end
    return bytes_text(b, pos, n)
end

function Reader:list(spec, values, pos, last, f)
    local function value_of(i)
        if i == nil then return 0 end
        return values[i] or 0
    end
    local size = spec.entry_bytes or 0
    if spec.entry_size == "field" then
        size = value_of(spec.entry_from)
    elseif spec.entry_size == "uuid" then
        local format = value_of(spec.entry_from)
        if format == 1 then size = size + 2 elseif format == 2 then size = size + 16 else size = 0 end
    end
    local count = 0
    if size > 0 then
        count = math.floor((last - pos) / size)
    end
    if spec.count_from then
        local announced = value_of(spec.count_from)
        if announced > count then
            self:problem(spec.name .. ": " .. announced .. " announced, bytes for " .. count)
        end
        count = math.min(count, announced)
    end
    for i = 1, count do
        local entry = { name = spec.entry_name .. " " .. i, offset = pos, length = size, children = {} }
        local after = self:fields(spec.entries, pos, pos + size, entry.children)
        self:trailing(after, pos + size, entry.children)
        entry.value = braced(entry.children, "{", "}")
        f.children[#f.children + 1] = entry
        pos = pos + size
    end
    if pos < last then
        if size == 0 then
            self:problem(spec.name .. ": no entry size for " .. byte_count(last - pos))
        end
        self:trailing(pos, last, f.children)
    end
    f.value = braced(f.children, "[", "]")
end

function Reader:fields(specs, pos, last, into)
    local values = {}
    for i, spec in ipairs(specs) do
        local left = math.max(0, last - pos)
        if not (spec.optional and left == 0) then
            local n = spec.size
            if n == 0 then n = left end
            if spec.size_from then
                n = values[spec.size_from] or 0
                if n > left then
                    self:problem(specs[spec.size_from].name .. " says " .. n .. " bytes, " ..
                        left .. " follow")
                    n = left
                end
            elseif n > left then
                if left == 0 then
                    self:problem("ends before " .. spec.name)
                else
                    self:problem(spec.name .. " cut short: " .. left .. " of " .. n .. " bytes")
                end
                local missing = "(missing)"
                if left > 0 then
                    missing = bytes_text(self.b, pos, left)
                end
                into[#into + 1] = { name = spec.name, value = missing, offset = pos, length = left,
                    children = {} }
                return last
            end
            if n >= 1 and n <= 8 then
                values[i] = big_endian(self.b, pos, n)
            end
            local f = { name = spec.name, offset = pos, length = n, children = {}, spec = spec }
            if spec.type == "list" then
                self:list(spec, values, pos, pos + n, f)
            else
                f.value, f.number = self:value(spec, pos, n, f)
            end
            if spec.error and n >= 1 and self.b[pos] ~= 0 then
                self.error = true
                f.failed = true
            end
            into[#into + 1] = f
            pos = pos + n
        end
    end
    return pos
end

-- Decodes a whole packet; b holds its bytes from index 0.
local function decode(b, size, sent)
    local out = { fields = {}, opcode = 0, known = false }
    local r = new_reader(b)
    out.reader = r
    if size < 5 or b[0] ~= 0xAA then
        out.name = "Malformed packet"
        r:problem("not a whole packet: " .. spaced_hex(b, 0, size))
        return out
    end
    local length = b[1] * 256 + b[2]
    out.opcode = b[3]
    out.length = length
    local last = math.max(4, math.min(size - 1, length + 3))
    out.checksum_at = last
    if size ~= length + 4 then
        local holds = 0
        if size >= 4 then holds = size - 4 end
        r:problem("length field says " .. length .. ", the packet holds " .. holds)
    end
    local sum = 0
    for i = 1, last - 1 do
        sum = sum + b[i]
    end
    sum = (256 - sum % 256) % 256
    local checksum_good = sum == b[last]
    if not checksum_good then
        r:problem("checksum " .. hex8(b[last]) .. ", should be " .. hex8(sum))
    end
    local specs = UNKNOWN_PARAMETERS
    local row
    if sent then
        row = COMMANDS[out.opcode]
        out.name = row and row.name or ("Unknown command " .. hex8(out.opcode))
    else
        row = EVENTS[out.opcode]
        if row == nil then
            out.name = "Unknown event " .. hex8(out.opcode)
        elseif row.name == "" then
            out.name = "Event " .. hex8(out.opcode)
        else
            out.name = row.name
        end
    end
    if row then
        out.known = true
        specs = row.fields
    end
    local pos = 4
    if out.known and not sent and out.opcode == 0x80 and last >= 5 then
        r.cc = b[4]
        pos = r:fields(specs, pos, last, out.fields)
        if pos < last then
            local cc = CC[b[4]]
            pos = r:fields(cc and cc.fields or CC_OTHER, pos, last, out.fields)
        end
    else
        pos = r:fields(specs, pos, last, out.fields)
    end
    r:trailing(pos, last, out.fields)
    if not sent and out.known and checksum_good and size == length + 4 then
        local minimum = row.min
        if out.opcode == 0x80 and length > 3 and CC[b[4]] then
            minimum = CC[b[4]].min
        end
        if length < minimum then
            r:problem("not decoded by the tool: shorter than " .. minimum .. " bytes")
        end
    end
    return out
end

local function summary(fields)
    local parts = {}
    for i, f in ipairs(fields) do
        parts[i] = f.name .. ": " .. f.value
    end
    return table.concat(parts, ", ")
end

-- ---- the tree ---------------------------------------------------------------------------------

local function add_fields(tree, tvb, fields)
    for _, f in ipairs(fields) do
        local item
        local key = f.spec and f.spec.key
        local range = nil
        if f.length > 0 then
            range = tvb:range(f.offset, f.length)
        end
        if key and pf[key] then
            local value = f.number
            if value == nil then value = f.value end
            if range then
                item = tree:add(pf[key], range, value)
            else
                item = tree:add(pf[key], value)
            end
        elseif range then
            item = tree:add(proto, range)
        else
            item = tree:add(proto)
        end
        item:set_text(f.name .. ": " .. f.value)
        if f.failed then
            item:add_proto_expert_info(ex_error)
        end
        if #f.children > 0 then
            add_fields(item, tvb, f.children)
        end
    end
end

function proto.dissector(tvb, pinfo, tree)
    local size = tvb:len()
    local b = {}
    for i = 0, size - 1 do
        b[i] = tvb:range(i, 1):uint()
    end
    local sent
    if pinfo.p2p_dir == 0 then
        sent = true
    elseif pinfo.p2p_dir == 1 then
        sent = false
    else
        -- Without a direction: commands use opcodes below 0x60, events the others.
        sent = size > 3 and b[3] < 0x60
    end
    local d = decode(b, size, sent)
    pinfo.cols.protocol = "NUVEX3"
    if sent then
        pinfo.cols.src = "Host"
        pinfo.cols.dst = "Module"
    else
        pinfo.cols.src = "Module"
        pinfo.cols.dst = "Host"
    end
    local info = d.name
    if #d.fields > 0 then
        info = info .. ", " .. summary(d.fields)
    end
    pinfo.cols.info = info

    local root = tree:add(proto, tvb:range(0, size), "NUVEX3 " .. (sent and "Command" or "Event") ..
        ": " .. d.name)
    if d.length then
        root:add(pf.start, tvb:range(0, 1))
        root:add(pf.length, tvb:range(1, 2))
        root:add(sent and pf.command or pf.event, tvb:range(3, 1)):append_text(" (" .. d.name .. ")")
        root:add(pf.name, d.name)
        add_fields(root, tvb, d.fields)
        root:add(pf.checksum, tvb:range(d.checksum_at, 1))
    end
    for _, p in ipairs(d.reader.problems) do
        root:add(pf.problem, p):add_proto_expert_info(ex_problem, p)
    end
    return size
end

local encaps = wtap_encaps or wtap
DissectorTable.get("wtap_encap"):add(encaps.USER0, proto)
