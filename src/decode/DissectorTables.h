#pragma once
// The Lua tables of the Wireshark dissector (tools/wireshark/nuvex3.lua), generated from
// the command, event and Command Complete tables, the status texts, the AD type names and
// the assigned-number catalogue, so that the dissector names every opcode and field as the
// tool does.

#include <string>

namespace nuvex3::decode {

// The Lua source of the tables.
std::string dissectorTables();

// The dissector: `templateText` with its "--@TABLES@" line replaced by the tables.
std::string dissectorSource(const std::string& templateText);

} // namespace nuvex3::decode
