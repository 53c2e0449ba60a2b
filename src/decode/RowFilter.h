#pragma once
// The filter of the decoded view. The text is a list of terms separated by blanks; a row
// shows when it matches every term:
//   0x16         the opcode 0x16: that command or event, and the Command Complete of and
//                the time-out notes for command 0x16
//   handle:01    a "Connection Handle" field of 0x01 (also handle=01, h:0x01)
//   is:error     rows shown in red; is:sent and is:received by direction
//   "two words"  text in quotes is one term
//   anything     else: a part of the name or of the field texts, in any case

#include "decode/Session.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nuvex3::decode {

class RowFilter {
public:
    RowFilter() = default;
    explicit RowFilter(const std::string& text);

    bool empty() const { return terms_.empty(); }
    bool matches(const Session& session, std::uint64_t seq) const;

private:
    struct Term {
        enum Kind { Opcode, Handle, Error, Sent, Received, Text } kind;
        std::uint8_t value = 0;
        std::string text; // lower case
    };
    std::vector<Term> terms_;
    bool needsDecode_ = false;
};

} // namespace nuvex3::decode
