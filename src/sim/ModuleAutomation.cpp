// What the virtual module does by itself once powered on, so that a scenario can start
// with the module already in a state (a link up, for example).

#include "sim/ModuleImpl.h"

#include <algorithm>

namespace nuvex3::sim {

void VirtualModule::Impl::runPowerOnCommands() {
    for (const Bytes& command : scenario.module.powerOnCommands) {
        if (command.empty())
            continue;
        const std::uint8_t opcode = command.front();
        const auto from = static_cast<std::ptrdiff_t>(output.size());
        onCommand(opcode, Bytes(command.begin() + 1, command.end()));
        // No host sent it: its Command Complete ([3] event, [4] command) is not reported.
        output.erase(std::remove_if(output.begin() + from, output.end(),
                                    [opcode](const Bytes& p) {
                                        return p.size() > 4 && p[3] == kEvCommandComplete &&
                                               p[4] == opcode;
                                    }),
                     output.end());
    }
}

} // namespace nuvex3::sim
