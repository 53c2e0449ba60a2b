#pragma once
// The module's commands: opcode, the name the opcode lists show, the parameter fields on
// the wire and the events that answer the command. One row per command operation of the
// command layer.

#include "link/FieldSpec.h"

#include <cstdint>
#include <span>

namespace nuvex3 {

struct CommandRow {
    std::uint8_t opcode;
    const char* name;
    Fields fields;
    // The event that answers the command: Command Complete (0x80) for most, the Status
    // Report (0x81) for Reset and Read NUVEX3 Status.
    std::uint8_t answer = 0x80;
    // An event that ends the command later (Connection Complete for LE Create Connection),
    // 0 for none; for `finalSameHandle` it must name the command's connection handle (the
    // first parameter of both).
    std::uint8_t finalAnswer = 0;
    bool finalSameHandle = false;
    // Sent at once, even while another command waits for its answer.
    bool bypassesQueue = false;
};

std::span<const CommandRow> commandTable();
// The row of a command opcode; nullptr when the module has no such command.
const CommandRow* findCommand(std::uint8_t opcode);

} // namespace nuvex3
